#include "report/render/ReportDocument.h"
#include "report/render/ReportLayout.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace marking::report;

namespace {
const QString kHead = QStringLiteral("title = 리포트\ncolumn = 5 | NO | R_NO\n");

ReportTable tableWith(const QStringList& fields) {
    ReportTable t;
    t.fields = fields;
    t.Append(QStringList(fields.size(), QStringLiteral("1")));
    return t;
}
} // namespace

class TestLayout : public QObject {
    Q_OBJECT
private slots:
    void defaultLayout_parsesWithEveryPrintColumnAndAnOptionalStation() {
        const auto layout = ParseLayout(DefaultLayoutText(), LayoutFileName());
        QVERIFY2(layout.ok(), qPrintable(layout.ok() ? QString() : layout.error().Text()));
        QStringList fields;
        for (const LayoutColumn& c : layout.value().columns) {
            if (!c.optional)
                fields << c.field;
        }
        QCOMPARE(fields, QStringList({"R_NO", "R_Date", "R_WorkTeam", "R_MarkingMethod", "R_Data",
                                      "R_Length", "R_WorkVolume"}));
        QCOMPARE(layout.value().columns.at(2).header, QStringLiteral("날     짜"));

        // The station column is drawn only for rows that have the field.
        ReportTable print = tableWith(fields);
        QCOMPARE(ReportDocument::Create(layout.value(), print).value().Columns().size(), 7);
        print.fields << "R_Station";
        QCOMPARE(ReportDocument::Create(layout.value(), print).value().Columns().size(), 8);
    }

    void malformed_namesFileAndLine_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("reason");
        QTest::newRow("no equals sign") << kHead + "# note\n\npage A4" << 5 << "설정 = 값";
        QTest::newRow("unknown key") << kHead + "colour = red" << 3 << "colour";
        QTest::newRow("key twice") << "title = a\ntitle = b\n" << 2 << "1행";
        QTest::newRow("format 2") << "format = 2\n" + kHead << 1 << "형식";
        QTest::newRow("page size") << kHead + "page = A9" << 3 << "A9";
        QTest::newRow("orientation twice")
            << kHead + "page = portrait landscape" << 3 << "landscape";
        QTest::newRow("three margins") << kHead + "margins = 1 2 3" << 3 << "여백";
        QTest::newRow("margin negative") << kHead + "margins = -1" << 3 << "-1";
        QTest::newRow("margins eat the page")
            << kHead + "page = A5\nmargins = 60 10 60 10" << 4 << "여백";
        QTest::newRow("font size") << kHead + "font.size = 200" << 3 << "200";
        QTest::newRow("column two parts") << "title = t\ncolumn = 5 | NO" << 2 << "형식";
        QTest::newRow("column width zero") << kHead + "column = 0 | A | R_Data" << 3 << "너비";
        QTest::newRow("column width text") << kHead + "column = wide | A | R_Data" << 3 << "wide";
        QTest::newRow("column field blank") << kHead + "column = 5 | A |  " << 3 << "비어";
        QTest::newRow("column field SQL") << kHead + "column = 5 | A | R_Data;drop" << 3 << "drop";
        QTest::newRow("column align")
            << kHead + "column = 5 | A | R_Data | middle" << 3 << "middle";
        QTest::newRow("column two aligns")
            << kHead + "column = 5 | A | R_Data | left | right" << 3 << "right";
        QTest::newRow("unknown mark")
            << kHead + "footer.center = {page} of {total}" << 3 << "{total}";
        QTest::newRow("open brace") << kHead + "header.left = {title" << 3 << "중괄호";
        QTest::newRow("yes or no") << kHead + "chart = maybe" << 3 << "maybe";
        QTest::newRow("summary field") << kHead + "summary.count = 작업" << 3 << "작업";
        QTest::newRow("no title") << "column = 5 | NO | R_NO\n" << 0 << "title";
        QTest::newRow("empty title") << "title =\ncolumn = 5 | NO | R_NO\n" << 1 << "title";
        QTest::newRow("no column") << "title = t\n" << 0 << "column";
        QTest::newRow("empty file") << "" << 0 << "title";
    }
    void malformed_namesFileAndLine() {
        QFETCH(QString, text);
        QFETCH(int, line);
        QFETCH(QString, reason);
        const auto layout = ParseLayout(text, "/station/WorkReport.rpt");
        QVERIFY(!layout.ok());
        QCOMPARE(layout.error().line, line);
        const QString shown = layout.error().Text();
        QVERIFY2(shown.startsWith(line ? QStringLiteral("/station/WorkReport.rpt %1행: ").arg(line)
                                       : QStringLiteral("/station/WorkReport.rpt: ")),
                 qPrintable(shown));
        QVERIFY2(shown.contains(reason), qPrintable(shown));
    }

    void fieldsMissingFromTheRows_nameTheLine_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("line");
        QTest::newRow("column") << kHead + "column = 5 | A | R_Nothing" << 3;
        QTest::newRow("summary field") << kHead + "\nsummary.date = R_Day" << 4;
        QTest::newRow("default summary field") << kHead << 0;
    }
    void fieldsMissingFromTheRows_nameTheLine() {
        QFETCH(QString, text);
        QFETCH(int, line);
        const auto layout = ParseLayout(text, "WorkReport.rpt");
        QVERIFY(layout.ok());
        const QStringList fields =
            line == 0 ? QStringList{"R_NO", "R_Date", "R_WorkVolume"}
                      : QStringList{"R_NO", "R_Date", "R_WorkTeam", "R_WorkVolume"};
        const auto doc = ReportDocument::Create(layout.value(), tableWith(fields));
        QVERIFY(!doc.ok());
        QCOMPARE(doc.error().line, line);
        QVERIFY(doc.error().Text().startsWith("WorkReport.rpt"));
        // Without the totals only the listed columns matter.
        if (line == 0)
            QVERIFY(ReportDocument::Create(ParseLayout(text + "summary = no", "x").value(),
                                           tableWith(fields))
                        .ok());
    }

    void files_missingNotUtf8AndDefaultWrite() {
        QTemporaryDir dir;
        const QString path = QDir(dir.path()).filePath(LayoutFileName());
        auto missing = ReadProgramLayout(dir.path());
        QVERIFY(!missing.ok());
        QCOMPARE(missing.error().file, path);

        // A layout saved in code page 949: the line with the first Hangul is named.
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("\xEF\xBB\xBFtitle = x\ncolumn = 5 | \xB3\xAF\xC2\xA5 | R_Date\n");
        f.close();
        auto cp949 = ReadLayoutFile(path);
        QVERIFY(!cp949.ok());
        QCOMPARE(cp949.error().line, 2);
        QVERIFY(cp949.error().Text().contains("UTF-8"));

        QVERIFY(WriteDefaultLayout(dir.path(), false).ok());
        QVERIFY(!ReadLayoutFile(path).ok()); // kept: the operator's file is never overwritten
        QVERIFY(WriteDefaultLayout(dir.path(), true).ok());
        QCOMPARE(ReadLayoutFile(path).value().title, QStringLiteral("작업현황 리포트"));
    }
};

QTEST_GUILESS_MAIN(TestLayout)
#include "tst_layout.moc"

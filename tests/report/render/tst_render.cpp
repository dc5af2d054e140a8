#include "../ReportTestSupport.h"

#include "report/render/ReportDocument.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace marking::report;

class TestRender : public QObject {
    Q_OBJECT
private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        QVERIFY(WriteDefaultLayout(dir_->path(), true).ok());
    }

    void summary_sumsNumbersAndCountsTheRest_data() {
        QTest::addColumn<QList<QStringList>>("rows"); // team, date, count
        QTest::addColumn<QStringList>("teams");
        QTest::addColumn<QList<double>>("teamPipes");
        QTest::addColumn<QStringList>("days");
        QTest::addColumn<QList<double>>("dayPipes");
        QTest::addColumn<int>("nonNumeric");
        QTest::newRow("teams in code order, days in date order")
            << QList<QStringList>{{"D   조", "2006-10-01", "5"},
                                  {"A   조", "2006-9-30", "7"},
                                  {"D   조", "2006-09-30", " 3 "}}
            << QStringList{"A   조", "D   조"} << QList<double>{7, 8}
            << QStringList{"2006-09-30", "2006-10-01"} << QList<double>{10, 5} << 0;
        QTest::newRow("codes and other spellings are the listed team")
            << QList<QStringList>{{"3", "2006-09-30", "1"},
                                  {"D 조", "2006-09-30", "2"},
                                  {"D조", "2006-09-30", "4"},
                                  {"9", "2006-09-30", "8"}}
            << QStringList{"D   조", "9"} << QList<double>{7, 8} << QStringList{"2006-09-30"}
            << QList<double>{15} << 0;
        QTest::newRow("counts that are not numbers")
            << QList<QStringList>{{"A   조", "2006-09-30", ""},     {"A   조", "2006-09-30", "abc"},
                                  {"A   조", "2006-09-30", "12개"}, {"A   조", "2006-09-30", "inf"},
                                  {"A   조", "2006-09-30", "2.5"},  {"B   조", "2006-09-30", "-1"}}
            << QStringList{"A   조", "B   조"} << QList<double>{2.5, -1}
            << QStringList{"2006-09-30"} << QList<double>{1.5} << 4;
        QTest::newRow("dates that are not dates come last")
            << QList<QStringList>{{"A   조", "", "1"},
                                  {"A   조", "2007-02-30", "1"},
                                  {"A   조", "2007-01-01", "1"}}
            << QStringList{"A   조"} << QList<double>{3}
            << QStringList{"2007-01-01", "", "2007-02-30"} << QList<double>{1, 1, 1} << 0;
    }
    void summary_sumsNumbersAndCountsTheRest() {
        QFETCH(QList<QStringList>, rows);
        ReportTable t;
        t.fields = QStringList{"R_WorkTeam", "R_Date", "R_WorkVolume"};
        for (const QStringList& r : rows)
            t.Append(r);
        const ReportSummary s = Summarize(t, 0, 1, 2);
        QTEST(s.teams, "teams");
        QTEST(s.teamPipes, "teamPipes");
        QTEST(s.days, "days");
        QTEST(s.dayPipes, "dayPipes");
        QTEST(s.nonNumericRows, "nonNumeric");
        QCOMPARE(s.numericRows + s.nonNumericRows, rows.size());
        double total = 0;
        for (double v : s.dayPipes)
            total += v;
        QCOMPARE(s.totalPipes, total);
    }

    void printMdb_pdfHoldsRowsAndTotals() {
        const QList<QStringList> rows{
            {"1", "2006-09-30", "A   조", "단마킹", "KS D3507 SPP 50A", "6000", "120"},
            {"2", "2006-09-30", "D   조", "연속마킹", "@1ABC@7D 탄소강관", "5800", "35"},
            {"3", "2006-10-01", "D   조", "단마킹", "KS D3562 SPPS 80A", "6000", "abc"},
            {"4", "2006-10-01", "D   조", "파일마킹", "STPG 370 E", "", ""},
            {"5", "2006-10-01", "B   조", "단마킹", "API 5L X52", "6000", "40"}};
        QCOMPARE(reporttest::MakePrintMdb(dir_->path(), rows), QString());
        auto doc = LoadPrintReport(dir_->path());
        QVERIFY2(doc.ok(), qPrintable(doc.ok() ? QString() : doc.error().Text()));
        QCOMPARE(doc.value().RowCount(), 5);
        doc.value().SetPrintTime(QDateTime(QDate(2006, 10, 2), QTime(7, 30)));
        const QString pdf = QDir(dir_->path()).filePath("report.pdf");
        const auto pages = doc.value().WritePdf(pdf);
        QVERIFY2(pages.ok(), qPrintable(pages.ok() ? QString() : pages.error().Text()));
        QCOMPARE(pages.value(), 1);

        const QString text = reporttest::PdfText(pdf);
        for (const QString& expected :
             QStringList{"작업현황 리포트", "출력일시: 2006-10-02 07:30", "KS D3507 SPP 50A",
                         "@1ABC@7D 탄소강관", "API 5L X52", "D 조", "연속마킹",
                         "작업 본수 합계: 195 본 (3건)", "작업 본수가 숫자가 아닌 행: 2건",
                         "근무 조별 작업 본수", "일자별 작업 본수", "일자별 근무 조별 작업 본수"})
            QVERIFY2(text.contains(expected), qPrintable(expected + " not in:\n" + text));
        QVERIFY(QString(text).remove(' ').contains("1/1쪽"));
        // The per-team and per-day lines: team A 1 row 120, D 1 row 35; 09-30 155, 10-01 40.
        QVERIFY2(text.contains(QRegularExpression("D 조\\s+1\\s+35")), qPrintable(text));
        QVERIFY2(text.contains(QRegularExpression("2006-09-30\\s+120\\s+0\\s+35\\s+155")),
                 qPrintable(text));
    }

    void manyRowsAndAStation_breakIntoPagesWithTheHeaderOnEach() {
        ReportTable t;
        t.fields = QStringList{"R_Station",       "R_NO",   "R_Date",   "R_WorkTeam",
                               "R_MarkingMethod", "R_Data", "R_Length", "R_WorkVolume"};
        for (int i = 1; i <= 150; ++i)
            t.Append({"4호기", QString::number(i), "2006-09-30", QString::number(i % 5), "단마킹",
                      QStringLiteral("ROW%1 ").arg(i) + QString(i == 7 ? 300 : 10, u'가'), "6000",
                      "1"});
        auto doc = ReportDocument::Create(ReadProgramLayout(dir_->path()).value(), t);
        QVERIFY(doc.ok());
        const QString pdf = QDir(dir_->path()).filePath("many.pdf");
        const auto pages = doc.value().WritePdf(pdf);
        QVERIFY(pages.ok());
        QVERIFY(pages.value() >= 4);
        const QString text = reporttest::PdfText(pdf);
        const auto headers = text.count("호 기"); // on every page of the list
        QVERIFY2(headers >= pages.value() - 1 && headers <= pages.value(),
                 qPrintable(QString::number(headers)));
        for (const QString& expected :
             QStringList{"ROW1 ", "ROW150 ", "4호기", "E 조", "작업 본수 합계: 150 본"})
            QVERIFY2(text.contains(expected), qPrintable(expected));
        const QString compact = QString(text).remove(' ');
        for (int page = 1; page <= pages.value(); ++page)
            QVERIFY(compact.contains(QStringLiteral("%1/%2쪽").arg(page).arg(pages.value())));
    }

    void unwritablePdf_isAnErrorNamingTheFile() {
        QCOMPARE(reporttest::MakePrintMdb(dir_->path(), {}), QString());
        auto doc = LoadPrintReport(dir_->path());
        QVERIFY(doc.ok());
        const QString pdf = QDir(dir_->path()).filePath("no/such/folder/r.pdf");
        const auto pages = doc.value().WritePdf(pdf);
        QVERIFY(!pages.ok());
        QVERIFY(pages.error().Text().startsWith(pdf));
    }

private:
    std::unique_ptr<QTemporaryDir> dir_;
};

QTEST_MAIN(TestRender)
#include "tst_render.moc"

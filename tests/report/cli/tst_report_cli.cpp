#include "../ReportTestSupport.h"

#include "report/render/ReportLayout.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

namespace {
struct Run {
    int exitCode = -1;
    QJsonObject json;
    QByteArray err;
};

Run markingctl(const QStringList& args) {
    QProcess p;
    p.setProgram(QDir(qEnvironmentVariable("MARKING_PROGRAM_DIR")).filePath("markingctl"));
    p.setArguments(args);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("QT_QPA_PLATFORM"); // the tool needs no screen of its own
    p.setProcessEnvironment(env);
    p.start();
    Run r;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.json = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
    r.err = p.readAllStandardError();
    return r;
}
} // namespace

class TestReportCli : public QObject {
    Q_OBJECT
private slots:
    void dbInitThenReport_writesTheLayoutAndThePdf() {
        QTemporaryDir dir;
        QCOMPARE(markingctl({"db", "init", dir.path()}).exitCode, 0);
        QVERIFY(QFile::exists(QDir(dir.path()).filePath("WorkReport.rpt")));
        QCOMPARE(
            reporttest::MakePrintMdb(
                dir.path(), {{"1", "2006-09-30", "C   조", "단마킹", "CLI ROW", "6000", "17"},
                             {"2", "2006-09-30", "C   조", "단마킹", "CLI ROW 2", "6000", "x"}}),
            QString());
        const QString pdf = QDir(dir.path()).filePath("out.pdf");
        const Run r = markingctl({"report", "--pdf", pdf, dir.path()});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.json.value("rows").toInt(), 2);
        QCOMPARE(r.json.value("pages").toInt(), 1);
        QCOMPARE(r.json.value("pipes").toDouble(), 17.0);
        QCOMPARE(r.json.value("non_numeric_rows").toInt(), 1);
        const QString text = reporttest::PdfText(pdf);
        QVERIFY2(text.contains("CLI ROW 2") && text.contains("작업 본수 합계: 17 본"),
                 qPrintable(text));
    }

    void faults_exitThreeOrTwo_data() {
        QTest::addColumn<QString>("layout"); // appended to the default; "-" removes the file
        QTest::addColumn<bool>("printMdb");
        QTest::addColumn<QStringList>("args"); // before the directory
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("error");
        const QStringList pdf{"report", "--pdf", "out.pdf"};
        QTest::newRow("malformed layout")
            << "colour = red\n"
            << true << pdf << 3 << "WorkReport.rpt %1행"; // the appended line
        QTest::newRow("no layout") << "-" << true << pdf << 3 << "WorkReport.rpt:";
        QTest::newRow("no Print.mdb") << "" << false << pdf << 3 << "Print.mdb";
        QTest::newRow("no --pdf") << "" << true << QStringList{"report"} << 2 << "";
        QTest::newRow("two directories") << "" << true << (pdf + QStringList{"x"}) << 2 << "";
    }
    void faults_exitThreeOrTwo() {
        QFETCH(QString, layout);
        QFETCH(bool, printMdb);
        QFETCH(QStringList, args);
        QTemporaryDir dir;
        const QString rpt = QDir(dir.path()).filePath("WorkReport.rpt");
        QFile f(rpt);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(marking::report::DefaultLayoutText().toUtf8() + layout.toUtf8());
        f.close();
        if (layout == "-")
            QVERIFY(QFile::remove(rpt));
        if (printMdb)
            QCOMPARE(reporttest::MakePrintMdb(dir.path(), {}), QString());
        QDir::setCurrent(dir.path());
        const Run r = markingctl(args + QStringList{dir.path()});
        QTEST(r.exitCode, "exitCode");
        QFETCH(QString, error);
        if (error.contains("%1"))
            error = error.arg(marking::report::DefaultLayoutText().count(u'\n') + 1);
        QVERIFY2(r.json.value("error").toString().contains(error),
                 qPrintable(r.json.value("error").toString()));
        QVERIFY(!QFile::exists(QDir(dir.path()).filePath("out.pdf")));
    }
};

QTEST_GUILESS_MAIN(TestReportCli)
#include "tst_report_cli.moc"

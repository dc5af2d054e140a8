// The work report over the whole plant: the source list, the station column,
// printing without deletion, the delivery lamp and markingctl's plant-wide PDF.
#include "../ReportTestSupport.h"
#include "../screen/WorkReportTestSupport.h"
#include "PgServer.h"

#include "central/Outbox.h"
#include "central/Sender.h"
#include "central/Sync.h"
#include "common/MessagePort.h"
#include "common/SettingsStore.h"
#include "report/preview/ReportPreviewWindow.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>

using namespace marking;
using namespace marking::report;
using namespace reportscreen;

class TestPlantReport : public QObject {
    Q_OBJECT
    SettingsDir settings_;
    ScriptedMessagePort port_;
    PgServer server_;
    std::unique_ptr<StationDir> other_; // LINE-2
    std::unique_ptr<StationDir> here_;  // LINE-1, the program directory
    QString url_;

    // Works saved at a station with their outbox rows, then delivered.
    bool deliver(StationDir& dir, const QString& id, QDate day, int team, int count,
                 const QString& tag) {
        const central::Settings s{url_, id};
        const QList<qint64> keys = dir.Add(day, team, count, tag, 3);
        store::Connection conn;
        if (keys.isEmpty() || !conn.Open(dir.path(), store::DatabaseFile::Report).ok())
            return false;
        for (const qint64 key : keys) {
            if (!central::AppendOutbox(conn, key, s).ok())
                return false;
        }
        const central::SyncResult r = central::SyncOnce(s, dir.path());
        if (!r.ok)
            qWarning("%s", qPrintable(r.reason));
        return r.ok && r.pending == 0;
    }
    QStringList messages() const {
        QStringList out;
        for (const auto& m : port_.Messages())
            out << m.text;
        return out;
    }
    QString down() const {
        return QString(url_).replace(QString::number(server_.Port()),
                                     QString::number(PgServer::FreePort()));
    }

private slots:
    void initTestCase() {
        SetMessagePort(&port_);
        qputenv("PGPASSFILE", settings_.dir.filePath(QStringLiteral("none")).toLocal8Bit());
        QVERIFY2(server_.Start(), qPrintable(server_.Error()));
        QVERIFY(server_.Exec(QStringLiteral("CREATE ROLE station LOGIN PASSWORD 'pw'")));
        QVERIFY(server_.Exec(QStringLiteral("CREATE DATABASE plant OWNER station")));
        url_ =
            server_.Url(QStringLiteral("station"), QStringLiteral("pw"), QStringLiteral("plant"));
        other_ = std::make_unique<StationDir>();
        here_ = std::make_unique<StationDir>();
        QVERIFY(deliver(*here_, "LINE-1", {2006, 9, 30}, 3, 2, "HERE"));
        QVERIFY(deliver(*other_, "LINE-2", {2006, 10, 1}, 3, 1, "THERE"));
        QVERIFY(deliver(*other_, "LINE-2", {2006, 10, 1}, 1, 1, "TEAM B"));
        SetProgramDirectory(here_->path());
        QCOMPARE(WriteSetting("CentralReport/StationId", "LINE-1"), QString());
    }
    void cleanupTestCase() {
        central::StopCentralReporting();
        SetMessagePort(nullptr);
        QVERIFY(server_.Stop());
    }
    void init() {
        port_.Clear();
        QCOMPARE(WriteSetting("CentralReport/Url", url_), QString());
    }

    void plantSource_stationColumnPrintedNeverDeleted() {
        Screen s;
        QVERIFY(s->CboDataSource->isVisible());
        s->CboSearchMethod->setCurrentIndex(1);
        for (const auto& [list, text] : {std::pair{s->CboStartYear, "2006"},
                                         {s->CboStartMonth, "9"},
                                         {s->CboStartDay, "30"},
                                         {s->CboEndYear, "2006"},
                                         {s->CboEndMonth, "10"},
                                         {s->CboEndDay, "1"}})
            Pick(list, text);
        s->CboWorkTeam->setCurrentIndex(3);
        s->CboDataSource->setCurrentIndex(1);
        QTest::keyClick(s->CboWorkTeam, Qt::Key_F6);
        QTRY_VERIFY_WITH_TIMEOUT(!s->Searching(), 20000);
        QCOMPARE(messages(), QStringList());
        QCOMPARE(s->FlxWorkReport->columnCount(), 9);
        QCOMPARE(s->Grid().Text(0, 8), QStringLiteral("스테이션"));
        QCOMPARE(s.Column(8), (QStringList{"LINE-1", "LINE-1", "LINE-2"}));
        QCOMPARE(s.Column(4), (QStringList{"HERE1", "HERE2", "THERE1"}));
        QCOMPARE(s.Column(2), (QStringList{"D   조", "D   조", "D   조"}));

        // Printed with its station column; Print.mdb is not used, nothing deleted.
        const QString pdf = here_->file(QStringLiteral("plant.pdf"));
        FomWorkReport::SetPreviewRunner([&](ReportPreviewWindow& w) {
            w.SetPdfPathChooser([&](QWidget*, const QString&) { return pdf; });
            w.ScmdSavePdf->click();
        });
        s->CboPrintData->setCurrentIndex(1);
        QTest::keyClick(s->CboWorkTeam, Qt::Key_F8);
        FomWorkReport::SetPreviewRunner({});
        const QString text = reporttest::PdfText(pdf);
        QVERIFY2(text.contains("LINE-2") && text.contains("THERE1") && text.contains("HERE2"),
                 qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("합계: 9 본 (3건)")), qPrintable(text));
        port_.Clear();
        QTest::keyClick(s->CboWorkTeam, Qt::Key_F7);
        QCOMPARE(port_.Questions().size(), 0);
        QCOMPARE(messages().size(), 1);
        QCOMPARE(here_->Data(), (QStringList{"HERE1", "HERE2"}));
        QCOMPARE(other_->Data(), (QStringList{"THERE1", "TEAM B1"}));

        // This station again: eight columns, its own rows.
        s->CboDataSource->setCurrentIndex(0);
        QTest::keyClick(s->CboWorkTeam, Qt::Key_F9);
        QCOMPARE(s->FlxWorkReport->columnCount(), 8);
        QCOMPARE(s.Column(4), (QStringList{"HERE1", "HERE2"}));
    }

    void lampAndSearch_followTheServer_data() {
        QTest::addColumn<bool>("up");
        QTest::newRow("server up") << true;
        QTest::newRow("server unreachable") << false;
    }
    void lampAndSearch_followTheServer() {
        QFETCH(bool, up);
        if (!up)
            QCOMPARE(WriteSetting("CentralReport/Url", down()), QString());
        {
            store::Connection conn;
            QVERIFY(conn.Open(here_->path(), store::DatabaseFile::Report).ok());
            QVERIFY(central::AppendOutbox(conn, 1).ok()); // HERE1 again: already there
        }
        QVERIFY(central::StartCentralReporting(here_->path()));
        {
            Screen s;
            const QString expected =
                up ? QStringLiteral("중앙 전송 완료") : QStringLiteral("중앙 전송 실패 (대기 1건)");
            QTRY_COMPARE_WITH_TIMEOUT(s->LblCentralDelivery->text(), expected, 20000);
            QVERIFY(s->LblCentralDelivery->isVisible());
            if (!up)
                QVERIFY(s->LblCentralDelivery->toolTip().contains(
                    QStringLiteral("연결할 수 없습니다")));
            s->CboDataSource->setCurrentIndex(1);
            QTest::keyClick(s->CboWorkTeam, Qt::Key_F9);
            QTRY_VERIFY_WITH_TIMEOUT(!s->Searching(), 20000);
            QCOMPARE(s.Column(8).size(), up ? 4 : 0);
            QCOMPARE(messages().size(), up ? 0 : 1);
            if (!up)
                QVERIFY2(messages().first().contains(QStringLiteral("연결할 수 없습니다")),
                         qPrintable(messages().first()));
        }
        central::StopCentralReporting();
    }

    void cli_plantPdf_rangeOfOneTeam() {
        const QString pdf = here_->file(QStringLiteral("cli.pdf"));
        const auto markingctl = [&](const QString& url) {
            QProcess p;
            p.start(QDir(qEnvironmentVariable("MARKING_PROGRAM_DIR")).filePath("markingctl"),
                    {"report", "--central", url, "--pdf", pdf, "--from", "2006-09-01", "--to",
                     "2006-10-31", "--team", "3", here_->path()});
            p.waitForFinished(60000);
            return qMakePair(p.exitCode(),
                             QJsonDocument::fromJson(p.readAllStandardOutput()).object());
        };
        const auto failed = markingctl(down());
        QCOMPARE(failed.first, 1);
        QVERIFY(
            failed.second.value("error").toString().contains(QStringLiteral("연결할 수 없습니다")));
        QVERIFY(!QFile::exists(pdf));
        const auto [exitCode, out] = markingctl(url_);
        QCOMPARE(exitCode, 0);
        QCOMPARE(out.value("rows").toInt(), 3);
        QCOMPARE(out.value("stations").toInt(), 2);
        const QString text = reporttest::PdfText(pdf);
        QVERIFY2(text.contains("LINE-1") && text.contains("THERE1"), qPrintable(text));
        QVERIFY2(!text.contains("TEAM B1"), qPrintable(text));
    }
};

QTEST_MAIN(TestPlantReport)
#include "tst_plantreport.moc"

// The run screen's engine: pipe counting, the data line split and the work save.
#include "RunTestSupport.h"

#include "central/Outbox.h"
#include "central/Sender.h"
#include "run/engine/CurrentWork.h"
#include "run/engine/LineMonitor.h"
#include "run/engine/WorkSave.h"

#include <QElapsedTimer>

using namespace marking;
using namespace marking::run;
using namespace runtest;

class TestRunEngine : public QObject {
    Q_OBJECT
    std::unique_ptr<Environment> env_;

private slots:
    void initTestCase() { env_ = std::make_unique<Environment>(); }
    void init() {
        ResetSharedValues();
        env_->Set("CentralReport/Url", {});
    }

    void counting_data() {
        QTest::addColumn<bool>("automatic");
        QTest::addColumn<QList<int>>("channels");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("count");
        QTest::newRow("0,1,0,1") << true << QList<int>{0, 1, 0, 1} << "0"
                                 << "4";
        QTest::newRow("0,0,1") << true << QList<int>{0, 0, 1} << "0"
                               << "2";
        QTest::newRow("1,0") << true << QList<int>{1, 0} << "0"
                             << "1";
        QTest::newRow("other channels") << true << QList<int>{2, 5, 3} << "7"
                                        << "7";
        QTest::newRow("manual") << false << QList<int>{0, 1, 0, 1} << "0"
                                << "0";
        QTest::newRow("fraction") << true << QList<int>{0} << "2.5"
                                  << "3.5";
        QTest::newRow("no exponent") << true << QList<int>{0} << "99999"
                                     << "100000";
        QTest::newRow("not a number") << true << QList<int>{0, 1} << "abc"
                                      << "abc";
        QTest::newRow("empty") << true << QList<int>{0, 1} << ""
                               << "";
        QTest::newRow("infinite") << true << QList<int>{0} << "inf"
                                  << "inf";
    }
    void counting() {
        QFETCH(bool, automatic);
        QFETCH(QList<int>, channels);
        QFETCH(QString, start);
        QFETCH(QString, count);
        LineMonitor line;
        line.AutoMode = automatic;
        QString text = start;
        for (int channel : channels)
            if (const auto next = line.OnDiInterrupt(channel, 1, text))
                text = *next;
        QCOMPARE(text, count);
    }

    void emptyScan_countsNothing() {
        LineMonitor line;
        line.AutoMode = true;
        QVERIFY(!line.OnDiInterrupt(0, 0, "0"));
        QVERIFY(!line.PipeEntrySeen);
    }

    void poll_readsAtMostEightAndStopsAtAFailure() {
        LineMonitor line;
        QList<int> read;
        const auto ok = [&](int ch) -> std::optional<bool> {
            read << ch;
            return ch == kAutoModeInput || ch == kPaintFault;
        };
        QVERIFY(line.Poll(16, ok));
        QCOMPARE(read, (QList<int>{0, 1, 2, 3, 4, 5, 6, 7}));
        QVERIFY(line.AutoMode);
        QCOMPARE(line.StateOf(kPolledPanels[0]), PanelState::On);    // SSPanel39 "자동"
        QCOMPARE(line.StateOf(kPolledPanels[1]), PanelState::Off);   // SSPanel40 "수동"
        QCOMPARE(line.StateOf(kPolledPanels[6]), PanelState::Alarm); // SSPanel35 "페인트"

        read.clear();
        QVERIFY(!line.Poll(8, [&](int ch) -> std::optional<bool> {
            read << ch;
            return ch == 2 ? std::nullopt : std::optional<bool>(false);
        }));
        QCOMPARE(read.size(), 3);
        QVERIFY(line.AutoMode); // not repainted, so not changed
        QVERIFY(line.Poll(0, ok));
        QVERIFY(read.size() == 3 && line.AutoMode);
    }

    void split_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QList<int>>("lines");
        QTest::newRow("111") << 111 << "" << QList<int>{111, 0, 0};
        QTest::newRow("112") << 112 << "" << QList<int>{111, 1, 0};
        QTest::newRow("223") << 223 << "" << QList<int>{111, 111, 1};
        QTest::newRow("111 with prefix") << 111 << "@1(     )" << QList<int>{120, 0, 0};
        QTest::newRow("112 with prefix") << 112 << "@3(     )" << QList<int>{120, 1, 0};
    }
    void split() {
        QFETCH(int, length);
        QFETCH(QString, prefix);
        QFETCH(QList<int>, lines);
        QString data;
        for (int i = 0; i < length; ++i)
            data += QChar(u'A' + i % 26);
        const auto split = SplitMarkingData(data, prefix);
        QCOMPARE((QList<int>{int(split[0].size()), int(split[1].size()), int(split[2].size())}),
                 lines);
        QVERIFY(split[0].startsWith(prefix + "AB"));
        QCOMPARE(split[0].mid(prefix.size()) + split[1] + split[2], data);
        QCOMPARE(ParenthesisDisplay(3), QStringLiteral("@3(              )"));
    }

    void save_writesTheHeadOfTheList_data() {
        QTest::addColumn<bool>("withWork");
        QTest::addColumn<int>("method");
        QTest::addColumn<QString>("volume");
        QTest::addColumn<QVariant>("savedMethod");
        QTest::addColumn<QString>("data");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("team");
        QTest::addColumn<int>("savedVolume");
        QTest::newRow("empty list") << false << 0 << "" << QVariant("단마킹") << "" << 0 << 0 << 0;
        QTest::newRow("continuity")
            << true << 1 << "12" << QVariant("연속마킹") << "@1ABC" << 6000 << 3 << 12;
        QTest::newRow("method 3") << true << 3 << "4" << QVariant() << "@1ABC" << 6000 << 3 << 4;
    }
    void save_writesTheHeadOfTheList() {
        QFETCH(bool, withWork);
        QFETCH(int, method);
        QFETCH(QString, volume);
        QFETCH(QVariant, savedMethod);
        QFETCH(QString, data);
        QFETCH(int, length);
        QFETCH(int, team);
        QFETCH(int, savedVolume);
        ProgramDir dir;
        if (withWork) {
            AddWork("@1ABC", method, 0, 3);
            AddWork("@1LATER", 0);
        }
        Shared().MarkingWorkStarted = true;
        const QDate day(2024, 3, 7);
        for (int n = 1; n <= 2; ++n) {
            const auto saved = SaveWorkData(volume, day);
            QVERIFY2(saved.ok(), saved.ok() ? "" : qPrintable(saved.error().Text()));
            QCOMPARE(saved.value().workId, withWork ? 1 : 0);
            QVERIFY(!Shared().MarkingWorkStarted && Shared().MarkingText.isEmpty());
            const auto rows = ReportRows();
            QCOMPARE(rows.size(), n); // two saves, two rows
            const QVariantHash& r = rows.last();
            QCOMPARE(r.value("R_ID").toLongLong(), saved.value().reportId);
            QCOMPARE(r.value("R_Date").toString(), QStringLiteral("2024-03-07"));
            // Not written: a null of the column's type.
            QCOMPARE(r.value("R_MarkingMethod").isNull(), savedMethod.isNull());
            QCOMPARE(r.value("R_MarkingMethod").toString(), savedMethod.toString());
            QCOMPARE(r.value("R_Data").toString(), data);
            QCOMPARE(r.value("R_Length").toInt(), length);
            QCOMPARE(r.value("R_WorkTeam").toInt(), team);
            QCOMPARE(r.value("R_WorkVolume").toInt(), savedVolume);
        }
        QCOMPARE(Rows(store::Table::MarkingWork).size(), withWork ? 2 : 0); // the list stays
    }

    void save_refusesWhatItCannotStore_data() {
        QTest::addColumn<QVariant>("length");
        QTest::addColumn<QString>("volume");
        QTest::addColumn<QString>("named");
        QTest::newRow("null length") << QVariant() << "1"
                                     << "W_Length";
        QTest::newRow("count not whole") << QVariant(6000) << "abc"
                                         << "R_WorkVolume";
    }
    void save_refusesWhatItCannotStore() {
        QFETCH(QVariant, length);
        QFETCH(QString, volume);
        QFETCH(QString, named);
        ProgramDir dir;
        AddWork("@1ABC", 0, 0, 0, length);
        const auto saved = SaveWorkData(volume);
        QVERIFY(!saved.ok());
        QVERIFY2(saved.error().Text().contains(named), qPrintable(saved.error().Text()));
        QVERIFY(ReportRows().isEmpty());
    }

    void removeFinishedWork_removesThatWorkOnly() {
        ProgramDir dir;
        AddWork("@1ONE");
        AddWork("@1TWO");
        QVERIFY(RemoveFinishedWork(1).ok());
        QVERIFY(RemoveFinishedWork(1).ok()); // gone already: no error
        const auto left = Rows(store::Table::MarkingWork);
        QCOMPARE(left.size(), 1);
        QCOMPARE(left.first().value("W_Data").toString(), QStringLiteral("@1TWO"));
    }

    // With central reporting on and its server out of reach, the save still
    // writes both rows at once; off, no outbox is made.
    void save_withCentralReporting() {
        for (const bool on : {true, false}) {
            ProgramDir dir;
            AddWork("@1ABC");
            env_->Set("CentralReport/Url",
                      on ? QVariant("postgresql://station@127.0.0.1:1/plant") : QVariant());
            central::Sender* sender = central::StartCentralReporting(dir.path());
            QCOMPARE(sender != nullptr, on);
            const auto saved = SaveWorkData("5");
            central::StopCentralReporting();
            QVERIFY(saved.ok());
            QCOMPARE(ReportRows().size(), 1);
            store::Connection report;
            QVERIFY(report.Open(store::DatabaseFile::Report).ok());
            const auto waiting = central::CountOutbox(report);
            QVERIFY(waiting.ok());
            QCOMPARE(waiting.value(), on ? 1 : 0);
            if (on) {
                const auto rows = central::ReadOutbox(report, 10);
                QVERIFY(rows.ok() && rows.value().size() == 1);
                QCOMPARE(rows.value().first().rId, saved.value().reportId);
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestRunEngine)
#include "tst_run_engine.moc"

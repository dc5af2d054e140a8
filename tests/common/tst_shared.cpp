#include "common/MessagePort.h"
#include "common/ProgramDirectory.h"
#include "common/SharedValues.h"

#include <QTest>

using namespace marking;

class TestShared : public QObject {
    Q_OBJECT
private slots:
    void reset_clearsEveryValue() {
        Shared().MarkingText = QStringLiteral("ABC");
        Shared().ProgramSettings.PipeSide = 100;
        Shared().RunScreenActivated = true;
        ResetSharedValues();
        QVERIFY(Shared().MarkingText.isEmpty());
        QCOMPARE(Shared().ProgramSettings, ProgramSettingsRecord{});
        QVERIFY(!Shared().RunScreenActivated);
    }

    void names_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("team");
        QTest::newRow("0") << 0 << QStringLiteral("단마킹") << QStringLiteral("A 조");
        QTest::newRow("1") << 1 << QStringLiteral("연속마킹") << QStringLiteral("B 조");
        QTest::newRow("2") << 2 << QStringLiteral("파일마킹") << QStringLiteral("C 조");
        QTest::newRow("4") << 4 << QString() << QStringLiteral("E 조");
        QTest::newRow("-1") << -1 << QString() << QString();
        QTest::newRow("5") << 5 << QString() << QString();
    }
    void names() {
        QFETCH(int, code);
        QFETCH(QString, method);
        QFETCH(QString, team);
        QCOMPARE(MarkingMethodName(code), method);
        QCOMPARE(WorkTeamName(code), team);
    }

    void scriptedPort_answersInOrderThenDefault() {
        ScriptedMessagePort port;
        ScopedMessagePort guard(&port);
        port.QueueAnswers({Answer::Yes, Answer::No});
        port.SetDefaultAnswer(Answer::Yes);
        QCOMPARE(Messages().Ask("q1", "t"), Answer::Yes);
        QCOMPARE(Messages().Ask("q2", "t"), Answer::No);
        QCOMPARE(Messages().Ask("q3", "t"), Answer::Yes);
        Messages().ShowMessage("m", "확인!");
        Messages().Beep();
        QCOMPARE(port.Questions().size(), 3);
        QCOMPARE(port.Messages().size(), 1);
        QCOMPARE(port.Messages().front().title, QStringLiteral("확인!"));
        QCOMPARE(port.BeepCount(), 1);
    }

    void scopedPort_restoresPrevious() {
        ScriptedMessagePort outer;
        ScopedMessagePort g1(&outer);
        {
            ScriptedMessagePort inner;
            ScopedMessagePort g2(&inner);
            Messages().Beep();
            QCOMPARE(inner.BeepCount(), 1);
        }
        Messages().Beep();
        QCOMPARE(outer.BeepCount(), 1);
    }

    void programDirectory_dropsTrailingSeparator() {
        SetProgramDirectory(QStringLiteral("/tmp/station/"));
        QCOMPARE(ProgramDirectory(), QStringLiteral("/tmp/station"));
        QCOMPARE(ProgramFile("Database.mdb"), QStringLiteral("/tmp/station/Database.mdb"));
    }
};

QTEST_GUILESS_MAIN(TestShared)
#include "tst_shared.moc"

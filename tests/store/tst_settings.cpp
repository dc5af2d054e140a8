#include "StoreTestSupport.h"
#include "common/MessagePort.h"
#include "common/SharedValues.h"
#include "store/ModProgramSettingData.h"

#include <QFile>
#include <QTest>

using namespace marking;
using namespace marking::store;

namespace {
ProgramSettingsRecord sample() {
    ProgramSettingsRecord r;
    r.SingleMarking = 1;
    r.ContinuityMarking = 1;
    r.FileMarking = 0;
    r.PrintControler = 2;
    r.PLC = 2;
    r.CarvingMachine = 0;
    r.PipeSide = 150;
    r.DotDimension = 0.35;
    r.LetterIntervalDotVolume = 3;
    r.Revision = 1.02;
    r.HeadHome = 420;
    r.GAP = 12;
    r.Pulse = 2.5;
    r.StopperPulse = 0.75;
    r.PrintControlerComPort = 9;
    r.PLCComPort = 4;
    r.CarvingMachineComPort = 3;
    r.FileMarkingDataIntervalCheck = 1;
    return r;
}

bool writeSample(RawDb& raw, const ProgramSettingsRecord& r) {
    return raw.exec(
        QStringLiteral(
            "UPDATE ProgramSetting SET P_SingleMarking=?, P_ContinuityMarking=?, P_FileMarking=?, "
            "P_PrintControler=?, P_PLC=?, P_CarvingMachine=?, P_PipeSide=?, P_DotDimension=?, "
            "P_LetterIntervalDotVolume=?, P_Revision=?, P_HeadHome=?, P_GAP=?, P_Pulse=?, "
            "P_StopperPulse=?, P_PrintControlerComPort=?, P_PLCComPort=?, "
            "P_CarvingMachineComPort=?, P_FileMarkingDataIntervalCheck=?"),
        {r.SingleMarking, r.ContinuityMarking, r.FileMarking, r.PrintControler, r.PLC,
         r.CarvingMachine, r.PipeSide, r.DotDimension, r.LetterIntervalDotVolume, r.Revision,
         r.HeadHome, r.GAP, r.Pulse, r.StopperPulse, r.PrintControlerComPort, r.PLCComPort,
         r.CarvingMachineComPort, r.FileMarkingDataIntervalCheck});
}
} // namespace

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void init() { ResetSharedValues(); }

    void oneRow_copiesEveryMember() {
        TestProgramDir dir;
        QVERIFY(dir.ok());
        {
            RawDb raw(dir.database());
            QVERIFY(writeSample(raw, sample()));
        }
        QVERIFY(ModProgramSettingData().ok());
        QCOMPARE(Shared().ProgramSettings, sample());
        // Port index 9 is "COM 10".
        QCOMPARE(Shared().ProgramSettings.PrintControlerComPort + 1, 10);
    }

    void freshFiles_loadTheDeliveredDefaults() {
        TestProgramDir dir;
        QVERIFY(dir.ok());
        QVERIFY(ModProgramSettingData().ok());
        const ProgramSettingsRecord& r = Shared().ProgramSettings;
        QCOMPARE(r.PrintControler, qint16(ControllerTRX20));
        QCOMPARE(r.PrintControlerComPort, qint16(0));
        QVERIFY(r.PLCComPort != r.CarvingMachineComPort);
        QVERIFY(r.PLCComPort != r.PrintControlerComPort);
        QVERIFY(r.CarvingMachineComPort != r.PrintControlerComPort);
        QCOMPARE(r.PipeSide, 100);
        QCOMPARE(r.DotDimension, 0.1);
        QCOMPARE(r.LetterIntervalDotVolume, 2);
        QCOMPARE(r.Revision, 1.0);
        QCOMPARE(r.Pulse, 1.0);
        QCOMPARE(r.StopperPulse, 1.0);
        QVERIFY(r.HeadHome > 0);
        QVERIFY(r.GAP > 0);
    }

    void notExactlyOneRow_recordUnchanged_data() {
        QTest::addColumn<QString>("arrange");
        QTest::addColumn<bool>("loadedBefore");
        QTest::newRow("two rows") << "INSERT INTO ProgramSetting (P_PipeSide) VALUES (1)" << true;
        QTest::newRow("two rows, first start")
            << "INSERT INTO ProgramSetting (P_PipeSide) VALUES (1)" << false;
        QTest::newRow("no row") << "DELETE FROM ProgramSetting" << true;
        QTest::newRow("only a row with key 0") << "UPDATE ProgramSetting SET P_ID = 0" << true;
    }
    void notExactlyOneRow_recordUnchanged() {
        QFETCH(QString, arrange);
        QFETCH(bool, loadedBefore);
        TestProgramDir dir;
        QVERIFY(dir.ok());
        const ProgramSettingsRecord before = loadedBefore ? sample() : ProgramSettingsRecord{};
        Shared().ProgramSettings = before;
        {
            RawDb raw(dir.database());
            QVERIFY(raw.exec(arrange));
        }
        QVERIFY(ModProgramSettingData().ok());
        QCOMPARE(Shared().ProgramSettings, before);
        if (!loadedBefore) {
            // A first start: TRX-20 on "COM 1".
            QCOMPARE(Shared().ProgramSettings.PrintControler, qint16(0));
            QCOMPARE(Shared().ProgramSettings.PrintControlerComPort, qint16(0));
        }
    }

    void rowWithKeyZeroBesideTheRow_loadsTheRow() {
        TestProgramDir dir;
        QVERIFY(dir.ok());
        {
            RawDb raw(dir.database());
            QVERIFY(writeSample(raw, sample()));
            QVERIFY(raw.exec(
                QStringLiteral("INSERT INTO ProgramSetting (P_ID, P_PipeSide) VALUES (0, 999)")));
        }
        QVERIFY(ModProgramSettingData().ok());
        QCOMPARE(Shared().ProgramSettings, sample());
    }

    void unconvertibleColumn_errorNamesColumnAndRecordUnchanged_data() {
        QTest::addColumn<QString>("arrange");
        QTest::addColumn<QString>("column");
        QTest::newRow("empty whole number") << "UPDATE ProgramSetting SET P_HeadHome = NULL"
                                            << "P_HeadHome";
        QTest::newRow("empty last column")
            << "UPDATE ProgramSetting SET P_FileMarkingDataIntervalCheck = NULL"
            << "P_FileMarkingDataIntervalCheck";
        QTest::newRow("empty decimal") << "UPDATE ProgramSetting SET P_Pulse = NULL"
                                       << "P_Pulse";
        QTest::newRow("too big for 16 bits") << "UPDATE ProgramSetting SET P_PLC = 70000"
                                             << "P_PLC";
        QTest::newRow("missing column") << "ALTER TABLE ProgramSetting DROP COLUMN P_GAP"
                                        << "P_GAP";
    }
    void unconvertibleColumn_errorNamesColumnAndRecordUnchanged() {
        QFETCH(QString, arrange);
        QFETCH(QString, column);
        TestProgramDir dir;
        QVERIFY(dir.ok());
        {
            RawDb raw(dir.database());
            QVERIFY(writeSample(raw, sample()));
            QVERIFY(raw.exec(arrange));
        }
        const ProgramSettingsRecord before{};
        const Status s = ModProgramSettingData();
        QVERIFY(!s.ok());
        QVERIFY(s.error().Text().contains(column));
        QVERIFY(s.error().Text().contains(QStringLiteral("Database.mdb")));
        // Not even the columns before the failing one were taken.
        QCOMPARE(Shared().ProgramSettings, before);
    }

    void missingFile_errorReachesCallerAndShows() {
        TestProgramDir dir(false);
        Shared().ProgramSettings = sample();
        const Status s = ModProgramSettingData();
        QVERIFY(!s.ok());
        QCOMPARE(s.error().kind, StoreError::Kind::MissingFile);
        QCOMPARE(Shared().ProgramSettings, sample());
        QVERIFY(!QFile::exists(dir.database()));

        ScriptedMessagePort port;
        ScopedMessagePort guard(&port);
        QVERIFY(!s.ReportIfFailed());
        QCOMPARE(port.Messages().size(), 1);
        QCOMPARE(port.Messages().first().title, QStringLiteral("데이터베이스 오류!"));
        QVERIFY(port.Messages().first().text.contains(dir.database()));
    }

    void flags_readStraightFromTheRow_data() {
        QTest::addColumn<QString>("arrange");
        QTest::addColumn<int>("deleteCheck"); // -1: no value (not exactly one row)
        QTest::addColumn<int>("nullDelete");
        QTest::newRow("delivered") << "" << 0 << 1;
        QTest::newRow("both set")
            << "UPDATE ProgramSetting SET P_MarkingWorkDeleteCheck = 1, P_NullRecordDelete = 1" << 1
            << 1;
        QTest::newRow("both clear")
            << "UPDATE ProgramSetting SET P_MarkingWorkDeleteCheck = 0, P_NullRecordDelete = 0" << 0
            << 0;
        QTest::newRow("empty column is false")
            << "UPDATE ProgramSetting SET P_NullRecordDelete = NULL" << 0 << 0;
        QTest::newRow("two rows")
            << "INSERT INTO ProgramSetting (P_MarkingWorkDeleteCheck, P_NullRecordDelete) "
               "VALUES (1, 1)"
            << -1 << -1;
        QTest::newRow("no row") << "DELETE FROM ProgramSetting" << -1 << -1;
    }
    void flags_readStraightFromTheRow() {
        QFETCH(QString, arrange);
        QFETCH(int, deleteCheck);
        QFETCH(int, nullDelete);
        TestProgramDir dir;
        QVERIFY(dir.ok());
        if (!arrange.isEmpty()) {
            RawDb raw(dir.database());
            QVERIFY(raw.exec(arrange));
        }
        const auto toInt = [](const std::optional<bool>& v) { return v ? int(*v) : -1; };
        const Result<std::optional<bool>> d = ReadMarkingWorkDeleteCheck();
        const Result<std::optional<bool>> n = ReadNullRecordDelete();
        QVERIFY(d.ok());
        QVERIFY(n.ok());
        QCOMPARE(toInt(d.value()), deleteCheck);
        QCOMPARE(toInt(n.value()), nullDelete);
    }

    // A table that is not STRICT (an imported or hand-altered file) takes any
    // value: only a number or a boolean reads as a flag.
    void flags_looseTable_typedRead_data() {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<int>("flag"); // -1: conversion error
        QTest::newRow("text no") << QVariant("no") << -1;
        QTest::newRow("real true") << QVariant(1.0) << 1;
        QTest::newRow("real zero") << QVariant(0.0) << 0;
    }
    void flags_looseTable_typedRead() {
        QFETCH(QVariant, value);
        QFETCH(int, flag);
        TestProgramDir dir;
        QVERIFY(dir.ok());
        {
            RawDb raw(dir.database());
            for (const char* sql :
                 {"CREATE TABLE t AS SELECT * FROM ProgramSetting", "DROP TABLE ProgramSetting",
                  "ALTER TABLE t RENAME TO ProgramSetting"})
                QVERIFY(raw.exec(QLatin1String(sql)));
            QVERIFY(raw.exec("UPDATE ProgramSetting SET P_MarkingWorkDeleteCheck = ?, "
                             "P_NullRecordDelete = ?",
                             {value, value}));
        }
        for (const auto& r : {ReadMarkingWorkDeleteCheck(), ReadNullRecordDelete()}) {
            QCOMPARE(r.ok(), flag >= 0);
            if (r.ok())
                QCOMPARE(r.value(), std::optional<bool>(flag == 1));
            else
                QVERIFY(r.error().Text().contains(QStringLiteral("Database.mdb: 열 P_")));
        }
    }

    void flags_missingFileOrColumn_error() {
        {
            TestProgramDir dir(false);
            QCOMPARE(ReadNullRecordDelete().error().kind, StoreError::Kind::MissingFile);
        }
        TestProgramDir dir;
        QVERIFY(dir.ok());
        {
            RawDb raw(dir.database());
            QVERIFY(raw.exec(
                QStringLiteral("ALTER TABLE ProgramSetting DROP COLUMN P_MarkingWorkDeleteCheck")));
        }
        QCOMPARE(ReadMarkingWorkDeleteCheck().error().kind, StoreError::Kind::MissingColumn);
        QVERIFY(ReadNullRecordDelete().ok());
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"

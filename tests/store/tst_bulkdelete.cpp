#include "StoreTestSupport.h"
#include "store/BulkDelete.h"
#include "store/Connection.h"

#include <QTest>

using namespace marking;
using namespace marking::store;

namespace {
using Operation = Status (*)();

struct Op {
    Operation run;
    QString table;
    QString key;
};

Op opNamed(const QString& name) {
    if (name == u"work")
        return {ModMarkingWorkAllDelete, QStringLiteral("MarkingWork"), QStringLiteral("W_ID")};
    if (name == u"null")
        return {ModMarkingWorkDatabaseNullRecordDelete, QStringLiteral("MarkingWork"),
                QStringLiteral("W_ID")};
    return {ModMarkingDataAllDelete, QStringLiteral("MarkingSetting"), QStringLiteral("M_ID")};
}

// Rows: key 0 without data, then nulls and texts.
bool fillWork(RawDb& raw) {
    return raw.exec(QStringLiteral("INSERT INTO MarkingWork (W_ID, W_Data) VALUES (0, NULL)")) &&
           raw.exec(QStringLiteral("INSERT INTO MarkingWork (W_Data) VALUES ('A')")) &&
           raw.exec(QStringLiteral("INSERT INTO MarkingWork (W_Data) VALUES (NULL)")) &&
           raw.exec(QStringLiteral("INSERT INTO MarkingWork (W_Data) VALUES (NULL)")) &&
           raw.exec(QStringLiteral("INSERT INTO MarkingWork (W_Data) VALUES (NULL)")) &&
           raw.exec(QStringLiteral("INSERT INTO MarkingWork (W_Data) VALUES ('')")) &&
           raw.exec(QStringLiteral("INSERT INTO MarkingWork (W_Data) VALUES (NULL)"));
}
bool fillSetting(RawDb& raw) {
    return raw.exec(QStringLiteral("INSERT INTO MarkingSetting (M_ID, M_Data) VALUES (0, 'Z')")) &&
           raw.exec(QStringLiteral("INSERT INTO MarkingSetting (M_Data) VALUES ('A')")) &&
           raw.exec(QStringLiteral("INSERT INTO MarkingSetting (M_Data) VALUES (NULL)")) &&
           raw.exec(QStringLiteral("INSERT INTO MarkingSetting (M_Data) VALUES ('B')"));
}
} // namespace

class TestBulkDelete : public QObject {
    Q_OBJECT
private slots:
    void init() { Connection::SetDefaultBusyTimeout(2000); }

    void operations_removeTheirRows_data() {
        QTest::addColumn<QString>("op");
        QTest::addColumn<QList<int>>("left");
        // Work rows: 0 (null), 1 'A', 2 null, 3 null, 4 null, 5 '', 6 null.
        QTest::newRow("work list, key 0 too") << "work" << QList<int>{};
        QTest::newRow("null rows: empty text and key 0 stay, three in a row go")
            << "null" << QList<int>{0, 1, 5};
        QTest::newRow("marking data, key 0 too") << "setting" << QList<int>{};
    }
    void operations_removeTheirRows() {
        QFETCH(QString, op);
        QFETCH(QList<int>, left);
        TestProgramDir dir;
        QVERIFY(dir.ok());
        {
            RawDb raw(dir.database());
            QVERIFY(fillWork(raw));
            QVERIFY(fillSetting(raw));
        }
        const Op o = opNamed(op);
        const Status s = o.run();
        QVERIFY2(s.ok(), qPrintable(s.ok() ? QString() : s.error().Text()));
        RawDb raw(dir.database());
        QCOMPARE(raw.keys(o.table, o.key), left);
        // The other table is untouched.
        if (o.table == u"MarkingWork")
            QCOMPARE(raw.count(QStringLiteral("MarkingSetting")), 4);
        else
            QCOMPARE(raw.count(QStringLiteral("MarkingWork")), 7);
    }

    void emptyTable_nothingHappens_data() {
        QTest::addColumn<QString>("op");
        QTest::newRow("work") << "work";
        QTest::newRow("null") << "null";
        QTest::newRow("setting") << "setting";
    }
    void emptyTable_nothingHappens() {
        QFETCH(QString, op);
        TestProgramDir dir;
        QVERIFY(dir.ok());
        QVERIFY(opNamed(op).run().ok());
        RawDb raw(dir.database());
        QCOMPARE(raw.count(opNamed(op).table), 0);
        QCOMPARE(raw.count(QStringLiteral("SpecialLetter")), 100);
    }

    void rowFailsPartWay_tableAsItWasAndReported_data() {
        QTest::addColumn<QString>("op");
        QTest::addColumn<QString>("trigger");
        QTest::newRow("work") << "work"
                              << "CREATE TRIGGER t BEFORE DELETE ON MarkingWork WHEN OLD.W_ID = 4 "
                                 "BEGIN SELECT RAISE(ABORT, 'row 4 held'); END";
        QTest::newRow("null") << "null"
                              << "CREATE TRIGGER t BEFORE DELETE ON MarkingWork WHEN OLD.W_ID = 4 "
                                 "BEGIN SELECT RAISE(ABORT, 'row 4 held'); END";
        QTest::newRow("setting")
            << "setting"
            << "CREATE TRIGGER t BEFORE DELETE ON MarkingSetting WHEN OLD.M_ID = 3 "
               "BEGIN SELECT RAISE(ABORT, 'row 3 held'); END";
    }
    void rowFailsPartWay_tableAsItWasAndReported() {
        QFETCH(QString, op);
        QFETCH(QString, trigger);
        TestProgramDir dir;
        QVERIFY(dir.ok());
        QList<int> before;
        const Op o = opNamed(op);
        {
            RawDb raw(dir.database());
            QVERIFY(fillWork(raw));
            QVERIFY(fillSetting(raw));
            QVERIFY(raw.exec(trigger));
            before = raw.keys(o.table, o.key);
        }
        const Status s = o.run();
        QVERIFY(!s.ok());
        QVERIFY(s.error().Text().contains(QStringLiteral("Database.mdb")));
        QVERIFY(s.error().Text().contains(QStringLiteral("held")));
        RawDb raw(dir.database());
        QCOMPARE(raw.keys(o.table, o.key), before);
    }

    void lockedFile_reportedAndNothingDeleted() {
        TestProgramDir dir;
        QVERIFY(dir.ok());
        RawDb holder(dir.database());
        QVERIFY(fillWork(holder));
        QVERIFY(holder.exec(QStringLiteral("BEGIN IMMEDIATE")));
        QVERIFY(holder.exec(QStringLiteral("UPDATE CarvingWork SET C_CarvingPipe = 1")));
        Connection::SetDefaultBusyTimeout(150);
        const Status s = ModMarkingWorkAllDelete();
        QVERIFY(!s.ok());
        QCOMPARE(s.error().kind, StoreError::Kind::Locked);
        QVERIFY(s.error().Text().contains(QStringLiteral("Database.mdb")));
        QVERIFY(holder.exec(QStringLiteral("ROLLBACK")));
        QCOMPARE(holder.count(QStringLiteral("MarkingWork")), 7);
    }

    void missingFileOrColumn_reported() {
        {
            TestProgramDir dir(false);
            QCOMPARE(ModMarkingWorkAllDelete().error().kind, StoreError::Kind::MissingFile);
            QCOMPARE(ModMarkingDataAllDelete().error().kind, StoreError::Kind::MissingFile);
            QCOMPARE(ModMarkingWorkDatabaseNullRecordDelete().error().kind,
                     StoreError::Kind::MissingFile);
        }
        TestProgramDir dir;
        QVERIFY(dir.ok());
        {
            RawDb raw(dir.database());
            QVERIFY(fillWork(raw));
            QVERIFY(raw.exec(QStringLiteral("ALTER TABLE MarkingWork DROP COLUMN W_Data")));
        }
        const Status s = ModMarkingWorkDatabaseNullRecordDelete();
        QCOMPARE(s.error().kind, StoreError::Kind::MissingColumn);
        QVERIFY(s.error().Text().contains(QStringLiteral("W_Data")));
        RawDb raw(dir.database());
        QCOMPARE(raw.count(QStringLiteral("MarkingWork")), 7);
    }
};

QTEST_GUILESS_MAIN(TestBulkDelete)
#include "tst_bulkdelete.moc"

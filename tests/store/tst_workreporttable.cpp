#include "StoreTestSupport.h"

#include "store/Columns.h"
#include "store/Connection.h"
#include "store/QueryText.h"
#include "store/Recordset.h"
#include "store/WorkReportTable.h"

using namespace marking::store;

class TestWorkReportTable : public QObject {
    Q_OBJECT

    // Report.mdb of dir with rows of three days, two teams, and a row with
    // nulls.
    static bool fill(const TestProgramDir& dir) {
        RawDb raw(dir.file("Report.mdb"));
        const QVariantList rows[] = {
            {"2006-10-01", 3, "단마킹", "B", 6000, 2},
            {"2006-09-30", 3, "연속마킹", "A", 5800, 4},
            {"2006-09-30", 1, "단마킹", "C", 6000, 1},
            {"2006-10-02", 3, QVariant(), QVariant(), QVariant(), QVariant()}};
        for (const QVariantList& r : rows) {
            if (!raw.exec("INSERT INTO WorkReport (R_Date, R_WorkTeam, R_MarkingMethod, R_Data, "
                          "R_Length, R_WorkVolume) VALUES (?, ?, ?, ?, ?, ?)",
                          r))
                return false;
        }
        return true;
    }

private slots:
    void read_sameRowsAsTheRecordset_data() {
        QTest::addColumn<QString>("query");
        QTest::addColumn<int>("rows");
        QTest::newRow("by date") << QueryText::WorkReportByDate() << 4;
        QTest::newRow("by key") << QueryText::AllByKey(Table::WorkReport) << 4;
        QTest::newRow("one day, one team") << QueryText::WorkReportOfDay({2006, 9, 30}, 3) << 1;
        QTest::newRow("range, one team")
            << QueryText::WorkReportBetween({2006, 9, 30}, {2006, 10, 2}, 3) << 3;
    }
    void read_sameRowsAsTheRecordset() {
        QFETCH(QString, query);
        QFETCH(int, rows);
        TestProgramDir dir;
        QVERIFY(dir.ok() && fill(dir));
        Connection conn;
        QVERIFY(conn.Open(dir.path(), DatabaseFile::Report).ok());
        const Result<QList<QStringList>> read = WorkReportTable::Read(conn, query);
        QVERIFY(read.ok());
        Recordset rs;
        QVERIFY(rs.Open(query, conn).ok());
        QList<QStringList> expected;
        for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) {
            QStringList texts;
            for (const QString& c : WorkReportTable::Columns())
                texts << rs.Field(c).toString();
            expected << texts;
        }
        QCOMPARE(read.value(), expected);
        QCOMPARE(read.value().size(), rows);
    }

    void read_otherTablesAndTextsRefused() {
        TestProgramDir dir;
        QVERIFY(dir.ok());
        Connection conn;
        QVERIFY(conn.Open(dir.path(), DatabaseFile::Report).ok());
        for (const QString& text :
             {QueryText::AllByKey(Table::MarkingWork), QStringLiteral("select * from WorkReport; "
                                                                      "drop table WorkReport")}) {
            const auto read = WorkReportTable::Read(conn, text);
            QVERIFY(!read.ok());
            QCOMPARE(read.error().kind, StoreError::Kind::UnknownQuery);
        }
    }

    void deleteByKeys_listedRowsOnly_allOrNothing() {
        TestProgramDir dir;
        QVERIFY(dir.ok() && fill(dir));
        RawDb raw(dir.file("Report.mdb"));
        Connection conn;
        QVERIFY(conn.Open(dir.path(), DatabaseFile::Report).ok());

        // A key twice and a key the table does not hold delete nothing more.
        Result<int> deleted = WorkReportTable::DeleteByKeys(conn, {2, 4, 4, 999});
        QVERIFY(deleted.ok());
        QCOMPARE(deleted.value(), 2);
        QCOMPARE(raw.keys("WorkReport", "R_ID"), (QList<int>{1, 3}));

        // Inside the caller's transaction: undone with it.
        {
            Transaction tx(conn);
            QVERIFY(WorkReportTable::DeleteByKeys(conn, {1}).ok());
        }
        QCOMPARE(raw.keys("WorkReport", "R_ID"), (QList<int>{1, 3}));

        // A row that cannot be deleted: none is.
        QVERIFY(raw.exec("CREATE TRIGGER refuse BEFORE DELETE ON WorkReport WHEN old.R_ID = 3 "
                         "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
        deleted = WorkReportTable::DeleteByKeys(conn, {1, 3});
        QVERIFY(!deleted.ok());
        QVERIFY(deleted.error().Text().contains("Report.mdb"));
        QCOMPARE(raw.keys("WorkReport", "R_ID"), (QList<int>{1, 3}));
    }
};

QTEST_GUILESS_MAIN(TestWorkReportTable)
#include "tst_workreporttable.moc"

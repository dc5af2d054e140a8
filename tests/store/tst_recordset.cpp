#include "StoreTestSupport.h"
#include "store/Connection.h"
#include "store/Recordset.h"

#include <QFile>
#include <QSqlDatabase>
#include <QTest>
#include <sys/stat.h>

using namespace marking::store;
using Kind = StoreError::Kind;

Q_DECLARE_METATYPE(marking::store::DatabaseFile)

namespace {
// Adds one MarkingWork row through the store; returns its key (0 on failure).
int addWork(Connection& conn, const QVariant& data, const QVariant& length = QVariant()) {
    Recordset rs;
    if (!rs.Open(QStringLiteral("select * from MarkingWork where W_ID"), conn).ok())
        return 0;
    if (!rs.AddNew().ok())
        return 0;
    if (!data.isNull() && !rs.SetField(QStringLiteral("W_Data"), data).ok())
        return 0;
    if (length.isValid() && !rs.SetField(QStringLiteral("W_Length"), length).ok())
        return 0;
    if (!rs.Update().ok())
        return 0;
    return rs.Field(QStringLiteral("W_ID")).toInt();
}

QList<int> walkKeys(Connection& conn, const QString& query, const QString& key) {
    QList<int> keys;
    Recordset rs;
    if (!rs.Open(query, conn).ok())
        return {-1};
    if (!rs.Eof())
        rs.MoveFirst();
    while (!rs.Eof()) {
        keys << rs.Field(key).toInt();
        rs.MoveNext();
    }
    return keys;
}
} // namespace

class TestRecordset : public QObject {
    Q_OBJECT
private slots:
    void init() { Connection::SetDefaultBusyTimeout(2000); }

    // --- opening the files --------------------------------------------------

    void open_missingFile_reportsMissingAndMakesNoFile_data() {
        QTest::addColumn<DatabaseFile>("file");
        QTest::newRow("Database") << DatabaseFile::Database;
        QTest::newRow("Report") << DatabaseFile::Report;
        QTest::newRow("Print") << DatabaseFile::Print;
    }
    void open_missingFile_reportsMissingAndMakesNoFile() {
        QFETCH(DatabaseFile, file);
        TestProgramDir dir(false);
        Connection conn;
        const Status s = conn.Open(file);
        QVERIFY(!s.ok());
        QCOMPARE(s.error().kind, Kind::MissingFile);
        QVERIFY(s.error().Text().contains(FileName(file)));
        QVERIFY(!conn.IsOpen());
        QVERIFY(!QFile::exists(dir.file(FileName(file))));
    }

    void open_notADatabase_reportsNotADatabase() {
        TestProgramDir dir(false);
        QFile f(dir.database());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("Standard Jet DB\0\0\0 this is not what SQLite reads", 48).repeated(64));
        f.close();
        Connection conn;
        const Status s = conn.Open(DatabaseFile::Database);
        QVERIFY(!s.ok());
        QCOMPARE(s.error().kind, Kind::NotADatabase);
        QVERIFY(s.error().Text().contains(QStringLiteral("Database.mdb")));
        QVERIFY(!conn.IsOpen());
    }

    void open_folderInPlaceOfFile_reportsCannotOpen() {
        TestProgramDir dir(false);
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Database.mdb")));
        Connection conn;
        const Status s = conn.Open(DatabaseFile::Database);
        QVERIFY(!s.ok());
        QCOMPARE(s.error().kind, Kind::CannotOpen);
    }

    void open_notARegularFile_namesWhatIsThere_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("says");
        QTest::newRow("fifo") << "fifo" << QStringLiteral("FIFO");
        QTest::newRow("device node") << "device" << QStringLiteral("장치 파일");
    }
    void open_notARegularFile_namesWhatIsThere() {
        QFETCH(QString, kind);
        QFETCH(QString, says);
        TestProgramDir dir(false);
        const QByteArray path = QFile::encodeName(dir.database());
        if (kind == u"fifo")
            QCOMPARE(::mkfifo(path.constData(), 0600), 0);
        else
            QVERIFY(QFile::link(QStringLiteral("/dev/null"), dir.database()));
        Connection conn;
        const Status s = conn.Open(DatabaseFile::Database); // a FIFO must not block the open
        QVERIFY(!s.ok());
        QCOMPARE(s.error().kind, Kind::CannotOpen);
        QVERIFY2(s.error().Text().contains(says), qPrintable(s.error().Text()));
        QVERIFY(s.error().Text().contains(dir.database()));
    }

    void connections_haveOwnNamesAndAreRemovedOnClose() {
        TestProgramDir dir;
        QVERIFY(dir.ok());
        const int before = QSqlDatabase::connectionNames().size();
        {
            Connection a, b;
            QVERIFY(a.Open(DatabaseFile::Database).ok());
            QVERIFY(b.Open(DatabaseFile::Database).ok());
            QCOMPARE(QSqlDatabase::connectionNames().size(), before + 2);
            a.Close();
            QCOMPARE(QSqlDatabase::connectionNames().size(), before + 1);
            QVERIFY(!a.IsOpen());
            QVERIFY(b.IsOpen());
        }
        QCOMPARE(QSqlDatabase::connectionNames().size(), before);
    }

    void recordset_outlivesConnection_writesReportNotOpen() {
        TestProgramDir dir;
        QVERIFY(dir.ok());
        Recordset rs;
        {
            Connection conn;
            QVERIFY(conn.Open(DatabaseFile::Database).ok());
            QVERIFY(rs.Open(QStringLiteral("select * from CarvingWork where C_ID"), conn).ok());
        }
        rs.MoveFirst();
        QCOMPARE(rs.Field(QStringLiteral("C_ID")).toInt(), 1); // the snapshot stays readable
        QVERIFY(rs.SetField(QStringLiteral("C_CarvingPipe"), 3).ok());
        const Status s = rs.Update();
        QVERIFY(!s.ok());
        QCOMPARE(s.error().kind, Kind::NotOpen);
        const Status d = rs.Delete();
        QVERIFY(!d.ok());
        QCOMPARE(d.error().kind, Kind::NotOpen);
        RawDb raw(dir.database());
        QCOMPARE(raw.count(QStringLiteral("CarvingWork")), 2);
    }

    void open_onClosedConnection_reportsNotOpen() {
        Connection conn;
        Recordset rs;
        const Status s = rs.Open(QStringLiteral("select * from MarkingWork"), conn);
        QVERIFY(!s.ok());
        QCOMPARE(s.error().kind, Kind::NotOpen);
        QCOMPARE(rs.State(), 0);
    }

    // --- the tables and the walk ---------------------------------------------

    void emptyTable_countZeroAndEofAtOnce_data() {
        QTest::addColumn<DatabaseFile>("file");
        QTest::addColumn<QString>("query");
        QTest::newRow("work where W_ID")
            << DatabaseFile::Database << QStringLiteral("select * from MarkingWork where W_ID");
        QTest::newRow("work") << DatabaseFile::Database
                              << QStringLiteral("select * from MarkingWork");
        QTest::newRow("setting") << DatabaseFile::Database
                                 << QStringLiteral("select * from MarkingSetting");
        QTest::newRow("report") << DatabaseFile::Report
                                << QStringLiteral("select * from WorkReport where R_ID");
        QTest::newRow("print") << DatabaseFile::Print << QStringLiteral("select * from WorkReport");
    }
    void emptyTable_countZeroAndEofAtOnce() {
        QFETCH(DatabaseFile, file);
        QFETCH(QString, query);
        TestProgramDir dir;
        QVERIFY(dir.ok());
        Connection conn;
        QVERIFY(conn.Open(file).ok());
        Recordset rs;
        QCOMPARE(rs.State(), 0);
        QVERIFY(rs.Open(query, conn).ok());
        QCOMPARE(rs.State(), 1);
        QCOMPARE(rs.RecordCount(), 0);
        QVERIFY(rs.Eof());
        QVERIFY(!rs.Value(QStringLiteral("W_Data")).ok());
        rs.Close();
        QCOMPARE(rs.State(), 0);
    }

    void addDeleteAdd_newHigherKeyAndKeyOrder() {
        TestProgramDir dir;
        QVERIFY(dir.ok());
        Connection conn;
        QVERIFY(conn.Open(DatabaseFile::Database).ok());
        const int a = addWork(conn, QStringLiteral("A"));
        const int b = addWork(conn, QStringLiteral("B"));
        QVERIFY(a > 0 && b > a);
        // Delete the newest work, then add again: its key is not reused.
        Recordset rs;
        QVERIFY(
            rs.Open(QStringLiteral("select * from MarkingWork where W_ID = ") + QString::number(b),
                    conn)
                .ok());
        QCOMPARE(rs.RecordCount(), 1);
        rs.MoveFirst();
        QVERIFY(rs.Delete().ok());
        rs.Close();
        const int c = addWork(conn, QStringLiteral("C"));
        QVERIFY(c > b);
        const int d = addWork(conn, QStringLiteral("D"));
        QVERIFY(d > c);
        QCOMPARE(walkKeys(conn, QStringLiteral("select * from MarkingWork where W_ID"),
                          QStringLiteral("W_ID")),
                 (QList<int>{a, c, d}));
    }

    void keyCondition_skipsKeyZeroAndReturnsKeyOrder() {
        TestProgramDir dir;
        QVERIFY(dir.ok());
        {
            RawDb raw(dir.database());
            // Rows put in out of key order, one with key 0.
            QVERIFY(
                raw.exec(QStringLiteral("INSERT INTO MarkingWork (W_ID, W_Data) VALUES (7, 'x')")));
            QVERIFY(
                raw.exec(QStringLiteral("INSERT INTO MarkingWork (W_ID, W_Data) VALUES (0, 'z')")));
            QVERIFY(
                raw.exec(QStringLiteral("INSERT INTO MarkingWork (W_ID, W_Data) VALUES (3, 'y')")));
        }
        Connection conn;
        QVERIFY(conn.Open(DatabaseFile::Database).ok());
        QCOMPARE(walkKeys(conn, QStringLiteral("select * from MarkingWork where W_ID"),
                          QStringLiteral("W_ID")),
                 (QList<int>{3, 7}));
        QCOMPARE(
            walkKeys(conn, QStringLiteral("select * from MarkingWork"), QStringLiteral("W_ID")),
            (QList<int>{0, 3, 7}));
        // Column names are found in any letter case, as the program spells them.
        QCOMPARE(walkKeys(conn, QStringLiteral("select * from MarkingWork where w_id = 7"),
                          QStringLiteral("w_id")),
                 (QList<int>{7}));
        QCOMPARE(walkKeys(conn, QStringLiteral("select * from MarkingWork where W_ID = 0"),
                          QStringLiteral("W_ID")),
                 (QList<int>{0}));
    }

    void nullAndEmptyData_areDistinctAndEmptyNumbersReadZero() {
        TestProgramDir dir;
        QVERIFY(dir.ok());
        Connection conn;
        QVERIFY(conn.Open(DatabaseFile::Database).ok());
        const int nullRow = addWork(conn, QVariant());
        const int emptyRow = addWork(conn, QString(""));
        QVERIFY(nullRow > 0 && emptyRow > nullRow);
        Recordset rs;
        QVERIFY(rs.Open(QStringLiteral("select * from MarkingWork where W_ID"), conn).ok());
        QCOMPARE(rs.RecordCount(), 2);
        rs.MoveFirst();
        QVERIFY(rs.Field(QStringLiteral("W_Data")).isNull());
        // Columns of the other marking methods were never written: they read 0.
        for (const char* column :
             {"W_Length", "W_Pi", "W_PipeVolume", "W_Parenthesis", "W_WorkTeam", "W_Reptition",
              "W_LengthYesorNo", "W_UnitYesorNo", "W_MarkingMethod"}) {
            const QVariant v = rs.Field(QString::fromLatin1(column));
            QVERIFY2(!v.isNull(), column);
            QCOMPARE(v.toInt(), 0);
        }
        rs.MoveNext();
        const QVariant empty = rs.Field(QStringLiteral("W_Data"));
        QVERIFY(!empty.isNull());
        QCOMPARE(empty.toString(), QString());
        rs.MoveNext();
        QVERIFY(rs.Eof());
    }

    void fieldAt_readsAsFieldAndPendingEdits() {
        TestProgramDir dir;
        QVERIFY(dir.ok());
        Connection conn;
        QVERIFY(conn.Open(DatabaseFile::Database).ok());
        QVERIFY(addWork(conn, QString("@1A"), 6000) > 0);
        Recordset rs;
        QVERIFY(rs.Open(QStringLiteral("select * from MarkingWork where W_ID"), conn).ok());
        rs.MoveFirst();
        for (const QString& column : rs.Columns())
            QCOMPARE(rs.FieldAt(rs.ColumnIndex(column)), rs.Field(column));
        const int length = rs.ColumnIndex(QStringLiteral("w_length"));
        QVERIFY(length >= 0);
        QVERIFY(rs.SetField(QStringLiteral("W_Length"), 7000).ok());
        QCOMPARE(rs.FieldAt(length).toInt(), 7000);
        QCOMPARE(rs.ColumnIndex(QStringLiteral("W_Nothing")), -1);
        QVERIFY(!rs.FieldAt(-1).isValid());
        rs.CancelUpdate();
        rs.MoveNext();
        QVERIFY(!rs.FieldAt(length).isValid()); // no current row
    }

    void storedValues_readBackTyped() {
        TestProgramDir dir;
        QVERIFY(dir.ok());
        Connection conn;
        QVERIFY(conn.Open(DatabaseFile::Database).ok());
        Recordset rs;
        QVERIFY(rs.Open(QStringLiteral("select * from ProgramSetting where P_ID"), conn).ok());
        QCOMPARE(rs.RecordCount(), 1);
        rs.MoveFirst();
        QCOMPARE(rs.Field(QStringLiteral("P_DotDimension")).typeId(), int(QMetaType::Double));
        QCOMPARE(rs.Field(QStringLiteral("P_DotDimension")).toDouble(), 0.1);
        QCOMPARE(rs.Field(QStringLiteral("P_NullRecordDelete")).typeId(), int(QMetaType::Bool));
        QCOMPARE(rs.Field(QStringLiteral("P_NullRecordDelete")).toBool(), true);
        QCOMPARE(rs.Field(QStringLiteral("P_MarkingWorkDeleteCheck")).toBool(), false);
        QCOMPARE(rs.Field(QStringLiteral("P_PipeSide")).typeId(), int(QMetaType::Int));
        QCOMPARE(rs.Field(QStringLiteral("P_PipeSide")).toInt(), 100);
        // An unknown column is no value and says why.
        QVERIFY(!rs.Field(QStringLiteral("P_Nothing")).isValid());
        QCOMPARE(rs.Value(QStringLiteral("P_Nothing")).error().kind, Kind::MissingColumn);
    }

    // --- writing -------------------------------------------------------------

    void setField_textsConvertToTheColumnType_data() {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QVariant>("expected");
        QTest::newRow("whole from text") << "P_PipeSide" << QVariant("120") << QVariant(120);
        QTest::newRow("whole from text with blanks")
            << "P_HeadHome" << QVariant(" 250 ") << QVariant(250);
        QTest::newRow("decimal from text")
            << "P_DotDimension" << QVariant("0.25") << QVariant(0.25);
        QTest::newRow("decimal from whole text") << "P_Revision" << QVariant("2") << QVariant(2.0);
        QTest::newRow("16-bit from int") << "P_PrintControler" << QVariant(2) << QVariant(2);
        QTest::newRow("yes/no from bool")
            << "P_NullRecordDelete" << QVariant(false) << QVariant(false);
        QTest::newRow("yes/no from true")
            << "P_MarkingWorkDeleteCheck" << QVariant(true) << QVariant(true);
        QTest::newRow("null empties") << "P_GAP" << QVariant() << QVariant();
    }
    void setField_textsConvertToTheColumnType() {
        QFETCH(QString, column);
        QFETCH(QVariant, value);
        QFETCH(QVariant, expected);
        TestProgramDir dir;
        QVERIFY(dir.ok());
        Connection conn;
        QVERIFY(conn.Open(DatabaseFile::Database).ok());
        {
            Recordset rs;
            QVERIFY(rs.Open(QStringLiteral("select * from ProgramSetting where P_ID"), conn).ok());
            rs.MoveFirst();
            QVERIFY(rs.SetField(column, value).ok());
            QVERIFY(rs.Update().ok());
        }
        Recordset check;
        QVERIFY(check.Open(QStringLiteral("select * from ProgramSetting where P_ID"), conn).ok());
        check.MoveFirst();
        const QVariant got = check.Field(column);
        if (expected.isValid()) {
            QCOMPARE(got.typeId(), expected.typeId());
            QCOMPARE(got, expected);
        } else {
            QVERIFY(got.isNull());
        }
    }

    void setField_unconvertibleValue_refusedAndRowNotWritten_data() {
        QTest::addColumn<bool>("addNew");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("dot into decimal") << false << "P_DotDimension" << QVariant(".");
        QTest::newRow("letters into decimal") << false << "P_Revision" << QVariant("1n");
        QTest::newRow("empty into whole") << false << "P_PipeSide" << QVariant("");
        QTest::newRow("fraction into whole") << false << "P_GAP" << QVariant("1.5");
        QTest::newRow("too big for 16 bits") << false << "P_PLCComPort" << QVariant(40000);
        QTest::newRow("too big for 32 bits") << false << "P_PipeSide" << QVariant("99999999999");
        QTest::newRow("text into yes/no") << false << "P_NullRecordDelete" << QVariant("maybe");
        QTest::newRow("key") << false << "P_ID" << QVariant(5);
        QTest::newRow("unknown column") << false << "P_Nothing" << QVariant(1);
        QTest::newRow("new row, dot into whole") << true << "W_Length" << QVariant(".");
        QTest::newRow("new row, 16 bits") << true << "W_WorkTeam" << QVariant("-40000");
    }
    void setField_unconvertibleValue_refusedAndRowNotWritten() {
        QFETCH(bool, addNew);
        QFETCH(QString, column);
        QFETCH(QVariant, value);
        TestProgramDir dir;
        QVERIFY(dir.ok());
        Connection conn;
        QVERIFY(conn.Open(DatabaseFile::Database).ok());
        Recordset rs;
        const QString query = addNew ? QStringLiteral("select * from MarkingWork where W_ID")
                                     : QStringLiteral("select * from ProgramSetting where P_ID");
        QVERIFY(rs.Open(query, conn).ok());
        if (addNew) {
            QVERIFY(rs.AddNew().ok());
            QVERIFY(rs.SetField(QStringLiteral("W_Data"), QStringLiteral("ABC")).ok());
        } else {
            rs.MoveFirst();
            // A good value first: it must not be stored either.
            QVERIFY(rs.SetField(QStringLiteral("P_LetterIntervalDotVolume"), 9).ok());
        }
        const Status s = rs.SetField(column, value);
        QVERIFY(!s.ok());
        QVERIFY(s.error().kind == Kind::BadValue || s.error().kind == Kind::MissingColumn);
        QVERIFY(s.error().Text().contains(column));
        QVERIFY(s.error().Text().contains(QStringLiteral("Database.mdb")));
        const Status u = rs.Update();
        QVERIFY(!u.ok());
        QCOMPARE(u.error().kind, s.error().kind);

        RawDb raw(dir.database());
        QCOMPARE(raw.count(QStringLiteral("MarkingWork")), 0);
        QCOMPARE(raw.scalar(QStringLiteral("SELECT P_LetterIntervalDotVolume FROM ProgramSetting"))
                     .toInt(),
                 2);
        QCOMPARE(raw.scalar(QStringLiteral("SELECT P_DotDimension FROM ProgramSetting")).toDouble(),
                 0.1);
    }

    void update_changesCurrentRowOnly() {
        TestProgramDir dir;
        QVERIFY(dir.ok());
        Connection conn;
        QVERIFY(conn.Open(DatabaseFile::Database).ok());
        Recordset rs;
        QVERIFY(rs.Open(QStringLiteral("select * from CarvingWork where C_ID"), conn).ok());
        QCOMPARE(rs.RecordCount(), 2);
        rs.MoveFirst();
        QVERIFY(rs.SetField(QStringLiteral("C_CarvingPipe"), 6).ok());
        QVERIFY(rs.SetField(QStringLiteral("C_CarvingData"), QStringLiteral("1")).ok());
        QCOMPARE(rs.Field(QStringLiteral("C_CarvingPipe")).toInt(), 6); // the edit is visible
        QVERIFY(rs.Update().ok());
        QCOMPARE(rs.Field(QStringLiteral("C_CarvingPipe")).toInt(), 6);
        RawDb raw(dir.database());
        QCOMPARE(raw.scalar(QStringLiteral("SELECT C_CarvingPipe FROM CarvingWork WHERE C_ID = 1"))
                     .toInt(),
                 6);
        QCOMPARE(raw.scalar(QStringLiteral("SELECT C_CarvingData FROM CarvingWork WHERE C_ID = 1"))
                     .toInt(),
                 1);
        QCOMPARE(raw.scalar(QStringLiteral("SELECT C_CarvingPipe FROM CarvingWork WHERE C_ID = 2"))
                     .toInt(),
                 0);
    }

    void editWithoutUpdate_isDroppedOnMove() {
        TestProgramDir dir;
        QVERIFY(dir.ok());
        Connection conn;
        QVERIFY(conn.Open(DatabaseFile::Database).ok());
        Recordset rs;
        QVERIFY(rs.Open(QStringLiteral("select * from CarvingWork where C_ID"), conn).ok());
        rs.MoveFirst();
        QVERIFY(rs.SetField(QStringLiteral("C_CarvingPipe"), 5).ok());
        rs.MoveNext();
        rs.MoveFirst();
        QCOMPARE(rs.Field(QStringLiteral("C_CarvingPipe")).toInt(), 0);
        RawDb raw(dir.database());
        QCOMPARE(raw.scalar(QStringLiteral("SELECT max(C_CarvingPipe) FROM CarvingWork")).toInt(),
                 0);
    }

    void delete_removesCurrentRowOnly() {
        TestProgramDir dir;
        QVERIFY(dir.ok());
        Connection conn;
        QVERIFY(conn.Open(DatabaseFile::Database).ok());
        const int a = addWork(conn, QStringLiteral("A"));
        const int b = addWork(conn, QStringLiteral("B"));
        const int c = addWork(conn, QStringLiteral("C"));
        Recordset rs;
        QVERIFY(rs.Open(QStringLiteral("select * from MarkingWork where W_ID"), conn).ok());
        rs.MoveFirst();
        rs.MoveNext();
        QCOMPARE(rs.Field(QStringLiteral("W_ID")).toInt(), b);
        QVERIFY(rs.Delete().ok());
        QCOMPARE(rs.RecordCount(), 2);
        // The deleted row stays current until the next move, but has no values.
        QCOMPARE(rs.Value(QStringLiteral("W_Data")).error().kind, Kind::NoCurrentRow);
        QCOMPARE(rs.Delete().error().kind, Kind::NoCurrentRow);
        rs.MoveNext();
        QCOMPARE(rs.Field(QStringLiteral("W_ID")).toInt(), c);
        rs.MoveFirst();
        QCOMPARE(rs.Field(QStringLiteral("W_ID")).toInt(), a);
        rs.MoveNext();
        QCOMPARE(rs.Field(QStringLiteral("W_ID")).toInt(), c);
        RawDb raw(dir.database());
        QCOMPARE(raw.keys(QStringLiteral("MarkingWork"), QStringLiteral("W_ID")),
                 (QList<int>{a, c}));
    }

    void rowDeletedByAnother_updateReportsVanished() {
        TestProgramDir dir;
        QVERIFY(dir.ok());
        Connection conn;
        QVERIFY(conn.Open(DatabaseFile::Database).ok());
        const int a = addWork(conn, QStringLiteral("A"));
        Recordset rs;
        QVERIFY(rs.Open(QStringLiteral("select * from MarkingWork where W_ID"), conn).ok());
        rs.MoveFirst();
        {
            RawDb raw(dir.database());
            QVERIFY(raw.exec(QStringLiteral("DELETE FROM MarkingWork WHERE W_ID = ?"), {a}));
        }
        QVERIFY(rs.SetField(QStringLiteral("W_Data"), QStringLiteral("B")).ok());
        QCOMPARE(rs.Update().error().kind, Kind::RowVanished);
        QCOMPARE(rs.Delete().error().kind, Kind::RowVanished);
        RawDb raw(dir.database());
        QCOMPARE(raw.count(QStringLiteral("MarkingWork")), 0);
    }

    void transactionGuard_groupsWritesIntoOne() {
        TestProgramDir dir;
        QVERIFY(dir.ok());
        Connection conn;
        QVERIFY(conn.Open(DatabaseFile::Database).ok());
        {
            Transaction tx(conn);
            QVERIFY(tx.ok());
            QVERIFY(addWork(conn, QStringLiteral("A")) > 0);
            QVERIFY(addWork(conn, QStringLiteral("B")) > 0);
            QVERIFY(conn.InTransaction());
            // Not committed: both rows go.
        }
        QVERIFY(!conn.InTransaction());
        {
            RawDb raw(dir.database());
            QCOMPARE(raw.count(QStringLiteral("MarkingWork")), 0);
        }
        {
            Transaction tx(conn);
            QVERIFY(addWork(conn, QStringLiteral("C")) > 0);
            QVERIFY(addWork(conn, QStringLiteral("D")) > 0);
            QVERIFY(tx.Commit().ok());
        }
        RawDb raw(dir.database());
        QCOMPARE(raw.count(QStringLiteral("MarkingWork")), 2);
    }

    void failureInsideTransaction_commitRefusedAndAllRolledBack() {
        TestProgramDir dir;
        QVERIFY(dir.ok());
        {
            RawDb raw(dir.database());
            QVERIFY(raw.exec(QStringLiteral(
                "CREATE TRIGGER t BEFORE INSERT ON MarkingWork WHEN NEW.W_Data = 'BOOM' "
                "BEGIN SELECT RAISE(ABORT, 'injected'); END")));
        }
        Connection conn;
        QVERIFY(conn.Open(DatabaseFile::Database).ok());
        Transaction tx(conn);
        QVERIFY(tx.ok());
        QVERIFY(addWork(conn, QStringLiteral("first")) > 0);
        QCOMPARE(addWork(conn, QStringLiteral("BOOM")), 0);
        QVERIFY(addWork(conn, QStringLiteral("after")) > 0);
        // The caller went on after the failure: the whole group is refused.
        const Status s = tx.Commit();
        QVERIFY(!s.ok());
        QVERIFY(s.error().Text().contains(QStringLiteral("Database.mdb")));
        QVERIFY(!conn.InTransaction());
        RawDb raw(dir.database());
        QCOMPARE(raw.count(QStringLiteral("MarkingWork")), 0);
    }

    void failingWrite_partWay_rowIsNotThere_data() {
        QTest::addColumn<QString>("trigger");
        QTest::newRow("before insert")
            << "CREATE TRIGGER t BEFORE INSERT ON MarkingWork WHEN NEW.W_Data = 'BOOM' "
               "BEGIN SELECT RAISE(ABORT, 'injected'); END";
        QTest::newRow("after insert")
            << "CREATE TRIGGER t AFTER INSERT ON MarkingWork WHEN NEW.W_Data = 'BOOM' "
               "BEGIN INSERT INTO CarvingWork (C_CarvingPipe) VALUES (9); "
               "SELECT RAISE(ABORT, 'injected'); END";
    }
    void failingWrite_partWay_rowIsNotThere() {
        QFETCH(QString, trigger);
        TestProgramDir dir;
        QVERIFY(dir.ok());
        {
            RawDb raw(dir.database());
            QVERIFY(raw.exec(trigger));
        }
        Connection conn;
        QVERIFY(conn.Open(DatabaseFile::Database).ok());
        QVERIFY(addWork(conn, QStringLiteral("OK")) > 0);
        Recordset rs;
        QVERIFY(rs.Open(QStringLiteral("select * from MarkingWork where W_ID"), conn).ok());
        QVERIFY(rs.AddNew().ok());
        QVERIFY(rs.SetField(QStringLiteral("W_Data"), QStringLiteral("BOOM")).ok());
        const Status s = rs.Update();
        QVERIFY(!s.ok());
        QVERIFY(s.error().Text().contains(QStringLiteral("Database.mdb")));
        QVERIFY(s.error().Text().contains(QStringLiteral("injected")));
        QCOMPARE(rs.RecordCount(), 1);
        QVERIFY(!conn.InTransaction());
        RawDb raw(dir.database());
        QCOMPARE(raw.count(QStringLiteral("MarkingWork")), 1);
        QCOMPARE(raw.count(QStringLiteral("CarvingWork")),
                 2); // the trigger's own write is gone too
    }

    // --- damaged and busy files ----------------------------------------------

    void missingTable_reportedByName() {
        TestProgramDir dir;
        QVERIFY(dir.ok());
        {
            RawDb raw(dir.database());
            QVERIFY(raw.exec(QStringLiteral("DROP TABLE SpecialLetter")));
        }
        Connection conn;
        QVERIFY(conn.Open(DatabaseFile::Database).ok());
        Recordset rs;
        const Status s = rs.Open(QStringLiteral("select * from SpecialLetter where S_ID"), conn);
        QVERIFY(!s.ok());
        QCOMPARE(s.error().kind, Kind::MissingTable);
        QVERIFY(s.error().Text().contains(QStringLiteral("SpecialLetter")));
        QVERIFY(s.error().Text().contains(QStringLiteral("Database.mdb")));
        QCOMPARE(rs.State(), 0);
    }

    void tableOfAnotherFile_reportedMissing() {
        TestProgramDir dir;
        QVERIFY(dir.ok());
        Connection conn;
        QVERIFY(conn.Open(DatabaseFile::Report).ok());
        Recordset rs;
        const Status s = rs.Open(QStringLiteral("select * from MarkingWork"), conn);
        QCOMPARE(s.error().kind, Kind::MissingTable);
        QVERIFY(s.error().Text().contains(QStringLiteral("Report.mdb")));
    }

    void missingColumn_reportedOnReadAndWrite() {
        TestProgramDir dir;
        QVERIFY(dir.ok());
        {
            RawDb raw(dir.database());
            QVERIFY(raw.exec(QStringLiteral("ALTER TABLE MarkingWork DROP COLUMN W_Pi")));
            QVERIFY(raw.exec(QStringLiteral("INSERT INTO MarkingWork (W_Data) VALUES ('A')")));
        }
        Connection conn;
        QVERIFY(conn.Open(DatabaseFile::Database).ok());
        Recordset rs;
        QVERIFY(rs.Open(QStringLiteral("select * from MarkingWork where W_ID"), conn).ok());
        rs.MoveFirst();
        const Result<QVariant> v = rs.Value(QStringLiteral("W_Pi"));
        QVERIFY(!v.ok());
        QCOMPARE(v.error().kind, Kind::MissingColumn);
        QVERIFY(v.error().Text().contains(QStringLiteral("W_Pi")));
        QCOMPARE(rs.SetField(QStringLiteral("W_Pi"), 50).error().kind, Kind::MissingColumn);
        QCOMPARE(rs.Update().error().kind, Kind::MissingColumn);
    }

    void lockedByAnotherWriter_writeReportsLockedAndLeavesRows_data() {
        QTest::addColumn<QString>("begin");
        QTest::addColumn<bool>("openFails");
        QTest::newRow("write transaction") << "BEGIN IMMEDIATE" << false;
        QTest::newRow("exclusive") << "BEGIN EXCLUSIVE" << true;
    }
    void lockedByAnotherWriter_writeReportsLockedAndLeavesRows() {
        QFETCH(QString, begin);
        QFETCH(bool, openFails);
        TestProgramDir dir;
        QVERIFY(dir.ok());
        RawDb holder(dir.database());
        QVERIFY(holder.exec(begin));
        QVERIFY(holder.exec(QStringLiteral("INSERT INTO MarkingWork (W_Data) VALUES ('held')")));

        Connection conn;
        conn.SetBusyTimeout(150);
        const Status opened = conn.Open(DatabaseFile::Database);
        if (openFails) {
            QVERIFY(!opened.ok());
            QCOMPARE(opened.error().kind, Kind::Locked);
            QVERIFY(opened.error().Text().contains(QStringLiteral("Database.mdb")));
        } else {
            QVERIFY(opened.ok());
            Recordset rs;
            QVERIFY(rs.Open(QStringLiteral("select * from MarkingWork where W_ID"), conn).ok());
            QCOMPARE(rs.RecordCount(), 0); // the held row is not committed
            QVERIFY(rs.AddNew().ok());
            QVERIFY(rs.SetField(QStringLiteral("W_Data"), QStringLiteral("mine")).ok());
            const Status s = rs.Update();
            QVERIFY(!s.ok());
            QCOMPARE(s.error().kind, Kind::Locked);
            QVERIFY(s.error().Text().contains(QStringLiteral("Database.mdb")));
            QVERIFY(!conn.InTransaction());
        }
        QVERIFY(holder.exec(QStringLiteral("ROLLBACK")));
        QCOMPARE(holder.count(QStringLiteral("MarkingWork")), 0);
    }

    // --- the work report's files ---------------------------------------------

    void betweenMonthEnds_findsFifteenthNotNextFirst_data() {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("dates");
        const QStringList september{"2006-09-01", "2006-09-15", "2006-09-30"};
        QTest::newRow("team 0, ordered")
            << "select * from WorkReport where R_Date between #2006-09-01# and #2006-09-30#  "
               "AND R_WorkTeam = 0 order by  R_Date"
            << september;
        QTest::newRow("one-digit month and day")
            << "select * from WorkReport where R_Date between #2006-9-1# and #2006-9-30#  "
               "AND R_WorkTeam = 0 order by  R_Date"
            << september;
        QTest::newRow("team 1") << "select * from WorkReport where R_Date between #2006-09-01# and "
                                   "#2006-09-30#  AND R_WorkTeam = 1 order by  R_Date"
                                << QStringList{"2006-09-20"};
        QTest::newRow("any team")
            << "select * from WorkReport where R_Date between #2006-09-01# and #2006-09-30#"
            << QStringList{"2006-09-15", "2006-09-01", "2006-09-30", "2006-09-20"}; // key order
        QTest::newRow("year turn")
            << "select * from WorkReport where R_Date between #2006-12-31# and #2007-01-01#  "
               "AND R_WorkTeam = 0 order by  R_Date"
            << QStringList{"2006-12-31", "2007-01-01"};
        QTest::newRow("today")
            << "select * from WorkReport Where R_Date = '2006-09-15' AND R_WorkTeam = 0"
            << QStringList{"2006-09-15"};
        QTest::newRow("all by date")
            << "select * from WorkReport where  R_ID order by  R_Date"
            << QStringList{"2006-08-31", "2006-09-01", "2006-09-15", "2006-09-20",
                           "2006-09-30", "2006-10-01", "2006-12-31", "2007-01-01"};
    }
    void betweenMonthEnds_findsFifteenthNotNextFirst() {
        QFETCH(QString, query);
        QFETCH(QStringList, dates);
        TestProgramDir dir;
        QVERIFY(dir.ok());
        Connection conn;
        QVERIFY(conn.Open(DatabaseFile::Report).ok());
        {
            // Written through the store, out of date order, one-digit forms too.
            Recordset rs;
            QVERIFY(rs.Open(QStringLiteral("select * from WorkReport where R_ID"), conn).ok());
            const QList<std::pair<QString, int>> rows{
                {"2006-10-01", 0}, {"2006-9-15", 0},  {"2006-09-01", 0}, {"2006-08-31", 0},
                {"2006-09-30", 0}, {"2006-09-20", 1}, {"2007-01-01", 0}, {"2006-12-31", 0}};
            for (const auto& [date, team] : rows) {
                QVERIFY(rs.AddNew().ok());
                QVERIFY(rs.SetField(QStringLiteral("R_Date"), date).ok());
                QVERIFY(rs.SetField(QStringLiteral("R_WorkTeam"), team).ok());
                QVERIFY(
                    rs.SetField(QStringLiteral("R_MarkingMethod"), QStringLiteral("단마킹")).ok());
                QVERIFY(rs.SetField(QStringLiteral("R_Data"), QStringLiteral("KS D 3507")).ok());
                QVERIFY(rs.SetField(QStringLiteral("R_Length"), QStringLiteral("6000")).ok());
                QVERIFY(rs.SetField(QStringLiteral("R_WorkVolume"), 0).ok());
                QVERIFY(rs.Update().ok());
            }
        }
        Recordset rs;
        QVERIFY(rs.Open(query, conn).ok());
        QStringList got;
        if (!rs.Eof())
            rs.MoveFirst();
        while (!rs.Eof()) {
            got << rs.Field(QStringLiteral("R_Date")).toString();
            rs.MoveNext();
        }
        QCOMPARE(got, dates);
    }

    void reportDate_notADate_refused() {
        TestProgramDir dir;
        QVERIFY(dir.ok());
        Connection conn;
        QVERIFY(conn.Open(DatabaseFile::Report).ok());
        Recordset rs;
        QVERIFY(rs.Open(QStringLiteral("select * from WorkReport where R_ID"), conn).ok());
        QVERIFY(rs.AddNew().ok());
        QCOMPARE(rs.SetField(QStringLiteral("R_Date"), QStringLiteral("2006-02-30")).error().kind,
                 Kind::BadValue);
        QVERIFY(!rs.Update().ok());
        RawDb raw(dir.file(QStringLiteral("Report.mdb")));
        QCOMPARE(raw.count(QStringLiteral("WorkReport")), 0);
    }

    void printCopy_acceptsGridTexts() {
        TestProgramDir dir;
        QVERIFY(dir.ok());
        Connection conn;
        QVERIFY(conn.Open(DatabaseFile::Print).ok());
        const QStringList texts{"1", "2006-09-15", "A   조", "연속마킹", "KS@4S001", "6000", ""};
        const QStringList columns{"R_NO",   "R_Date",   "R_WorkTeam",  "R_MarkingMethod",
                                  "R_Data", "R_Length", "R_WorkVolume"};
        {
            Recordset rs;
            QVERIFY(rs.Open(QStringLiteral("select * from WorkReport"), conn).ok());
            QVERIFY(rs.AddNew().ok());
            for (int i = 0; i < columns.size(); ++i)
                QVERIFY(rs.SetField(columns[i], texts[i]).ok());
            QVERIFY(rs.Update().ok());
        }
        Recordset rs;
        QVERIFY(rs.Open(QStringLiteral("select * from WorkReport"), conn).ok());
        QCOMPARE(rs.RecordCount(), 1);
        rs.MoveFirst();
        for (int i = 0; i < columns.size(); ++i)
            QCOMPARE(rs.Field(columns[i]).toString(), texts[i]);
    }

    void longMarkingText_refusedOverFiveHundred() {
        TestProgramDir dir;
        QVERIFY(dir.ok());
        Connection conn;
        QVERIFY(conn.Open(DatabaseFile::Database).ok());
        Recordset rs;
        QVERIFY(rs.Open(QStringLiteral("select * from MarkingSetting"), conn).ok());
        QVERIFY(rs.AddNew().ok());
        QVERIFY(rs.SetField(QStringLiteral("M_Data"), QString(500, u'가')).ok());
        QCOMPARE(rs.SetField(QStringLiteral("M_Data"), QString(501, u'가')).error().kind,
                 Kind::BadValue);
    }

    void unknownQuery_refusedWithFileName() {
        TestProgramDir dir;
        QVERIFY(dir.ok());
        Connection conn;
        QVERIFY(conn.Open(DatabaseFile::Database).ok());
        Recordset rs;
        const Status s = rs.Open(
            QStringLiteral("select * from MarkingWork where W_ID = 1; DROP TABLE MarkingWork"),
            conn);
        QCOMPARE(s.error().kind, Kind::UnknownQuery);
        QVERIFY(s.error().Text().contains(QStringLiteral("Database.mdb")));
        RawDb raw(dir.database());
        QVERIFY(raw.exec(QStringLiteral("SELECT * FROM MarkingWork")));
    }
};

QTEST_GUILESS_MAIN(TestRecordset)
#include "tst_recordset.moc"

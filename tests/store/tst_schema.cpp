#include "StoreTestSupport.h"
#include "store/Schema.h"

#include <QDate>
#include <QTest>

using namespace marking::store;

Q_DECLARE_METATYPE(marking::store::ColumnType)
Q_DECLARE_METATYPE(marking::store::DatabaseFile)

class TestSchema : public QObject {
    Q_OBJECT
private slots:
    void everyTable_hasItsKeyFirstAsAutoincrement() {
        int tables = 0;
        for (DatabaseFile f : AllDatabaseFiles()) {
            const QStringList statements = CreateTableStatements(f);
            QCOMPARE(statements.size(), Tables(f).size());
            for (int i = 0; i < statements.size(); ++i) {
                const TableDef& t = Tables(f)[i];
                QCOMPARE(t.columns.first().name, t.key);
                QCOMPARE(t.columns.first().type, ColumnType::Key);
                QVERIFY(statements[i].contains(
                    t.key + QStringLiteral(" INTEGER PRIMARY KEY AUTOINCREMENT")));
                ++tables;
            }
        }
        QCOMPARE(tables, 7);
        QVERIFY(FindTable(DatabaseFile::Database, QStringLiteral("markingwork")));
        QVERIFY(!FindTable(DatabaseFile::Report, QStringLiteral("MarkingWork")));
        QVERIFY(FindTable(DatabaseFile::Print, QStringLiteral("WorkReport"))->Column("R_NO"));
        QVERIFY(!FindTable(DatabaseFile::Report, QStringLiteral("WorkReport"))->Column("R_NO"));
    }

    void toStoredValue_convertsOrRefuses_data() {
        QTest::addColumn<ColumnType>("type");
        QTest::addColumn<int>("maxLength");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QVariant>("stored");
        using T = ColumnType;
        const QVariant none;
        QTest::newRow("int16 text") << T::Int16 << 0 << QVariant("12") << true << QVariant(12LL);
        QTest::newRow("int16 negative")
            << T::Int16 << 0 << QVariant("-1") << true << QVariant(-1LL);
        QTest::newRow("int16 max") << T::Int16 << 0 << QVariant(32767) << true << QVariant(32767LL);
        QTest::newRow("int16 over") << T::Int16 << 0 << QVariant(32768) << false << none;
        QTest::newRow("int16 whole double")
            << T::Int16 << 0 << QVariant(3.0) << true << QVariant(3LL);
        QTest::newRow("int32 over") << T::Int32 << 0 << QVariant("2147483648") << false << none;
        QTest::newRow("int32 fraction") << T::Int32 << 0 << QVariant("1.5") << false << none;
        QTest::newRow("int32 empty") << T::Int32 << 0 << QVariant("") << false << none;
        QTest::newRow("int32 blanks") << T::Int32 << 0 << QVariant("   ") << false << none;
        QTest::newRow("int32 letters") << T::Int32 << 0 << QVariant("12a") << false << none;
        QTest::newRow("double dot") << T::Double << 0 << QVariant(".") << false << none;
        QTest::newRow("double n") << T::Double << 0 << QVariant("n") << false << none;
        QTest::newRow("double inf") << T::Double << 0 << QVariant("inf") << false << none;
        QTest::newRow("double text")
            << T::Double << 0 << QVariant("0.125") << true << QVariant(0.125);
        QTest::newRow("double leading dot")
            << T::Double << 0 << QVariant(".5") << true << QVariant(0.5);
        QTest::newRow("bool true") << T::Bool << 0 << QVariant(true) << true << QVariant(1LL);
        QTest::newRow("bool -1") << T::Bool << 0 << QVariant(-1) << true << QVariant(1LL);
        QTest::newRow("bool text") << T::Bool << 0 << QVariant("False") << true << QVariant(0LL);
        QTest::newRow("bool other") << T::Bool << 0 << QVariant("x") << false << none;
        QTest::newRow("text") << T::Text << 0 << QVariant("A   조") << true
                              << QVariant(QStringLiteral("A   조"));
        QTest::newRow("text empty is not null")
            << T::Text << 0 << QVariant(QString("")) << true << QVariant(QString(""));
        QTest::newRow("text at limit")
            << T::Text << 3 << QVariant("abc") << true << QVariant("abc");
        QTest::newRow("text over limit") << T::Text << 3 << QVariant("abcd") << false << none;
        QTest::newRow("date text")
            << T::Date << 0 << QVariant("2006-9-5") << true << QVariant("2006-09-05");
        QTest::newRow("date value")
            << T::Date << 0 << QVariant(QDate(2007, 1, 2)) << true << QVariant("2007-01-02");
        QTest::newRow("date invalid") << T::Date << 0 << QVariant("2006-02-30") << false << none;
        QTest::newRow("date other form") << T::Date << 0 << QVariant("15.09.2006") << false << none;
        QTest::newRow("key") << T::Key << 0 << QVariant(1) << false << none;
    }
    void toStoredValue_convertsOrRefuses() {
        QFETCH(ColumnType, type);
        QFETCH(int, maxLength);
        QFETCH(QVariant, value);
        QFETCH(bool, accepted);
        QFETCH(QVariant, stored);
        const ColumnDef column{QStringLiteral("X_Column"), type, maxLength, false};
        const Result<QVariant> r = ToStoredValue(column, value);
        QCOMPARE(r.ok(), accepted);
        if (accepted) {
            QCOMPARE(r.value(), stored);
            QCOMPARE(r.value().isNull(), stored.isNull());
        } else {
            QCOMPARE(r.error().kind, StoreError::Kind::BadValue);
            QVERIFY(r.error().reason.contains(QStringLiteral("X_Column")));
        }
    }

    void nullValue_staysNullForEveryType_data() {
        QTest::addColumn<ColumnType>("type");
        QTest::newRow("int16") << ColumnType::Int16;
        QTest::newRow("int32") << ColumnType::Int32;
        QTest::newRow("double") << ColumnType::Double;
        QTest::newRow("bool") << ColumnType::Bool;
        QTest::newRow("text") << ColumnType::Text;
        QTest::newRow("date") << ColumnType::Date;
    }
    void nullValue_staysNullForEveryType() {
        QFETCH(ColumnType, type);
        const ColumnDef column{QStringLiteral("X"), type, 0, false};
        const Result<QVariant> r = ToStoredValue(column, QVariant());
        QVERIFY(r.ok());
        QVERIFY(r.value().isNull());
        QVERIFY(FromStoredValue(column, QVariant(QMetaType::fromType<QString>())).isNull());
    }

    void typedReads_refuseEmptyAndOutOfRange_data() {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<bool>("int16ok");
        QTest::addColumn<bool>("doubleok");
        QTest::newRow("null") << QVariant() << false << false;
        QTest::newRow("empty text") << QVariant(QString("")) << false << false;
        QTest::newRow("number") << QVariant(7) << true << true;
        QTest::newRow("text number") << QVariant("7") << true << true;
        QTest::newRow("decimal rounds") << QVariant(2.5) << true << true;
        QTest::newRow("too big") << QVariant(1e6) << false << true;
        QTest::newRow("dot") << QVariant(".") << false << false;
    }
    void typedReads_refuseEmptyAndOutOfRange() {
        QFETCH(QVariant, value);
        QFETCH(bool, int16ok);
        QFETCH(bool, doubleok);
        QCOMPARE(ToInt16(value, QStringLiteral("P_X")).ok(), int16ok);
        QCOMPARE(ToDouble(value, QStringLiteral("P_X")).ok(), doubleok);
        if (!int16ok)
            QVERIFY(ToInt16(value, QStringLiteral("P_X")).error().reason.contains("P_X"));
    }

    void halfValues_roundToEvenForWholeMembers() {
        QCOMPARE(ToInt16(QVariant(2.5), "c").value(), qint16(2));
        QCOMPARE(ToInt16(QVariant(3.5), "c").value(), qint16(4));
        QCOMPARE(ToInt32(QVariant(-0.5), "c").value(), 0);
    }

    void madeFile_refusesWrongTypesItself() {
        // The files check types too, for writers other than the store.
        TestProgramDir dir;
        QVERIFY(dir.ok());
        RawDb raw(dir.database());
        QVERIFY(!raw.exec(QStringLiteral("UPDATE ProgramSetting SET P_DotDimension = '.'")));
        QVERIFY(!raw.exec(QStringLiteral("INSERT INTO MarkingWork (W_Length) VALUES ('abc')")));
        QCOMPARE(raw.scalar(QStringLiteral("SELECT P_DotDimension FROM ProgramSetting")).toDouble(),
                 0.1);
    }

    void initialRows_nameOnlyExistingColumnsAndConvert() {
        for (DatabaseFile f : AllDatabaseFiles()) {
            for (const InitialRows& block : InitialContent(f)) {
                const TableDef* t = FindTable(f, block.table);
                QVERIFY(t);
                for (const auto& row : block.rows) {
                    for (const auto& [name, value] : row) {
                        const ColumnDef* c = t->Column(name);
                        QVERIFY2(c, qPrintable(name));
                        QVERIFY2(ToStoredValue(*c, value).ok(), qPrintable(name));
                    }
                }
            }
        }
        QCOMPARE(InitialContent(DatabaseFile::Report).size(), 0);
        QCOMPARE(InitialContent(DatabaseFile::Print).size(), 0);
    }

    void oddFolderNames_openFine_data() {
        QTest::addColumn<QString>("folder");
        QTest::newRow("korean and blank") << QStringLiteral("마킹 프로그램");
        QTest::newRow("uri characters") << QStringLiteral("a#b?c%20d");
    }
    void oddFolderNames_openFine() {
        QFETCH(QString, folder);
        QTemporaryDir base;
        const QString dir = QDir(base.path()).filePath(folder);
        const Status made = CreateDatabaseFiles(dir, false);
        QVERIFY2(made.ok(), qPrintable(made.ok() ? QString() : made.error().Text()));
        QVERIFY(QFile::exists(QDir(dir).filePath(QStringLiteral("Database.mdb"))));
        QCOMPARE(QDir(dir).entryList(QDir::Files).size(), 3);
        RawDb raw(QDir(dir).filePath(QStringLiteral("Database.mdb")));
        QCOMPARE(raw.count(QStringLiteral("SpecialLetter")), 100);
    }
};

QTEST_GUILESS_MAIN(TestSchema)
#include "tst_schema.moc"

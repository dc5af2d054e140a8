#include "store/Schema.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>

using namespace marking::store;

namespace {
struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run markingctl(const QStringList& args, const QString& workingDirectory = {}) {
    QProcess p;
    p.setProgram(QDir(qEnvironmentVariable("MARKING_PROGRAM_DIR")).filePath("markingctl"));
    p.setArguments(args);
    if (!workingDirectory.isEmpty())
        p.setWorkingDirectory(workingDirectory);
    p.start();
    Run r;
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

// Reads a file's tables, columns and row counts straight from SQLite.
class Inspect {
public:
    explicit Inspect(const QString& path) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name());
        db.setDatabaseName(path);
        db.open();
    }
    ~Inspect() {
        QSqlDatabase::database(name(), false).close();
        QSqlDatabase::removeDatabase(name());
    }
    QStringList columns(const QString& table) const {
        QStringList out;
        const QSqlRecord rec = QSqlDatabase::database(name(), false).record(table);
        for (int i = 0; i < rec.count(); ++i)
            out << rec.fieldName(i);
        return out;
    }
    QVariant scalar(const QString& sql) const {
        QSqlQuery q(QSqlDatabase::database(name(), false));
        if (!q.exec(sql) || !q.next())
            return QVariant();
        return q.value(0);
    }
    int count(const QString& table) const {
        return scalar(QStringLiteral("SELECT count(*) FROM %1").arg(table)).toInt();
    }

private:
    static QString name() { return QStringLiteral("inspect"); }
};

// Another program in the middle of a write to a file: a row added in an
// open write transaction.
class Writer {
public:
    explicit Writer(const QString& path) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name());
        db.setDatabaseName(path);
        QSqlQuery q(db);
        const QString table = path.endsWith("Database.mdb") ? "MarkingWork" : "WorkReport";
        const QString column = path.endsWith("Database.mdb") ? "W_Data" : "R_Data";
        ok_ = db.open() && q.exec("BEGIN IMMEDIATE") &&
              q.exec(QStringLiteral("INSERT INTO %1 (%2) VALUES ('written')").arg(table, column));
    }
    ~Writer() {
        QSqlDatabase::database(name(), false).close();
        QSqlDatabase::removeDatabase(name());
    }
    bool ok() const { return ok_; }
    bool commit() { return QSqlQuery(QSqlDatabase::database(name(), false)).exec("COMMIT"); }

private:
    static QString name() { return QStringLiteral("writer"); }
    bool ok_ = false;
};

// Adds a row that a freshly made file does not have to each of the three files.
void MarkAll(const QString& dir) {
    for (const char* file : {"Database.mdb", "Report.mdb", "Print.mdb"}) {
        Inspect db(QDir(dir).filePath(QLatin1String(file)));
        db.scalar(QLatin1String(file) == QLatin1String("Database.mdb")
                      ? "INSERT INTO MarkingWork (W_Data) VALUES ('old') RETURNING W_ID"
                      : "INSERT INTO WorkReport (R_Data) VALUES ('old') RETURNING R_ID");
    }
}

// How many of the three files still hold the row of MarkAll.
int MarkedFiles(const QString& dir) {
    int marked = 0;
    for (const char* file : {"Database.mdb", "Report.mdb", "Print.mdb"}) {
        Inspect db(QDir(dir).filePath(QLatin1String(file)));
        const QString table =
            QLatin1String(file) == QLatin1String("Database.mdb") ? "MarkingWork" : "WorkReport";
        marked += db.count(table) > 0 ? 1 : 0;
    }
    return marked;
}
} // namespace

class TestDbInit : public QObject {
    Q_OBJECT
private slots:
    void init_makesEveryTableAndColumnWithInitialRows() {
        QTemporaryDir dir;
        const QString target = QDir(dir.path()).filePath(QStringLiteral("station"));
        const Run r = markingctl({"db", "init", target});
        QCOMPARE(r.exitCode, 0);
        const QJsonObject json = QJsonDocument::fromJson(r.out).object();
        QCOMPARE(json.value("created").toArray().size(), 3);

        const QHash<QString, int> rows{{"ProgramSetting", 1},  {"CarvingWork", 2},
                                       {"SpecialLetter", 100}, {"MarkingSetting", 0},
                                       {"MarkingWork", 0},     {"WorkReport", 0}};
        for (DatabaseFile f : AllDatabaseFiles()) {
            const QString path = QDir(target).filePath(FileName(f));
            QVERIFY2(QFile::exists(path), qPrintable(path));
            Inspect db(path);
            for (const TableDef& t : Tables(f)) {
                QStringList expected;
                for (const ColumnDef& c : t.columns)
                    expected << c.name;
                QCOMPARE(db.columns(t.name), expected);
                QCOMPARE(db.count(t.name), rows.value(t.name));
            }
        }
        QVERIFY(!QFile::exists(QDir(target).filePath("Database.mdb.new")));
    }

    void init_specialLettersFollowTheKeyTable_data() {
        QTest::addColumn<int>("slot");
        QTest::addColumn<QString>("key");
        QTest::newRow("F1") << 1 << "F1";
        QTest::newRow("F10") << 10 << "F10";
        QTest::newRow("Shift+F10") << 20 << "Shift+F10";
        QTest::newRow("Ctrl+F1") << 21 << "Ctrl+F1";
        QTest::newRow("Alt+F3") << 33 << "Alt+F3";
        QTest::newRow("Alt+F5 after the unused Alt+F4") << 34 << "Alt+F5";
        QTest::newRow("Alt+F10") << 39 << "Alt+F10";
        QTest::newRow("no key") << 40 << "";
        QTest::newRow("bank 5, no key") << 51 << "";
    }
    void init_specialLettersFollowTheKeyTable() {
        QFETCH(int, slot);
        QFETCH(QString, key);
        QTemporaryDir dir;
        QCOMPARE(markingctl({"db", "init", dir.path()}).exitCode, 0);
        Inspect db(QDir(dir.path()).filePath("Database.mdb"));
        QCOMPARE(db.scalar(QStringLiteral("SELECT S_FunctionKey FROM SpecialLetter WHERE S_ID = %1")
                               .arg(slot))
                     .toString(),
                 key);
        QCOMPARE(db.scalar("SELECT count(DISTINCT S_ControllerAddress) FROM SpecialLetter").toInt(),
                 100);
        QCOMPARE(db.scalar("SELECT count(*) FROM SpecialLetter WHERE S_SpecialLetter IS NULL OR "
                           "S_SpecialLetter = ''")
                     .toInt(),
                 0);
        QCOMPARE(db.scalar("SELECT count(DISTINCT S_SpecialLetter) FROM SpecialLetter").toInt(),
                 100);
    }

    void init_existingFiles_refusedUnlessForced() {
        QTemporaryDir dir;
        QCOMPARE(markingctl({"db", "init", dir.path()}).exitCode, 0);
        const QString db = QDir(dir.path()).filePath("Database.mdb");
        {
            Inspect i(db);
            QVERIFY(i.scalar("INSERT INTO MarkingWork (W_Data) VALUES ('kept') RETURNING W_ID")
                        .isValid());
            QCOMPARE(i.count("MarkingWork"), 1);
        }
        const Run refused = markingctl({"db", "init", dir.path()});
        QCOMPARE(refused.exitCode, 3);
        const QJsonObject json = QJsonDocument::fromJson(refused.out).object();
        QVERIFY(json.value("error").toString().contains("Database.mdb"));
        {
            Inspect i(db);
            QCOMPARE(i.count("MarkingWork"), 1); // untouched
        }
        const Run forced = markingctl({"db", "init", "--force", dir.path()});
        QCOMPARE(forced.exitCode, 0);
        Inspect i(db);
        QCOMPARE(i.count("MarkingWork"), 0);
        QCOMPARE(i.count("ProgramSetting"), 1);
    }

    void init_oneFilePresent_refusedAndNothingMade() {
        QTemporaryDir dir;
        QFile f(QDir(dir.path()).filePath("Print.mdb"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        const Run r = markingctl({"db", "init", dir.path()});
        QCOMPARE(r.exitCode, 3);
        QVERIFY(QJsonDocument::fromJson(r.out).object().value("error").toString().contains(
            "Print.mdb"));
        QVERIFY(!QFile::exists(QDir(dir.path()).filePath("Database.mdb")));
    }

    // Another program's committed row must not go to a replaced file: while
    // any of the three is written, --force replaces none of them.
    void initForce_fileBeingWritten_refusedAndNothingReplaced_data() {
        QTest::addColumn<QString>("file");
        QTest::newRow("Database.mdb") << "Database.mdb";
        QTest::newRow("Report.mdb") << "Report.mdb";
        QTest::newRow("Print.mdb") << "Print.mdb";
    }
    void initForce_fileBeingWritten_refusedAndNothingReplaced() {
        QFETCH(QString, file);
        QTemporaryDir dir;
        QCOMPARE(markingctl({"db", "init", dir.path()}).exitCode, 0);
        MarkAll(dir.path());
        const QString path = QDir(dir.path()).filePath(file);
        {
            Writer writer(path);
            QVERIFY(writer.ok());
            const Run r = markingctl({"db", "init", "--force", dir.path()});
            QCOMPARE(r.exitCode, 3);
            QVERIFY2(
                QJsonDocument::fromJson(r.out).object().value("error").toString().contains(path),
                r.out.constData());
            QVERIFY(writer.commit());
        }
        QCOMPARE(MarkedFiles(dir.path()), 3);
        Inspect db(path);
        QCOMPARE(db.scalar(file == u"Database.mdb"
                               ? "SELECT count(*) FROM MarkingWork WHERE W_Data = 'written'"
                               : "SELECT count(*) FROM WorkReport WHERE R_Data = 'written'")
                     .toInt(),
                 1);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot),
                 (QStringList{"Database.mdb", "Print.mdb", "Report.mdb"}));
    }

    // A swap that fails at the last file undoes the two before it.
    void initForce_failingPartWay_keepsTheOldSet() {
        QTemporaryDir dir;
        QCOMPARE(markingctl({"db", "init", dir.path()}).exitCode, 0);
        MarkAll(dir.path());
        // A folder where the old Print.mdb would be kept during the swap.
        QVERIFY(QDir(dir.path()).mkpath("Print.mdb.old/in use"));
        const Run failed = markingctl({"db", "init", "--force", dir.path()});
        QCOMPARE(failed.exitCode, 3);
        QVERIFY(QJsonDocument::fromJson(failed.out)
                    .object()
                    .value("error")
                    .toString()
                    .contains("Print.mdb"));
        QCOMPARE(MarkedFiles(dir.path()), 3);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
                 (QStringList{"Database.mdb", "Print.mdb", "Report.mdb"}));

        QVERIFY(QDir(dir.path()).rmpath("Print.mdb.old/in use"));
        QCOMPARE(markingctl({"db", "init", "--force", dir.path()}).exitCode, 0);
        QCOMPARE(MarkedFiles(dir.path()), 0);
    }

    void usageErrors_exitTwo_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("no verb") << QStringList{"db"};
        QTest::newRow("unknown verb") << QStringList{"db", "drop", "x"};
        QTest::newRow("no directory") << QStringList{"db", "init"};
        QTest::newRow("two directories") << QStringList{"db", "init", "a", "b"};
        QTest::newRow("unknown option") << QStringList{"db", "init", "--wipe", "a"};
        QTest::newRow("empty directory") << QStringList{"db", "init", ""};
        QTest::newRow("empty directory, forced") << QStringList{"db", "init", "--force", ""};
    }
    void usageErrors_exitTwo() {
        QFETCH(QStringList, args);
        QTemporaryDir cwd;
        const Run r = markingctl(args, cwd.path());
        QCOMPARE(r.exitCode, 2);
        QVERIFY(r.err.contains("usage"));
        QVERIFY(QDir(cwd.path()).isEmpty());
    }

    void buildProgramDirectory_hasItsFiles() {
        const QDir bin(qEnvironmentVariable("MARKING_PROGRAM_DIR"));
        for (DatabaseFile f : AllDatabaseFiles())
            QVERIFY2(QFile::exists(bin.filePath(FileName(f))), qPrintable(FileName(f)));
    }
};

QTEST_GUILESS_MAIN(TestDbInit)
#include "tst_dbinit.moc"

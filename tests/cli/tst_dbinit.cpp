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

const char* const kFiles[] = {"Database.mdb", "Report.mdb", "Print.mdb"};

// A row added to a file (into its only table of work rows).
QString AddRow(const QString& path) {
    return QStringLiteral("INSERT INTO %1 VALUES (NULL) RETURNING 1")
        .arg(path.endsWith("Database.mdb") ? "MarkingWork (W_Data)" : "WorkReport (R_Data)");
}
int Rows(const QString& path) {
    return Inspect(path).count(path.endsWith("Database.mdb") ? "MarkingWork" : "WorkReport");
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

    // --force replaces all three files or none: not while another program
    // writes to one of them (its committed row would go to the replaced
    // file), and a swap that fails at the last file undoes the others.
    void initForce_fileWrittenOrSwapFailing_replacesNone_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("written"); // false: its swap fails
        for (const char* f : kFiles)
            QTest::addRow("%s written", f) << QString(f) << true;
        QTest::newRow("swap of Print.mdb fails") << "Print.mdb" << false;
    }
    void initForce_fileWrittenOrSwapFailing_replacesNone() {
        QFETCH(QString, file);
        QFETCH(bool, written);
        QTemporaryDir dir;
        const QDir d(dir.path());
        QCOMPARE(markingctl({"db", "init", dir.path()}).exitCode, 0);
        for (const char* f : kFiles)
            QVERIFY(Inspect(d.filePath(f)).scalar(AddRow(f)).isValid());
        {
            QSqlDatabase writer = QSqlDatabase::addDatabase("QSQLITE", "writer");
            writer.setDatabaseName(d.filePath(file));
            if (written)
                QVERIFY(writer.open() && writer.exec("BEGIN IMMEDIATE").isActive() &&
                        writer.exec(AddRow(file)).isActive());
            else // where the old Print.mdb is kept during the swap
                QVERIFY(d.mkpath("Print.mdb.old/in use"));
            const Run r = markingctl({"db", "init", "--force", dir.path()});
            QCOMPARE(r.exitCode, 3);
            QVERIFY2(r.out.contains(d.filePath(file).toUtf8()), r.out.constData());
            QVERIFY(!written || writer.commit());
            writer.close();
        }
        QSqlDatabase::removeDatabase("writer");
        for (const char* f : kFiles)
            QCOMPARE(Rows(d.filePath(f)), f == file && written ? 2 : 1);
        QCOMPARE(d.entryList(QDir::Files),
                 (QStringList{"Database.mdb", "Print.mdb", "Report.mdb", "WorkReport.rpt"}));
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

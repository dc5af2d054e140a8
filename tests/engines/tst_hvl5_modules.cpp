#include "common/MessagePort.h"
#include "common/ProgramDirectory.h"
#include "common/SharedValues.h"
#include "controllers/hvl5/Hvl5Modules.h"
#include "controllers/hvl5/SpecialLetterStore.h"
#include "store/Connection.h"
#include "store/Recordset.h"
#include "store/Schema.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using namespace marking;

namespace {

// Sets S_SpecialLetter of the given slots (1-based) of Database.mdb in dir.
bool SetLetters(const QString& dir, const QMap<int, QString>& letters) {
    store::Connection connection;
    if (!connection.Open(dir, store::DatabaseFile::Database).ok())
        return false;
    store::Recordset rows;
    if (!rows.Open(QStringLiteral("select * from SpecialLetter where S_ID"), connection).ok())
        return false;
    rows.MoveFirst();
    for (int slot = 1; !rows.Eof(); ++slot, rows.MoveNext()) {
        if (!letters.contains(slot))
            continue;
        if (!rows.SetField(QStringLiteral("S_SpecialLetter"), letters.value(slot)).ok() ||
            !rows.Update().ok())
            return false;
    }
    return true;
}

// Deletes every SpecialLetter row after the first keep rows.
bool KeepRows(const QString& dir, int keep) {
    store::Connection connection;
    if (!connection.Open(dir, store::DatabaseFile::Database).ok())
        return false;
    store::Recordset rows;
    if (!rows.Open(QStringLiteral("select * from SpecialLetter where S_ID"), connection).ok())
        return false;
    rows.MoveFirst();
    for (int slot = 1; !rows.Eof(); ++slot, rows.MoveNext()) {
        if (slot > keep && !rows.Delete().ok())
            return false;
    }
    return true;
}

// Rebuilds SpecialLetter without column types, as in an imported file, and
// stores value in column of slot 5.
bool LoosenAndSet(const QString& dir, const QString& column, const QVariant& value) {
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "loose");
        db.setDatabaseName(QDir(dir).filePath(QStringLiteral("Database.mdb")));
        QSqlQuery q(db);
        ok = db.open();
        for (const char* sql :
             {"CREATE TABLE t (S_ID, S_SpecialLetter, S_FunctionKey, "
              "S_ControllerAddress)",
              "INSERT INTO t SELECT * FROM SpecialLetter", "DROP TABLE SpecialLetter",
              "ALTER TABLE t RENAME TO SpecialLetter"})
            ok = ok && q.exec(QLatin1String(sql));
        ok = ok &&
             q.prepare(
                 QStringLiteral("UPDATE SpecialLetter SET %1 = ? WHERE rowid = 5").arg(column));
        q.addBindValue(value);
        ok = ok && q.exec();
    }
    QSqlDatabase::removeDatabase("loose");
    return ok;
}

} // namespace

class TestHvl5Modules : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir_;
    ScriptedMessagePort port_;
    std::unique_ptr<ScopedMessagePort> scoped_;

private slots:
    void init() {
        QVERIFY(dir_.isValid());
        QVERIFY(store::CreateDatabaseFiles(dir_.path(), true).ok());
        SetProgramDirectory(dir_.path());
        ResetSharedValues();
        HVL5SpecialLetterTable() = hvl5::SpecialLetterTable();
        HVL5LetterWidth() = 0;
        port_.Clear();
        scoped_ = std::make_unique<ScopedMessagePort>(&port_);
    }
    void cleanup() { scoped_.reset(); }

    void load_readsHundredSlotsInKeyOrder() {
        const auto rows = hvl5::ReadSpecialLetters(dir_.path());
        QVERIFY(rows.ok());
        QCOMPARE(rows.value().size(), std::size_t(100));
        for (std::size_t k = 1; k < rows.value().size(); ++k)
            QVERIFY(rows.value()[k - 1].id < rows.value()[k].id);
        QVERIFY(ModHVL5SpecialLetter());
        QCOMPARE(HVL5SpecialLetterTable().rows().size(), std::size_t(100));
    }

    void conversion_usesStoredLetters() {
        QVERIFY(SetLetters(dir_.path(), {{1, QStringLiteral("KS")}, {51, QStringLiteral("KS")}}));
        const auto rows = hvl5::ReadSpecialLetters(dir_.path());
        QVERIFY(rows.ok());
        const QString address1 = rows.value()[0].controllerAddress;
        const QString address51 = rows.value()[50].controllerAddress;
        QVERIFY(address1 != address51);
        Shared().MarkingText = QStringLiteral("@4KS1↕@5KS");
        QVERIFY(ModHVL5DataConversion());
        QCOMPARE(Shared().ControllerText, "@4" + address1 + "1@5" + address51);
        QVERIFY(port_.Entries().isEmpty());
    }

    void conversion_reloadsTableEveryTime() {
        QVERIFY(SetLetters(dir_.path(), {{2, QStringLiteral("X")}}));
        Shared().MarkingText = QStringLiteral("@4X");
        QVERIFY(ModHVL5DataConversion());
        const QString first = Shared().ControllerText;
        QVERIFY(first != QStringLiteral("@4X"));
        QVERIFY(SetLetters(dir_.path(), {{2, QStringLiteral("Y")}}));
        QVERIFY(ModHVL5DataConversion());
        QCOMPARE(Shared().ControllerText, QStringLiteral("@4X"));
    }

    void emptyStoredLetter_neverMatches() {
        QVERIFY(SetLetters(dir_.path(), {{1, QString()}}));
        Shared().MarkingText = QStringLiteral("@4AB");
        QVERIFY(ModHVL5DataConversion());
        QCOMPARE(Shared().ControllerText, QStringLiteral("@4AB"));
    }

    void missingDatabase_showsErrorAndConvertsNothing() {
        QVERIFY(QFile::remove(dir_.filePath(QStringLiteral("Database.mdb"))));
        Shared().MarkingText = QStringLiteral("AB");
        Shared().ControllerText = QStringLiteral("old");
        QVERIFY(!ModHVL5DataConversion());
        QVERIFY(Shared().ControllerText.isEmpty());
        QCOMPARE(port_.Messages().size(), 1);
        QVERIFY(port_.Messages().front().text.contains(QStringLiteral("Database.mdb")));
        Shared().MarkingDataLength = 12.5;
        QVERIFY(!ModHVL5MarkingDataLengthCheck());
        QCOMPARE(Shared().MarkingDataLength, 12.5);
    }

    void fewerThanHundredRows_isAnError() {
        QVERIFY(KeepRows(dir_.path(), 60));
        const auto rows = hvl5::ReadSpecialLetters(dir_.path());
        QVERIFY(!rows.ok());
        QVERIFY(rows.error().Text().contains(QStringLiteral("60")));
        QVERIFY(!ModHVL5SpecialLetter());
        QCOMPARE(port_.Messages().size(), 1);
    }

    void looseTable_onlyTextsAreRead_data() {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("real address") << "S_ControllerAddress" << QVariant(41.5);
        QTest::newRow("number letter") << "S_SpecialLetter" << QVariant(12);
        QTest::newRow("number key label") << "S_FunctionKey" << QVariant(5);
        QTest::newRow("text key") << "S_ID" << QVariant("five");
    }
    void looseTable_onlyTextsAreRead() {
        QFETCH(QString, column);
        QFETCH(QVariant, value);
        QVERIFY(LoosenAndSet(dir_.path(), column, value));
        const auto rows = hvl5::ReadSpecialLetters(dir_.path());
        QVERIFY(!rows.ok());
        QVERIFY(rows.error().Text().contains(column));
        QVERIFY(rows.error().Text().contains(QStringLiteral("Database.mdb")));
        QVERIFY(LoosenAndSet(dir_.path(), column, column == u"S_ID" ? QVariant(5) : QVariant("5")));
        QVERIFY(hvl5::ReadSpecialLetters(dir_.path()).ok());
    }

    void noRows_keepsFormerTable() {
        QVERIFY(ModHVL5SpecialLetter());
        QVERIFY(KeepRows(dir_.path(), 0));
        QVERIFY(ModHVL5SpecialLetter());
        QCOMPARE(HVL5SpecialLetterTable().rows().size(), std::size_t(100));
    }

    void lengthCheck_keepsWidthBetweenChecks() {
        Shared().ProgramSettings.DotDimension = 0.5;
        Shared().ProgramSettings.LetterIntervalDotVolume = 2;
        Shared().ProgramSettings.Revision = 1;
        Shared().MarkingText = QStringLiteral("ABC");
        QVERIFY(ModHVL5MarkingDataLengthCheck());
        QCOMPARE(Shared().MarkingDataLength, 3.0);
        Shared().MarkingText = QStringLiteral("@4ABC");
        QVERIFY(ModHVL5MarkingDataLengthCheck());
        QCOMPARE(Shared().MarkingDataLength, 18.0);
        Shared().MarkingText = QStringLiteral("ABC");
        QVERIFY(ModHVL5MarkingDataLengthCheck());
        QCOMPARE(Shared().MarkingDataLength, 18.0);
        QCOMPARE(HVL5LetterWidth(), 10);
    }

    void ruleCheck_alwaysPassesSilently() {
        Shared().MarkingText = QString();
        Shared().RuleCheckCaller = 1;
        ModHVL5MarkingDataRuleCheck();
        QVERIFY(Shared().RuleCheckPassed);
        QVERIFY(port_.Entries().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestHvl5Modules)
#include "tst_hvl5_modules.moc"

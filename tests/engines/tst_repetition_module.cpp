#include "common/ProgramDirectory.h"
#include "common/SharedValues.h"
#include "store/Connection.h"
#include "store/Recordset.h"
#include "store/Schema.h"
#include "work/ModContinuityMarkingDataRepetitionCheck.h"

#include <QTemporaryDir>
#include <QTest>

using namespace marking;

namespace {

struct Setting {
    int controller;
    int pipeSide;
    double dot;
};

bool WriteSettings(const Setting& s) {
    store::Connection connection;
    if (!connection.Open(store::DatabaseFile::Database).ok())
        return false;
    store::Recordset rows;
    if (!rows.Open(QStringLiteral("select * from ProgramSetting where P_ID"), connection).ok() ||
        rows.RecordCount() != 1)
        return false;
    rows.MoveFirst();
    return rows.SetField(QStringLiteral("P_PrintControler"), s.controller).ok() &&
           rows.SetField(QStringLiteral("P_PipeSide"), s.pipeSide).ok() &&
           rows.SetField(QStringLiteral("P_DotDimension"), s.dot).ok() &&
           rows.SetField(QStringLiteral("P_LetterIntervalDotVolume"), 2).ok() &&
           rows.SetField(QStringLiteral("P_Revision"), 1.0).ok() && rows.Update().ok();
}

// Appends a continuity work; a null QVariant leaves the column empty.
bool AddWork(const QString& data, const QVariant& length, const QVariant& repetition,
             int parenthesis) {
    store::Connection connection;
    if (!connection.Open(store::DatabaseFile::Database).ok())
        return false;
    store::Recordset rows;
    if (!rows.Open(QStringLiteral("select * from MarkingWork where W_ID"), connection).ok() ||
        !rows.AddNew().ok())
        return false;
    return rows.SetField(QStringLiteral("W_MarkingMethod"), 1).ok() &&
           rows.SetField(QStringLiteral("W_Data"), data).ok() &&
           rows.SetField(QStringLiteral("W_Length"), length).ok() &&
           rows.SetField(QStringLiteral("W_Reptition"), repetition).ok() &&
           rows.SetField(QStringLiteral("W_Parenthesis"), parenthesis).ok() && rows.Update().ok();
}

} // namespace

class TestRepetitionModule : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<QTemporaryDir> dir_;

private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        QVERIFY(store::CreateDatabaseFiles(dir_->path(), true).ok());
        SetProgramDirectory(dir_->path());
        ResetSharedValues();
        Shared().CurrentMarkingMethod = ContinuityMarking;
    }

    void firstWork_isExpanded_data() {
        QTest::addColumn<int>("controller");
        QTest::addColumn<QString>("text");
        QTest::newRow("trx20") << 0
                               << QStringLiteral("@3(     )@1ABCz999z999z999z999z414@1ABC"
                                                 "z999z999z999z999z414@1ABC");
        QTest::newRow("hvl5") << 1 << QStringLiteral("@3(     )@1ABC@S4410@1ABC@S4410@1ABC");
        QTest::newRow("trx30") << 2
                               << QStringLiteral("@3(     )@1ABCz999z999z999z999z414@1ABC"
                                                 "z999z999z999z999z414@1ABC");
    }
    void firstWork_isExpanded() {
        QFETCH(int, controller);
        QFETCH(QString, text);
        QVERIFY(WriteSettings({controller, 100, 0.1}));
        QVERIFY(AddWork(QStringLiteral("@1ABC"), 1000, 3, 3));
        QVERIFY(AddWork(QStringLiteral("@1XYZ"), 2000, 2, 0));
        const RepetitionCheckOutcome r = ModContinuityMarkingDataRepetitionCheck();
        QVERIFY2(r.ok, qPrintable(r.message));
        QCOMPARE(Shared().MarkingText, text);
        QCOMPARE(Shared().CurrentRepetition, 3);
        QCOMPARE(Shared().ParenthesisSelection, 3);
        // 3 x 2.1 mm plus the parenthesis allowance (96 + 20 dots) once.
        QVERIFY(qAbs(Shared().MarkingDataLength - (6.3 + 11.6)) < 1e-9);
        QCOMPARE(Shared().ProgramSettings.PipeSide, 100);
    }

    void emptyWorkList_leavesTextEmpty() {
        QVERIFY(WriteSettings({0, 100, 0.1}));
        Shared().MarkingText = QStringLiteral("old");
        const RepetitionCheckOutcome r = ModContinuityMarkingDataRepetitionCheck();
        QVERIFY(r.ok);
        QVERIFY(Shared().MarkingText.isEmpty());
        QCOMPARE(Shared().CurrentRepetition, 0);
    }

    void refusal_data() {
        QTest::addColumn<int>("pipeSide");
        QTest::addColumn<double>("dot");
        QTest::addColumn<QVariant>("length");
        QTest::addColumn<QVariant>("repetition");
        QTest::addColumn<QString>("says");
        QTest::newRow("no longer fits")
            << 999 << 0.1 << QVariant(1000) << QVariant(3) << QStringLiteral("들어가지 않습니다");
        QTest::newRow("dot dimension 0")
            << 100 << 0.0 << QVariant(1000) << QVariant(3) << QStringLiteral("DotDimension");
        QTest::newRow("empty repetition")
            << 100 << 0.1 << QVariant(1000) << QVariant() << QStringLiteral("반복 횟수");
        QTest::newRow("empty length")
            << 100 << 0.1 << QVariant() << QVariant(3) << QStringLiteral("파이프 길이");
    }
    void refusal() {
        QFETCH(int, pipeSide);
        QFETCH(double, dot);
        QFETCH(QVariant, length);
        QFETCH(QVariant, repetition);
        QFETCH(QString, says);
        QVERIFY(WriteSettings({0, pipeSide, dot}));
        QVERIFY(AddWork(QStringLiteral("@1ABC"), length, repetition, 0));
        const RepetitionCheckOutcome r = ModContinuityMarkingDataRepetitionCheck();
        QVERIFY(!r.ok);
        QVERIFY2(r.message.contains(says), qPrintable(r.message));
        QVERIFY(!r.title.isEmpty());
        QVERIFY(Shared().MarkingText.isEmpty());
    }

    void unknownController_keepsText() {
        QVERIFY(WriteSettings({5, 100, 0.1}));
        QVERIFY(AddWork(QStringLiteral("@1ABC"), 1000, 3, 0));
        const RepetitionCheckOutcome r = ModContinuityMarkingDataRepetitionCheck();
        QVERIFY(r.ok);
        QCOMPARE(Shared().MarkingText, QStringLiteral("@1ABC"));
    }

    void missingDatabase_isRefusedNamingTheFile() {
        QVERIFY(QFile::remove(dir_->filePath(QStringLiteral("Database.mdb"))));
        const RepetitionCheckOutcome r = ModContinuityMarkingDataRepetitionCheck();
        QVERIFY(!r.ok);
        QVERIFY(r.message.contains(QStringLiteral("Database.mdb")));
    }
};

QTEST_GUILESS_MAIN(TestRepetitionModule)
#include "tst_repetition_module.moc"

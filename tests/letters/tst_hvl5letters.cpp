#include "LettersTestSupport.h"
#include "ScreenTablesCheck.h"

#include "common/MessagePort.h"
#include "common/SharedValues.h"
#include "common/widgets/GridBehaviour.h"
#include "controllers/hvl5/Hvl5Engine.h"
#include "controllers/hvl5/Hvl5Modules.h"
#include "controllers/hvl5/SpecialLetterStore.h"
#include "controllers/letters/FomHVL5SpecialLetter.h"

#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableWidget>
#include <memory>

using namespace marking;
using namespace marking::letters;
using namespace letterstest;

namespace {

// Runs SQL on Database.mdb behind the program's back (the program itself
// never adds or deletes special letter rows).
void rawSql(const QString& dir, const QString& sql) {
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "raw");
        db.setDatabaseName(dir + "/Database.mdb");
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY2(q.exec(sql), qPrintable(sql));
    }
    QSqlDatabase::removeDatabase("raw");
}

QString storedLetter(int id) {
    const auto rows = hvl5::ReadSpecialLetters(ProgramDirectory());
    if (!rows.ok() || id < 1 || id > int(rows.value().size()))
        return "<none>";
    return rows.value()[id - 1].letter;
}

void clickRow(QTableWidget* grid, int row) {
    grid->scrollToItem(grid->item(row, 1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualItemRect(grid->item(row, 1)).center());
}

} // namespace

class TestHvl5Letters : public QObject {
    Q_OBJECT
    ScriptedMessagePort port_;
    std::unique_ptr<ProgramDir> dir_;
    std::unique_ptr<TargetField> setting_;
    std::unique_ptr<TargetField> workList_;

    std::unique_ptr<FomHVL5SpecialLetter> open() {
        auto screen = std::make_unique<FomHVL5SpecialLetter>();
        screen->show();
        screen->activateWindow();
        if (!QTest::qWaitForWindowActive(screen.get()))
            qWarning("screen not active");
        return screen;
    }
    void setMode(FomHVL5SpecialLetter& s, int mode) { s.CboModeSelect->setCurrentIndex(mode); }

private slots:
    void initTestCase() { SetMessagePort(&port_); }
    void cleanupTestCase() { SetMessagePort(nullptr); }
    void init() {
        ResetSharedValues();
        port_.Clear();
        dir_ = std::make_unique<ProgramDir>();
        // Letters with blanks around them: the screen inserts them trimmed.
        rawSql(dir_->path(), "UPDATE SpecialLetter SET S_SpecialLetter = ' L' || S_ID || ' '");
        setting_ = std::make_unique<TargetField>(1);
        workList_ = std::make_unique<TargetField>(2);
        setting_->Set("@4", 2);
        workList_->Set("@4", 2);
    }
    void cleanup() {
        workList_.reset();
        setting_.reset();
        dir_.reset();
    }

    void tables_andTheHundredRows() {
        auto s = open();
        screentest::CheckScreenTables(s->Form());
        QCOMPARE(s->windowTitle(), "HVL-5 특수문자 입력(ORVEL 소경 4호기)");
        QCOMPARE(s->SSPanel50->text(),
                 " 1번~50번 까지는 '@4'으로, 51~100번 까지는 '@5'로 마킹되는 영역입니다.");
        const auto rows = hvl5::ReadSpecialLetters(dir_->path());
        QVERIFY(rows.ok());
        QCOMPARE(s->Grid().Rows(), 101);
        for (int r = 1; r <= 100; ++r) {
            const hvl5::SpecialLetter& slot = rows.value()[r - 1];
            QCOMPARE(QStringList({s->Grid().Text(r, 0), s->Grid().Text(r, 1), s->Grid().Text(r, 2),
                                  s->Grid().Text(r, 3)}),
                     QStringList({QString::number(slot.id), slot.letter, slot.functionKey,
                                  slot.controllerAddress}));
        }
        QVERIFY(port_.Entries().isEmpty());
    }

    // Each row's function key label (S_FunctionKey) is the key that inserts it.
    void functionKeys_labelOfEveryRowInsertsIt() {
        auto s = open();
        int keyed = 0;
        for (int r = 1; r < s->Grid().Rows(); ++r) {
            const QString label = s->Grid().Text(r, 2);
            if (label.isEmpty())
                continue;
            ++keyed;
            workList_->Set("", 0);
            Shared().SpecialLetterTarget = 2;
            const QKeyCombination key = QKeySequence(label)[0];
            QTest::keyClick(s->CboModeSelect, key.key(), key.keyboardModifiers());
            QCOMPARE(workList_->field->text(), QString("L%1").arg(r));
        }
        QCOMPARE(keyed, 39);
    }

    void functionKeys_insertListedRow_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("row"); // 0: nothing inserted
        QTest::newRow("F3") << "F3" << 0 << 3;
        QTest::newRow("Shift+F10") << "Shift+F10" << 0 << 20;
        QTest::newRow("Ctrl+F1") << "Ctrl+F1" << 0 << 21;
        QTest::newRow("Alt+F3") << "Alt+F3" << 0 << 33;
        QTest::newRow("Alt+F4") << "Alt+F4" << 0 << 0;
        QTest::newRow("Alt+F5") << "Alt+F5" << 0 << 34;
        QTest::newRow("Alt+F10") << "Alt+F10" << 0 << 39;
        QTest::newRow("F11") << "F11" << 0 << 0;
        QTest::newRow("Ctrl+Shift+F1") << "Ctrl+Shift+F1" << 0 << 0;
        QTest::newRow("Alt+Shift+F5") << "Alt+Shift+F5" << 0 << 0;
        QTest::newRow("modify mode F7") << "F7" << 1 << 7;
        QTest::newRow("modify mode Alt+F4") << "Alt+F4" << 1 << 0;
    }
    void functionKeys_insertListedRow() {
        QFETCH(QString, key);
        QFETCH(int, mode);
        QFETCH(int, row);
        auto s = open();
        setMode(*s, mode);
        Shared().SpecialLetterTarget = 2;
        const QKeyCombination k = QKeySequence(key)[0];
        QWidget* from =
            mode == 1 ? static_cast<QWidget*>(s->TxtSpecialLetter) : s->FlxSpecialLetter;
        from->setFocus();
        QTest::keyClick(from, k.key(), k.keyboardModifiers());
        QCOMPARE(workList_->field->text(), row ? QString("@4L%1").arg(row) : QString("@4"));
        QCOMPARE(setting_->field->text(), "@4");
        QCOMPARE(s->TxtSpecialLetter->text(), ""); // a key is no typing
        QVERIFY(s->isVisible());
    }

    void click_inputModifyAndHeader() {
        auto s = open();
        Shared().SpecialLetterTarget = 1;
        // Input mode: the row's letter, trimmed, at the end; the row chosen.
        clickRow(s->FlxSpecialLetter, 5);
        QCOMPARE(setting_->field->text(), "@4L5");
        QCOMPARE(s->Grid().CurrentRow(), 5);
        // Space on the current row does what a click does.
        s->FlxSpecialLetter->setFocus();
        QTest::keyClick(s->FlxSpecialLetter, Qt::Key_Down);
        QTest::keyClick(s->FlxSpecialLetter, Qt::Key_Space);
        QCOMPARE(setting_->field->text(), "@4L5L6");

        // Modify mode: the letter as stored into TxtSpecialLetter, the key
        // into SelectedRecordId; nothing inserted.
        setMode(*s, 1);
        QVERIFY(s->TxtSpecialLetter->isVisible() && s->ScmdAmendment->isVisible());
        QCOMPARE(QApplication::focusWidget(), s->TxtSpecialLetter);
        clickRow(s->FlxSpecialLetter, 7);
        QCOMPARE(s->TxtSpecialLetter->text(), " L7 ");
        QCOMPARE(Shared().SelectedRecordId, 7);
        QCOMPARE(QApplication::focusWidget(), s->TxtSpecialLetter);
        QCOMPARE(setting_->field->text(), "@4L5L6");

        // The header row empties the text, inserts and chooses nothing.
        QHeaderView* header = s->FlxSpecialLetter->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(1) + 5, header->height() / 2));
        QCOMPARE(s->TxtSpecialLetter->text(), "");
        QCOMPARE(Shared().SelectedRecordId, 7);
        QCOMPARE(setting_->field->text(), "@4L5L6");

        setMode(*s, 0);
        QVERIFY(!s->TxtSpecialLetter->isVisible() && !s->ScmdAmendment->isVisible());
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(1) + 5, header->height() / 2));
        QCOMPARE(setting_->field->text(), "@4L5L6");
        QVERIFY(port_.Entries().isEmpty());
    }

    void amend_data() {
        QTest::addColumn<int>("row"); // clicked in modify mode; 0: none
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("stored"); // S_SpecialLetter of the row afterwards
        const QString done = "정상적으로 수정 되었습니다.";
        QTest::newRow("empty") << 7 << ""
                               << "문자를 입력하십시오."
                               << "입력 확인!"
                               << " L7 ";
        QTest::newRow("control character")
            << 7 << "A\tB" << hvl5::SpecialLetterCheck("A\tB").message << "입력오류!"
            << " L7 ";
        QTest::newRow("quotes and SQL")
            << 9 << "'; DROP TABLE SpecialLetter; --\"%_" << done << "수정 확인!"
            << "'; DROP TABLE SpecialLetter; --\"%_";
        QTest::newRow("as typed, blanks kept") << 3 << "  KS " << done << "수정 확인!"
                                               << "  KS ";
        QTest::newRow("Hangul") << 60 << "탄소강" << done << "수정 확인!"
                                << "탄소강";
        QTest::newRow("no row chosen here") << 0 << "KS"
                                            << "수정할 특수문자를 선택하십시오."
                                            << "선택 확인!"
                                            << " L5 ";
    }
    void amend() {
        QFETCH(int, row);
        QFETCH(QString, text);
        QFETCH(QString, message);
        QFETCH(QString, title);
        QFETCH(QString, stored);
        // The marking settings screen chose its row 5 before.
        Shared().SelectedRecordId = 5;
        auto s = open();
        setMode(*s, 1);
        if (row)
            clickRow(s->FlxSpecialLetter, row);
        s->TxtSpecialLetter->setText(text);
        QTest::mouseClick(s->ScmdAmendment, Qt::LeftButton);

        QCOMPARE(port_.Messages().size(), 1);
        QCOMPARE(port_.Messages()[0].text, message);
        QCOMPARE(port_.Messages()[0].title, title);
        QCOMPARE(port_.Messages()[0].icon, MessageIcon::Information);
        const int id = row ? row : 5;
        QCOMPARE(storedLetter(id), stored);
        QCOMPARE(s->Grid().Text(id, 1), stored);
        // Only the chosen slot's letter changed.
        const auto rows = hvl5::ReadSpecialLetters(dir_->path());
        QVERIFY(rows.ok());
        QCOMPARE(int(rows.value().size()), 100);
        for (const hvl5::SpecialLetter& slot : rows.value()) {
            if (slot.id != id)
                QCOMPARE(slot.letter, QString(" L%1 ").arg(slot.id));
            QCOMPARE(slot.controllerAddress, QString("%1").arg(slot.id, 3, 10, QLatin1Char('0')));
        }
        if (message == "정상적으로 수정 되었습니다.") {
            QCOMPARE(s->Grid().CurrentRow(), row);
            // The new letter is what the conversion now replaces.
            Shared().MarkingText = (row > 50 ? "@5" : "@4") + stored.trimmed();
            if (stored.trimmed() == stored) {
                QVERIFY(ModHVL5DataConversion());
                QCOMPARE(Shared().ControllerText,
                         (row > 50 ? "@5" : "@4") +
                             QString("%1").arg(row, 3, 10, QLatin1Char('0')));
            }
        } else {
            QCOMPARE(QApplication::focusWidget(),
                     row ? static_cast<QWidget*>(s->TxtSpecialLetter) : s->FlxSpecialLetter);
        }
    }

    // A damaged table is reported once, naming the file; the screen shows
    // what there is.
    void damagedTable_reportedOnce_data() {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<int>("rows");         // grid data rows shown
        QTest::addColumn<QString>("says");     // in the message
        QTest::addColumn<QString>("inserted"); // by Alt+F1 (row 31), then F1
        QTest::newRow("30 rows") << "DELETE FROM SpecialLetter WHERE S_ID > 30" << 30 << "30개뿐"
                                 << "L1";
        QTest::newRow("99 rows") << "DELETE FROM SpecialLetter WHERE S_ID = 100" << 99 << "99개뿐"
                                 << "L31L1";
        QTest::newRow("no rows") << "DELETE FROM SpecialLetter" << 0 << "행이 없습니다"
                                 << "";
        QTest::newRow("no file") << "" << 0 << "Database.mdb"
                                 << "";
    }
    void damagedTable_reportedOnce() {
        QFETCH(QString, damage);
        QFETCH(int, rows);
        QFETCH(QString, says);
        QFETCH(QString, inserted);
        if (damage.isEmpty())
            QVERIFY(QFile::remove(dir_->path() + "/Database.mdb"));
        else
            rawSql(dir_->path(), damage);

        auto s = open();
        QCOMPARE(port_.Messages().size(), 1);
        QVERIFY2(port_.Messages()[0].text.contains(says), qPrintable(port_.Messages()[0].text));
        QVERIFY(port_.Messages()[0].text.contains("Database.mdb"));
        QCOMPARE(s->Grid().Rows(), rows + 1);

        Shared().SpecialLetterTarget = 1;
        QTest::keyClick(s->CboModeSelect, Qt::Key_F1, Qt::AltModifier); // row 31
        QTest::keyClick(s->CboModeSelect, Qt::Key_F1);
        QCOMPARE(setting_->field->text(), "@4" + inserted);
    }

    void close_targetZero_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("Esc in the grid") << "Esc";
        QTest::newRow("ScmdExit") << "ScmdExit";
        QTest::newRow("window close") << "close";
    }
    void close_targetZero() {
        QFETCH(QString, how);
        auto s = open();
        Shared().SpecialLetterTarget = 2;
        if (how == "Esc")
            QTest::keyClick(s->FlxSpecialLetter, Qt::Key_Escape);
        else if (how == "ScmdExit")
            QTest::mouseClick(s->ScmdExit, Qt::LeftButton);
        else
            s->close();
        QVERIFY(!s->isVisible());
        QCOMPARE(Shared().SpecialLetterTarget, 0);
    }
};

QTEST_MAIN(TestHvl5Letters)
#include "tst_hvl5letters.moc"

#include "LettersTestSupport.h"
#include "ScreenTablesCheck.h"

#include "common/MessagePort.h"
#include "common/SharedValues.h"
#include "common/widgets/GridBehaviour.h"
#include "controllers/hvl5/Hvl5Engine.h"
#include "controllers/hvl5/SpecialLetterStore.h"
#include "controllers/letters/FomHVL5SpecialLetter.h"

#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableWidget>
#include <memory>

using namespace marking;
using namespace marking::letters;
using namespace letterstest;

namespace {

// SQL on Database.mdb behind the program's back (it never adds or deletes
// special letter rows itself).
void rawSql(const QString& dir, const QString& sql) {
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "raw");
        db.setDatabaseName(dir + "/Database.mdb");
        QVERIFY(db.open());
        QVERIFY2(QSqlQuery(db).exec(sql), qPrintable(sql));
    }
    QSqlDatabase::removeDatabase("raw");
}

void clickRow(QTableWidget* grid, int row) {
    grid->scrollToItem(grid->item(row, 1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualItemRect(grid->item(row, 1)).center());
}

void clickHeader(QTableWidget* grid) {
    QHeaderView* header = grid->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(1) + 5, header->height() / 2));
}

} // namespace

class TestHvl5Letters : public QObject {
    Q_OBJECT
    ScriptedMessagePort port_;
    std::unique_ptr<ProgramDir> dir_;
    std::unique_ptr<TargetField> setting_;
    std::unique_ptr<TargetField> workList_;

    std::unique_ptr<FomHVL5SpecialLetter> open(int mode = 0) {
        auto screen = std::make_unique<FomHVL5SpecialLetter>();
        if (!ShowActive(*screen))
            qWarning("screen not active");
        screen->CboModeSelect->setCurrentIndex(mode);
        return screen;
    }

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
        QTest::newRow("modify mode F7") << "F7" << 1 << 7;
        QTest::newRow("modify mode Alt+F4") << "Alt+F4" << 1 << 0;
    }
    void functionKeys_insertListedRow() {
        QFETCH(QString, key);
        QFETCH(int, mode);
        QFETCH(int, row);
        auto s = open(mode);
        Shared().SpecialLetterTarget = 2;
        (mode ? static_cast<QWidget*>(s->TxtSpecialLetter) : s->FlxSpecialLetter)->setFocus();
        PressKey(*s, key);
        QCOMPARE(workList_->field->text(), row ? QString("@4L%1").arg(row) : QString("@4"));
        QCOMPARE(setting_->field->text(), "@4");
        QCOMPARE(s->TxtSpecialLetter->text(), ""); // a key is no typing
    }

    void click_inputModifyAndHeader() {
        auto s = open();
        Shared().SpecialLetterTarget = 1;
        // Input mode: the row's letter, trimmed, at the end; Space does the same.
        clickRow(s->FlxSpecialLetter, 5);
        QCOMPARE(s->Grid().CurrentRow(), 5);
        QTest::keyClick(s->FlxSpecialLetter, Qt::Key_Down);
        QTest::keyClick(s->FlxSpecialLetter, Qt::Key_Space);
        QCOMPARE(setting_->field->text(), "@4L5L6");
        clickHeader(s->FlxSpecialLetter);

        // Modify mode: the letter as stored to edit, the key chosen, nothing inserted.
        s->CboModeSelect->setCurrentIndex(1);
        QVERIFY(s->TxtSpecialLetter->isVisible() && s->ScmdAmendment->isVisible());
        clickRow(s->FlxSpecialLetter, 7);
        QCOMPARE(s->TxtSpecialLetter->text(), " L7 ");
        QCOMPARE(Shared().SelectedRecordId, 7);
        QCOMPARE(QApplication::focusWidget(), s->TxtSpecialLetter);
        // The header empties the text, inserts and chooses nothing.
        clickHeader(s->FlxSpecialLetter);
        QCOMPARE(s->TxtSpecialLetter->text(), "");
        QCOMPARE(Shared().SelectedRecordId, 7);
        QCOMPARE(setting_->field->text(), "@4L5L6");

        s->CboModeSelect->setCurrentIndex(0);
        QVERIFY(!s->TxtSpecialLetter->isVisible() && !s->ScmdAmendment->isVisible());
        QVERIFY(port_.Entries().isEmpty());
    }

    void amend_data() {
        QTest::addColumn<int>("row"); // clicked in modify mode; 0: none
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("stored"); // S_SpecialLetter of the row afterwards
        const QString done = "정상적으로 수정 되었습니다.";
        const QString sql = "'; DROP TABLE SpecialLetter; --\"%_";
        QTest::newRow("empty") << 7 << ""
                               << "문자를 입력하십시오."
                               << "입력 확인!"
                               << " L7 ";
        QTest::newRow("control character")
            << 7 << "A\tB" << hvl5::SpecialLetterCheck("A\tB").message << "입력오류!"
            << " L7 ";
        QTest::newRow("quotes and SQL") << 9 << sql << done << "수정 확인!" << sql;
        QTest::newRow("as typed, blanks kept") << 3 << "  KS " << done << "수정 확인!"
                                               << "  KS ";
        QTest::newRow("Hangul, bank 5") << 60 << "탄소강" << done << "수정 확인!"
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
        Shared().SelectedRecordId = 5; // the marking settings screen's row
        auto s = open(1);
        if (row)
            clickRow(s->FlxSpecialLetter, row);
        s->TxtSpecialLetter->setText(text);
        QTest::mouseClick(s->ScmdAmendment, Qt::LeftButton);

        QCOMPARE(port_.Messages().size(), 1);
        QCOMPARE(port_.Messages()[0].text + port_.Messages()[0].title, message + title);
        QCOMPARE(port_.Messages()[0].icon, MessageIcon::Information);
        const int id = row ? row : 5;
        QCOMPARE(s->Grid().Text(id, 1), stored);
        // Only the chosen slot's letter changed.
        const auto rows = hvl5::ReadSpecialLetters(dir_->path());
        QVERIFY(rows.ok());
        QCOMPARE(int(rows.value().size()), 100);
        for (const hvl5::SpecialLetter& slot : rows.value()) {
            QCOMPARE(slot.letter, slot.id == id ? stored : QString(" L%1 ").arg(slot.id));
            QCOMPARE(slot.controllerAddress, QString("%1").arg(slot.id, 3, 10, QLatin1Char('0')));
        }
        if (title == "수정 확인!")
            QCOMPARE(s->Grid().CurrentRow(), row);
        else
            QCOMPARE(QApplication::focusWidget(),
                     row ? static_cast<QWidget*>(s->TxtSpecialLetter) : s->FlxSpecialLetter);
    }

    // A damaged table is reported once, naming the file; the screen shows
    // and inserts what there is.
    void damagedTable_reportedOnce_data() {
        QTest::addColumn<QString>("damage"); // "": no file
        QTest::addColumn<int>("rows");       // grid data rows shown
        QTest::addColumn<QString>("says");
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
        PressKey(*s, "Alt+F1");
        PressKey(*s, "F1");
        QCOMPARE(setting_->field->text(), "@4" + inserted);
    }
};

QTEST_MAIN(TestHvl5Letters)
#include "tst_hvl5letters.moc"

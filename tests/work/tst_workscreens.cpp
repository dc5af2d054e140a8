// The marking settings and work list screens, headless, through their keys
// and the scripted message port.

#include "ScreenTablesCheck.h"
#include "WorkTestSupport.h"

#include "common/MessagePort.h"
#include "common/SharedValues.h"
#include "common/widgets/GridBehaviour.h"
#include "common/widgets/ScreenSpec.h"
#include "controllers/MarkingDataFocus.h"
#include "controllers/letters/SpecialLetterPalette.h"
#include "work/CarvingWork.h"
#include "work/WorkList.h"
#include "work/screens/FomMarkingSetting.h"
#include "work/screens/FomMarkingWorkState.h"
#include "work/screens/WorkScreenParts.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableWidget>
#include <QTimer>

using namespace marking;
using namespace marking::work;
using namespace worktest;

namespace {

const QStringList kWorkColumns{
    col::W_ID,          col::W_MarkingMethod, col::W_Data,      col::W_Length,
    col::W_Pi,          col::W_PipeVolume,    col::W_Reptition, col::W_LengthYesorNo,
    col::W_UnitYesorNo, col::W_Parenthesis,   col::W_WorkTeam};

// A program directory whose dot geometry makes "@1ABC" exactly 21 mm
// (3 x (5 + 2) dots of 1 mm) and whose pipe ends take 100 mm.
struct Station : ProgramDir {
    Station() {
        SetSetting(col::P_DotDimension, 1.0);
        SetSetting(col::P_Revision, 1.0);
        SetSetting(col::P_LetterIntervalDotVolume, 2);
        SetSetting(col::P_PipeSide, 100);
    }
};

template <typename S> struct Shown {
    S screen;
    Shown() {
        screen.show();
        screen.activateWindow();
        if (!QTest::qWaitForWindowActive(&screen))
            qWarning("screen not active");
    }
};

void key(int k) {
    QWidget* target = QApplication::focusWidget();
    QTest::keyClick(target ? target : QApplication::activeWindow(), Qt::Key(k));
}

void clickRow(QTableWidget* table, int row) {
    if (row == 0) {
        QTest::mouseClick(table->horizontalHeader()->viewport(), Qt::LeftButton, {},
                          QPoint(table->columnWidth(0) / 2, 5));
        return;
    }
    table->scrollToItem(table->item(row, 1));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                      table->visualItemRect(table->item(row, 1)).center());
}

QString lastMessage(const ScriptedMessagePort& port) {
    return port.Messages().isEmpty() ? QString() : port.Messages().last().text;
}

} // namespace

class TestWorkScreens : public QObject {
    Q_OBJECT
    ScriptedMessagePort port_;
    QList<std::pair<SpecialLetterEditor, int>> opened_; // editor and SpecialLetterTarget

private:
    void installRecordingOpener() {
        SetSpecialLetterOpener([this](SpecialLetterEditor editor, QWidget*) {
            opened_.append({editor, Shared().SpecialLetterTarget});
            // A palette writes as the shared seam says.
            InsertMarkingDataAtCaretOf(Shared().SpecialLetterTarget, QStringLiteral("\u2460"));
            AppendMarkingDataOf(Shared().SpecialLetterTarget, QStringLiteral("r"));
        });
    }

private slots:
    void initTestCase() {
        SetMessagePort(&port_);
        installRecordingOpener();
    }
    void cleanupTestCase() {
        SetSpecialLetterOpener({});
        SetMessagePort(nullptr);
    }
    void init() {
        port_.Clear();
        port_.SetDefaultAnswer(Answer::No);
        opened_.clear();
        ResetSharedValues();
    }

    // ---- FomMarkingSetting

    void setting_tables() {
        Station st;
        Shown<FomMarkingSetting> s;
        s.screen.CboMarkingMethod->setCurrentIndex(ContinuityMarking); // TxtRepetition shown
        screentest::CheckScreenTables(s.screen.Form());
    }

    void setting_selectByNumber_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("data");
        QTest::newRow("empty") << ""
                               << "선택할 데이터의 번호를 입력하십시요."
                               << "";
        QTest::newRow("0") << "0"
                           << "선택한 번호 0는 존재하지 않는 데이터입니다."
                           << "";
        QTest::newRow("first") << "1"
                               << ""
                               << "@1ONE";
        QTest::newRow("last") << "3"
                              << ""
                              << "@1THREE";
        QTest::newRow("row count") << "4"
                                   << "선택한 번호 4는 존재하지 않는 데이터입니다."
                                   << "";
        QTest::newRow("20 digits")
            << "99999999999999999999"
            << "선택한 번호 99999999999999999999는 존재하지 않는 데이터입니다."
            << "";
    }
    void setting_selectByNumber() {
        QFETCH(QString, typed);
        QFETCH(QString, message);
        QFETCH(QString, data);
        Station st;
        AddText(0, "@1ONE");
        AddText(1, "@1OTHER METHOD");
        AddText(0, "@1TWO");
        const qint64 three = AddText(0, "@1THREE");
        Shown<FomMarkingSetting> s;
        s.screen.TxtSelectNumber->setFocus();
        s.screen.TxtSelectNumber->setText(typed);
        key(Qt::Key_F8);
        QCOMPARE(lastMessage(port_), message);
        QCOMPARE(s.screen.TxtData->text(), data);
        QCOMPARE(QApplication::focusWidget(), s.screen.TxtSelectNumber);
        if (typed == "3")
            QCOMPARE(Shared().SelectedRecordId, three); // data and key of the same row
    }

    void setting_workAddition_data() {
        QTest::addColumn<int>("method");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("length");
        QTest::addColumn<QString>("repetition");
        QTest::addColumn<QString>("message");
        QTest::newRow("exactly fits") << 0 << "@1ABC"
                                      << "121"
                                      << ""
                                      << "마킹 작업에 정상적으로 추가되었습니다.";
        QTest::newRow("1 mm less") << 0 << "@1ABC"
                                   << "120"
                                   << ""
                                   << "파이프의 길이가 마킹 데이터의 길이보다 짧습니다.";
        QTest::newRow("only spaces") << 0 << "   "
                                     << "121"
                                     << ""
                                     << "마킹 데이터를 입력하십시요.";
        QTest::newRow("repetition 0") << 1 << "@1ABC"
                                      << "500"
                                      << "0"
                                      << "마킹 횟수에 '0'을 입력할 수 없습니다.";
        QTest::newRow("repetition 00") << 1 << "@1ABC"
                                       << "500"
                                       << "00"
                                       << "마킹 횟수에 '0'을 입력할 수 없습니다.";
        QTest::newRow("continuity x2 fits") << 1 << "@1ABC"
                                            << "142"
                                            << "2"
                                            << "마킹 작업에 정상적으로 추가되었습니다.";
        QTest::newRow("single ignores count") << 0 << "@1ABC"
                                              << "121"
                                              << "7"
                                              << "마킹 작업에 정상적으로 추가되었습니다.";
        QTest::newRow("20 digits") << 0 << "@1ABC"
                                   << "99999999999999999999"
                                   << ""
                                   << "길이 99999999999999999999은(는) 너무 큽니다. 2147483647 "
                                      "이하로 입력하십시오.";
        QTest::newRow("not cp949") << 0 << QStringLiteral("@1A\u0E01") << "500"
                                   << ""
                                   << "프린트 컨트롤러로 보낼 수 없는";
        QTest::newRow("quotes") << 0 << "@1A'B\";--"
                                << "500"
                                << ""
                                << "마킹 작업에 정상적으로 추가되었습니다.";
    }
    void setting_workAddition() {
        QFETCH(int, method);
        QFETCH(QString, text);
        QFETCH(QString, length);
        QFETCH(QString, repetition);
        QFETCH(QString, message);
        Station st;
        Shown<FomMarkingSetting> s;
        s.screen.CboMarkingMethod->setCurrentIndex(method);
        s.screen.TxtData->setText(text);
        s.screen.TxtLength->setText(length);
        s.screen.TxtPi->setText("100");
        s.screen.TxtPipeVolume->setText("7");
        s.screen.TxtRepetition->setText(repetition);
        s.screen.TxtData->setFocus();
        key(Qt::Key_F7);
        QVERIFY2(lastMessage(port_).startsWith(message), qPrintable(lastMessage(port_)));
        const auto rows = Rows(store::Table::MarkingWork, kWorkColumns);
        const bool added = message.startsWith(QStringLiteral("마킹 작업에"));
        QCOMPARE(rows.size(), added ? 1 : 0);
        if (added) {
            QCOMPARE(rows[0][col::W_Data].toString(), text);
            QCOMPARE(rows[0][col::W_Length].toString(), length);
            QCOMPARE(rows[0][col::W_MarkingMethod].toInt(), method);
            QCOMPARE(rows[0][col::W_Reptition].toInt(), method == 1 ? repetition.toInt() : 0);
            QCOMPARE(s.screen.TxtData->text(), QString());
            QCOMPARE(QApplication::focusWidget(), s.screen.TxtSelectNumber);
        } else if (text.trimmed().isEmpty()) {
            QCOMPARE(Shared().MarkingText, QString()); // the rule check saw it empty
            QCOMPARE(QApplication::focusWidget(), s.screen.TxtData);
        } else if (message.startsWith(QStringLiteral("파이프의"))) {
            QCOMPARE(QApplication::focusWidget(), s.screen.TxtData);
        }
    }

    void setting_registerAmendDelete() {
        Station st;
        Shown<FomMarkingSetting> s;
        const QString quoted = QStringLiteral("@1A'B\"; DROP TABLE MARKINGSETTING;--");
        s.screen.TxtData->setText(quoted);
        s.screen.TxtData->setFocus();
        key(Qt::Key_F4);
        QCOMPARE(lastMessage(port_), QStringLiteral("정상적으로 등록 되었습니다."));
        QTableWidget* grid = s.screen.FlxMarkingData;
        QCOMPARE(grid->rowCount(), 2);
        QCOMPARE(grid->item(1, MdData)->text(), quoted);
        // A text code page 949 cannot carry is not registered.
        s.screen.TxtData->setText(QStringLiteral("@1\u0E01"));
        key(Qt::Key_F4);
        QVERIFY(lastMessage(port_).startsWith(QStringLiteral("프린트 컨트롤러로 보낼 수 없는")));
        QCOMPARE(grid->rowCount(), 2);
        // Header click: only TxtData is cleared.
        s.screen.TxtSelectNumber->setText("1");
        clickRow(grid, 0);
        QCOMPARE(s.screen.TxtData->text(), QString());
        QCOMPARE(s.screen.TxtSelectNumber->text(), QStringLiteral("1"));
        // Delete with a typed text and nothing selected since start.
        s.screen.TxtData->setText("@1X");
        key(Qt::Key_F6);
        QCOMPARE(lastMessage(port_), QStringLiteral("선택한 데이터는 존재하지 않는 않습니다."));
        // Click, amend, delete.
        clickRow(grid, 1);
        QCOMPARE(s.screen.TxtData->text(), quoted);
        s.screen.TxtData->setText("@1AMENDED");
        key(Qt::Key_F5);
        QCOMPARE(lastMessage(port_), QStringLiteral("정상적으로 수정 되었습니다."));
        QCOMPARE(grid->item(1, MdData)->text(), QStringLiteral("@1AMENDED"));
        clickRow(grid, 1);
        port_.QueueAnswers({Answer::Yes});
        key(Qt::Key_F6);
        QCOMPARE(port_.Questions().last().text, QStringLiteral("데이터를 삭제하시겠습니까?"));
        QCOMPARE(grid->rowCount(), 1);
    }

    void setting_specialLetters_targetAndController() {
        Station st;
        Shown<FomMarkingSetting> s;
        s.screen.TxtData->setText("@1AB");
        s.screen.TxtData->setFocus();
        s.screen.TxtData->setCursorPosition(2);
        key(Qt::Key_F9);
        // A controller changed on the settings screen applies at once.
        SetSetting(col::P_PrintControler, ControllerHVL5);
        key(Qt::Key_F9);
        QCOMPARE(opened_.size(), 2);
        QCOMPARE(opened_[0], std::pair(SpecialLetterEditor::Trx20, 1));
        QCOMPARE(opened_[1], std::pair(SpecialLetterEditor::Hvl5, 1));
        QCOMPARE(Shared().SpecialLetterTarget, std::int16_t(0));
        // Appended at the end (lower case kept), inserted at the caret.
        QCOMPARE(s.screen.TxtData->text(), QStringLiteral("@1\u2460ABr\u2460r"));
    }

    // F9 through the real palette: the letter of the first live button lands
    // where the controller's palette puts it, the target is held while the
    // palette is open and cleared after.
    void setting_specialLetters_realPalette_data() {
        QTest::addColumn<int>("controller");
        QTest::addColumn<int>("editor");
        QTest::newRow("TRX-20 appends") << int(ControllerTRX20) << int(SpecialLetterEditor::Trx20);
        QTest::newRow("TRX-30 inserts") << int(ControllerTRX30) << int(SpecialLetterEditor::Trx30);
    }
    void setting_specialLetters_realPalette() {
        QFETCH(int, controller);
        QFETCH(int, editor);
        const letters::PaletteSpec* spec = letters::PaletteOf(SpecialLetterEditor(editor));
        QVERIFY(spec);
        int n = 1;
        while (spec->captions.value(n - 1).isEmpty() || spec->inert.contains(n))
            ++n;
        const QString letter = spec->captions.value(n - 1);
        SetSpecialLetterOpener({});
        Station st;
        SetSetting(col::P_PrintControler, controller);
        Shown<FomMarkingSetting> s;
        s.screen.TxtData->setText("@1AB");
        s.screen.TxtData->setFocus();
        s.screen.TxtData->setCursorPosition(2);
        int targetWhileOpen = -1;
        QTimer driver;
        driver.setInterval(20);
        QObject::connect(&driver, &QTimer::timeout, [&] {
            auto* palette =
                qobject_cast<letters::SpecialLetterPalette*>(QApplication::activeModalWidget());
            if (!palette)
                return;
            driver.stop();
            targetWhileOpen = Shared().SpecialLetterTarget;
            QTest::keyClick(palette, letters::PaletteKey(n).key(),
                            letters::PaletteKey(n).keyboardModifiers());
            QTest::keyClick(palette, Qt::Key_Escape);
        });
        driver.start();
        key(Qt::Key_F9);
        driver.stop();
        installRecordingOpener();
        QCOMPARE(targetWhileOpen, 1);
        QCOMPARE(Shared().SpecialLetterTarget, std::int16_t(0));
        const QString expected =
            spec->insertion == letters::Insertion::AtEnd ? "@1AB" + letter : "@1" + letter + "AB";
        QCOMPARE(s.screen.TxtData->text(), expected);
    }

    void setting_liveCheckLine_followsTyping() {
        Station st;
        Shown<FomMarkingSetting> s;
        s.screen.TxtData->setFocus();
        QTest::keyClicks(s.screen.TxtData, "@1abc");
        QCOMPARE(s.screen.TxtData->text(), QStringLiteral("@1ABC"));
        s.screen.TxtLength->setFocus();
        QTest::keyClicks(s.screen.TxtLength, "12x0");
        QCOMPARE(s.screen.TxtLength->text(), QStringLiteral("120"));
        QCOMPARE(s.screen.LblLiveCheck->Tone(), LiveTone::Refused);
        QVERIFY(s.screen.LblLiveCheck->text().contains(QStringLiteral("마킹 길이 21 mm")));
        QTest::keyClick(s.screen.TxtLength, Qt::Key_Backspace);
        QTest::keyClicks(s.screen.TxtLength, "1");
        QCOMPARE(s.screen.LblLiveCheck->Tone(), LiveTone::Good);
        s.screen.CboParenthesis->setCurrentIndex(1); // the allowance makes it too long
        QCOMPARE(s.screen.LblLiveCheck->Tone(), LiveTone::Refused);
        QVERIFY(port_.Entries().isEmpty());
        QCOMPARE(Shared().MarkingDataLength, 0.0);
        // A pasted text longer than the field is cut as typing would cut it.
        QApplication::clipboard()->setText(QString(600, u'b'));
        s.screen.TxtData->clear();
        s.screen.TxtData->paste();
        QCOMPARE(s.screen.TxtData->text(), QString(500, u'B'));
    }

    // ---- FomMarkingWorkState

    void workState_tables() {
        Station st;
        Shown<FomMarkingWorkState> s;
        screentest::CheckScreenTables(s.screen.Form());
    }

    void workState_moveToFront_data() {
        QTest::addColumn<int>("works");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("no number") << 3 << ""
                                   << "첫번째 작업 순서로 변경 할 번호를 입력하십시요."
                                   << QStringList{"@1W1", "@1W2", "@1W3"};
        QTest::newRow("0") << 3 << "00"
                           << "작업번호 '0'번은 존재하지 않습니다."
                           << QStringList{"@1W1", "@1W2", "@1W3"};
        QTest::newRow("empty list")
            << 0 << "1"
            << "순서를 변경 할 데이터가 존재하지 않습니다." << QStringList{};
        QTest::newRow("1") << 3 << "1"
                           << "" << QStringList{"@1W1", "@1W2", "@1W3"};
        QTest::newRow("last") << 3 << "3"
                              << "" << QStringList{"@1W3", "@1W2", "@1W1"};
        QTest::newRow("past the end")
            << 3 << "4"
            << "존재하지 않는 데이터입니다." << QStringList{"@1W1", "@1W2", "@1W3"};
        QTest::newRow("20 digits")
            << 3 << "99999999999999999999"
            << "존재하지 않는 데이터입니다." << QStringList{"@1W1", "@1W2", "@1W3"};
    }
    void workState_moveToFront() {
        QFETCH(int, works);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        QFETCH(QStringList, order);
        Station st;
        QList<qint64> keys;
        for (int i = 1; i <= works; ++i)
            keys << AddWork(0, QStringLiteral("@1W%1").arg(i), {{col::W_WorkTeam, i - 1}});
        Shown<FomMarkingWorkState> s;
        s.screen.TxtFirstWork->setFocus();
        s.screen.TxtFirstWork->setText(typed);
        key(Qt::Key_F7);
        QCOMPARE(lastMessage(port_), message);
        if (!message.isEmpty())
            QCOMPARE(QApplication::focusWidget(), s.screen.TxtFirstWork);
        const auto rows = Rows(store::Table::MarkingWork, kWorkColumns);
        QCOMPARE(rows.size(), order.size());
        GridBehaviour* grid = s.screen.Form().GridOf("FlxMarkingWork");
        for (int i = 0; i < rows.size(); ++i) {
            QCOMPARE(rows[i][col::W_ID].toLongLong(), keys[i]); // keys stay where they were
            QCOMPARE(rows[i][col::W_Data].toString(), order[i]);
            QCOMPARE(grid->Text(i + 1, MwData), order[i]);
            QCOMPARE(grid->Text(i + 1, MwNumber), QString::number(i + 1));
            QCOMPARE(grid->Key(i + 1).toLongLong(), keys[i]);
        }
        if (typed == "3")
            QCOMPARE(grid->Text(1, MwWorkTeam), QStringLiteral("C 조"));
    }

    void workState_rowClick_visibilityAndFields() {
        Station st;
        AddWork(0, "@1SINGLE", {{col::W_WorkTeam, 3}, {col::W_Parenthesis, 2}});
        AddWork(2, "@1FILE", {{col::W_LengthYesorNo, 1}, {col::W_UnitYesorNo, 0}});
        AddWork(1, "@1CONT", {{col::W_Reptition, 4}});
        Shown<FomMarkingWorkState> s;
        QTableWidget* grid = s.screen.FlxMarkingWork;
        const auto shown = [&](QWidget* w) { return w->isVisibleTo(&s.screen); };
        QVERIFY(shown(s.screen.TxtRepetition) && !shown(s.screen.CboLengthYesOrNo));
        clickRow(grid, 1);
        QCOMPARE(s.screen.TxtMarkingMethod->text(), QStringLiteral("단마킹"));
        QCOMPARE(s.screen.TxtData->text(), QStringLiteral("@1SINGLE"));
        QCOMPARE(s.screen.CboWorkTeam->currentIndex(), 3);
        QCOMPARE(s.screen.CboParenthesis->currentIndex(), 2);
        QCOMPARE(QApplication::focusWidget(), s.screen.TxtData);
        QVERIFY(!shown(s.screen.TxtRepetition) && !shown(s.screen.CboUnitYesOrNo));
        clickRow(grid, 2);
        QVERIFY(!shown(s.screen.TxtRepetition) && shown(s.screen.CboLengthYesOrNo));
        QCOMPARE(s.screen.CboLengthYesOrNo->currentIndex(), 1);
        clickRow(grid, 3);
        QVERIFY(shown(s.screen.TxtRepetition) && !shown(s.screen.CboUnitYesOrNo));
        QCOMPARE(s.screen.TxtRepetition->text(), QStringLiteral("4"));
        // A header click changes nothing.
        clickRow(grid, 0);
        QCOMPARE(s.screen.TxtData->text(), QStringLiteral("@1CONT"));
        QCOMPARE(Shared().SelectedWorkId, grid->item(3, MwId)->text().toInt());
    }

    void workState_amendDelete() {
        Station st;
        const qint64 id = AddWork(0, "@1SINGLE", {{col::W_Reptition, 5}});
        AddWork(1, "@1CONT", {{col::W_Reptition, 2}});
        Shown<FomMarkingWorkState> s;
        QTableWidget* grid = s.screen.FlxMarkingWork;
        // Nothing selected.
        key(Qt::Key_F4);
        QCOMPARE(lastMessage(port_), QStringLiteral("우선 수정하려는 데이터를 선택하십시오."));
        key(Qt::Key_F5);
        QCOMPARE(lastMessage(port_), QStringLiteral("우선 삭제하려는 데이터를 선택하십시오."));
        // Esc clears the method: an amendment right after reports nothing selected.
        clickRow(grid, 1);
        key(Qt::Key_Escape);
        QCOMPARE(s.screen.TxtMarkingMethod->text(), QString());
        QCOMPARE(Shared().SelectedWorkId, id);
        key(Qt::Key_F4);
        QCOMPARE(lastMessage(port_), QStringLiteral("우선 수정하려는 데이터를 선택하십시오."));
        // Amend a single-marking row: its repetition and yes/no columns and its method stay.
        clickRow(grid, 1);
        s.screen.TxtData->setText("@1NEW");
        s.screen.TxtLength->setText("121");
        s.screen.TxtRepetition->setText("9");
        s.screen.CboWorkTeam->setCurrentIndex(4);
        key(Qt::Key_F4);
        QCOMPARE(lastMessage(port_), QStringLiteral("정상적으로 수정 되었습니다."));
        auto rows = Rows(store::Table::MarkingWork, kWorkColumns);
        QCOMPARE(rows[0][col::W_Data].toString(), QStringLiteral("@1NEW"));
        QCOMPARE(rows[0][col::W_Length].toInt(), 121);
        QCOMPARE(rows[0][col::W_WorkTeam].toInt(), 4);
        QCOMPARE(rows[0][col::W_Reptition].toInt(), 5);
        QCOMPARE(rows[0][col::W_MarkingMethod].toInt(), 0);
        QCOMPARE(grid->item(1, MwData)->text(), QStringLiteral("@1NEW"));
        QCOMPARE(s.screen.TxtMarkingMethod->text(), QString());
        // Too short by 1 mm: refused, nothing written.
        clickRow(grid, 1);
        s.screen.TxtLength->setText("120");
        key(Qt::Key_F4);
        QCOMPARE(lastMessage(port_),
                 QStringLiteral("파이프의 길이가 마킹 데이터의 길이보다 짧습니다."));
        QCOMPARE(QApplication::focusWidget(), s.screen.TxtData);
        QCOMPARE(Rows(store::Table::MarkingWork, kWorkColumns)[0][col::W_Length].toInt(), 121);
        // Continuity repetition 0.
        clickRow(grid, 2);
        s.screen.TxtRepetition->setText("00");
        key(Qt::Key_F4);
        QCOMPARE(lastMessage(port_), QStringLiteral("마킹 횟수에 '0'을 입력할 수 없습니다."));
        // Delete the selected row, then all.
        port_.QueueAnswers({Answer::Yes, Answer::Yes});
        key(Qt::Key_F5);
        QCOMPARE(port_.Questions().last().text,
                 QStringLiteral("선택한 데이터를 삭제하시겠습니까?"));
        QCOMPARE(grid->rowCount(), 2);
        key(Qt::Key_F6);
        QCOMPARE(port_.Questions().last().text,
                 QStringLiteral("마킹 작업 내역을 모두 삭제 하시겠습니까?"));
        QCOMPARE(grid->rowCount(), 1);
        QVERIFY(Rows(store::Table::MarkingWork, kWorkColumns).isEmpty());
    }

    void workState_hiddenSelection_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("data");
        QTest::newRow("empty") << ""
                               << "선택할 데이터의 번호를 입력하십시요."
                               << "";
        QTest::newRow("0") << "0"
                           << "선택한 번호 0는 존재하지 않는 데이터입니다."
                           << "";
        QTest::newRow("last") << "2"
                              << ""
                              << "@1W2";
        QTest::newRow("row count") << "3"
                                   << "선택한 번호 3는 존재하지 않는 데이터입니다."
                                   << "";
    }
    void workState_hiddenSelection() {
        QFETCH(QString, typed);
        QFETCH(QString, message);
        QFETCH(QString, data);
        Station st;
        AddWork(0, "@1W1", {{col::W_WorkTeam, 0}});
        const qint64 second = AddWork(0, "@1W2", {{col::W_WorkTeam, 4}});
        Shown<FomMarkingWorkState> s;
        s.screen.CboWorkTeam->setCurrentIndex(1);
        s.screen.TxtSelectNumber->setText(typed);
        s.screen.TxtData->setFocus();
        key(Qt::Key_F8);
        QCOMPARE(lastMessage(port_), message);
        QCOMPARE(s.screen.TxtData->text(), data);
        QCOMPARE(s.screen.CboWorkTeam->currentIndex(), 1); // the team list stays
        if (!data.isEmpty())
            QCOMPARE(Shared().SelectedWorkId, second);
    }

    void workState_carving_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("storedPipe");
        QTest::addColumn<int>("shownPipe");
        QTest::addColumn<bool>("changed");
        QTest::newRow("one row") << 1 << 3 << 0 << false;
        QTest::newRow("two rows") << 2 << 3 << 3 << true;
        QTest::newRow("code 7") << 2 << 7 << 0 << true;
    }
    void workState_carving() {
        QFETCH(int, rows);
        QFETCH(int, storedPipe);
        QFETCH(int, shownPipe);
        QFETCH(bool, changed);
        Station st;
        Sql(QStringLiteral("delete from CarvingWork"));
        for (int i = 0; i < rows; ++i)
            Sql(QStringLiteral("insert into CarvingWork (C_CarvingPipe, C_CarvingData) values "
                               "(%1, 1)")
                    .arg(i == 0 ? storedPipe : 2));
        Shown<FomMarkingWorkState> s;
        QCOMPARE(s.screen.CboCarvingPipe->currentIndex(), shownPipe);
        QCOMPARE(s.screen.CboCarvingData->currentIndex(), rows > 1 ? 1 : 0);
        s.screen.CboCarvingData->setCurrentIndex(0);
        key(Qt::Key_F11);
        QCOMPARE(lastMessage(port_),
                 changed ? QStringLiteral("정상적으로 변경 되었습니다.") : QString());
        const auto after =
            Rows(store::Table::CarvingWork, {col::C_CarvingPipe, col::C_CarvingData});
        QCOMPARE(after[0][col::C_CarvingPipe].toInt(), changed ? shownPipe : storedPipe);
        QCOMPARE(after[0][col::C_CarvingData].toInt(), changed ? 0 : 1);
        for (int i = 1; i < after.size(); ++i)
            QCOMPARE(after[i][col::C_CarvingPipe].toInt(), 2);
    }

    void workState_specialLetters_discOneAndTarget() {
        Station st;
        AddWork(0, "@1AB");
        Shown<FomMarkingWorkState> s;
        clickRow(s.screen.FlxMarkingWork, 1);
        s.screen.TxtData->setCursorPosition(2);
        key(Qt::Key_F9);
        QCOMPARE(opened_.size(), 1);
        QCOMPARE(opened_[0], std::pair(SpecialLetterEditor::Trx20Disc1, 2));
        QCOMPARE(Shared().SpecialLetterTarget, std::int16_t(0));
        QCOMPARE(s.screen.TxtData->text(), QStringLiteral("@1\u2460ABr"));
    }

    void workState_emptyNumericColumns_shownEmpty() {
        Station st;
        AddWork(1, "@1X",
                {{col::W_Length, QVariant()},
                 {col::W_Reptition, QVariant()},
                 {col::W_WorkTeam, QVariant()}});
        Shown<FomMarkingWorkState> s;
        clickRow(s.screen.FlxMarkingWork, 1);
        QCOMPARE(s.screen.TxtLength->text(), QString());
        QCOMPARE(s.screen.TxtRepetition->text(), QString());
        key(Qt::Key_F4);
        QCOMPARE(lastMessage(port_), QStringLiteral("길이를 입력하십시오."));
        QCOMPARE(port_.Messages().last().title, QStringLiteral("주의!"));
    }
};

QTEST_MAIN(TestWorkScreens)
#include "tst_workscreens.moc"

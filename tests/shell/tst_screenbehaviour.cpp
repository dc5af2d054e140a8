#include "common/widgets/Modal.h"
#include "common/widgets/QtMessagePort.h"
#include "common/widgets/ScreenBehaviour.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

using namespace marking;

namespace {

// Share of the pixels of `area` in `image` that have `color`.
double share(const QImage& image, const QRect& area, const QColor& color) {
    int hits = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            hits += image.pixelColor(x, y).rgb() == color.rgb() ? 1 : 0;
        }
    }
    return double(hits) / (area.width() * area.height());
}

// A small screen: three text fields with caption panels, a list, a check
// box and two buttons, one bound to F4.
struct Screen {
    QWidget window;
    QLabel* panelA;
    QLineEdit* fieldA;
    QLabel* panelB;
    QLineEdit* fieldB;
    QLabel* panelC;
    QLineEdit* fieldC;
    QComboBox* list;
    QLabel* panelCheck;
    QCheckBox* check;
    QPushButton* save;
    QPushButton* other;
    ScreenBehaviour* behaviour;
    int escCount = 0;

    Screen() {
        auto* layout = new QVBoxLayout(&window);
        panelA = NewCaptionPanel(QStringLiteral("A :"), &window);
        fieldA = new QLineEdit(&window);
        panelB = NewCaptionPanel(QStringLiteral("B :"), &window);
        fieldB = new QLineEdit(&window);
        panelC = NewCaptionPanel(QStringLiteral("C :"), &window);
        fieldC = new QLineEdit(&window);
        list = new QComboBox(&window);
        list->addItems({QStringLiteral("x"), QStringLiteral("y")});
        panelCheck = NewCaptionPanel(QStringLiteral("check :"), &window);
        check = new QCheckBox(&window);
        save = new QPushButton(QStringLiteral("수  정[F4]"), &window);
        other = new QPushButton(QStringLiteral("닫기"), &window);
        for (QWidget* w :
             std::initializer_list<QWidget*>{panelA, fieldA, panelB, fieldB, panelC, fieldC, list,
                                             panelCheck, check, save, other}) {
            layout->addWidget(w);
        }
        behaviour = new ScreenBehaviour(&window);
        behaviour->AddField(fieldA, panelA, FieldFilter::Digits);
        behaviour->AddField(fieldB, panelB, FieldFilter::Decimal);
        behaviour->AddField(fieldC, panelC, FieldFilter::UpperCase);
        behaviour->AddField(list);
        behaviour->AddField(check, panelCheck);
        behaviour->SetEscAction([this] { ++escCount; }, {fieldA, fieldB});
        behaviour->BindButton(save, Qt::Key_F4);
        behaviour->Install();
        SetScreenSize(&window);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }
};

} // namespace

class TestScreenBehaviour : public QObject {
    Q_OBJECT
private slots:
    void filterText_data() {
        QTest::addColumn<int>("filter");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        const int digits = int(FieldFilter::Digits);
        const int decimal = int(FieldFilter::Decimal);
        const int upper = int(FieldFilter::UpperCase);
        QTest::newRow("digits keep digits") << digits << "0123456789"
                                            << "0123456789";
        QTest::newRow("digits drop point") << digits << "1.5"
                                           << "15";
        QTest::newRow("digits drop letters and signs") << digits << "-a1b2 +3"
                                                       << "123";
        QTest::newRow("digits drop Hangul") << digits << "12가3"
                                            << "123";
        QTest::newRow("decimal keeps point") << decimal << "0.125"
                                             << "0.125";
        QTest::newRow("decimal keeps code 110") << decimal << "1n5"
                                                << "1n5";
        QTest::newRow("decimal drops N and comma") << decimal << "1N,5e"
                                                   << "15";
        QTest::newRow("upper case") << upper << "abc 가z9"
                                    << "ABC 가Z9";
        QTest::newRow("upper case drops control characters")
            << upper << QStringLiteral("\x02@1AB\x03\tc\r\n\x1f") << "@1ABC";
        QTest::newRow("none") << int(FieldFilter::None) << "aB.1"
                              << "aB.1";
    }
    void filterText() {
        QFETCH(int, filter);
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        QCOMPARE(FilterText(FieldFilter(filter), typed), kept);
    }

    void typing_data() {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("text");
        QTest::newRow("digits: 1.5 gives 15") << 0 << "1.5"
                                              << "15";
        QTest::newRow("digits: letters dropped") << 0 << "a7b"
                                                 << "7";
        QTest::newRow("decimal: 0.5n") << 1 << "0.5n"
                                       << "0.5n";
        QTest::newRow("decimal: letters dropped") << 1 << "x2.y5"
                                                  << "2.5";
        QTest::newRow("upper: letters raised") << 2 << "pipe-1"
                                               << "PIPE-1";
    }
    void typing() {
        QFETCH(int, field);
        QFETCH(QString, typed);
        QFETCH(QString, text);
        Screen s;
        QLineEdit* edit = QList<QLineEdit*>{s.fieldA, s.fieldB, s.fieldC}[field];
        edit->setFocus();
        QTest::keyClicks(edit, typed);
        QCOMPARE(edit->text(), text);
    }

    void backspace_removesLastCharacter() {
        Screen s;
        s.fieldA->setFocus();
        QTest::keyClicks(s.fieldA, "123");
        QTest::keyClick(s.fieldA, Qt::Key_Backspace);
        QCOMPARE(s.fieldA->text(), QStringLiteral("12"));
    }

    void paste_data() {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QString>("text");
        QTest::newRow("digits") << 0 << "12ab.34 "
                                << "1234";
        QTest::newRow("digits: only non-digits") << 0 << "abc"
                                                 << "";
        QTest::newRow("decimal") << 1 << "1,5.2x"
                                 << "15.2";
        QTest::newRow("upper") << 2 << "abc가"
                               << "ABC가";
        QTest::newRow("upper: frame characters dropped") << 2
                                                         << QStringLiteral("@1a\x02"
                                                                           "b\x03")
                                                         << "@1AB";
    }
    void paste() {
        QFETCH(int, field);
        QFETCH(QString, clipboard);
        QFETCH(QString, text);
        Screen s;
        QLineEdit* edit = QList<QLineEdit*>{s.fieldA, s.fieldB, s.fieldC}[field];
        edit->setFocus();
        QApplication::clipboard()->setText(clipboard);
        edit->paste();
        QCOMPARE(edit->text(), text);
        // Through the key as well.
        edit->clear();
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(edit->text(), text);
    }

    void paste_intoMiddle_keepsCursorAfterKeptCharacters() {
        Screen s;
        s.fieldA->setFocus();
        s.fieldA->setText(QStringLiteral("19"));
        s.fieldA->setCursorPosition(1);
        QApplication::clipboard()->setText(QStringLiteral("x2y3"));
        s.fieldA->paste();
        QCOMPARE(s.fieldA->text(), QStringLiteral("1239"));
        QCOMPARE(s.fieldA->cursorPosition(), 3);
    }

    void focus_paintsFieldAndPanel() {
        Screen s;
        s.other->setFocus(Qt::TabFocusReason);
        QCOMPARE(BackgroundOf(s.fieldA), kFieldColor);
        QCOMPARE(BackgroundOf(s.panelA), kCaptionColor);
        s.fieldA->setText(QStringLiteral("42"));
        s.fieldA->setFocus(Qt::TabFocusReason);
        QCOMPARE(BackgroundOf(s.fieldA), kFieldFocusColor);
        QCOMPARE(BackgroundOf(s.panelA), kCaptionFocusColor);
        QCOMPARE(s.fieldA->selectedText(), QStringLiteral("42"));
        s.fieldB->setFocus(Qt::TabFocusReason);
        QCOMPARE(BackgroundOf(s.fieldA), kFieldColor);
        QCOMPARE(BackgroundOf(s.panelA), kCaptionColor);
        QCOMPARE(BackgroundOf(s.fieldB), kFieldFocusColor);
        QCOMPARE(BackgroundOf(s.panelB), kCaptionFocusColor);
    }

    void focus_listPaintedCheckBoxOnlyItsPanel() {
        Screen s;
        s.list->setFocus();
        QCOMPARE(BackgroundOf(s.list), kFieldFocusColor);
        const QColor checkBefore = s.check->palette().color(QPalette::Window);
        s.check->setFocus();
        QCOMPARE(BackgroundOf(s.list), kFieldColor);
        QCOMPARE(BackgroundOf(s.panelCheck), kCaptionFocusColor);
        QCOMPARE(s.check->palette().color(QPalette::Window), checkBefore);
        s.fieldA->setFocus();
        QCOMPARE(BackgroundOf(s.panelCheck), kCaptionColor);
    }

    void listDropDown_keepsFocusColour() {
        Screen s;
        s.list->setFocus();
        s.list->showPopup();
        QTRY_VERIFY(s.list->view()->isVisible());
        QCOMPARE(BackgroundOf(s.list), kFieldFocusColor);
        s.list->hidePopup();
        s.fieldA->setFocus();
        QCOMPARE(BackgroundOf(s.list), kFieldColor);
    }

    void enter_movesToNextControlInTabOrder_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("Return") << int(Qt::Key_Return);
        QTest::newRow("Enter") << int(Qt::Key_Enter);
    }
    void enter_movesToNextControlInTabOrder() {
        QFETCH(int, key);
        Screen s;
        s.fieldA->setFocus();
        QTest::keyClick(s.fieldA, Qt::Key(key));
        QVERIFY(s.fieldB->hasFocus());
        QCOMPARE(s.fieldA->text(), QString()); // the Enter character was dropped
        QTest::keyClick(s.fieldB, Qt::Key(key));
        QVERIFY(s.fieldC->hasFocus());
        QTest::keyClick(s.fieldC, Qt::Key(key));
        QVERIFY(s.list->hasFocus());
        QTest::keyClick(s.list, Qt::Key(key));
        QVERIFY(s.check->hasFocus());
        QTest::keyClick(s.check, Qt::Key(key));
        QVERIFY(s.save->hasFocus());
    }

    void enter_skipsHiddenAndDisabledControls() {
        Screen s;
        s.fieldB->hide();
        s.fieldC->setEnabled(false);
        s.fieldA->setFocus();
        QTest::keyClick(s.fieldA, Qt::Key_Return);
        QVERIFY(s.list->hasFocus());
    }

    void enterOnButton_movesOnlyWhenConfigured() {
        Screen s;
        int clicks = 0;
        QObject::connect(s.save, &QPushButton::clicked, [&] { ++clicks; });
        s.save->setFocus();
        QTest::keyClick(s.save, Qt::Key_Return);
        QVERIFY(s.save->hasFocus()); // not configured: the button keeps its own Enter
        s.behaviour->AddEnterMovesFocus(s.save);
        QTest::keyClick(s.save, Qt::Key_Return);
        QVERIFY(s.other->hasFocus());
        QCOMPARE(clicks, 0);
    }

    void esc_runsActionOnlyInListedFields() {
        Screen s;
        s.fieldA->setFocus();
        QTest::keyClick(s.fieldA, Qt::Key_Escape);
        QCOMPARE(s.escCount, 1);
        s.fieldC->setFocus();
        QTest::keyClick(s.fieldC, Qt::Key_Escape);
        QCOMPARE(s.escCount, 1);
    }

    void functionKey_clicksNamedButtonFromEveryField() {
        Screen s;
        int clicks = 0;
        QObject::connect(s.save, &QPushButton::clicked, [&] { ++clicks; });
        for (QWidget* w : std::initializer_list<QWidget*>{s.fieldA, s.fieldC, s.list, s.check}) {
            w->setFocus();
            QTest::keyClick(w, Qt::Key_F4);
        }
        QCOMPARE(clicks, 4);
        QTest::keyClick(s.fieldA, Qt::Key_F5); // no button names F5
        QCOMPARE(clicks, 4);
        s.save->setEnabled(false);
        s.fieldA->setFocus();
        QTest::keyClick(s.fieldA, Qt::Key_F4);
        QCOMPARE(clicks, 4);
    }

    void boundKey_runsAction() {
        Screen s;
        int runs = 0;
        s.behaviour->BindKey(Qt::Key_F9, [&] { ++runs; });
        s.fieldB->setFocus();
        QTest::keyClick(s.fieldB, Qt::Key_F9);
        QCOMPARE(runs, 1);
    }

    void functionKeys_matchExactModifiers_data() {
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("clicked"); // index of the button, -1: none
        QTest::newRow("alone") << int(Qt::NoModifier) << 0;
        QTest::newRow("Shift") << int(Qt::ShiftModifier) << 1;
        QTest::newRow("Ctrl") << int(Qt::ControlModifier) << 2;
        QTest::newRow("Alt") << int(Qt::AltModifier) << 3;
        QTest::newRow("keypad flag ignored") << int(Qt::KeypadModifier) << 0;
        QTest::newRow("Shift+Ctrl") << int(Qt::ShiftModifier | Qt::ControlModifier) << -1;
        QTest::newRow("Ctrl+Alt") << int(Qt::ControlModifier | Qt::AltModifier) << -1;
        QTest::newRow("Shift+Alt") << int(Qt::ShiftModifier | Qt::AltModifier) << -1;
        QTest::newRow("Meta") << int(Qt::MetaModifier) << -1;
    }
    void functionKeys_matchExactModifiers() {
        QFETCH(int, modifiers);
        QFETCH(int, clicked);
        Screen s;
        const Qt::KeyboardModifiers bound[] = {Qt::NoModifier, Qt::ShiftModifier,
                                               Qt::ControlModifier, Qt::AltModifier};
        QList<int> clicks(4, 0);
        for (int i = 0; i < 4; ++i) {
            auto* b = new QPushButton(QString::number(i), &s.window);
            QObject::connect(b, &QPushButton::clicked, [&clicks, i] { ++clicks[i]; });
            s.behaviour->BindButton(b, QKeyCombination(bound[i], Qt::Key_F6));
        }
        s.fieldA->setFocus();
        QTest::keyClick(s.fieldA, Qt::Key_F6, Qt::KeyboardModifiers(modifiers));
        QList<int> expected(4, 0);
        if (clicked >= 0) {
            expected[clicked] = 1;
        }
        QCOMPARE(clicks, expected);
    }

    void focusedList_paintedInFocusColourInsideItsFrame() {
        Screen s;
        s.list->setFocus();
        QTRY_VERIFY(s.list->hasFocus());
        // Inside the frame, left of the arrow (the short item text leaves
        // most of it free).
        const QRect inside(3, 3, s.list->width() * 6 / 10, s.list->height() - 6);
        QVERIFY2(share(s.list->grab().toImage(), inside, kFieldFocusColor) > 0.8,
                 "the focused list is not painted in the focus colour");
        s.fieldA->setFocus();
        QVERIFY(share(s.list->grab().toImage(), inside, kFieldColor) > 0.8);
    }

    void focusedButton_showsAClearFrame() {
        Screen s;
        s.other->setFocus();
        QTRY_VERIFY(s.other->hasFocus());
        const QImage focused = s.other->grab().toImage();
        const QRect all = focused.rect();
        const int frame = (all.width() + all.height()) * 2 * kButtonFocusFrameWidth;
        QVERIFY(share(focused, all, kButtonFocusFrameColor) * all.width() * all.height() >
                frame * 0.8);
        s.fieldA->setFocus();
        QCOMPARE(share(s.other->grab().toImage(), all, kButtonFocusFrameColor), 0.0);
    }

    void dialogsAndMessageBoxes_giveTheFocusBack_data() {
        QTest::addColumn<int>("kind");
        QTest::newRow("message box") << 0;
        QTest::newRow("question") << 1;
        QTest::newRow("dialog") << 2;
    }
    void dialogsAndMessageBoxes_giveTheFocusBack() {
        QFETCH(int, kind);
        Screen s;
        s.fieldB->setFocus();
        QTRY_VERIFY(s.fieldB->hasFocus());
        // Closes the dialog once it is up; the platform then leaves no
        // window active, as X does without a window manager.
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [] {
            if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                d->done(QMessageBox::No);
            }
        });
        closer.start(10);
        QtMessagePort port;
        if (kind == 0) {
            port.ShowMessage("x", "확인!", MessageIcon::Information);
        } else if (kind == 1) {
            QCOMPARE(port.Ask("x?", "확인!", MessageIcon::Question), Answer::No);
        } else {
            QDialog dialog(&s.window);
            RunModal(dialog);
        }
        QTRY_COMPARE(QApplication::activeWindow(), &s.window);
        QTRY_COMPARE(QApplication::focusWidget(), s.fieldB);
    }

    void screenSize_is1024x768() {
        Screen s;
        QCOMPARE(s.window.size(), QSize(1024, 768));
        QCOMPARE(kScreenWidth * 15, 15360);
        QCOMPARE(kScreenHeight * 15, 11520);
    }
};

QTEST_MAIN(TestScreenBehaviour)
#include "tst_screenbehaviour.moc"

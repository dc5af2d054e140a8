#include "LettersTestSupport.h"
#include "ScreenTablesCheck.h"

#include "common/MessagePort.h"
#include "common/SharedValues.h"
#include "controllers/letters/SpecialLetterEditor.h"
#include "controllers/letters/SpecialLetterPalette.h"
#include "controllers/trx20/Trx20Engine.h"

#include <QKeySequence>
#include <QLabel>
#include <QPushButton>

using namespace marking;
using namespace marking::letters;
using namespace letterstest;

Q_DECLARE_METATYPE(marking::SpecialLetterEditor)

namespace {

struct Palette {
    SpecialLetterPalette dialog;
    explicit Palette(SpecialLetterEditor editor)
        : dialog(*PaletteOf(editor)) {
        dialog.show();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
    }
};

// Presses keys on the palette: "Shift+F1" a key, "#11" a mouse click on Command11.
void press(SpecialLetterPalette& palette, const QStringList& keys) {
    for (const QString& k : keys) {
        if (k.startsWith(u'#')) {
            QTest::mouseClick(palette.Command(k.mid(1).toInt()), Qt::LeftButton);
            continue;
        }
        const QKeyCombination key = QKeySequence(k)[0];
        QWidget* focus = QApplication::focusWidget();
        QWidget* to = focus && focus->window() == &palette ? focus : &palette;
        QTest::keyClick(to, key.key(), key.keyboardModifiers());
    }
}

} // namespace

class TestPalettes : public QObject {
    Q_OBJECT
    ScriptedMessagePort port_;

private slots:
    void initTestCase() { SetMessagePort(&port_); }
    void cleanupTestCase() { SetMessagePort(nullptr); }
    void init() {
        ResetSharedValues();
        port_.Clear();
    }

    void tables_buttonsKeysAndLabels_data() {
        QTest::addColumn<SpecialLetterEditor>("editor");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("heading"); // "": none
        const QString trx20 = "TRX-20 특수문자 입력(ORVEL 소경 4호기)";
        QTest::newRow("trx20") << SpecialLetterEditor::Trx20 << "FomTRX20SpecialLetter" << trx20
                               << "";
        QTest::newRow("disc 1") << SpecialLetterEditor::Trx20Disc1 << "FomTRX20SpecialLetter_1"
                                << trx20 << "SSPanel43:디스크 1";
        QTest::newRow("disc 2") << SpecialLetterEditor::Trx20Disc2 << "FomTRX20SpecialLetter_2"
                                << trx20 << "SSPanel43:디스크 2";
        QTest::newRow("trx30") << SpecialLetterEditor::Trx30 << "FomTRX30SpecialLetter"
                               << "TRX-30 특수 문자입력(ORVEL 포장기)"
                               << "Label2:TRX-30 특수문자 입력";
    }
    void tables_buttonsKeysAndLabels() {
        QFETCH(SpecialLetterEditor, editor);
        QFETCH(QString, name);
        QFETCH(QString, title);
        QFETCH(QString, heading);
        Palette p(editor);
        screentest::CheckScreenTables(p.dialog.Form());
        QCOMPARE(p.dialog.objectName(), name);
        QCOMPARE(p.dialog.windowTitle(), title);
        QCOMPARE(p.dialog.Palette().captions.size(), kPaletteButtons);
        if (heading.isEmpty()) {
            QVERIFY(!p.dialog.Heading());
        } else {
            QVERIFY(p.dialog.Heading());
            QCOMPARE(p.dialog.Heading()->objectName() + ":" + p.dialog.Heading()->text(), heading);
        }
        // The label under each button names the key that clicks it; on the
        // TRX-30 the one under Command34 stays empty.
        for (int n = 1; n <= kPaletteButtons; ++n) {
            const QString shown = p.dialog.KeyLabel(n)->text();
            const QString key = QKeySequence(PaletteKey(n)).toString(QKeySequence::PortableText);
            QCOMPARE(shown, editor == SpecialLetterEditor::Trx30 && n == 34 ? QString() : key);
            QVERIFY(p.dialog.KeyLabel(n)->geometry().top() >=
                    p.dialog.Command(n)->geometry().bottom());
        }
        QCOMPARE(p.dialog.KeyLabel(20)->text(), "Shift+F10");
        QCOMPARE(p.dialog.KeyLabel(34)->text(),
                 editor == SpecialLetterEditor::Trx30 ? "" : "Alt+F4");
    }

    // A button position of the disk palettes stands for one controller code.
    void discs_onePositionOneCode() {
        const PaletteSpec& one = *PaletteOf(SpecialLetterEditor::Trx20Disc1);
        const PaletteSpec& two = *PaletteOf(SpecialLetterEditor::Trx20Disc2);
        for (int i = 10; i < kPaletteButtons; ++i) {
            if (one.captions[i].isEmpty() || two.captions[i].isEmpty()) {
                continue;
            }
            const QString a = trx20::Convert(one.captions[i]).text;
            const QString b = trx20::Convert(two.captions[i]).text;
            QVERIFY2(a == b, qPrintable(QString("Command%1: %2 -> %3, %4 -> %5")
                                            .arg(i + 1)
                                            .arg(one.captions[i], a, two.captions[i], b)));
            QVERIFY2(a != one.captions[i], qPrintable(one.captions[i] + " is not a glyph"));
        }
    }

    void keys_insertLetters_data() {
        QTest::addColumn<SpecialLetterEditor>("editor");
        QTest::addColumn<int>("target");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("caret");
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<QString>("expected");  // in the target's field
        QTest::addColumn<int>("expectedCaret"); // -1: not checked
        using E = SpecialLetterEditor;
        const QStringList dead{"Shift+F10",   "Ctrl+F10",    "Alt+F4", "Alt+F9",
                               "Alt+F10",     "F11",         "F12",    "Ctrl+Shift+F1",
                               "Ctrl+Alt+F2", "Shift+Alt+F3"};
        QTest::newRow("trx20 탄 then s")
            << E::Trx20 << 1 << "@1AB" << 0 << QStringList{"Shift+F1", "F3"} << "@1AB탄s" << -1;
        QTest::newRow("trx20 click")
            << E::Trx20 << 1 << "@1AB" << 2 << QStringList{"#11"} << "@1AB탄" << -1;
        QTest::newRow("trx20 at the end, caret at 1")
            << E::Trx20 << 1 << "@1AB" << 1 << QStringList{"Ctrl+F8", "Alt+F6"} << "@1AB배Ø" << -1;
        QTest::newRow("trx20 into the work list")
            << E::Trx20 << 2 << "A" << 1 << QStringList{"Ctrl+F9"} << "A스" << -1;
        QTest::newRow("trx20 no target")
            << E::Trx20 << 0 << "A" << 1 << QStringList{"F1", "#11"} << "A" << -1;
        QTest::newRow("trx20 dead keys") << E::Trx20 << 1 << "A" << 1 << dead << "A" << -1;
        QTest::newRow("disc1 및 □")
            << E::Trx20Disc1 << 2 << "" << 0 << QStringList{"Shift+F6", "Alt+F7"} << "및□" << -1;
        QTest::newRow("disc1 dead keys") << E::Trx20Disc1 << 2 << "A" << 1
                                         << dead + QStringList{"Ctrl+F8", "Ctrl+F9"} << "A" << -1;
        QTest::newRow("disc2 반 연")
            << E::Trx20Disc2 << 2 << "" << 0 << QStringList{"Shift+F6", "Alt+F7"} << "반연" << -1;
        QTest::newRow("disc2 Ctrl+F8 inert")
            << E::Trx20Disc2 << 2 << "A" << 1 << QStringList{"Ctrl+F8", "#28", "Alt+F1"} << "A"
            << -1;
        QTest::newRow("disc2 dead keys") << E::Trx20Disc2 << 2 << "A" << 1 << dead << "A" << -1;
        QTest::newRow("trx30 between A and B")
            << E::Trx30 << 1 << "@2AB" << 3 << QStringList{"Shift+F6"} << "@2A반B" << 4;
        QTest::newRow("trx30 at the start")
            << E::Trx30 << 1 << "@2AB" << 0 << QStringList{"F3"} << "s@2AB" << 1;
        QTest::newRow("trx30 at the end")
            << E::Trx30 << 2 << "@2AB" << 4 << QStringList{"Ctrl+F10"} << "@2AB열" << 5;
        QTest::newRow("trx30 one after the other")
            << E::Trx30 << 1 << "@2AB" << 2 << QStringList{"Shift+F1", "#12", "Alt+F8"}
            << "@2탄소력AB" << 5;
        QTest::newRow("trx30 dead keys")
            << E::Trx30 << 1 << "@2AB" << 3
            << QStringList{"Alt+F4", "Alt+F9", "Alt+F10", "F11", "Ctrl+Shift+F5"} << "@2AB" << 3;
    }
    void keys_insertLetters() {
        QFETCH(SpecialLetterEditor, editor);
        QFETCH(int, target);
        QFETCH(QString, text);
        QFETCH(int, caret);
        QFETCH(QStringList, keys);
        QFETCH(QString, expected);
        QFETCH(int, expectedCaret);
        TargetField setting(1);
        TargetField workList(2);
        setting.Set(text, caret);
        workList.Set(text, caret);
        Shared().SpecialLetterTarget = static_cast<std::int16_t>(target);

        Palette p(editor);
        press(p.dialog, keys);
        TargetField& into = target == 2 ? workList : setting;
        TargetField& other = target == 2 ? setting : workList;
        QCOMPARE(into.field->text(), expected);
        QCOMPARE(other.field->text(), text);
        if (expectedCaret >= 0) {
            QCOMPARE(into.field->cursorPosition(), expectedCaret);
        }
        QVERIFY(p.dialog.isVisible()); // several letters one after the other
        QCOMPARE(Shared().SpecialLetterTarget, target);
        QVERIFY(port_.Entries().isEmpty());
    }

    // Shown modally over the calling screen: the target lasts while the
    // editor is open and is 0 afterwards; the field has the focus again.
    void show_modalThenTargetZero_data() {
        QTest::addColumn<SpecialLetterEditor>("editor");
        QTest::addColumn<QString>("close");
        QTest::addColumn<QString>("inserted");
        QTest::newRow("trx20 Esc") << SpecialLetterEditor::Trx20 << "Esc"
                                   << "@";
        QTest::newRow("disc1 ScmdExit") << SpecialLetterEditor::Trx20Disc1 << "ScmdExit"
                                        << "@";
        QTest::newRow("disc2 window close") << SpecialLetterEditor::Trx20Disc2 << "close"
                                            << "@";
        QTest::newRow("trx30 Enter on ScmdExit") << SpecialLetterEditor::Trx30 << "Enter"
                                                 << "@";
        QTest::newRow("hvl5 Esc") << SpecialLetterEditor::Hvl5 << "Esc"
                                  << "S001";
    }
    void show_modalThenTargetZero() {
        QFETCH(SpecialLetterEditor, editor);
        QFETCH(QString, close);
        QFETCH(QString, inserted);
        ProgramDir dir;
        TargetField setting(1);
        setting.window.show();
        setting.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&setting.window));
        setting.field->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), setting.field);

        Shared().SpecialLetterTarget = 1;
        int targetWhileOpen = -1;
        bool parentOk = false;
        WhenModalOpen([&](QWidget* modal) {
            targetWhileOpen = Shared().SpecialLetterTarget;
            parentOk = modal->parentWidget() == &setting.window && modal->isModal();
            QTest::keyClick(modal, Qt::Key_F1);
            auto* exit = modal->findChild<QPushButton*>("ScmdExit");
            if (close == "Esc") {
                QTest::keyClick(modal, Qt::Key_Escape);
            } else if (close == "ScmdExit") {
                QTest::mouseClick(exit, Qt::LeftButton);
            } else if (close == "Enter") {
                exit->setFocus();
                QTest::keyClick(exit, Qt::Key_Return);
            } else {
                modal->close();
            }
        });
        ShowSpecialLetterEditor(editor, &setting.window);
        QCOMPARE(targetWhileOpen, 1);
        QVERIFY(parentOk);
        QCOMPARE(setting.field->text(), inserted);
        QCOMPARE(Shared().SpecialLetterTarget, 0);
        QTRY_COMPARE(QApplication::focusWidget(), setting.field);
    }
};

QTEST_MAIN(TestPalettes)
#include "tst_palettes.moc"

#include "LettersTestSupport.h"
#include "ScreenTablesCheck.h"

#include "common/MessagePort.h"
#include "common/SharedValues.h"
#include "controllers/letters/SpecialLetterEditor.h"
#include "controllers/letters/SpecialLetterPalette.h"
#include "controllers/trx20/Trx20Engine.h"

#include <QLabel>
#include <QPushButton>

using namespace marking;
using namespace marking::letters;
using namespace letterstest;
using E = SpecialLetterEditor;

Q_DECLARE_METATYPE(marking::SpecialLetterEditor)

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
        QTest::addColumn<E>("editor");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("heading"); // panel:text, "" none
        const QString trx20 = "TRX-20 특수문자 입력(ORVEL 소경 4호기)";
        QTest::newRow("trx20") << E::Trx20 << "FomTRX20SpecialLetter" << trx20 << "";
        QTest::newRow("disc 1") << E::Trx20Disc1 << "FomTRX20SpecialLetter_1" << trx20
                                << "SSPanel43:디스크 1";
        QTest::newRow("disc 2") << E::Trx20Disc2 << "FomTRX20SpecialLetter_2" << trx20
                                << "SSPanel43:디스크 2";
        QTest::newRow("trx30") << E::Trx30 << "FomTRX30SpecialLetter"
                               << "TRX-30 특수 문자입력(ORVEL 포장기)"
                               << "Label2:TRX-30 특수문자 입력";
    }
    void tables_buttonsKeysAndLabels() {
        QFETCH(E, editor);
        QFETCH(QString, name);
        QFETCH(QString, title);
        QFETCH(QString, heading);
        SpecialLetterPalette p(*PaletteOf(editor));
        QVERIFY(ShowActive(p));
        screentest::CheckScreenTables(p.Form());
        QCOMPARE(p.objectName() + p.windowTitle(), name + title);
        QCOMPARE(p.Heading() ? p.Heading()->objectName() + ":" + p.Heading()->text() : "", heading);
        // Under each button the key that clicks it; on the TRX-30 none under Command34.
        QCOMPARE(p.Palette().captions.size(), kPaletteButtons);
        for (int n = 1; n <= kPaletteButtons; ++n) {
            const QString key = QKeySequence(PaletteKey(n)).toString(QKeySequence::PortableText);
            QCOMPARE(p.KeyLabel(n)->text(), editor == E::Trx30 && n == 34 ? "" : key);
            QVERIFY(p.KeyLabel(n)->geometry().top() >= p.Command(n)->geometry().bottom());
        }
    }

    // A button position of the disk palettes stands for one controller code.
    void discs_onePositionOneCode() {
        const PaletteSpec& one = *PaletteOf(E::Trx20Disc1);
        const PaletteSpec& two = *PaletteOf(E::Trx20Disc2);
        for (int i = 10; i < kPaletteButtons; ++i) {
            if (one.captions[i].isEmpty() || two.captions[i].isEmpty())
                continue;
            const QString a = trx20::Convert(one.captions[i]).text;
            QCOMPARE(trx20::Convert(two.captions[i]).text, a);
            QVERIFY2(a != one.captions[i], qPrintable(one.captions[i] + " is no glyph"));
        }
    }

    void keys_insertLetters_data() {
        QTest::addColumn<E>("editor");
        QTest::addColumn<int>("target");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("caret");
        QTest::addColumn<QStringList>("keys"); // "#11": a click on Command11
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("expectedCaret"); // -1: not checked
        const QStringList dead{"Shift+F10",     "Ctrl+F10",    "Alt+F4",
                               "Alt+F9",        "Alt+F10",     "F11",
                               "Ctrl+Shift+F1", "Ctrl+Alt+F2", "Shift+Alt+F3"};
        // clang-format off
        QTest::newRow("trx20 탄 then s") << E::Trx20 << 1 << "@1AB" << 0 << QStringList{"Shift+F1", "F3"} << "@1AB탄s" << -1;
        QTest::newRow("trx20 at the end") << E::Trx20 << 1 << "@1AB" << 1 << QStringList{"#11", "Ctrl+F8", "Alt+F6"} << "@1AB탄배Ø" << -1;
        QTest::newRow("trx20 work list") << E::Trx20 << 2 << "A" << 1 << QStringList{"Ctrl+F9"} << "A스" << -1;
        QTest::newRow("trx20 no target") << E::Trx20 << 0 << "A" << 1 << QStringList{"F1", "#11"} << "A" << -1;
        QTest::newRow("trx20 dead") << E::Trx20 << 1 << "A" << 1 << dead << "A" << -1;
        QTest::newRow("disc1 및 □") << E::Trx20Disc1 << 2 << "" << 0 << QStringList{"Shift+F6", "Alt+F7"} << "및□" << -1;
        QTest::newRow("disc1 dead") << E::Trx20Disc1 << 2 << "A" << 1 << dead + QStringList{"Ctrl+F8"} << "A" << -1;
        QTest::newRow("disc2 반 연") << E::Trx20Disc2 << 2 << "" << 0 << QStringList{"Shift+F6", "Alt+F7"} << "반연" << -1;
        QTest::newRow("disc2 료 inert") << E::Trx20Disc2 << 2 << "A" << 1 << dead + QStringList{"Ctrl+F8", "#28", "Alt+F1"} << "A" << -1;
        QTest::newRow("trx30 between") << E::Trx30 << 1 << "@2AB" << 3 << QStringList{"Shift+F6"} << "@2A반B" << 4;
        QTest::newRow("trx30 start") << E::Trx30 << 1 << "@2AB" << 0 << QStringList{"F3"} << "s@2AB" << 1;
        QTest::newRow("trx30 end") << E::Trx30 << 2 << "@2AB" << 4 << QStringList{"Ctrl+F10"} << "@2AB열" << 5;
        QTest::newRow("trx30 in a row") << E::Trx30 << 1 << "@2AB" << 2 << QStringList{"Shift+F1", "#12", "Alt+F8"} << "@2탄소력AB" << 5;
        QTest::newRow("trx30 dead") << E::Trx30 << 1 << "@2AB" << 3 << QStringList{"Alt+F4", "Alt+F9", "Alt+F10", "F11", "Ctrl+Shift+F5"} << "@2AB" << 3;
        // clang-format on
    }
    void keys_insertLetters() {
        QFETCH(E, editor);
        QFETCH(int, target);
        QFETCH(QString, text);
        QFETCH(int, caret);
        QFETCH(QStringList, keys);
        QFETCH(QString, expected);
        QFETCH(int, expectedCaret);
        TargetField fields[] = {TargetField(1), TargetField(2)};
        for (TargetField& f : fields)
            f.Set(text, caret);
        Shared().SpecialLetterTarget = static_cast<std::int16_t>(target);

        SpecialLetterPalette p(*PaletteOf(editor));
        QVERIFY(ShowActive(p));
        for (const QString& k : keys) {
            if (k.startsWith(u'#'))
                QTest::mouseClick(p.Command(k.mid(1).toInt()), Qt::LeftButton);
            else
                PressKey(p, k);
        }
        for (TargetField& f : fields)
            QCOMPARE(f.field->text(), f.target == target ? expected : text);
        if (expectedCaret >= 0)
            QCOMPARE(fields[target - 1].field->cursorPosition(), expectedCaret);
        QVERIFY(p.isVisible()); // several letters one after the other
        QCOMPARE(Shared().SpecialLetterTarget, target);
        QVERIFY(port_.Entries().isEmpty());
    }

    // Modal over the calling screen: the target lasts while the editor is
    // open and is 0 afterwards; the field has the focus again.
    void show_modalThenTargetZero_data() {
        QTest::addColumn<E>("editor");
        QTest::addColumn<QString>("close");
        QTest::addColumn<QString>("inserted"); // by F1
        QTest::newRow("trx20 Esc") << E::Trx20 << "Esc"
                                   << "@";
        QTest::newRow("disc1 ScmdExit") << E::Trx20Disc1 << "ScmdExit"
                                        << "@";
        QTest::newRow("disc2 window close") << E::Trx20Disc2 << "close"
                                            << "@";
        QTest::newRow("trx30 Enter on ScmdExit") << E::Trx30 << "Enter"
                                                 << "@";
        QTest::newRow("hvl5 Esc") << E::Hvl5 << "Esc"
                                  << "S001";
        QTest::newRow("hvl5 window close") << E::Hvl5 << "close"
                                           << "S001";
    }
    void show_modalThenTargetZero() {
        QFETCH(E, editor);
        QFETCH(QString, close);
        QFETCH(QString, inserted);
        ProgramDir dir;
        TargetField setting(1);
        QVERIFY(ShowActive(setting.window));
        setting.field->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), setting.field);

        Shared().SpecialLetterTarget = 1;
        int targetWhileOpen = -1;
        bool overTheScreen = false;
        WhenModalOpen([&](QWidget* modal) {
            targetWhileOpen = Shared().SpecialLetterTarget;
            overTheScreen = modal->parentWidget() == &setting.window && modal->isModal();
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
        QVERIFY(overTheScreen);
        QCOMPARE(setting.field->text(), inserted);
        QCOMPARE(Shared().SpecialLetterTarget, 0);
        QTRY_COMPARE(QApplication::focusWidget(), setting.field);
    }
};

QTEST_MAIN(TestPalettes)
#include "tst_palettes.moc"

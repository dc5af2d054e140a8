#include "ScreenTablesCheck.h"
#include "ShellTestSupport.h"

#include "common/MessagePort.h"
#include "common/SharedValues.h"
#include "common/widgets/ScreenBehaviour.h"
#include "store/ModProgramSettingData.h"
#include "store/screen/FomProgramSetting.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableWidget>

using namespace marking;
using namespace marking::store;
using namespace shelltest;

namespace {
struct Screen {
    FomProgramSetting screen;
    Screen() {
        screen.show();
        screen.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&screen));
    }
};
} // namespace

class TestProgramSetting : public QObject {
    Q_OBJECT
    SettingsDir* settings_ = nullptr;
    ScriptedMessagePort port_;

private slots:
    void initTestCase() {
        settings_ = new SettingsDir;
        SetMessagePort(&port_);
    }
    void cleanupTestCase() {
        SetMessagePort(nullptr);
        delete settings_;
    }
    void init() {
        port_.Clear();
        ResetSharedValues();
    }

    void controls_captionsListsAndHiddenFields_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("panel");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("shown");
        QTest::newRow("single") << "CboSingleMarking"
                                << "SpanSingleMarking"
                                << "   단 마킹 :" << true;
        QTest::newRow("continuity") << "CboContinuityMarking"
                                    << "SpanContinuityMarking"
                                    << "연속 마킹 :" << true;
        QTest::newRow("file") << "CboFileMarking"
                              << "SpanFileMarking"
                              << "파일 마킹 :" << false;
        QTest::newRow("controller") << "CboPrintControler"
                                    << "SpanPrintControler"
                                    << "프린트 컨트롤러 :" << true;
        QTest::newRow("carving") << "CboCarvingMachine"
                                 << "SpanCarvingMachine"
                                 << "각인기 :" << false;
        QTest::newRow("plc") << "CboPLC"
                             << "SpanPLC"
                             << "PLC :" << false;
        QTest::newRow("pipe side") << "TxtPipeSide"
                                   << "SpanPipeSide"
                                   << "관단 :" << true;
        QTest::newRow("dot") << "TxtDotDimension"
                             << "SpanDotDimension"
                             << "Dot 피치 :" << true;
        QTest::newRow("letter interval") << "TxtLetterIntervalDotVolume"
                                         << "SpanLetterIntervalDotVolume"
                                         << "문자간 Dot 수 :" << true;
        QTest::newRow("revision") << "TxtRevision"
                                  << "SpanRevision"
                                  << "보정치 :" << true;
        QTest::newRow("head home") << "TxtHeadHome"
                                   << "SpanHeadHome"
                                   << "Head Home :" << false;
        QTest::newRow("gap") << "TxtGAP"
                             << "SpanGAP"
                             << "GAP :" << false;
        QTest::newRow("pulse") << "TxtPulse"
                               << "SpanPulse"
                               << "헤드 펄스 비 :" << false;
        QTest::newRow("stopper") << "TxtStopperPulse"
                                 << "SpanStopperPulse"
                                 << "스토퍼펄스비 :" << false;
        QTest::newRow("work delete") << "CheMarkingWorkDelete"
                                     << "SpanMarkingWorkDelete"
                                     << "프로그램 종료시 마킹 작업 내역 삭제 :" << true;
        QTest::newRow("null delete") << "CheNullRecordDelete"
                                     << "SPanNullRecordDelete"
                                     << "  마킹 작업 내역 DB Null 레코드 삭제 :" << false;
        QTest::newRow("interval") << "CboFileMarkingDataIntervalCheck"
                                  << "SPanFileMarkingDataIntervalCheck"
                                  << "파일 마킹 데이터 간격 :" << false;
        QTest::newRow("carving port") << "CboCarvingMachineComPort"
                                      << "SpanCarvingMachineComPort"
                                      << "각인기 :" << false;
        QTest::newRow("controller port") << "CboPrintControlerComPort"
                                         << "SpanPrintControlerComPort"
                                         << "프린트 컨트롤러 :" << true;
        QTest::newRow("plc port") << "CboPLCComPort"
                                  << "SpanPLCComPort"
                                  << "PLC :" << false;
    }
    void controls_captionsListsAndHiddenFields() {
        QFETCH(QString, field);
        QFETCH(QString, panel);
        QFETCH(QString, caption);
        QFETCH(bool, shown);
        ProgramDir dir;
        Screen s;
        auto* f = s.screen.findChild<QWidget*>(field);
        auto* p = s.screen.findChild<QLabel*>(panel);
        QVERIFY(f);
        QVERIFY(p);
        QCOMPARE(p->text(), caption);
        QCOMPARE(s.screen.CaptionPanelOf(f), p);
        QCOMPARE(f->isVisibleTo(&s.screen), shown);
        QCOMPARE(p->isVisibleTo(&s.screen), shown);
    }

    void lists_items_data() {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QStringList>("items");
        const QStringList direction{"일반 마킹", "역 마킹"};
        QStringList ports;
        for (int i = 1; i <= 10; ++i) {
            ports << QStringLiteral("COM %1").arg(i);
        }
        QTest::newRow("single") << "CboSingleMarking" << direction;
        QTest::newRow("continuity") << "CboContinuityMarking" << direction;
        QTest::newRow("file") << "CboFileMarking" << direction;
        QTest::newRow("controller")
            << "CboPrintControler" << QStringList{"TRX-20", "HVL-5", "TRX-30"};
        QTest::newRow("carving") << "CboCarvingMachine" << QStringList{"DRE 40 T"};
        QTest::newRow("plc") << "CboPLC" << QStringList{"MASTER-K10S1", "YNS7", "MASTER-K200H"};
        QTest::newRow("interval") << "CboFileMarkingDataIntervalCheck"
                                  << QStringList{"1M 단위 표시", "0.5M 단위 표시"};
        QTest::newRow("controller port") << "CboPrintControlerComPort" << ports;
        QTest::newRow("carving port") << "CboCarvingMachineComPort" << ports;
        QTest::newRow("plc port") << "CboPLCComPort" << ports;
    }
    void lists_items() {
        QFETCH(QString, list);
        QFETCH(QStringList, items);
        ProgramDir dir;
        FomProgramSetting screen;
        auto* cbo = screen.findChild<QComboBox*>(list);
        QVERIFY(cbo);
        QStringList actual;
        for (int i = 0; i < cbo->count(); ++i) {
            actual << cbo->itemText(i);
            QCOMPARE(cbo->itemData(i).toInt(), i);
        }
        QCOMPARE(actual, items);
    }

    void load_showsStoredValues() {
        ProgramDir dir;
        SetSetting("P_PrintControler", 2);
        SetSetting("P_ContinuityMarking", 1);
        SetSetting("P_PrintControlerComPort", 9);
        SetSetting("P_DotDimension", 0.125);
        SetSetting("P_PipeSide", 120);
        SetSetting("P_MarkingWorkDeleteCheck", true);
        SetSetting("P_NullRecordDelete", false);
        SetSetting("P_PLC", 7); // no such item: the selection stays
        FomProgramSetting s;
        QCOMPARE(s.CboPrintControler->currentIndex(), 2);
        QCOMPARE(s.CboContinuityMarking->currentIndex(), 1);
        QCOMPARE(s.CboPrintControlerComPort->currentText(), QStringLiteral("COM 10"));
        QCOMPARE(s.CboPLC->currentIndex(), 0);
        QCOMPARE(s.TxtDotDimension->text(), QStringLiteral("0.125"));
        QCOMPARE(s.TxtPipeSide->text(), QStringLiteral("120"));
        QCOMPARE(s.TxtRevision->text(), QStringLiteral("1"));
        QVERIFY(s.CheMarkingWorkDelete->isChecked());
        QVERIFY(!s.CheNullRecordDelete->isChecked());
        QVERIFY(port_.Messages().isEmpty());
    }

    void load_noRow_saysSo() {
        ProgramDir dir;
        {
            Query q("select * from ProgramSetting where P_ID");
            q.rs.MoveFirst();
            QVERIFY(q.rs.Delete().ok());
        }
        FomProgramSetting s;
        QCOMPARE(port_.Messages().size(), 1);
        QCOMPARE(port_.Messages()[0].text,
                 QStringLiteral("프로그램 설정 데이터베이스에 데이터가 존재하지 않습니다."));
        QCOMPARE(port_.Messages()[0].title, QStringLiteral("데이터 확인!"));
        QCOMPARE(s.CboPrintControler->currentIndex(), 0);
    }

    void load_twoRows_showsNothing() {
        ProgramDir dir;
        SetSetting("P_PipeSide", 321);
        AddSecondSettingRow();
        FomProgramSetting s;
        QVERIFY(port_.Messages().isEmpty());
        QCOMPARE(s.TxtPipeSide->text(), QString());
    }

    // A flag column holding text (a table that is not STRICT): refused and
    // reported, never shown as ticked.
    void load_flagHoldingText_reportedNotTicked() {
        ProgramDir dir;
        {
            QSqlDatabase raw = QSqlDatabase::addDatabase("QSQLITE", "loose");
            raw.setDatabaseName(dir.path() + "/Database.mdb");
            QVERIFY(raw.open());
            for (const char* sql :
                 {"CREATE TABLE t AS SELECT * FROM ProgramSetting", "DROP TABLE ProgramSetting",
                  "ALTER TABLE t RENAME TO ProgramSetting",
                  "UPDATE ProgramSetting SET P_MarkingWorkDeleteCheck = 'no'"})
                QVERIFY(raw.exec(QLatin1String(sql)).lastError().type() == QSqlError::NoError);
            raw.close();
        }
        QSqlDatabase::removeDatabase("loose");
        Screen s;
        QTRY_COMPARE(port_.Messages().size(), 1);
        QVERIFY(port_.Messages()[0].text.contains("P_MarkingWorkDeleteCheck"));
        QVERIFY(!s.screen.CheMarkingWorkDelete->isChecked());
    }

    void help_rowsAndIndentation() {
        ProgramDir dir;
        FomProgramSetting s;
        QCOMPARE(s.FlxHelp->rowCount(), 100);
        QCOMPARE(s.FlxHelp->columnCount(), 2);
        auto text = [&](int row) {
            QTableWidgetItem* item = s.FlxHelp->item(row, 0);
            return item ? item->text() : QString();
        };
        QCOMPARE(text(0), QString(105, ' ') + QStringLiteral("* 프로그램 설정 *"));
        QVERIFY(text(2).startsWith(QStringLiteral(" 1. 프로그램 설정 화면은")));
        QCOMPARE(text(9).left(30), QString(29, ' ') + QStringLiteral("관"));
        QCOMPARE(text(18).left(23), QString(22, ' ') + QStringLiteral("마"));
        QVERIFY(text(18).contains(QStringLiteral("Null이  있을 경우")));
        QCOMPARE(text(25), QString(28, ' ') +
                               QStringLiteral("PLC는 PLC와 통신 할 컴퓨터의 통신 포트를 설정하는 "
                                              "곳입니다.(Ver 2.1.09 알파 추가 기능)"));
        for (int row : {1, 3, 5, 7, 16, 21, 26, 99}) {
            QVERIFY2(text(row).isEmpty(), qPrintable(QString::number(row)));
        }
        int filled = 0;
        for (int row = 0; row < 100; ++row) {
            filled += text(row).isEmpty() ? 0 : 1;
        }
        QCOMPARE(filled, 20);
        QCOMPARE(s.FlxHelp->selectionBehavior(), QAbstractItemView::SelectRows);
    }

    void save_refusals_inOrder_data() {
        QTest::addColumn<QString>("emptied"); // column made empty in the table
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("focus"); // "" = stays where it was
        QTest::newRow("hidden HeadHome empty") << "P_HeadHome"
                                               << "Head Home을 입력하십시요."
                                               << "입력 확인!"
                                               << "";
        QTest::newRow("hidden GAP empty") << "P_GAP"
                                          << "GAP을 입력하십시요."
                                          << "입력 확인!"
                                          << "";
        QTest::newRow("hidden Pulse empty") << "P_Pulse"
                                            << "PLC 펄스 비를 입력하십시요."
                                            << "입력 확인!"
                                            << "";
        QTest::newRow("hidden StopperPulse empty") << "P_StopperPulse"
                                                   << "스토퍼 펄스 비를 입력하십시요."
                                                   << "입력 확인!"
                                                   << "";
        QTest::newRow("shown Revision empty") << "P_Revision"
                                              << "보정치를 입력하십시요."
                                              << "입력 확인!"
                                              << "TxtRevision";
        QTest::newRow("equal carving and PLC ports")
            << "ports"
            << "각인기와 PLC가 같은 통신포트를 사용할 수 없습니다."
            << "선택 확인!"
            << "";
    }
    void save_refusals_inOrder() {
        QFETCH(QString, emptied);
        QFETCH(QString, message);
        QFETCH(QString, title);
        QFETCH(QString, focus);
        ProgramDir dir;
        if (emptied == "ports") {
            SetSetting("P_CarvingMachineComPort", 3);
            SetSetting("P_PLCComPort", 3);
        } else {
            SetSetting(emptied, QVariant());
        }
        SetSetting("P_PipeSide", 77);
        Screen s;
        s.screen.TxtDotDimension->setFocus();
        s.screen.TxtPipeSide->setText("88");
        port_.Clear();
        QTest::keyClick(s.screen.TxtDotDimension, Qt::Key_F4);
        QCOMPARE(port_.Messages().size(), 1);
        QCOMPARE(port_.Messages()[0].text, message);
        QCOMPARE(port_.Messages()[0].title, title);
        QCOMPARE(port_.Messages()[0].icon, MessageIcon::Information);
        QWidget* expected =
            focus.isEmpty() ? s.screen.TxtDotDimension : s.screen.findChild<QWidget*>(focus);
        QCOMPARE(QApplication::focusWidget(), expected);
        QCOMPARE(Setting("P_PipeSide").toInt(), 77); // nothing written
    }

    void save_emptyFieldsCheckedBeforePorts() {
        ProgramDir dir;
        SetSetting("P_CarvingMachineComPort", 3);
        SetSetting("P_PLCComPort", 3);
        SetSetting("P_GAP", QVariant());
        FomProgramSetting s;
        s.ScmdAmendment_Click();
        QCOMPARE(port_.Messages().size(), 1);
        QCOMPARE(port_.Messages()[0].text, QStringLiteral("GAP을 입력하십시요."));
    }

    void save_writesEveryColumn_andSettingsLoadSeesIt() {
        ProgramDir dir;
        Screen s;
        s.screen.CboPrintControler->setCurrentIndex(1);
        s.screen.CboSingleMarking->setCurrentIndex(1);
        s.screen.CboPrintControlerComPort->setCurrentIndex(4);
        s.screen.TxtPipeSide->setText("250");
        s.screen.TxtDotDimension->setText("0.25");
        s.screen.TxtRevision->setText("1.05");
        s.screen.TxtLetterIntervalDotVolume->setText("3");
        s.screen.CheMarkingWorkDelete->setChecked(true);
        QTest::keyClick(s.screen.TxtPipeSide, Qt::Key_F4);
        QCOMPARE(port_.Messages().size(), 1);
        QCOMPARE(port_.Messages()[0].text, QStringLiteral("정상적으로 수정 되었습니다."));
        QCOMPARE(port_.Messages()[0].title, QStringLiteral("수정 확인!"));

        QVERIFY(ModProgramSettingData().ok());
        const ProgramSettingsRecord& r = Shared().ProgramSettings;
        QCOMPARE(r.PrintControler, std::int16_t(ControllerHVL5));
        QCOMPARE(r.SingleMarking, std::int16_t(1));
        QCOMPARE(r.PrintControlerComPort, std::int16_t(4));
        QCOMPARE(r.PipeSide, 250);
        QCOMPARE(r.DotDimension, 0.25);
        QCOMPARE(r.Revision, 1.05);
        QCOMPARE(r.LetterIntervalDotVolume, 3);
        QCOMPARE(Setting("P_MarkingWorkDeleteCheck").toBool(), true);
        // Hidden values went back as they were.
        QCOMPARE(r.HeadHome, 300);
        QCOMPARE(r.CarvingMachineComPort, std::int16_t(1));
        QCOMPARE(r.PLCComPort, std::int16_t(2));
    }

    void save_unconvertibleNumber_reportedNothingWritten_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::newRow("lone point in dot pitch") << "TxtDotDimension"
                                                 << ".";
        QTest::newRow("code 110 in revision") << "TxtRevision"
                                              << "1n";
        QTest::newRow("two points") << "TxtDotDimension"
                                    << "1.2.3";
        QTest::newRow("too large whole number") << "TxtPipeSide"
                                                << "99999999999";
    }
    void save_unconvertibleNumber_reportedNothingWritten() {
        QFETCH(QString, field);
        QFETCH(QString, text);
        ProgramDir dir;
        FomProgramSetting s;
        s.CboPrintControler->setCurrentIndex(2);
        s.findChild<QLineEdit*>(field)->setText(text);
        s.ScmdAmendment_Click();
        QCOMPARE(port_.Messages().size(), 1);
        QVERIFY(port_.Messages()[0].text != QStringLiteral("정상적으로 수정 되었습니다."));
        QVERIFY2(port_.Messages()[0].text.contains("Database.mdb"),
                 qPrintable(port_.Messages()[0].text));
        QVERIFY(port_.Messages()[0].text.contains(text));
        QCOMPARE(Setting("P_PrintControler").toInt(), 0); // the row is as it was
    }

    void save_missingDatabase_reported() {
        ProgramDir dir;
        FomProgramSetting s;
        QVERIFY(QFile::remove(dir.path() + "/Database.mdb"));
        s.ScmdAmendment_Click();
        QCOMPARE(port_.Messages().size(), 1);
        QVERIFY(port_.Messages()[0].text.contains("Database.mdb"));
        QVERIFY(!QFile::exists(dir.path() + "/Database.mdb"));
    }

    void pipeSide_typing1point5_gives15() {
        ProgramDir dir;
        Screen s;
        s.screen.TxtPipeSide->setFocus();
        s.screen.TxtPipeSide->clear();
        QTest::keyClicks(s.screen.TxtPipeSide, "1.5");
        QCOMPARE(s.screen.TxtPipeSide->text(), QStringLiteral("15"));
    }

    void filters_typedAndPasted_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("kept");
        QTest::newRow("pipe side") << "TxtPipeSide"
                                   << "1a2.3"
                                   << "123";
        QTest::newRow("letter interval") << "TxtLetterIntervalDotVolume"
                                         << "-4"
                                         << "4";
        QTest::newRow("dot pitch") << "TxtDotDimension"
                                   << "0,1.5n"
                                   << "01.5n";
        QTest::newRow("revision") << "TxtRevision"
                                  << "1.0x"
                                  << "1.0";
        QTest::newRow("head home (hidden)") << "TxtHeadHome"
                                            << "3 00"
                                            << "300";
    }
    void filters_typedAndPasted() {
        QFETCH(QString, field);
        QFETCH(QString, input);
        QFETCH(QString, kept);
        ProgramDir dir;
        FomProgramSetting s;
        auto* edit = s.findChild<QLineEdit*>(field);
        edit->clear();
        QTest::keyClicks(edit, input);
        QCOMPARE(edit->text(), kept);
        edit->clear();
        QApplication::clipboard()->setText(input);
        edit->paste();
        QCOMPARE(edit->text(), kept);
    }

    void esc_emptiesAllEightFields_thenSaveRefusedForPipeSide() {
        ProgramDir dir;
        Screen s;
        for (QLineEdit* f : s.screen.TextFields()) {
            QVERIFY(!f->text().isEmpty());
        }
        s.screen.TxtRevision->setFocus();
        QTest::keyClick(s.screen.TxtRevision, Qt::Key_Escape);
        for (QLineEdit* f : s.screen.TextFields()) {
            QVERIFY2(f->text().isEmpty(), qPrintable(f->objectName()));
        }
        QVERIFY(s.screen.TxtPipeSide->hasFocus());
        QTest::keyClick(s.screen.TxtPipeSide, Qt::Key_F4);
        QCOMPARE(port_.Messages().size(), 1);
        QCOMPARE(port_.Messages()[0].text, QStringLiteral("관단을 입력하십시요."));
    }

    void esc_thenShownFieldsFilledAgain_hiddenFieldsTakeStoredValuesBack_data() {
        QTest::addColumn<QString>("emptied"); // hidden column empty in the table
        QTest::addColumn<QString>("message");
        QTest::newRow("stored values") << ""
                                       << "정상적으로 수정 되었습니다.";
        QTest::newRow("a stored value empty") << "P_GAP"
                                              << "GAP을 입력하십시요.";
    }
    void esc_thenShownFieldsFilledAgain_hiddenFieldsTakeStoredValuesBack() {
        QFETCH(QString, emptied);
        QFETCH(QString, message);
        ProgramDir dir;
        SetSetting("P_HeadHome", 280);
        SetSetting("P_StopperPulse", 1.25);
        if (!emptied.isEmpty()) {
            SetSetting(emptied, QVariant());
        }
        Screen s;
        s.screen.TxtDotDimension->setFocus();
        QTest::keyClick(s.screen.TxtDotDimension, Qt::Key_Escape);
        QTest::keyClick(s.screen.TxtPipeSide, Qt::Key_F4);
        QCOMPARE(port_.Messages().last().text, QStringLiteral("관단을 입력하십시요."));
        // Half refilled: still refused at the first empty shown field.
        QTest::keyClicks(s.screen.TxtPipeSide, "90");
        QTest::keyClick(s.screen.TxtPipeSide, Qt::Key_F4);
        QCOMPARE(port_.Messages().last().text, QStringLiteral("Dot 피치를 입력하십시요."));
        for (const auto& [field, text] : {std::pair{s.screen.TxtDotDimension, "0.2"},
                                          {s.screen.TxtLetterIntervalDotVolume, "3"},
                                          {s.screen.TxtRevision, "1.1"}}) {
            field->setText(text);
        }
        port_.Clear();
        QTest::keyClick(s.screen.TxtRevision, Qt::Key_F4);
        QCOMPARE(port_.Messages().size(), 1);
        QCOMPARE(port_.Messages()[0].text, message);
        if (!emptied.isEmpty()) {
            QCOMPARE(Setting("P_PipeSide").toInt(), 100); // nothing written
            return;
        }
        QCOMPARE(Setting("P_PipeSide").toInt(), 90);
        QCOMPARE(Setting("P_HeadHome").toInt(), 280);
        QCOMPARE(Setting("P_GAP").toInt(), 10);
        QCOMPARE(Setting("P_StopperPulse").toDouble(), 1.25);
        QCOMPARE(s.screen.TxtHeadHome->text(), QStringLiteral("280"));
    }

    void esc_inAList_doesNothing() {
        ProgramDir dir;
        Screen s;
        s.screen.CboPrintControler->setFocus();
        QTest::keyClick(s.screen.CboPrintControler, Qt::Key_Escape);
        QVERIFY(!s.screen.TxtPipeSide->text().isEmpty());
    }

    void enter_movesThroughShownControls() {
        ProgramDir dir;
        Screen s;
        s.screen.TxtPipeSide->setFocus();
        QTest::keyClick(s.screen.TxtPipeSide, Qt::Key_Return);
        QVERIFY(s.screen.TxtDotDimension->hasFocus());
        s.screen.TxtRevision->setFocus();
        QTest::keyClick(s.screen.TxtRevision, Qt::Key_Return);
        QVERIFY(s.screen.CheMarkingWorkDelete->hasFocus()); // hidden fields skipped
        QTest::keyClick(s.screen.CheMarkingWorkDelete, Qt::Key_Return);
        QVERIFY(s.screen.CboPrintControlerComPort->hasFocus());
        QCOMPARE(s.screen.TxtRevision->text(), QStringLiteral("1"));
    }

    void focusColours_fieldAndPanel() {
        ProgramDir dir;
        Screen s;
        s.screen.TxtDotDimension->setFocus();
        QCOMPARE(BackgroundOf(s.screen.TxtDotDimension), kFieldFocusColor);
        QCOMPARE(BackgroundOf(s.screen.CaptionPanelOf(s.screen.TxtDotDimension)),
                 kCaptionFocusColor);
        QCOMPARE(s.screen.TxtDotDimension->selectedText(), s.screen.TxtDotDimension->text());
        s.screen.CheMarkingWorkDelete->setFocus();
        QCOMPARE(BackgroundOf(s.screen.TxtDotDimension), kFieldColor);
        QCOMPARE(BackgroundOf(s.screen.CaptionPanelOf(s.screen.TxtDotDimension)), kCaptionColor);
        QCOMPARE(BackgroundOf(s.screen.CaptionPanelOf(s.screen.CheMarkingWorkDelete)),
                 kCaptionFocusColor);
    }

    void calculator_noneFound_saysSo() {
        ProgramDir dir;
        FomProgramSetting s;
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", dir.path().toUtf8());
        s.ScmdCalculator_Click();
        qputenv("PATH", path);
        QCOMPARE(port_.Messages().size(), 1);
        QVERIFY(port_.Messages()[0].text.contains("gnome-calculator"));
    }

    void calculator_configuredCommand_startedWithArguments() {
        ProgramDir dir;
        const QString marker = dir.path() + "/calculator ran";
        {
            QSettings st(QSettings::NativeFormat, QSettings::UserScope, "Marking Program",
                         "Marking Program");
            st.setValue("Tools/Calculator", QStringLiteral("touch \"%1\"").arg(marker));
        }
        QCOMPARE(CalculatorCommand(), (QStringList{"touch", marker}));
        Screen s;
        QTest::keyClick(s.screen.TxtPipeSide, Qt::Key_F5);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker), 10000);
        QVERIFY(port_.Messages().isEmpty());
        {
            QSettings st(QSettings::NativeFormat, QSettings::UserScope, "Marking Program",
                         "Marking Program");
            st.setValue("Tools/Calculator", "/nonexistent/calculator-program");
        }
        s.screen.ScmdCalculator_Click();
        QCOMPARE(port_.Messages().size(), 1);
        QVERIFY(port_.Messages()[0].text.contains("/nonexistent/calculator-program"));
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "Marking Program",
                  "Marking Program")
            .remove("Tools");
    }

    void tables_matchTheScreen() {
        ProgramDir dir;
        Screen s;
        screentest::CheckScreenTables(s.screen.Form());
    }

    void buttons_captions() {
        ProgramDir dir;
        FomProgramSetting s;
        QCOMPARE(s.ScmdAmendment->text(), QStringLiteral("수  정[F4]"));
        QCOMPARE(s.ScmdCalculator->text(), QStringLiteral("계산기 [F5]"));
        QCOMPARE(s.ScmdEnd->text(), QStringLiteral("프로그램 종료[F10]"));
        QCOMPARE(s.SSPanel3->text(), QStringLiteral("프로그램 설정"));
        QCOMPARE(s.SpanHelp->text(), QStringLiteral("Help"));
        QCOMPARE(s.size(), QSize(1024, 768));
    }
};

QTEST_MAIN(TestProgramSetting)
#include "tst_programsetting.moc"

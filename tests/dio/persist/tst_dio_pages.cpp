// The property pages on the simulated board: what they show, the checks of
// typed scan ranges with their messages, and Apply on two controls.

#include "control/Module.h"
#include "control/MrvDIOCtrl.h"
#include "daqsim.h"
#include "pages/DiInterruptPage.h"
#include "pages/GeneralPage.h"
#include "pages/MiscPage.h"
#include "pages/PortDirectionPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QTreeWidget>
#include <QtTest>

using namespace mrvdio;
using namespace mrvdio::pages;

namespace {

// Device 0 has every table and programmable ports (4 DI ports); device 1
// has fixed ports only.
const char* kBoards = R"(
[device 0]
name = PIO 32
di_channels = 32
do_channels = 16
port_types = 1, 3, 4, 5
directions = 0xFF, 0, 0, 0
interrupt_channels = 0x03, 0, 0, 0
pattern_channels = 0xFF, 0x0F, 0, 0
pattern_mask_settable = 1, 0, 0, 0
status_channels = 0, 0xF0, 0, 0
[device 1]
name = Plain 16
di_channels = 16
do_channels = 16
)";

struct Shown {
    QString caption;
    QString text;
};
QList<Shown> g_shown;
int g_selectRow = -1;

int AnswerDialog(void* dialog, void*) {
    auto* d = static_cast<QDialog*>(dialog);
    if (auto* box = qobject_cast<QMessageBox*>(d))
        g_shown << Shown{box->windowTitle(), box->text()};
    if (auto* list = d->findChild<QListWidget*>(QStringLiteral("DeviceList"))) {
        list->setCurrentRow(g_selectRow);
        return QDialog::Accepted;
    }
    return QDialog::Accepted;
}

ComPtr<IMrvDIO> Make(int32_t device) {
    ComPtr<IMrvDIO> p;
    if (FAILED(MrvDIOCtrl::Create(nullptr, IID_IMrvDIO, p.PutVoid())))
        qFatal("control creation failed");
    p->put_DeviceNumber(device);
    return p;
}

} // namespace

class TestDioPages : public QObject {
    Q_OBJECT

    ComPtr<IMrvDIO> a_, b_;

private slots:
    void initTestCase() {
        qputenv("DAQDRV32_LIBRARY",
                (qEnvironmentVariable("MARKING_PROGRAM_DIR") + "/libdaqdrv32.so").toLocal8Bit());
        MrvDIOSetDialogHook(&AnswerDialog, nullptr);
    }

    void init() {
        char error[256] = {};
        QCOMPARE(daqsim_load_config_text(kBoards, error, sizeof error), DAQ_OK);
        a_ = Make(0);
        b_ = Make(0);
        g_shown.clear();
        g_selectRow = -1;
    }
    void cleanup() {
        a_.Reset();
        b_.Reset();
    }

    void typedScanRange_checkedWithThePagesMessages_data() {
        QTest::addColumn<int>("page"); // 0 DI interrupt, 1 pattern match, 2 status change
        QTest::addColumn<bool>("start");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("scanStart");
        QTest::addColumn<int>("scanCount");
        QTest::addColumn<QString>("message");
        QTest::newRow("start beyond the last port")
            << 1 << true << "5" << 0 << 0 << "Scan Start port number is invalid!";
        QTest::newRow("start of 4 on 4 ports")
            << 0 << true << "4" << 0 << 0 << "Scan Start port number is invalid!";
        QTest::newRow("not a number") << 2 << false << "2a" << 0 << 2 << "Input Error!";
        QTest::newRow("negative") << 0 << false << "-1" << 0 << 0 << "Input Error!";
        QTest::newRow("count in range") << 0 << false << "4" << 0 << 4 << "";
        QTest::newRow("DI interrupt count clipped")
            << 0 << false << "9" << 0 << 4
            << "Scan count is out of range and it will be changed into 4!";
        QTest::newRow("pattern count clipped")
            << 1 << false << "7" << 0 << 4
            << "Scan Count for DI Pattern Match is out of range. It will be fixed to 4!";
        QTest::newRow("status count clipped after start")
            << 2 << true << "3" << 3 << 1
            << "Scan Count for DI Status Change is out of range. It will be fixed to 1!";
    }
    void typedScanRange_checkedWithThePagesMessages() {
        QFETCH(int, page);
        QFETCH(bool, start);
        QFETCH(QString, typed);
        QFETCH(int, scanStart);
        QFETCH(int, scanCount);
        QFETCH(QString, message);
        int gotStart = -1, gotCount = -1;
        if (page == 0) {
            DiInterruptPage p;
            p.SetObjects({a_});
            start ? p.TypeScanStart(1, typed) : p.TypeScanCount(1, typed);
            gotStart = p.Channels()[1].scanStart;
            gotCount = p.Channels()[1].scanCount;
        } else { // the status change record starts with (0, 2)
            VARIANT_BOOL r = 0;
            QCOMPARE(a_->AssignDiStatusChangeDiScanRange(1, 0, 2, &r), S_OK);
            MiscPage p;
            p.SetObjects({a_});
            const auto t = page == 1 ? MiscPage::Pattern : MiscPage::Status;
            start ? p.TypeScanStart(t, typed) : p.TypeScanCount(t, typed);
            const auto& s = p.GroupOf(t).settings.front();
            gotStart = s.scanStart;
            gotCount = s.scanCount;
        }
        QCOMPARE(gotStart, scanStart);
        QCOMPARE(gotCount, scanCount);
        if (message.isEmpty()) {
            QVERIFY(g_shown.isEmpty());
        } else {
            QCOMPARE(g_shown.size(), 1);
            QCOMPARE(g_shown[0].text, message);
            QCOMPARE(g_shown[0].caption, QStringLiteral("Error"));
        }
    }

    void pages_showTheControlsSettings() {
        GeneralPage general;
        general.SetObjects({a_});
        QCOMPARE(general.findChild<QLineEdit*>("DeviceName")->text(), QStringLiteral("PIO 32"));
        QCOMPARE(general.findChild<QLineEdit*>("DiPortCount")->text(), QStringLiteral("4"));
        PortDirectionPage ports;
        ports.SetObjects({a_});
        QCOMPARE(ports.List()->topLevelItemCount(), 4);
        QVERIFY(ports.List()->topLevelItem(0)->isDisabled());     // a fixed port
        QCOMPARE(ports.List()->topLevelItem(3)->childCount(), 8); // set per channel
        DiInterruptPage interrupts;
        interrupts.SetObjects({a_});
        QVERIFY(interrupts.isEnabled());
        QCOMPARE(interrupts.List()->topLevelItemCount(), 4);
        QCOMPARE(interrupts.Channels()[1].supported, true);
        QCOMPARE(interrupts.Channels()[2].supported, false);
        MiscPage misc;
        misc.SetObjects({a_});
        const auto& pattern = misc.GroupOf(MiscPage::Pattern);
        QCOMPARE(pattern.settings.size(), size_t(2));
        QVERIFY(pattern.channels[0]->isEnabled());
        misc.ChoosePort(MiscPage::Pattern, 1); // mask not settable there
        QVERIFY(!pattern.channels[0]->isEnabled());
        QVERIFY(pattern.values[3]->isEnabled());
        QVERIFY(!pattern.values[4]->isEnabled()); // not a channel of that port
        // A board without DI interrupts: the page has nothing to configure.
        interrupts.SetObjects({Make(1)});
        QVERIFY(!interrupts.isEnabled());
        QCOMPARE(misc.findChild<QComboBox*>("StatusPorts")->count(), 1);
    }

    void apply_writesTheCopyToEveryControl() {
        DiInterruptPage interrupts;
        interrupts.SetObjects({a_, b_});
        interrupts.List()->topLevelItem(0)->setCheckState(0, Qt::Checked); // channels 0 and 1
        QCOMPARE(interrupts.List()->topLevelItem(0)->child(1)->checkState(0), Qt::Checked);
        interrupts.List()->topLevelItem(0)->child(0)->setCheckState(0, Qt::Unchecked);
        QCOMPARE(interrupts.List()->topLevelItem(0)->checkState(0), Qt::PartiallyChecked);
        interrupts.TypeScanCount(1, QStringLiteral("2"));
        QVERIFY(interrupts.IsDirty());
        PortDirectionPage ports;
        ports.SetObjects({a_, b_});
        ports.ChoosePortDirection(2, 0xF0);
        ports.ChooseChannelDirection(3, 6, true);
        MiscPage misc;
        misc.SetObjects({a_, b_});
        for (int ch = 0; ch < 8; ++ch)
            misc.GroupOf(MiscPage::Pattern).channels[ch]->setChecked(ch != 2);
        misc.GroupOf(MiscPage::Pattern).enabled->setChecked(true);
        for (PageWidget* page : std::initializer_list<PageWidget*>{&interrupts, &ports, &misc}) {
            QCOMPARE(page->Apply(), S_OK);
            QVERIFY(!page->IsDirty());
        }
        for (const auto& c : {a_, b_}) {
            VARIANT_BOOL enabled = 0, found = 0;
            int32_t count = 0, direction = 0, mask = 0;
            QCOMPARE(c->GetDiInterruptSetting(1, &enabled, nullptr, nullptr, &count, &found), S_OK);
            QCOMPARE(enabled, VARIANT_BOOL(1));
            QCOMPARE(count, 2);
            QCOMPARE(c->GetPortDirection(2, &direction), S_OK);
            QCOMPARE(direction, 0xF0);
            QCOMPARE(c->GetPortDirection(3, &direction), S_OK);
            QCOMPARE(direction, 0x40);
            c->GetDiPatternMatchSetting(0, &mask, nullptr, &enabled, nullptr, nullptr, &found);
            QCOMPARE(mask, 0xFB);
            QCOMPARE(enabled, VARIANT_BOOL(1));
        }
    }

    void apply_refusedByOneControl_endsFailedAndClean() {
        PortDirectionPage ports;
        auto plain = Make(1); // fixed ports: refuses every direction
        ports.SetObjects({a_, plain, b_});
        ports.ChoosePortDirection(1, 0xFF);
        QCOMPARE(ports.Apply(), E_FAIL);
        QVERIFY(!ports.IsDirty());
        int32_t direction = 0, code = 0;
        a_->GetPortDirection(1, &direction);
        QCOMPARE(direction, 0xFF);
        plain->get_LastErrorCode(&code);
        QCOMPARE(code, 28); // a fixed port
        b_->GetPortDirection(1, &direction);
        QCOMPARE(direction, 0); // not reached
    }

    void general_selectDeviceThenApplyMovesTheOthers() {
        GeneralPage general;
        general.SetObjects({a_, b_});
        g_selectRow = 1; // "001 (Plain 16)"
        general.SelectDevice_Click();
        QCOMPARE(general.findChild<QLineEdit*>("DeviceName")->text(), QStringLiteral("Plain 16"));
        QVERIFY(general.IsDirty());
        QCOMPARE(general.Apply(), S_OK);
        int32_t number = -9;
        b_->get_DeviceNumber(&number);
        QCOMPARE(number, 1);
    }
};

QTEST_MAIN(TestDioPages)
#include "tst_dio_pages.moc"

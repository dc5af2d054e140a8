// The control object on the simulated board: opening devices, the device
// list, channel and port input/output, port directions, the error
// convention, the dispatch layer, the dialogs and the extent.

#include "control/Dialogs.h"
#include "control/Module.h"
#include "control/MrvDIOCtrl.h"
#include "daqsim.h"
#include "mrvdio/Variant.h"

#include <QLabel>
#include <QListWidget>
#include <QtTest>

using namespace mrvdio;

namespace {

// Device 0 has neither DI nor DO; device 1 is a DIO board with 4 DI ports.
const char* kTwoBoards = R"(
[device 0]
name = Counter Board
di_channels = 0
do_channels = 0
[device 1]
name = DIO Board 32
board_id = 0x77
di_channels = 32
do_channels = 16
interrupt_channels = 0xFF, 0, 0, 0
)";

// Only a board without DI and DO: no DIO device on the system.
const char* kNoDio = R"(
[device 0]
name = Counter Board
di_channels = 0
do_channels = 0
)";

const char* kFourDiPorts = R"(
[device 0]
name = DIO 32/16
di_channels = 32
do_channels = 16
)";

const char* kEightDi = R"(
[device 0]
name = DIO 8/8
di_channels = 8
do_channels = 8
)";

const char* kDoOnly = R"(
[device 0]
name = DO 16
di_channels = 0
do_channels = 16
)";

// DIO ports of every programmable kind next to a fixed output port.
const char* kProgrammable = R"(
[device 0]
name = PIO 32
di_channels = 16
di_ports = 2
do_channels = 16
do_ports = 2
port_types = 1, 3, 4, 5
directions = 0xFF, 0, 0, 0
)";

// Port 0's direction word has four bits set in both bytes: 4 DI channels.
const char* kSplitPort = R"(
[device 0]
name = Split 12
di_channels = 12
di_ports = 2
do_channels = 8
do_ports = 1
port_types = 5, 5
directions = 0x0F0F, 0
interrupt_channels = 0x0F, 0xFF
)";

const char* kPatternStatus = R"(
[device 0]
name = PM 24
di_channels = 24
do_channels = 8
interrupt_channels = 0x03, 0, 0
both_edges = 1
pattern_channels = 0xFF, 0, 0x0F
pattern_mask_settable = 1, 0, 0
status_channels = 0, 0xF0, 0
)";

void Load(const char* config) {
    char error[256] = {};
    QCOMPARE(daqsim_load_config_text(config, error, sizeof error), DAQ_OK);
}

ComPtr<IMrvDIO> Make() {
    ComPtr<IMrvDIO> p;
    HRESULT hr = MrvDIOCtrl::Create(nullptr, IID_IMrvDIO, p.PutVoid());
    if (FAILED(hr))
        qFatal("control creation failed: %x", static_cast<unsigned>(hr));
    return p;
}

MrvDIOCtrl* Ctrl(const ComPtr<IMrvDIO>& p) {
    return static_cast<MrvDIOCtrl*>(p.Get());
}

int32_t Code(const ComPtr<IMrvDIO>& p) {
    int32_t code = -1;
    p->get_LastErrorCode(&code);
    return code;
}

QString Message(const ComPtr<IMrvDIO>& p) {
    Bstr s;
    p->get_LastErrorMessage(s.Put());
    return QString::fromStdString(s.Utf8());
}

int32_t Number(const ComPtr<IMrvDIO>& p) {
    int32_t n = -9;
    p->get_DeviceNumber(&n);
    return n;
}

QString Name(const ComPtr<IMrvDIO>& p) {
    Bstr s;
    p->get_DeviceName(s.Put());
    return QString::fromStdString(s.Utf8());
}

// Counts property-change notifications.
class NotifySink final : public IPropertyNotifySink {
public:
    HRESULT QueryInterface(const IID& iid, void** object) override {
        if (iid == IID_IUnknown || iid == IID_IPropertyNotifySink) {
            *object = static_cast<IPropertyNotifySink*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    uint32_t AddRef() override { return ++refs; }
    uint32_t Release() override { return --refs; }
    HRESULT OnChanged(DISPID id) override {
        changed << id;
        return S_OK;
    }
    HRESULT OnRequestEdit(DISPID) override { return S_OK; }
    QList<DISPID> changed;
    uint32_t refs = 1;
};

uint32_t Connect(const ComPtr<IMrvDIO>& p, IUnknown* sink) {
    ComPtr<IConnectionPointContainer> container;
    p.As(IID_IConnectionPointContainer, &container);
    ComPtr<IConnectionPoint> point;
    container->FindConnectionPoint(IID_IPropertyNotifySink, point.Put());
    uint32_t cookie = 0;
    point->Advise(sink, &cookie);
    return cookie;
}

// A client site answering the ambient user mode.
class Site final : public IDispatch {
public:
    explicit Site(bool userMode)
        : userMode_(userMode) {}
    HRESULT QueryInterface(const IID& iid, void** object) override {
        if (iid == IID_IUnknown || iid == IID_IDispatch) {
            *object = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    uint32_t AddRef() override { return ++refs; }
    uint32_t Release() override { return --refs; }
    HRESULT GetTypeInfoCount(uint32_t*) override { return E_NOTIMPL; }
    HRESULT GetTypeInfo(uint32_t, LCID, void**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(const IID&, const char16_t**, uint32_t, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT Invoke(DISPID member, const IID&, LCID, uint16_t, DISPPARAMS*, VARIANT* result,
                   EXCEPINFO*, uint32_t*) override {
        if (member != DISPID_AMBIENT_USERMODE || !result)
            return DISP_E_MEMBERNOTFOUND;
        result->vt = VT_BOOL;
        result->boolVal = userMode_ ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    uint32_t refs = 1;

private:
    bool userMode_;
};

// The dialog hook of the tests: records the dialog and answers it.
struct DialogScript {
    QString title;
    QStringList entries;
    QString selectedAtStart;
    int selectRow = -1; // row to select before answering
    int answer = QDialog::Rejected;
    int shown = 0;
};
DialogScript g_script;

int ScriptedDialog(void* dialog, void*) {
    auto* d = static_cast<QDialog*>(dialog);
    ++g_script.shown;
    g_script.title = d->windowTitle();
    g_script.entries.clear();
    if (auto* list = d->findChild<QListWidget*>(QStringLiteral("DeviceList"))) {
        for (int i = 0; i < list->count(); ++i)
            g_script.entries << list->item(i)->text();
        if (list->currentItem())
            g_script.selectedAtStart = list->currentItem()->text();
        if (g_script.selectRow >= 0)
            list->setCurrentRow(g_script.selectRow);
    }
    return g_script.answer;
}

} // namespace

class TestDioControl : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        qputenv("DAQDRV32_SOCKET", "off");
        qputenv("DAQDRV32_LIBRARY",
                (qEnvironmentVariable("MARKING_PROGRAM_DIR") + "/libdaqdrv32.so").toLocal8Bit());
    }

    void init() {
        QCOMPARE(daqsim_reset(), DAQ_OK);
        MrvDIOSetDialogHook(nullptr, nullptr);
        g_script = DialogScript{};
    }

    // ------------------------------------------------------------ opening

    void construction_defaultBoard_opensDeviceZero() {
        auto p = Make();
        QCOMPARE(Number(p), 0);
        QCOMPARE(Name(p), QStringLiteral("DIO Simulator 16DI/16DO"));
        int32_t v = 0;
        p->get_DiChannelCount(&v);
        QCOMPARE(v, 16);
        p->get_DiPortCount(&v);
        QCOMPARE(v, 2);
        p->get_DoChannelCount(&v);
        QCOMPARE(v, 16);
        p->get_DoPortCount(&v);
        QCOMPARE(v, 2);
        QCOMPARE(Ctrl(p)->BoardId(), 0x5D10);
        QCOMPARE(Ctrl(p)->DiscoveryFailure(), 0);
        // The driver refused device -1; that error stays.
        QCOMPARE(Code(p), 36);
        QVERIFY(Message(p).startsWith(QStringLiteral("Driver Error: ")));
        QVERIFY(!Ctrl(p)->IsDirty());
        QCOMPARE(daqsim_open_handles(0), 1);
    }

    void construction_fallback_skipsDeviceWithoutDio() {
        Load(kTwoBoards);
        auto p = Make();
        QCOMPARE(Number(p), 1);
        QCOMPARE(Name(p), QStringLiteral("DIO Board 32"));
        QCOMPARE(Ctrl(p)->BoardId(), 0x77);
        QCOMPARE(Code(p), 36);
        // IsDioDevice closed the handles it opened.
        QCOMPARE(daqsim_open_handles(0), 0);
        QCOMPARE(daqsim_open_handles(1), 1);
    }

    void construction_noDioDevice_leavesNoDevice() {
        Load(kNoDio);
        auto p = Make();
        QCOMPARE(Number(p), -1);
        QCOMPARE(Name(p), QStringLiteral("No Device"));
        QVERIFY(!Ctrl(p)->HasDevice());
        QCOMPARE(Ctrl(p)->BoardId(), -1);
        QCOMPARE(daqsim_open_handles(0), 0);
    }

    void assignNonexistent_returnsSFalseAndNotifies() {
        auto p = Make();
        NotifySink sink;
        QVERIFY(Connect(p, &sink) != 0);
        QCOMPARE(p->put_DeviceNumber(7), S_FALSE);
        QCOMPARE(Number(p), -1);
        QCOMPARE(Name(p), QStringLiteral("No Device"));
        QCOMPARE(Code(p), 36);
        QVERIFY(Message(p).startsWith(QStringLiteral("Driver Error: ")));
        QCOMPARE(sink.changed, QList<DISPID>{DISPID_DeviceNumber});
        QVERIFY(Ctrl(p)->IsDirty());
        QCOMPARE(daqsim_open_handles(0), 0); // the old device was closed
        Ctrl(p)->Close(0);
    }

    // The driver's reason for refusing its board file reaches the host.
    void boardFileUnusable_reasonInLastErrorMessage_data() {
        QTest::addColumn<QByteArray>("content"); // empty: a folder in place of the file
        QTest::addColumn<QString>("says");
        QTest::newRow("malformed")
            << QByteArray("[device 0]\ndi_channels = lots\n") << QStringLiteral("line 2");
        QTest::newRow("folder") << QByteArray() << QStringLiteral("a folder");
    }
    void boardFileUnusable_reasonInLastErrorMessage() {
        QFETCH(QByteArray, content);
        QFETCH(QString, says);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("boards.ini"));
        if (content.isEmpty()) {
            QVERIFY(QDir().mkdir(path));
        } else {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        qputenv("DAQDRV32_CONFIG", QFile::encodeName(path));
        const auto restore = qScopeGuard([] {
            qunsetenv("DAQDRV32_CONFIG");
            daqsim_reset();
        });
        QCOMPARE(daqsim_reset(), DAQ_OK);
        auto p = Make();
        QCOMPARE(p->put_DeviceNumber(0), S_FALSE);
        QVERIFY2(Message(p).contains(path), qPrintable(Message(p)));
        QVERIFY2(Message(p).contains(says), qPrintable(Message(p)));
        Ctrl(p)->Close(0);
    }

    void assignDeviceWithoutDio_returnsSFalseCode8NoNotification() {
        Load(kTwoBoards);
        auto p = Make();
        NotifySink sink;
        Connect(p, &sink);
        QCOMPARE(p->put_DeviceNumber(0), S_FALSE);
        QCOMPARE(Code(p), 8);
        QCOMPARE(Message(p), QStringLiteral("Device does not support DI/O function!!"));
        QCOMPARE(Number(p), -1);
        QVERIFY(sink.changed.isEmpty());
        QCOMPARE(daqsim_open_handles(0), 0);
        QCOMPARE(daqsim_open_handles(1), 0);
        Ctrl(p)->Close(0);
    }

    void assignExisting_resetsErrorAndNotifies() {
        Load(kTwoBoards);
        auto p = Make();
        NotifySink sink;
        Connect(p, &sink);
        QCOMPARE(p->put_DeviceNumber(1), S_OK);
        QCOMPARE(Code(p), 0);
        QCOMPARE(Message(p), QStringLiteral("No Error!"));
        QCOMPARE(Number(p), 1);
        QCOMPARE(sink.changed, QList<DISPID>{DISPID_DeviceNumber});
        QCOMPARE(daqsim_open_handles(1), 1);
        Ctrl(p)->Close(0);
    }

    void surveyFailure_closesDeviceWithSurveyError() {
        auto p = Make();
        QCOMPARE(daqsim_fail("DRV_DeviceGetProperty:0x3005", 0x12, -1), DAQ_OK);
        QCOMPARE(p->put_DeviceNumber(0), S_OK);
        QCOMPARE(Number(p), -1);
        QCOMPARE(Code(p), 36);
        QVERIFY(!Ctrl(p)->HasDevice());
        QCOMPARE(daqsim_open_handles(0), 0);
    }

    void closeRefused_keepsDeviceAndFails() {
        auto p = Make();
        QCOMPARE(daqsim_fail("DRV_DeviceClose", 0x11, 1), DAQ_OK);
        QCOMPARE(p->put_DeviceNumber(0), E_FAIL);
        QCOMPARE(Code(p), 36);
        QCOMPARE(Number(p), 0);
        QVERIFY(Ctrl(p)->HasDevice());
        QCOMPARE(daqsim_open_handles(0), 1);
    }

    void destruction_closesDevice() {
        {
            auto p = Make();
            QCOMPARE(daqsim_open_handles(0), 1);
        }
        QCOMPARE(daqsim_open_handles(0), 0);
    }

    // -------------------------------------------------------- device list

    void deviceList_walksDioDevicesToTheEnd() {
        Load(R"(
[device 0]
name = First
di_channels = 8
do_channels = 0
[device 3]
name = No IO
di_channels = 0
do_channels = 0
[device 5]
name = Third
di_channels = 0
do_channels = 8
)");
        auto p = Make();
        Bstr name;
        int32_t number = -9;
        QCOMPARE(p->GetDeviceListFirst(name.Put(), &number), S_OK);
        QCOMPARE(number, 0);
        QCOMPARE(name.Utf8(), std::string("First"));
        QCOMPARE(p->GetDeviceListNext(name.Put(), &number), S_OK);
        QCOMPARE(number, 5);
        QCOMPARE(name.Utf8(), std::string("Third"));
        QCOMPARE(p->GetDeviceListNext(name.Put(), &number), S_OK);
        QCOMPARE(number, -1);
        QCOMPARE(name.Utf8(), std::string("No Device"));
        QCOMPARE(p->GetDeviceListNext(name.Put(), &number), S_OK);
        QCOMPARE(number, -1);
        QCOMPARE(Ctrl(p)->ListedDeviceCount(), 2);
    }

    void deviceListFirst_withoutDevices_returnsSFalse() {
        Load(kNoDio);
        auto p = Make();
        Bstr name;
        int32_t number = 0;
        QCOMPARE(p->GetDeviceListFirst(name.Put(), &number), S_FALSE);
        QCOMPARE(number, -1);
        QCOMPARE(name.Utf8(), std::string("No Device"));
        QCOMPARE(p->GetDeviceListNext(name.Put(), &number), S_OK);
        QCOMPARE(number, -1);
    }

    void deviceList_nullPointer_fails22() {
        auto p = Make();
        Bstr name;
        int32_t number = 0;
        QCOMPARE(p->GetDeviceListFirst(nullptr, &number), E_FAIL);
        QCOMPARE(Code(p), 22);
        QCOMPARE(p->GetDeviceListNext(name.Put(), nullptr), E_FAIL);
        QCOMPARE(Code(p), 22);
        int32_t* none = nullptr;
        QCOMPARE(p->get_DiChannelCount(none), E_FAIL);
        QCOMPARE(Message(p), QStringLiteral("Invalid parameter!!"));
    }

    // ------------------------------------------------------------ channels

    void readDiChannel_checks_data() {
        QTest::addColumn<QString>("config");
        QTest::addColumn<int>("device");
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("code");
        QTest::newRow("channel = count") << kEightDi << 0 << 8 << 15;
        QTest::newRow("negative channel") << kEightDi << 0 << -1 << 15;
        QTest::newRow("no DI") << kDoOnly << 0 << 0 << 6;
        QTest::newRow("no device") << kEightDi << 9 << 0 << 25;
    }
    void readDiChannel_checks() {
        QFETCH(QString, config);
        QFETCH(int, device);
        QFETCH(int, channel);
        QFETCH(int, code);
        Load(config.toUtf8().constData());
        auto p = Make();
        if (device != 0)
            p->put_DeviceNumber(device);
        int32_t state = 5;
        QCOMPARE(p->ReadDiChannel(channel, &state), E_FAIL);
        QCOMPARE(state, -1);
        QCOMPARE(Code(p), code);
        QVERIFY(Message(p).endsWith(QStringLiteral("!!")));
    }

    void readDiChannel_readsBitOfPort() {
        auto p = Make();
        QCOMPARE(daqsim_set_di_port(0, 1, 0x24), DAQ_OK);
        const int expected[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0};
        for (int c = 0; c < 16; ++c) {
            int32_t state = -5;
            QCOMPARE(p->ReadDiChannel(c, &state), S_OK);
            QCOMPARE(state, expected[c]);
        }
    }

    void readDiChannel_driverFailure_reports30() {
        auto p = Make();
        daqsim_fail("DRV_DioReadBit", 0x12, 1);
        int32_t state = 0;
        QCOMPARE(p->ReadDiChannel(0, &state), E_FAIL);
        QCOMPARE(Code(p), 30);
        QCOMPARE(state, -1);
        QCOMPARE(p->ReadDiChannel(0, &state), S_OK); // one failure only
    }

    void doChannel_writeAndReadBack() {
        auto p = Make();
        VARIANT_BOOL ok = 0;
        QCOMPARE(p->WriteDoChannel(1, 11, &ok), S_OK);
        QCOMPARE(ok, VARIANT_BOOL(1));
        uint8_t port = 0;
        daqsim_get_do_port(0, 1, &port);
        QCOMPARE(port, uint8_t(0x08));
        int32_t state = -1;
        QCOMPARE(p->ReadDoChannel(11, &state), S_OK);
        QCOMPARE(state, 1);
        QCOMPARE(p->WriteDoChannel(0, 16, &ok), E_FAIL);
        QCOMPARE(ok, VARIANT_BOOL(0));
        QCOMPARE(Code(p), 18);
        QCOMPARE(p->ReadDoChannel(-1, &state), E_FAIL);
        QCOMPARE(Code(p), 18);
        daqsim_fail("DRV_DioWriteBit", 0x12, 1);
        QCOMPARE(p->WriteDoChannel(1, 0, &ok), E_FAIL);
        QCOMPARE(Code(p), 34);
        daqsim_fail("DRV_DioGetCurrentDOBit", 0x12, 1);
        QCOMPARE(p->ReadDoChannel(0, &state), E_FAIL);
        QCOMPARE(Code(p), 32);
    }

    // --------------------------------------------------------------- ports

    void readDiPorts_rangeBeyondLastPort_readsShortened() {
        Load(kFourDiPorts);
        auto p = Make();
        for (uint32_t port = 0; port < 4; ++port)
            daqsim_set_di_port(0, port, static_cast<uint8_t>(0x10 + port));
        Variant buffer;
        VARIANT_BOOL result = 5;
        QCOMPARE(p->ReadDiPorts(buffer.Ptr(), 2, 5, &result), S_OK);
        QCOMPARE(result, VARIANT_BOOL(0));
        QCOMPARE(Code(p), 17);
        QCOMPARE(buffer.Type(), VARTYPE(VT_ARRAY | VT_UI1));
        QCOMPARE(buffer.LowerBound(), 0);
        QCOMPARE(buffer.ToBytes(), (std::vector<uint8_t>{0x12, 0x13}));
    }

    void ports_arrayShorterThanCount_data() {
        QTest::addColumn<bool>("write");
        QTest::addColumn<int>("expectedResult");
        QTest::newRow("ReadDiPorts") << false << 0;
        QTest::newRow("WriteDoPorts") << true << 1;
    }
    void ports_arrayShorterThanCount() {
        QFETCH(bool, write);
        QFETCH(int, expectedResult);
        auto p = Make();
        daqsim_set_di_port(0, 0, 0x5A);
        daqsim_set_di_port(0, 1, 0xA5);
        Variant buffer = Variant::Bytes({0xC3}, 7);
        VARIANT_BOOL result = 5;
        const HRESULT hr = write ? p->WriteDoPorts(buffer.Ptr(), 0, 2, &result)
                                 : p->ReadDiPorts(buffer.Ptr(), 0, 2, &result);
        QCOMPARE(hr, S_OK);
        QCOMPARE(int(result), expectedResult);
        QCOMPARE(Code(p), 5);
        if (write) {
            uint8_t d0 = 0, d1 = 0;
            daqsim_get_do_port(0, 0, &d0);
            daqsim_get_do_port(0, 1, &d1);
            QCOMPARE(d0, uint8_t(0xC3));
            QCOMPARE(d1, uint8_t(0)); // only one port written
        } else {
            QCOMPARE(buffer.ToBytes(), std::vector<uint8_t>{0x5A});
            QCOMPARE(buffer.LowerBound(), 7); // the caller's array, lower bound kept
        }
    }

    void ports_bufferKinds_data() {
        QTest::addColumn<int>("member"); // 0 ReadDiPorts, 1 ReadDoPorts, 2 WriteDoPorts
        QTest::addColumn<int>("kind"); // 0 empty, 1 int, 2 null pointer, 3 array variant w/o array
        QTest::addColumn<int>("hr");
        QTest::addColumn<int>("code");
        QTest::newRow("write empty") << 2 << 0 << int(E_FAIL) << 24;
        QTest::newRow("write null") << 2 << 2 << int(E_FAIL) << 24;
        QTest::newRow("write no array") << 2 << 3 << int(E_FAIL) << 24;
        QTest::newRow("write int") << 2 << 1 << int(E_FAIL) << 2;
        QTest::newRow("read DO empty") << 1 << 0 << int(S_OK) << 0;
        QTest::newRow("read DO no array") << 1 << 3 << int(S_OK) << 0;
        QTest::newRow("read DI int") << 0 << 1 << int(E_FAIL) << 2;
        QTest::newRow("read DI null") << 0 << 2 << int(E_FAIL) << 24;
    }
    void ports_bufferKinds() {
        QFETCH(int, member);
        QFETCH(int, kind);
        QFETCH(int, hr);
        QFETCH(int, code);
        auto p = Make();
        p->put_LastErrorCode(0);
        Variant buffer;
        if (kind == 1)
            buffer = Variant::Int(3);
        if (kind == 3) {
            buffer.Ptr()->vt = VT_ARRAY | VT_UI1;
            buffer.Ptr()->parray = nullptr;
        }
        VARIANT* arg = kind == 2 ? nullptr : buffer.Ptr();
        VARIANT_BOOL result = 5;
        HRESULT got = member == 0   ? p->ReadDiPorts(arg, 0, 2, &result)
                      : member == 1 ? p->ReadDoPorts(arg, 0, 2, &result)
                                    : p->WriteDoPorts(arg, 0, 2, &result);
        QCOMPARE(int(got), hr);
        QCOMPARE(Code(p), code);
        if (SUCCEEDED(got)) {
            QCOMPARE(result, VARIANT_BOOL(1));
            QCOMPARE(buffer.Type(), VARTYPE(VT_ARRAY | VT_UI1));
            QCOMPARE(buffer.ToBytes().size(), size_t(2));
        } else {
            QCOMPARE(result, VARIANT_BOOL(0));
        }
    }

    void ports_byReferenceArray_writesFromFirstElement() {
        auto p = Make();
        SAFEARRAY* sa = SafeArrayCreateVector(VT_UI1, -3, 2);
        static_cast<uint8_t*>(sa->pvData)[0] = 0x81;
        static_cast<uint8_t*>(sa->pvData)[1] = 0x42;
        VARIANT byRef;
        VariantInit(&byRef);
        byRef.vt = VT_BYREF | VT_ARRAY | VT_UI1;
        byRef.pparray = &sa;
        VARIANT_BOOL result = 0;
        QCOMPARE(p->WriteDoPorts(&byRef, 0, 2, &result), S_OK);
        QCOMPARE(result, VARIANT_BOOL(1));
        uint8_t d0 = 0, d1 = 0;
        daqsim_get_do_port(0, 0, &d0);
        daqsim_get_do_port(0, 1, &d1);
        QCOMPARE(d0, uint8_t(0x81));
        QCOMPARE(d1, uint8_t(0x42));
        // Read back through a variant that refers to another variant.
        Variant target;
        Variant ref = Variant::RefTo(target.Ptr());
        QCOMPARE(p->ReadDoPorts(ref.Ptr(), 0, 2, &result), S_OK);
        QCOMPARE(target.ToBytes(), (std::vector<uint8_t>{0x81, 0x42}));
        SafeArrayDestroy(sa);
    }

    void ports_rangeChecks_data() {
        QTest::addColumn<int>("member");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("code");
        QTest::newRow("DI start beyond") << 0 << 2 << 1 << 17;
        QTest::newRow("DI count zero") << 0 << 0 << 0 << 17;
        QTest::newRow("DI start negative") << 0 << -1 << 1 << 17;
        QTest::newRow("DO read start beyond") << 1 << 2 << 1 << 19;
        QTest::newRow("DO write start beyond") << 2 << 2 << 1 << 20;
        QTest::newRow("DO write count zero") << 2 << 0 << 0 << 20;
    }
    void ports_rangeChecks() {
        QFETCH(int, member);
        QFETCH(int, start);
        QFETCH(int, count);
        QFETCH(int, code);
        auto p = Make();
        Variant buffer = Variant::Bytes({0, 0});
        VARIANT_BOOL result = 5;
        HRESULT got = member == 0   ? p->ReadDiPorts(buffer.Ptr(), start, count, &result)
                      : member == 1 ? p->ReadDoPorts(buffer.Ptr(), start, count, &result)
                                    : p->WriteDoPorts(buffer.Ptr(), start, count, &result);
        QCOMPARE(got, E_FAIL);
        QCOMPARE(result, VARIANT_BOOL(0));
        QCOMPARE(Code(p), code);
    }

    void ports_driverFailures_data() {
        QTest::addColumn<int>("member");
        QTest::addColumn<QString>("call");
        QTest::addColumn<int>("code");
        QTest::newRow("read DI") << 0 << "MvxDioReadDiPorts" << 31;
        QTest::newRow("read DO") << 1 << "MvxDioGetCurrentDoPortsState" << 33;
        QTest::newRow("write DO") << 2 << "MvxDioWriteDoPorts" << 35;
    }
    void ports_driverFailures() {
        QFETCH(int, member);
        QFETCH(QString, call);
        QFETCH(int, code);
        auto p = Make();
        daqsim_fail(call.toLatin1().constData(), 0x12, 1);
        Variant buffer = Variant::Bytes({0, 0});
        VARIANT_BOOL result = 5;
        HRESULT got = member == 0   ? p->ReadDiPorts(buffer.Ptr(), 0, 2, &result)
                      : member == 1 ? p->ReadDoPorts(buffer.Ptr(), 0, 2, &result)
                                    : p->WriteDoPorts(buffer.Ptr(), 0, 2, &result);
        QCOMPARE(got, E_FAIL);
        QCOMPARE(Code(p), code);
    }

    void ports_deviceWithoutFunction_data() {
        QTest::addColumn<QString>("config");
        QTest::addColumn<int>("member");
        QTest::addColumn<int>("code");
        QTest::newRow("read DI on DO board") << kDoOnly << 0 << 6;
        QTest::newRow("no device") << kNoDio << 2 << 25;
    }
    void ports_deviceWithoutFunction() {
        QFETCH(QString, config);
        QFETCH(int, member);
        QFETCH(int, code);
        Load(config.toUtf8().constData());
        auto p = Make();
        Variant buffer = Variant::Bytes({0});
        VARIANT_BOOL result = 5;
        HRESULT got = member == 0 ? p->ReadDiPorts(buffer.Ptr(), 0, 1, &result)
                                  : p->WriteDoPorts(buffer.Ptr(), 0, 1, &result);
        QCOMPARE(got, E_FAIL);
        QCOMPARE(Code(p), code);
    }

    // ------------------------------------------------------ port direction

    void setPortDirection_perPortType_data() {
        QTest::addColumn<int>("port");
        QTest::addColumn<int>("direction");
        QTest::addColumn<int>("hr");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("after"); // GetPortDirection afterwards
        QTest::newRow("type 1 fixed") << 0 << 0x00 << int(E_FAIL) << 28 << 0x00FF;
        QTest::newRow("type 3 nibble") << 1 << 0x0F << int(E_FAIL) << 13 << 0;
        QTest::newRow("type 3 all out") << 1 << 0xFF << int(S_OK) << 0 << 0xFF;
        QTest::newRow("type 4 nibble") << 2 << 0x0F << int(S_OK) << 0 << 0x0F;
        QTest::newRow("type 4 high nibble") << 2 << 0x1F0 << int(S_OK) << 0 << 0xF0;
        QTest::newRow("type 4 single bit") << 2 << 0x01 << int(E_FAIL) << 13 << 0;
        QTest::newRow("type 5 any mask") << 3 << 0x35 << int(S_OK) << 0 << 0x35;
        QTest::newRow("port beyond") << 4 << 0 << int(E_FAIL) << 21 << -1;
        QTest::newRow("negative port") << -1 << 0 << int(E_FAIL) << 21 << -1;
    }
    void setPortDirection_perPortType() {
        QFETCH(int, port);
        QFETCH(int, direction);
        QFETCH(int, hr);
        QFETCH(int, code);
        QFETCH(int, after);
        Load(kProgrammable);
        auto p = Make();
        QVERIFY(Ctrl(p)->ProgrammablePorts());
        int32_t count = 0;
        p->GetDioPortCount(&count);
        QCOMPARE(count, 4);
        VARIANT_BOOL result = 5;
        QCOMPARE(int(p->SetPortDirection(port, direction, &result)), hr);
        QCOMPARE(int(result), hr == S_OK ? 1 : 0);
        if (hr != S_OK)
            QCOMPARE(Code(p), code);
        QCOMPARE(Ctrl(p)->IsDirty(), hr == S_OK);
        int32_t got = -1;
        const HRESULT get = p->GetPortDirection(port, &got);
        if (after < 0) {
            QCOMPARE(get, E_FAIL);
            QCOMPARE(Code(p), 21);
            return;
        }
        QCOMPARE(get, S_OK);
        QCOMPARE(got, after);
        if (hr == S_OK) {
            // Run mode: the whole list went to the driver.
            uint32_t words[4] = {};
            uint32_t size = sizeof words;
            QCOMPARE(daqsim_get_property(0, DAQ_PROP_DIO_DIRECTIONS, words, &size), DAQ_OK);
            QCOMPARE(words[port], uint32_t(after));
        }
    }

    void setPortDirection_designMode_storesOnly() {
        Load(kProgrammable);
        auto p = Make();
        Site site(false);
        ComPtr<IOleObject> ole;
        QCOMPARE(p.As(IID_IOleObject, &ole), S_OK);
        QCOMPARE(ole->SetClientSite(&site), S_OK);
        const int32_t before = daqsim_call_count("DRV_DeviceSetProperty:0x3006");
        VARIANT_BOOL result = 0;
        QCOMPARE(p->SetPortDirection(3, 0x81, &result), S_OK);
        QCOMPARE(daqsim_call_count("DRV_DeviceSetProperty:0x3006"), before);
        int32_t got = 0;
        p->GetPortDirection(3, &got);
        QCOMPARE(got, 0x81);
        ole->SetClientSite(nullptr);
        QCOMPARE(site.refs, 1u);
    }

    void setPortDirection_driverRefuses_keepsOldWord() {
        Load(kProgrammable);
        auto p = Make();
        daqsim_fail("DRV_DeviceSetProperty:0x3006", 0x17, 1);
        VARIANT_BOOL result = 5;
        QCOMPARE(p->SetPortDirection(3, 0x81, &result), E_FAIL);
        QCOMPARE(result, VARIANT_BOOL(0));
        QCOMPARE(Code(p), 36);
        int32_t got = -1;
        p->GetPortDirection(3, &got);
        QCOMPARE(got, 0);
    }

    void dioPortSettings_copyTypesAndDirections() {
        Load(kProgrammable);
        auto p = Make();
        VARIANT_BOOL ok = 0;
        p->SetPortDirection(2, 0xF0, &ok);
        Variant types = Variant::Bytes({9, 9, 9, 9, 9, 9});
        QCOMPARE(p->GetDioPortType(types.Ptr()), S_OK);
        QCOMPARE(types.ToBytes(), (std::vector<uint8_t>{1, 3, 4, 5, 9, 9}));
        Variant dirs = Variant::Bytes({9, 9});
        QCOMPARE(p->GetDioChannelDirection(dirs.Ptr()), S_OK);
        QCOMPARE(dirs.ToBytes(), (std::vector<uint8_t>{0xFF, 0})); // never beyond the array
        Variant notArray = Variant::Int(1);
        QCOMPARE(p->GetDioPortType(notArray.Ptr()), S_OK);
        QCOMPARE(notArray.ToInt(), 1);
    }

    // --------------------------------------------------- channel layout

    void channelToPortBit_followsPortChannelCounts_data() {
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("port");
        QTest::addColumn<int>("bit");
        QTest::newRow("0") << 0 << 0 << 0;
        QTest::newRow("3") << 3 << 0 << 3;
        QTest::newRow("4 ends port 0") << 4 << 1 << 0;
        QTest::newRow("5") << 5 << 1 << 1;
        QTest::newRow("11") << 11 << 1 << 7;
        QTest::newRow("12 ends port 1") << 12 << 2 << 0;
        QTest::newRow("13 beyond") << 13 << 0 << 0;
    }
    void channelToPortBit_followsPortChannelCounts() {
        QFETCH(int, channel);
        QFETCH(int, port);
        QFETCH(int, bit);
        Load(kSplitPort);
        auto p = Make();
        QCOMPARE(Ctrl(p)->PortChannelCounts(), (std::vector<int32_t>{4, 8}));
        QCOMPARE(Ctrl(p)->ChannelToPortBit(channel), std::make_pair(port, bit));
    }

    void portChannelCounts_directionsRefused_eightEach() {
        Load(kSplitPort);
        daqsim_fail("DRV_DeviceGetProperty:0x3006", 0x12, -1);
        auto p = Make();
        QCOMPARE(Number(p), 0);
        QCOMPARE(Ctrl(p)->PortChannelCounts(), (std::vector<int32_t>{8, 8}));
    }

    // --------------------------------------------------------------- survey

    void survey_defaultBoard_fillsInterruptTable() {
        auto p = Make();
        const auto& table = Ctrl(p)->DiInterruptTable();
        QVERIFY(table.has_value());
        QCOMPARE(table->size(), size_t(16));
        for (int c = 0; c < 16; ++c) {
            QCOMPARE(int((*table)[c].supported), c < 8 ? 1 : 0);
            if (c < 8)
                QCOMPARE(int((*table)[c].trigger), 1);
            QCOMPARE((*table)[c].risingEdgeCapable, 1);
            QCOMPARE((*table)[c].fallingEdgeCapable, 1);
        }
        QVERIFY(!Ctrl(p)->DiPatternMatchTable().has_value());
        int32_t count = 0;
        p->GetPatternMatchPortNumber(&count);
        QCOMPARE(count, -1);
        p->GetDiStatusChangePort(&count);
        QCOMPARE(count, -1);
    }

    void survey_patternAndStatus_tablesPerSupportingPort() {
        Load(kPatternStatus);
        auto p = Make();
        QCOMPARE(Ctrl(p)->DualEdgeCapable(), 1);
        const auto& pattern = Ctrl(p)->DiPatternMatchTable();
        QVERIFY(pattern.has_value());
        QCOMPARE(pattern->size(), size_t(2));
        QCOMPARE(int((*pattern)[0].port), 0);
        QCOMPARE(int((*pattern)[0].maskSettable), 1);
        QCOMPARE(int((*pattern)[1].port), 2);
        QCOMPARE(int((*pattern)[1].supportedChannels), 0x0F);
        QCOMPARE(int((*pattern)[1].maskSettable), 0);
        QCOMPARE(int((*pattern)[1].mask), 0xFF);
        int32_t count = 0;
        p->GetPatternMatchPortNumber(&count);
        QCOMPARE(count, 2);
        p->GetDiStatusChangePort(&count);
        QCOMPARE(count, 1);
        int32_t chan = 0, mask = 0;
        QCOMPARE(p->GetDiStatusPortInfo(1, &chan, &mask), S_OK);
        QCOMPARE(chan, 0xF0);
        QCOMPARE(mask, 1); // no settable list: every port settable
        QCOMPARE(p->GetDiPatternPortInfo(2, &chan, &mask), S_OK);
        QCOMPARE(chan, 0x0F);
        QCOMPARE(mask, 0);
    }

    void survey_doOnlyDevice_skipsInterruptSurvey() {
        Load(kDoOnly);
        auto p = Make();
        QCOMPARE(Number(p), 0);
        QCOMPARE(Ctrl(p)->DiscoveryFailure(), 1); // DI counts unreadable: DO only
        QVERIFY(!Ctrl(p)->DiInterruptTable().has_value());
        QCOMPARE(daqsim_call_count("DRV_DeviceGetProperty:0x3C85"), 0);
    }

    void survey_interruptListRefused_failsOpen() {
        daqsim_fail("DRV_DeviceGetProperty:0x3C85", 0x12, -1);
        auto p = Make();
        // The size query is refused too: the device simply has no interrupt.
        QCOMPARE(Number(p), 0);
        QVERIFY(!Ctrl(p)->DiInterruptTable().has_value());
    }

    // ------------------------------------------------------ error convention

    void reportError_tableMessagesEndWithTwoMarks_data() {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("message");
        QTest::newRow("0") << 0 << "No error!!";
        QTest::newRow("5") << 5 << "The User data is not enough to complete this operation!!";
        QTest::newRow("25") << 25 << "No device is currently opened!!";
        QTest::newRow("35") << 35 << "Writing DO port(s) has failed!!";
        QTest::newRow("37") << 37 << "Device does not support Rising Edge Trigger!!";
        QTest::newRow("39") << 39 << "Device does not support Dual Trigger Mode!!";
    }
    void reportError_tableMessagesEndWithTwoMarks() {
        QFETCH(int, number);
        QFETCH(QString, message);
        auto p = Make();
        Ctrl(p)->ReportError(number);
        QCOMPARE(Code(p), std::min(number, 36));
        QCOMPARE(Message(p), message);
        std::u16string description;
        std::string source;
        QVERIFY(TakeErrorInfo(&description, &source));
        QCOMPARE(QString::fromStdU16String(description), message);
        QCOMPARE(QString::fromStdString(source), QStringLiteral("MrvDIO.MrvDIOCtrl.1"));
    }

    void reportError_driverErrorsEndWithOneMark() {
        auto p = Make();
        char text[DAQ_ERROR_MESSAGE_SIZE] = {};
        DRV_GetErrorMessage(0x10, text);
        Ctrl(p)->ReportError(36 + 0x10);
        QCOMPARE(Code(p), 36);
        QCOMPARE(Message(p), QStringLiteral("Driver Error: 16 ") + QString::fromLocal8Bit(text) +
                                 QStringLiteral("!"));
        QVERIFY(!Message(p).endsWith(QStringLiteral("!!")));
        Ctrl(p)->ReportDriverError(0x7002);
        QCOMPARE(Code(p), 36);
        QCOMPARE(Message(p), QStringLiteral("Device does not support Falling Edge Trigger!!"));
    }

    void lastError_putStoresAnything() {
        auto p = Make();
        QCOMPARE(p->put_LastErrorCode(1234), S_OK);
        QCOMPARE(Code(p), 1234);
        Bstr text(std::string("operator note"));
        QCOMPARE(p->put_LastErrorMessage(text.Get()), S_OK);
        QCOMPARE(Message(p), QStringLiteral("operator note"));
    }

    // ------------------------------------------------------------ dispatch

    void invoke_markingProgramMembers() {
        auto p = Make();
        daqsim_set_di_bit(0, 1, 1);
        VARIANT result;
        VariantInit(&result);
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        struct Get {
            DISPID id;
            VARTYPE vt;
            int value;
        };
        for (const Get& g :
             {Get{DISPID_DeviceNumber, VT_I4, 0}, Get{DISPID_DiChannelCount, VT_I4, 16},
              Get{DISPID_EventEnabled, VT_BOOL, 0}}) {
            QCOMPARE(p->Invoke(g.id, GUID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr,
                               nullptr),
                     S_OK);
            QCOMPARE(result.vt, g.vt);
            QCOMPARE(g.vt == VT_I4 ? result.lVal : result.boolVal, g.value);
            VariantClear(&result);
        }
        // ReadDiChannel(1) as a method with its state as result.
        VARIANT arg;
        VariantInit(&arg);
        arg.vt = VT_I2;
        arg.iVal = 1;
        DISPPARAMS one{&arg, nullptr, 1, 0};
        QCOMPARE(p->Invoke(DISPID_ReadDiChannel, GUID_NULL, 0,
                           DISPATCH_METHOD | DISPATCH_PROPERTYGET, &one, &result, nullptr, nullptr),
                 S_OK);
        QCOMPARE(result.vt, VARTYPE(VT_I4));
        QCOMPARE(result.lVal, 1);
        // Property put of LastErrorCode with the named argument.
        DISPID named = DISPID_PROPERTYPUT;
        arg.vt = VT_I4;
        arg.lVal = 77;
        DISPPARAMS put{&arg, &named, 1, 1};
        QCOMPARE(p->Invoke(DISPID_LastErrorCode, GUID_NULL, 0, DISPATCH_PROPERTYPUT, &put, nullptr,
                           nullptr, nullptr),
                 S_OK);
        QCOMPARE(Code(p), 77);
        // LastErrorMessage comes back as a new string owned by the caller.
        QCOMPARE(p->Invoke(DISPID_LastErrorMessage, GUID_NULL, 0, DISPATCH_PROPERTYGET, &none,
                           &result, nullptr, nullptr),
                 S_OK);
        QCOMPARE(result.vt, VARTYPE(VT_BSTR));
        VariantClear(&result);
    }

    void invoke_failure_givesExceptionWithErrorInfo() {
        auto p = Make();
        VARIANT arg;
        VariantInit(&arg);
        arg.vt = VT_I4;
        arg.lVal = 99;
        DISPPARAMS one{&arg, nullptr, 1, 0};
        VARIANT result;
        VariantInit(&result);
        EXCEPINFO excep{};
        QCOMPARE(p->Invoke(DISPID_ReadDiChannel, GUID_NULL, 0, DISPATCH_METHOD, &one, &result,
                           &excep, nullptr),
                 DISP_E_EXCEPTION);
        QCOMPARE(excep.scode, E_FAIL);
        QCOMPARE(BstrToUtf8(excep.bstrDescription), std::string("Invalid DI channel number!!"));
        QCOMPARE(BstrToUtf8(excep.bstrSource), std::string("MrvDIO.MrvDIOCtrl.1"));
        SysFreeString(excep.bstrDescription);
        SysFreeString(excep.bstrSource);
        VariantClear(&result);
        // Without an exception record the member's own result comes back.
        QCOMPARE(p->Invoke(DISPID_ReadDiChannel, GUID_NULL, 0, DISPATCH_METHOD, &one, &result,
                           nullptr, nullptr),
                 E_FAIL);
        QCOMPARE(result.lVal, -1);
    }

    void invoke_badCalls_data() {
        QTest::addColumn<int>("dispid");
        QTest::addColumn<int>("flags");
        QTest::addColumn<int>("argKind"); // 0 none, 1 int, 2 string "x", 3 two ints
        QTest::addColumn<int>("hr");
        QTest::newRow("unknown member")
            << 99 << int(DISPATCH_METHOD) << 0 << int(DISP_E_MEMBERNOTFOUND);
        QTest::newRow("put read-only") << int(DISPID_DiChannelCount) << int(DISPATCH_PROPERTYPUT)
                                       << 1 << int(DISP_E_MEMBERNOTFOUND);
        QTest::newRow("missing argument")
            << int(DISPID_ReadDiChannel) << int(DISPATCH_METHOD) << 0 << int(DISP_E_BADPARAMCOUNT);
        QTest::newRow("too many arguments")
            << int(DISPID_ReadDiChannel) << int(DISPATCH_METHOD) << 3 << int(DISP_E_BADPARAMCOUNT);
        QTest::newRow("string for channel")
            << int(DISPID_ReadDiChannel) << int(DISPATCH_METHOD) << 2 << int(DISP_E_TYPEMISMATCH);
    }
    void invoke_badCalls() {
        QFETCH(int, dispid);
        QFETCH(int, flags);
        QFETCH(int, argKind);
        QFETCH(int, hr);
        auto p = Make();
        Variant args[2];
        uint32_t n = 0;
        if (argKind == 1 || argKind == 3) {
            args[0] = Variant::Int(1);
            n = 1;
        }
        if (argKind == 3) {
            args[1] = Variant::Int(2);
            n = 2;
        }
        if (argKind == 2) {
            args[0] = Variant::String("x");
            n = 1;
        }
        VARIANT raw[2] = {*args[0].Ptr(), *args[1].Ptr()};
        DISPID named = DISPID_PROPERTYPUT;
        const bool put = flags == DISPATCH_PROPERTYPUT;
        DISPPARAMS params{n ? raw : nullptr, put ? &named : nullptr, n, put ? 1u : 0u};
        Variant result;
        QCOMPARE(int(p->Invoke(dispid, GUID_NULL, 0, static_cast<uint16_t>(flags), &params,
                               result.Ptr(), nullptr, nullptr)),
                 hr);
    }

    void invoke_deviceListOutParameters() {
        auto p = Make();
        Variant name = Variant::String("stale"); // released by the call
        Variant number;
        VARIANT args[2];
        VariantInit(&args[0]);
        VariantInit(&args[1]);
        // Reverse order: args[1] is the first argument.
        args[1].vt = VT_BYREF | VT_VARIANT;
        args[1].pvarVal = name.Ptr();
        args[0].vt = VT_BYREF | VT_VARIANT;
        args[0].pvarVal = number.Ptr();
        DISPPARAMS params{args, nullptr, 2, 0};
        QCOMPARE(p->Invoke(DISPID_GetDeviceListFirst, GUID_NULL, 0, DISPATCH_METHOD, &params,
                           nullptr, nullptr, nullptr),
                 S_OK);
        QCOMPARE(name.ToUtf8(), std::string("DIO Simulator 16DI/16DO"));
        QCOMPARE(number.ToInt(-9), 0);
        QCOMPARE(p->Invoke(DISPID_GetDeviceListNext, GUID_NULL, 0, DISPATCH_METHOD, &params,
                           nullptr, nullptr, nullptr),
                 S_OK);
        QCOMPARE(name.ToUtf8(), std::string("No Device"));
        QCOMPARE(number.ToInt(), -1);
    }

    void invoke_readDiPortsIntoEmptyVariant() {
        auto p = Make();
        daqsim_set_di_port(0, 0, 0x3C);
        Variant target;
        VARIANT args[3];
        for (auto& a : args)
            VariantInit(&a);
        args[2].vt = VT_BYREF | VT_VARIANT; // pBuffer
        args[2].pvarVal = target.Ptr();
        args[1].vt = VT_I4; // portStart
        args[1].lVal = 0;
        args[0].vt = VT_I4; // portCount
        args[0].lVal = 2;
        DISPPARAMS params{args, nullptr, 3, 0};
        Variant result;
        QCOMPARE(p->Invoke(DISPID_ReadDiPorts, GUID_NULL, 0, DISPATCH_METHOD, &params, result.Ptr(),
                           nullptr, nullptr),
                 S_OK);
        QCOMPARE(result.Type(), VARTYPE(VT_BOOL));
        QCOMPARE(result.Ptr()->boolVal, VARIANT_BOOL(1));
        QCOMPARE(target.ToBytes(), (std::vector<uint8_t>{0x3C, 0x00}));
    }

    void getIDsOfNames_findsMembers() {
        auto p = Make();
        const char16_t* names[] = {u"assigndiinterruptdiscanrange"};
        DISPID id = 0;
        QCOMPARE(p->GetIDsOfNames(GUID_NULL, names, 1, 0, &id), S_OK);
        QCOMPARE(id, DISPID(DISPID_AssignDiInterruptDiScanRange));
        const char16_t* unknown[] = {u"Frobnicate"};
        QCOMPARE(p->GetIDsOfNames(GUID_NULL, unknown, 1, 0, &id), DISP_E_UNKNOWNNAME);
        QCOMPARE(id, DISPID(DISPID_UNKNOWN));
    }

    // ------------------------------------------------------------- dialogs

    void selectDevice_okAssignsChosenDevice() {
        Load(R"(
[device 1]
name = Alpha
di_channels = 8
do_channels = 8
[device 12]
name = Beta
di_channels = 8
do_channels = 8
)");
        auto p = Make();
        QCOMPARE(Number(p), 1);
        MrvDIOSetDialogHook(&ScriptedDialog, nullptr);
        g_script.selectRow = 1;
        g_script.answer = QDialog::Accepted;
        VARIANT_BOOL result = 5;
        QCOMPARE(p->SelectDevice(&result), S_OK);
        QCOMPARE(result, VARIANT_BOOL(1));
        QCOMPARE(g_script.title, QStringLiteral("Select Device"));
        QCOMPARE(g_script.entries,
                 (QStringList{QStringLiteral("001 (Alpha)"), QStringLiteral("012 (Beta)")}));
        QCOMPARE(g_script.selectedAtStart, QStringLiteral("001 (Alpha)"));
        QCOMPARE(Number(p), 12);
        QCOMPARE(Name(p), QStringLiteral("Beta"));
    }

    void selectDevice_cancelKeepsDevice() {
        auto p = Make();
        MrvDIOSetDialogHook(&ScriptedDialog, nullptr);
        g_script.selectRow = 0;
        g_script.answer = QDialog::Rejected;
        VARIANT_BOOL result = 5;
        QCOMPARE(p->SelectDevice(&result), S_OK);
        QCOMPARE(result, VARIANT_BOOL(0));
        QCOMPARE(g_script.shown, 1);
        QCOMPARE(Number(p), 0);
    }

    void dialogs_headlessWithoutHook_neverBlock() {
        auto p = Make();
        VARIANT_BOOL result = 5;
        QCOMPARE(p->SelectDevice(&result), S_OK);
        QCOMPARE(result, VARIANT_BOOL(0));
        QCOMPARE(p->AboutBox(), S_OK);
    }

    void aboutBox_showsTitle() {
        auto p = Make();
        MrvDIOSetDialogHook(&ScriptedDialog, nullptr);
        g_script.answer = QDialog::Accepted;
        QCOMPARE(p->AboutBox(), S_OK);
        QCOMPARE(g_script.title, QStringLiteral("About Zephrel Pro DIO Control"));
        AboutDialog about;
        auto* title = about.findChild<QLabel*>(QStringLiteral("Title"));
        QVERIFY(title);
        QCOMPARE(title->text(), QStringLiteral("Morvane Zephrel Pro DIO Control"));
    }

    // -------------------------------------------------------------- extent

    void extent_alwaysThirtyThreePixels() {
        auto p = Make();
        ComPtr<IOleObject> ole;
        QCOMPARE(p.As(IID_IOleObject, &ole), S_OK);
        SIZEL asked{10000, 200};
        QCOMPARE(ole->SetExtent(DVASPECT_CONTENT, &asked), S_OK);
        SIZEL got{};
        QCOMPARE(ole->GetExtent(DVASPECT_CONTENT, &got), S_OK);
        const int ppi = qRound(QGuiApplication::primaryScreen()->logicalDotsPerInchX());
        const int expected = (33 * 2540 + ppi / 2) / ppi;
        QCOMPARE(got.cx, expected);
        QCOMPARE(got.cy, expected);
        QVERIFY(!Ctrl(p)->FaceBitmap().isNull());
        QCOMPARE(Ctrl(p)->FaceBitmap().size(), QSize(32, 32));
        QVERIFY(Ctrl(p)->EventWindow());
        QCOMPARE(Ctrl(p)->EventWindow()->objectName(), QStringLiteral("EventWindow"));
    }
};

QTEST_MAIN(TestDioControl)
#include "tst_dio_control.moc"

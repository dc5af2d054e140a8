// The control's saved state on the simulated board: the stream layout, round
// trips onto a fresh control, another board identity, streams cut short or
// not the control's, the dirty flag, and property browsing.

#include "control/Module.h"
#include "control/MrvDIOCtrl.h"
#include "daqsim.h"
#include "mrvdio/Stream.h"
#include "mrvdio/Variant.h"

#include <QtTest>

using namespace mrvdio;

namespace {

// DI and DO, no interrupt function, fixed ports.
const char* kPlain = R"(
[device 0]
name = Plain 16
board_id = 0x1234
di_channels = 16
do_channels = 16
)";

// DI interrupts only.
const char* kInterrupts = R"(
[device 0]
name = Line inputs
board_id = 0x5D10
di_channels = 16
do_channels = 16
interrupt_channels = 0xFF, 0
)";

// Every table and programmable ports.
const char* kEverything = R"(
[device 0]
name = PIO 16
board_id = 0x4242
di_channels = 16
di_ports = 2
do_channels = 16
do_ports = 2
port_types = 1, 3, 4, 5
directions = 0xFF, 0, 0, 0
interrupt_channels = 0x03, 0
both_edges = 1
pattern_channels = 0xFF, 0x0F
pattern_mask_settable = 1, 0
status_channels = 0, 0xF0
status_mask_settable = 0, 1
)";

void Load(const char* config) {
    char error[256] = {};
    QCOMPARE(daqsim_load_config_text(config, error, sizeof error), DAQ_OK);
}

ComPtr<IMrvDIO> Make() {
    ComPtr<IMrvDIO> p;
    if (FAILED(MrvDIOCtrl::Create(nullptr, IID_IMrvDIO, p.PutVoid())))
        qFatal("control creation failed");
    return p;
}

MrvDIOCtrl* Ctrl(const ComPtr<IMrvDIO>& p) {
    return static_cast<MrvDIOCtrl*>(p.Get());
}

int32_t Number(const ComPtr<IMrvDIO>& p) {
    int32_t n = -9;
    p->get_DeviceNumber(&n);
    return n;
}

ComPtr<IPersistStream> Persist(const ComPtr<IMrvDIO>& p) {
    ComPtr<IPersistStream> persist;
    p.As(IID_IPersistStream, &persist);
    return persist;
}

std::vector<uint8_t> SaveBytes(const ComPtr<IMrvDIO>& p) {
    auto* stream = new MemoryStream;
    const HRESULT hr = Persist(p)->Save(stream, 1);
    std::vector<uint8_t> bytes = stream->Bytes();
    stream->Release();
    return SUCCEEDED(hr) ? bytes : std::vector<uint8_t>{};
}

HRESULT LoadBytes(const ComPtr<IMrvDIO>& p, std::vector<uint8_t> bytes) {
    auto* stream = new MemoryStream(std::move(bytes));
    const HRESULT hr = Persist(p)->Load(stream);
    stream->Release();
    return hr;
}

uint32_t U32At(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
           uint32_t(b[at + 3]) << 24;
}

// Sets up the settings a station would make on the board of kEverything.
void ConfigureEverything(const ComPtr<IMrvDIO>& p) {
    VARIANT_BOOL r = 0;
    QCOMPARE(p->AssignDiInterruptDiScanRange(1, 0, 2, &r), S_OK);
    QCOMPARE(p->SetDiInterrupt(1, Falling, &r), S_OK);
    QCOMPARE(p->EnableDiInterrupt(1, 1), S_OK);
    QCOMPARE(p->SetDiPatternMatch(0, 0x5A, 0x0F, &r), S_OK);
    QCOMPARE(p->AssignDiPatternMatchDiScanRange(0, 1, 1, &r), S_OK);
    QCOMPARE(p->EnableDiPatternMatch(0, 1), S_OK);
    QCOMPARE(p->SetDiStatusChange(1, 0x30, &r), S_OK);
    QCOMPARE(p->AssignDiStatusChangeDiScanRange(1, 0, 2, &r), S_OK);
    QCOMPARE(p->EnableDiStatusChange(1, 1), S_OK);
    QCOMPARE(p->SetPortDirection(2, 0x0F, &r), S_OK);
    QCOMPARE(p->SetPortDirection(3, 0xA5, &r), S_OK);
    QCOMPARE(p->put_EventEnabled(VARIANT_TRUE), S_OK);
}

} // namespace

class TestDioPersist : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        qputenv("DAQDRV32_LIBRARY",
                (qEnvironmentVariable("MARKING_PROGRAM_DIR") + "/libdaqdrv32.so").toLocal8Bit());
    }

    void init() { QCOMPARE(daqsim_reset(), DAQ_OK); }

    void plainBoard_savesThirtyFourBytes() {
        Load(kPlain);
        auto p = Make();
        const std::vector<uint8_t> expected = {
            0,    0,    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, // four empty sizes
            0x34, 0x12, 0, 0,                                     // BoardId
            0x00, 0x03, 0, 0,                                     // property-map version
            3,    0,    0, 0, 0, 0,                               // DeviceNumber: VT_I4, 0
            11,   0,    0, 0,                                     // EventEnabled: VT_BOOL, 0
        };
        QCOMPARE(SaveBytes(p), expected);
        uint64_t size = 0;
        QCOMPARE(Persist(p)->GetSizeMax(&size), S_OK);
        QCOMPARE(size, uint64_t(34));
    }

    void roundTrip_freshControlGetsTheSameState_data() {
        QTest::addColumn<QByteArray>("config");
        QTest::addColumn<bool>("everything");
        QTest::addColumn<QList<uint32_t>>("sizes"); // the four table sizes
        QTest::newRow("no tables, fixed ports")
            << QByteArray(kPlain) << false << QList<uint32_t>{0, 0, 0, 0};
        QTest::newRow("DI interrupt only")
            << QByteArray(kInterrupts) << false << QList<uint32_t>{16 * 16, 0, 0, 0};
        QTest::newRow("every table, programmable ports")
            << QByteArray(kEverything) << true << QList<uint32_t>{16 * 16, 2 * 9, 1 * 8, 4 * 4};
    }
    void roundTrip_freshControlGetsTheSameState() {
        QFETCH(QByteArray, config);
        QFETCH(bool, everything);
        QFETCH(QList<uint32_t>, sizes);
        Load(config.constData());
        std::vector<uint8_t> saved;
        {
            auto a = Make();
            if (everything)
                ConfigureEverything(a);
            saved = SaveBytes(a);
        }
        size_t at = 0;
        for (uint32_t size : sizes) {
            QCOMPARE(U32At(saved, at), size);
            at += 4 + size;
        }
        QCOMPARE(saved.size(), at + 4 + 4 + 6 + 4);
        QCOMPARE(U32At(saved, at + 4), 0x0300u);

        // A new start of the station: the board as the driver starts it.
        Load(config.constData());
        auto b = Make();
        QCOMPARE(LoadBytes(b, saved), S_OK);
        QCOMPARE(Number(b), 0);
        QCOMPARE(Persist(b)->IsDirty(), S_FALSE);
        QCOMPARE(SaveBytes(b), saved);
        if (!everything)
            return;
        // The settings reached the board again.
        uint32_t words[4] = {};
        uint32_t bytes = sizeof words;
        QCOMPARE(daqsim_get_property(0, DAQ_PROP_DIO_DIRECTIONS, words, &bytes), DAQ_OK);
        QCOMPARE(QList<uint32_t>(words, words + 4), (QList<uint32_t>{0xFF, 0, 0x0F, 0xA5}));
        uint32_t start = 9, count = 9;
        QCOMPARE(daqsim_event_armed(0, DAQ_EVENT_DI_INTERRUPT + 1, &start, &count), 1);
        QCOMPARE(start, 0u);
        QCOMPARE(count, 2u);
        QCOMPARE(daqsim_event_armed(0, DAQ_EVENT_DI_PATTERN_MATCH + 0, nullptr, nullptr), 1);
        QCOMPARE(daqsim_event_armed(0, DAQ_EVENT_DI_STATUS_CHANGE + 1, nullptr, nullptr), 1);
        int32_t mask = 0, pattern = 0;
        QCOMPARE(
            b->GetDiPatternMatchSetting(0, &mask, &pattern, nullptr, nullptr, nullptr, nullptr),
            S_FALSE);
        QCOMPARE(mask, 0x0F);
        QCOMPARE(pattern, 0x5A);
    }

    void otherBoardIdentity_loadsWithoutDevice() {
        Load(kInterrupts);
        std::vector<uint8_t> saved;
        {
            auto a = Make();
            QCOMPARE(a->put_EventEnabled(VARIANT_TRUE), S_OK);
            saved = SaveBytes(a);
        }
        std::string other = kInterrupts;
        other.replace(other.find("0x5D10"), 6, "0x5D11");
        Load(other.c_str());
        auto b = Make();
        QCOMPARE(Number(b), 0);
        QCOMPARE(LoadBytes(b, saved), S_OK);
        QCOMPARE(Number(b), -1);
        QVERIFY(!Ctrl(b)->HasDevice());
        QCOMPARE(daqsim_open_handles(0), 0);
        // Switching events on without a device fails plainly again.
        QCOMPARE(b->put_EventEnabled(VARIANT_TRUE), E_FAIL);
    }

    void truncatedStream_failsAtEveryOffsetLeavingNoDevice() {
        Load(kEverything);
        std::vector<uint8_t> saved;
        {
            auto a = Make();
            ConfigureEverything(a);
            saved = SaveBytes(a);
        }
        auto p = Make();
        for (size_t cut = 0; cut < saved.size(); ++cut) {
            QCOMPARE(p->put_DeviceNumber(0), S_OK);
            const HRESULT hr = LoadBytes(p, {saved.begin(), saved.begin() + cut});
            QVERIFY2(hr == STG_E_READFAULT, qPrintable(QString::number(cut)));
            QCOMPARE(Number(p), -1);
            int32_t state = 0;
            QCOMPARE(p->ReadDiChannel(0, &state), E_FAIL); // working, without a device
        }
        QCOMPARE(daqsim_open_handles(0), 0);
        QCOMPARE(LoadBytes(p, saved), S_OK);
        QCOMPARE(Number(p), 0);
    }

    void foreignStream_refusedAsCorrupt_data() {
        QTest::addColumn<int>("offset"); // from the end when negative
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("property-map version") << -14 << QByteArray("\x01\x04", 2);
        QTest::newRow("DeviceNumber type") << -10 << QByteArray("\x02\x00", 2);
        QTest::newRow("EventEnabled type") << -4 << QByteArray("\x03\x00", 2);
        QTest::newRow("size not whole records") << 0 << QByteArray("\x11\x00\x00\x00", 4);
        QTest::newRow("size beyond any board") << 0 << QByteArray("\xF0\xFF\xFF\x7F", 4);
    }
    void foreignStream_refusedAsCorrupt() {
        QFETCH(int, offset);
        QFETCH(QByteArray, bytes);
        Load(kPlain);
        auto p = Make();
        std::vector<uint8_t> stream = SaveBytes(p);
        const size_t at = offset < 0 ? stream.size() + offset : size_t(offset);
        std::copy(bytes.begin(), bytes.end(), stream.begin() + at);
        QCOMPARE(LoadBytes(p, stream), STG_E_DOCFILECORRUPT);
        QCOMPARE(Number(p), -1);
        QCOMPARE(daqsim_open_handles(0), 0);
    }

    void dirtyFlag_setByChangesClearedBySaveAndLoad() {
        Load(kInterrupts);
        auto p = Make();
        QCOMPARE(Persist(p)->IsDirty(), S_FALSE);
        VARIANT_BOOL r = 0;
        QCOMPARE(p->SetDiInterrupt(2, Falling, &r), S_OK);
        QCOMPARE(Persist(p)->IsDirty(), S_OK);
        auto* stream = new MemoryStream;
        QCOMPARE(Persist(p)->Save(stream, 0), S_OK);
        QCOMPARE(Persist(p)->IsDirty(), S_OK); // kept without clearDirty
        QCOMPARE(p->put_DeviceNumber(0), S_OK);
        stream->Rewind();
        QCOMPARE(Persist(p)->Load(stream), S_OK);
        QCOMPARE(Persist(p)->IsDirty(), S_FALSE);
        int32_t trigger = 0;
        QCOMPARE(p->GetDiInterruptSetting(2, nullptr, &trigger, nullptr, nullptr, nullptr), S_OK);
        QCOMPARE(trigger, int32_t(Falling));
        stream->Release();
    }

    void browsing_predefinedValuesAndDisplayStrings() {
        Load(R"(
[device 0]
name = Counter
di_channels = 0
do_channels = 0
[device 2]
name = Left side
di_channels = 8
do_channels = 8
[device 4]
name = Right side
board_id = 0x77
di_channels = 8
do_channels = 8
)");
        auto p = Make();
        QCOMPARE(p->put_DeviceNumber(4), S_OK);
        auto* b = static_cast<IPerPropertyBrowsing*>(Ctrl(p));
        struct Expect {
            DISPID dispid;
            QStringList strings;
            QList<int32_t> values;
        };
        for (const Expect& e : {Expect{DISPID_DeviceNumber, {"Left side", "Right side"}, {2, 4}},
                                Expect{DISPID_EventEnabled, {"False", "True"}, {0, -1}}}) {
            CALPOLESTR strings{};
            CADWORD cookies{};
            QCOMPARE(b->GetPredefinedStrings(e.dispid, &strings, &cookies), S_OK);
            QStringList texts;
            QList<int32_t> values;
            for (uint32_t i = 0; i < strings.cElems; ++i) {
                texts << QString::fromStdString(BstrToUtf8(strings.pElems[i]));
                Variant v;
                QCOMPARE(b->GetPredefinedValue(e.dispid, cookies.pElems[i], v.Ptr()), S_OK);
                values << v.ToInt(-9);
            }
            FreeCountedStrings(&strings);
            std::free(cookies.pElems);
            QCOMPARE(texts, e.strings);
            QCOMPARE(values, e.values);
        }
        Bstr text;
        QCOMPARE(b->GetDisplayString(DISPID_DeviceNumber, text.Put()), S_OK);
        QCOMPARE(text.Utf8(), std::string("Right side"));
        QCOMPARE(b->GetDisplayString(DISPID_EventEnabled, text.Put()), S_OK);
        QCOMPARE(text.Utf8(), std::string("False"));
        CLSID page{};
        QCOMPARE(b->MapPropertyToPage(DISPID_DeviceNumber, &page), S_OK);
        QVERIFY(page == CLSID_QuadrelProp);
    }

    void browsing_boardGoneOrChanged_describedAndDropped_data() {
        QTest::addColumn<QByteArray>("later");
        QTest::addColumn<QString>("description");
        QTest::newRow("removed") << QByteArray("[device 1]\ndi_channels = 8\n")
                                 << "Device Removed!";
        QTest::newRow("changed") << QByteArray("[device 0]\nboard_id = 0x99\ndi_channels = 8\n")
                                 << "Device changed!";
    }
    void browsing_boardGoneOrChanged_describedAndDropped() {
        QFETCH(QByteArray, later);
        QFETCH(QString, description);
        Load("[device 0]\nboard_id = 0x11\ndi_channels = 8\n");
        auto p = Make();
        QCOMPARE(Number(p), 0);
        Load(later.constData()); // the driver's boards change under the control
        ClearErrorInfo();
        Bstr text;
        QCOMPARE(Ctrl(p)->GetDisplayString(DISPID_DeviceNumber, text.Put()), E_FAIL);
        std::u16string posted;
        QVERIFY(TakeErrorInfo(&posted, nullptr));
        QCOMPARE(QString::fromStdU16String(posted), description);
        QCOMPARE(Number(p), -1);
        QVERIFY(!Ctrl(p)->HasDevice());
        QCOMPARE(Ctrl(p)->GetDisplayString(DISPID_DeviceNumber, text.Put()), S_OK);
        QCOMPARE(text.Utf8(), std::string("No Device"));
    }
};

QTEST_MAIN(TestDioPersist)
#include "tst_dio_persist.moc"

// The simulated board driver reached through the binding, as the control
// reaches it: devices, properties, inputs and outputs, port directions,
// injected failures, events and the line socket.

#include "daqsim.h"
#include "driver/DaqDriver.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <thread>

using mrvdio::driver::DaqDriver;

namespace {

const DaqDriver& drv() {
    return DaqDriver::Instance();
}

QByteArray bytesOf(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values)
        out.append(static_cast<char>(v));
    return out;
}

QByteArray wordsOf(std::initializer_list<uint32_t> values) {
    QByteArray out;
    for (uint32_t v : values)
        out.append(reinterpret_cast<const char*>(&v), 4);
    return out;
}

// Boards for the variants the control must cope with.
const char* kVariants = R"(
; device 0: like the built-in board
[device 0]
name = Sim A
board_id = 0x1234
di_channels = 16
do_channels = 16
interrupt_channels = 0xFF, 0x00

[device 1]        ; outputs only
name = Sim DO
do_channels = 8

[device 2]        ; inputs and outputs, no interrupt function
di_channels = 8
do_channels = 8

[device 3]        ; programmable ports of the three kinds
di_channels = 24
di_ports = 3
do_channels = 24
do_ports = 3
port_types = 3, 4, 5
interrupt_channels = 0x0F, 0, 0
rising_edge = yes
falling_edge = no
both_edges = 1

[device 4]        ; pattern match and status change ports
di_channels = 32
do_channels = 0
interrupt_channels = 0x01, 0, 0, 0
pattern_channels = 0xFF, 0x0F, 0, 0
pattern_mask_settable = 1, 0, 0, 0
status_channels = 0, 0xFF, 0xF0, 0
status_mask_settable = 0, 1, 1, 0

[device 5]        ; neither inputs nor outputs
name = Sim Counter
)";

struct Opened {
    DaqHandle h = 0;
    explicit Opened(int32_t dev) { QCOMPARE_EQ(drv().DeviceOpen(dev, &h), DAQ_OK); }
    ~Opened() {
        if (h)
            drv().DeviceClose(&h);
    }
    bool ok() const { return h != 0; }
};

std::string socketCommand(const std::string& path, const std::string& lines, int replies) {
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        if (fd >= 0)
            close(fd);
        return "connect failed";
    }
    [[maybe_unused]] auto n = write(fd, lines.data(), lines.size());
    std::string out;
    char buf[256];
    while (std::count(out.begin(), out.end(), '\n') < replies) {
        const ssize_t r = read(fd, buf, sizeof buf);
        if (r <= 0)
            break;
        out.append(buf, static_cast<std::size_t>(r));
    }
    close(fd);
    return out;
}

} // namespace

class TestSimulatedDriver : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanupTestCase();

    void binding_loadsTheSimulatedDriver();
    void builtInBoard_listedWithItsCounts();
    void deviceList_variants_everyBoardListedInOrder();
    void open_unknownNumber_failsWithoutHandle();
    void close_twice_secondFailsAndHandleIsDead();
    void property_read_data();
    void property_read();
    void property_sizeQuery_givesByteSize();
    void property_smallBufferForNumber_refused();
    void diInputs_readByBitAndPort();
    void diInputs_outOfRange_refused_data();
    void diInputs_outOfRange_refused();
    void doOutputs_writtenAndReadBack();
    void portDirection_perPortType_data();
    void portDirection_perPortType();
    void edgeMasks_limitedToInterruptChannels();
    void injectedFailure_failsNamedCallOnly_data();
    void injectedFailure_failsNamedCallOnly();
    void injectedFailure_countsDown();
    void callCount_countsPerFunctionAndProperty();
    void checkEvent_noEvent_timesOutWithIdNone();
    void checkEvent_edgeFromOtherThread_wakesEarly();
    void checkEvent_closeFromOtherThread_wakesWaiter();
    void event_edgeKinds_data();
    void event_edgeKinds();
    void event_latchedStates_fromScanStartAtTheEvent();
    void event_queuedEvents_eachKeepsItsOwnLatch();
    void event_disable_dropsPendingAndStops();
    void event_patternMatch_firesOnEnteringMatch();
    void event_statusChange_firesOnWatchedChannels();
    void event_enableRefused_data();
    void event_enableRefused();
    void config_badText_refusedWithLine_data();
    void config_badText_refusedWithLine();
    void socket_commands_data();
    void socket_commands();
    void socket_edgeCommand_raisesArmedEvent();
    void socket_pathServedByOther_refused();
    void concurrentCallers_everyEventCollectedOnce();
};

void TestSimulatedDriver::init() {
    QCOMPARE(daqsim_reset(), DAQ_OK);
}

void TestSimulatedDriver::cleanupTestCase() {
    daqsim_server_stop();
}

void TestSimulatedDriver::binding_loadsTheSimulatedDriver() {
    QVERIFY2(drv().IsLoaded(), drv().LoadError().c_str());
    QVERIFY(drv().MissingFunctions().empty());
    // The binding reaches the same driver instance the test links.
    QCOMPARE(daqsim_set_di_port(0, 1, 0xA5), DAQ_OK);
    Opened o(0);
    uint8_t b = 0;
    QCOMPARE(drv().ReadDiPorts(o.h, 1, 1, &b), DAQ_OK);
    QCOMPARE(b, uint8_t(0xA5));
}

void TestSimulatedDriver::builtInBoard_listedWithItsCounts() {
    int16_t n = -1;
    QCOMPARE(drv().DeviceGetNumOfList(&n), DAQ_OK);
    QCOMPARE(n, int16_t(1));
    DaqDeviceListEntry e[2]{};
    int16_t m = -1;
    QCOMPARE(drv().DeviceGetList(e, 2, &m), DAQ_OK);
    QCOMPARE(m, int16_t(1));
    QCOMPARE(e[0].deviceNumber, 0);
    char name[DAQ_DEVICE_NAME_SIZE];
    QCOMPARE(drv().DeviceNumToDeviceName(0, name), DAQ_OK);
    QCOMPARE(QByteArray(name), QByteArray(e[0].deviceName));
    QVERIFY(std::strlen(name) > 0);

    Opened o(0);
    int32_t v = 0;
    QCOMPARE(drv().GetPropertyInt(o.h, DAQ_PROP_DI_CHANNEL_COUNT, &v), DAQ_OK);
    QCOMPARE(v, 16);
    QCOMPARE(drv().GetPropertyInt(o.h, DAQ_PROP_DI_PORT_COUNT, &v), DAQ_OK);
    QCOMPARE(v, 2);
    QCOMPARE(drv().GetPropertyInt(o.h, DAQ_PROP_DO_CHANNEL_COUNT, &v), DAQ_OK);
    QCOMPARE(v, 16);
    QCOMPARE(drv().GetPropertyInt(o.h, DAQ_PROP_DO_PORT_COUNT, &v), DAQ_OK);
    QCOMPARE(v, 2);
    QCOMPARE(drv().GetPropertyInt(o.h, DAQ_PROP_DI_BOTH_EDGES, &v), DAQ_OK);
    QCOMPARE(v, 0);
    std::vector<uint8_t> mask;
    QCOMPARE(drv().GetPropertyBytes(o.h, DAQ_PROP_DI_INTERRUPT_CHANNELS, &mask, 2), DAQ_OK);
    QCOMPARE(mask, (std::vector<uint8_t>{0xFF, 0x00}));
    QCOMPARE(drv().GetPropertyBytes(o.h, DAQ_PROP_DI_RISING_EDGE_MASKS, &mask, 2), DAQ_OK);
    QCOMPARE(mask, (std::vector<uint8_t>{0x00, 0x00}));
    QCOMPARE(drv().GetPropertyBytes(o.h, DAQ_PROP_DI_FALLING_EDGE_MASKS, &mask, 2), DAQ_OK);
    QCOMPARE(mask, (std::vector<uint8_t>{0x00, 0x00}));
    // No pattern match and no status change on the built-in board.
    QCOMPARE(drv().GetPropertyBytes(o.h, DAQ_PROP_DI_PATTERN_CHANNELS, &mask, 2),
             DAQ_ERR_NOT_SUPPORTED);
    QCOMPARE(drv().GetPropertyBytes(o.h, DAQ_PROP_DI_STATUS_CHANNELS, &mask, 2),
             DAQ_ERR_NOT_SUPPORTED);
}

void TestSimulatedDriver::deviceList_variants_everyBoardListedInOrder() {
    char err[128] = {};
    QCOMPARE(daqsim_load_config_text(kVariants, err, sizeof err), DAQ_OK);
    int16_t n = 0;
    QCOMPARE(drv().DeviceGetNumOfList(&n), DAQ_OK);
    QCOMPARE(n, int16_t(6));
    // A capacity below the count fills only that many entries.
    DaqDeviceListEntry e[6]{};
    int16_t m = 0;
    QCOMPARE(drv().DeviceGetList(e, 3, &m), DAQ_OK);
    QCOMPARE(m, int16_t(3));
    QCOMPARE(drv().DeviceGetList(e, 6, &m), DAQ_OK);
    QCOMPARE(m, int16_t(6));
    for (int i = 0; i < 6; ++i)
        QCOMPARE(e[i].deviceNumber, i);
    QCOMPARE(QByteArray(e[1].deviceName), QByteArray("Sim DO"));
    QCOMPARE(QByteArray(e[2].deviceName), QByteArray("DIO Simulator 2"));
    char name[DAQ_DEVICE_NAME_SIZE];
    QCOMPARE(drv().DeviceNumToDeviceName(5, name), DAQ_OK);
    QCOMPARE(QByteArray(name), QByteArray("Sim Counter"));
    QCOMPARE(drv().DeviceNumToDeviceName(9, name), DAQ_ERR_INVALID_DEVICE_NUMBER);
}

void TestSimulatedDriver::open_unknownNumber_failsWithoutHandle() {
    for (int32_t number : {-1, 1, 40000}) {
        DaqHandle h = 77;
        QCOMPARE(drv().DeviceOpen(number, &h), DAQ_ERR_INVALID_DEVICE_NUMBER);
        QCOMPARE(h, DaqHandle(0));
    }
    QCOMPARE(daqsim_open_handles(0), 0);
    char text[DAQ_ERROR_MESSAGE_SIZE];
    QCOMPARE(drv().GetErrorMessage(DAQ_ERR_INVALID_DEVICE_NUMBER, text), DAQ_OK);
    QVERIFY(std::strlen(text) > 0);
}

void TestSimulatedDriver::close_twice_secondFailsAndHandleIsDead() {
    DaqHandle h = 0, second = 0;
    QCOMPARE(drv().DeviceOpen(0, &h), DAQ_OK);
    QCOMPARE(drv().DeviceOpen(0, &second), DAQ_OK);
    QVERIFY(h != 0 && second != 0 && h != second);
    QCOMPARE(daqsim_open_handles(0), 2);
    const DaqHandle old = h;
    QCOMPARE(drv().DeviceClose(&h), DAQ_OK);
    QCOMPARE(h, DaqHandle(0));
    h = old;
    QCOMPARE(drv().DeviceClose(&h), DAQ_ERR_INVALID_HANDLE);
    int32_t v = 0;
    QCOMPARE(drv().GetPropertyInt(old, DAQ_PROP_BOARD_ID, &v), DAQ_ERR_INVALID_HANDLE);
    // The other handle of the same board is untouched; handles are not reused.
    QCOMPARE(drv().GetPropertyInt(second, DAQ_PROP_BOARD_ID, &v), DAQ_OK);
    DaqHandle third = 0;
    QCOMPARE(drv().DeviceOpen(0, &third), DAQ_OK);
    QVERIFY(third != old);
    drv().DeviceClose(&third);
    drv().DeviceClose(&second);
    QCOMPARE(daqsim_open_handles(0), 0);
}

void TestSimulatedDriver::property_read_data() {
    QTest::addColumn<int>("device");
    QTest::addColumn<uint32_t>("id");
    QTest::addColumn<int>("result");
    QTest::addColumn<QByteArray>("data");
    const auto row = [](const char* name, int dev, uint32_t id, int result, QByteArray data) {
        QTest::newRow(name) << dev << id << result << data;
    };
    row("board id", 0, DAQ_PROP_BOARD_ID, DAQ_OK, wordsOf({0x1234}));
    row("fixed port types", 0, DAQ_PROP_DIO_PORT_TYPES, DAQ_OK, bytesOf({2, 2}));
    row("fixed directions", 0, DAQ_PROP_DIO_DIRECTIONS, DAQ_OK, wordsOf({0xFF00, 0xFF00}));
    row("DO only: DI count refused", 1, DAQ_PROP_DI_CHANNEL_COUNT, DAQ_ERR_NOT_SUPPORTED, {});
    row("DO only: DI ports refused", 1, DAQ_PROP_DI_PORT_COUNT, DAQ_ERR_NOT_SUPPORTED, {});
    row("DO only: DO count", 1, DAQ_PROP_DO_CHANNEL_COUNT, DAQ_OK, wordsOf({8}));
    row("DO only: output port type", 1, DAQ_PROP_DIO_PORT_TYPES, DAQ_OK, bytesOf({1}));
    row("DO only: no interrupt", 1, DAQ_PROP_DI_INTERRUPT_CHANNELS, DAQ_ERR_NOT_SUPPORTED, {});
    row("no interrupts: channels refused", 2, DAQ_PROP_DI_INTERRUPT_CHANNELS, DAQ_ERR_NOT_SUPPORTED,
        {});
    row("no interrupts: rising refused", 2, DAQ_PROP_DI_RISING_EDGE_MASKS, DAQ_ERR_NOT_SUPPORTED,
        {});
    row("no interrupts: both edges refused", 2, DAQ_PROP_DI_BOTH_EDGES, DAQ_ERR_NOT_SUPPORTED, {});
    row("programmable types", 3, DAQ_PROP_DIO_PORT_TYPES, DAQ_OK, bytesOf({3, 4, 5}));
    row("programmable directions start as inputs", 3, DAQ_PROP_DIO_DIRECTIONS, DAQ_OK,
        wordsOf({0xFF00, 0xFF00, 0xFF00}));
    row("rising only: falling refused", 3, DAQ_PROP_DI_FALLING_EDGE_MASKS, DAQ_ERR_NOT_SUPPORTED,
        {});
    row("rising only: rising masks", 3, DAQ_PROP_DI_RISING_EDGE_MASKS, DAQ_OK, bytesOf({0, 0, 0}));
    row("dual edge allowed", 3, DAQ_PROP_DI_BOTH_EDGES, DAQ_OK, wordsOf({1}));
    row("pattern channels", 4, DAQ_PROP_DI_PATTERN_CHANNELS, DAQ_OK, bytesOf({0xFF, 0x0F, 0, 0}));
    row("pattern settable", 4, DAQ_PROP_DI_PATTERN_MASK_SETTABLE, DAQ_OK, bytesOf({1, 0, 0, 0}));
    row("pattern values", 4, DAQ_PROP_DI_PATTERN_VALUES, DAQ_OK, bytesOf({0, 0, 0, 0}));
    row("status channels", 4, DAQ_PROP_DI_STATUS_CHANNELS, DAQ_OK, bytesOf({0, 0xFF, 0xF0, 0}));
    row("status settable", 4, DAQ_PROP_DI_STATUS_MASK_SETTABLE, DAQ_OK, bytesOf({0, 1, 1, 0}));
    row("status enable masks", 4, DAQ_PROP_DI_STATUS_ENABLE_MASKS, DAQ_OK, bytesOf({0, 0, 0, 0}));
    row("no outputs: DO count refused", 4, DAQ_PROP_DO_CHANNEL_COUNT, DAQ_ERR_NOT_SUPPORTED, {});
    row("no pattern: settable refused", 0, DAQ_PROP_DI_PATTERN_MASK_SETTABLE, DAQ_ERR_NOT_SUPPORTED,
        {});
    row("counter board: no DI", 5, DAQ_PROP_DI_CHANNEL_COUNT, DAQ_ERR_NOT_SUPPORTED, {});
    row("counter board: no DO", 5, DAQ_PROP_DO_CHANNEL_COUNT, DAQ_ERR_NOT_SUPPORTED, {});
    row("unknown id", 0, 0x7777, DAQ_ERR_NOT_SUPPORTED, {});
}

void TestSimulatedDriver::property_read() {
    QFETCH(int, device);
    QFETCH(uint32_t, id);
    QFETCH(int, result);
    QFETCH(QByteArray, data);
    QCOMPARE(daqsim_load_config_text(kVariants, nullptr, 0), DAQ_OK);
    Opened o(device);
    QVERIFY(o.ok());
    uint8_t buf[64];
    std::memset(buf, 0xEE, sizeof buf);
    uint32_t size = sizeof buf;
    QCOMPARE(drv().DeviceGetProperty(o.h, id, buf, &size), result);
    if (result == DAQ_OK) {
        QCOMPARE(size, uint32_t(data.size()));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(buf), int(size)), data);
    }
}

void TestSimulatedDriver::property_sizeQuery_givesByteSize() {
    QCOMPARE(daqsim_load_config_text(kVariants, nullptr, 0), DAQ_OK);
    Opened o(3);
    uint32_t size = 3; // capacity the caller offers; a size query ignores it
    QCOMPARE(drv().DeviceGetProperty(o.h, DAQ_PROP_DIO_PORT_TYPES, nullptr, &size), DAQ_OK);
    QCOMPARE(size, uint32_t(3));
    QCOMPARE(drv().DeviceGetProperty(o.h, DAQ_PROP_DIO_DIRECTIONS, nullptr, &size), DAQ_OK);
    QCOMPARE(size, uint32_t(12));
    QCOMPARE(drv().DeviceGetProperty(o.h, DAQ_PROP_DI_INTERRUPT_CHANNELS, nullptr, &size), DAQ_OK);
    QCOMPARE(size, uint32_t(3));
    QCOMPARE(drv().DeviceGetProperty(o.h, DAQ_PROP_DI_PATTERN_CHANNELS, nullptr, &size),
             DAQ_ERR_NOT_SUPPORTED);
    QCOMPARE(drv().DeviceGetProperty(o.h, DAQ_PROP_DIO_PORT_TYPES, nullptr, nullptr),
             DAQ_ERR_INVALID_PARAMETER);
    // A list read into a shorter buffer gets what fits.
    uint8_t two[2] = {};
    size = 2;
    QCOMPARE(drv().DeviceGetProperty(o.h, DAQ_PROP_DIO_PORT_TYPES, two, &size), DAQ_OK);
    QCOMPARE(size, uint32_t(2));
    QCOMPARE(two[1], uint8_t(4));
}

void TestSimulatedDriver::property_smallBufferForNumber_refused() {
    Opened o(0);
    uint16_t small = 0;
    uint32_t size = sizeof small;
    QCOMPARE(drv().DeviceGetProperty(o.h, DAQ_PROP_DI_CHANNEL_COUNT, &small, &size),
             DAQ_ERR_BUFFER_TOO_SMALL);
    QCOMPARE(size, uint32_t(4));
    int32_t v = 16;
    QCOMPARE(drv().DeviceSetProperty(o.h, DAQ_PROP_DI_CHANNEL_COUNT, &v, 4), DAQ_ERR_READ_ONLY);
    QCOMPARE(drv().DeviceSetProperty(o.h, DAQ_PROP_DI_PATTERN_VALUES, &v, 4),
             DAQ_ERR_NOT_SUPPORTED);
}

void TestSimulatedDriver::diInputs_readByBitAndPort() {
    QCOMPARE(daqsim_set_di_port(0, 0, 0x81), DAQ_OK);
    QCOMPARE(daqsim_set_di_bit(0, 9, 1), DAQ_OK);
    Opened o(0);
    for (int ch = 0; ch < 16; ++ch) {
        uint16_t state = 9;
        DaqDioReadBit r{uint16_t(ch / 8), uint16_t(ch % 8), &state};
        QCOMPARE(drv().DioReadBit(o.h, &r), DAQ_OK);
        QCOMPARE(int(state), (ch == 0 || ch == 7 || ch == 9) ? 1 : 0);
    }
    uint8_t ports[2] = {};
    QCOMPARE(drv().ReadDiPorts(o.h, 0, 2, ports), DAQ_OK);
    QCOMPARE(ports[0], uint8_t(0x81));
    QCOMPARE(ports[1], uint8_t(0x02));
    QCOMPARE(daqsim_set_di_bit(0, 0, 0), DAQ_OK);
    QCOMPARE(drv().ReadDiPorts(o.h, 0, 1, ports), DAQ_OK);
    QCOMPARE(ports[0], uint8_t(0x80));
}

void TestSimulatedDriver::diInputs_outOfRange_refused_data() {
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("bit");
    QTest::addColumn<int>("portStart");
    QTest::addColumn<int>("portCount");
    QTest::addColumn<int>("result");
    QTest::newRow("port 2") << 2 << 0 << 2 << 1 << int(DAQ_ERR_INVALID_PORT);
    QTest::newRow("bit 8") << 0 << 8 << 1 << 2 << int(DAQ_ERR_INVALID_CHANNEL);
    QTest::newRow("count 0") << 65535 << 0 << 0 << 0 << int(DAQ_ERR_INVALID_PARAMETER);
}

void TestSimulatedDriver::diInputs_outOfRange_refused() {
    QFETCH(int, port);
    QFETCH(int, bit);
    QFETCH(int, portStart);
    QFETCH(int, portCount);
    QFETCH(int, result);
    Opened o(0);
    uint16_t state = 0;
    DaqDioReadBit r{uint16_t(port), uint16_t(bit), &state};
    QVERIFY(drv().DioReadBit(o.h, &r) != DAQ_OK);
    uint8_t buf[4] = {};
    const DaqResult got = drv().ReadDiPorts(o.h, portStart, portCount, buf);
    if (result != DAQ_ERR_INVALID_CHANNEL)
        QCOMPARE(got, result);
    else
        QCOMPARE(got, DAQ_ERR_INVALID_PORT); // ports 1..2 of 2
    DaqDioReadBit nullState{0, 0, nullptr};
    QCOMPARE(drv().DioReadBit(o.h, &nullState), DAQ_ERR_INVALID_PARAMETER);
}

void TestSimulatedDriver::doOutputs_writtenAndReadBack() {
    Opened o(0);
    DaqDioWriteBit w{1, 3, 1};
    QCOMPARE(drv().DioWriteBit(o.h, &w), DAQ_OK);
    uint8_t v = 0;
    QCOMPARE(daqsim_get_do_port(0, 1, &v), DAQ_OK);
    QCOMPARE(v, uint8_t(0x08));
    uint16_t state = 0;
    DaqDioReadBit r{1, 3, &state};
    QCOMPARE(drv().DioGetCurrentDOBit(o.h, &r), DAQ_OK);
    QCOMPARE(state, uint16_t(1));
    const uint8_t out[2] = {0x5A, 0xC3};
    QCOMPARE(drv().WriteDoPorts(o.h, 0, 2, out), DAQ_OK);
    uint8_t back[2] = {};
    QCOMPARE(drv().GetCurrentDoPortsState(o.h, 0, 2, back), DAQ_OK);
    QCOMPARE(back[0], uint8_t(0x5A));
    QCOMPARE(back[1], uint8_t(0xC3));
    w = DaqDioWriteBit{1, 0, 0};
    QCOMPARE(drv().DioWriteBit(o.h, &w), DAQ_OK);
    QCOMPARE(daqsim_get_do_port(0, 1, &v), DAQ_OK);
    QCOMPARE(v, uint8_t(0xC2));
    QCOMPARE(drv().WriteDoPorts(o.h, 1, 2, out), DAQ_ERR_INVALID_PORT);
    // Outputs never show up on the inputs.
    QCOMPARE(daqsim_get_di_port(0, 0, &v), DAQ_OK);
    QCOMPARE(v, uint8_t(0));
}

void TestSimulatedDriver::portDirection_perPortType_data() {
    QTest::addColumn<int>("port"); // 0: type 3, 1: type 4, 2: type 5
    QTest::addColumn<uint32_t>("direction");
    QTest::addColumn<int>("result");
    QTest::newRow("type 3 all out") << 0 << 0xFFu << int(DAQ_OK);
    QTest::newRow("type 3 all in") << 0 << 0x00u << int(DAQ_OK);
    QTest::newRow("type 3 nibble") << 0 << 0x0Fu << int(DAQ_ERR_INVALID_VALUE);
    QTest::newRow("type 4 low nibble") << 1 << 0x0Fu << int(DAQ_OK);
    QTest::newRow("type 4 high nibble") << 1 << 0xF0u << int(DAQ_OK);
    QTest::newRow("type 4 single channel") << 1 << 0x01u << int(DAQ_ERR_INVALID_VALUE);
    QTest::newRow("type 5 single channel") << 2 << 0x21u << int(DAQ_OK);
}

void TestSimulatedDriver::portDirection_perPortType() {
    QFETCH(int, port);
    QFETCH(uint32_t, direction);
    QFETCH(int, result);
    QCOMPARE(daqsim_load_config_text(kVariants, nullptr, 0), DAQ_OK);
    Opened o(3);
    uint32_t words[3] = {0, 0, 0};
    words[port] = direction;
    QCOMPARE(drv().DeviceSetProperty(o.h, DAQ_PROP_DIO_DIRECTIONS, words, sizeof words), result);
    uint32_t back[3] = {};
    uint32_t size = sizeof back;
    QCOMPARE(drv().DeviceGetProperty(o.h, DAQ_PROP_DIO_DIRECTIONS, back, &size), DAQ_OK);
    // Accepted: the low byte changes and the programmable mask stays; refused:
    // nothing changes, not even the other ports.
    const uint32_t expected = result == DAQ_OK ? (0xFF00 | direction) : 0xFF00;
    QCOMPARE(back[port], expected);
    QCOMPARE(drv().DeviceSetProperty(o.h, DAQ_PROP_DIO_DIRECTIONS, words, 5),
             DAQ_ERR_INVALID_PARAMETER);
}

void TestSimulatedDriver::edgeMasks_limitedToInterruptChannels() {
    Opened o(0);
    const uint8_t all[2] = {0xFF, 0xFF};
    QCOMPARE(drv().DeviceSetProperty(o.h, DAQ_PROP_DI_RISING_EDGE_MASKS, all, 2), DAQ_OK);
    std::vector<uint8_t> back;
    QCOMPARE(drv().GetPropertyBytes(o.h, DAQ_PROP_DI_RISING_EDGE_MASKS, &back, 2), DAQ_OK);
    QCOMPARE(back, (std::vector<uint8_t>{0xFF, 0x00}));
    uint8_t seen[2] = {};
    uint32_t size = 2;
    QCOMPARE(daqsim_get_property(0, DAQ_PROP_DI_RISING_EDGE_MASKS, seen, &size), DAQ_OK);
    QCOMPARE(seen[0], uint8_t(0xFF));
}

void TestSimulatedDriver::injectedFailure_failsNamedCallOnly_data() {
    QTest::addColumn<QString>("call");
    QTest::addColumn<int>("code");
    QTest::newRow("read bit") << "DRV_DioReadBit" << 0x99;
    QTest::newRow("read ports") << "MvxDioReadDiPorts" << 0x1234;
    QTest::newRow("board id only") << "DRV_DeviceGetProperty:1" << int(DAQ_ERR_NOT_SUPPORTED);
    QTest::newRow("any property") << "DRV_DeviceGetProperty" << 0x42;
    QTest::newRow("open") << "DRV_DeviceOpen" << 0x20;
}

void TestSimulatedDriver::injectedFailure_failsNamedCallOnly() {
    QFETCH(QString, call);
    QFETCH(int, code);
    DaqHandle h = 0;
    QCOMPARE(drv().DeviceOpen(0, &h), DAQ_OK);
    QCOMPARE(daqsim_fail(call.toLatin1().constData(), code, -1), DAQ_OK);

    uint16_t state = 0;
    DaqDioReadBit r{0, 0, &state};
    uint8_t ports[2];
    int32_t id = 0, count = 0;
    DaqHandle other = 0;
    const DaqResult readBit = drv().DioReadBit(h, &r);
    const DaqResult readPorts = drv().ReadDiPorts(h, 0, 2, ports);
    const DaqResult boardId = drv().GetPropertyInt(h, DAQ_PROP_BOARD_ID, &id);
    const DaqResult diCount = drv().GetPropertyInt(h, DAQ_PROP_DI_CHANNEL_COUNT, &count);
    const DaqResult open = drv().DeviceOpen(0, &other);

    QCOMPARE(readBit, call == "DRV_DioReadBit" ? code : DAQ_OK);
    QCOMPARE(readPorts, call == "MvxDioReadDiPorts" ? code : DAQ_OK);
    QCOMPARE(boardId, call.startsWith("DRV_DeviceGetProperty") ? code : DAQ_OK);
    QCOMPARE(diCount, call == "DRV_DeviceGetProperty" ? code : DAQ_OK);
    QCOMPARE(open, call == "DRV_DeviceOpen" ? code : DAQ_OK);
    if (open != DAQ_OK)
        QCOMPARE(other, DaqHandle(0));
    else
        drv().DeviceClose(&other);

    daqsim_clear_failures();
    QCOMPARE(drv().DioReadBit(h, &r), DAQ_OK);
    QCOMPARE(drv().GetPropertyInt(h, DAQ_PROP_BOARD_ID, &id), DAQ_OK);
    drv().DeviceClose(&h);
}

void TestSimulatedDriver::injectedFailure_countsDown() {
    Opened o(0);
    QCOMPARE(daqsim_fail("DRV_CheckEvent", 0x77, 2), DAQ_OK);
    uint16_t id = 0x3401;
    DaqCheckEvent ce{&id, 0};
    QCOMPARE(drv().CheckEvent(o.h, &ce), 0x77);
    QCOMPARE(id, uint16_t(DAQ_EVENT_NONE));
    QCOMPARE(drv().CheckEvent(o.h, &ce), 0x77);
    QCOMPARE(drv().CheckEvent(o.h, &ce), DAQ_OK);
    QCOMPARE(daqsim_fail("DRV_NoSuchCall", 1, 1), DAQ_ERR_INVALID_PARAMETER);
    QCOMPARE(daqsim_fail("DRV_DioReadBit:0x3C85", 1, 1), DAQ_ERR_INVALID_PARAMETER);
    // times == 0 withdraws a failure.
    QCOMPARE(daqsim_fail("MvxDioReadDiPorts", 0x55, -1), DAQ_OK);
    QCOMPARE(daqsim_fail("MvxDioReadDiPorts", 0, 0), DAQ_OK);
    uint8_t b = 0;
    QCOMPARE(drv().ReadDiPorts(o.h, 0, 1, &b), DAQ_OK);
    // The unknown code still has a text.
    QVERIFY(drv().ErrorText(0x77).find("0x77") != std::string::npos);
}

void TestSimulatedDriver::callCount_countsPerFunctionAndProperty() {
    Opened o(0);
    int32_t v = 0;
    drv().GetPropertyInt(o.h, DAQ_PROP_DI_CHANNEL_COUNT, &v);
    drv().GetPropertyInt(o.h, DAQ_PROP_DI_CHANNEL_COUNT, &v);
    drv().GetPropertyInt(o.h, DAQ_PROP_BOARD_ID, &v);
    QCOMPARE(daqsim_call_count("DRV_DeviceOpen"), 1);
    QCOMPARE(daqsim_call_count("DRV_DeviceGetProperty"), 3);
    QCOMPARE(daqsim_call_count("DRV_DeviceGetProperty:0x3C83"), 2);
    QCOMPARE(daqsim_call_count("DRV_DeviceGetProperty:1"), 1);
    QCOMPARE(daqsim_call_count("MvxDioDisableEvent"), 0);
    QCOMPARE(daqsim_call_count("Nonsense"), -1);
    QCOMPARE(daqsim_reset(), DAQ_OK);
    QCOMPARE(daqsim_call_count("DRV_DeviceGetProperty"), 0);
}

void TestSimulatedDriver::checkEvent_noEvent_timesOutWithIdNone() {
    Opened o(0);
    QCOMPARE(drv().EnableEventAndSpecifyDiPorts(o.h, DAQ_EVENT_DI_INTERRUPT + 1, 0, 2), DAQ_OK);
    uint16_t id = 0x3401; // a stale id must not survive the wait
    DaqCheckEvent ce{&id, 60};
    QElapsedTimer t;
    t.start();
    QCOMPARE(drv().CheckEvent(o.h, &ce), DAQ_OK);
    QVERIFY(t.elapsed() >= 55);
    QCOMPARE(id, uint16_t(DAQ_EVENT_NONE));
}

void TestSimulatedDriver::checkEvent_edgeFromOtherThread_wakesEarly() {
    Opened o(0);
    const uint8_t rising[2] = {0x01, 0};
    QCOMPARE(drv().DeviceSetProperty(o.h, DAQ_PROP_DI_RISING_EDGE_MASKS, rising, 2), DAQ_OK);
    QCOMPARE(drv().EnableEventAndSpecifyDiPorts(o.h, DAQ_EVENT_DI_INTERRUPT, 0, 2), DAQ_OK);
    std::thread raiser([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        daqsim_edge(0, 0, 1);
    });
    uint16_t id = 0;
    // The wait is far longer than the suite's timeout allows: only an early
    // wake lets this finish.
    DaqCheckEvent ce{&id, 600000};
    QCOMPARE(drv().CheckEvent(o.h, &ce), DAQ_OK);
    raiser.join();
    QCOMPARE(id, uint16_t(DAQ_EVENT_DI_INTERRUPT));
    QCOMPARE(daqsim_pending_events(0), 0);
}

void TestSimulatedDriver::checkEvent_closeFromOtherThread_wakesWaiter() {
    DaqHandle h = 0;
    QCOMPARE(drv().DeviceOpen(0, &h), DAQ_OK);
    const DaqHandle waitOn = h;
    DaqResult result = DAQ_OK;
    uint16_t id = 0x3400;
    std::thread waiter([&] {
        DaqCheckEvent ce{&id, 600000};
        result = drv().CheckEvent(waitOn, &ce);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    QCOMPARE(drv().DeviceClose(&h), DAQ_OK);
    waiter.join();
    QCOMPARE(result, DAQ_ERR_INVALID_HANDLE);
    QCOMPARE(id, uint16_t(DAQ_EVENT_NONE));
}

void TestSimulatedDriver::event_edgeKinds_data() {
    QTest::addColumn<int>("risingMask");
    QTest::addColumn<int>("fallingMask");
    QTest::addColumn<int>("initial"); // DI port 0 before
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("events");
    QTest::newRow("rise armed for rising") << 0x04 << 0x00 << 0x00 << "edge rise" << 1;
    QTest::newRow("rise armed for falling") << 0x00 << 0x04 << 0x00 << "edge rise" << 0;
    QTest::newRow("fall armed for falling") << 0x00 << 0x04 << 0x04 << "edge fall" << 1;
    QTest::newRow("fall armed for both") << 0x04 << 0x04 << 0x04 << "edge fall" << 1;
    QTest::newRow("pulse while already high") << 0x04 << 0x00 << 0x04 << "edge rise" << 1;
    QTest::newRow("level 0 to 1") << 0x04 << 0x00 << 0x00 << "set 1" << 1;
    QTest::newRow("level unchanged") << 0x04 << 0x04 << 0x04 << "set 1" << 0;
    QTest::newRow("other channel changes") << 0x04 << 0x04 << 0x00 << "other" << 0;
}

void TestSimulatedDriver::event_edgeKinds() {
    QFETCH(int, risingMask);
    QFETCH(int, fallingMask);
    QFETCH(int, initial);
    QFETCH(QString, action);
    QFETCH(int, events);
    QCOMPARE(daqsim_set_di_port(0, 0, uint8_t(initial)), DAQ_OK);
    Opened o(0);
    const uint8_t r[2] = {uint8_t(risingMask), 0}, f[2] = {uint8_t(fallingMask), 0};
    QCOMPARE(drv().DeviceSetProperty(o.h, DAQ_PROP_DI_RISING_EDGE_MASKS, r, 2), DAQ_OK);
    QCOMPARE(drv().DeviceSetProperty(o.h, DAQ_PROP_DI_FALLING_EDGE_MASKS, f, 2), DAQ_OK);
    QCOMPARE(drv().EnableEventAndSpecifyDiPorts(o.h, DAQ_EVENT_DI_INTERRUPT + 2, 0, 1), DAQ_OK);
    if (action == "edge rise")
        QCOMPARE(daqsim_edge(0, 2, 1), DAQ_OK);
    else if (action == "edge fall")
        QCOMPARE(daqsim_edge(0, 2, 0), DAQ_OK);
    else if (action == "set 1")
        QCOMPARE(daqsim_set_di_bit(0, 2, 1), DAQ_OK);
    else
        QCOMPARE(daqsim_set_di_port(0, 0, uint8_t(initial ^ 0xFB)), DAQ_OK);
    QCOMPARE(daqsim_pending_events(0), events);
}

void TestSimulatedDriver::event_latchedStates_fromScanStartAtTheEvent() {
    char err[128] = {};
    QCOMPARE(daqsim_load_config_text(kVariants, err, sizeof err), DAQ_OK);
    Opened o(4); // 4 DI ports, interrupt on channel 0
    const uint8_t rising[4] = {0x01, 0, 0, 0};
    QCOMPARE(drv().DeviceSetProperty(o.h, DAQ_PROP_DI_RISING_EDGE_MASKS, rising, 4), DAQ_OK);
    QCOMPARE(drv().EnableEventAndSpecifyDiPorts(o.h, DAQ_EVENT_DI_INTERRUPT, 1, 3), DAQ_OK);
    uint32_t start = 0, count = 0;
    QCOMPARE(daqsim_event_armed(4, DAQ_EVENT_DI_INTERRUPT, &start, &count), 1);
    QCOMPARE(start, 1u);
    QCOMPARE(count, 3u);
    daqsim_set_di_port(4, 1, 0x11);
    daqsim_set_di_port(4, 2, 0x22);
    daqsim_set_di_port(4, 3, 0x33);
    QCOMPARE(daqsim_edge(4, 0, 1), DAQ_OK);
    daqsim_set_di_port(4, 2, 0x99); // after the event: not in the latch
    uint16_t id = 0;
    DaqCheckEvent ce{&id, 1000};
    QCOMPARE(drv().CheckEvent(o.h, &ce), DAQ_OK);
    QCOMPARE(id, uint16_t(DAQ_EVENT_DI_INTERRUPT));
    uint8_t latched[3] = {};
    QCOMPARE(drv().GetLatestEventDiPortsState(o.h, id, latched, 3), DAQ_OK);
    QCOMPARE(latched[0], uint8_t(0x11));
    QCOMPARE(latched[1], uint8_t(0x22));
    QCOMPARE(latched[2], uint8_t(0x33));
    // More ports than the board has from the scan start: refused, not overrun.
    uint8_t four[4] = {};
    QCOMPARE(drv().GetLatestEventDiPortsState(o.h, id, four, 4), DAQ_ERR_INVALID_PARAMETER);
    // The latch stays readable after the event is disabled.
    QCOMPARE(drv().DisableEvent(o.h, id), DAQ_OK);
    QCOMPARE(drv().GetLatestEventDiPortsState(o.h, id, latched, 1), DAQ_OK);
    QCOMPARE(latched[0], uint8_t(0x11));
    QCOMPARE(drv().GetLatestEventDiPortsState(o.h, DAQ_EVENT_DI_INTERRUPT + 5, latched, 1),
             DAQ_ERR_INVALID_EVENT);
}

void TestSimulatedDriver::event_queuedEvents_eachKeepsItsOwnLatch() {
    Opened o(0);
    const uint8_t both[2] = {0x01, 0};
    QCOMPARE(drv().DeviceSetProperty(o.h, DAQ_PROP_DI_RISING_EDGE_MASKS, both, 2), DAQ_OK);
    QCOMPARE(drv().DeviceSetProperty(o.h, DAQ_PROP_DI_FALLING_EDGE_MASKS, both, 2), DAQ_OK);
    QCOMPARE(drv().EnableEventAndSpecifyDiPorts(o.h, DAQ_EVENT_DI_INTERRUPT, 1, 1), DAQ_OK);
    for (int i = 0; i < 10; ++i) {
        daqsim_set_di_port(0, 1, uint8_t(i));
        daqsim_edge(0, 0, i % 2 == 0);
    }
    QCOMPARE(daqsim_pending_events(0), 10);
    for (int i = 0; i < 10; ++i) {
        uint16_t id = 0;
        DaqCheckEvent ce{&id, 0};
        QCOMPARE(drv().CheckEvent(o.h, &ce), DAQ_OK);
        QCOMPARE(id, uint16_t(DAQ_EVENT_DI_INTERRUPT));
        uint8_t latched = 0xFF;
        QCOMPARE(drv().GetLatestEventDiPortsState(o.h, id, &latched, 1), DAQ_OK);
        QCOMPARE(int(latched), i);
    }
    uint16_t id = 0x3400;
    DaqCheckEvent ce{&id, 0};
    QCOMPARE(drv().CheckEvent(o.h, &ce), DAQ_OK);
    QCOMPARE(id, uint16_t(DAQ_EVENT_NONE));
}

void TestSimulatedDriver::event_disable_dropsPendingAndStops() {
    Opened o(0);
    Opened other(0);
    const uint8_t rising[2] = {0x03, 0};
    QCOMPARE(drv().DeviceSetProperty(o.h, DAQ_PROP_DI_RISING_EDGE_MASKS, rising, 2), DAQ_OK);
    QCOMPARE(drv().EnableEventAndSpecifyDiPorts(o.h, DAQ_EVENT_DI_INTERRUPT, 0, 0), DAQ_OK);
    QCOMPARE(drv().EnableEventAndSpecifyDiPorts(o.h, DAQ_EVENT_DI_INTERRUPT + 1, 0, 0), DAQ_OK);
    daqsim_edge(0, 0, 1);
    daqsim_edge(0, 1, 1);
    QCOMPARE(daqsim_pending_events(0), 2);
    QCOMPARE(drv().DisableEvent(o.h, DAQ_EVENT_DI_INTERRUPT), DAQ_OK);
    QCOMPARE(daqsim_pending_events(0), 1);
    QCOMPARE(daqsim_event_armed(0, DAQ_EVENT_DI_INTERRUPT, nullptr, nullptr), 0);
    daqsim_edge(0, 0, 1);
    QCOMPARE(daqsim_pending_events(0), 1);
    // Events belong to the handle that enabled them.
    uint16_t id = 0;
    DaqCheckEvent ce{&id, 0};
    QCOMPARE(drv().CheckEvent(other.h, &ce), DAQ_OK);
    QCOMPARE(id, uint16_t(DAQ_EVENT_NONE));
    QCOMPARE(drv().CheckEvent(o.h, &ce), DAQ_OK);
    QCOMPARE(id, uint16_t(DAQ_EVENT_DI_INTERRUPT + 1));
}

void TestSimulatedDriver::event_patternMatch_firesOnEnteringMatch() {
    QCOMPARE(daqsim_load_config_text(kVariants, nullptr, 0), DAQ_OK);
    Opened o(4);
    const uint8_t masks[4] = {0x0F, 0xFF, 0, 0}; // port 1 only offers 0x0F
    const uint8_t values[4] = {0x05, 0x03, 0, 0};
    QCOMPARE(drv().DeviceSetProperty(o.h, DAQ_PROP_DI_PATTERN_ENABLE_MASKS, masks, 4), DAQ_OK);
    QCOMPARE(drv().DeviceSetProperty(o.h, DAQ_PROP_DI_PATTERN_VALUES, values, 4), DAQ_OK);
    std::vector<uint8_t> back;
    QCOMPARE(drv().GetPropertyBytes(o.h, DAQ_PROP_DI_PATTERN_ENABLE_MASKS, &back, 4), DAQ_OK);
    QCOMPARE(back, (std::vector<uint8_t>{0x0F, 0x0F, 0, 0}));
    QCOMPARE(drv().EnableEventAndSpecifyDiPorts(o.h, DAQ_EVENT_DI_PATTERN_MATCH, 0, 1), DAQ_OK);
    daqsim_set_di_port(4, 0, 0xF4); // no match
    QCOMPARE(daqsim_pending_events(4), 0);
    daqsim_set_di_port(4, 0, 0xA5); // match on the masked channels
    QCOMPARE(daqsim_pending_events(4), 1);
    daqsim_set_di_port(4, 0, 0x35); // still matching: no new event
    QCOMPARE(daqsim_pending_events(4), 1);
    uint16_t id = 0;
    DaqCheckEvent ce{&id, 0};
    QCOMPARE(drv().CheckEvent(o.h, &ce), DAQ_OK);
    QCOMPARE(id, uint16_t(DAQ_EVENT_DI_PATTERN_MATCH));
    uint8_t latched = 0;
    QCOMPARE(drv().GetLatestEventDiPortsState(o.h, id, &latched, 1), DAQ_OK);
    QCOMPARE(latched, uint8_t(0xA5));
}

void TestSimulatedDriver::event_statusChange_firesOnWatchedChannels() {
    QCOMPARE(daqsim_load_config_text(kVariants, nullptr, 0), DAQ_OK);
    Opened o(4);
    const uint8_t masks[4] = {0, 0x0F, 0xFF, 0};
    QCOMPARE(drv().DeviceSetProperty(o.h, DAQ_PROP_DI_STATUS_ENABLE_MASKS, masks, 4), DAQ_OK);
    QCOMPARE(drv().EnableEventAndSpecifyDiPorts(o.h, DAQ_EVENT_DI_STATUS_CHANGE + 1, 1, 2), DAQ_OK);
    QCOMPARE(drv().EnableEventAndSpecifyDiPorts(o.h, DAQ_EVENT_DI_STATUS_CHANGE + 2, 0, 0), DAQ_OK);
    daqsim_set_di_port(4, 1, 0x10); // unwatched channel of port 1
    QCOMPARE(daqsim_pending_events(4), 0);
    daqsim_set_di_port(4, 1, 0x12);
    daqsim_set_di_port(4, 2, 0x01); // port 2 offers only 0xF0
    daqsim_set_di_port(4, 2, 0x81);
    QCOMPARE(daqsim_pending_events(4), 2);
    uint16_t id = 0;
    DaqCheckEvent ce{&id, 0};
    QCOMPARE(drv().CheckEvent(o.h, &ce), DAQ_OK);
    QCOMPARE(id, uint16_t(DAQ_EVENT_DI_STATUS_CHANGE + 1));
    uint8_t latched[2] = {};
    QCOMPARE(drv().GetLatestEventDiPortsState(o.h, id, latched, 2), DAQ_OK);
    QCOMPARE(latched[0], uint8_t(0x12));
    QCOMPARE(latched[1], uint8_t(0x00));
    QCOMPARE(drv().CheckEvent(o.h, &ce), DAQ_OK);
    QCOMPARE(id, uint16_t(DAQ_EVENT_DI_STATUS_CHANGE + 2));
}

void TestSimulatedDriver::event_enableRefused_data() {
    QTest::addColumn<int>("device");
    QTest::addColumn<uint32_t>("id");
    QTest::addColumn<uint32_t>("scanStart");
    QTest::addColumn<uint32_t>("scanCount");
    QTest::addColumn<int>("result");
    const uint32_t di = DAQ_EVENT_DI_INTERRUPT, pm = DAQ_EVENT_DI_PATTERN_MATCH,
                   sc = DAQ_EVENT_DI_STATUS_CHANGE;
    QTest::newRow("channel without interrupt")
        << 0 << di + 8 << 0u << 0u << int(DAQ_ERR_INVALID_EVENT);
    QTest::newRow("board without interrupt") << 2 << di << 0u << 0u << int(DAQ_ERR_NOT_SUPPORTED);
    QTest::newRow("no pattern on board") << 0 << pm << 0u << 0u << int(DAQ_ERR_NOT_SUPPORTED);
    QTest::newRow("port without pattern") << 4 << pm + 2 << 0u << 0u << int(DAQ_ERR_INVALID_EVENT);
    QTest::newRow("port without status") << 4 << sc << 0u << 0u << int(DAQ_ERR_INVALID_EVENT);
    QTest::newRow("not an event id") << 0 << 0x1000u << 0u << 0u << int(DAQ_ERR_INVALID_EVENT);
    QTest::newRow("scan beyond ports") << 0 << di << 1u << 2u << int(DAQ_ERR_INVALID_PARAMETER);
    QTest::newRow("scan within ports") << 0 << di << 1u << 1u << int(DAQ_OK);
    QTest::newRow("no scan") << 0 << di << 0u << 0u << int(DAQ_OK);
}

void TestSimulatedDriver::event_enableRefused() {
    QFETCH(int, device);
    QFETCH(uint32_t, id);
    QFETCH(uint32_t, scanStart);
    QFETCH(uint32_t, scanCount);
    QFETCH(int, result);
    QCOMPARE(daqsim_load_config_text(kVariants, nullptr, 0), DAQ_OK);
    Opened o(device);
    QCOMPARE(drv().EnableEventAndSpecifyDiPorts(o.h, id, scanStart, scanCount), result);
    QCOMPARE(daqsim_event_armed(device, id, nullptr, nullptr), result == DAQ_OK ? 1 : 0);
}

void TestSimulatedDriver::config_badText_refusedWithLine_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("error");
    QTest::newRow("key outside section") << "di_channels = 8"
                                         << "line 1: key outside";
    QTest::newRow("unknown key") << "[device 0]\ndi_chanels = 8"
                                 << "line 2: unknown key";
    QTest::newRow("bad number") << "[device 0]\ndi_channels = eight"
                                << "line 2: bad value";
    QTest::newRow("bad section") << "[board 0]"
                                 << "line 1: expected [device N]";
    QTest::newRow("twice") << "[device 0]\n[device 0]"
                           << "line 2: device 0 described twice";
    QTest::newRow("list length") << "[device 3]\ndi_channels = 16\ninterrupt_channels = 1"
                                 << "line 1: device 3: interrupt_channels needs one byte";
    QTest::newRow("too many channels") << "[device 0]\ndi_channels = 9\ndi_ports = 1"
                                       << "line 1: device 0: di_channels needs more";
    QTest::newRow("port type 6") << "[device 0]\nport_types = 6"
                                 << "line 2: bad value";
}

void TestSimulatedDriver::config_badText_refusedWithLine() {
    QFETCH(QString, text);
    QFETCH(QString, error);
    Opened o(0);
    char err[256] = {};
    QCOMPARE(daqsim_load_config_text(text.toLatin1().constData(), err, sizeof err),
             DAQ_ERR_INVALID_VALUE);
    QVERIFY2(QString(err).startsWith(error), err);
    // Nothing changed: the handle still works on the built-in board.
    int32_t v = 0;
    QCOMPARE(drv().GetPropertyInt(o.h, DAQ_PROP_DI_CHANNEL_COUNT, &v), DAQ_OK);
    QCOMPARE(v, 16);
}

void TestSimulatedDriver::socket_commands_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("reply");
    QTest::addColumn<int>("diPort1"); // DI port 1 of device 0 afterwards
    QTest::newRow("ping") << "ping"
                          << "OK daqdrv32" << 0;
    QTest::newRow("devices") << "devices"
                             << "OK 0" << 0;
    QTest::newRow("set hex") << "set 0 1 0x5A"
                             << "OK" << 0x5A;
    QTest::newRow("set decimal") << "set 0 1 200"
                                 << "OK" << 200;
    QTest::newRow("set binary, CR LF") << "set 0 1 0b101\r"
                                       << "OK" << 5;
    QTest::newRow("setbit") << "setbit 0 9 1"
                            << "OK" << 0x02;
    QTest::newRow("edge fall") << "edge 0 8 fall"
                               << "OK" << 0;
    QTest::newRow("edge rise") << "edge 0 15 rise"
                               << "OK" << 0x80;
    QTest::newRow("get do") << "get 0 do 0"
                            << "OK 0" << 0;
    QTest::newRow("set value too big") << "set 0 1 256"
                                       << "ERR usage: set <dev> <port> <byte>" << 0;
    QTest::newRow("no such device") << "set 3 0 1"
                                    << "ERR no such device" << 0;
    QTest::newRow("no such port") << "set 0 2 1"
                                  << "ERR no such port" << 0;
    QTest::newRow("no such channel") << "edge 0 16 rise"
                                     << "ERR no such channel" << 0;
    QTest::newRow("bad edge") << "edge 0 1 up"
                              << "ERR usage: edge <dev> <channel> rise|fall" << 0;
    QTest::newRow("unknown") << "jump"
                             << "ERR unknown command 'jump' (help lists the commands)" << 0;
    QTest::newRow("quit") << "quit"
                          << "OK bye" << 0;
}

void TestSimulatedDriver::socket_commands() {
    QFETCH(QString, command);
    QFETCH(QString, reply);
    QFETCH(int, diPort1);
    QTemporaryDir dir;
    const std::string path = (dir.path() + "/line.sock").toStdString();
    QCOMPARE(daqsim_server_start(path.c_str()), DAQ_OK);
    char served[256];
    daqsim_server_path(served, sizeof served);
    QCOMPARE(std::string(served), path);
    const std::string got = socketCommand(path, command.toStdString() + "\nget 0 di 1\n", 2);
    const QStringList lines = QString::fromStdString(got).split('\n', Qt::SkipEmptyParts);
    QVERIFY2(!lines.isEmpty(), got.c_str());
    QCOMPARE(lines[0], reply);
    if (command != "quit") {
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[1], QString("OK %1").arg(diPort1));
    } else {
        QCOMPARE(lines.size(), 1); // the connection ended with the reply
    }
    uint8_t v = 0;
    QCOMPARE(daqsim_get_di_port(0, 1, &v), DAQ_OK);
    QCOMPARE(int(v), diPort1);
    daqsim_server_stop();
    QVERIFY(access(path.c_str(), F_OK) != 0);
}

void TestSimulatedDriver::socket_edgeCommand_raisesArmedEvent() {
    QTemporaryDir dir;
    const std::string path = (dir.path() + "/line.sock").toStdString();
    QCOMPARE(daqsim_server_start(path.c_str()), DAQ_OK);
    // Starting again at the same path replaces our own server.
    QCOMPARE(daqsim_server_start(path.c_str()), DAQ_OK);
    Opened o(0);
    const uint8_t rising[2] = {0x02, 0};
    QCOMPARE(drv().DeviceSetProperty(o.h, DAQ_PROP_DI_RISING_EDGE_MASKS, rising, 2), DAQ_OK);
    QCOMPARE(drv().EnableEventAndSpecifyDiPorts(o.h, DAQ_EVENT_DI_INTERRUPT + 1, 0, 1), DAQ_OK);
    std::string got;
    std::thread line([&] { got = socketCommand(path, "set 0 0 0x40\nedge 0 1 rise\n", 2); });
    uint16_t id = 0;
    DaqCheckEvent ce{&id, 600000};
    QCOMPARE(drv().CheckEvent(o.h, &ce), DAQ_OK);
    line.join();
    QCOMPARE(got, std::string("OK\nOK\n"));
    QCOMPARE(id, uint16_t(DAQ_EVENT_DI_INTERRUPT + 1));
    uint8_t latched = 0;
    QCOMPARE(drv().GetLatestEventDiPortsState(o.h, id, &latched, 1), DAQ_OK);
    QCOMPARE(latched, uint8_t(0x42));
    daqsim_server_stop();
}

void TestSimulatedDriver::socket_pathServedByOther_refused() {
    QTemporaryDir dir;
    const std::string path = (dir.path() + "/busy.sock").toStdString();
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
    QVERIFY(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0);
    QVERIFY(::listen(fd, 1) == 0);
    QCOMPARE(daqsim_server_start(path.c_str()), DAQ_ERR_INVALID_VALUE);
    char served[256] = "x";
    daqsim_server_path(served, sizeof served);
    QCOMPARE(served[0], '\0');
    QVERIFY(access(path.c_str(), F_OK) == 0); // the other server's socket stays
    close(fd);
    // A socket file nobody serves any more is taken over.
    QCOMPARE(daqsim_server_start(path.c_str()), DAQ_OK);
    QCOMPARE(socketCommand(path, "ping\n", 1), std::string("OK daqdrv32\n"));
    daqsim_server_stop();
}

void TestSimulatedDriver::concurrentCallers_everyEventCollectedOnce() {
    // A waiter, a board raising edges, and two readers on other handles, all
    // at once (the control's event thread next to its UI thread).
    Opened o(0);
    const uint8_t both[2] = {0x03, 0};
    QCOMPARE(drv().DeviceSetProperty(o.h, DAQ_PROP_DI_RISING_EDGE_MASKS, both, 2), DAQ_OK);
    QCOMPARE(drv().DeviceSetProperty(o.h, DAQ_PROP_DI_FALLING_EDGE_MASKS, both, 2), DAQ_OK);
    QCOMPARE(drv().EnableEventAndSpecifyDiPorts(o.h, DAQ_EVENT_DI_INTERRUPT, 1, 1), DAQ_OK);
    QCOMPARE(drv().EnableEventAndSpecifyDiPorts(o.h, DAQ_EVENT_DI_INTERRUPT + 1, 1, 1), DAQ_OK);
    constexpr int kEdges = 2000;
    std::atomic<bool> done{false};
    std::atomic<int> readerErrors{0};
    auto reader = [&] {
        DaqHandle h = 0;
        if (drv().DeviceOpen(0, &h) != DAQ_OK) {
            ++readerErrors;
            return;
        }
        while (!done) {
            uint8_t ports[2];
            int32_t v = 0;
            uint16_t bit = 0;
            DaqDioReadBit r{0, 1, &bit};
            if (drv().ReadDiPorts(h, 0, 2, ports) != DAQ_OK ||
                drv().GetPropertyInt(h, DAQ_PROP_DI_CHANNEL_COUNT, &v) != DAQ_OK ||
                drv().DioReadBit(h, &r) != DAQ_OK)
                ++readerErrors;
            const uint8_t out[1] = {ports[0]};
            drv().WriteDoPorts(h, 0, 1, out);
        }
        drv().DeviceClose(&h);
    };
    std::thread r1(reader), r2(reader);
    std::thread board([&] {
        for (int i = 0; i < kEdges; ++i) {
            daqsim_set_di_port(0, 1, uint8_t(i));
            daqsim_edge(0, uint32_t(i % 2), i % 4 < 2);
        }
    });
    int collected[2] = {0, 0};
    int outOfOrder = 0;
    int expected = 0;
    while (collected[0] + collected[1] < kEdges) {
        uint16_t id = 0;
        DaqCheckEvent ce{&id, 2000};
        QCOMPARE(drv().CheckEvent(o.h, &ce), DAQ_OK);
        QVERIFY2(id != DAQ_EVENT_NONE, "an edge was lost");
        ++collected[id - DAQ_EVENT_DI_INTERRUPT];
        uint8_t seq = 0;
        QCOMPARE(drv().GetLatestEventDiPortsState(o.h, id, &seq, 1), DAQ_OK);
        if (seq != uint8_t(expected))
            ++outOfOrder;
        expected = seq + 1;
    }
    board.join();
    done = true;
    r1.join();
    r2.join();
    QCOMPARE(collected[0], kEdges / 2);
    QCOMPARE(collected[1], kEdges / 2);
    QCOMPARE(outOfOrder, 0);
    QCOMPARE(readerErrors.load(), 0);
    QCOMPARE(daqsim_pending_events(0), 0);
}

QTEST_GUILESS_MAIN(TestSimulatedDriver)
#include "tst_simulated_driver.moc"

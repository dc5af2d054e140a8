// The typed calls of the control as a host makes them (registered library,
// dispatch by DISPID) and the life of an event connection.

#include "daqsim.h"
#include "host/DioControl.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace mrvdio;
using namespace mrvdio::host;

namespace {

// Port 0 fixed, port 1 programmable per channel; interrupts on port 0,
// pattern match on port 0 (mask settable), status change on port 1.
const char* kBoard = R"(
[device 0]
name = Typed Host
di_channels = 16
do_channels = 16
port_types = 2, 5
directions = 0xFF00, 0
interrupt_channels = 0xFF, 0
pattern_channels = 0xFF, 0
pattern_mask_settable = 1, 0
status_channels = 0, 0xF0
status_mask_settable = 0, 1
)";

QString hrText(HRESULT hr) {
    switch (hr) {
    case S_OK:
        return QStringLiteral("S_OK");
    case S_FALSE:
        return QStringLiteral("S_FALSE");
    case E_FAIL:
        return QStringLiteral("E_FAIL");
    default:
        return QString::number(uint32_t(hr), 16);
    }
}

QString text(int32_t v) {
    return QString::number(v);
}
QString text(bool v) {
    return v ? QStringLiteral("true") : QStringLiteral("false");
}
QString text(const std::string& v) {
    return QString::fromStdString(v);
}
QString text(const std::vector<uint8_t>& v) {
    return QByteArray(reinterpret_cast<const char*>(v.data()), qsizetype(v.size())).toHex(' ');
}
QString text(const DioDevice& d) {
    return text(d.name) + u'/' + text(d.number);
}
QString text(const DioPorts& p) {
    return text(p.bytes) + (p.complete ? QString() : QStringLiteral(" short"));
}
QString text(const DiInterruptSetting& s) {
    return QStringLiteral("%1 %2 %3+%4 %5")
        .arg(text(s.enabled), text(s.trigger), text(s.scanStart), text(s.scanCount), text(s.found));
}
QString text(const DiPatternMatchSetting& s) {
    return QStringLiteral("%1/%2 %3 %4+%5 %6")
        .arg(text(s.pattern), text(s.mask), text(s.enabled), text(s.scanStart), text(s.scanCount),
             text(s.found));
}
QString text(const DiStatusChangeSetting& s) {
    return QStringLiteral("%1 %2 %3+%4 %5")
        .arg(text(s.mask), text(s.enabled), text(s.scanStart), text(s.scanCount), text(s.found));
}
QString text(const DioPortSupport& s) {
    return text(s.channels) + u'/' + text(s.mask);
}

// "S_OK 16", "E_FAIL Invalid DI channel number!!".
template <class T> QString shown(const DioResult<T>& r) {
    return hrText(r.hr) + u' ' + (r.Ok() ? text(r.value) : text(r.description));
}
QString shown(const DioStatus& r) {
    return hrText(r.hr) + (r.Ok() ? QString() : u' ' + text(r.description));
}

} // namespace

class TestDioTyped : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    std::shared_ptr<ComponentLibrary> library_;

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        qputenv("MRVDIO_REGISTRY", dir_.filePath(QStringLiteral("classes.ini")).toLocal8Bit());
        const QString bin = qEnvironmentVariable("MARKING_PROGRAM_DIR");
        qputenv("DAQDRV32_LIBRARY", (bin + "/libdaqdrv32.so").toLocal8Bit());
        std::string error;
        library_ = ComponentLibrary::Load((bin + "/libMrvDIO.so").toStdString(), &error);
        QVERIFY2(library_, error.c_str());
        QCOMPARE(library_->RegisterServer(), S_OK);
    }
    void cleanupTestCase() { library_->UnregisterServer(); }

    void init() {
        QCOMPARE(daqsim_reset(), DAQ_OK);
        char error[256] = {};
        QVERIFY2(daqsim_load_config_text(kBoard, error, sizeof error) == DAQ_OK, error);
    }

    // Every member once, in an order that lets later calls read back what
    // earlier ones changed (so swapped arguments or a wrong member show).
    void members_callTheControl() {
        std::string error;
        const auto dio = DioControl::Create(&error);
        QVERIFY2(dio, error.c_str());
        const DioControl& d = *dio;
        QCOMPARE(daqsim_set_di_bit(0, 3, 1), DAQ_OK);
        QCOMPARE(daqsim_set_di_port(0, 1, 0x81), DAQ_OK);
        struct Row {
            const char* call;
            std::function<QString()> run;
            const char* expected;
        };
        const Row rows[] = {
            {"DeviceNumber", [&] { return shown(d.DeviceNumber()); }, "S_OK 0"},
            {"DeviceName", [&] { return shown(d.DeviceName()); }, "S_OK Typed Host"},
            {"DiChannelCount", [&] { return shown(d.DiChannelCount()); }, "S_OK 16"},
            {"DiPortCount", [&] { return shown(d.DiPortCount()); }, "S_OK 2"},
            {"DoChannelCount", [&] { return shown(d.DoChannelCount()); }, "S_OK 16"},
            {"DoPortCount", [&] { return shown(d.DoPortCount()); }, "S_OK 2"},
            {"GetDeviceListFirst", [&] { return shown(d.GetDeviceListFirst()); },
             "S_OK Typed Host/0"},
            {"GetDeviceListNext", [&] { return shown(d.GetDeviceListNext()); },
             "S_OK No Device/-1"},
            {"ReadDiChannel 3", [&] { return shown(d.ReadDiChannel(3)); }, "S_OK 1"},
            {"ReadDiChannel 2", [&] { return shown(d.ReadDiChannel(2)); }, "S_OK 0"},
            {"ReadDiChannel 16", [&] { return shown(d.ReadDiChannel(16)); },
             "E_FAIL Invalid DI channel number!!"},
            {"LastErrorCode", [&] { return shown(d.LastErrorCode()); }, "S_OK 15"},
            {"LastErrorMessage", [&] { return shown(d.LastErrorMessage()); },
             "S_OK Invalid DI channel number!!"},
            {"SetLastErrorCode", [&] { return shown(d.SetLastErrorCode(7)); }, "S_OK"},
            {"SetLastErrorMessage", [&] { return shown(d.SetLastErrorMessage("점검 중")); },
             "S_OK"},
            {"LastErrorCode set", [&] { return shown(d.LastErrorCode()); }, "S_OK 7"},
            {"LastErrorMessage set", [&] { return shown(d.LastErrorMessage()); }, "S_OK 점검 중"},
            {"ReadDiPorts 0+2", [&] { return shown(d.ReadDiPorts(0, 2)); }, "S_OK 08 81"},
            {"ReadDiPorts 1+2", [&] { return shown(d.ReadDiPorts(1, 2)); }, "S_OK 81 short"},
            {"WriteDoChannel", [&] { return shown(d.WriteDoChannel(1, 2)); }, "S_OK true"},
            {"ReadDoChannel 2", [&] { return shown(d.ReadDoChannel(2)); }, "S_OK 1"},
            {"ReadDoChannel 1", [&] { return shown(d.ReadDoChannel(1)); }, "S_OK 0"},
            {"WriteDoPorts", [&] { return shown(d.WriteDoPorts({0xA5}, 1, 1)); }, "S_OK true"},
            {"ReadDoPorts", [&] { return shown(d.ReadDoPorts(0, 2)); }, "S_OK 04 a5"},
            {"GetDioPortCount", [&] { return shown(d.GetDioPortCount()); }, "S_OK 2"},
            {"GetDioPortType", [&] { return shown(d.GetDioPortType()); }, "S_OK 02 05"},
            {"GetPortDirection 0", [&] { return shown(d.GetPortDirection(0)); }, "S_OK 65280"},
            {"SetPortDirection", [&] { return shown(d.SetPortDirection(1, 0x0F)); }, "S_OK true"},
            {"GetPortDirection 1", [&] { return shown(d.GetPortDirection(1)); }, "S_OK 15"},
            {"GetDioChannelDirection", [&] { return shown(d.GetDioChannelDirection()); },
             "S_OK 00 0f"},
            {"SetDiInterrupt", [&] { return shown(d.SetDiInterrupt(2, Falling)); }, "S_OK true"},
            {"AssignDiInterruptDiScanRange",
             [&] { return shown(d.AssignDiInterruptDiScanRange(2, 1, 1)); }, "S_OK true"},
            {"EnableDiInterrupt", [&] { return shown(d.EnableDiInterrupt(2, true)); }, "S_OK"},
            {"GetDiInterruptSetting", [&] { return shown(d.GetDiInterruptSetting(2)); },
             "S_OK true 2 1+1 true"},
            {"SetDiInterrupt unsupported", [&] { return shown(d.SetDiInterrupt(9, Rising)); },
             "E_FAIL This channel does not support DI Interrupt!!"},
            {"SetDiPatternMatch", [&] { return shown(d.SetDiPatternMatch(0, 0x12, 0x3C)); },
             "S_OK true"},
            {"AssignDiPatternMatchDiScanRange",
             [&] { return shown(d.AssignDiPatternMatchDiScanRange(0, 0, 2)); }, "S_OK true"},
            {"EnableDiPatternMatch", [&] { return shown(d.EnableDiPatternMatch(0, true)); },
             "S_OK"},
            {"GetDiPatternMatchSetting", [&] { return shown(d.GetDiPatternMatchSetting(0)); },
             "S_FALSE 18/60 true 0+2 true"},
            {"GetPatternMatchPortNumber", [&] { return shown(d.GetPatternMatchPortNumber()); },
             "S_OK 1"},
            {"GetDiPatternPortInfo", [&] { return shown(d.GetDiPatternPortInfo(0)); },
             "S_OK 255/1"},
            {"SetDiStatusChange", [&] { return shown(d.SetDiStatusChange(1, 0x30)); }, "S_OK true"},
            {"AssignDiStatusChangeDiScanRange",
             [&] { return shown(d.AssignDiStatusChangeDiScanRange(1, 1, 1)); }, "S_OK true"},
            {"EnableDiStatusChange", [&] { return shown(d.EnableDiStatusChange(1, false)); },
             "S_OK"},
            {"GetDiStatusChangeSetting", [&] { return shown(d.GetDiStatusChangeSetting(1)); },
             "S_FALSE 48 false 1+1 true"},
            {"GetDiStatusChangePort", [&] { return shown(d.GetDiStatusChangePort()); }, "S_OK 1"},
            {"GetDiStatusPortInfo", [&] { return shown(d.GetDiStatusPortInfo(1)); }, "S_OK 240/1"},
            {"EventEnabled", [&] { return shown(d.EventEnabled()); }, "S_OK false"},
            {"SetEventEnabled", [&] { return shown(d.SetEventEnabled(true)); }, "S_OK"},
            {"EventEnabled on", [&] { return shown(d.EventEnabled()); }, "S_OK true"},
            {"SetEventEnabled off", [&] { return shown(d.SetEventEnabled(false)); }, "S_OK"},
            {"SetDeviceNumber absent", [&] { return shown(d.SetDeviceNumber(5)); }, "S_FALSE"},
            {"DeviceNumber none", [&] { return shown(d.DeviceNumber()); }, "S_OK -1"},
            {"SetDeviceNumber", [&] { return shown(d.SetDeviceNumber(0)); }, "S_OK"},
            {"DeviceNumber again", [&] { return shown(d.DeviceNumber()); }, "S_OK 0"},
        };
        for (const Row& row : rows)
            QCOMPARE(QStringLiteral("%1: %2").arg(row.call, row.run()),
                     QStringLiteral("%1: %2").arg(row.call, QString::fromUtf8(row.expected)));
    }

    // The handler runs while its connection lives; afterwards its sink is
    // released (nothing it holds is kept) and it gets no more events.
    void eventConnection_advisesForItsLifeOnly() {
        std::string error;
        auto dio = DioControl::Create(&error);
        QVERIFY2(dio, error.c_str());
        QVERIFY(dio->AssignDiInterruptDiScanRange(0, 1, 1).value);
        QVERIFY(dio->SetDiInterrupt(0, Rising).value);
        QVERIFY(dio->EnableDiInterrupt(0, true).Ok());
        QVERIFY(dio->SetEventEnabled(true).Ok());
        QCOMPARE(daqsim_set_di_port(0, 1, 0x5A), DAQ_OK);

        auto held = std::make_shared<int>(0); // what the handler holds
        std::vector<DioEvent> seen, witnessed;
        auto connection =
            dio->ConnectEvents([held, &seen](const DioEvent& e) { seen.push_back(e); });
        const auto witness =
            dio->ConnectEvents([&witnessed](const DioEvent& e) { witnessed.push_back(e); });
        QVERIFY(connection->Connected() && witness->Connected());
        QCOMPARE(daqsim_edge(0, 0, 1), DAQ_OK);
        QTRY_COMPARE(seen.size(), size_t(1));
        QCOMPARE(seen[0].kind, DISPID_OnDiInterrupt);
        QCOMPARE(seen[0].index, 0);
        QCOMPARE(seen[0].ports, std::vector<uint8_t>{0x5A});
        QCOMPARE(seen[0].scanStart, 1);
        QCOMPARE(seen[0].scanCount, 1);

        connection.reset();
        QCOMPARE(held.use_count(), 1L); // the sink is gone, not leaked
        QCOMPARE(daqsim_edge(0, 0, 1), DAQ_OK);
        QTRY_COMPARE(witnessed.size(), size_t(2)); // the edge reached the sinks still there
        QCOMPARE(seen.size(), size_t(1));

        // A connection that outlives its control keeps it until it ends.
        dio.reset();
    }
};

QTEST_MAIN(TestDioTyped)
#include "tst_dio_typed.moc"

// The driver binding without a usable driver library: every call fails with
// the loader's code and an explanation, nothing crashes.

#include "driver/DaqDriver.h"

#include <QTest>

using mrvdio::driver::DaqDriver;

class TestDriverBinding : public QObject {
    Q_OBJECT

private slots:
    void unusableLibrary_everyCallFailsWithLoaderCode_data();
    void unusableLibrary_everyCallFailsWithLoaderCode();
    void missingLibrary_errorTextNamesPathAndReason();
};

void TestDriverBinding::unusableLibrary_everyCallFailsWithLoaderCode_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<int>("code");
    QTest::newRow("no such file") << "/nonexistent/dir/libdaqdrv32.so" << false
                                  << int(DAQ_ERR_LIBRARY_NOT_LOADED);
    QTest::newRow("not a library")
        << QFINDTESTDATA("tst_driver_binding.cpp") << false << int(DAQ_ERR_LIBRARY_NOT_LOADED);
    // A real shared library that exports none of the driver's functions.
    QTest::newRow("library without the functions")
        << "libm.so.6" << true << int(DAQ_ERR_FUNCTION_NOT_FOUND);
}

void TestDriverBinding::unusableLibrary_everyCallFailsWithLoaderCode() {
    QFETCH(QString, path);
    QFETCH(bool, loaded);
    QFETCH(int, code);

    DaqDriver drv(path.toStdString());
    QCOMPARE(drv.IsLoaded(), loaded);
    if (loaded)
        QCOMPARE(drv.MissingFunctions().size(), std::size_t(18));

    DaqHandle h = 1234;
    QCOMPARE(drv.DeviceOpen(0, &h), code);
    QCOMPARE(h, DaqHandle(0));
    QCOMPARE(drv.DeviceClose(&h), code);
    int16_t count = 7;
    QCOMPARE(drv.DeviceGetNumOfList(&count), code);
    QCOMPARE(count, int16_t(0));
    DaqDeviceListEntry entries[2]{};
    count = 7;
    QCOMPARE(drv.DeviceGetList(entries, 2, &count), code);
    QCOMPARE(count, int16_t(0));
    char name[DAQ_DEVICE_NAME_SIZE];
    std::memset(name, 'x', sizeof name);
    QCOMPARE(drv.DeviceNumToDeviceName(0, name), code);
    QCOMPARE(name[0], '\0');
    uint32_t size = 4;
    int32_t value = 0;
    QCOMPARE(drv.DeviceGetProperty(1, DAQ_PROP_DI_CHANNEL_COUNT, &value, &size), code);
    QCOMPARE(drv.DeviceSetProperty(1, DAQ_PROP_DI_CHANNEL_COUNT, &value, 4), code);
    QCOMPARE(drv.GetPropertyInt(1, DAQ_PROP_BOARD_ID, &value), code);
    uint16_t state = 0;
    DaqDioReadBit rb{0, 0, &state};
    QCOMPARE(drv.DioReadBit(1, &rb), code);
    QCOMPARE(drv.DioGetCurrentDOBit(1, &rb), code);
    DaqDioWriteBit wb{0, 0, 1};
    QCOMPARE(drv.DioWriteBit(1, &wb), code);
    uint8_t bytes[4] = {};
    QCOMPARE(drv.ReadDiPorts(1, 0, 1, bytes), code);
    QCOMPARE(drv.GetCurrentDoPortsState(1, 0, 1, bytes), code);
    QCOMPARE(drv.WriteDoPorts(1, 0, 1, bytes), code);
    QCOMPARE(drv.EnableEventAndSpecifyDiPorts(1, DAQ_EVENT_DI_INTERRUPT, 0, 1), code);
    QCOMPARE(drv.DisableEvent(1, DAQ_EVENT_DI_INTERRUPT), code);
    uint16_t id = 0x3401;
    DaqCheckEvent ce{&id, 200};
    QCOMPARE(drv.CheckEvent(1, &ce), code);
    QCOMPARE(id, uint16_t(DAQ_EVENT_NONE));
    QCOMPARE(drv.GetLatestEventDiPortsState(1, DAQ_EVENT_DI_INTERRUPT, bytes, 1), code);
    // The loader's codes map to their own explanation, never to an empty text.
    QVERIFY(!drv.ErrorText(code).empty());
}

void TestDriverBinding::missingLibrary_errorTextNamesPathAndReason() {
    DaqDriver drv("/nonexistent/dir/libdaqdrv32.so");
    const QString text = QString::fromStdString(drv.ErrorText(DAQ_ERR_LIBRARY_NOT_LOADED));
    QVERIFY2(text.contains("/nonexistent/dir/libdaqdrv32.so"), qPrintable(text));
    QVERIFY2(text.contains("No such file"), qPrintable(text));
    QVERIFY(!drv.LoadError().empty());
}

QTEST_GUILESS_MAIN(TestDriverBinding)
#include "tst_driver_binding.moc"

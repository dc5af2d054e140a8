// Without the board driver library the control still comes up: every open
// fails with a driver error naming the library, nothing crashes.

#include "control/MrvDIOCtrl.h"
#include "mrvdio/Variant.h"

#include <QtTest>

using namespace mrvdio;

class TestDioMissingDriver : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { qputenv("DAQDRV32_LIBRARY", "/nonexistent/folder/libdaqdrv32.so"); }

    void construction_withoutDriver_noDeviceAndDriverError() {
        ComPtr<IMrvDIO> p;
        QCOMPARE(MrvDIOCtrl::Create(nullptr, IID_IMrvDIO, p.PutVoid()), S_OK);
        int32_t number = 0, code = 0;
        p->get_DeviceNumber(&number);
        p->get_LastErrorCode(&code);
        QCOMPARE(number, -1);
        QCOMPARE(code, 36);
        Bstr message;
        p->get_LastErrorMessage(message.Put());
        const QString text = QString::fromStdString(message.Utf8());
        QVERIFY2(text.startsWith(QStringLiteral("Driver Error: ")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("libdaqdrv32.so")), qPrintable(text));
        QVERIFY(text.endsWith(QLatin1Char('!')));
    }

    void members_withoutDriver_failCleanly() {
        ComPtr<IMrvDIO> p;
        QCOMPARE(MrvDIOCtrl::Create(nullptr, IID_IMrvDIO, p.PutVoid()), S_OK);
        QCOMPARE(p->put_DeviceNumber(0), S_FALSE);
        int32_t code = 0;
        p->get_LastErrorCode(&code);
        QCOMPARE(code, 36);
        int32_t state = 0;
        QCOMPARE(p->ReadDiChannel(0, &state), E_FAIL);
        p->get_LastErrorCode(&code);
        QCOMPARE(code, 25);
        Bstr name;
        int32_t device = 0;
        QCOMPARE(p->GetDeviceListFirst(name.Put(), &device), S_FALSE);
        QCOMPARE(device, -1);
        VARIANT_BOOL result = 5;
        QCOMPARE(p->SelectDevice(&result), S_OK);
        QCOMPARE(result, VARIANT_BOOL(0));
    }
};

QTEST_MAIN(TestDioMissingDriver)
#include "tst_dio_missing_driver.moc"

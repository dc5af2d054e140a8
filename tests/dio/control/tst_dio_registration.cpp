// The control as a host reaches it: registration in the class registry,
// creation by ProgID through the host helper, calls by DISPID, unloading.

#include "daqsim.h"
#include "host/ControlHost.h"
#include "registration/ClassRegistry.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace mrvdio;
using namespace mrvdio::host;

namespace {

// An outer object that aggregates the control.
class Outer final : public IUnknown {
public:
    HRESULT QueryInterface(const IID& iid, void** object) override {
        if (iid == IID_IUnknown) {
            *object = static_cast<IUnknown*>(this);
            AddRef();
            return S_OK;
        }
        return inner ? inner->QueryInterface(iid, object) : E_NOINTERFACE;
    }
    uint32_t AddRef() override { return ++refs; }
    uint32_t Release() override { return --refs; }
    IUnknown* inner = nullptr;
    uint32_t refs = 1;
};

} // namespace

class TestDioRegistration : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QString registryPath_;
    std::shared_ptr<ComponentLibrary> library_;

    QString LibraryPath() const {
        return qEnvironmentVariable("MARKING_PROGRAM_DIR") + QStringLiteral("/libMrvDIO.so");
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        registryPath_ = dir_.filePath(QStringLiteral("classes.ini"));
        qputenv("MRVDIO_REGISTRY", registryPath_.toLocal8Bit());
        qputenv("DAQDRV32_LIBRARY",
                (qEnvironmentVariable("MARKING_PROGRAM_DIR") + "/libdaqdrv32.so").toLocal8Bit());
        std::string error;
        library_ = ComponentLibrary::Load(LibraryPath().toStdString(), &error);
        QVERIFY2(library_, error.c_str());
    }

    void init() { QCOMPARE(daqsim_reset(), DAQ_OK); }

    void registerServer_writesEveryClassAndProgId() {
        QCOMPARE(library_->RegisterServer(), S_OK);
        registry::IniFile file;
        std::string error;
        QVERIFY(file.Load(registryPath_.toStdString(), &error));
        const std::string clsid = "CLSID\\{8141E3A6-DC17-4EF9-9B84-1339EFCBAD39}";
        QCOMPARE(file.Value(clsid, "@"), std::string("Morvane Zephrel Pro DIO Control"));
        QCOMPARE(file.Value(clsid, "InprocServer32"), LibraryPath().toStdString());
        QCOMPARE(file.Value(clsid, "ThreadingModel"), std::string("Apartment"));
        QCOMPARE(file.Value(clsid, "ProgID"), std::string("MrvDIO.MrvDIOCtrl.1"));
        QCOMPARE(file.Value(clsid, "VersionIndependentProgID"), std::string("MrvDIO.MrvDIOCtrl"));
        QCOMPARE(file.Value(clsid, "MiscStatus\\1"), std::string("131473"));
        QCOMPARE(file.Value(clsid, "ToolboxBitmap32"), LibraryPath().toStdString() + ", 102");
        QCOMPARE(file.Value(clsid, "TypeLib"),
                 std::string("{5F4F791D-07CA-4B14-934B-2E74C8CD6FB5}"));
        QVERIFY(file.HasValue(clsid, "Control"));
        QVERIFY(file.HasValue(clsid, "Programmable"));
        QCOMPARE(file.Value("MrvDIO.MrvDIOCtrl", "CurVer"), std::string("MrvDIO.MrvDIOCtrl.1"));
        for (const char* page : {"Quadrel.QuadrelProp", "Quadrel.DIOPortProp",
                                 "Quadrel.DIInterruptProp", "Quadrel.DIOMiscProp"}) {
            const std::string id = file.Value(page, "CLSID");
            QVERIFY2(!id.empty(), page);
            QCOMPARE(file.Value("CLSID\\" + id, "ThreadingModel"), std::string("Apartment"));
            QCOMPARE(file.Value(std::string(page) + ".1", "CLSID"), id);
        }
        QVERIFY(file.HasSection("TypeLib\\{5F4F791D-07CA-4B14-934B-2E74C8CD6FB5}\\1.0"));
    }

    void registerServer_keepsOtherEntries() {
        registry::IniFile other;
        other.SetValue("Other.Thing", "CLSID", "{00000000-0000-0000-0000-000000000001}");
        std::string error;
        QVERIFY(other.Save(registryPath_.toStdString(), &error));
        QCOMPARE(library_->RegisterServer(), S_OK);
        QCOMPARE(library_->UnregisterServer(), S_OK);
        registry::IniFile file;
        QVERIFY(file.Load(registryPath_.toStdString(), &error));
        QVERIFY(file.HasSection("Other.Thing"));
        QCOMPARE(file.Sections().size(), size_t(1));
    }

    void createByProgId_readsDiChannel() {
        QCOMPARE(library_->RegisterServer(), S_OK);
        QCOMPARE(daqsim_set_di_bit(0, 3, 1), DAQ_OK);
        std::string error;
        auto control = Control::Create(&error);
        QVERIFY2(control, error.c_str());
        const auto& d = control->Dispatch();
        QCOMPARE(d.Get(DISPID_DeviceNumber).value.ToInt(-9), 0);
        QCOMPARE(d.Get(DISPID_DiChannelCount).value.ToInt(), 16);
        auto on = d.Call(DISPID_ReadDiChannel, {Variant::Int(3)});
        QCOMPARE(on.hr, S_OK);
        QCOMPARE(on.value.ToInt(-9), 1);
        auto off = d.Call(DISPID_ReadDiChannel, {Variant::Int(2)});
        QCOMPARE(off.value.ToInt(-9), 0);
        // A failure comes back with its result and its error info.
        auto bad = d.Call(DISPID_ReadDiChannel, {Variant::Int(16)});
        QCOMPARE(bad.hr, E_FAIL);
        QCOMPARE(bad.description, std::string("Invalid DI channel number!!"));
        QCOMPARE(bad.source, std::string("MrvDIO.MrvDIOCtrl.1"));
        QCOMPARE(d.Get(DISPID_LastErrorCode).value.ToInt(), 15);
        QCOMPARE(d.Get(DISPID_LastErrorMessage).value.ToUtf8(),
                 std::string("Invalid DI channel number!!"));
        // Members by name.
        QCOMPARE(d.IdOfName("readdichannel"), DISPID(DISPID_ReadDiChannel));
        QCOMPARE(d.IdOfName("AboutBox"), DISPID(DISPID_AboutBox));
        QCOMPARE(d.IdOfName("NoSuchMember"), DISPID(DISPID_UNKNOWN));
    }

    void createByVersionedProgIdOrClassId_works_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("versioned") << "MrvDIO.MrvDIOCtrl.1";
        QTest::newRow("independent") << "MrvDIO.MrvDIOCtrl";
        QTest::newRow("class id") << "{8141E3A6-DC17-4EF9-9B84-1339EFCBAD39}";
    }
    void createByVersionedProgIdOrClassId_works() {
        QFETCH(QString, name);
        QCOMPARE(library_->RegisterServer(), S_OK);
        std::string error;
        auto control = Control::Create(&error, name.toStdString());
        QVERIFY2(control, error.c_str());
        QCOMPARE(control->Dispatch().Get(DISPID_DeviceNumber).value.ToInt(-9), 0);
    }

    void unregister_makesCreationFail() {
        QCOMPARE(library_->RegisterServer(), S_OK);
        QCOMPARE(library_->UnregisterServer(), S_OK);
        std::string error;
        auto control = Control::Create(&error);
        QVERIFY(!control);
        QVERIFY2(error.find("MrvDIO.MrvDIOCtrl") != std::string::npos, error.c_str());
        void* object = nullptr;
        QCOMPARE(
            CreateInstance("MrvDIO.MrvDIOCtrl", nullptr, IID_IUnknown, &object, nullptr, &error),
            REGDB_E_CLASSNOTREG);
        QVERIFY(!object);
    }

    void registryNamingMissingLibrary_failsWithReason() {
        registry::IniFile file;
        file.SetValue("Broken.Ctrl", "CLSID", "{11111111-2222-3333-4444-555555555555}");
        file.SetValue("CLSID\\{11111111-2222-3333-4444-555555555555}", "InprocServer32",
                      dir_.filePath("missing.so").toStdString());
        std::string error;
        QVERIFY(file.Save(registryPath_.toStdString(), &error));
        void* object = nullptr;
        QCOMPARE(CreateInstance("Broken.Ctrl", nullptr, IID_IUnknown, &object, nullptr, &error),
                 CO_E_DLLNOTFOUND);
        QVERIFY2(error.find("missing.so") != std::string::npos, error.c_str());
    }

    void canUnloadNow_falseWhileObjectOrLockLives() {
        QCOMPARE(library_->RegisterServer(), S_OK);
        QCOMPARE(library_->CanUnloadNow(), S_OK);
        {
            std::string error;
            auto control = Control::Create(&error);
            QVERIFY2(control, error.c_str());
            QCOMPARE(library_->CanUnloadNow(), S_FALSE);
        }
        QCOMPARE(library_->CanUnloadNow(), S_OK);
        ComPtr<IClassFactory> factory;
        QCOMPARE(library_->GetClassObject(CLSID_MrvDIO, IID_IClassFactory, factory.PutVoid()),
                 S_OK);
        QCOMPARE(library_->CanUnloadNow(), S_FALSE);
        QCOMPARE(factory->LockServer(1), S_OK);
        factory.Reset();
        QCOMPARE(library_->CanUnloadNow(), S_FALSE);
        QCOMPARE(library_->GetClassObject(CLSID_MrvDIO, IID_IClassFactory, factory.PutVoid()),
                 S_OK);
        QCOMPARE(factory->LockServer(0), S_OK);
        factory.Reset();
        QCOMPARE(library_->CanUnloadNow(), S_OK);
    }

    void classObject_unknownClassOrInterface_refused() {
        void* object = reinterpret_cast<void*>(1);
        const CLSID other = {0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
        QCOMPARE(library_->GetClassObject(other, IID_IClassFactory, &object),
                 CLASS_E_CLASSNOTAVAILABLE);
        QVERIFY(!object);
        QCOMPARE(library_->GetClassObject(CLSID_MrvDIO, IID_IDispatch, &object), E_NOINTERFACE);
        QVERIFY(!object);
    }

    void aggregatedCreation_delegatesToOuter() {
        ComPtr<IClassFactory> factory;
        QCOMPARE(library_->GetClassObject(CLSID_MrvDIO, IID_IClassFactory, factory.PutVoid()),
                 S_OK);
        Outer outer;
        void* object = nullptr;
        QCOMPARE(factory->CreateInstance(&outer, IID_IMrvDIO, &object), CLASS_E_NOAGGREGATION);
        QVERIFY(!object);
        QCOMPARE(factory->CreateInstance(&outer, IID_IUnknown, &object), S_OK);
        outer.inner = static_cast<IUnknown*>(object);
        IMrvDIO* dio = nullptr;
        QCOMPARE(outer.QueryInterface(IID_IMrvDIO, reinterpret_cast<void**>(&dio)), S_OK);
        // The control's interfaces answer for the outer object.
        IUnknown* identity = nullptr;
        QCOMPARE(dio->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
        QCOMPARE(identity, static_cast<IUnknown*>(&outer));
        identity->Release();
        const uint32_t before = outer.refs;
        dio->AddRef();
        QCOMPARE(outer.refs, before + 1);
        dio->Release();
        int32_t number = -9;
        QCOMPARE(dio->get_DeviceNumber(&number), S_OK);
        QCOMPARE(number, 0);
        dio->Release();
        QCOMPARE(library_->CanUnloadNow(), S_FALSE);
        QCOMPARE(outer.inner->Release(), 0u);
        outer.inner = nullptr;
        factory.Reset();
        QCOMPARE(library_->CanUnloadNow(), S_OK);
    }

    void propertyNotification_reachesHostSink() {
        QCOMPARE(library_->RegisterServer(), S_OK);
        std::string error;
        auto control = Control::Create(&error);
        QVERIFY2(control, error.c_str());
        QList<DISPID> changed;
        auto* sink = new PropertyNotifySink([&](DISPID id) { changed << id; });
        const uint32_t cookie = control->Advise(IID_IPropertyNotifySink, sink);
        QVERIFY(cookie != 0);
        QCOMPARE(control->Dispatch().Put(DISPID_DeviceNumber, Variant::Int(0)).hr, S_OK);
        QCOMPARE(changed, QList<DISPID>{DISPID_DeviceNumber});
        QCOMPARE(control->Unadvise(IID_IPropertyNotifySink, cookie), S_OK);
        QCOMPARE(control->Unadvise(IID_IPropertyNotifySink, cookie), CONNECT_E_NOCONNECTION);
        QCOMPARE(control->Dispatch().Put(DISPID_DeviceNumber, Variant::Int(0)).hr, S_OK);
        QCOMPARE(changed.size(), 1);
        sink->Release();
    }

    void eventSink_connectsAndRefusesOtherInterfaces() {
        QCOMPARE(library_->RegisterServer(), S_OK);
        std::string error;
        auto control = Control::Create(&error);
        QVERIFY2(control, error.c_str());
        auto* sink = new EventSink([](DISPID, const std::vector<VARIANT*>&) {});
        const uint32_t first = control->Advise(DIID__IMrvDIOEvents, sink);
        const uint32_t second = control->Advise(DIID__IMrvDIOEvents, sink);
        QVERIFY(first != 0 && second != 0 && first != second);
        auto* notify = new PropertyNotifySink({});
        QCOMPARE(control->Advise(DIID__IMrvDIOEvents, notify), 0u); // no dispatch interface
        const IID unknownPoint = {0xABCDEF01, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
        QCOMPARE(control->Advise(unknownPoint, sink), 0u);
        QCOMPARE(control->Unadvise(DIID__IMrvDIOEvents, first), S_OK);
        QCOMPARE(control->Unadvise(DIID__IMrvDIOEvents, second), S_OK);
        notify->Release();
        sink->Release();
    }

    void dispatchClient_outParametersAndNewArrays() {
        QCOMPARE(library_->RegisterServer(), S_OK);
        daqsim_set_di_port(0, 1, 0x81);
        std::string error;
        auto control = Control::Create(&error);
        QVERIFY2(control, error.c_str());
        const auto& d = control->Dispatch();
        // Out-parameters by reference to the host's variants.
        Variant name, number;
        auto first = d.Call(DISPID_GetDeviceListFirst,
                            {Variant::RefTo(name.Ptr()), Variant::RefTo(number.Ptr())});
        QCOMPARE(first.hr, S_OK);
        QCOMPARE(name.ToUtf8(), std::string("DIO Simulator 16DI/16DO"));
        QCOMPARE(number.ToInt(-9), 0);
        auto next = d.Call(DISPID_GetDeviceListNext,
                           {Variant::RefTo(name.Ptr()), Variant::RefTo(number.Ptr())});
        QCOMPARE(next.hr, S_OK);
        QCOMPARE(number.ToInt(), -1);
        // An empty variant by reference comes back holding the new array.
        Variant target;
        auto read = d.Call(DISPID_ReadDiPorts,
                           {Variant::RefTo(target.Ptr()), Variant::Int(1), Variant::Int(1)});
        QCOMPARE(read.hr, S_OK);
        QCOMPARE(read.value.ToInt(), 1);
        QCOMPARE(target.ToBytes(), std::vector<uint8_t>{0x81});
        // A direct empty variant: the new array is the call's to free (no leak).
        QCOMPARE(d.Call(DISPID_ReadDoPorts, {Variant(), Variant::Int(0), Variant::Int(2)}).hr,
                 S_OK);
        // Property put and a string property.
        QCOMPARE(d.Put(DISPID_LastErrorMessage, Variant::String("관리자 메모")).hr, S_OK);
        QCOMPARE(d.Get(DISPID_LastErrorMessage).value.ToUtf8(), std::string("관리자 메모"));
        QCOMPARE(d.Get(DISPID_DeviceName).value.ToUtf8(), std::string("DIO Simulator 16DI/16DO"));
        // Wrong argument types are the dispatch layer's failures, not the member's.
        auto mismatch = d.Call(DISPID_ReadDiChannel, {Variant::String("zero")});
        QCOMPARE(mismatch.hr, DISP_E_TYPEMISMATCH);
        QVERIFY(mismatch.description.empty());
        QCOMPARE(d.CallByName("NoSuchMember").hr, DISP_E_UNKNOWNNAME);
        QCOMPARE(d.CallByName("ReadDiChannel", {Variant::Int(8)}).hr, S_OK);
    }

    void regsvrTool_registersAndUnregisters() {
        const QString tool =
            qEnvironmentVariable("MARKING_PROGRAM_DIR") + QStringLiteral("/mrvdio-regsvr");
        QProcess run;
        run.start(tool, {LibraryPath()});
        QVERIFY(run.waitForFinished(30000));
        QCOMPARE(run.exitCode(), 0);
        CLSID clsid{};
        std::string error;
        QCOMPARE(ClassIdFrom("MrvDIO.MrvDIOCtrl", &clsid, &error), S_OK);
        QVERIFY(clsid == CLSID_MrvDIO);
        run.start(tool, {QStringLiteral("-u"), LibraryPath()});
        QVERIFY(run.waitForFinished(30000));
        QCOMPARE(run.exitCode(), 0);
        QCOMPARE(ClassIdFrom("MrvDIO.MrvDIOCtrl", &clsid, &error), REGDB_E_CLASSNOTREG);
        run.start(tool, {dir_.filePath(QStringLiteral("absent.so"))});
        QVERIFY(run.waitForFinished(30000));
        QCOMPARE(run.exitCode(), 1);
        QVERIFY(run.readAllStandardError().contains("absent.so"));
    }

    void cleanupTestCase() { library_->UnregisterServer(); }
};

QTEST_MAIN(TestDioRegistration)
#include "tst_dio_registration.moc"

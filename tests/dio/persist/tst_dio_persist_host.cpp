// The library as a host meets it: the five classes registered, created by
// ProgID and removed again; a registry that cannot be written; and the
// state file a host keeps beside the program.

#include "daqsim.h"
#include "host/ControlHost.h"
#include "host/StateFile.h"
#include "registration/ClassRegistry.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

using namespace mrvdio;
using namespace mrvdio::host;

namespace {

struct ClassRow {
    const char* progId;
    CLSID clsid;
    const char* description;
    const char* pageTitle; // null for the control
};

const ClassRow kClasses[] = {
    {"MrvDIO.MrvDIOCtrl", CLSID_MrvDIO, "Morvane Zephrel Pro DIO Control", nullptr},
    {"Quadrel.QuadrelProp", CLSID_QuadrelProp, "QuadrelProp Class", "General"},
    {"Quadrel.DIOPortProp", CLSID_DIOPortProp, "DIOPortProp Class", "Port Direction"},
    {"Quadrel.DIInterruptProp", CLSID_DIInterruptProp, "DIInterruptProp Class", "DI Interrupt"},
    {"Quadrel.DIOMiscProp", CLSID_DIOMiscProp, "DIOMiscProp Class",
     "Pattern Match && Status Change"},
};

// A control whose stream cannot be written.
class BrokenPersist final : public IPersistStream {
public:
    HRESULT QueryInterface(const IID& iid, void** object) override {
        *object = iid == IID_IUnknown || iid == IID_IPersistStream ? this : nullptr;
        return *object ? S_OK : E_NOINTERFACE;
    }
    uint32_t AddRef() override { return 2; }
    uint32_t Release() override { return 1; }
    HRESULT GetClassID(CLSID* clsid) override {
        *clsid = CLSID_MrvDIO;
        return S_OK;
    }
    HRESULT IsDirty() override { return S_OK; }
    HRESULT Load(IStream*) override { return E_NOTIMPL; }
    HRESULT Save(IStream* stream, int32_t) override {
        stream->Write("part", 4, nullptr);
        return STG_E_MEDIUMFULL;
    }
    HRESULT GetSizeMax(uint64_t*) override { return E_NOTIMPL; }
};

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestDioPersistHost : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString registry_;
    std::shared_ptr<ComponentLibrary> library_;

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        registry_ = dir_.filePath(QStringLiteral("classes.ini"));
        qputenv("MRVDIO_REGISTRY", registry_.toLocal8Bit());
        qputenv("DAQDRV32_LIBRARY",
                (qEnvironmentVariable("MARKING_PROGRAM_DIR") + "/libdaqdrv32.so").toLocal8Bit());
        std::string error;
        library_ = ComponentLibrary::Load(
            (qEnvironmentVariable("MARKING_PROGRAM_DIR") + "/libMrvDIO.so").toStdString(), &error);
        QVERIFY2(library_, error.c_str());
    }

    void init() {
        QCOMPARE(daqsim_reset(), DAQ_OK);
        QCOMPARE(library_->RegisterServer(), S_OK);
    }

    void fiveClasses_registeredCreatedAndRemoved() {
        for (const ClassRow& c : kClasses) {
            CLSID clsid{};
            std::string error, threading;
            QCOMPARE(ClassIdFrom(c.progId, &clsid, &error), S_OK);
            QVERIFY2(clsid == c.clsid, c.progId);
            QCOMPARE(ClassIdFrom(std::string(c.progId) + ".1", &clsid, &error), S_OK);
            QVERIFY(registry::InprocServer(clsid, nullptr, &threading, &error));
            QCOMPARE(threading, std::string("Apartment"));
            registry::IniFile file;
            QVERIFY(file.Load(registry_.toStdString(), &error));
            QCOMPARE(file.Value("CLSID\\" + GuidToString(clsid), "@"), std::string(c.description));
            ComPtr<IUnknown> object;
            QCOMPARE(
                CreateInstance(c.progId, nullptr, IID_IUnknown, object.PutVoid(), nullptr, &error),
                S_OK);
            if (!c.pageTitle) {
                ComPtr<IPersistStream> persist;
                QCOMPARE(object.As(IID_IPersistStream, &persist), S_OK);
                continue;
            }
            // A page: its title, and its widget inside the frame's.
            ComPtr<IPropertyPage> page;
            QCOMPARE(object.As(IID_IPropertyPage, &page), S_OK);
            PROPPAGEINFO info{};
            QCOMPARE(page->GetPageInfo(&info), S_OK);
            QCOMPARE(BstrToUtf8(info.title), std::string(c.pageTitle));
            SysFreeString(info.title);
            SysFreeString(info.docString);
            auto control = Control::Create(&error);
            QVERIFY2(control, error.c_str());
            IUnknown* objects[] = {control->Object()};
            QCOMPARE(page->SetObjects(1, objects), S_OK);
            QWidget frame;
            const RECT rect{0, 0, 400, 300};
            QCOMPARE(page->Activate(&frame, &rect, 1), S_OK);
            QCOMPARE(frame.findChildren<QWidget*>().isEmpty(), false);
            QCOMPARE(page->IsPageDirty(), S_FALSE);
            QCOMPARE(page->Apply(), S_OK);
            QCOMPARE(page->Deactivate(), S_OK);
        }
        QCOMPARE(library_->UnregisterServer(), S_OK);
        registry::IniFile file;
        std::string error;
        QVERIFY(file.Load(registry_.toStdString(), &error));
        QVERIFY(file.Sections().empty());
        for (const ClassRow& c : kClasses) {
            CLSID clsid{};
            QCOMPARE(ClassIdFrom(c.progId, &clsid, &error), REGDB_E_CLASSNOTREG);
        }
    }

    void registryCannotBeWritten_failsWithReasonAndKeepsTheOld() {
        const QByteArray before = ReadAll(registry_);
        QVERIFY(!before.isEmpty());
        // The new file cannot be made where it would be.
        QVERIFY(QDir().mkdir(registry_ + QStringLiteral(".tmp")));
        QCOMPARE(library_->UnregisterServer(), SELFREG_E_CLASS);
        std::string description;
        QVERIFY(library_->TakeErrorInfo(&description, nullptr));
        QVERIFY2(description.find(registry_.toStdString()) != std::string::npos,
                 description.c_str());
        QVERIFY(QDir().rmdir(registry_ + QStringLiteral(".tmp")));
        QCOMPARE(ReadAll(registry_), before);
    }

    void stateFile_restartKeepsTheSettings() {
        std::string error;
        const StateFile file(StateFile::DefaultPath(dir_.path()));
        QCOMPARE(QFileInfo(file.Path()).fileName(), QStringLiteral("MrvDIO1.dat"));
        QFile::remove(file.Path());
        {
            auto dio = Control::Create(&error);
            QVERIFY2(dio, error.c_str());
            QVERIFY(file.Load(dio->Object()).absent);
            VARIANT_BOOL r = 0;
            QCOMPARE(dio->Object()->SetDiInterrupt(3, Falling, &r), S_OK);
            const StateFileResult saved = file.SaveIfDirty(dio->Object());
            QVERIFY2(saved.ok, qPrintable(saved.message));
            QVERIFY(!saved.unchanged);
            QVERIFY(file.SaveIfDirty(dio->Object()).unchanged);
        }
        auto dio = Control::Create(&error);
        const StateFileResult loaded = file.Load(dio->Object());
        QVERIFY2(loaded.ok && !loaded.absent, qPrintable(loaded.message));
        int32_t trigger = 0;
        dio->Object()->GetDiInterruptSetting(3, nullptr, &trigger, nullptr, nullptr, nullptr);
        QCOMPARE(trigger, int32_t(Falling));
    }

    void stateFile_failuresNamedAndTheOldFileKept() {
        std::string error;
        auto dio = Control::Create(&error);
        QVERIFY2(dio, error.c_str());
        // Saving where no file can be: under a plain file.
        const QString plain = dir_.filePath(QStringLiteral("plain"));
        QFile f(plain);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        const QString unwritable = plain + QStringLiteral("/MrvDIO1.dat");
        StateFileResult r = StateFile(unwritable).Save(dio->Object());
        QVERIFY(!r.ok);
        QVERIFY2(r.message.contains(unwritable) && r.message.contains(QStringLiteral("저장")),
                 qPrintable(r.message));
        // A stream that fails half way leaves the previous file as it was.
        const QString kept = dir_.filePath(QStringLiteral("kept.dat"));
        QVERIFY(StateFile(kept).Save(dio->Object()).ok);
        const QByteArray before = ReadAll(kept);
        BrokenPersist broken;
        r = StateFile(kept).Save(&broken);
        QVERIFY(!r.ok);
        QCOMPARE(r.hr, STG_E_MEDIUMFULL);
        QCOMPARE(ReadAll(kept), before);
        // A file that is not the control's state: named, and no device after.
        QFile bad(kept);
        QVERIFY(bad.open(QIODevice::WriteOnly | QIODevice::Truncate));
        bad.write("not a DIO state");
        bad.close();
        r = StateFile(kept).Load(dio->Object());
        QVERIFY(!r.ok);
        QVERIFY2(r.message.contains(kept), qPrintable(r.message));
        QCOMPARE(dio->Dispatch().Get(DISPID_DeviceNumber).value.ToInt(-9), -1);
    }

    void configTool_showsThePagesTheControlNames() {
        const QString shots = dir_.filePath(QStringLiteral("shots"));
        QVERIFY(QDir().mkpath(shots));
        QProcess run;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("MRVDIO_SCREENSHOT_DIR"), shots);
        // Saving the pictures converts images on Qt's own thread pool, which
        // ThreadSanitizer cannot follow into; those reports are Qt's.
        if (env.contains(QStringLiteral("TSAN_OPTIONS")))
            env.insert(QStringLiteral("TSAN_OPTIONS"),
                       env.value(QStringLiteral("TSAN_OPTIONS")) + QStringLiteral(":exitcode=0"));
        run.setProcessEnvironment(env);
        run.start(qEnvironmentVariable("MARKING_PROGRAM_DIR") + QStringLiteral("/mrvdio-config"),
                  {dir_.filePath(QStringLiteral("tool.dat"))});
        QVERIFY(run.waitForFinished(60000));
        QCOMPARE(run.exitCode(), 0);
        QCOMPARE(QDir(shots).entryList(QDir::Files).size(), 4);
    }

    void cleanupTestCase() { library_->UnregisterServer(); }
};

QTEST_MAIN(TestDioPersistHost)
#include "tst_dio_persist_host.moc"

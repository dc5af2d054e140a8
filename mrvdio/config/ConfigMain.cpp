// mrvdio-config [STATEFILE]: edits a station's DIO control settings on the
// control's property pages, as a design environment would, and saves them
// to the state file the station loads at start (default MrvDIO1.dat beside
// this program).
//
// The control is created through the class registry, or from libMrvDIO.so
// beside this program when it is not registered. It runs in design mode: the
// pages change the settings, not the board's outputs or events.
// MRVDIO_SCREENSHOT_DIR=DIR saves a picture of every page there and ends.

#include "config/PropertyFrame.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QTabWidget>

namespace {

using namespace mrvdio;

// The client site of a design environment: ambient user mode false.
class DesignSite final : public ComObject<IDispatch, IID_IDispatch> {
public:
    HRESULT GetTypeInfoCount(uint32_t* count) override {
        if (count)
            *count = 0;
        return S_OK;
    }
    HRESULT GetTypeInfo(uint32_t, LCID, void**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(const IID&, const char16_t**, uint32_t, LCID, DISPID*) override {
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT Invoke(DISPID member, const IID&, LCID, uint16_t, DISPPARAMS*, VARIANT* result,
                   EXCEPINFO*, uint32_t*) override {
        if (member != DISPID_AMBIENT_USERMODE || !result)
            return DISP_E_MEMBERNOTFOUND;
        result->vt = VT_BOOL;
        result->boolVal = VARIANT_FALSE;
        return S_OK;
    }
};

// The control, by its registration or from the library beside the program.
ComPtr<IUnknown> CreateControl(std::shared_ptr<host::ComponentLibrary>* library, QString* error) {
    ComPtr<IUnknown> control;
    std::string why;
    if (SUCCEEDED(host::CreateInstance(MRVDIO_PROGID, nullptr, IID_IUnknown, control.PutVoid(),
                                       library, &why)))
        return control;
    const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath("libMrvDIO.so");
    std::string loadError;
    *library = host::ComponentLibrary::Load(beside.toStdString(), &loadError);
    ComPtr<IClassFactory> factory;
    if (*library &&
        SUCCEEDED((*library)->GetClassObject(CLSID_MrvDIO, IID_IClassFactory, factory.PutVoid())) &&
        SUCCEEDED(factory->CreateInstance(nullptr, IID_IUnknown, control.PutVoid())))
        return control;
    *error = QString::fromStdString(why) + QStringLiteral("; ") +
             QString::fromStdString(loadError.empty() ? beside.toStdString() : loadError);
    return {};
}

int SaveScreenshots(config::PropertyFrame& frame, const QString& dir) {
    frame.show();
    int failures = 0;
    for (int i = 0; i < frame.Tabs()->count(); ++i) {
        frame.Tabs()->setCurrentIndex(i);
        QCoreApplication::processEvents();
        QString name = frame.Tabs()->tabText(i);
        name.remove(QLatin1Char('&')).remove(QLatin1Char(' '));
        const QString file = QDir(dir).filePath(QStringLiteral("MrvDIO-%1.png").arg(name));
        if (!frame.grab().save(file))
            ++failures;
    }
    return failures == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const QString path = args.size() > 1
                             ? args[1]
                             : host::StateFile::DefaultPath(QCoreApplication::applicationDirPath());

    std::shared_ptr<host::ComponentLibrary> library;
    QString error;
    ComPtr<IUnknown> control = CreateControl(&library, &error);
    if (!control) {
        QMessageBox::critical(nullptr, QStringLiteral("확인!"),
                              QStringLiteral("DIO 컨트롤을 만들 수 없습니다: %1").arg(error));
        return 1;
    }
    ComPtr<IOleObject> ole;
    if (SUCCEEDED(control.As(IID_IOleObject, &ole))) {
        auto* site = new DesignSite;
        ole->SetClientSite(site);
        site->Release();
    }

    const host::StateFile stateFile(path);
    const host::StateFileResult loaded = stateFile.Load(control.Get());
    if (!loaded.ok)
        QMessageBox::warning(nullptr, QStringLiteral("확인!"), loaded.message);

    int result = 0;
    {
        config::PropertyFrame frame(control, library, stateFile);
        const QString shots = qEnvironmentVariable("MRVDIO_SCREENSHOT_DIR");
        result = shots.isEmpty() ? (frame.exec(), 0) : SaveScreenshots(frame, shots);
    }
    if (ole)
        ole->Close(0);
    return result;
}

#include "control/Module.h"

#include <QApplication>
#include <QDialog>
#include <QGuiApplication>

#include <atomic>

namespace mrvdio {

namespace {

std::atomic<long> g_objects{0};
std::atomic<long> g_locks{0};

struct ThreadErrorInfo {
    bool present = false;
    std::u16string description;
    std::string source;
    IID iid = GUID_NULL;
    unsigned long serial = 0;
};
thread_local ThreadErrorInfo t_error;

MrvDIODialogHook g_dialogHook = nullptr;
void* g_dialogContext = nullptr;

// The error info object handed to callers of MrvGetErrorInfo.
class ErrorInfo final : public ComObject<IErrorInfo, IID_IErrorInfo> {
public:
    ErrorInfo(std::u16string description, std::string source, const IID& iid)
        : description_(std::move(description))
        , source_(std::move(source))
        , iid_(iid) {
        ModuleObjectCreated();
    }
    HRESULT GetGUID(GUID* guid) override {
        if (!guid)
            return E_POINTER;
        *guid = iid_;
        return S_OK;
    }
    HRESULT GetSource(BSTR* source) override {
        if (!source)
            return E_POINTER;
        *source = SysAllocStringUtf8(source_);
        return S_OK;
    }
    HRESULT GetDescription(BSTR* description) override {
        if (!description)
            return E_POINTER;
        *description =
            SysAllocStringLen(description_.data(), static_cast<uint32_t>(description_.size()));
        return S_OK;
    }

private:
    ~ErrorInfo() override { ModuleObjectDestroyed(); }
    std::u16string description_;
    std::string source_;
    IID iid_;
};

} // namespace

void ModuleObjectCreated() {
    ++g_objects;
}
void ModuleObjectDestroyed() {
    --g_objects;
}
void ModuleLock() {
    ++g_locks;
}
void ModuleUnlock() {
    --g_locks;
}
long ModuleActivity() {
    return g_objects.load() + g_locks.load();
}

void PostErrorInfo(const std::u16string& description, const std::string& source, const IID& iid) {
    t_error.present = true;
    t_error.description = description;
    t_error.source = source;
    t_error.iid = iid;
    ++t_error.serial;
}

void ClearErrorInfo() {
    t_error.present = false;
    t_error.description.clear();
    t_error.source.clear();
}

unsigned long ErrorInfoSerial() {
    return t_error.serial;
}

bool TakeErrorInfo(std::u16string* description, std::string* source) {
    if (!t_error.present)
        return false;
    if (description)
        *description = t_error.description;
    if (source)
        *source = t_error.source;
    ClearErrorInfo();
    return true;
}

int RunDialog(QDialog* dialog) {
    if (g_dialogHook)
        return g_dialogHook(dialog, g_dialogContext);
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return QDialog::Rejected;
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
        return QDialog::Rejected; // nobody could answer it
    return dialog->exec();
}

} // namespace mrvdio

extern "C" MRVDIO_EXPORT void MrvDIOSetDialogHook(MrvDIODialogHook hook, void* context) {
    mrvdio::g_dialogHook = hook;
    mrvdio::g_dialogContext = context;
}

extern "C" MRVDIO_EXPORT HRESULT MrvGetErrorInfo(uint32_t, IErrorInfo** info) {
    if (!info)
        return E_POINTER;
    *info = nullptr;
    std::u16string description;
    std::string source;
    const IID iid = mrvdio::t_error.iid;
    if (!mrvdio::TakeErrorInfo(&description, &source))
        return S_FALSE;
    *info = new (std::nothrow) mrvdio::ErrorInfo(std::move(description), std::move(source), iid);
    return *info ? S_OK : E_OUTOFMEMORY;
}

// The library's entry points: class objects, unloading, and registration in
// the class registry.

#include "control/Module.h"
#include "control/MrvDIOCtrl.h"
#include "control/Strings.h"
#include "mrvdio/MrvDIO.h"
#include "pages/PropertyPages.h"
#include "registration/ClassRegistry.h"

#include <dlfcn.h>

#include <cstdio>
#include <new>
#include <string>

namespace mrvdio {

namespace {

struct ClassEntry {
    const CLSID* clsid;
    const char* progId;        // version-dependent
    const char* independentId; // version-independent
    const char* description;
};

const ClassEntry kClasses[] = {
    {&CLSID_MrvDIO, "MrvDIO.MrvDIOCtrl.1", "MrvDIO.MrvDIOCtrl", "Morvane Zephrel Pro DIO Control"},
    {&CLSID_QuadrelProp, "Quadrel.QuadrelProp.1", "Quadrel.QuadrelProp", "QuadrelProp Class"},
    {&CLSID_DIOPortProp, "Quadrel.DIOPortProp.1", "Quadrel.DIOPortProp", "DIOPortProp Class"},
    {&CLSID_DIInterruptProp, "Quadrel.DIInterruptProp.1", "Quadrel.DIInterruptProp",
     "DIInterruptProp Class"},
    {&CLSID_DIOMiscProp, "Quadrel.DIOMiscProp.1", "Quadrel.DIOMiscProp", "DIOMiscProp Class"},
};

// recompose on resize, cannot link inside, inside-out, activate when
// visible, set client site first
constexpr const char* kMiscStatus = "131473";

std::string LibraryPath() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&LibraryPath), &info) != 0 && info.dli_fname)
        return info.dli_fname;
    return {};
}

std::string TypeLibSection() {
    return "TypeLib\\" + GuidToString(LIBID_MrvDIOLib) + "\\1.0";
}

// The class object of one of the five classes. Each one counts as a live
// object of the library while it is referenced.
class ClassFactory final : public ComObject<IClassFactory, IID_IClassFactory> {
public:
    explicit ClassFactory(const CLSID& clsid)
        : clsid_(clsid) {
        ModuleObjectCreated();
    }
    // The control may be aggregated; the pages may not.
    HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** object) override {
        if (clsid_ == CLSID_MrvDIO)
            return MrvDIOCtrl::Create(outer, iid, object);
        return pages::CreatePropertyPage(clsid_, outer, iid, object);
    }
    HRESULT LockServer(int32_t lock) override {
        if (lock)
            ModuleLock();
        else
            ModuleUnlock();
        return S_OK;
    }

private:
    ~ClassFactory() override { ModuleObjectDestroyed(); }
    CLSID clsid_;
};

// A registry that cannot be read or written: the reason goes to the caller's
// error info (and to standard error), the file stays as it was.
HRESULT RegistryFailure(const std::string& reason) {
    std::fprintf(stderr, "MrvDIO: %s\n", reason.c_str());
    PostErrorInfo(u"클래스 등록 파일을 쓰지 못했습니다: " + std::u16string(Widen(reason)),
                  MRVDIO_PROGID_VERSION, GUID_NULL);
    return SELFREG_E_CLASS;
}

HRESULT WriteRegistry(bool add) {
    const std::string path = registry::WritablePath();
    registry::IniFile file;
    std::string error;
    if (!file.Load(path, &error))
        return RegistryFailure(error);
    const std::string library = LibraryPath();
    if (add && library.empty())
        return RegistryFailure("the library's own path is unknown");
    for (const ClassEntry& c : kClasses) {
        const std::string clsid = GuidToString(*c.clsid);
        const std::string key = "CLSID\\" + clsid;
        if (!add) {
            file.RemoveTree(c.progId);
            file.RemoveTree(c.independentId);
            file.RemoveTree(key);
            continue;
        }
        file.RemoveTree(key);
        file.SetValue(c.progId, "@", c.description);
        file.SetValue(c.progId, "CLSID", clsid);
        file.SetValue(c.independentId, "@", c.description);
        file.SetValue(c.independentId, "CLSID", clsid);
        file.SetValue(c.independentId, "CurVer", c.progId);
        file.SetValue(key, "@", c.description);
        file.SetValue(key, "ProgID", c.progId);
        file.SetValue(key, "VersionIndependentProgID", c.independentId);
        file.SetValue(key, "Programmable", "");
        file.SetValue(key, "InprocServer32", library);
        file.SetValue(key, "ThreadingModel", "Apartment");
        if (c.clsid == &CLSID_MrvDIO) {
            file.SetValue(key, "Control", "");
            file.SetValue(key, "Insertable", "");
            file.SetValue(key, "ToolboxBitmap32", library + ", 102");
            file.SetValue(key, "MiscStatus", "0");
            file.SetValue(key, "MiscStatus\\1", kMiscStatus);
            file.SetValue(key, "TypeLib", GuidToString(LIBID_MrvDIOLib));
            file.SetValue(key, "Version", "1.0");
        }
    }
    // The type library.
    if (add) {
        file.RemoveTree(TypeLibSection());
        file.SetValue(TypeLibSection(), "@", "MrvDIOLib");
        file.SetValue(TypeLibSection(), "0\\linux", library);
        file.SetValue(TypeLibSection(), "FLAGS", "0");
        const auto slash = library.rfind('/');
        file.SetValue(TypeLibSection(), "HELPDIR",
                      slash == std::string::npos ? std::string() : library.substr(0, slash));
    } else {
        file.RemoveTree("TypeLib\\" + GuidToString(LIBID_MrvDIOLib));
    }
    if (!file.Save(path, &error))
        return RegistryFailure(error);
    return S_OK;
}

} // namespace

} // namespace mrvdio

extern "C" MRVDIO_EXPORT HRESULT DllGetClassObject(const CLSID* clsid, const IID* iid,
                                                   void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (!clsid || !iid)
        return E_INVALIDARG;
    if (*clsid != CLSID_MrvDIO && !mrvdio::pages::FindPageClass(*clsid))
        return CLASS_E_CLASSNOTAVAILABLE;
    auto* factory = new (std::nothrow) mrvdio::ClassFactory(*clsid);
    if (!factory)
        return E_OUTOFMEMORY;
    const HRESULT hr = factory->QueryInterface(*iid, object);
    factory->Release();
    return hr;
}

extern "C" MRVDIO_EXPORT HRESULT DllCanUnloadNow(void) {
    return mrvdio::ModuleActivity() == 0 ? S_OK : S_FALSE;
}

extern "C" MRVDIO_EXPORT HRESULT DllRegisterServer(void) {
    return mrvdio::WriteRegistry(true);
}

extern "C" MRVDIO_EXPORT HRESULT DllUnregisterServer(void) {
    return mrvdio::WriteRegistry(false);
}

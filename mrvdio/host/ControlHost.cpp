#include "host/ControlHost.h"

#include "registration/ClassRegistry.h"

#include <dlfcn.h>

#include <algorithm>
#include <map>
#include <mutex>

namespace mrvdio::host {

// ------------------------------------------------------------ libraries

std::shared_ptr<ComponentLibrary> ComponentLibrary::Load(const std::string& path,
                                                         std::string* error) {
    static std::mutex mutex;
    static std::map<std::string, std::shared_ptr<ComponentLibrary>> loaded;
    std::lock_guard<std::mutex> lock(mutex);
    if (auto it = loaded.find(path); it != loaded.end())
        return it->second;
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        if (error) {
            const char* why = dlerror();
            *error = "cannot load " + path + ": " + (why ? why : "unknown reason");
        }
        return nullptr;
    }
    std::shared_ptr<ComponentLibrary> lib(new ComponentLibrary);
    lib->path_ = path;
    lib->handle_ = handle;
    lib->getClassObject_ =
        reinterpret_cast<PFN_DllGetClassObject>(dlsym(handle, "DllGetClassObject"));
    lib->canUnloadNow_ = reinterpret_cast<PFN_DllCanUnloadNow>(dlsym(handle, "DllCanUnloadNow"));
    lib->registerServer_ =
        reinterpret_cast<PFN_DllRegisterServer>(dlsym(handle, "DllRegisterServer"));
    lib->unregisterServer_ =
        reinterpret_cast<PFN_DllUnregisterServer>(dlsym(handle, "DllUnregisterServer"));
    lib->getErrorInfo_ = reinterpret_cast<PFN_GetErrorInfo>(dlsym(handle, "MrvGetErrorInfo"));
    if (!lib->getClassObject_) {
        if (error)
            *error = path + " exports no DllGetClassObject";
        return nullptr; // stays loaded; nothing to release safely
    }
    loaded.emplace(path, lib);
    return lib;
}

HRESULT ComponentLibrary::GetClassObject(const CLSID& clsid, const IID& iid, void** object) const {
    return getClassObject_ ? getClassObject_(&clsid, &iid, object) : CO_E_ERRORINDLL;
}

HRESULT ComponentLibrary::CanUnloadNow() const {
    return canUnloadNow_ ? canUnloadNow_() : S_FALSE;
}

HRESULT ComponentLibrary::RegisterServer() const {
    return registerServer_ ? registerServer_() : CO_E_ERRORINDLL;
}

HRESULT ComponentLibrary::UnregisterServer() const {
    return unregisterServer_ ? unregisterServer_() : CO_E_ERRORINDLL;
}

bool ComponentLibrary::TakeErrorInfo(std::string* description, std::string* source) const {
    if (!getErrorInfo_)
        return false;
    IErrorInfo* info = nullptr;
    if (getErrorInfo_(0, &info) != S_OK || !info)
        return false;
    Bstr d, s;
    info->GetDescription(d.Put());
    info->GetSource(s.Put());
    info->Release();
    if (description)
        *description = d.Utf8();
    if (source)
        *source = s.Utf8();
    return true;
}

void* ComponentLibrary::Symbol(const char* name) const {
    return dlsym(handle_, name);
}

// ------------------------------------------------------------- creation

HRESULT ClassIdFrom(const std::string& progIdOrClsid, CLSID* clsid, std::string* error) {
    if (!progIdOrClsid.empty() && progIdOrClsid.front() == '{')
        return GuidFromString(progIdOrClsid, clsid) ? S_OK : E_INVALIDARG;
    return registry::ClassIdFromProgId(progIdOrClsid, clsid, error) ? S_OK : REGDB_E_CLASSNOTREG;
}

HRESULT CreateInstance(const std::string& progIdOrClsid, IUnknown* outer, const IID& iid,
                       void** object, std::shared_ptr<ComponentLibrary>* library,
                       std::string* error) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    CLSID clsid{};
    HRESULT hr = ClassIdFrom(progIdOrClsid, &clsid, error);
    if (FAILED(hr))
        return hr;
    std::string path;
    if (!registry::InprocServer(clsid, &path, nullptr, error))
        return REGDB_E_CLASSNOTREG;
    auto lib = ComponentLibrary::Load(path, error);
    if (!lib)
        return CO_E_DLLNOTFOUND;
    ComPtr<IClassFactory> factory;
    hr = lib->GetClassObject(clsid, IID_IClassFactory, factory.PutVoid());
    if (FAILED(hr)) {
        if (error)
            *error = path + " has no class object for " + GuidToString(clsid);
        return hr;
    }
    hr = factory->CreateInstance(outer, iid, object);
    if (FAILED(hr)) {
        if (error)
            *error = "creating " + progIdOrClsid + " failed";
        return hr;
    }
    if (library)
        *library = lib;
    return S_OK;
}

// -------------------------------------------------------------- dispatch

CallResult DispatchClient::Invoke(DISPID dispid, uint16_t flags, std::vector<Variant>& args,
                                  bool propertyPut) const {
    CallResult r;
    if (!dispatch_) {
        r.hr = E_POINTER;
        return r;
    }
    std::vector<VARIANT> reversed(args.size());
    for (size_t i = 0; i < args.size(); ++i)
        reversed[args.size() - 1 - i] = *args[i].Ptr(); // shallow: args keep ownership
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), propertyPut ? &named : nullptr,
                      static_cast<uint32_t>(reversed.size()), propertyPut ? 1u : 0u};
    EXCEPINFO excep{};
    uint32_t argErr = 0;
    r.hr = dispatch_->Invoke(dispid, GUID_NULL, LOCALE_USER_DEFAULT, flags, &params, r.value.Ptr(),
                             &excep, &argErr);
    // The callee may have replaced a direct argument (e.g. a new array in an
    // empty variant): hand it back to the caller's Variant.
    for (size_t i = 0; i < args.size(); ++i) {
        VARIANT& now = reversed[args.size() - 1 - i];
        VARIANT* mine = args[i].Ptr();
        if (std::memcmp(&now, mine, sizeof(VARIANT)) != 0)
            *mine = now;
    }
    if (r.hr == DISP_E_EXCEPTION) {
        r.hr = excep.scode ? excep.scode : E_FAIL;
        r.description = BstrToUtf8(excep.bstrDescription);
        r.source = BstrToUtf8(excep.bstrSource);
        SysFreeString(excep.bstrDescription);
        SysFreeString(excep.bstrSource);
        SysFreeString(excep.bstrHelpFile);
    }
    return r;
}

CallResult DispatchClient::Get(DISPID dispid) const {
    std::vector<Variant> none;
    return Invoke(dispid, DISPATCH_PROPERTYGET, none, false);
}

CallResult DispatchClient::Put(DISPID dispid, const Variant& value) const {
    std::vector<Variant> args{value};
    return Invoke(dispid, DISPATCH_PROPERTYPUT, args, true);
}

CallResult DispatchClient::Call(DISPID dispid, std::vector<Variant> args) const {
    return Invoke(dispid, DISPATCH_METHOD, args, false);
}

DISPID DispatchClient::IdOfName(const std::string& name) const {
    if (!dispatch_)
        return DISPID_UNKNOWN;
    Bstr wide(name);
    const char16_t* names[] = {wide.Get()};
    DISPID id = DISPID_UNKNOWN;
    if (FAILED(dispatch_->GetIDsOfNames(GUID_NULL, names, 1, LOCALE_USER_DEFAULT, &id)))
        return DISPID_UNKNOWN;
    return id;
}

CallResult DispatchClient::CallByName(const std::string& name, std::vector<Variant> args) const {
    const DISPID id = IdOfName(name);
    if (id == DISPID_UNKNOWN) {
        CallResult r;
        r.hr = DISP_E_UNKNOWNNAME;
        r.description = "no member " + name;
        return r;
    }
    return Call(id, std::move(args));
}

// ----------------------------------------------------------------- sinks

EventSink::EventSink(Handler handler, const IID& eventIid)
    : handler_(std::move(handler))
    , eventIid_(eventIid) {}

// The sink answers for the event interface it was made for, too.
HRESULT EventSink::QueryInterface(const IID& iid, void** object) {
    return ComObject::QueryInterface(iid == eventIid_ ? IID_IDispatch : iid, object);
}

HRESULT EventSink::GetTypeInfoCount(uint32_t* count) {
    if (!count)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT EventSink::GetTypeInfo(uint32_t, LCID, void** typeInfo) {
    if (typeInfo)
        *typeInfo = nullptr;
    return E_NOTIMPL;
}

HRESULT EventSink::GetIDsOfNames(const IID&, const char16_t**, uint32_t, LCID, DISPID*) {
    return E_NOTIMPL;
}

HRESULT EventSink::Invoke(DISPID member, const IID&, LCID, uint16_t, DISPPARAMS* params, VARIANT*,
                          EXCEPINFO*, uint32_t*) {
    std::vector<VARIANT*> args;
    if (params && params->rgvarg) {
        for (uint32_t i = 0; i < params->cArgs; ++i)
            args.push_back(&params->rgvarg[params->cArgs - 1 - i]);
    }
    if (handler_)
        handler_(member, args);
    return S_OK;
}

PropertyNotifySink::PropertyNotifySink(std::function<void(DISPID)> onChanged)
    : onChanged_(std::move(onChanged)) {}

HRESULT PropertyNotifySink::OnChanged(DISPID dispid) {
    if (onChanged_)
        onChanged_(dispid);
    return S_OK;
}

HRESULT PropertyNotifySink::OnRequestEdit(DISPID) {
    return S_OK;
}

// --------------------------------------------------------------- control

std::unique_ptr<Control> Control::Create(std::string* error, const std::string& progId) {
    std::unique_ptr<Control> control(new Control);
    HRESULT hr = CreateInstance(progId, nullptr, IID_IMrvDIO, control->object_.PutVoid(),
                                &control->library_, error);
    if (FAILED(hr))
        return nullptr;
    ComPtr<IDispatch> dispatch;
    if (FAILED(control->object_.As(IID_IDispatch, &dispatch))) {
        if (error)
            *error = progId + " has no dispatch interface";
        return nullptr;
    }
    control->dispatch_ = DispatchClient(std::move(dispatch));
    return control;
}

Control::~Control() {
    ComPtr<IOleObject> ole;
    if (object_ && SUCCEEDED(object_.As(IID_IOleObject, &ole)))
        ole->Close(0);
    dispatch_ = DispatchClient();
    object_.Reset();
}

uint32_t Control::Advise(const IID& iid, IUnknown* sink) {
    ComPtr<IConnectionPointContainer> container;
    if (!object_ || FAILED(object_.As(IID_IConnectionPointContainer, &container)))
        return 0;
    ComPtr<IConnectionPoint> point;
    if (FAILED(container->FindConnectionPoint(iid, point.Put())))
        return 0;
    uint32_t cookie = 0;
    if (FAILED(point->Advise(sink, &cookie)))
        return 0;
    return cookie;
}

HRESULT Control::Unadvise(const IID& iid, uint32_t cookie) {
    ComPtr<IConnectionPointContainer> container;
    if (!object_ || FAILED(object_.As(IID_IConnectionPointContainer, &container)))
        return E_POINTER;
    ComPtr<IConnectionPoint> point;
    HRESULT hr = container->FindConnectionPoint(iid, point.Put());
    if (FAILED(hr))
        return hr;
    return point->Unadvise(cookie);
}

HRESULT Control::SetClientSite(IUnknown* site) {
    ComPtr<IOleObject> ole;
    if (!object_ || FAILED(object_.As(IID_IOleObject, &ole)))
        return E_NOINTERFACE;
    return ole->SetClientSite(site);
}

} // namespace mrvdio::host

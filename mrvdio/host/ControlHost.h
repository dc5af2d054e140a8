#pragma once

// The host side of in-process components: find a class through the class
// registry, load its library, create the object, and call it by dispatch
// identifier. Used by the marking program's run screen and by tests.
//
//   std::string error;
//   auto ctl = mrvdio::host::Control::Create(&error);   // "MrvDIO.MrvDIOCtrl"
//   if (!ctl) { ... error names what failed ... }
//   auto r = ctl->Dispatch().Call(DISPID_ReadDiChannel, {Variant::Int(0)});
//   if (r.Ok()) state = r.value.ToInt();
//   else        ... r.hr, r.description ("No device is currently opened!!")

#include "mrvdio/MrvDIO.h"
#include "mrvdio/Variant.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace mrvdio::host {

// A loaded component library. Libraries stay loaded for the life of the
// process once loaded (they may have registered window-system types).
class ComponentLibrary {
public:
    // Loads (or finds already loaded) the library at `path`.
    static std::shared_ptr<ComponentLibrary> Load(const std::string& path, std::string* error);

    const std::string& Path() const { return path_; }
    HRESULT GetClassObject(const CLSID& clsid, const IID& iid, void** object) const;
    HRESULT CanUnloadNow() const;
    HRESULT RegisterServer() const;
    HRESULT UnregisterServer() const;
    // The error info the library posted last on this thread (taken).
    bool TakeErrorInfo(std::string* description, std::string* source) const;
    // An exported function of the library by name (null when absent).
    void* Symbol(const char* name) const;

private:
    ComponentLibrary() = default;
    std::string path_;
    void* handle_ = nullptr;
    PFN_DllGetClassObject getClassObject_ = nullptr;
    PFN_DllCanUnloadNow canUnloadNow_ = nullptr;
    PFN_DllRegisterServer registerServer_ = nullptr;
    PFN_DllUnregisterServer unregisterServer_ = nullptr;
    PFN_GetErrorInfo getErrorInfo_ = nullptr;
};

// Resolves a ProgID (or a "{CLSID}" text) to a class identifier.
HRESULT ClassIdFrom(const std::string& progIdOrClsid, CLSID* clsid, std::string* error);

// Creates an instance of a registered in-process class. `library` receives
// the library that serves it.
HRESULT CreateInstance(const std::string& progIdOrClsid, IUnknown* outer, const IID& iid,
                       void** object, std::shared_ptr<ComponentLibrary>* library,
                       std::string* error);

// The outcome of one dispatch call.
struct CallResult {
    // The member's result (S_OK, S_FALSE, E_FAIL ...) or the dispatch failure
    // (DISP_E_MEMBERNOTFOUND, DISP_E_TYPEMISMATCH ...).
    HRESULT hr = S_OK;
    Variant value;           // the member's result value
    std::string description; // error info of a failure
    std::string source;      // ProgID of the failing object
    bool Ok() const { return SUCCEEDED(hr); }
};

// Calls an IDispatch by DISPID with arguments in their written order.
class DispatchClient {
public:
    DispatchClient() = default;
    explicit DispatchClient(ComPtr<IDispatch> dispatch)
        : dispatch_(std::move(dispatch)) {}

    CallResult Get(DISPID dispid) const;
    CallResult Put(DISPID dispid, const Variant& value) const;
    // A method call; out-parameters are passed as Variant::RefTo(&v) or as
    // by-reference variants the caller builds.
    CallResult Call(DISPID dispid, std::vector<Variant> args = {}) const;
    // Call by member name (GetIDsOfNames first).
    CallResult CallByName(const std::string& name, std::vector<Variant> args = {}) const;
    DISPID IdOfName(const std::string& name) const;

    IDispatch* Get() const { return dispatch_.Get(); }

private:
    CallResult Invoke(DISPID dispid, uint16_t flags, std::vector<Variant>& args,
                      bool propertyPut) const;
    ComPtr<IDispatch> dispatch_;
};

// An event sink: every call of the source's event interface goes to the
// handler with the DISPID and the arguments in their written order.
class EventSink final : public ComObject<IDispatch, IID_IDispatch> {
public:
    using Handler = std::function<void(DISPID dispid, const std::vector<VARIANT*>& args)>;
    // Starts with one reference, owned by the caller.
    explicit EventSink(Handler handler, const IID& eventIid = DIID__IMrvDIOEvents);

    HRESULT QueryInterface(const IID& iid, void** object) override;
    HRESULT GetTypeInfoCount(uint32_t* count) override;
    HRESULT GetTypeInfo(uint32_t, LCID, void** typeInfo) override;
    HRESULT GetIDsOfNames(const IID&, const char16_t**, uint32_t, LCID, DISPID*) override;
    HRESULT Invoke(DISPID member, const IID& iid, LCID lcid, uint16_t flags, DISPPARAMS* params,
                   VARIANT* result, EXCEPINFO* excepInfo, uint32_t* argErr) override;

private:
    ~EventSink() override = default;
    Handler handler_;
    IID eventIid_;
};

// A property-notification sink calling a handler on OnChanged.
class PropertyNotifySink final : public ComObject<IPropertyNotifySink, IID_IPropertyNotifySink> {
public:
    explicit PropertyNotifySink(std::function<void(DISPID)> onChanged);
    HRESULT OnChanged(DISPID dispid) override;
    HRESULT OnRequestEdit(DISPID dispid) override;

private:
    ~PropertyNotifySink() override = default;
    std::function<void(DISPID)> onChanged_;
};

// The MrvDIO control as its host holds it.
class Control {
public:
    // Creates the control registered under `progId`; null with the reason.
    static std::unique_ptr<Control> Create(std::string* error,
                                           const std::string& progId = MRVDIO_PROGID);
    ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    IMrvDIO* Object() const { return object_.Get(); }
    const DispatchClient& Dispatch() const { return dispatch_; }
    const std::shared_ptr<ComponentLibrary>& Library() const { return library_; }

    // Connects a sink of an outgoing interface (DIID__IMrvDIOEvents or
    // IID_IPropertyNotifySink); 0 when refused.
    uint32_t Advise(const IID& iid, IUnknown* sink);
    HRESULT Unadvise(const IID& iid, uint32_t cookie);
    // Gives the control its client site (the host's ambient properties).
    HRESULT SetClientSite(IUnknown* site);

private:
    Control() = default;
    std::shared_ptr<ComponentLibrary> library_;
    ComPtr<IMrvDIO> object_;
    DispatchClient dispatch_;
};

} // namespace mrvdio::host

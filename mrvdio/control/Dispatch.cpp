// The automation side of the control: one table entry per IMrvDIO member
// (name, dispatch identifier, kind, and typed invokers that unpack the
// arguments from the member's own signature, call it and pack its results).

#include "control/Module.h"
#include "control/MrvDIOCtrl.h"
#include "mrvdio/Variant.h"

#include <cstddef>
#include <cstdlib>
#include <tuple>
#include <type_traits>
#include <utility>

namespace mrvdio {

namespace {

bool SameName(const char16_t* wide, const char* ascii) {
    size_t i = 0;
    for (; wide[i] && ascii[i]; ++i) {
        char16_t a = wide[i];
        char b = ascii[i];
        if (a >= u'A' && a <= u'Z')
            a = static_cast<char16_t>(a - u'A' + u'a');
        if (b >= 'A' && b <= 'Z')
            b = static_cast<char>(b - 'A' + 'a');
        if (a != static_cast<char16_t>(b))
            return false;
    }
    return wide[i] == 0 && ascii[i] == 0;
}

// The arguments of one Invoke call, by forward position.
class Args {
public:
    Args(DISPPARAMS* params, uint32_t* argErr)
        : p_(params)
        , argErr_(argErr) {}

    uint32_t Positional() const { return p_->cArgs - p_->cNamedArgs; }

    VARIANT* Raw(uint32_t i) const { return &p_->rgvarg[p_->cArgs - 1 - i]; }

    bool Missing(uint32_t i) const {
        if (i >= Positional())
            return true;
        const VARIANT* v = Deref(Raw(i));
        return v->vt == VT_ERROR && v->scode == DISP_E_PARAMNOTFOUND;
    }

    // Expects between `required` and `total` positional arguments.
    HRESULT Count(uint32_t required, uint32_t total) const {
        if (p_->cNamedArgs != 0)
            return DISP_E_PARAMNOTFOUND;
        if (Positional() < required || Positional() > total)
            return DISP_E_BADPARAMCOUNT;
        return S_OK;
    }

    HRESULT Int(uint32_t i, int32_t* out) const { return IntOf(Raw(i), i, out); }

    HRESULT Bool(uint32_t i, VARIANT_BOOL* out) const {
        int32_t v = 0;
        HRESULT hr = Int(i, &v);
        *out = static_cast<VARIANT_BOOL>(v);
        return hr;
    }

    HRESULT Str(uint32_t i, BSTR* out) const {
        const VARIANT* v = Deref(Raw(i));
        if (v->vt == VT_BSTR) {
            *out = v->bstrVal;
            return S_OK;
        }
        if (v->vt == (VT_BYREF | VT_BSTR)) {
            *out = *v->pbstrVal;
            return S_OK;
        }
        return Mismatch(i);
    }

    // The variant a byte-buffer argument names (through one reference).
    VARIANT* Buffer(uint32_t i) const {
        VARIANT* v = Raw(i);
        if (v->vt == (VT_BYREF | VT_VARIANT) && v->pvarVal)
            return v->pvarVal;
        return v;
    }

    // Out-parameters: by reference to the base type, or to a variant.
    HRESULT CheckOut(uint32_t i, VARTYPE base) const {
        if (Missing(i))
            return S_OK;
        const VARIANT* v = Raw(i);
        if (v->vt == (VT_BYREF | VT_VARIANT) && v->pvarVal)
            return S_OK;
        if (v->vt == (VT_BYREF | base) && v->byref)
            return S_OK;
        if (base == VT_I4 && v->vt == (VT_BYREF | VT_I2) && v->byref)
            return S_OK;
        if (base == VT_BOOL && (v->vt == (VT_BYREF | VT_I4) || v->vt == (VT_BYREF | VT_I2)) &&
            v->byref)
            return S_OK;
        return Mismatch(i);
    }

    void SetInt(uint32_t i, int32_t value) const {
        if (Missing(i))
            return;
        VARIANT* v = Raw(i);
        if (v->vt == (VT_BYREF | VT_VARIANT)) {
            VariantClear(v->pvarVal);
            v->pvarVal->vt = VT_I4;
            v->pvarVal->lVal = value;
        } else if (v->vt == (VT_BYREF | VT_I4)) {
            *v->plVal = value;
        } else if (v->vt == (VT_BYREF | VT_I2)) {
            *v->piVal = static_cast<int16_t>(value);
        } else if (v->vt == (VT_BYREF | VT_BOOL)) {
            *v->pboolVal = static_cast<VARIANT_BOOL>(value);
        }
    }

    void SetBool(uint32_t i, VARIANT_BOOL value) const {
        if (Missing(i))
            return;
        VARIANT* v = Raw(i);
        if (v->vt == (VT_BYREF | VT_VARIANT)) {
            VariantClear(v->pvarVal);
            v->pvarVal->vt = VT_BOOL;
            v->pvarVal->boolVal = value;
        } else {
            SetInt(i, value);
        }
    }

    // Takes ownership of `value`.
    void SetStr(uint32_t i, BSTR value) const {
        VARIANT* v = Missing(i) ? nullptr : Raw(i);
        if (v && v->vt == (VT_BYREF | VT_VARIANT)) {
            VariantClear(v->pvarVal);
            v->pvarVal->vt = VT_BSTR;
            v->pvarVal->bstrVal = value;
        } else if (v && v->vt == (VT_BYREF | VT_BSTR)) {
            SysFreeString(*v->pbstrVal);
            *v->pbstrVal = value;
        } else {
            SysFreeString(value);
        }
    }

    // The value of a property put.
    HRESULT PutValue(VARIANT** value) const {
        if (p_->cArgs != 1)
            return DISP_E_BADPARAMCOUNT;
        if (p_->cNamedArgs > 1 ||
            (p_->cNamedArgs == 1 && p_->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT))
            return DISP_E_PARAMNOTFOUND;
        *value = &p_->rgvarg[0];
        return S_OK;
    }

    HRESULT IntOf(const VARIANT* raw, uint32_t i, int32_t* out) const {
        const VARIANT* v = Deref(raw);
        switch (v->vt) {
        case VT_I4:
            *out = v->lVal;
            return S_OK;
        case VT_I2:
            *out = v->iVal;
            return S_OK;
        case VT_UI1:
            *out = v->bVal;
            return S_OK;
        case VT_BOOL:
            *out = v->boolVal;
            return S_OK;
        case VT_BYREF | VT_I4:
            *out = *v->plVal;
            return S_OK;
        case VT_BYREF | VT_I2:
            *out = *v->piVal;
            return S_OK;
        case VT_BYREF | VT_BOOL:
            *out = *v->pboolVal;
            return S_OK;
        case VT_BSTR: {
            std::string text = BstrToUtf8(v->bstrVal);
            char* end = nullptr;
            long value = std::strtol(text.c_str(), &end, 10);
            if (!text.empty() && end && *end == '\0') {
                *out = static_cast<int32_t>(value);
                return S_OK;
            }
            return Mismatch(i);
        }
        default:
            return Mismatch(i);
        }
    }

private:
    static const VARIANT* Deref(const VARIANT* v) {
        if (v->vt == (VT_BYREF | VT_VARIANT) && v->pvarVal)
            return v->pvarVal;
        return v;
    }
    HRESULT Mismatch(uint32_t i) const {
        if (argErr_)
            *argErr_ = p_->cArgs - 1 - i;
        return DISP_E_TYPEMISMATCH;
    }

    DISPPARAMS* p_;
    uint32_t* argErr_;
};

void SetResultInt(VARIANT* result, int32_t value) {
    result->vt = VT_I4;
    result->lVal = value;
}

void SetResultBool(VARIANT* result, VARIANT_BOOL value) {
    result->vt = VT_BOOL;
    result->boolVal = value;
}

void SetResultStr(VARIANT* result, BSTR value) {
    result->vt = VT_BSTR;
    result->bstrVal = value;
}

// ------------------------------------------------------------ invokers
//
// A member's parameters, in order: inputs (int32_t, VARIANT_BOOL, BSTR, and
// VARIANT* byte buffers) and then outputs (int32_t*, VARIANT_BOOL*, BSTR*).
// Where the member has a result, its last output is the dispatch result;
// the other outputs are optional by-reference arguments.

enum class Returns { Last, None };

template <class P> struct Param;

template <> struct Param<int32_t> {
    static constexpr bool kOut = false;
    using Slot = int32_t;
    static HRESULT Unpack(const Args& a, uint32_t i, Slot* s) { return a.Int(i, s); }
    static int32_t Pass(const Args&, uint32_t, bool, Slot& s) { return s; }
};

template <> struct Param<VARIANT_BOOL> {
    static constexpr bool kOut = false;
    using Slot = VARIANT_BOOL;
    static HRESULT Unpack(const Args& a, uint32_t i, Slot* s) { return a.Bool(i, s); }
    static VARIANT_BOOL Pass(const Args&, uint32_t, bool, Slot& s) { return s; }
};

template <> struct Param<BSTR> {
    static constexpr bool kOut = false;
    using Slot = BSTR;
    static HRESULT Unpack(const Args& a, uint32_t i, Slot* s) { return a.Str(i, s); }
    static BSTR Pass(const Args&, uint32_t, bool, Slot& s) { return s; }
};

// A byte buffer: the variant the argument names (null when it is missing).
template <> struct Param<VARIANT*> {
    static constexpr bool kOut = false;
    using Slot = VARIANT*;
    static HRESULT Unpack(const Args& a, uint32_t i, Slot* s) {
        *s = a.Missing(i) ? nullptr : a.Buffer(i);
        return S_OK;
    }
    static VARIANT* Pass(const Args&, uint32_t, bool, Slot& s) { return s; }
};

// Outputs: a missing optional argument gets a null pointer; the result
// always gets a slot. A property get hands out its result only on success.
template <class T, VARTYPE Base> struct OutParam {
    static constexpr bool kOut = true;
    using Slot = T;
    static HRESULT Unpack(const Args& a, uint32_t i, Slot*) { return a.CheckOut(i, Base); }
    static T* Pass(const Args& a, uint32_t i, bool isResult, Slot& s) {
        return isResult || !a.Missing(i) ? &s : nullptr;
    }
};

template <> struct Param<int32_t*> : OutParam<int32_t, VT_I4> {
    static void Store(const Args& a, uint32_t i, bool isResult, VARIANT* result, bool property,
                      HRESULT hr, Slot& s) {
        if (!isResult)
            a.SetInt(i, s);
        else if (!property || SUCCEEDED(hr))
            SetResultInt(result, s);
    }
};

template <> struct Param<VARIANT_BOOL*> : OutParam<VARIANT_BOOL, VT_BOOL> {
    static void Store(const Args& a, uint32_t i, bool isResult, VARIANT* result, bool property,
                      HRESULT hr, Slot& s) {
        if (!isResult)
            a.SetBool(i, s);
        else if (!property || SUCCEEDED(hr))
            SetResultBool(result, s);
    }
};

template <> struct Param<BSTR*> : OutParam<BSTR, VT_BSTR> {
    static void Store(const Args& a, uint32_t i, bool isResult, VARIANT* result, bool property,
                      HRESULT hr, Slot& s) {
        if (!isResult)
            a.SetStr(i, s); // takes the string
        else if (!property || SUCCEEDED(hr))
            SetResultStr(result, s);
        else
            SysFreeString(s);
    }
};

template <class P, int32_t Unset> typename Param<P>::Slot InitialSlot() {
    if constexpr (std::is_same_v<P, int32_t*>)
        return Unset;
    else
        return typename Param<P>::Slot{};
}

// After the call: outputs go back to their arguments or the result.
template <class P>
void StoreSlot(const Args& a, uint32_t i, bool isResult, VARIANT* result, bool property, HRESULT hr,
               typename Param<P>::Slot& s) {
    if constexpr (Param<P>::kOut)
        Param<P>::Store(a, i, isResult, result, property, hr, s);
}

template <class F> struct Signature;
template <class... Ps> struct Signature<HRESULT (MrvDIOCtrl::*)(Ps...)> {
    using Params = std::tuple<Ps...>;
};

template <auto Fn, Returns R, int32_t Unset, class... Ps, size_t... I>
HRESULT InvokeWith(MrvDIOCtrl& self, const Args& a, [[maybe_unused]] VARIANT* result,
                   [[maybe_unused]] bool property, std::tuple<Ps...>*, std::index_sequence<I...>) {
    constexpr size_t n = sizeof...(Ps);
    constexpr bool outs[] = {Param<Ps>::kOut..., false};
    static_assert(R == Returns::None || (n > 0 && outs[n - 1]), "the result is an output");
    constexpr size_t resultIndex = R == Returns::Last ? n - 1 : n;
    constexpr uint32_t inputs = ((Param<Ps>::kOut ? 0u : 1u) + ... + 0u);
    constexpr uint32_t positional = static_cast<uint32_t>(R == Returns::Last ? n - 1 : n);
    HRESULT hr = a.Count(inputs, positional);
    if (FAILED(hr))
        return hr;
    std::tuple<typename Param<Ps>::Slot...> values{InitialSlot<Ps, Unset>()...};
    const bool unpacked =
        ((I == resultIndex || SUCCEEDED(hr = Param<Ps>::Unpack(a, I, &std::get<I>(values)))) &&
         ...);
    if (!unpacked)
        return hr;
    hr = (self.*Fn)(Param<Ps>::Pass(a, I, I == resultIndex, std::get<I>(values))...);
    (StoreSlot<Ps>(a, I, I == resultIndex, result, property, hr, std::get<I>(values)), ...);
    return hr;
}

using Invoker = HRESULT (*)(MrvDIOCtrl& self, const Args& a, VARIANT* result, bool property);

// Calls member Fn with the arguments unpacked from its signature. `Unset`:
// what an int32_t output the member did not write comes back as.
template <auto Fn, Returns R = Returns::Last, int32_t Unset = 0>
HRESULT Invoke(MrvDIOCtrl& self, const Args& a, VARIANT* result, bool property) {
    using Params = typename Signature<decltype(Fn)>::Params;
    return InvokeWith<Fn, R, Unset>(self, a, result, property, static_cast<Params*>(nullptr),
                                    std::make_index_sequence<std::tuple_size_v<Params>>{});
}

// A property put: the one value, as the put member's parameter.
template <auto Fn> HRESULT InvokePut(MrvDIOCtrl& self, const Args& a, VARIANT*, bool) {
    using P = std::tuple_element_t<0, typename Signature<decltype(Fn)>::Params>;
    VARIANT* value = nullptr;
    HRESULT hr = a.PutValue(&value);
    if (FAILED(hr))
        return hr;
    typename Param<P>::Slot v{};
    if (FAILED(hr = Param<P>::Unpack(a, 0, &v)))
        return hr;
    return (self.*Fn)(v);
}

// ------------------------------------------------------------- members

struct Member {
    const char* name;
    DISPID dispid;
    uint16_t flags; // DISPATCH_METHOD, or DISPATCH_PROPERTYGET (| DISPATCH_PROPERTYPUT)
    Invoker call;   // the method or the property get
    Invoker put;    // the property put, null when read-only
};

template <auto Fn, Returns R = Returns::Last, int32_t Unset = 0>
constexpr Member Method(const char* name, DISPID dispid) {
    return {name, dispid, DISPATCH_METHOD, &Invoke<Fn, R, Unset>, nullptr};
}

template <auto Get> constexpr Member Property(const char* name, DISPID dispid) {
    return {name, dispid, DISPATCH_PROPERTYGET, &Invoke<Get>, nullptr};
}

template <auto Get, auto Put> constexpr Member Property(const char* name, DISPID dispid) {
    return {name, dispid, DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT, &Invoke<Get>,
            &InvokePut<Put>};
}

using C = MrvDIOCtrl;
constexpr Returns kNoResult = Returns::None;

const Member kMembers[] = {
    Property<&C::get_DeviceNumber, &C::put_DeviceNumber>("DeviceNumber", DISPID_DeviceNumber),
    Property<&C::get_DeviceName>("DeviceName", DISPID_DeviceName),
    Property<&C::get_LastErrorCode, &C::put_LastErrorCode>("LastErrorCode", DISPID_LastErrorCode),
    Property<&C::get_LastErrorMessage, &C::put_LastErrorMessage>("LastErrorMessage",
                                                                 DISPID_LastErrorMessage),
    Property<&C::get_DiChannelCount>("DiChannelCount", DISPID_DiChannelCount),
    Property<&C::get_DiPortCount>("DiPortCount", DISPID_DiPortCount),
    Property<&C::get_DoChannelCount>("DoChannelCount", DISPID_DoChannelCount),
    Property<&C::get_DoPortCount>("DoPortCount", DISPID_DoPortCount),
    Property<&C::get_EventEnabled, &C::put_EventEnabled>("EventEnabled", DISPID_EventEnabled),
    Method<&C::SelectDevice>("SelectDevice", DISPID_SelectDevice),
    // A device number the member could not hand out is -1, "no device".
    Method<&C::GetDeviceListFirst, kNoResult, -1>("GetDeviceListFirst", DISPID_GetDeviceListFirst),
    Method<&C::GetDeviceListNext, kNoResult, -1>("GetDeviceListNext", DISPID_GetDeviceListNext),
    Method<&C::ReadDiChannel>("ReadDiChannel", DISPID_ReadDiChannel),
    Method<&C::ReadDiPorts>("ReadDiPorts", DISPID_ReadDiPorts),
    Method<&C::ReadDoPorts>("ReadDoPorts", DISPID_ReadDoPorts),
    Method<&C::WriteDoChannel>("WriteDoChannel", DISPID_WriteDoChannel),
    Method<&C::WriteDoPorts>("WriteDoPorts", DISPID_WriteDoPorts),
    Method<&C::GetPortDirection>("GetPortDirection", DISPID_GetPortDirection),
    Method<&C::SetPortDirection>("SetPortDirection", DISPID_SetPortDirection),
    Method<&C::SetDiInterrupt>("SetDiInterrupt", DISPID_SetDiInterrupt),
    Method<&C::EnableDiInterrupt, kNoResult>("EnableDiInterrupt", DISPID_EnableDiInterrupt),
    Method<&C::AssignDiInterruptDiScanRange>("AssignDiInterruptDiScanRange",
                                             DISPID_AssignDiInterruptDiScanRange),
    Method<&C::SetDiPatternMatch>("SetDiPatternMatch", DISPID_SetDiPatternMatch),
    Method<&C::EnableDiPatternMatch, kNoResult>("EnableDiPatternMatch",
                                                DISPID_EnableDiPatternMatch),
    Method<&C::AssignDiPatternMatchDiScanRange>("AssignDiPatternMatchDiScanRange",
                                                DISPID_AssignDiPatternMatchDiScanRange),
    Method<&C::SetDiStatusChange>("SetDiStatusChange", DISPID_SetDiStatusChange),
    Method<&C::EnableDiStatusChange, kNoResult>("EnableDiStatusChange",
                                                DISPID_EnableDiStatusChange),
    Method<&C::AssignDiStatusChangeDiScanRange>("AssignDiStatusChangeDiScanRange",
                                                DISPID_AssignDiStatusChangeDiScanRange),
    Method<&C::ReadDoChannel>("ReadDoChannel", DISPID_ReadDoChannel),
    Method<&C::GetDiInterruptSetting>("GetDiInterruptSetting", DISPID_GetDiInterruptSetting),
    Method<&C::GetDiPatternMatchSetting>("GetDiPatternMatchSetting",
                                         DISPID_GetDiPatternMatchSetting),
    Method<&C::GetDiStatusChangeSetting>("GetDiStatusChangeSetting",
                                         DISPID_GetDiStatusChangeSetting),
    Method<&C::GetDioPortCount>("GetDioPortCount", DISPID_GetDioPortCount),
    Method<&C::GetDioPortType, kNoResult>("GetDioPortType", DISPID_GetDioPortType),
    Method<&C::GetDioChannelDirection, kNoResult>("GetDioChannelDirection",
                                                  DISPID_GetDioChannelDirection),
    Method<&C::GetPatternMatchPortNumber>("GetPatternMatchPortNumber",
                                          DISPID_GetPatternMatchPortNumber),
    Method<&C::GetDiStatusChangePort>("GetDiStatusChangePort", DISPID_GetDiStatusChangePort),
    Method<&C::GetDiPatternPortInfo, kNoResult>("GetDiPatternPortInfo",
                                                DISPID_GetDiPatternPortInfo),
    Method<&C::GetDiStatusPortInfo, kNoResult>("GetDiStatusPortInfo", DISPID_GetDiStatusPortInfo),
    Method<&C::AboutBox, kNoResult>("AboutBox", DISPID_AboutBox),
};

const Member* FindMember(DISPID dispid) {
    for (const Member& m : kMembers)
        if (m.dispid == dispid)
            return &m;
    return nullptr;
}

bool IsGet(uint16_t flags) {
    return flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD);
}
bool IsPut(uint16_t flags) {
    return flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
}
bool IsCall(uint16_t flags) {
    return flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET);
}

} // namespace

HRESULT MrvDIOCtrl::GetTypeInfoCount(uint32_t* count) {
    if (!count)
        return E_POINTER;
    *count = 0; // members are found by name through GetIDsOfNames
    return S_OK;
}

HRESULT MrvDIOCtrl::GetTypeInfo(uint32_t, LCID, void** typeInfo) {
    if (typeInfo)
        *typeInfo = nullptr;
    return E_NOTIMPL;
}

HRESULT MrvDIOCtrl::GetIDsOfNames(const IID& iid, const char16_t** names, uint32_t count, LCID,
                                  DISPID* dispids) {
    if (iid != GUID_NULL)
        return DISP_E_UNKNOWNINTERFACE;
    if (!names || !dispids || count == 0)
        return E_POINTER;
    HRESULT hr = S_OK;
    // The first name is the member; argument names are not known.
    dispids[0] = DISPID_UNKNOWN;
    if (names[0]) {
        for (const Member& m : kMembers) {
            if (SameName(names[0], m.name)) {
                dispids[0] = m.dispid;
                break;
            }
        }
    }
    if (dispids[0] == DISPID_UNKNOWN)
        hr = DISP_E_UNKNOWNNAME;
    for (uint32_t i = 1; i < count; ++i) {
        dispids[i] = DISPID_UNKNOWN;
        hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

HRESULT MrvDIOCtrl::Invoke(DISPID member, const IID& iid, LCID, uint16_t flags, DISPPARAMS* params,
                           VARIANT* result, EXCEPINFO* excepInfo, uint32_t* argErr) {
    if (iid != GUID_NULL)
        return DISP_E_UNKNOWNINTERFACE;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    if (!params)
        params = &none;
    if (params->cArgs && !params->rgvarg)
        return E_INVALIDARG;
    if (params->cNamedArgs > params->cArgs || (params->cNamedArgs && !params->rgdispidNamedArgs))
        return E_INVALIDARG;
    VARIANT local;
    VariantInit(&local);
    VARIANT* out = result ? result : &local;
    VariantInit(out);
    const unsigned long serial = ErrorInfoSerial();
    HRESULT hr = InvokeMember(member, flags, params, out, argErr);
    if (!result)
        VariantClear(&local);
    if (FAILED(hr) && excepInfo && ErrorInfoSerial() != serial) {
        // The member failed and posted its error: hand it over as exception.
        std::u16string description;
        std::string source;
        if (TakeErrorInfo(&description, &source)) {
            std::memset(excepInfo, 0, sizeof(EXCEPINFO));
            excepInfo->bstrSource = SysAllocStringUtf8(source);
            excepInfo->bstrDescription =
                SysAllocStringLen(description.data(), static_cast<uint32_t>(description.size()));
            excepInfo->scode = hr;
            return DISP_E_EXCEPTION;
        }
    }
    return hr;
}

HRESULT MrvDIOCtrl::InvokeMember(DISPID member, uint16_t flags, DISPPARAMS* params, VARIANT* result,
                                 uint32_t* argErr) {
    const Member* m = FindMember(member);
    if (!m)
        return DISP_E_MEMBERNOTFOUND;
    const Args a(params, argErr);
    if (m->flags & DISPATCH_METHOD)
        return IsCall(flags) ? m->call(*this, a, result, false) : DISP_E_MEMBERNOTFOUND;
    if (IsPut(flags))
        return m->put ? m->put(*this, a, result, false) : DISP_E_MEMBERNOTFOUND;
    if (!IsGet(flags))
        return DISP_E_MEMBERNOTFOUND;
    return m->call(*this, a, result, true);
}

} // namespace mrvdio

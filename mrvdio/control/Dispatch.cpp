// The automation side of the control: names to dispatch identifiers, and
// Invoke, which unpacks the arguments of each IMrvDIO member, calls it and
// packs its results.

#include "control/Module.h"
#include "control/MrvDIOCtrl.h"
#include "mrvdio/Variant.h"

#include <cstdlib>
#include <string_view>

namespace mrvdio {

namespace {

struct NameEntry {
    const char* name;
    DISPID dispid;
};

constexpr NameEntry kNames[] = {
    {"DeviceNumber", DISPID_DeviceNumber},
    {"DeviceName", DISPID_DeviceName},
    {"LastErrorCode", DISPID_LastErrorCode},
    {"LastErrorMessage", DISPID_LastErrorMessage},
    {"DiChannelCount", DISPID_DiChannelCount},
    {"DiPortCount", DISPID_DiPortCount},
    {"DoChannelCount", DISPID_DoChannelCount},
    {"DoPortCount", DISPID_DoPortCount},
    {"EventEnabled", DISPID_EventEnabled},
    {"SelectDevice", DISPID_SelectDevice},
    {"GetDeviceListFirst", DISPID_GetDeviceListFirst},
    {"GetDeviceListNext", DISPID_GetDeviceListNext},
    {"ReadDiChannel", DISPID_ReadDiChannel},
    {"ReadDiPorts", DISPID_ReadDiPorts},
    {"ReadDoPorts", DISPID_ReadDoPorts},
    {"WriteDoChannel", DISPID_WriteDoChannel},
    {"WriteDoPorts", DISPID_WriteDoPorts},
    {"GetPortDirection", DISPID_GetPortDirection},
    {"SetPortDirection", DISPID_SetPortDirection},
    {"SetDiInterrupt", DISPID_SetDiInterrupt},
    {"EnableDiInterrupt", DISPID_EnableDiInterrupt},
    {"AssignDiInterruptDiScanRange", DISPID_AssignDiInterruptDiScanRange},
    {"SetDiPatternMatch", DISPID_SetDiPatternMatch},
    {"EnableDiPatternMatch", DISPID_EnableDiPatternMatch},
    {"AssignDiPatternMatchDiScanRange", DISPID_AssignDiPatternMatchDiScanRange},
    {"SetDiStatusChange", DISPID_SetDiStatusChange},
    {"EnableDiStatusChange", DISPID_EnableDiStatusChange},
    {"AssignDiStatusChangeDiScanRange", DISPID_AssignDiStatusChangeDiScanRange},
    {"ReadDoChannel", DISPID_ReadDoChannel},
    {"GetDiInterruptSetting", DISPID_GetDiInterruptSetting},
    {"GetDiPatternMatchSetting", DISPID_GetDiPatternMatchSetting},
    {"GetDiStatusChangeSetting", DISPID_GetDiStatusChangeSetting},
    {"GetDioPortCount", DISPID_GetDioPortCount},
    {"GetDioPortType", DISPID_GetDioPortType},
    {"GetDioChannelDirection", DISPID_GetDioChannelDirection},
    {"GetPatternMatchPortNumber", DISPID_GetPatternMatchPortNumber},
    {"GetDiStatusChangePort", DISPID_GetDiStatusChangePort},
    {"GetDiPatternPortInfo", DISPID_GetDiPatternPortInfo},
    {"GetDiStatusPortInfo", DISPID_GetDiStatusPortInfo},
    {"AboutBox", DISPID_AboutBox},
};

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
        for (const NameEntry& e : kNames) {
            if (SameName(names[0], e.name)) {
                dispids[0] = e.dispid;
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
    Args a(params, argErr);
    HRESULT hr = S_OK;

    // Property with get (int32) and maybe put.
    auto intProperty = [&](HRESULT (MrvDIOCtrl::*get)(int32_t*),
                           HRESULT (MrvDIOCtrl::*put)(int32_t)) -> HRESULT {
        if (IsPut(flags)) {
            if (!put)
                return DISP_E_MEMBERNOTFOUND;
            VARIANT* value = nullptr;
            if (FAILED(hr = a.PutValue(&value)))
                return hr;
            int32_t v = 0;
            if (FAILED(hr = a.IntOf(value, 0, &v)))
                return hr;
            return (this->*put)(v);
        }
        if (!IsGet(flags))
            return DISP_E_MEMBERNOTFOUND;
        if (FAILED(hr = a.Count(0, 0)))
            return hr;
        int32_t v = 0;
        hr = (this->*get)(&v);
        if (SUCCEEDED(hr))
            SetResultInt(result, v);
        return hr;
    };
    // Method (channel/port in) → int32 result.
    auto intOfInt = [&](HRESULT (MrvDIOCtrl::*fn)(int32_t, int32_t*)) -> HRESULT {
        if (!IsCall(flags))
            return DISP_E_MEMBERNOTFOUND;
        if (FAILED(hr = a.Count(1, 1)))
            return hr;
        int32_t in = 0;
        if (FAILED(hr = a.Int(0, &in)))
            return hr;
        int32_t v = 0;
        hr = (this->*fn)(in, &v);
        SetResultInt(result, v);
        return hr;
    };
    // Byte buffer, start, count → pResult.
    auto ports =
        [&](HRESULT (MrvDIOCtrl::*fn)(VARIANT*, int32_t, int32_t, VARIANT_BOOL*)) -> HRESULT {
        if (!IsCall(flags))
            return DISP_E_MEMBERNOTFOUND;
        if (FAILED(hr = a.Count(3, 3)))
            return hr;
        int32_t start = 0, count = 0;
        if (FAILED(hr = a.Int(1, &start)) || FAILED(hr = a.Int(2, &count)))
            return hr;
        VARIANT_BOOL r = 0;
        hr = (this->*fn)(a.Missing(0) ? nullptr : a.Buffer(0), start, count, &r);
        SetResultBool(result, r);
        return hr;
    };
    // Ints in → pResult.
    auto boolOfInts = [&](auto call, uint32_t n) -> HRESULT {
        if (!IsCall(flags))
            return DISP_E_MEMBERNOTFOUND;
        if (FAILED(hr = a.Count(n, n)))
            return hr;
        int32_t in[3] = {0, 0, 0};
        for (uint32_t i = 0; i < n; ++i)
            if (FAILED(hr = a.Int(i, &in[i])))
                return hr;
        VARIANT_BOOL r = 0;
        hr = call(in, &r);
        SetResultBool(result, r);
        return hr;
    };
    // (int, bool) in, nothing out.
    auto enable = [&](HRESULT (MrvDIOCtrl::*fn)(int32_t, VARIANT_BOOL)) -> HRESULT {
        if (!IsCall(flags))
            return DISP_E_MEMBERNOTFOUND;
        if (FAILED(hr = a.Count(2, 2)))
            return hr;
        int32_t index = 0;
        VARIANT_BOOL on = 0;
        if (FAILED(hr = a.Int(0, &index)) || FAILED(hr = a.Bool(1, &on)))
            return hr;
        return (this->*fn)(index, on);
    };
    // Count getters without checks.
    auto count = [&](HRESULT (MrvDIOCtrl::*fn)(int32_t*)) -> HRESULT {
        if (!IsCall(flags))
            return DISP_E_MEMBERNOTFOUND;
        if (FAILED(hr = a.Count(0, 0)))
            return hr;
        int32_t v = 0;
        hr = (this->*fn)(&v);
        SetResultInt(result, v);
        return hr;
    };
    // Port in → two int32 out by reference.
    auto portInfo = [&](HRESULT (MrvDIOCtrl::*fn)(int32_t, int32_t*, int32_t*)) -> HRESULT {
        if (!IsCall(flags))
            return DISP_E_MEMBERNOTFOUND;
        if (FAILED(hr = a.Count(1, 3)))
            return hr;
        int32_t port = 0;
        if (FAILED(hr = a.Int(0, &port)) || FAILED(hr = a.CheckOut(1, VT_I4)) ||
            FAILED(hr = a.CheckOut(2, VT_I4)))
            return hr;
        int32_t chan = 0, mask = 0;
        hr = (this->*fn)(port, a.Missing(1) ? nullptr : &chan, a.Missing(2) ? nullptr : &mask);
        a.SetInt(1, chan);
        a.SetInt(2, mask);
        return hr;
    };
    // Device list: two out parameters by reference.
    auto deviceList = [&](HRESULT (MrvDIOCtrl::*fn)(BSTR*, int32_t*)) -> HRESULT {
        if (!IsCall(flags))
            return DISP_E_MEMBERNOTFOUND;
        if (FAILED(hr = a.Count(0, 2)))
            return hr;
        if (FAILED(hr = a.CheckOut(0, VT_BSTR)) || FAILED(hr = a.CheckOut(1, VT_I4)))
            return hr;
        BSTR name = nullptr;
        int32_t number = -1;
        hr = (this->*fn)(a.Missing(0) ? nullptr : &name, a.Missing(1) ? nullptr : &number);
        a.SetStr(0, name);
        a.SetInt(1, number);
        return hr;
    };
    // Setting buffer in/out, nothing else.
    auto setting = [&](HRESULT (MrvDIOCtrl::*fn)(VARIANT*)) -> HRESULT {
        if (!IsCall(flags))
            return DISP_E_MEMBERNOTFOUND;
        if (FAILED(hr = a.Count(1, 1)))
            return hr;
        return (this->*fn)(a.Buffer(0));
    };

    switch (member) {
    case DISPID_DeviceNumber:
        return intProperty(&MrvDIOCtrl::get_DeviceNumber, &MrvDIOCtrl::put_DeviceNumber);
    case DISPID_DeviceName:
        if (IsPut(flags) || !IsGet(flags))
            return DISP_E_MEMBERNOTFOUND;
        if (FAILED(hr = a.Count(0, 0)))
            return hr;
        {
            BSTR s = nullptr;
            hr = get_DeviceName(&s);
            if (SUCCEEDED(hr))
                SetResultStr(result, s);
            return hr;
        }
    case DISPID_LastErrorCode:
        return intProperty(&MrvDIOCtrl::get_LastErrorCode, &MrvDIOCtrl::put_LastErrorCode);
    case DISPID_LastErrorMessage:
        if (IsPut(flags)) {
            VARIANT* value = nullptr;
            if (FAILED(hr = a.PutValue(&value)))
                return hr;
            const VARIANT* v = value;
            if (v->vt == (VT_BYREF | VT_VARIANT) && v->pvarVal)
                v = v->pvarVal;
            if (v->vt == VT_BSTR)
                return put_LastErrorMessage(v->bstrVal);
            if (v->vt == (VT_BYREF | VT_BSTR))
                return put_LastErrorMessage(*v->pbstrVal);
            if (argErr)
                *argErr = 0;
            return DISP_E_TYPEMISMATCH;
        }
        if (!IsGet(flags))
            return DISP_E_MEMBERNOTFOUND;
        if (FAILED(hr = a.Count(0, 0)))
            return hr;
        {
            BSTR s = nullptr;
            hr = get_LastErrorMessage(&s);
            if (SUCCEEDED(hr))
                SetResultStr(result, s);
            return hr;
        }
    case DISPID_DiChannelCount:
        return intProperty(&MrvDIOCtrl::get_DiChannelCount, nullptr);
    case DISPID_DiPortCount:
        return intProperty(&MrvDIOCtrl::get_DiPortCount, nullptr);
    case DISPID_DoChannelCount:
        return intProperty(&MrvDIOCtrl::get_DoChannelCount, nullptr);
    case DISPID_DoPortCount:
        return intProperty(&MrvDIOCtrl::get_DoPortCount, nullptr);
    case DISPID_EventEnabled:
        if (IsPut(flags)) {
            VARIANT* value = nullptr;
            if (FAILED(hr = a.PutValue(&value)))
                return hr;
            int32_t v = 0;
            if (FAILED(hr = a.IntOf(value, 0, &v)))
                return hr;
            return put_EventEnabled(static_cast<VARIANT_BOOL>(v));
        }
        if (!IsGet(flags))
            return DISP_E_MEMBERNOTFOUND;
        if (FAILED(hr = a.Count(0, 0)))
            return hr;
        {
            VARIANT_BOOL v = 0;
            hr = get_EventEnabled(&v);
            if (SUCCEEDED(hr))
                SetResultBool(result, v);
            return hr;
        }
    case DISPID_SelectDevice:
        if (!IsCall(flags))
            return DISP_E_MEMBERNOTFOUND;
        if (FAILED(hr = a.Count(0, 0)))
            return hr;
        {
            VARIANT_BOOL r = 0;
            hr = SelectDevice(&r);
            SetResultBool(result, r);
            return hr;
        }
    case DISPID_GetDeviceListFirst:
        return deviceList(&MrvDIOCtrl::GetDeviceListFirst);
    case DISPID_GetDeviceListNext:
        return deviceList(&MrvDIOCtrl::GetDeviceListNext);
    case DISPID_ReadDiChannel:
        return intOfInt(&MrvDIOCtrl::ReadDiChannel);
    case DISPID_ReadDiPorts:
        return ports(&MrvDIOCtrl::ReadDiPorts);
    case DISPID_ReadDoPorts:
        return ports(&MrvDIOCtrl::ReadDoPorts);
    case DISPID_WriteDoChannel:
        return boolOfInts(
            [this](int32_t* in, VARIANT_BOOL* r) { return WriteDoChannel(in[0], in[1], r); }, 2);
    case DISPID_WriteDoPorts:
        return ports(&MrvDIOCtrl::WriteDoPorts);
    case DISPID_GetPortDirection:
        return intOfInt(&MrvDIOCtrl::GetPortDirection);
    case DISPID_SetPortDirection:
        return boolOfInts(
            [this](int32_t* in, VARIANT_BOOL* r) { return SetPortDirection(in[0], in[1], r); }, 2);
    case DISPID_SetDiInterrupt:
        return boolOfInts(
            [this](int32_t* in, VARIANT_BOOL* r) { return SetDiInterrupt(in[0], in[1], r); }, 2);
    case DISPID_EnableDiInterrupt:
        return enable(&MrvDIOCtrl::EnableDiInterrupt);
    case DISPID_AssignDiInterruptDiScanRange:
        return boolOfInts(
            [this](int32_t* in, VARIANT_BOOL* r) {
                return AssignDiInterruptDiScanRange(in[0], in[1], in[2], r);
            },
            3);
    case DISPID_SetDiPatternMatch:
        return boolOfInts(
            [this](int32_t* in, VARIANT_BOOL* r) {
                return SetDiPatternMatch(in[0], in[1], in[2], r);
            },
            3);
    case DISPID_EnableDiPatternMatch:
        return enable(&MrvDIOCtrl::EnableDiPatternMatch);
    case DISPID_AssignDiPatternMatchDiScanRange:
        return boolOfInts(
            [this](int32_t* in, VARIANT_BOOL* r) {
                return AssignDiPatternMatchDiScanRange(in[0], in[1], in[2], r);
            },
            3);
    case DISPID_SetDiStatusChange:
        return boolOfInts(
            [this](int32_t* in, VARIANT_BOOL* r) { return SetDiStatusChange(in[0], in[1], r); }, 2);
    case DISPID_EnableDiStatusChange:
        return enable(&MrvDIOCtrl::EnableDiStatusChange);
    case DISPID_AssignDiStatusChangeDiScanRange:
        return boolOfInts(
            [this](int32_t* in, VARIANT_BOOL* r) {
                return AssignDiStatusChangeDiScanRange(in[0], in[1], in[2], r);
            },
            3);
    case DISPID_ReadDoChannel:
        return intOfInt(&MrvDIOCtrl::ReadDoChannel);
    case DISPID_GetDiInterruptSetting: {
        // (channel, enabled, trigger, scanStart, scanCount) → pResult
        if (!IsCall(flags))
            return DISP_E_MEMBERNOTFOUND;
        if (FAILED(hr = a.Count(1, 5)))
            return hr;
        int32_t channel = 0;
        if (FAILED(hr = a.Int(0, &channel)) || FAILED(hr = a.CheckOut(1, VT_BOOL)))
            return hr;
        for (uint32_t i = 2; i <= 4; ++i)
            if (FAILED(hr = a.CheckOut(i, VT_I4)))
                return hr;
        VARIANT_BOOL enabled = 0, r = 0;
        int32_t trigger = 0, start = 0, cnt = 0;
        hr = GetDiInterruptSetting(
            channel, a.Missing(1) ? nullptr : &enabled, a.Missing(2) ? nullptr : &trigger,
            a.Missing(3) ? nullptr : &start, a.Missing(4) ? nullptr : &cnt, &r);
        a.SetBool(1, enabled);
        a.SetInt(2, trigger);
        a.SetInt(3, start);
        a.SetInt(4, cnt);
        SetResultBool(result, r);
        return hr;
    }
    case DISPID_GetDiPatternMatchSetting: {
        // (port, mask, pattern, enabled, scanStart, scanCount) → pResult
        if (!IsCall(flags))
            return DISP_E_MEMBERNOTFOUND;
        if (FAILED(hr = a.Count(1, 6)))
            return hr;
        int32_t port = 0;
        if (FAILED(hr = a.Int(0, &port)) || FAILED(hr = a.CheckOut(1, VT_I4)) ||
            FAILED(hr = a.CheckOut(2, VT_I4)) || FAILED(hr = a.CheckOut(3, VT_BOOL)) ||
            FAILED(hr = a.CheckOut(4, VT_I4)) || FAILED(hr = a.CheckOut(5, VT_I4)))
            return hr;
        int32_t mask = 0, pattern = 0, start = 0, cnt = 0;
        VARIANT_BOOL enabled = 0, r = 0;
        hr = GetDiPatternMatchSetting(
            port, a.Missing(1) ? nullptr : &mask, a.Missing(2) ? nullptr : &pattern,
            a.Missing(3) ? nullptr : &enabled, a.Missing(4) ? nullptr : &start,
            a.Missing(5) ? nullptr : &cnt, &r);
        a.SetInt(1, mask);
        a.SetInt(2, pattern);
        a.SetBool(3, enabled);
        a.SetInt(4, start);
        a.SetInt(5, cnt);
        SetResultBool(result, r);
        return hr;
    }
    case DISPID_GetDiStatusChangeSetting: {
        // (port, mask, enabled, scanStart, scanCount) → pResult
        if (!IsCall(flags))
            return DISP_E_MEMBERNOTFOUND;
        if (FAILED(hr = a.Count(1, 5)))
            return hr;
        int32_t port = 0;
        if (FAILED(hr = a.Int(0, &port)) || FAILED(hr = a.CheckOut(1, VT_I4)) ||
            FAILED(hr = a.CheckOut(2, VT_BOOL)) || FAILED(hr = a.CheckOut(3, VT_I4)) ||
            FAILED(hr = a.CheckOut(4, VT_I4)))
            return hr;
        int32_t mask = 0, start = 0, cnt = 0;
        VARIANT_BOOL enabled = 0, r = 0;
        hr = GetDiStatusChangeSetting(
            port, a.Missing(1) ? nullptr : &mask, a.Missing(2) ? nullptr : &enabled,
            a.Missing(3) ? nullptr : &start, a.Missing(4) ? nullptr : &cnt, &r);
        a.SetInt(1, mask);
        a.SetBool(2, enabled);
        a.SetInt(3, start);
        a.SetInt(4, cnt);
        SetResultBool(result, r);
        return hr;
    }
    case DISPID_GetDioPortCount:
        return count(&MrvDIOCtrl::GetDioPortCount);
    case DISPID_GetDioPortType:
        return setting(&MrvDIOCtrl::GetDioPortType);
    case DISPID_GetDioChannelDirection:
        return setting(&MrvDIOCtrl::GetDioChannelDirection);
    case DISPID_GetPatternMatchPortNumber:
        return count(&MrvDIOCtrl::GetPatternMatchPortNumber);
    case DISPID_GetDiStatusChangePort:
        return count(&MrvDIOCtrl::GetDiStatusChangePort);
    case DISPID_GetDiPatternPortInfo:
        return portInfo(&MrvDIOCtrl::GetDiPatternPortInfo);
    case DISPID_GetDiStatusPortInfo:
        return portInfo(&MrvDIOCtrl::GetDiStatusPortInfo);
    case DISPID_AboutBox:
        if (!IsCall(flags))
            return DISP_E_MEMBERNOTFOUND;
        if (FAILED(hr = a.Count(0, 0)))
            return hr;
        return AboutBox();
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
}

} // namespace mrvdio

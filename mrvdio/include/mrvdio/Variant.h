#pragma once

// Helpers over the ABI types: byte arrays, VARIANT life cycle, and small
// RAII wrappers (ComPtr, Variant, Bstr) for C++ hosts and the library.

#include "mrvdio/ComBase.h"

#include <utility>
#include <vector>

// ------------------------------------------------------------ byte arrays

// A new one-dimensional array of cElements bytes (zeroed) with lower bound
// lLbound. Only VT_UI1 is supported; null for another type or no memory.
inline SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, int32_t lLbound, uint32_t cElements) {
    if (vt != VT_UI1)
        return nullptr;
    size_t header = sizeof(SAFEARRAY);
    auto* raw = static_cast<unsigned char*>(std::calloc(1, header + cElements + 1));
    if (!raw)
        return nullptr;
    auto* sa = reinterpret_cast<SAFEARRAY*>(raw);
    sa->cDims = 1;
    sa->fFeatures = 0;
    sa->cbElements = 1;
    sa->cLocks = 0;
    sa->pvData = raw + header;
    sa->rgsabound[0].cElements = cElements;
    sa->rgsabound[0].lLbound = lLbound;
    return sa;
}

inline HRESULT SafeArrayDestroy(SAFEARRAY* sa) {
    std::free(sa);
    return S_OK;
}

inline HRESULT SafeArrayCopy(const SAFEARRAY* in, SAFEARRAY** out) {
    *out = nullptr;
    if (!in)
        return S_OK;
    if (in->cDims != 1 || in->cbElements != 1)
        return E_INVALIDARG;
    SAFEARRAY* sa =
        SafeArrayCreateVector(VT_UI1, in->rgsabound[0].lLbound, in->rgsabound[0].cElements);
    if (!sa)
        return E_OUTOFMEMORY;
    if (in->rgsabound[0].cElements)
        std::memcpy(sa->pvData, in->pvData, in->rgsabound[0].cElements);
    *out = sa;
    return S_OK;
}

inline uint32_t SafeArrayGetDim(const SAFEARRAY* sa) {
    return sa ? sa->cDims : 0;
}

// ---------------------------------------------------------------- VARIANT

inline void VariantInit(VARIANT* v) {
    std::memset(v, 0, sizeof(VARIANT));
}

// Frees what the variant owns (string, array, interface reference) and makes
// it empty. A by-reference variant owns nothing.
inline HRESULT VariantClear(VARIANT* v) {
    if (!v)
        return E_POINTER;
    if (!(v->vt & VT_BYREF)) {
        if (v->vt & VT_ARRAY)
            SafeArrayDestroy(v->parray);
        else if (v->vt == VT_BSTR)
            SysFreeString(v->bstrVal);
        else if ((v->vt == VT_UNKNOWN || v->vt == VT_DISPATCH) && v->punkVal)
            v->punkVal->Release();
    }
    VariantInit(v);
    return S_OK;
}

// Deep copy (strings and arrays duplicated, interfaces referenced). A
// by-reference source is copied as the by-reference value it is.
inline HRESULT VariantCopy(VARIANT* dest, const VARIANT* src) {
    if (!dest || !src)
        return E_POINTER;
    if (dest == src)
        return S_OK;
    VARIANT tmp = *src;
    if (!(src->vt & VT_BYREF)) {
        if (src->vt & VT_ARRAY) {
            HRESULT hr = SafeArrayCopy(src->parray, &tmp.parray);
            if (FAILED(hr))
                return hr;
        } else if (src->vt == VT_BSTR && src->bstrVal) {
            tmp.bstrVal = SysAllocStringLen(src->bstrVal, SysStringLen(src->bstrVal));
            if (!tmp.bstrVal)
                return E_OUTOFMEMORY;
        } else if ((src->vt == VT_UNKNOWN || src->vt == VT_DISPATCH) && src->punkVal) {
            src->punkVal->AddRef();
        }
    }
    VariantClear(dest);
    *dest = tmp;
    return S_OK;
}

// Frees a counted string array handed out by a member (the strings and the
// block) and empties it.
inline void FreeCountedStrings(CALPOLESTR* strings) {
    if (!strings)
        return;
    for (uint32_t i = 0; i < strings->cElems && strings->pElems; ++i)
        SysFreeString(strings->pElems[i]);
    std::free(strings->pElems);
    strings->cElems = 0;
    strings->pElems = nullptr;
}

// --------------------------------------------------------- RAII wrappers

namespace mrvdio {

template <class T> class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    explicit ComPtr(T* p, bool addRef = true)
        : p_(p) {
        if (p_ && addRef)
            p_->AddRef();
    }
    ComPtr(const ComPtr& o)
        : p_(o.p_) {
        if (p_)
            p_->AddRef();
    }
    ComPtr(ComPtr&& o) noexcept
        : p_(std::exchange(o.p_, nullptr)) {}
    ~ComPtr() { Reset(); }
    ComPtr& operator=(ComPtr o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }
    void Reset() {
        if (p_)
            std::exchange(p_, nullptr)->Release();
    }
    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For out parameters: releases what is held, then hands out the slot.
    T** Put() {
        Reset();
        return &p_;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }
    T* Detach() { return std::exchange(p_, nullptr); }

    template <class U> HRESULT As(const IID& iid, ComPtr<U>* out) const {
        if (!p_)
            return E_POINTER;
        return p_->QueryInterface(iid, out->PutVoid());
    }

private:
    T* p_ = nullptr;
};

// Owns one BSTR.
class Bstr {
public:
    Bstr() = default;
    explicit Bstr(const std::string& utf8)
        : s_(SysAllocStringUtf8(utf8)) {}
    explicit Bstr(const char16_t* text)
        : s_(SysAllocString(text)) {}
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    Bstr(Bstr&& o) noexcept
        : s_(std::exchange(o.s_, nullptr)) {}
    ~Bstr() { SysFreeString(s_); }
    BSTR Get() const { return s_; }
    BSTR* Put() {
        SysFreeString(s_);
        s_ = nullptr;
        return &s_;
    }
    BSTR Detach() { return std::exchange(s_, nullptr); }
    std::string Utf8() const { return BstrToUtf8(s_); }
    uint32_t Length() const { return SysStringLen(s_); }

private:
    BSTR s_ = nullptr;
};

// Owns one VARIANT (cleared on destruction).
class Variant {
public:
    Variant() { VariantInit(&v_); }
    Variant(const Variant& o) {
        VariantInit(&v_);
        VariantCopy(&v_, &o.v_);
    }
    Variant(Variant&& o) noexcept
        : v_(o.v_) {
        VariantInit(&o.v_);
    }
    Variant& operator=(Variant o) noexcept {
        std::swap(v_, o.v_);
        return *this;
    }
    ~Variant() { VariantClear(&v_); }

    static Variant Int(int32_t value) {
        Variant v;
        v.v_.vt = VT_I4;
        v.v_.lVal = value;
        return v;
    }
    static Variant Bool(bool value) {
        Variant v;
        v.v_.vt = VT_BOOL;
        v.v_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
        return v;
    }
    static Variant RawBool(VARIANT_BOOL value) {
        Variant v;
        v.v_.vt = VT_BOOL;
        v.v_.boolVal = value;
        return v;
    }
    static Variant String(const std::string& utf8) {
        Variant v;
        v.v_.vt = VT_BSTR;
        v.v_.bstrVal = SysAllocStringUtf8(utf8);
        return v;
    }
    // A direct byte array with the given lower bound.
    static Variant Bytes(const std::vector<uint8_t>& bytes, int32_t lowerBound = 0) {
        Variant v;
        SAFEARRAY* sa =
            SafeArrayCreateVector(VT_UI1, lowerBound, static_cast<uint32_t>(bytes.size()));
        if (sa) {
            if (!bytes.empty())
                std::memcpy(sa->pvData, bytes.data(), bytes.size());
            v.v_.vt = VT_ARRAY | VT_UI1;
            v.v_.parray = sa;
        }
        return v;
    }
    // A by-reference variant pointing at another (not owned).
    static Variant RefTo(VARIANT* target) {
        Variant v;
        v.v_.vt = VT_BYREF | VT_VARIANT;
        v.v_.pvarVal = target;
        return v;
    }

    VARIANT* Ptr() { return &v_; }
    const VARIANT* Ptr() const { return &v_; }
    VARTYPE Type() const { return v_.vt; }
    bool IsEmpty() const { return v_.vt == VT_EMPTY; }

    // The value as a 32-bit integer when it is one of the integer-like types
    // (directly or by reference); fallback otherwise.
    int32_t ToInt(int32_t fallback = 0) const {
        const VARIANT* p = &v_;
        if (p->vt == (VT_BYREF | VT_VARIANT) && p->pvarVal)
            p = p->pvarVal;
        switch (p->vt) {
        case VT_I4:
            return p->lVal;
        case VT_I2:
            return p->iVal;
        case VT_BOOL:
            return p->boolVal;
        case VT_UI1:
            return p->bVal;
        case VT_BYREF | VT_I4:
            return *p->plVal;
        case VT_BYREF | VT_I2:
            return *p->piVal;
        case VT_BYREF | VT_BOOL:
            return *p->pboolVal;
        default:
            return fallback;
        }
    }
    std::string ToUtf8() const {
        const VARIANT* p = &v_;
        if (p->vt == (VT_BYREF | VT_VARIANT) && p->pvarVal)
            p = p->pvarVal;
        if (p->vt == VT_BSTR)
            return BstrToUtf8(p->bstrVal);
        if (p->vt == (VT_BYREF | VT_BSTR))
            return BstrToUtf8(*p->pbstrVal);
        return {};
    }
    // The bytes of a byte array held directly or by reference; empty else.
    std::vector<uint8_t> ToBytes() const {
        const VARIANT* p = &v_;
        if (p->vt == (VT_BYREF | VT_VARIANT) && p->pvarVal)
            p = p->pvarVal;
        const SAFEARRAY* sa = nullptr;
        if (p->vt == (VT_ARRAY | VT_UI1))
            sa = p->parray;
        else if (p->vt == (VT_BYREF | VT_ARRAY | VT_UI1) && p->pparray)
            sa = *p->pparray;
        if (!sa || sa->cDims != 1)
            return {};
        auto* d = static_cast<const uint8_t*>(sa->pvData);
        return std::vector<uint8_t>(d, d + sa->rgsabound[0].cElements);
    }
    int32_t LowerBound() const {
        const VARIANT* p = &v_;
        if (p->vt == (VT_BYREF | VT_VARIANT) && p->pvarVal)
            p = p->pvarVal;
        if (p->vt == (VT_ARRAY | VT_UI1) && p->parray)
            return p->parray->rgsabound[0].lLbound;
        return 0;
    }

private:
    VARIANT v_;
};

} // namespace mrvdio

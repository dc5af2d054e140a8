#pragma once

// The small component-object ABI shared by the MrvDIO library and its hosts.
//
// Interfaces are C++ abstract classes (one vtable each, no data, no
// exceptions); the library's entry points are extern "C". Strings (BSTR) and
// byte arrays (SAFEARRAY) are allocated with malloc in a fixed layout, so
// either side may free what the other allocated with the inline helpers
// below. Every call returns an HRESULT; nothing throws across the boundary.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#if defined(__GNUC__)
#define MRVDIO_EXPORT __attribute__((visibility("default")))
#else
#define MRVDIO_EXPORT
#endif

// ---------------------------------------------------------------- results

typedef int32_t HRESULT;
typedef int32_t DISPID;
typedef uint32_t LCID;
typedef uint16_t VARTYPE;
typedef int16_t VARIANT_BOOL;

#define MRV_HR(x) static_cast<HRESULT>(static_cast<uint32_t>(x))

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = MRV_HR(0x80004001);
constexpr HRESULT E_NOINTERFACE = MRV_HR(0x80004002);
constexpr HRESULT E_POINTER = MRV_HR(0x80004003);
constexpr HRESULT E_FAIL = MRV_HR(0x80004005);
constexpr HRESULT E_UNEXPECTED = MRV_HR(0x8000FFFF);
constexpr HRESULT E_OUTOFMEMORY = MRV_HR(0x8007000E);
constexpr HRESULT E_INVALIDARG = MRV_HR(0x80070057);
constexpr HRESULT CLASS_E_NOAGGREGATION = MRV_HR(0x80040110);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = MRV_HR(0x80040111);
constexpr HRESULT REGDB_E_CLASSNOTREG = MRV_HR(0x80040154);
constexpr HRESULT CO_E_DLLNOTFOUND = MRV_HR(0x8004F001);
constexpr HRESULT CO_E_ERRORINDLL = MRV_HR(0x800401F9);
constexpr HRESULT CONNECT_E_NOCONNECTION = MRV_HR(0x80040200);
constexpr HRESULT CONNECT_E_CANNOTCONNECT = MRV_HR(0x80040202);
constexpr HRESULT SELFREG_E_TYPELIB = MRV_HR(0x80040200);
constexpr HRESULT SELFREG_E_CLASS = MRV_HR(0x80040201);
constexpr HRESULT DISP_E_UNKNOWNINTERFACE = MRV_HR(0x80020001);
constexpr HRESULT DISP_E_MEMBERNOTFOUND = MRV_HR(0x80020003);
constexpr HRESULT DISP_E_PARAMNOTFOUND = MRV_HR(0x80020004);
constexpr HRESULT DISP_E_TYPEMISMATCH = MRV_HR(0x80020005);
constexpr HRESULT DISP_E_UNKNOWNNAME = MRV_HR(0x80020006);
constexpr HRESULT DISP_E_EXCEPTION = MRV_HR(0x80020009);
constexpr HRESULT DISP_E_BADPARAMCOUNT = MRV_HR(0x8002000E);
constexpr HRESULT DISP_E_PARAMNOTOPTIONAL = MRV_HR(0x8002000F);
constexpr HRESULT STG_E_WRITEFAULT = MRV_HR(0x8003001D);
constexpr HRESULT STG_E_READFAULT = MRV_HR(0x8003001E);
constexpr HRESULT STG_E_MEDIUMFULL = MRV_HR(0x80030070);
constexpr HRESULT STG_E_DOCFILECORRUPT = MRV_HR(0x80030109);
constexpr HRESULT PERPROP_E_NOPAGEAVAILABLE = MRV_HR(0x80040200);

inline bool SUCCEEDED(HRESULT hr) {
    return hr >= 0;
}
inline bool FAILED(HRESULT hr) {
    return hr < 0;
}

constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;
constexpr LCID LOCALE_USER_DEFAULT = 0x400;

// ------------------------------------------------------------------ GUIDs

struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
};
typedef GUID IID;
typedef GUID CLSID;

inline bool operator==(const GUID& a, const GUID& b) {
    return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}
inline bool operator!=(const GUID& a, const GUID& b) {
    return !(a == b);
}

constexpr GUID GUID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};

// "{8141E3A6-DC17-4EF9-9B84-1339EFCBAD39}" (upper-case hex, with braces).
inline std::string GuidToString(const GUID& g) {
    static const char* hex = "0123456789ABCDEF";
    std::string s = "{";
    auto put = [&](uint64_t v, int digits) {
        for (int i = digits - 1; i >= 0; --i)
            s += hex[(v >> (4 * i)) & 0xF];
    };
    put(g.Data1, 8);
    s += '-';
    put(g.Data2, 4);
    s += '-';
    put(g.Data3, 4);
    s += '-';
    put(g.Data4[0], 2);
    put(g.Data4[1], 2);
    s += '-';
    for (int i = 2; i < 8; ++i)
        put(g.Data4[i], 2);
    s += '}';
    return s;
}

// Parses the form GuidToString writes (braces optional, either case).
inline bool GuidFromString(const std::string& text, GUID* out) {
    std::string t = text;
    if (t.size() == 38 && t.front() == '{' && t.back() == '}')
        t = t.substr(1, 36);
    if (t.size() != 36 || t[8] != '-' || t[13] != '-' || t[18] != '-' || t[23] != '-')
        return false;
    uint8_t bytes[16];
    int n = 0;
    for (size_t i = 0; i < t.size();) {
        if (t[i] == '-') {
            ++i;
            continue;
        }
        auto nib = [](char c) -> int {
            if (c >= '0' && c <= '9')
                return c - '0';
            if (c >= 'a' && c <= 'f')
                return c - 'a' + 10;
            if (c >= 'A' && c <= 'F')
                return c - 'A' + 10;
            return -1;
        };
        int hi = nib(t[i]), lo = i + 1 < t.size() ? nib(t[i + 1]) : -1;
        if (hi < 0 || lo < 0 || n >= 16)
            return false;
        bytes[n++] = static_cast<uint8_t>(hi * 16 + lo);
        i += 2;
    }
    if (n != 16)
        return false;
    GUID g;
    g.Data1 = (uint32_t(bytes[0]) << 24) | (uint32_t(bytes[1]) << 16) | (uint32_t(bytes[2]) << 8) |
              bytes[3];
    g.Data2 = static_cast<uint16_t>((bytes[4] << 8) | bytes[5]);
    g.Data3 = static_cast<uint16_t>((bytes[6] << 8) | bytes[7]);
    std::memcpy(g.Data4, bytes + 8, 8);
    *out = g;
    return true;
}

// ---------------------------------------------------------------- strings

// A BSTR points at UTF-16 text that is NUL-terminated and preceded by its
// byte length (uint32). The block is one malloc; a null BSTR is the empty
// string. A BSTR handed to a caller is the caller's to free.
typedef char16_t* BSTR;

inline BSTR SysAllocStringLen(const char16_t* text, uint32_t length) {
    auto* block = static_cast<uint32_t*>(std::malloc(sizeof(uint32_t) + (length + 1) * 2u));
    if (!block)
        return nullptr;
    block[0] = length * 2u;
    auto* s = reinterpret_cast<char16_t*>(block + 1);
    if (text)
        std::memcpy(s, text, length * 2u);
    else
        std::memset(s, 0, length * 2u);
    s[length] = 0;
    return s;
}

inline BSTR SysAllocString(const char16_t* text) {
    if (!text)
        return nullptr;
    uint32_t n = 0;
    while (text[n])
        ++n;
    return SysAllocStringLen(text, n);
}

inline uint32_t SysStringLen(const BSTR s) {
    return s ? reinterpret_cast<const uint32_t*>(s)[-1] / 2u : 0u;
}

inline void SysFreeString(BSTR s) {
    if (s)
        std::free(reinterpret_cast<uint32_t*>(s) - 1);
}

// UTF-8 <-> BSTR conversions for hosts and the library (Basic Multilingual
// Plane plus surrogate pairs).
inline BSTR SysAllocStringUtf8(const std::string& utf8) {
    std::u16string out;
    for (size_t i = 0; i < utf8.size();) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        uint32_t cp = 0xFFFD;
        size_t len = 1;
        if (c < 0x80) {
            cp = c;
        } else if ((c >> 5) == 6 && i + 1 < utf8.size()) {
            cp = ((c & 0x1Fu) << 6) | (utf8[i + 1] & 0x3Fu);
            len = 2;
        } else if ((c >> 4) == 14 && i + 2 < utf8.size()) {
            cp = ((c & 0x0Fu) << 12) | ((utf8[i + 1] & 0x3Fu) << 6) | (utf8[i + 2] & 0x3Fu);
            len = 3;
        } else if ((c >> 3) == 30 && i + 3 < utf8.size()) {
            cp = ((c & 0x07u) << 18) | ((utf8[i + 1] & 0x3Fu) << 12) |
                 ((utf8[i + 2] & 0x3Fu) << 6) | (utf8[i + 3] & 0x3Fu);
            len = 4;
        }
        i += len;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return SysAllocStringLen(out.data(), static_cast<uint32_t>(out.size()));
}

inline std::string BstrToUtf8(const BSTR s) {
    std::string out;
    uint32_t n = SysStringLen(s);
    for (uint32_t i = 0; i < n; ++i) {
        uint32_t cp = s[i];
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        }
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

// ------------------------------------------------------------ byte arrays

struct SAFEARRAYBOUND {
    uint32_t cElements;
    int32_t lLbound;
};

// A one-dimensional array; this ABI only makes arrays of bytes (VT_UI1). The
// header and the data are one malloc, pvData points behind the header.
struct SAFEARRAY {
    uint16_t cDims;
    uint16_t fFeatures;
    uint32_t cbElements;
    uint32_t cLocks;
    void* pvData;
    SAFEARRAYBOUND rgsabound[1];
};

// ---------------------------------------------------------------- VARIANT

enum : VARTYPE {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_UNKNOWN = 13,
    VT_UI1 = 17,
    VT_ARRAY = 0x2000,
    VT_BYREF = 0x4000,
    VT_TYPEMASK = 0x0FFF,
};

struct IUnknown;
struct IDispatch;
struct VARIANT;

struct VARIANT {
    VARTYPE vt;
    uint16_t wReserved1;
    uint16_t wReserved2;
    uint16_t wReserved3;
    union {
        int32_t lVal;
        int16_t iVal;
        uint8_t bVal;
        VARIANT_BOOL boolVal;
        HRESULT scode;
        BSTR bstrVal;
        IUnknown* punkVal;
        IDispatch* pdispVal;
        SAFEARRAY* parray;
        int32_t* plVal;
        int16_t* piVal;
        uint8_t* pbVal;
        VARIANT_BOOL* pboolVal;
        BSTR* pbstrVal;
        SAFEARRAY** pparray;
        VARIANT* pvarVal;
        void* byref;
        uint64_t reserved_; // keeps the union 8 bytes on every platform
    };
};
typedef VARIANT VARIANTARG;

// ------------------------------------------------------------- interfaces

// {00000000-0000-0000-C000-000000000046}
constexpr IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {00000001-0000-0000-C000-000000000046}
constexpr IID IID_IClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {00020400-0000-0000-C000-000000000046}
constexpr IID IID_IDispatch = {0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {00000112-0000-0000-C000-000000000046}
constexpr IID IID_IOleObject = {0x00000112, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {B196B284-BAB4-101A-B69C-00AA00341D07}
constexpr IID IID_IConnectionPointContainer = {
    0xB196B284, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
// {B196B286-BAB4-101A-B69C-00AA00341D07}
constexpr IID IID_IConnectionPoint = {
    0xB196B286, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
// {9BFBBC02-EFF1-101A-84ED-00AA00341D07}
constexpr IID IID_IPropertyNotifySink = {
    0x9BFBBC02, 0xEFF1, 0x101A, {0x84, 0xED, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
// {DF0B3D60-548F-101B-8E65-08002B2BD119}
constexpr IID IID_ISupportErrorInfo = {
    0xDF0B3D60, 0x548F, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};
// {1CF2B120-547D-101B-8E65-08002B2BD119}
constexpr IID IID_IErrorInfo = {
    0x1CF2B120, 0x547D, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};

struct IUnknown {
    virtual HRESULT QueryInterface(const IID& iid, void** object) = 0;
    virtual uint32_t AddRef() = 0;
    virtual uint32_t Release() = 0;

protected:
    ~IUnknown() = default; // objects are released, never deleted through an interface
};

struct IClassFactory : IUnknown {
    // outer non-null: aggregated creation; iid must then be IID_IUnknown and
    // the non-delegating unknown of the new object is returned.
    virtual HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** object) = 0;
    virtual HRESULT LockServer(int32_t lock) = 0;

protected:
    ~IClassFactory() = default;
};

// Invoke flags and special DISPIDs.
constexpr uint16_t DISPATCH_METHOD = 0x1;
constexpr uint16_t DISPATCH_PROPERTYGET = 0x2;
constexpr uint16_t DISPATCH_PROPERTYPUT = 0x4;
constexpr uint16_t DISPATCH_PROPERTYPUTREF = 0x8;
constexpr DISPID DISPID_UNKNOWN = -1;
constexpr DISPID DISPID_PROPERTYPUT = -3;
constexpr DISPID DISPID_ABOUTBOX = -552;
constexpr DISPID DISPID_AMBIENT_USERMODE = -709;

// Arguments in reverse order (rgvarg[0] is the last argument), as the
// automation convention has it. A property put passes its value as the one
// named argument DISPID_PROPERTYPUT.
struct DISPPARAMS {
    VARIANTARG* rgvarg;
    DISPID* rgdispidNamedArgs;
    uint32_t cArgs;
    uint32_t cNamedArgs;
};

// Filled by Invoke when a member fails with DISP_E_EXCEPTION; the caller
// frees the strings.
struct EXCEPINFO {
    uint16_t wCode;
    uint16_t wReserved;
    BSTR bstrSource;
    BSTR bstrDescription;
    BSTR bstrHelpFile;
    uint32_t dwHelpContext;
    void* pvReserved;
    void* pfnDeferredFillIn;
    HRESULT scode;
};

struct IDispatch : IUnknown {
    virtual HRESULT GetTypeInfoCount(uint32_t* count) = 0;
    virtual HRESULT GetTypeInfo(uint32_t index, LCID lcid, void** typeInfo) = 0;
    virtual HRESULT GetIDsOfNames(const IID& iid, const char16_t** names, uint32_t count, LCID lcid,
                                  DISPID* dispids) = 0;
    virtual HRESULT Invoke(DISPID member, const IID& iid, LCID lcid, uint16_t flags,
                           DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo,
                           uint32_t* argErr) = 0;

protected:
    ~IDispatch() = default;
};

// Description and source (the ProgID of the failing object) of the last
// failure posted on a thread.
struct IErrorInfo : IUnknown {
    virtual HRESULT GetGUID(GUID* guid) = 0;
    virtual HRESULT GetSource(BSTR* source) = 0;
    virtual HRESULT GetDescription(BSTR* description) = 0;

protected:
    ~IErrorInfo() = default;
};

struct ISupportErrorInfo : IUnknown {
    virtual HRESULT InterfaceSupportsErrorInfo(const IID& iid) = 0;

protected:
    ~ISupportErrorInfo() = default;
};

// Property-change notification from a control to its host.
struct IPropertyNotifySink : IUnknown {
    virtual HRESULT OnChanged(DISPID dispid) = 0;
    virtual HRESULT OnRequestEdit(DISPID dispid) = 0;

protected:
    ~IPropertyNotifySink() = default;
};

struct IConnectionPoint;

struct IConnectionPointContainer : IUnknown {
    virtual HRESULT FindConnectionPoint(const IID& iid, IConnectionPoint** point) = 0;

protected:
    ~IConnectionPointContainer() = default;
};

// One outgoing interface of an object. Sinks are called in the order they
// were advised.
struct IConnectionPoint : IUnknown {
    virtual HRESULT GetConnectionInterface(IID* iid) = 0;
    virtual HRESULT GetConnectionPointContainer(IConnectionPointContainer** container) = 0;
    virtual HRESULT Advise(IUnknown* sink, uint32_t* cookie) = 0;
    virtual HRESULT Unadvise(uint32_t cookie) = 0;

protected:
    ~IConnectionPoint() = default;
};

struct SIZEL {
    int32_t cx;
    int32_t cy;
};
constexpr uint32_t DVASPECT_CONTENT = 1;

// The part of an embedded object's contract a control host uses: the client
// site (the host's object; the control asks it for ambient properties through
// its IDispatch, e.g. DISPID_AMBIENT_USERMODE), the extent in HIMETRIC, and
// closing. Without a site the control behaves as in run mode.
struct IOleObject : IUnknown {
    virtual HRESULT SetClientSite(IUnknown* site) = 0;
    virtual HRESULT GetClientSite(IUnknown** site) = 0;
    virtual HRESULT SetExtent(uint32_t drawAspect, const SIZEL* size) = 0;
    virtual HRESULT GetExtent(uint32_t drawAspect, SIZEL* size) = 0;
    virtual HRESULT OnAmbientPropertyChange(DISPID dispid) = 0;
    virtual HRESULT Close(uint32_t saveOption) = 0;

protected:
    ~IOleObject() = default;
};

// ------------------------------------------------------------ persistence

// {0C733A30-2A1C-11CE-ADE5-00AA0044773D}
constexpr IID IID_ISequentialStream = {
    0x0C733A30, 0x2A1C, 0x11CE, {0xAD, 0xE5, 0x00, 0xAA, 0x00, 0x44, 0x77, 0x3D}};
// {0000000C-0000-0000-C000-000000000046}
constexpr IID IID_IStream = {0x0000000C, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {0000010C-0000-0000-C000-000000000046}
constexpr IID IID_IPersist = {0x0000010C, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {00000109-0000-0000-C000-000000000046}
constexpr IID IID_IPersistStream = {0x00000109, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// A byte stream. Read: S_OK when all `size` bytes were read, S_FALSE when
// the stream ended first (*done tells how many); a failure is the stream's
// error (STG_E_READFAULT ...). Write: S_OK when all bytes were written, else
// the stream's error (STG_E_WRITEFAULT, STG_E_MEDIUMFULL ...). `done` may be
// null.
struct ISequentialStream : IUnknown {
    virtual HRESULT Read(void* data, uint32_t size, uint32_t* done) = 0;
    virtual HRESULT Write(const void* data, uint32_t size, uint32_t* done) = 0;

protected:
    ~ISequentialStream() = default;
};

// The stream an object saves itself to; this ABI needs no seeking.
struct IStream : ISequentialStream {
protected:
    ~IStream() = default;
};

struct IPersist : IUnknown {
    virtual HRESULT GetClassID(CLSID* clsid) = 0;

protected:
    ~IPersist() = default;
};

// An object that saves its state to a stream and loads it back. IsDirty:
// S_OK when the state changed since the last save or load, else S_FALSE.
struct IPersistStream : IPersist {
    virtual HRESULT IsDirty() = 0;
    virtual HRESULT Load(IStream* stream) = 0;
    virtual HRESULT Save(IStream* stream, int32_t clearDirty) = 0;
    virtual HRESULT GetSizeMax(uint64_t* size) = 0;

protected:
    ~IPersistStream() = default;
};

// -------------------------------------------------- property browsing, pages

// Counted arrays handed to a caller: the block and (for strings) every BSTR
// are the caller's to free (FreeCountedStrings in Variant.h).
struct CALPOLESTR {
    uint32_t cElems;
    BSTR* pElems;
};
struct CADWORD {
    uint32_t cElems;
    uint32_t* pElems;
};
struct CAUUID {
    uint32_t cElems;
    GUID* pElems;
};

// {376BD3AA-3845-101B-84ED-08002B2EC713}
constexpr IID IID_IPerPropertyBrowsing = {
    0x376BD3AA, 0x3845, 0x101B, {0x84, 0xED, 0x08, 0x00, 0x2B, 0x2E, 0xC7, 0x13}};
// {B196B28B-BAB4-101A-B69C-00AA00341D07}
constexpr IID IID_ISpecifyPropertyPages = {
    0xB196B28B, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
// {B196B28C-BAB4-101A-B69C-00AA00341D07}
constexpr IID IID_IPropertyPageSite = {
    0xB196B28C, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
// {B196B28D-BAB4-101A-B69C-00AA00341D07}
constexpr IID IID_IPropertyPage = {
    0xB196B28D, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};

// What a design-time property browser asks a control: the display text of a
// property's value, the page that edits it, and the values to offer (strings
// with cookies, each cookie standing for one value).
struct IPerPropertyBrowsing : IUnknown {
    virtual HRESULT GetDisplayString(DISPID dispid, BSTR* text) = 0;
    virtual HRESULT MapPropertyToPage(DISPID dispid, CLSID* page) = 0;
    virtual HRESULT GetPredefinedStrings(DISPID dispid, CALPOLESTR* strings, CADWORD* cookies) = 0;
    virtual HRESULT GetPredefinedValue(DISPID dispid, uint32_t cookie, VARIANT* value) = 0;

protected:
    ~IPerPropertyBrowsing() = default;
};

// The property pages of an object, by class identifier, in display order.
struct ISpecifyPropertyPages : IUnknown {
    virtual HRESULT GetPages(CAUUID* pages) = 0;

protected:
    ~ISpecifyPropertyPages() = default;
};

constexpr uint32_t PROPPAGESTATUS_DIRTY = 0x1;
constexpr uint32_t PROPPAGESTATUS_VALIDATE = 0x2;
constexpr uint32_t PROPPAGESTATUS_CLEAN = 0x4;

// The frame a page lives in: a page reports its dirty state here.
struct IPropertyPageSite : IUnknown {
    virtual HRESULT OnStatusChange(uint32_t flags) = 0;

protected:
    ~IPropertyPageSite() = default;
};

// Filled by GetPageInfo; the strings are the caller's to free.
struct PROPPAGEINFO {
    BSTR title;
    BSTR docString;
    SIZEL size; // pixels
};

struct RECT {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// A property page. The window handle of Activate is the parent QWidget* of
// the page in the host's process (both sides use the same Qt); the page
// creates its widget inside it. SetObjects hands over the objects to edit
// (their IUnknown); Apply writes the page's copy to all of them.
struct IPropertyPage : IUnknown {
    virtual HRESULT SetPageSite(IPropertyPageSite* site) = 0;
    virtual HRESULT Activate(void* parent, const RECT* rect, int32_t modal) = 0;
    virtual HRESULT Deactivate() = 0;
    virtual HRESULT GetPageInfo(PROPPAGEINFO* info) = 0;
    virtual HRESULT SetObjects(uint32_t count, IUnknown** objects) = 0;
    virtual HRESULT Show(uint32_t command) = 0; // 0 hide, else show
    virtual HRESULT Move(const RECT* rect) = 0;
    virtual HRESULT IsPageDirty() = 0; // S_OK dirty, S_FALSE clean
    virtual HRESULT Apply() = 0;

protected:
    ~IPropertyPage() = default;
};

// ------------------------------------------------- a small object's IUnknown

namespace mrvdio {

// The IUnknown of an object that is one interface and keeps its own count:
// QueryInterface answers IID_IUnknown and the identifiers listed (the
// interface's own and, where it extends one, its base's). The object starts
// with one reference, its creator's, and deletes itself on the last Release.
//
//   class Site final : public mrvdio::ComObject<IPropertyPageSite, IID_IPropertyPageSite> {
//       HRESULT OnStatusChange(uint32_t flags) override;
//   };
template <class Interface, IID... Iids> class ComObject : public Interface {
public:
    HRESULT QueryInterface(const IID& iid, void** object) override {
        if (!object)
            return E_POINTER;
        if (iid == IID_IUnknown || ((iid == Iids) || ...)) {
            *object = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    uint32_t AddRef() override { return ++refs_; }
    uint32_t Release() override {
        const uint32_t n = --refs_;
        if (n == 0)
            delete this;
        return n;
    }

protected:
    ComObject() = default;
    virtual ~ComObject() = default;

private:
    std::atomic<uint32_t> refs_{1};
};

} // namespace mrvdio

// ------------------------------------------------------ entry points (C ABI)

extern "C" {
typedef HRESULT (*PFN_DllGetClassObject)(const CLSID* clsid, const IID* iid, void** object);
typedef HRESULT (*PFN_DllCanUnloadNow)(void);
typedef HRESULT (*PFN_DllRegisterServer)(void);
typedef HRESULT (*PFN_DllUnregisterServer)(void);
// Takes (and clears) the error info posted last on the calling thread;
// S_FALSE and null when there is none.
typedef HRESULT (*PFN_GetErrorInfo)(uint32_t reserved, IErrorInfo** info);
}

/* The automation runtime's binary conventions for the native (non-Windows) build.

   Objects written in C or C++ against this header are source-compatible with a Windows
   in-process server: same field order, same integer widths, same interface table order.
   Text units are 16-bit UTF-16 (char16_t), never wchar_t, and no Windows integer type is
   ever spelled `long` (64 bits on Linux). The header compiles as C11 and as C++20, without
   warnings under -Wall -Wextra -Wpedantic. As in Windows' own headers, C sees an interface
   as a structure whose first member points at its table of functions (`lpVtbl`), and a
   REFIID is a pointer; C++ sees abstract classes and references. */
#pragma once

#ifdef __cplusplus
#    include <cstddef>
#    include <cstdint>
#    define QMT_EXTERN_C extern "C"
#    define QMT_STATIC_ASSERT(condition, message) static_assert(condition, message)
#    define QMT_CAST(type, value) static_cast<type>(value)
#else
#    include <stddef.h>
#    include <stdint.h>
#    include <uchar.h>
#    define QMT_EXTERN_C extern
#    define QMT_STATIC_ASSERT(condition, message) _Static_assert(condition, message)
#    define QMT_CAST(type, value) ((type)(value))
#endif
/* Anonymous structures and unions, as in the Windows headers: standard in C11, an extension
   that every compiler of this platform has in C++. */
#define QMT_NAMELESS __extension__

#define STDMETHODCALLTYPE
#define STDAPICALLTYPE
#define STDAPI QMT_EXTERN_C HRESULT STDAPICALLTYPE
#define QMT_RUNTIME_EXPORT QMT_EXTERN_C __attribute__((visibility("default")))

typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint16_t USHORT;
typedef int16_t SHORT;
typedef uint32_t DWORD;
typedef uint32_t ULONG;
typedef int32_t LONG;
typedef int32_t INT;
typedef uint32_t UINT;
typedef int32_t BOOL;
typedef char CHAR;
typedef int64_t LONGLONG;
typedef uint64_t ULONGLONG;
typedef int64_t LONG64;
typedef uint64_t ULONG64;
typedef int32_t HRESULT;
typedef int32_t SCODE;
typedef uint32_t LCID;
typedef int32_t DISPID;
typedef DISPID MEMBERID;
typedef uint16_t VARTYPE;
typedef int16_t VARIANT_BOOL;
typedef double DATE;
typedef void* PVOID;
typedef void* LPVOID;
typedef char16_t OLECHAR;
typedef OLECHAR* LPOLESTR;
typedef OLECHAR const* LPCOLESTR;
typedef OLECHAR* BSTR;

QMT_STATIC_ASSERT(sizeof(LONG) == 4 && sizeof(ULONG) == 4 && sizeof(OLECHAR) == 2, "Windows integer widths");

#define VARIANT_TRUE QMT_CAST(VARIANT_BOOL, -1)
#define VARIANT_FALSE QMT_CAST(VARIANT_BOOL, 0)

typedef struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
} GUID;
typedef GUID IID;
typedef GUID CLSID;
QMT_STATIC_ASSERT(sizeof(GUID) == 16, "a GUID is 16 bytes");

#ifdef __cplusplus
typedef GUID const& REFGUID;
typedef IID const& REFIID;
typedef CLSID const& REFCLSID;

inline bool operator==(GUID const& a, GUID const& b)
{
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3)
        return false;
    for (int i = 0; i < 8; ++i)
        if (a.Data4[i] != b.Data4[i])
            return false;
    return true;
}
inline bool IsEqualGUID(REFGUID a, REFGUID b) { return a == b; }
inline bool IsEqualIID(REFIID a, REFIID b) { return a == b; }
inline bool IsEqualCLSID(REFCLSID a, REFCLSID b) { return a == b; }
#else
typedef GUID const* REFGUID;
typedef IID const* REFIID;
typedef CLSID const* REFCLSID;

static inline int IsEqualGUID(REFGUID a, REFGUID b)
{
    int i;
    if (a->Data1 != b->Data1 || a->Data2 != b->Data2 || a->Data3 != b->Data3)
        return 0;
    for (i = 0; i < 8; ++i)
        if (a->Data4[i] != b->Data4[i])
            return 0;
    return 1;
}
#    define IsEqualIID(a, b) IsEqualGUID(a, b)
#    define IsEqualCLSID(a, b) IsEqualGUID(a, b)
#endif

/* Status codes, with the Windows values. */
#define QMT_STATUS(value) QMT_CAST(HRESULT, value##u)
#define S_OK QMT_STATUS(0x00000000)
#define S_FALSE QMT_STATUS(0x00000001)
#define E_NOTIMPL QMT_STATUS(0x80004001)
#define E_NOINTERFACE QMT_STATUS(0x80004002)
#define E_POINTER QMT_STATUS(0x80004003)
#define E_FAIL QMT_STATUS(0x80004005)
#define E_UNEXPECTED QMT_STATUS(0x8000FFFF)
#define E_ACCESSDENIED QMT_STATUS(0x80070005)
#define E_OUTOFMEMORY QMT_STATUS(0x8007000E)
#define E_INVALIDARG QMT_STATUS(0x80070057)
#define STG_E_FILENOTFOUND QMT_STATUS(0x80030002)
#define DISP_E_UNKNOWNINTERFACE QMT_STATUS(0x80020001)
#define DISP_E_MEMBERNOTFOUND QMT_STATUS(0x80020003)
#define DISP_E_PARAMNOTFOUND QMT_STATUS(0x80020004)
#define DISP_E_TYPEMISMATCH QMT_STATUS(0x80020005)
#define DISP_E_UNKNOWNNAME QMT_STATUS(0x80020006)
#define DISP_E_BADVARTYPE QMT_STATUS(0x80020008)
#define DISP_E_EXCEPTION QMT_STATUS(0x80020009)
#define DISP_E_OVERFLOW QMT_STATUS(0x8002000A)
#define DISP_E_BADPARAMCOUNT QMT_STATUS(0x8002000E)
#define DISP_E_PARAMNOTOPTIONAL QMT_STATUS(0x8002000F)
#define REGDB_E_CLASSNOTREG QMT_STATUS(0x80040154)
#define CO_E_CLASSSTRING QMT_STATUS(0x800401F3)
#define CO_E_DLLNOTFOUND QMT_STATUS(0x800401F8)
#define CO_E_ERRORINDLL QMT_STATUS(0x800401F9)
#define CLASS_E_CLASSNOTAVAILABLE QMT_STATUS(0x80040111)
#define CLASS_E_NOAGGREGATION QMT_STATUS(0x80040110)
#define REGDB_E_READREGDB QMT_STATUS(0x80040150)

#define SUCCEEDED(hr) (QMT_CAST(HRESULT, hr) >= 0)
#define FAILED(hr) (QMT_CAST(HRESULT, hr) < 0)

#define CLSCTX_INPROC_SERVER QMT_CAST(DWORD, 1)
#define LOCALE_SYSTEM_DEFAULT QMT_CAST(LCID, 0x0800)
#define LOCALE_USER_DEFAULT QMT_CAST(LCID, 0x0400)
#define DISPATCH_METHOD QMT_CAST(WORD, 1)
#define DISPATCH_PROPERTYGET QMT_CAST(WORD, 2)
#define DISPATCH_PROPERTYPUT QMT_CAST(WORD, 4)
#define DISPATCH_PROPERTYPUTREF QMT_CAST(WORD, 8)
#define DISPID_UNKNOWN QMT_CAST(DISPID, -1)
#define DISPID_VALUE QMT_CAST(DISPID, 0)
#define DISPID_NEWENUM QMT_CAST(DISPID, -4)

/* VariantChangeType flags. */
#define VARIANT_NOVALUEPROP QMT_CAST(USHORT, 0x01)
#define VARIANT_ALPHABOOL QMT_CAST(USHORT, 0x02)
#define VARIANT_NOUSEROVERRIDE QMT_CAST(USHORT, 0x04)
#define VARIANT_LOCALBOOL QMT_CAST(USHORT, 0x10)

#ifdef __cplusplus
enum VARENUM : VARTYPE {
#else
enum VARENUM {
#endif
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_CY = 6,
    VT_DATE = 7,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_UNKNOWN = 13,
    VT_DECIMAL = 14,
    VT_I1 = 16,
    VT_UI1 = 17,
    VT_UI2 = 18,
    VT_UI4 = 19,
    VT_I8 = 20,
    VT_UI8 = 21,
    VT_INT = 22,
    VT_UINT = 23,
    VT_VOID = 24,
    VT_HRESULT = 25,
    VT_PTR = 26,
    VT_SAFEARRAY = 27,
    VT_CARRAY = 28,
    VT_USERDEFINED = 29,
    VT_LPSTR = 30,
    VT_LPWSTR = 31,
    VT_RECORD = 36,
    VT_INT_PTR = 37,
    VT_UINT_PTR = 38,
    VT_ARRAY = 0x2000,
    VT_BYREF = 0x4000,
    VT_RESERVED = 0x8000,
    VT_TYPEMASK = 0x0FFF
};

typedef union CY {
    QMT_NAMELESS struct {
        ULONG Lo;
        LONG Hi;
    };
    LONGLONG int64;
} CY;
QMT_STATIC_ASSERT(sizeof(CY) == 8, "a CY is 8 bytes");

typedef struct DECIMAL {
    USHORT wReserved;
    QMT_NAMELESS union {
        QMT_NAMELESS struct {
            BYTE scale;
            BYTE sign;
        };
        USHORT signscale;
    };
    ULONG Hi32;
    QMT_NAMELESS union {
        QMT_NAMELESS struct {
            ULONG Lo32;
            ULONG Mid32;
        };
        ULONGLONG Lo64;
    };
} DECIMAL;
QMT_STATIC_ASSERT(sizeof(DECIMAL) == 16, "a DECIMAL is 16 bytes");
#define DECIMAL_NEG QMT_CAST(BYTE, 0x80)

typedef struct IUnknown IUnknown;
typedef struct IDispatch IDispatch;
typedef struct IClassFactory IClassFactory;
typedef struct IEnumVARIANT IEnumVARIANT;
typedef struct ITypeInfo ITypeInfo;
typedef struct ITypeLib ITypeLib;
typedef struct IRecordInfo IRecordInfo;
typedef struct SAFEARRAY SAFEARRAY;
typedef struct VARIANT VARIANT;
typedef VARIANT VARIANTARG;

struct VARIANT {
    QMT_NAMELESS union {
        QMT_NAMELESS struct {
            VARTYPE vt;
            WORD wReserved1;
            WORD wReserved2;
            WORD wReserved3;
            QMT_NAMELESS union {
                LONGLONG llVal;
                LONG lVal;
                BYTE bVal;
                SHORT iVal;
                float fltVal;
                double dblVal;
                VARIANT_BOOL boolVal;
                SCODE scode;
                CY cyVal;
                DATE date;
                BSTR bstrVal;
                IUnknown* punkVal;
                IDispatch* pdispVal;
                SAFEARRAY* parray;
                BYTE* pbVal;
                SHORT* piVal;
                LONG* plVal;
                LONGLONG* pllVal;
                float* pfltVal;
                double* pdblVal;
                VARIANT_BOOL* pboolVal;
                SCODE* pscode;
                CY* pcyVal;
                DATE* pdate;
                BSTR* pbstrVal;
                IUnknown** ppunkVal;
                IDispatch** ppdispVal;
                SAFEARRAY** pparray;
                VARIANT* pvarVal;
                PVOID byref;
                CHAR cVal;
                USHORT uiVal;
                ULONG ulVal;
                ULONGLONG ullVal;
                INT intVal;
                UINT uintVal;
                DECIMAL* pdecVal;
                CHAR* pcVal;
                USHORT* puiVal;
                ULONG* pulVal;
                ULONGLONG* pullVal;
                INT* pintVal;
                UINT* puintVal;
                struct {
                    PVOID pvRecord;
                    IRecordInfo* pRecInfo;
                } brecVal;
            };
        };
        DECIMAL decVal;
    };
};
QMT_STATIC_ASSERT(sizeof(VARIANT) == 24, "a VARIANT has the size it has on 64-bit Windows");

typedef struct DISPPARAMS {
    VARIANTARG* rgvarg;
    DISPID* rgdispidNamedArgs;
    UINT cArgs;
    UINT cNamedArgs;
} DISPPARAMS;

typedef struct EXCEPINFO EXCEPINFO;
struct EXCEPINFO {
    WORD wCode;
    WORD wReserved;
    BSTR bstrSource;
    BSTR bstrDescription;
    BSTR bstrHelpFile;
    DWORD dwHelpContext;
    PVOID pvReserved;
    HRESULT(STDMETHODCALLTYPE* pfnDeferredFillIn)(EXCEPINFO*);
    SCODE scode;
};

/* Interfaces: a pointer to a pointer to a table of functions in the Windows order, each
   taking the interface pointer first. In C++, pure virtual functions with no virtual
   destructor give exactly that layout under the platform's C++ ABI. */
#ifdef __cplusplus
struct IUnknown {
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;
};

struct IDispatch : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                                                    DISPID* rgDispId)
        = 0;
    virtual HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                                             DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                                             UINT* puArgErr)
        = 0;
};

struct IClassFactory : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) = 0;
    virtual HRESULT STDMETHODCALLTYPE LockServer(BOOL fLock) = 0;
};

struct IEnumVARIANT : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Next(ULONG celt, VARIANT* rgVar, ULONG* pCeltFetched) = 0;
    virtual HRESULT STDMETHODCALLTYPE Skip(ULONG celt) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** ppEnum) = 0;
};
#else
#    include "quillmate/c_tables.h"

typedef struct IUnknownVtbl {
    QMT_IUNKNOWN_METHODS(IUnknown);
} IUnknownVtbl;
struct IUnknown {
    IUnknownVtbl const* lpVtbl;
};

typedef struct IDispatchVtbl {
    QMT_IDISPATCH_METHODS(IDispatch);
} IDispatchVtbl;
struct IDispatch {
    IDispatchVtbl const* lpVtbl;
};

typedef struct IClassFactoryVtbl {
    QMT_IUNKNOWN_METHODS(IClassFactory);
    HRESULT(STDMETHODCALLTYPE* CreateInstance)(IClassFactory* This, IUnknown* pUnkOuter, REFIID riid, void** ppvObject);
    HRESULT(STDMETHODCALLTYPE* LockServer)(IClassFactory* This, BOOL fLock);
} IClassFactoryVtbl;
struct IClassFactory {
    IClassFactoryVtbl const* lpVtbl;
};

typedef struct IEnumVARIANTVtbl {
    QMT_IUNKNOWN_METHODS(IEnumVARIANT);
    HRESULT(STDMETHODCALLTYPE* Next)(IEnumVARIANT* This, ULONG celt, VARIANT* rgVar, ULONG* pCeltFetched);
    HRESULT(STDMETHODCALLTYPE* Skip)(IEnumVARIANT* This, ULONG celt);
    HRESULT(STDMETHODCALLTYPE* Reset)(IEnumVARIANT* This);
    HRESULT(STDMETHODCALLTYPE* Clone)(IEnumVARIANT* This, IEnumVARIANT** ppEnum);
} IEnumVARIANTVtbl;
struct IEnumVARIANT {
    IEnumVARIANTVtbl const* lpVtbl;
};
#endif

/* The runtime's exported functions. The gateway exports them; an object's shared library
   may leave them undefined and binds to the gateway's copy when it is loaded. */
QMT_RUNTIME_EXPORT const IID IID_NULL;
QMT_RUNTIME_EXPORT const IID IID_IUnknown;
QMT_RUNTIME_EXPORT const IID IID_IDispatch;
QMT_RUNTIME_EXPORT const IID IID_IClassFactory;
QMT_RUNTIME_EXPORT const IID IID_IEnumVARIANT;

QMT_RUNTIME_EXPORT BSTR SysAllocString(const OLECHAR* psz);
QMT_RUNTIME_EXPORT BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui);
QMT_RUNTIME_EXPORT BSTR SysAllocStringByteLen(char const* psz, UINT len);
QMT_RUNTIME_EXPORT void SysFreeString(BSTR bstrString);
QMT_RUNTIME_EXPORT UINT SysStringLen(BSTR bstr);
QMT_RUNTIME_EXPORT UINT SysStringByteLen(BSTR bstr);

QMT_RUNTIME_EXPORT void VariantInit(VARIANTARG* pvarg);
QMT_RUNTIME_EXPORT HRESULT VariantClear(VARIANTARG* pvarg);
QMT_RUNTIME_EXPORT HRESULT VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc);
QMT_RUNTIME_EXPORT HRESULT VariantChangeType(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, USHORT wFlags,
                                             VARTYPE vt);

QMT_RUNTIME_EXPORT HRESULT CoInitialize(LPVOID pvReserved);
QMT_RUNTIME_EXPORT void CoUninitialize(void);
QMT_RUNTIME_EXPORT HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, CLSID* lpclsid);
QMT_RUNTIME_EXPORT HRESULT CLSIDFromString(LPCOLESTR lpsz, CLSID* pclsid);
QMT_RUNTIME_EXPORT HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext, REFIID riid,
                                            LPVOID* ppv);

/* The environment's interfaces as early-bound callers see them, with the identifiers of
   the type library QMTLib. Every table begins with IUnknown's three and IDispatch's four
   operations, then the members in type-library order. A user object includes this header
   to call the environment it is given; C callers call through the tables
   (`environment->lpVtbl->SendString(environment, text, NULL)`). The library's source is
   src/typelib/qmtlib.idl; a unit test checks these identifiers and tables against the
   library the program carries. C and C++ alike. */
#pragma once

#include "quillmate/runtime.h"

#ifdef __cplusplus
#    define QMT_IDENTIFIER(name) inline constexpr GUID name
#else
#    define QMT_IDENTIFIER(name) static const GUID name
#endif

// {B7404BB6-CB55-4FAA-B83B-2C9FB2F86553}
QMT_IDENTIFIER(LIBID_QMTLib) = {0xb7404bb6, 0xcb55, 0x4faa, {0xb8, 0x3b, 0x2c, 0x9f, 0xb2, 0xf8, 0x65, 0x53}};

// {0EC18688-2A55-4D03-BCDE-1F522F4A39DC}
QMT_IDENTIFIER(IID_ServerItem) = {0x0ec18688, 0x2a55, 0x4d03, {0xbc, 0xde, 0x1f, 0x52, 0x2f, 0x4a, 0x39, 0xdc}};
// {C6D07579-726C-4CFC-B8D3-44B88F66DAE8}
QMT_IDENTIFIER(IID_ServerItems) = {0xc6d07579, 0x726c, 0x4cfc, {0xb8, 0xd3, 0x44, 0xb8, 0x8f, 0x66, 0xda, 0xe8}};
// {A0554FEE-294A-4A4D-BD9E-2EEE5C476BB0}
QMT_IDENTIFIER(IID_CustomItem) = {0xa0554fee, 0x294a, 0x4a4d, {0xbd, 0x9e, 0x2e, 0xee, 0x5c, 0x47, 0x6b, 0xb0}};
// {7C30E8B4-8A6D-4D27-A66C-9A52AA527C21}
QMT_IDENTIFIER(IID_CustomItems) = {0x7c30e8b4, 0x8a6d, 0x4d27, {0xa6, 0x6c, 0x9a, 0x52, 0xaa, 0x52, 0x7c, 0x21}};
// {C2F2BF96-2185-427A-B238-88237384E1BA}
QMT_IDENTIFIER(IID_QmtEnvironment) = {0xc2f2bf96, 0x2185, 0x427a, {0xb2, 0x38, 0x88, 0x23, 0x73, 0x84, 0xe1, 0xba}};

typedef struct ServerItem ServerItem;
typedef struct CustomItem CustomItem;
typedef struct ServerItems ServerItems;
typedef struct CustomItems CustomItems;
typedef struct QmtEnvironment QmtEnvironment;

#ifdef __cplusplus
struct ServerItem : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_Value(BSTR* Value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Name(BSTR* Name) = 0;
};

struct CustomItem : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_Value(BSTR* Value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Name(BSTR* Name) = 0;
};

struct ServerItems : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_Item(VARIANT* Index, ServerItem** ppServerItem) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Count(LONG* pCount) = 0;
    virtual HRESULT STDMETHODCALLTYPE get__NewEnum(IUnknown** ppenumVariant) = 0;
};

struct CustomItems : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_Item(VARIANT* Index, CustomItem** ppCustomItem) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Count(LONG* pCount) = 0;
    virtual HRESULT STDMETHODCALLTYPE get__NewEnum(IUnknown** ppenumVariant) = 0;
};

struct QmtEnvironment : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_ServerItems(ServerItems** ppServerItems) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_CustomItems(CustomItems** ppCustomItems) = 0;
    virtual HRESULT STDMETHODCALLTYPE SendString(BSTR Response, VARIANT* Sleep) = 0;
    virtual HRESULT STDMETHODCALLTYPE SendFile(BSTR Filename, VARIANT* Sleep) = 0;
    virtual HRESULT STDMETHODCALLTYPE OpenTemplate(BSTR Filename) = 0;
    virtual HRESULT STDMETHODCALLTYPE SendTemplate(BSTR Placeholder, BSTR Replacement) = 0;
    virtual HRESULT STDMETHODCALLTYPE BeginSection(BSTR SectionName) = 0;
    virtual HRESULT STDMETHODCALLTYPE EndSection() = 0;
    virtual HRESULT STDMETHODCALLTYPE CloseTemplate(VARIANT* Sleep) = 0;
    virtual HRESULT STDMETHODCALLTYPE OpenOutputFile(BSTR Filename) = 0;
    virtual HRESULT STDMETHODCALLTYPE CloseOutputFile() = 0;
};
#else
#    define QMT_ITEM_TABLE(Item)                                                                                       \
        typedef struct Item##Vtbl {                                                                                    \
            QMT_IDISPATCH_METHODS(Item);                                                                               \
            HRESULT(STDMETHODCALLTYPE* get_Value)(Item * This, BSTR* Value);                                           \
            HRESULT(STDMETHODCALLTYPE* get_Name)(Item * This, BSTR* Name);                                             \
        } Item##Vtbl;                                                                                                  \
        struct Item {                                                                                                  \
            Item##Vtbl const* lpVtbl;                                                                                  \
        }
#    define QMT_COLLECTION_TABLE(Collection, Item)                                                                     \
        typedef struct Collection##Vtbl {                                                                              \
            QMT_IDISPATCH_METHODS(Collection);                                                                         \
            HRESULT(STDMETHODCALLTYPE* get_Item)(Collection * This, VARIANT* Index, Item** ppItem);                    \
            HRESULT(STDMETHODCALLTYPE* get_Count)(Collection * This, LONG* pCount);                                    \
            HRESULT(STDMETHODCALLTYPE* get__NewEnum)(Collection * This, IUnknown** ppenumVariant);                     \
        } Collection##Vtbl;                                                                                            \
        struct Collection {                                                                                            \
            Collection##Vtbl const* lpVtbl;                                                                            \
        }
QMT_ITEM_TABLE(ServerItem);
QMT_ITEM_TABLE(CustomItem);
QMT_COLLECTION_TABLE(ServerItems, ServerItem);
QMT_COLLECTION_TABLE(CustomItems, CustomItem);

typedef struct QmtEnvironmentVtbl {
    QMT_IDISPATCH_METHODS(QmtEnvironment);
    HRESULT(STDMETHODCALLTYPE* get_ServerItems)(QmtEnvironment* This, ServerItems** ppServerItems);
    HRESULT(STDMETHODCALLTYPE* get_CustomItems)(QmtEnvironment* This, CustomItems** ppCustomItems);
    HRESULT(STDMETHODCALLTYPE* SendString)(QmtEnvironment* This, BSTR Response, VARIANT* Sleep);
    HRESULT(STDMETHODCALLTYPE* SendFile)(QmtEnvironment* This, BSTR Filename, VARIANT* Sleep);
    HRESULT(STDMETHODCALLTYPE* OpenTemplate)(QmtEnvironment* This, BSTR Filename);
    HRESULT(STDMETHODCALLTYPE* SendTemplate)(QmtEnvironment* This, BSTR Placeholder, BSTR Replacement);
    HRESULT(STDMETHODCALLTYPE* BeginSection)(QmtEnvironment* This, BSTR SectionName);
    HRESULT(STDMETHODCALLTYPE* EndSection)(QmtEnvironment* This);
    HRESULT(STDMETHODCALLTYPE* CloseTemplate)(QmtEnvironment* This, VARIANT* Sleep);
    HRESULT(STDMETHODCALLTYPE* OpenOutputFile)(QmtEnvironment* This, BSTR Filename);
    HRESULT(STDMETHODCALLTYPE* CloseOutputFile)(QmtEnvironment* This);
} QmtEnvironmentVtbl;
struct QmtEnvironment {
    QmtEnvironmentVtbl const* lpVtbl;
};
#endif

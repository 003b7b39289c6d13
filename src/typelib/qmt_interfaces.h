// The environment interfaces as early-bound callers see them: every table begins with
// IUnknown's three and IDispatch's four operations, then the members in type-library
// order. User objects written in C++ include this header to call the environment.
#pragma once

#include "automation/automation.h"
#include "typelib/interface_ids.h"

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

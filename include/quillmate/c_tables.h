/* For C callers and C objects: the first entries of an interface's table of functions, which
   C sees as a structure of function pointers (`lpVtbl`), each taking the interface pointer
   `This` first. Every table begins with IUnknown's three; a dispatch interface's table
   continues with IDispatch's four, then the interface's own members. */
#pragma once

#ifndef __cplusplus
#    define QMT_IUNKNOWN_METHODS(self)                                                                                 \
        HRESULT(STDMETHODCALLTYPE* QueryInterface)(self * This, REFIID riid, void** ppvObject);                        \
        ULONG(STDMETHODCALLTYPE* AddRef)(self * This);                                                                 \
        ULONG(STDMETHODCALLTYPE* Release)(self * This)
#    define QMT_IDISPATCH_METHODS(self)                                                                                \
        QMT_IUNKNOWN_METHODS(self);                                                                                    \
        HRESULT(STDMETHODCALLTYPE* GetTypeInfoCount)(self * This, UINT * pctinfo);                                     \
        HRESULT(STDMETHODCALLTYPE* GetTypeInfo)(self * This, UINT iTInfo, LCID lcid, ITypeInfo * *ppTInfo);            \
        HRESULT(STDMETHODCALLTYPE* GetIDsOfNames)                                                                      \
        (self * This, REFIID riid, LPOLESTR * rgszNames, UINT cNames, LCID lcid, DISPID * rgDispId);                   \
        HRESULT(STDMETHODCALLTYPE* Invoke)                                                                             \
        (self * This, DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS * pDispParams,              \
         VARIANT * pVarResult, EXCEPINFO * pExcepInfo, UINT * puArgErr)
#endif

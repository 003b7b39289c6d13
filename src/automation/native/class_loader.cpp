#include "automation/native/com_abi.h"

QMT_RUNTIME_EXPORT HRESULT CoInitialize(LPVOID) { return S_OK; }
QMT_RUNTIME_EXPORT void CoUninitialize() { }
QMT_RUNTIME_EXPORT HRESULT CLSIDFromProgID(LPCOLESTR, CLSID*) { return CO_E_CLASSSTRING; }
QMT_RUNTIME_EXPORT HRESULT CLSIDFromString(LPCOLESTR, CLSID*) { return CO_E_CLASSSTRING; }
QMT_RUNTIME_EXPORT HRESULT CoCreateInstance(REFCLSID, IUnknown*, DWORD, REFIID, LPVOID* ppv)
{
    *ppv = nullptr;
    return REGDB_E_CLASSNOTREG;
}

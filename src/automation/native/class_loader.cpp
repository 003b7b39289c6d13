// Object creation through in-process servers: the class's InprocServer32 key names a
// shared library, whose DllGetClassObject hands out the class factory. The library stays
// loaded until the runtime shuts down (the last CoUninitialize).
#include "automation/native/directory_registry.h"
#include "automation/native/guid_text.h"
#include "automation/native/loaded_libraries.h"
#include "automation/native/runtime_session.h"
#include "automation/native/runtime_status.h"
#include "platform/file_system.h"
#include "platform/shared_library.h"
#include "quillmate/com_abi.h"

#include <utility>

namespace {

using namespace qmt::runtime;

using ClassObjectGetter = HRESULT(STDAPICALLTYPE*)(REFCLSID rclsid, REFIID riid, LPVOID* ppv);

// Whatever an object's creator hands out is released, whatever status came with it.
void release_if_any(void* object)
{
    if (object != nullptr)
        static_cast<IUnknown*>(object)->Release();
}

// The absolute path of the class's in-process server.
HRESULT find_server(REFCLSID clsid, KeyValue& path)
{
    char clsid_text[guid_text_length + 1];
    format_guid_text(clsid, clsid_text);
    KeyPath key = KeyPath::classes_root();
    key.subkey("CLSID").subkey(clsid_text).subkey("InprocServer32");
    switch (read_default_value(key, path)) {
    case ValueStatus::found:
        break;
    case ValueStatus::missing:
        return REGDB_E_CLASSNOTREG;
    case ValueStatus::unreadable:
        return REGDB_E_READREGDB;
    }
    // A relative name would make the loader search its library path: never load that.
    if (path.length == 0 || path.text[0] != '/')
        return CO_E_DLLNOTFOUND;
    return S_OK;
}

HRESULT get_class_factory(REFCLSID clsid, char const* path, IClassFactory** factory)
{
    // Loading a FIFO or a device would wait for a writer or act on the device: only a
    // regular file is loaded.
    if (!qmt::platform::is_regular_file(path))
        return qmt::platform::path_exists(path) ? CO_E_ERRORINDLL : CO_E_DLLNOTFOUND;
    qmt::platform::SharedLibrary library = qmt::platform::SharedLibrary::open(path);
    if (!library)
        return qmt::platform::path_exists(path) ? CO_E_ERRORINDLL : CO_E_DLLNOTFOUND;
    auto const get_class_object = reinterpret_cast<ClassObjectGetter>(library.symbol("DllGetClassObject"));
    if (get_class_object == nullptr)
        return QMT_E_PROC_NOT_FOUND; // not a server: unloaded again with `library`
    if (!runtime_session().libraries().keep(std::move(library)))
        return E_OUTOFMEMORY;

    void* object = nullptr;
    HRESULT const status = get_class_object(clsid, IID_IClassFactory, &object);
    if (FAILED(status)) {
        release_if_any(object); // a server that fails and hands out an object all the same
        return status;
    }
    if (object == nullptr)
        return E_UNEXPECTED;
    *factory = static_cast<IClassFactory*>(object);
    return S_OK;
}

} // namespace

QMT_RUNTIME_EXPORT HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext, REFIID riid,
                                            LPVOID* ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (pUnkOuter != nullptr)
        return CLASS_E_NOAGGREGATION;
    if (!runtime_session().is_initialized())
        return CO_E_NOTINITIALIZED;
    // In-process servers are the only kind of server there is.
    if ((dwClsContext & CLSCTX_INPROC_SERVER) == 0)
        return REGDB_E_CLASSNOTREG;

    KeyValue path;
    HRESULT status = find_server(rclsid, path);
    if (FAILED(status))
        return status;
    IClassFactory* factory = nullptr;
    status = get_class_factory(rclsid, path.text, &factory);
    if (FAILED(status))
        return status;

    void* object = nullptr;
    status = factory->CreateInstance(nullptr, riid, &object);
    factory->Release();
    if (FAILED(status)) {
        release_if_any(object);
        return status;
    }
    if (object == nullptr)
        return E_UNEXPECTED;
    *ppv = object;
    return status;
}

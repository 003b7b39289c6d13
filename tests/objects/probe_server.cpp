// The in-process server around the probe: the module's exports (the class factory is the
// object helper's) and what it does when unloaded. On Windows the module also registers
// itself (HKCR\Qmt.Probe and HKCR\CLSID\{...}); the native registry is a directory tree that
// the tests write themselves.
#include "probe_object.h"
#include "probe_script.h"
#include "probe_text.h"
#include "quillmate/class_factory.h"

#ifdef _WIN32
#    define PROBE_EXPORT STDAPI
#else
#    define PROBE_EXPORT extern "C" __attribute__((visibility("default"))) HRESULT STDAPICALLTYPE
#endif

namespace probe {
namespace {

// {6B1E8E53-2F0C-4F0B-9C5E-0A1D2B3C4D04}, "Qmt.Lenient": a class whose factory answers a
// success status other than S_OK with its object, which tells when it is released.
constexpr CLSID CLSID_Lenient = {0x6b1e8e53, 0x2f0c, 0x4f0b, {0x9c, 0x5e, 0x0a, 0x1d, 0x2b, 0x3c, 0x4d, 0x04}};

class Lenient final
    : public quillmate::EarlyBoundObject<Lenient, quillmate::Answers<IDispatch, IID_IUnknown, IID_IDispatch>> {
private:
    friend quillmate::Access;
    Lenient() = default;
    ~Lenient() { write_to_standard_error("released\n", 9); }
};

class LenientFactory final
    : public quillmate::ModuleObject<LenientFactory,
                                     quillmate::Answers<IClassFactory, IID_IUnknown, IID_IClassFactory>> {
public:
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID iid, void** object) override
    {
        HRESULT const status = Lenient::create_as(iid, object);
        return status == S_OK ? S_FALSE : status;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
    friend quillmate::Access;
    constexpr LenientFactory() = default;
};

} // namespace
} // namespace probe

PROBE_EXPORT DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv)
{
    if (IsEqualCLSID(rclsid, probe::CLSID_Lenient))
        return probe::LenientFactory::create_as(riid, ppv);
    return quillmate::get_class_object<probe::Probe>(rclsid, probe::CLSID_Probe, riid, ppv);
}

PROBE_EXPORT DllCanUnloadNow()
{
    bool const in_use = probe::Probe::live_objects() != 0 || quillmate::ClassFactory<probe::Probe>::locks() != 0;
    return in_use ? S_FALSE : S_OK;
}

// What a user's object keeps in module-level storage is let go when its library is unloaded.
#ifdef _WIN32
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_DETACH)
        probe::release_kept_enumerator();
    return TRUE;
}
#else
__attribute__((destructor)) static void on_unload() { probe::release_kept_enumerator(); }
#endif

#ifdef _WIN32

namespace probe {
namespace {

constexpr wchar_t clsid_key[] = L"CLSID\\{1C4CBA8E-BBD3-4193-A11A-F43A46737D58}";
constexpr wchar_t server_key[] = L"CLSID\\{1C4CBA8E-BBD3-4193-A11A-F43A46737D58}\\InprocServer32";
constexpr wchar_t progid_key[] = L"Qmt.Probe";
constexpr wchar_t progid_clsid_key[] = L"Qmt.Probe\\CLSID";
constexpr wchar_t clsid_text[] = L"{1C4CBA8E-BBD3-4193-A11A-F43A46737D58}";

// A registry key handle, closed when dropped.
class Key {
public:
    ~Key()
    {
        if (m_key != nullptr)
            RegCloseKey(m_key);
    }
    HKEY* out() { return &m_key; }
    HKEY get() const { return m_key; }

private:
    HKEY m_key {nullptr};
};

LONG set_value(wchar_t const* key_name, wchar_t const* value_name, wchar_t const* value)
{
    Key key;
    LONG status = RegCreateKeyExW(HKEY_CLASSES_ROOT, key_name, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                                  nullptr, key.out(), nullptr);
    if (status != ERROR_SUCCESS)
        return status;
    DWORD const bytes = static_cast<DWORD>((lstrlenW(value) + 1) * sizeof(wchar_t));
    return RegSetValueExW(key.get(), value_name, 0, REG_SZ, reinterpret_cast<BYTE const*>(value), bytes);
}

// The path this module was loaded from, found through an address inside it.
bool own_path(wchar_t* path, DWORD capacity)
{
    static char const anchor = 0;
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&anchor), &module))
        return false;
    DWORD const length = GetModuleFileNameW(module, path, capacity);
    return length > 0 && length < capacity;
}

} // namespace
} // namespace probe

PROBE_EXPORT DllRegisterServer()
{
    using namespace probe;
    wchar_t path[MAX_PATH * 4];
    if (!own_path(path, MAX_PATH * 4))
        return E_FAIL;
    LONG const statuses[] = {
        set_value(progid_clsid_key, nullptr, clsid_text),
        set_value(server_key, nullptr, path),
        set_value(server_key, L"ThreadingModel", L"Apartment"),
        set_value(L"CLSID\\{1C4CBA8E-BBD3-4193-A11A-F43A46737D58}\\ProgID", nullptr, progid_key),
    };
    for (LONG status : statuses)
        if (status != ERROR_SUCCESS)
            return HRESULT_FROM_WIN32(static_cast<DWORD>(status));
    return S_OK;
}

PROBE_EXPORT DllUnregisterServer()
{
    using namespace probe;
    // Leaves first: RegDeleteKeyW removes only keys without subkeys.
    wchar_t const* const keys[] = {
        server_key, L"CLSID\\{1C4CBA8E-BBD3-4193-A11A-F43A46737D58}\\ProgID", clsid_key, progid_clsid_key, progid_key,
    };
    for (wchar_t const* key : keys) {
        LONG const status = RegDeleteKeyW(HKEY_CLASSES_ROOT, key);
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
            return HRESULT_FROM_WIN32(static_cast<DWORD>(status));
    }
    return S_OK;
}

#endif

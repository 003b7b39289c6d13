// Windows only: DllRegisterServer and DllUnregisterServer for classes that name their
// `class_id` and `prog_id`, as regsvr32 calls them. Registering writes, for each class,
//   HKEY_CLASSES_ROOT\<prog_id>\CLSID                      = {class_id}
//   HKEY_CLASSES_ROOT\CLSID\{class_id}\InprocServer32     = this library's path
//                                       (ThreadingModel = Apartment)
//   HKEY_CLASSES_ROOT\CLSID\{class_id}\ProgID             = <prog_id>
// and unregistering deletes those keys again.
#pragma once

#include "quillmate/runtime.h"

#include <cstddef>

namespace quillmate {

namespace detail {

// Sets the value `value_name` (null: the default value) of the key `key`, created as needed.
inline LONG set_registry_text(wchar_t const* key, wchar_t const* value_name, wchar_t const* value)
{
    HKEY opened = nullptr;
    LONG status = RegCreateKeyExW(HKEY_CLASSES_ROOT, key, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                                  &opened, nullptr);
    if (status != ERROR_SUCCESS)
        return status;
    DWORD const bytes = static_cast<DWORD>((lstrlenW(value) + 1) * sizeof(wchar_t));
    status = RegSetValueExW(opened, value_name, 0, REG_SZ, reinterpret_cast<BYTE const*>(value), bytes);
    RegCloseKey(opened);
    return status;
}

// `first` followed by `second` into `out` (room for `capacity` units, the terminator included).
inline void join_wide(wchar_t* out, std::size_t capacity, wchar_t const* first, wchar_t const* second = L"",
                      wchar_t const* third = L"")
{
    std::size_t used = 0;
    wchar_t const* const pieces[] = {first, second, third};
    for (wchar_t const* piece : pieces)
        for (; *piece != 0 && used + 1 < capacity; ++piece)
            out[used++] = *piece;
    out[used] = 0;
}

template<typename Class>
HRESULT register_class(bool registering, wchar_t const* library_path)
{
    wchar_t clsid[40];
    if (StringFromGUID2(Class::class_id, clsid, 40) == 0)
        return E_UNEXPECTED;
    wchar_t prog_id[256];
    std::size_t length = 0;
    for (; Class::prog_id[length] != '\0' && length + 1 < 256; ++length)
        prog_id[length] = static_cast<wchar_t>(Class::prog_id[length]);
    prog_id[length] = 0;
    wchar_t class_key[64];
    join_wide(class_key, 64, L"CLSID\\", clsid);
    wchar_t server_key[96];
    join_wide(server_key, 96, class_key, L"\\InprocServer32");
    wchar_t class_prog_id_key[96];
    join_wide(class_prog_id_key, 96, class_key, L"\\ProgID");
    wchar_t prog_id_clsid_key[272];
    join_wide(prog_id_clsid_key, 272, prog_id, L"\\CLSID");
    if (registering) {
        LONG const statuses[] = {
            set_registry_text(prog_id_clsid_key, nullptr, clsid),
            set_registry_text(server_key, nullptr, library_path),
            set_registry_text(server_key, L"ThreadingModel", L"Apartment"),
            set_registry_text(class_prog_id_key, nullptr, prog_id),
        };
        for (LONG const status : statuses)
            if (status != ERROR_SUCCESS)
                return HRESULT_FROM_WIN32(static_cast<DWORD>(status));
        return S_OK;
    }
    // Leaves first: RegDeleteKeyW removes only keys without subkeys.
    wchar_t const* const keys[] = {server_key, class_prog_id_key, class_key, prog_id_clsid_key, prog_id};
    for (wchar_t const* key : keys) {
        LONG const status = RegDeleteKeyW(HKEY_CLASSES_ROOT, key);
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
            return HRESULT_FROM_WIN32(static_cast<DWORD>(status));
    }
    return S_OK;
}

} // namespace detail

// Registers (or unregisters) every class named, with this library as their in-process server.
template<typename... Classes>
HRESULT register_classes(bool registering)
{
    // The library this code is in, found through an address inside it.
    static char const anchor = 0;
    HMODULE module = nullptr;
    wchar_t path[MAX_PATH * 4];
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&anchor), &module))
        return E_FAIL;
    DWORD const length = GetModuleFileNameW(module, path, MAX_PATH * 4);
    if (length == 0 || length >= MAX_PATH * 4)
        return E_FAIL;
    HRESULT status = S_OK;
    (void)((status = detail::register_class<Classes>(registering, path), status == S_OK) && ...);
    return status;
}

} // namespace quillmate

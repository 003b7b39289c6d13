#include "sample_system.h"

#include <cstdlib>
#include <cstring>
#include <ctime>
// On Windows the system's functions come with the SDK's runtime header.
#ifndef _WIN32
#    include <cstdio>
#    include <dlfcn.h>
#    include <unistd.h>
#endif

namespace shop {

namespace {

bool join(char const* folder, std::size_t folder_length, char const* name, SamplePath& path)
{
    std::size_t const name_length = std::strlen(name);
    if (folder_length + 1 + name_length >= SamplePath::capacity)
        return false;
    std::memcpy(path.text, folder, folder_length);
    path.text[folder_length] = '/';
    std::memcpy(path.text + folder_length + 1, name, name_length + 1);
    return true;
}

std::size_t folder_length(char const* file)
{
    char const* slash = std::strrchr(file, '/');
#ifdef _WIN32
    char const* backslash = std::strrchr(file, '\\');
    if (slash == nullptr || (backslash != nullptr && backslash > slash))
        slash = backslash;
#endif
    return slash == nullptr ? 0 : static_cast<std::size_t>(slash - file);
}

} // namespace

bool file_beside_library(char const* name, SamplePath& path)
{
#ifdef _WIN32
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&file_beside_library), &module))
        return false;
    char library[SamplePath::capacity];
    DWORD const library_length = GetModuleFileNameA(module, library, sizeof library);
    if (library_length == 0 || library_length >= sizeof library)
        return false;
#else
    Dl_info info {};
    if (dladdr(reinterpret_cast<void*>(&file_beside_library), &info) == 0 || info.dli_fname == nullptr)
        return false;
    char const* library = info.dli_fname;
#endif
    std::size_t const length = folder_length(library);
    return length != 0 && join(library, length, name, path);
}

bool file_in_orders_folder(char const* name, SamplePath& path)
{
    char const* folder = std::getenv("SHOP_CATALOG_ORDERS");
    if (folder == nullptr || *folder == 0)
        return false;
    return join(folder, std::strlen(folder), name, path);
}

unsigned long long new_order_number()
{
    // Microseconds and the process: a worker serves many pages a second, each in its own
    // microseconds, and processes serving at once differ in the last three digits.
#ifdef _WIN32
    FILETIME now {};
    GetSystemTimeAsFileTime(&now);
    unsigned long long const microseconds
        = ((static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime) / 10;
    unsigned long long const process = GetCurrentProcessId();
#else
    timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    unsigned long long const microseconds
        = static_cast<unsigned long long>(now.tv_sec) * 1000000 + static_cast<unsigned long long>(now.tv_nsec) / 1000;
    auto const process = static_cast<unsigned long long>(getpid());
#endif
    return microseconds * 1000 + process % 1000;
}

quillmate::Text path_text(char const* path)
{
#ifdef _WIN32
    WCHAR units[SamplePath::capacity];
    int const count = MultiByteToWideChar(CP_ACP, 0, path, -1, units, SamplePath::capacity);
    return quillmate::Text::copy(count > 0 ? units : nullptr);
#else
    return quillmate::Text::from_utf8(path);
#endif
}

bool move_into_place(char const* from, char const* to)
{
#ifdef _WIN32
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0;
#else
    return std::rename(from, to) == 0;
#endif
}

} // namespace shop

#include "sample_system.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
// On Windows the system's functions come with the SDK's runtime header.
#ifndef _WIN32
#    include <cstdio>
#    include <dlfcn.h>
#    include <fcntl.h>
#    include <sys/stat.h>
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

namespace {

// A file opened for reading, closed when dropped. The C runtime's stream functions would ask
// for the size by seeking twice and read through a buffer of their own: a request is one
// process, and every call and page counts.
class ReadOnlyFile {
public:
    explicit ReadOnlyFile(char const* path)
#ifdef _WIN32
        : m_file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr))
#else
        : m_file(open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY))
#endif
    {
    }
    ReadOnlyFile(ReadOnlyFile const&) = delete;
    ReadOnlyFile& operator=(ReadOnlyFile const&) = delete;
    ~ReadOnlyFile()
    {
#ifdef _WIN32
        if (m_file != INVALID_HANDLE_VALUE)
            CloseHandle(m_file);
#else
        if (m_file >= 0)
            close(m_file);
#endif
    }

    // The size of an open regular file; false for anything else.
    bool regular_file_size(unsigned long long& size) const
    {
#ifdef _WIN32
        LARGE_INTEGER length {};
        if (m_file == INVALID_HANDLE_VALUE || GetFileType(m_file) != FILE_TYPE_DISK
            || GetFileSizeEx(m_file, &length) == 0)
            return false;
        size = static_cast<unsigned long long>(length.QuadPart);
#else
        struct stat status { };
        if (m_file < 0 || fstat(m_file, &status) != 0 || !S_ISREG(status.st_mode))
            return false;
        size = static_cast<unsigned long long>(status.st_size);
#endif
        return true;
    }

    // Exactly `length` bytes from the current position; false when fewer are there.
    bool read_exactly(char* bytes, std::size_t length) const
    {
        while (length > 0) {
#ifdef _WIN32
            DWORD got = 0;
            if (ReadFile(m_file, bytes, static_cast<DWORD>(length), &got, nullptr) == 0 || got == 0)
                return false;
#else
            ssize_t const got = read(m_file, bytes, length);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return false;
#endif
            bytes += got;
            length -= static_cast<std::size_t>(got);
        }
        return true;
    }

private:
#ifdef _WIN32
    HANDLE m_file;
#else
    int m_file;
#endif
};

} // namespace

char* read_whole_file(char const* path, std::size_t limit, std::size_t& size)
{
    size = 0;
    ReadOnlyFile const file(path);
    unsigned long long length = 0;
    if (!file.regular_file_size(length) || length > limit)
        return nullptr;
    auto* bytes = static_cast<char*>(std::malloc(static_cast<std::size_t>(length) + 1));
    if (bytes == nullptr || !file.read_exactly(bytes, static_cast<std::size_t>(length))) {
        std::free(bytes);
        return nullptr;
    }
    size = static_cast<std::size_t>(length);
    return bytes;
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

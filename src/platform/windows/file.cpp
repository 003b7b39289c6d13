#include "platform/file.h"

#include "platform/process.h"

#include <algorithm>
#include <utility>
#include <windows.h>

namespace qmt::platform {

File& File::operator=(File&& other) noexcept
{
    if (this != &other) {
        close();
        m_handle = other.release();
    }
    return *this;
}

namespace {

// A name such as NUL, CON or \\.\pipe\x opens a device or a pipe, which is no file.
bool is_disk_file(File const& file) { return file.is_open() && GetFileType(file.handle()) == FILE_TYPE_DISK; }

} // namespace

File File::open_for_reading(char const* path)
{
    File file(
        CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    return is_disk_file(file) ? std::move(file) : File {};
}

File File::create_for_writing(char const* path)
{
    File file(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    return is_disk_file(file) ? std::move(file) : File {};
}

std::size_t describe_open_failure(char const*, char* text, std::size_t capacity)
{
    DWORD const error = GetLastError();
    if (std::size_t const length = error != ERROR_SUCCESS ? system_message(error, text, capacity) : 0; length > 0)
        return length;
    char const cause[] = "not a disk file (a device or a pipe is never opened)";
    std::size_t const length = sizeof cause - 1 < capacity ? sizeof cause - 1 : capacity;
    CopyMemory(text, cause, length);
    return length;
}

std::optional<std::uint64_t> File::size() const
{
    BY_HANDLE_FILE_INFORMATION information {};
    if (!GetFileInformationByHandle(m_handle, &information))
        return std::nullopt;
    return (static_cast<std::uint64_t>(information.nFileSizeHigh) << 32) | information.nFileSizeLow;
}

std::optional<std::size_t> File::read_at(std::uint64_t offset, void* buffer, std::size_t length) const
{
    auto* const bytes = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < length) {
        std::uint64_t const at = offset + done;
        OVERLAPPED place {};
        place.Offset = static_cast<DWORD>(at);
        place.OffsetHigh = static_cast<DWORD>(at >> 32);
        DWORD const piece = static_cast<DWORD>(std::min<std::size_t>(length - done, 1u << 30));
        DWORD got = 0;
        if (!ReadFile(m_handle, bytes + done, piece, &got, &place))
            return GetLastError() == ERROR_HANDLE_EOF ? std::optional<std::size_t>(done) : std::nullopt;
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

void File::close()
{
    if (is_open())
        CloseHandle(m_handle);
    m_handle = invalid_handle;
}

NativeHandle File::release() { return std::exchange(m_handle, invalid_handle); }

FileView::FileView(FileView&& other) noexcept
    : m_data(std::exchange(other.m_data, nullptr))
    , m_length(std::exchange(other.m_length, 0))
    , m_mapping(std::exchange(other.m_mapping, nullptr))
{
}

FileView& FileView::operator=(FileView&& other) noexcept
{
    if (this != &other) {
        unmap();
        m_data = std::exchange(other.m_data, nullptr);
        m_length = std::exchange(other.m_length, 0);
        m_mapping = std::exchange(other.m_mapping, nullptr);
    }
    return *this;
}

FileView FileView::map_read_only(File const& file, std::uint64_t offset, std::uint64_t length)
{
    FileView view;
    if (!file.is_open() || length == 0 || offset % view_alignment != 0)
        return view;
    if (static_cast<std::uint64_t>(static_cast<SIZE_T>(length)) != length)
        return view; // larger than this build's address space
    view.m_mapping = CreateFileMappingA(file.handle(), nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (view.m_mapping == nullptr)
        return view;
    view.m_data = static_cast<unsigned char const*>(
        MapViewOfFile(view.m_mapping, FILE_MAP_READ, static_cast<DWORD>(offset >> 32), static_cast<DWORD>(offset),
                      static_cast<SIZE_T>(length)));
    if (view.m_data == nullptr) {
        view.unmap();
        return view;
    }
    view.m_length = length;
    return view;
}

void FileView::unmap()
{
    if (m_data != nullptr)
        UnmapViewOfFile(m_data);
    if (m_mapping != nullptr)
        CloseHandle(m_mapping);
    m_data = nullptr;
    m_mapping = nullptr;
    m_length = 0;
}

} // namespace qmt::platform

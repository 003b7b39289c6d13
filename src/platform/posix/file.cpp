#include "platform/file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

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

bool is_regular(int fd)
{
    struct stat info { };
    return ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
}

// The size of the open file when it is a regular file.
std::optional<std::uint64_t> regular_file_size(int fd)
{
    struct stat info { };
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return static_cast<std::uint64_t>(info.st_size);
}

// The sequential-scan hint widens the kernel's read-ahead: a file no larger than the smallest
// read-ahead window in use is read whole by the first read-ahead anyway, with or without it.
// A request's templates are such files, and the hint would cost each a system call.
constexpr std::uint64_t hint_threshold = 16 * 1024;

// Whether the path names something other than a regular file: that is never opened, as
// opening a device may act on it.
bool names_other_than_regular_file(char const* path)
{
    struct stat info { };
    return ::stat(path, &info) == 0 && !S_ISREG(info.st_mode);
}

} // namespace

// Opened without waiting: a FIFO that takes the place of the file after the check above
// opens at once (and is refused) instead of blocking until another process opens its other
// end. The flag means nothing for a regular file.
File File::open_for_reading(char const* path)
{
    if (names_other_than_regular_file(path))
        return File {};
    File file(::open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    std::optional<std::uint64_t> const size = file.is_open() ? regular_file_size(file.handle()) : std::nullopt;
    if (!size)
        return File {};
    if (*size > hint_threshold)
        ::posix_fadvise(file.handle(), 0, 0, POSIX_FADV_SEQUENTIAL);
    return file;
}

// Truncated only once it is known to be a regular file.
File File::create_for_writing(char const* path)
{
    if (names_other_than_regular_file(path))
        return File {};
    File file(::open(path, O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666));
    if (!file.is_open() || !is_regular(file.handle()) || ::ftruncate(file.handle(), 0) != 0)
        return File {};
    return file;
}

std::size_t describe_open_failure(char const* path, char* text, std::size_t capacity)
{
    int const error = errno;
    struct stat info { };
    char const* cause = nullptr;
    if (::stat(path, &info) != 0)
        cause = std::strerror(errno);
    else if (!S_ISREG(info.st_mode))
        cause = "not a regular file (a directory, FIFO, device or socket is never opened)";
    else
        cause = std::strerror(error);
    // The words without a terminator: the caller takes them by length.
    std::size_t const length = std::min(std::strlen(cause), capacity);
    std::copy_n(cause, length, text);
    return length;
}

std::optional<std::uint64_t> File::size() const
{
    struct stat info { };
    if (::fstat(m_handle, &info) != 0)
        return std::nullopt;
    return static_cast<std::uint64_t>(info.st_size);
}

std::optional<std::size_t> File::read_at(std::uint64_t offset, void* buffer, std::size_t length) const
{
    auto* const bytes = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < length) {
        ssize_t const got = ::pread(m_handle, bytes + done, length - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

void File::close()
{
    if (is_open())
        ::close(m_handle);
    m_handle = invalid_handle;
}

NativeHandle File::release() { return std::exchange(m_handle, invalid_handle); }

FileView::FileView(FileView&& other) noexcept
    : m_data(std::exchange(other.m_data, nullptr))
    , m_length(std::exchange(other.m_length, 0))
{
}

FileView& FileView::operator=(FileView&& other) noexcept
{
    if (this != &other) {
        unmap();
        m_data = std::exchange(other.m_data, nullptr);
        m_length = std::exchange(other.m_length, 0);
    }
    return *this;
}

FileView FileView::map_read_only(File const& file, std::uint64_t offset, std::uint64_t length)
{
    FileView view;
    if (!file.is_open() || length == 0 || offset % view_alignment != 0)
        return view;
    void* address = ::mmap(nullptr, length, PROT_READ, MAP_PRIVATE, file.handle(), static_cast<off_t>(offset));
    if (address == MAP_FAILED)
        return view;
    view.m_data = static_cast<unsigned char const*>(address);
    view.m_length = length;
    return view;
}

void FileView::unmap()
{
    if (m_data != nullptr)
        ::munmap(const_cast<unsigned char*>(m_data), m_length);
    m_data = nullptr;
    m_length = 0;
}

} // namespace qmt::platform

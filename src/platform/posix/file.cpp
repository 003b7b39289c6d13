#include "platform/file.h"

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

File File::open_for_reading(char const* path)
{
    int const fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return File {};
    struct stat info { };
    // Only regular files can be sent whole; a directory "opens" on POSIX but is no file.
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        ::close(fd);
        return File {};
    }
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return File {fd};
}

File File::create_for_writing(char const* path)
{
    int const fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    return fd < 0 ? File {} : File {fd};
}

std::optional<std::uint64_t> File::size() const
{
    struct stat info { };
    if (::fstat(m_handle, &info) != 0)
        return std::nullopt;
    return static_cast<std::uint64_t>(info.st_size);
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

FileView FileView::map_read_only(File const& file, std::uint64_t length)
{
    FileView view;
    if (!file.is_open() || length == 0)
        return view;
    void* address = ::mmap(nullptr, length, PROT_READ, MAP_PRIVATE, file.handle(), 0);
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

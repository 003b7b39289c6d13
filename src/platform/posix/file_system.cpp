#include "platform/file_system.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qmt::platform {
namespace {

// Closes the descriptor on every way out.
class Descriptor {
public:
    explicit Descriptor(int descriptor)
        : m_descriptor(descriptor)
    {
    }
    Descriptor(Descriptor const&) = delete;
    Descriptor& operator=(Descriptor const&) = delete;
    ~Descriptor()
    {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
    }
    int get() const { return m_descriptor; }

private:
    int m_descriptor;
};

bool is_absent(int error) { return error == ENOENT || error == ENOTDIR || error == ENAMETOOLONG || error == ELOOP; }

} // namespace

SmallFileStatus read_small_file(char const* path, char* buffer, std::size_t capacity, std::size_t& length)
{
    length = 0;
    Descriptor const file(::open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (file.get() < 0)
        return is_absent(errno) ? SmallFileStatus::absent : SmallFileStatus::unreadable;
    struct stat status { };
    if (::fstat(file.get(), &status) != 0)
        return SmallFileStatus::unreadable;
    if (!S_ISREG(status.st_mode))
        return SmallFileStatus::not_regular;
    if (status.st_size < 0 || static_cast<unsigned long long>(status.st_size) > capacity)
        return SmallFileStatus::too_large;

    auto const size = static_cast<std::size_t>(status.st_size);
    while (length < size) {
        ssize_t const count = ::read(file.get(), buffer + length, size - length);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return SmallFileStatus::unreadable;
        if (count == 0)
            break; // shrank while being read
        length += static_cast<std::size_t>(count);
    }
    return SmallFileStatus::read;
}

bool path_exists(char const* path) { return ::access(path, F_OK) == 0; }

bool is_regular_file(char const* path)
{
    struct stat status { };
    return ::stat(path, &status) == 0 && S_ISREG(status.st_mode);
}

} // namespace qmt::platform

#include "automation/native/directory_registry.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qmt::runtime {
namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int descriptor)
        : m_descriptor(descriptor)
    {
    }
    FileDescriptor(FileDescriptor const&) = delete;
    FileDescriptor& operator=(FileDescriptor const&) = delete;
    ~FileDescriptor()
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

KeyPath KeyPath::classes_root()
{
    char const* root = std::getenv("QUILLMATE_REGISTRY");
    if (root == nullptr || *root == '\0')
        root = default_registry_root;
    KeyPath path;
    path.append(root);
    path.append("/HKEY_CLASSES_ROOT");
    return path;
}

KeyPath& KeyPath::subkey(std::string_view name)
{
    append("/");
    append(name);
    return *this;
}

void KeyPath::append(std::string_view text)
{
    // Room is kept for "/@" and the terminator, which read_default_value adds.
    if (!m_valid || text.size() > sizeof m_text - 3 - m_length) {
        m_valid = false;
        return;
    }
    std::memcpy(m_text + m_length, text.data(), text.size());
    m_length += text.size();
    m_text[m_length] = '\0';
}

ValueStatus read_default_value(KeyPath const& key, KeyValue& value)
{
    value.length = 0;
    value.text[0] = '\0';
    if (!key.is_valid())
        return ValueStatus::missing;
    char path[PATH_MAX];
    std::memcpy(path, key.c_str(), key.length());
    std::memcpy(path + key.length(), "/@", 3);

    // Non-blocking, so that a FIFO planted as `@` cannot stall the request.
    FileDescriptor const file(::open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (file.get() < 0)
        return is_absent(errno) ? ValueStatus::missing : ValueStatus::unreadable;
    struct stat status { };
    if (::fstat(file.get(), &status) != 0)
        return ValueStatus::unreadable;
    if (!S_ISREG(status.st_mode))
        return ValueStatus::missing;
    // Room for the longest value and its line feed.
    if (status.st_size < 0 || status.st_size > PATH_MAX)
        return ValueStatus::unreadable;

    auto const size = static_cast<std::size_t>(status.st_size);
    std::size_t filled = 0;
    while (filled < size) {
        ssize_t const count = ::read(file.get(), value.text + filled, size - filled);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return ValueStatus::unreadable;
        if (count == 0)
            break; // shrank while being read: keep what is there
        filled += static_cast<std::size_t>(count);
    }
    if (filled > 0 && value.text[filled - 1] == '\n')
        --filled;
    // A zero byte would cut the value short wherever it is used as a C string.
    if (filled >= PATH_MAX || std::memchr(value.text, '\0', filled) != nullptr)
        return ValueStatus::unreadable;
    value.text[filled] = '\0';
    value.length = filled;
    return ValueStatus::found;
}

bool is_single_key_name(std::string_view name)
{
    if (name.empty() || name == "." || name == "..")
        return false;
    // A backslash separates keys in Windows registry paths: it never belongs to a name.
    constexpr std::string_view forbidden("/\\\0", 3);
    return name.find_first_of(forbidden) == std::string_view::npos;
}

} // namespace qmt::runtime

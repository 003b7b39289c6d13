// The directory registry. Keys are opened relative to their parent's directory and never
// through a symbolic link, so that deleting a key cannot reach outside the registry.
#include "platform/registry.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace qmt::platform {
namespace {

constexpr int key_flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
constexpr char value_file[] = "@";

// One key name: no separator (a backslash separates Windows key paths), not "." or "..".
bool is_key_name(char const* name)
{
    return name != nullptr && name[0] != '\0' && std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0
        && std::strpbrk(name, "/\\") == nullptr;
}

RegistryStatus status_of(int error)
{
    return error == ENOENT || error == ENOTDIR || error == ELOOP ? registry_not_found : registry_access_denied;
}

// Calls `visit(name)` for every subkey of the directory until it returns true.
template<typename Visit>
RegistryStatus for_each_entry(int directory, Visit visit)
{
    int const copy = ::dup(directory);
    if (copy < 0)
        return registry_access_denied;
    DIR* listing = ::fdopendir(copy);
    if (listing == nullptr) {
        ::close(copy);
        return registry_access_denied;
    }
    ::rewinddir(listing); // the copy shares its position with the key's own descriptor
    while (dirent const* entry = ::readdir(listing)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        if (visit(*entry))
            break;
    }
    ::closedir(listing);
    return registry_success;
}

bool is_subkey(int directory, dirent const& entry)
{
    if (entry.d_type != DT_UNKNOWN)
        return entry.d_type == DT_DIR;
    struct stat status { };
    return ::fstatat(directory, entry.d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(status.st_mode);
}

} // namespace

char const* registry_root()
{
    char const* root = std::getenv("QUILLMATE_REGISTRY");
    return root == nullptr || *root == '\0' ? default_registry_root : root;
}

RegistryKey::RegistryKey(RegistryKey&& other) noexcept
    : m_directory(std::exchange(other.m_directory, -1))
{
}

RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept
{
    if (this != &other) {
        close();
        m_directory = std::exchange(other.m_directory, -1);
    }
    return *this;
}

RegistryKey RegistryKey::classes_root()
{
    int const root = ::open(registry_root(), key_flags);
    if (root < 0)
        return RegistryKey {};
    int const classes = ::openat(root, "HKEY_CLASSES_ROOT", key_flags);
    ::close(root);
    return RegistryKey {classes};
}

RegistryKey RegistryKey::create_classes_root()
{
    // Each missing directory of the root's path, outermost first.
    std::size_t const length = std::strlen(registry_root());
    char* path = static_cast<char*>(std::malloc(length + 1));
    if (path == nullptr)
        return RegistryKey {};
    std::memcpy(path, registry_root(), length + 1);
    for (std::size_t at = 1; at <= length; ++at)
        if (path[at] == '/' || path[at] == '\0') {
            char const kept = path[at];
            path[at] = '\0';
            ::mkdir(path, 0777);
            path[at] = kept;
        }
    std::free(path);
    int const root = ::open(registry_root(), key_flags);
    if (root < 0)
        return RegistryKey {};
    ::mkdirat(root, "HKEY_CLASSES_ROOT", 0777);
    ::close(root);
    return classes_root();
}

bool RegistryKey::is_open() const { return m_directory >= 0; }

RegistryStatus RegistryKey::open(char const* name, RegistryKey& key) const
{
    key.close();
    if (!is_open() || !is_key_name(name))
        return registry_not_found;
    int const directory = ::openat(m_directory, name, key_flags | O_NOFOLLOW);
    if (directory < 0)
        return status_of(errno);
    key.m_directory = directory;
    return registry_success;
}

RegistryStatus RegistryKey::create(char const* name, RegistryKey& key) const
{
    key.close();
    if (!is_open() || !is_key_name(name))
        return registry_not_found;
    if (::mkdirat(m_directory, name, 0777) != 0 && errno != EEXIST)
        return status_of(errno);
    return open(name, key);
}

RegistryStatus RegistryKey::subkey(std::uint32_t index, char* name, std::uint32_t& size) const
{
    if (!is_open())
        return registry_not_found;
    RegistryStatus found = registry_no_more_items;
    std::uint32_t position = 0;
    RegistryStatus const listed = for_each_entry(m_directory, [&](dirent const& entry) {
        if (!is_subkey(m_directory, entry) || position++ != index)
            return false;
        std::size_t const length = std::strlen(entry.d_name);
        if (length >= size) {
            found = registry_more_data;
        } else {
            std::memcpy(name, entry.d_name, length + 1);
            size = static_cast<std::uint32_t>(length);
            found = registry_success;
        }
        return true;
    });
    return listed != registry_success ? listed : found;
}

RegistryStatus RegistryKey::delete_subkey(char const* name) const
{
    RegistryKey key;
    if (RegistryStatus const opened = open(name, key); opened != registry_success)
        return opened;
    // Only the default value may go with the key: anything else in it (a subkey, a file the
    // registry does not know) refuses the deletion, as a key with subkeys does on Windows.
    bool only_value = true;
    RegistryStatus const listed = for_each_entry(key.m_directory, [&](dirent const& entry) {
        only_value = std::strcmp(entry.d_name, value_file) == 0 && !is_subkey(key.m_directory, entry);
        return !only_value;
    });
    if (listed != registry_success || !only_value)
        return registry_access_denied;
    if (::unlinkat(key.m_directory, value_file, 0) != 0 && errno != ENOENT)
        return registry_access_denied;
    key.close();
    return ::unlinkat(m_directory, name, AT_REMOVEDIR) == 0 ? registry_success : status_of(errno);
}

RegistryStatus RegistryKey::set_default_value(char const* text) const
{
    if (!is_open())
        return registry_not_found;
    int const file = ::openat(m_directory, value_file, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (file < 0)
        return status_of(errno);
    // The value and one line feed, which readers ignore.
    std::size_t const length = std::strlen(text);
    bool written = true;
    for (auto [bytes, left] = std::pair {text, length}; written && left > 0;) {
        ssize_t const count = ::write(file, bytes, left);
        if (count < 0 && errno == EINTR)
            continue;
        written = count > 0;
        if (written) {
            bytes += count;
            left -= static_cast<std::size_t>(count);
        }
    }
    written = written && ::write(file, "\n", 1) == 1;
    return ::close(file) == 0 && written ? registry_success : registry_access_denied;
}

void RegistryKey::close()
{
    if (m_directory >= 0)
        ::close(std::exchange(m_directory, -1));
}

} // namespace qmt::platform

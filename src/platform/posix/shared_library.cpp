#include "platform/shared_library.h"

#include <dlfcn.h>
#include <utility>

namespace qmt::platform {

SharedLibrary& SharedLibrary::operator=(SharedLibrary&& other) noexcept
{
    if (this != &other) {
        reset();
        m_handle = other.release();
    }
    return *this;
}

SharedLibrary SharedLibrary::open(char const* path) { return SharedLibrary(::dlopen(path, RTLD_NOW | RTLD_LOCAL)); }

char const* SharedLibrary::last_error() { return ::dlerror(); }

void* SharedLibrary::symbol(char const* name) const { return m_handle == nullptr ? nullptr : ::dlsym(m_handle, name); }

void* SharedLibrary::release() { return std::exchange(m_handle, nullptr); }

void SharedLibrary::reset()
{
    if (m_handle != nullptr)
        ::dlclose(release());
}

} // namespace qmt::platform

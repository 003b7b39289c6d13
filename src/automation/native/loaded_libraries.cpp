#include "automation/native/loaded_libraries.h"

#include <dlfcn.h>

namespace qmt::runtime {

LibraryHandle& LibraryHandle::operator=(LibraryHandle&& other) noexcept
{
    if (this != &other) {
        reset();
        m_handle = other.release();
    }
    return *this;
}

LibraryHandle LibraryHandle::open(char const* path) { return LibraryHandle(::dlopen(path, RTLD_NOW | RTLD_LOCAL)); }

void* LibraryHandle::symbol(char const* name) const { return m_handle == nullptr ? nullptr : ::dlsym(m_handle, name); }

void* LibraryHandle::release()
{
    void* handle = m_handle;
    m_handle = nullptr;
    return handle;
}

void LibraryHandle::reset()
{
    if (m_handle != nullptr)
        ::dlclose(release());
}

bool LoadedLibraries::keep(LibraryHandle library)
{
    if (!library)
        return false;
    // The loader hands out the same handle for a library that is already loaded.
    void* const handle = library.release();
    for (std::int32_t i = 0; i < m_handles.count(); ++i) {
        if (m_handles.at(i) == handle) {
            ::dlclose(handle);
            return true;
        }
    }
    if (!m_handles.append(handle)) {
        ::dlclose(handle);
        return false;
    }
    return true;
}

void LoadedLibraries::unload_all()
{
    for (std::int32_t i = m_handles.count(); i > 0; --i)
        ::dlclose(m_handles.at(i - 1));
    m_handles.clear();
}

} // namespace qmt::runtime

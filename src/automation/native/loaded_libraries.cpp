#include "automation/native/loaded_libraries.h"

#include <algorithm>
#include <dlfcn.h>
#include <new>

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
    if (std::find(m_handles.begin(), m_handles.end(), handle) != m_handles.end()) {
        ::dlclose(handle);
        return true;
    }
    try {
        m_handles.push_back(handle);
    } catch (std::bad_alloc const&) {
        ::dlclose(handle);
        return false;
    }
    return true;
}

void LoadedLibraries::unload_all()
{
    while (!m_handles.empty()) {
        ::dlclose(m_handles.back());
        m_handles.pop_back();
    }
}

} // namespace qmt::runtime

// Shared libraries opened for in-process servers.
#pragma once

#include "common/pointer_list.h"

#include <cstddef>

namespace qmt::runtime {

// One reference to a shared library opened with dlopen, given back when dropped.
class LibraryHandle {
public:
    LibraryHandle() = default;
    LibraryHandle(LibraryHandle&& other) noexcept
        : m_handle(other.release())
    {
    }
    LibraryHandle& operator=(LibraryHandle&& other) noexcept;
    LibraryHandle(LibraryHandle const&) = delete;
    LibraryHandle& operator=(LibraryHandle const&) = delete;
    ~LibraryHandle() { reset(); }

    // Binds every symbol at once (a missing runtime function fails here, not in the middle
    // of a call) and keeps the library's symbols to itself.
    static LibraryHandle open(char const* path);

    explicit operator bool() const { return m_handle != nullptr; }
    void* symbol(char const* name) const;
    void* release();
    void reset();

private:
    explicit LibraryHandle(void* handle)
        : m_handle(handle)
    {
    }
    void* m_handle {nullptr};
};

// The libraries the runtime keeps loaded until it shuts down. Each distinct library is
// held by exactly one reference however often it was loaded: a repeated load gives its
// extra reference back at once, so unloading never depends on how many objects were made.
class LoadedLibraries {
public:
    LoadedLibraries() = default;
    LoadedLibraries(LoadedLibraries const&) = delete;
    LoadedLibraries& operator=(LoadedLibraries const&) = delete;
    ~LoadedLibraries() { unload_all(); }

    // Takes the reference over; false (the library unloaded again) when memory is short.
    bool keep(LibraryHandle library);

    // Unloads in the reverse order of loading, as the libraries may depend on each other.
    void unload_all();

    std::size_t count() const { return static_cast<std::size_t>(m_handles.count()); }

private:
    PointerList m_handles;
};

} // namespace qmt::runtime

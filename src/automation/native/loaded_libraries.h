// The in-process server libraries that the runtime keeps loaded until it shuts down.
#pragma once

#include "common/pointer_list.h"
#include "platform/shared_library.h"

#include <cstddef>

namespace qmt::runtime {

// Each distinct library is held by exactly one reference however often it was loaded: a
// repeated load gives its extra reference back at once, so unloading never depends on how
// many objects were made.
class LoadedLibraries {
public:
    LoadedLibraries() = default;
    LoadedLibraries(LoadedLibraries const&) = delete;
    LoadedLibraries& operator=(LoadedLibraries const&) = delete;
    ~LoadedLibraries() { unload_all(); }

    // Takes the reference over; false (the library unloaded again) when memory is short.
    bool keep(platform::SharedLibrary library);

    // Unloads in the reverse order of loading, as the libraries may depend on each other.
    void unload_all();

    std::size_t count() const { return static_cast<std::size_t>(m_handles.count()); }

private:
    PointerList m_handles; // released references, adopted again to unload
};

} // namespace qmt::runtime

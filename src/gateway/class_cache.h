// The classes a worker that keeps its libraries has created, by the name a request gave: the
// class identifier and the loaded server found in the registry the first time, so that later
// requests for the same name read no registry and load nothing. The registry's allow-list
// allowed each of them when it was read; the environment's list is still the request's.
// Registry changes are therefore seen when the worker restarts. Only the worker's state holds
// one, and only while the libraries stay loaded: a server's functions live as long as its
// library.
#pragma once

#include "automation/creation.h"
#include "common/pointer_list.h"
#include "common/wide_text.h"

namespace qmt {

class ClassCache {
public:
    ClassCache() = default;
    ClassCache(ClassCache const&) = delete;
    ClassCache& operator=(ClassCache const&) = delete;
    ~ClassCache();

    // The server remembered for exactly this name (letter case included), or null.
    ClassServer const* find(WideChar const* class_name) const;
    // Remembers `server` for `class_name`; when memory is short or the cache is full, the
    // class is simply looked up again next time.
    void remember(WideChar const* class_name, ClassServer const& server);

private:
    // Bounds the memory a worker spends on it whatever names its requests give.
    static constexpr std::int32_t capacity = 64;

    PointerList m_entries; // heap blocks: a CachedClass and its name behind it
};

} // namespace qmt

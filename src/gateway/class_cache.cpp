#include "gateway/class_cache.h"

#include "platform/heap.h"

#include <cstring>
#include <new>

namespace qmt {
namespace {

struct CachedClass {
    ClassServer server;
    // The name's units follow the entry, zero-terminated.
    WideChar const* name() const { return reinterpret_cast<WideChar const*>(this + 1); }
};

static_assert(alignof(CachedClass) >= alignof(WideChar));

CachedClass const* entry_at(PointerList const& entries, std::int32_t index)
{
    return static_cast<CachedClass const*>(entries.at(index));
}

} // namespace

ClassCache::~ClassCache()
{
    for (std::int32_t i = 0; i < m_entries.count(); ++i)
        platform::heap_free(m_entries.at(i));
}

ClassServer const* ClassCache::find(WideChar const* class_name) const
{
    for (std::int32_t i = 0; i < m_entries.count(); ++i) {
        CachedClass const* entry = entry_at(m_entries, i);
        if (wide_equal(entry->name(), class_name))
            return &entry->server;
    }
    return nullptr;
}

void ClassCache::remember(WideChar const* class_name, ClassServer const& server)
{
    if (m_entries.count() >= capacity)
        return;
    std::size_t const name_bytes = (wide_length(class_name) + 1) * sizeof(WideChar);
    void* block = platform::heap_allocate(sizeof(CachedClass) + name_bytes);
    if (block == nullptr)
        return;
    auto* entry = new (block) CachedClass {server};
    std::memcpy(static_cast<unsigned char*>(block) + sizeof(CachedClass), class_name, name_bytes);
    if (!m_entries.append(entry))
        platform::heap_free(block);
}

} // namespace qmt

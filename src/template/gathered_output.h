// Template output on its way to the output channel. Runs of literal text and converted
// replacements are gathered in one bounded buffer and handed on in writes of its size; a
// run at least that long goes straight from the mapping, after what was gathered before
// it. The bytes and their order are exactly those of writing every piece at once, so a
// section of many rows costs a few large writes instead of several small ones per row.
#pragma once

#include "common/heap_ptr.h"
#include "platform/wide_char.h"

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace qmt {

// Where the gathered bytes go: a callable taken by reference, not owned.
class ByteSink {
public:
    template<typename Write>
    requires(!std::is_same_v<Write, ByteSink>) explicit ByteSink(Write& write)
        : m_context(&write)
        , m_write([](void* context, void const* bytes, std::uint64_t length) {
            (*static_cast<Write*>(context))(bytes, length);
        })
    {
    }
    void write(void const* bytes, std::uint64_t length) const { m_write(m_context, bytes, length); }

private:
    void* m_context;
    void (*m_write)(void*, void const*, std::uint64_t);
};

class GatheredOutput {
public:
    static constexpr std::size_t default_capacity = 64 * 1024;

    // `capacity` is for tests; when the heap cannot supply the buffer, a small one inside
    // the object serves, and the output is the same.
    explicit GatheredOutput(ByteSink sink, std::size_t capacity = default_capacity);
    GatheredOutput(GatheredOutput const&) = delete;
    GatheredOutput& operator=(GatheredOutput const&) = delete;

    void write(void const* bytes, std::size_t length);
    // The text up to its first zero unit, converted to the ANSI code page with as many
    // bytes as each character needs there.
    void write_converted(WideChar const* text);
    // Hands on everything gathered so far.
    void flush();

private:
    std::size_t room() const { return m_capacity - m_used; }
    void write_converted_rest(WideChar const* text);

    ByteSink m_sink;
    HeapPtr<unsigned char> m_heap_buffer;
    unsigned char* m_buffer;
    std::size_t m_capacity;
    std::size_t m_used {0};
    unsigned char m_fallback[256];
};

} // namespace qmt

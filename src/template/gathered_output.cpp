#include "template/gathered_output.h"

#include <algorithm>
#include <utility>

namespace qmt {

GatheredOutput::GatheredOutput(ByteSink sink, std::size_t capacity)
    : m_sink(sink)
    , m_buffer(m_fallback)
    , m_capacity(sizeof m_fallback)
    , m_whole_capacity(std::max<std::size_t>(capacity, 1))
{
    if (m_whole_capacity <= sizeof m_fallback) {
        m_capacity = m_whole_capacity;
        return;
    }
    std::size_t const first = std::min(m_whole_capacity, first_capacity);
    m_heap_buffer = HeapPtr<unsigned char>::allocate(first);
    if (m_heap_buffer) {
        m_buffer = m_heap_buffer.get();
        m_capacity = first;
    }
}

bool GatheredOutput::grow()
{
    if (m_capacity == m_whole_capacity)
        return false;
    HeapPtr<unsigned char> whole = HeapPtr<unsigned char>::allocate(m_whole_capacity);
    if (!whole)
        return false;
    std::memcpy(whole.get(), m_buffer, m_used);
    m_heap_buffer = std::move(whole);
    m_buffer = m_heap_buffer.get();
    m_capacity = m_whole_capacity;
    return true;
}

void GatheredOutput::flush()
{
    if (m_used > 0)
        m_sink.write(m_buffer, m_used);
    m_used = 0;
}

void GatheredOutput::write_beyond_room(unsigned char const* bytes, std::size_t length)
{
    if (length >= m_whole_capacity) {
        // As long as the whole buffer or longer: straight from where the bytes are.
        flush();
        m_sink.write(bytes, length);
        return;
    }
    if (grow() && length <= m_capacity - m_used) {
        std::memcpy(m_buffer + m_used, bytes, length);
        m_used += length;
        return;
    }
    while (length > 0) {
        if (m_used == m_capacity)
            flush();
        std::size_t const piece = std::min(length, m_capacity - m_used);
        std::memcpy(m_buffer + m_used, bytes, piece);
        m_used += piece;
        bytes += piece;
        length -= piece;
    }
}

} // namespace qmt

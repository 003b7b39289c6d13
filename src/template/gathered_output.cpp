#include "template/gathered_output.h"

#include <algorithm>

namespace qmt {

GatheredOutput::GatheredOutput(ByteSink sink, std::size_t capacity)
    : m_sink(sink)
    , m_buffer(m_fallback)
    , m_capacity(sizeof m_fallback)
{
    capacity = std::max<std::size_t>(capacity, 1);
    if (capacity > sizeof m_fallback) {
        m_heap_buffer = HeapPtr<unsigned char>::allocate(capacity);
        if (m_heap_buffer) {
            m_buffer = m_heap_buffer.get();
            m_capacity = capacity;
        }
    } else {
        m_capacity = capacity;
    }
}

void GatheredOutput::flush()
{
    if (m_used > 0)
        m_sink.write(m_buffer, m_used);
    m_used = 0;
}

void GatheredOutput::write_beyond_room(unsigned char const* bytes, std::size_t length)
{
    if (length >= m_capacity) {
        // As long as the buffer or longer: straight from where the bytes are.
        flush();
        m_sink.write(bytes, length);
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

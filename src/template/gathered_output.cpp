#include "template/gathered_output.h"

#include <algorithm>
#include <utility>

namespace qmt {

// The first buffer is left as it is: only the bytes gathered are written.
GatheredOutput::GatheredOutput(ByteSink sink, std::size_t capacity) // NOLINT(cppcoreguidelines-pro-type-member-init)
    : m_sink(sink)
    , m_buffer(m_first)
    , m_capacity(std::min(std::max<std::size_t>(capacity, 1), first_capacity))
    , m_whole_capacity(std::max<std::size_t>(capacity, 1))
{
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

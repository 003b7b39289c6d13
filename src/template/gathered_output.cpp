#include "template/gathered_output.h"

#include "common/wide_text.h"
#include "platform/code_page.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace qmt {
namespace {

// No ANSI code page takes more bytes than this for one UTF-16 unit (UTF-8 takes three).
constexpr std::size_t most_bytes_per_unit = 4;
// The least room a conversion step starts with: at least one character of any code page.
constexpr std::size_t least_conversion_room = 4 * most_bytes_per_unit;

bool is_high_surrogate(WideChar unit) { return unit >= 0xD800 && unit <= 0xDBFF; }

} // namespace

GatheredOutput::GatheredOutput(ByteSink sink, std::size_t capacity)
    : m_sink(sink)
    , m_buffer(m_fallback)
    , m_capacity(sizeof m_fallback)
{
    capacity = std::max(capacity, least_conversion_room);
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

void GatheredOutput::write(void const* bytes, std::size_t length)
{
    if (length >= m_capacity) {
        flush();
        m_sink.write(bytes, length);
        return;
    }
    auto const* cursor = static_cast<unsigned char const*>(bytes);
    while (length > 0) {
        if (room() == 0)
            flush();
        std::size_t const piece = std::min(length, room());
        std::memcpy(m_buffer + m_used, cursor, piece);
        m_used += piece;
        cursor += piece;
        length -= piece;
    }
}

void GatheredOutput::write_converted(WideChar const* text)
{
    // Every ANSI code page writes units below 0x80 as the same single bytes: the bulk of
    // replacements needs no call into the platform's conversion.
    for (;; ++text) {
        WideChar const unit = *text;
        if (unit == 0)
            return;
        if (unit >= 0x80)
            break;
        if (room() == 0)
            flush();
        m_buffer[m_used++] = static_cast<unsigned char>(unit);
    }
    write_converted_rest(text);
}

void GatheredOutput::write_converted_rest(WideChar const* text)
{
    // Converted in steps that fit the room left, never splitting a surrogate pair, so that
    // no step's output is cut and the bytes equal those of converting the text at once.
    std::size_t left = wide_length(text);
    while (left > 0) {
        if (room() < least_conversion_room)
            flush();
        std::size_t units = std::min({left, room() / most_bytes_per_unit, static_cast<std::size_t>(INT_MAX)});
        if (units < left && is_high_surrogate(text[units - 1]))
            --units;
        int const room_bytes = static_cast<int>(std::min(room(), static_cast<std::size_t>(INT_MAX)));
        int const written = platform::narrow_from_wide(text, static_cast<int>(units),
                                                       reinterpret_cast<char*>(m_buffer + m_used), room_bytes);
        if (written > 0)
            m_used += static_cast<std::size_t>(written);
        text += units;
        left -= units;
    }
}

} // namespace qmt

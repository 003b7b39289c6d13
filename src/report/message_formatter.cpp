#include "report/message_formatter.h"

#include "platform/code_page.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace qmt {
namespace {

std::string_view html_entity(WideChar unit)
{
    switch (unit) {
    case u'&':
        return "&amp;";
    case u'<':
        return "&lt;";
    case u'>':
        return "&gt;";
    case u'"':
        return "&quot;";
    default:
        return {};
    }
}

bool is_high_surrogate(WideChar unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool is_low_surrogate(WideChar unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

} // namespace

std::size_t append_escaped(WideChar const* text, char* out, std::size_t budget)
{
    std::size_t used = 0;
    if (text == nullptr)
        return 0;
    for (std::size_t index = 0; text[index] != 0;) {
        char piece[16];
        std::size_t piece_length;
        std::string_view const entity = html_entity(text[index]);
        if (!entity.empty()) {
            std::memcpy(piece, entity.data(), entity.size());
            piece_length = entity.size();
            index += 1;
        } else {
            // One character at a time, so a cut never splits a character's bytes.
            int units = is_high_surrogate(text[index]) && is_low_surrogate(text[index + 1]) ? 2 : 1;
            int const converted = platform::narrow_from_wide(text + index, units, piece, sizeof piece);
            piece_length = converted > 0 ? static_cast<std::size_t>(converted) : 0;
            index += static_cast<std::size_t>(units);
        }
        if (used + piece_length > budget)
            break;
        std::memcpy(out + used, piece, piece_length);
        used += piece_length;
    }
    return used;
}

std::size_t format_message(char const* format, WideChar const* const* texts, int text_count, char* out)
{
    std::size_t const limit = message_capacity - 1;
    std::size_t const format_length = std::strlen(format);
    // Bytes of the row's own text: those always appear in full; callers' texts share the rest.
    std::size_t fixed = format_length;
    for (std::size_t i = 0; i + 1 < format_length; ++i) {
        if (format[i] == '%' && format[i + 1] == 's') {
            fixed -= 2;
            ++i;
        }
    }
    fixed = std::min(fixed, limit);
    std::size_t room_for_texts = limit - fixed;

    std::size_t length = 0;
    int next_text = 0;
    for (std::size_t i = 0; i < format_length && length < limit; ++i) {
        if (format[i] == '%' && format[i + 1] == 's') {
            ++i;
            WideChar const* text = next_text < text_count ? texts[next_text] : nullptr;
            ++next_text;
            std::size_t const budget = std::min(room_for_texts, caller_text_capacity - 1);
            std::size_t const appended = append_escaped(text, out + length, budget);
            length += appended;
            room_for_texts -= appended;
            continue;
        }
        out[length++] = format[i];
    }
    out[length] = '\0';
    return length;
}

} // namespace qmt

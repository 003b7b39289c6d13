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

// Gives each caller's text its own share of `room`: texts that need less than an equal
// share keep all they need, and what they leave is shared equally among the others, so
// that one long text never crowds out another.
void share_room(WideChar const* const* texts, int count, std::size_t room, std::size_t* budgets, Escaping escaping)
{
    std::size_t needs[max_placeholders] {};
    for (int i = 0; i < count; ++i) {
        char scratch[caller_text_capacity];
        needs[i] = append_escaped(texts[i], scratch, caller_text_capacity - 1, escaping);
    }
    bool settled[max_placeholders] {};
    int open = count;
    // Each round settles every text that fits its equal share; at most `count` rounds.
    for (bool changed = true; changed && open > 0;) {
        changed = false;
        std::size_t const share = room / static_cast<std::size_t>(open);
        for (int i = 0; i < count; ++i) {
            if (!settled[i] && needs[i] <= share) {
                budgets[i] = needs[i];
                room -= needs[i];
                settled[i] = true;
                --open;
                changed = true;
            }
        }
    }
    // The rest are cut: equal shares, the first ones taking what division leaves over.
    for (int i = 0, left = open; i < count; ++i) {
        if (settled[i])
            continue;
        budgets[i] = room / static_cast<std::size_t>(left) + (room % static_cast<std::size_t>(left) != 0 ? 1 : 0);
        budgets[i] = std::min(budgets[i], room);
        room -= budgets[i];
        --left;
    }
}

} // namespace

std::size_t append_escaped(WideChar const* text, char* out, std::size_t budget, Escaping escaping)
{
    std::size_t used = 0;
    if (text == nullptr)
        return 0;
    for (std::size_t index = 0; text[index] != 0;) {
        char piece[16];
        std::size_t piece_length;
        std::string_view const entity = escaping == Escaping::html ? html_entity(text[index]) : std::string_view();
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

std::size_t format_message(char const* format, WideChar const* const* texts, int text_count, char* out,
                           Escaping escaping)
{
    std::size_t const limit = message_capacity - 1;
    std::size_t const format_length = std::strlen(format);
    // Bytes of the row's own text: those always appear in full; callers' texts share the rest.
    std::size_t fixed = format_length;
    int placeholders = 0;
    for (std::size_t i = 0; i + 1 < format_length; ++i) {
        if (format[i] == '%' && format[i + 1] == 's') {
            fixed -= 2;
            ++i;
            ++placeholders;
        }
    }
    fixed = std::min(fixed, limit);
    std::size_t budgets[max_placeholders] {};
    share_room(texts, std::min({text_count, placeholders, max_placeholders}), limit - fixed, budgets, escaping);

    std::size_t length = 0;
    int next_text = 0;
    for (std::size_t i = 0; i < format_length && length < limit; ++i) {
        if (format[i] == '%' && format[i + 1] == 's') {
            ++i;
            if (next_text < text_count && next_text < max_placeholders)
                length += append_escaped(texts[next_text], out + length, budgets[next_text], escaping);
            ++next_text;
            continue;
        }
        out[length++] = format[i];
    }
    out[length] = '\0';
    return length;
}

} // namespace qmt

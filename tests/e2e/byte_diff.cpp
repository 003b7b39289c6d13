#include "byte_diff.h"

#include <algorithm>

namespace e2e {
namespace {

constexpr std::size_t context_before = 80;
constexpr std::size_t context_after = 160;
constexpr std::size_t whole_when_shorter = 1200;

std::string excerpt(std::string_view bytes, std::size_t from, std::size_t to)
{
    to = std::min(to, bytes.size());
    if (from >= to)
        return "(nothing)";
    std::string shown = from > 0 ? "..." : "";
    shown += escape_bytes(bytes.substr(from, to - from));
    if (to < bytes.size())
        shown += "...";
    return shown;
}

} // namespace

std::string escape_bytes(std::string_view bytes)
{
    static constexpr char hex[] = "0123456789abcdef";
    std::string shown;
    for (char c : bytes) {
        auto const byte = static_cast<unsigned char>(c);
        switch (byte) {
        case '\\':
            shown += "\\\\";
            break;
        case '\n':
            shown += "\\n";
            break;
        case '\r':
            shown += "\\r";
            break;
        case '\t':
            shown += "\\t";
            break;
        default:
            if (byte >= 0x20 && byte < 0x7f) {
                shown += c;
            } else {
                shown += "\\x";
                shown += hex[byte >> 4];
                shown += hex[byte & 0xF];
            }
        }
    }
    return shown;
}

std::string describe_difference(std::string_view expected, std::string_view actual)
{
    if (expected == actual)
        return {};
    auto const mismatch = std::mismatch(expected.begin(), expected.end(), actual.begin(), actual.end());
    auto const offset = static_cast<std::size_t>(mismatch.first - expected.begin());
    std::size_t const from = offset > context_before ? offset - context_before : 0;
    std::string report = "expected " + std::to_string(expected.size()) + " bytes, got " + std::to_string(actual.size())
        + "; first difference at byte " + std::to_string(offset) + "\n";
    report += "  expected: " + excerpt(expected, from, offset + context_after) + "\n";
    report += "  actual:   " + excerpt(actual, from, offset + context_after) + "\n";
    if (expected.size() < whole_when_shorter && actual.size() < whole_when_shorter) {
        report += "  whole expected: \"" + escape_bytes(expected) + "\"\n";
        report += "  whole actual:   \"" + escape_bytes(actual) + "\"\n";
    }
    return report;
}

} // namespace e2e

#include "template/marker_scan.h"

#include <cstring>

namespace qmt {
namespace {

bool matches(TemplateByte byte, Marker const& marker, std::size_t k)
{
    return byte == static_cast<TemplateByte>(marker.upper[k]) || byte == static_cast<TemplateByte>(marker.lower[k]);
}

// The first byte in [from, limit) that can start the marker, or null.
TemplateByte const* next_start(TemplateByte const* from, TemplateByte const* limit, Marker const& marker)
{
    if (marker.upper[0] == marker.lower[0])
        return static_cast<TemplateByte const*>(
            std::memchr(from, static_cast<TemplateByte>(marker.upper[0]), static_cast<std::size_t>(limit - from)));
    for (; from < limit; ++from)
        if (matches(*from, marker, 0))
            return from;
    return nullptr;
}

} // namespace

TemplateByte const* find_marker(TemplateByte const* from, TemplateByte const* limit, Marker const& marker)
{
    TemplateByte const* at = from;
    while (at < limit) {
        at = next_start(at, limit, marker);
        if (at == nullptr)
            return nullptr;
        ++at;
        std::size_t k = 1;
        while (k < marker.length && at < limit && matches(*at, marker, k)) {
            ++k;
            ++at;
        }
        if (k == marker.length)
            return at;
        // The byte that broke the match (if any) is passed over, not tested as a start.
        if (at < limit)
            ++at;
    }
    return nullptr;
}

bool spells(TemplateByte const* at, TemplateByte const* end, Marker const& marker)
{
    if (static_cast<std::size_t>(end - at) < marker.length)
        return false;
    for (std::size_t k = 0; k < marker.length; ++k)
        if (!matches(at[k], marker, k))
            return false;
    return true;
}

TemplateByte const* skip_whitespace(TemplateByte const* at, TemplateByte const* end)
{
    while (at < end && is_template_whitespace(*at))
        ++at;
    return at;
}

TemplateByte const* name_end(TemplateByte const* at, TemplateByte const* end)
{
    while (at < end && !is_template_whitespace(*at))
        ++at;
    return at;
}

} // namespace qmt

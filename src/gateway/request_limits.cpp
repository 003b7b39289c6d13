#include "gateway/request_limits.h"

namespace qmt {
namespace {

std::optional<std::uint64_t> read_limit(RequestSource const& source, char const* name)
{
    if (!source.has_setting(name))
        return std::nullopt;
    char text[32];
    std::uint32_t const length = source.setting(name, text, sizeof text);
    if (length == 0 || length >= sizeof text)
        return 0; // empty, or longer than any number of bytes
    return parse_limit(text);
}

} // namespace

std::uint64_t parse_limit(char const* text)
{
    if (*text == '\0')
        return 0;
    std::uint64_t value = 0;
    for (; *text != '\0'; ++text) {
        if (*text < '0' || *text > '9')
            return 0;
        unsigned const digit = static_cast<unsigned>(*text - '0');
        value = value > (UINT64_MAX - digit) / 10 ? UINT64_MAX : value * 10 + digit;
    }
    return value;
}

RequestLimits read_request_limits(RequestSource const& source)
{
    return {read_limit(source, "QUILLMATE_MAX_BODY_BYTES"), read_limit(source, "QUILLMATE_MAX_FIELDS")};
}

} // namespace qmt

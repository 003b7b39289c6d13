#include "registrar/class_identifier.h"

#include "automation/native/guid_text.h"
#include "platform/random.h"

#include <cstdio>

namespace qmt::registrar {

bool new_class_identifier(CLSID& id)
{
    if (!platform::fill_random(&id, sizeof id))
        return false;
    // RFC 9562: version 4 in the high bits of Data3, the variant 10 in those of Data4[0].
    id.Data3 = static_cast<std::uint16_t>((id.Data3 & 0x0FFF) | 0x4000);
    id.Data4[0] = static_cast<std::uint8_t>((id.Data4[0] & 0x3F) | 0x80);
    return true;
}

std::string registry_text(CLSID const& id)
{
    char text[runtime::guid_text_length + 1];
    runtime::format_guid_text(id, text);
    return text;
}

std::string initializer_text(CLSID const& id)
{
    char text[128];
    std::snprintf(
        text, sizeof text, "{0x%08x, 0x%04x, 0x%04x, {0x%02x, 0x%02x, 0x%02x, 0x%02x, 0x%02x, 0x%02x, 0x%02x, 0x%02x}}",
        static_cast<unsigned>(id.Data1), static_cast<unsigned>(id.Data2), static_cast<unsigned>(id.Data3), id.Data4[0],
        id.Data4[1], id.Data4[2], id.Data4[3], id.Data4[4], id.Data4[5], id.Data4[6], id.Data4[7]);
    return text;
}

bool parse_class_identifier(std::string const& text, CLSID& id)
{
    return runtime::parse_guid_text(text.data(), text.size(), id);
}

} // namespace qmt::registrar

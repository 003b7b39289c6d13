#include "common/fastcgi_record.h"

namespace qmt::fastcgi {
namespace {

std::uint16_t read_u16(unsigned char const* bytes) { return static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]); }

// A pair's length field: false when its bytes are not all there.
bool read_length(unsigned char const* bytes, std::size_t length, std::size_t& position, std::uint32_t& value)
{
    if (position >= length)
        return false;
    if (bytes[position] < 0x80) {
        value = bytes[position++];
        return true;
    }
    if (length - position < 4)
        return false;
    value = static_cast<std::uint32_t>(bytes[position] & 0x7F) << 24
        | static_cast<std::uint32_t>(bytes[position + 1]) << 16 | static_cast<std::uint32_t>(bytes[position + 2]) << 8
        | bytes[position + 3];
    position += 4;
    return true;
}

} // namespace

void write_header(unsigned char* out, RecordType type, std::uint16_t request_id, std::uint16_t content_length,
                  std::uint8_t padding_length)
{
    out[0] = protocol_version;
    out[1] = static_cast<unsigned char>(type);
    out[2] = static_cast<unsigned char>(request_id >> 8);
    out[3] = static_cast<unsigned char>(request_id);
    out[4] = static_cast<unsigned char>(content_length >> 8);
    out[5] = static_cast<unsigned char>(content_length);
    out[6] = padding_length;
    out[7] = 0;
}

Split split_record(unsigned char const* bytes, std::size_t length, SplitRecord& record)
{
    if (length < header_size)
        return Split::incomplete;
    if (bytes[0] != protocol_version)
        return Split::malformed;
    record.header.type = bytes[1];
    record.header.request_id = read_u16(bytes + 2);
    record.header.content_length = read_u16(bytes + 4);
    record.header.padding_length = bytes[6];
    record.record_size = header_size + record.header.content_length + record.header.padding_length;
    if (length < record.record_size)
        return Split::incomplete;
    record.content = bytes + header_size;
    return Split::complete;
}

bool parse_begin_request(unsigned char const* content, std::size_t length, BeginRequest& begin)
{
    if (length < 8)
        return false;
    begin.role = read_u16(content);
    begin.keep_connection = (content[2] & keep_connection_flag) != 0;
    return true;
}

void write_end_request_body(unsigned char* out, std::uint32_t application_status, ProtocolStatus status)
{
    out[0] = static_cast<unsigned char>(application_status >> 24);
    out[1] = static_cast<unsigned char>(application_status >> 16);
    out[2] = static_cast<unsigned char>(application_status >> 8);
    out[3] = static_cast<unsigned char>(application_status);
    out[4] = static_cast<unsigned char>(status);
    out[5] = out[6] = out[7] = 0;
}

bool read_name_value(unsigned char const* bytes, std::size_t length, std::size_t& position, NameValue& pair)
{
    std::size_t cursor = position;
    std::uint32_t name_length = 0;
    std::uint32_t value_length = 0;
    if (!read_length(bytes, length, cursor, name_length) || !read_length(bytes, length, cursor, value_length))
        return false;
    if (length - cursor < name_length || length - cursor - name_length < value_length)
        return false;
    pair.name = bytes + cursor;
    pair.name_length = name_length;
    pair.value = bytes + cursor + name_length;
    pair.value_length = value_length;
    position = cursor + name_length + value_length;
    return true;
}

std::size_t write_length(unsigned char* out, std::uint32_t length)
{
    if (length < 0x80) {
        out[0] = static_cast<unsigned char>(length);
        return 1;
    }
    out[0] = static_cast<unsigned char>(length >> 24 | 0x80);
    out[1] = static_cast<unsigned char>(length >> 16);
    out[2] = static_cast<unsigned char>(length >> 8);
    out[3] = static_cast<unsigned char>(length);
    return 4;
}

} // namespace qmt::fastcgi

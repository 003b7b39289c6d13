// The FastCGI record format as a responder reads and writes it: the 8-byte record header,
// the splitting of a byte stream into records, the BEGIN_REQUEST and END_REQUEST bodies and
// the name-value pairs of the PARAMS stream. Only bytes in memory: no reading or writing.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qmt::fastcgi {

inline constexpr std::uint8_t protocol_version = 1;
inline constexpr std::size_t header_size = 8;
inline constexpr std::size_t max_content_length = 65535;
inline constexpr std::size_t max_padding_length = 255;
// A whole record at most: header, content and padding.
inline constexpr std::size_t max_record_size = header_size + max_content_length + max_padding_length;

enum class RecordType : std::uint8_t {
    begin_request = 1,
    abort_request = 2,
    end_request = 3,
    params = 4,
    stdin_stream = 5,
    stdout_stream = 6,
    stderr_stream = 7,
    data = 8,
    get_values = 9,
    get_values_result = 10,
    unknown_type = 11,
};

inline constexpr std::uint16_t management_request_id = 0;
inline constexpr std::uint16_t responder_role = 1;
inline constexpr std::uint8_t keep_connection_flag = 1;

enum class ProtocolStatus : std::uint8_t {
    request_complete = 0,
    cant_multiplex_connection = 1,
    overloaded = 2,
    unknown_role = 3,
};

struct RecordHeader {
    std::uint8_t type {0}; // a RecordType, or a type this responder does not know
    std::uint16_t request_id {0};
    std::uint16_t content_length {0};
    std::uint8_t padding_length {0};
};

// Writes the 8 header bytes of a version-1 record.
void write_header(unsigned char* out, RecordType type, std::uint16_t request_id, std::uint16_t content_length,
                  std::uint8_t padding_length = 0);

// Where the first record of a byte stream stands.
enum class Split {
    complete, // `record` is whole: header, content and padding, `record_size` bytes
    incomplete, // more bytes are needed
    malformed, // not a version-1 record: the stream cannot be read further
};
struct SplitRecord {
    RecordHeader header;
    unsigned char const* content {nullptr};
    std::size_t record_size {0};
};
Split split_record(unsigned char const* bytes, std::size_t length, SplitRecord& record);

// The body of BEGIN_REQUEST (8 bytes; more are ignored). False when it is shorter.
struct BeginRequest {
    std::uint16_t role {0};
    bool keep_connection {false};
};
bool parse_begin_request(unsigned char const* content, std::size_t length, BeginRequest& begin);

// The 8 bytes of an END_REQUEST body.
void write_end_request_body(unsigned char* out, std::uint32_t application_status, ProtocolStatus status);

// One name-value pair of the PARAMS stream (or of GET_VALUES): each length is one byte
// below 128, else four bytes with the high bit set; the name's and the value's bytes follow.
struct NameValue {
    unsigned char const* name {nullptr};
    std::uint32_t name_length {0};
    unsigned char const* value {nullptr};
    std::uint32_t value_length {0};
};
// Reads the pair at `position` and moves `position` past it; false (position unchanged)
// when the bytes up to `length` do not hold a whole pair.
bool read_name_value(unsigned char const* bytes, std::size_t length, std::size_t& position, NameValue& pair);

// Writes one pair's length bytes (1 or 4) and returns their count; `out` has room for 4.
std::size_t write_length(unsigned char* out, std::uint32_t length);

} // namespace qmt::fastcgi

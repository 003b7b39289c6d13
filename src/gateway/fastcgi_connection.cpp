#include "gateway/fastcgi_connection.h"

#include "platform/io.h"
#include "platform/listener.h"

#include <cstring>
#include <string_view>

namespace qmt {
namespace {

// Room for two whole records, so that a record that arrives in part always fits behind
// the one before it once that one is moved to the front.
constexpr std::size_t buffer_capacity = 2 * fastcgi::max_record_size;

} // namespace

bool FastCgiConnection::allocate()
{
    m_buffer = HeapPtr<unsigned char>::allocate(buffer_capacity);
    return static_cast<bool>(m_buffer);
}

void FastCgiConnection::attach(platform::NativeHandle handle)
{
    m_handle = handle;
    m_start = m_end = 0;
}

void FastCgiConnection::close(bool input_left)
{
    if (m_handle == platform::invalid_handle)
        return;
    platform::close_connection(m_handle, input_left);
    m_handle = platform::invalid_handle;
}

bool FastCgiConnection::read_more()
{
    if (m_start > 0) {
        std::memmove(m_buffer.get(), m_buffer.get() + m_start, m_end - m_start);
        m_end -= m_start;
        m_start = 0;
    }
    std::int64_t const got
        = platform::read_some(m_handle, m_buffer.get() + m_end, static_cast<std::uint32_t>(buffer_capacity - m_end));
    if (got <= 0)
        return false;
    m_end += static_cast<std::size_t>(got);
    return true;
}

bool FastCgiConnection::next_record(fastcgi::SplitRecord& record, std::uint16_t serving, bool may_read)
{
    for (;;) {
        switch (fastcgi::split_record(m_buffer.get() + m_start, m_end - m_start, record)) {
        case fastcgi::Split::malformed:
            return false;
        case fastcgi::Split::incomplete:
            if (!may_read || !read_more())
                return false;
            continue;
        case fastcgi::Split::complete:
            break;
        }
        m_start += record.record_size;
        auto const type = static_cast<fastcgi::RecordType>(record.header.type);
        if (record.header.request_id == fastcgi::management_request_id) {
            if (type == fastcgi::RecordType::get_values) {
                answer_get_values(record.content, record.header.content_length);
            } else {
                unsigned char body[8] = {record.header.type};
                write_record(fastcgi::RecordType::unknown_type, fastcgi::management_request_id, body, sizeof body);
            }
            continue;
        }
        if (serving != 0 && type == fastcgi::RecordType::begin_request && record.header.request_id != serving) {
            refuse(record.header.request_id, fastcgi::ProtocolStatus::cant_multiplex_connection);
            continue;
        }
        return true;
    }
}

bool FastCgiConnection::refuse(std::uint16_t request_id, fastcgi::ProtocolStatus status)
{
    unsigned char body[8];
    fastcgi::write_end_request_body(body, 0, status);
    return write_record(fastcgi::RecordType::end_request, request_id, body, sizeof body);
}

bool FastCgiConnection::write_record(fastcgi::RecordType type, std::uint16_t request_id, unsigned char const* content,
                                     std::size_t length)
{
    unsigned char header[fastcgi::header_size];
    fastcgi::write_header(header, type, request_id, static_cast<std::uint16_t>(length));
    platform::BytePiece pieces[] = {{header, sizeof header}, {content, length}};
    return platform::write_all_pieces(m_handle, pieces, 2);
}

// The worker serves one request at a time on each connection, and one connection at a time.
void FastCgiConnection::answer_get_values(unsigned char const* content, std::size_t length)
{
    unsigned char answer[128];
    std::size_t used = 0;
    std::size_t position = 0;
    fastcgi::NameValue asked;
    while (fastcgi::read_name_value(content, length, position, asked)) {
        std::string_view const name(reinterpret_cast<char const*>(asked.name), asked.name_length);
        std::string_view value;
        if (name == "FCGI_MAX_CONNS" || name == "FCGI_MAX_REQS")
            value = "1";
        else if (name == "FCGI_MPXS_CONNS")
            value = "0";
        else
            continue;
        if (used + 2 + name.size() + value.size() > sizeof answer)
            break;
        answer[used++] = static_cast<unsigned char>(name.size());
        answer[used++] = static_cast<unsigned char>(value.size());
        std::memcpy(answer + used, name.data(), name.size());
        used += name.size();
        std::memcpy(answer + used, value.data(), value.size());
        used += value.size();
    }
    write_record(fastcgi::RecordType::get_values_result, fastcgi::management_request_id, answer, used);
}

} // namespace qmt

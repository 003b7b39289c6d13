#include "common/response.h"

#include "common/fastcgi_record.h"
#include "platform/process.h"

#include <algorithm>
#include <cstring>

namespace qmt {

std::uint64_t ResponseStream::begin(platform::NativeHandle connection, std::uint16_t request_id)
{
    m_connection = connection;
    m_request_id = request_id;
    m_open = true;
    m_failed = false;
    m_gathered_length = 0;
    return ++m_serial;
}

bool ResponseStream::send_gathered(platform::BytePiece const* extra, int extra_count)
{
    platform::BytePiece pieces[3] = {{m_gathered, m_gathered_length}};
    int count = 1;
    for (int i = 0; i < extra_count; ++i)
        pieces[count++] = extra[i];
    m_gathered_length = 0;
    if (!platform::write_all_pieces(m_connection, pieces, static_cast<std::size_t>(count)))
        m_failed = true;
    return !m_failed;
}

bool ResponseStream::write(std::uint64_t serial, void const* bytes, std::uint64_t length)
{
    if (!is_current(serial) || m_failed)
        return false;
    auto const* cursor = static_cast<unsigned char const*>(bytes);
    while (length > 0) {
        auto const piece = static_cast<std::uint16_t>(std::min<std::uint64_t>(length, fastcgi::max_content_length));
        if (m_gathered_length + fastcgi::header_size + piece <= gathered_capacity) {
            fastcgi::write_header(m_gathered + m_gathered_length, fastcgi::RecordType::stdout_stream, m_request_id,
                                  piece);
            std::memcpy(m_gathered + m_gathered_length + fastcgi::header_size, cursor, piece);
            m_gathered_length += fastcgi::header_size + piece;
        } else {
            // Too much to gather: what was gathered and this record go out together.
            unsigned char header[fastcgi::header_size];
            fastcgi::write_header(header, fastcgi::RecordType::stdout_stream, m_request_id, piece);
            platform::BytePiece const record[] = {{header, sizeof header}, {cursor, piece}};
            if (!send_gathered(record, 2))
                return false;
        }
        cursor += piece;
        length -= piece;
    }
    return true;
}

bool ResponseStream::deliver(std::uint64_t serial)
{
    if (!is_current(serial) || m_failed)
        return false;
    return m_gathered_length == 0 || send_gathered(nullptr, 0);
}

void ResponseStream::end(std::uint64_t serial, std::uint32_t application_status)
{
    if (!is_current(serial))
        return;
    m_open = false;
    if (m_failed)
        return;
    unsigned char records[3 * fastcgi::header_size];
    fastcgi::write_header(records, fastcgi::RecordType::stdout_stream, m_request_id, 0);
    fastcgi::write_header(records + fastcgi::header_size, fastcgi::RecordType::end_request, m_request_id, 8);
    fastcgi::write_end_request_body(records + 2 * fastcgi::header_size, application_status,
                                    fastcgi::ProtocolStatus::request_complete);
    platform::BytePiece const ending[] = {{records, sizeof records}};
    send_gathered(ending, 1);
}

bool Response::write(void const* bytes, std::uint64_t length) const
{
    if (m_stream == nullptr)
        return platform::write_all(platform::standard_output(), bytes, length);
    return m_stream->write(m_serial, bytes, length);
}

platform::DirectCopy Response::copy_directly(platform::NativeHandle file, std::uint64_t& offset,
                                             std::uint64_t end) const
{
    if (m_stream == nullptr)
        return platform::copy_directly(file, offset, end, platform::standard_output());
    return m_stream->is_current(m_serial) ? platform::DirectCopy::unsupported : platform::DirectCopy::failed;
}

void Response::flush() const
{
    if (m_stream == nullptr)
        platform::flush(platform::standard_output());
}

void Response::deliver() const
{
    if (m_stream != nullptr)
        m_stream->deliver(m_serial);
}

void Response::end(std::uint32_t application_status) const
{
    if (m_stream != nullptr)
        m_stream->end(m_serial, application_status);
}

} // namespace qmt

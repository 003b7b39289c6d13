// Where a request's response goes. A CGI run answers on the process's standard output; a
// worker answers each request with STDOUT records on that request's connection, ended by
// END_REQUEST. The environment, its output channel and every error page write through a
// Response, so the bytes are the same in both.
#pragma once

#include "platform/io.h"
#include "platform/native_handle.h"

#include <cstddef>
#include <cstdint>

namespace qmt {

// A worker's response stream: the connection of the request it serves. Each request that
// begins has a serial number of its own; a Response of an earlier request (an environment
// that a user's object kept) writes nothing more once its request has ended.
class ResponseStream {
public:
    // The request `request_id` on `connection` begins; returns its serial number.
    std::uint64_t begin(platform::NativeHandle connection, std::uint16_t request_id);
    bool is_current(std::uint64_t serial) const { return serial == m_serial && m_open; }
    // STDOUT records holding the bytes, gathered and sent once `gathered_capacity` bytes
    // would be exceeded; false once a write has failed (the server went away).
    bool write(std::uint64_t serial, void const* bytes, std::uint64_t length);
    // Sends the records gathered so far.
    bool deliver(std::uint64_t serial);
    // The records gathered, the empty STDOUT record and END_REQUEST with the application's
    // status, in one write; the request has ended, whatever else refers to it. Only
    // writev(2) calls: safe in a fault report.
    void end(std::uint64_t serial, std::uint32_t application_status);

    static constexpr std::size_t gathered_capacity = 16 * 1024;

private:
    // The gathered records and `extra` in one write; nothing is gathered afterwards.
    bool send_gathered(platform::BytePiece const* extra, int extra_count);

    unsigned char m_gathered[gathered_capacity];
    std::size_t m_gathered_length {0};
    platform::NativeHandle m_connection {platform::invalid_handle};
    std::uint16_t m_request_id {0};
    std::uint64_t m_serial {0};
    bool m_open {false};
    bool m_failed {false};
};

class Response {
public:
    // The process's standard output (a CGI run).
    Response() = default;
    Response(ResponseStream& stream, std::uint64_t serial)
        : m_stream(&stream)
        , m_serial(serial)
    {
    }

    // Every byte, or false when the reader has gone (or the request has ended).
    bool write(void const* bytes, std::uint64_t length) const;
    // Copies the file's bytes from `offset` to `end` straight from the file where the
    // system can; a worker's records take no direct copy (`unsupported`).
    platform::DirectCopy copy_directly(platform::NativeHandle file, std::uint64_t& offset, std::uint64_t end) const;
    // A CGI run's standard output is flushed; a worker's records stay gathered.
    void flush() const;
    // The bytes written so far go to the reader now (before a pause).
    void deliver() const;
    // A worker's request ends with this status (the fault report's way); nothing on standard output.
    void end(std::uint32_t application_status) const;

private:
    ResponseStream* m_stream {nullptr};
    std::uint64_t m_serial {0};
};

} // namespace qmt

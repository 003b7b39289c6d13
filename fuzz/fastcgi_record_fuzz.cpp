// Arbitrary bytes as what a FastCGI server sends a worker: first the record layer alone
// (splitting, BEGIN_REQUEST, the name-value pairs, whose lengths must read back as they
// are written), then the worker's own reading of a connection (requests started, parameters
// looked up, the input stream read to its end), the bytes arriving through a socket pair.
#include "common/fastcgi_record.h"
#include "gateway/fastcgi_connection.h"
#include "gateway/fastcgi_request.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using namespace qmt::fastcgi;

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

void read_pairs(unsigned char const* content, std::size_t length)
{
    std::size_t position = 0;
    NameValue pair;
    while (read_name_value(content, length, position, pair)) {
        check(position <= length);
        check(pair.name >= content && pair.value + pair.value_length <= content + length);
        // The pair written again reads back as the same pair.
        std::size_t const pair_bytes = pair.name_length + pair.value_length;
        auto written = std::make_unique_for_overwrite<unsigned char[]>(8 + pair_bytes);
        std::size_t used = write_length(written.get(), pair.name_length);
        used += write_length(written.get() + used, pair.value_length);
        std::memcpy(written.get() + used, pair.name, pair_bytes); // name and value are adjacent
        std::size_t again = 0;
        NameValue copy;
        check(read_name_value(written.get(), used + pair_bytes, again, copy));
        check(again == used + pair_bytes && copy.name_length == pair.name_length
              && copy.value_length == pair.value_length);
    }
}

void split_stream(unsigned char const* bytes, std::size_t size)
{
    std::size_t at = 0;
    SplitRecord record;
    while (split_record(bytes + at, size - at, record) == Split::complete) {
        check(record.record_size >= header_size && record.record_size <= max_record_size);
        check(record.record_size <= size - at);
        unsigned char header[header_size];
        write_header(header, static_cast<RecordType>(record.header.type), record.header.request_id,
                     record.header.content_length, record.header.padding_length);
        check(std::memcmp(header, bytes + at, 7) == 0);
        BeginRequest begin;
        parse_begin_request(record.content, record.header.content_length, begin);
        read_pairs(record.content, record.header.content_length);
        at += record.record_size;
    }
}

void serve_connection(unsigned char const* bytes, std::size_t size)
{
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, ends) != 0)
        return;
    // The whole input fits the socket's buffer at the fuzzer's default lengths; what the
    // worker answers (GET_VALUES, refusals) stays unread in the other direction.
    if (::write(ends[1], bytes, size) != static_cast<ssize_t>(size)) {
        ::close(ends[0]);
        ::close(ends[1]);
        return;
    }
    ::shutdown(ends[1], SHUT_WR);
    qmt::FastCgiConnection connection;
    if (connection.allocate()) {
        connection.attach(ends[0]);
        for (int requests = 0; requests < 64; ++requests) {
            qmt::FastCgiRequest request(connection);
            qmt::FastCgiRequest::Start const start = request.start();
            if (start == qmt::FastCgiRequest::Start::ended)
                break;
            if (start != qmt::FastCgiRequest::Start::serve)
                continue;
            char value[64];
            for (char const* name : {"REQUEST_METHOD", "CONTENT_LENGTH", "QUERY_STRING", ""}) {
                std::uint32_t const length = request.variable(name, value, sizeof value);
                check(length < sizeof value ? value[length] == '\0' || length == 0 : true);
                request.has_variable(name);
            }
            char input[100];
            while (request.read_input(input, sizeof input) > 0) { }
        }
        connection.close(false);
    } else {
        ::close(ends[0]);
    }
    ::close(ends[1]);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    // A buffer of exactly `size` bytes, so that a read past the data is caught.
    auto bytes = std::make_unique_for_overwrite<unsigned char[]>(size + 1);
    if (size > 0)
        std::memcpy(bytes.get(), data, size);
    split_stream(bytes.get(), size);
    read_pairs(bytes.get(), size);
    serve_connection(bytes.get(), size);
    return 0;
}

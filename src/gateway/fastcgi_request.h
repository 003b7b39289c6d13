// One request of a worker: its parameters, which hold what a CGI run finds in its
// environment, and its input stream, which holds what a CGI run reads on standard input.
// The parameters are read whole before the request runs; the input is read as the form
// data is taken in, record by record.
#pragma once

#include "common/heap_ptr.h"
#include "gateway/fastcgi_connection.h"

#include <cstddef>
#include <cstdint>

namespace qmt {

class FastCgiRequest {
public:
    explicit FastCgiRequest(FastCgiConnection& connection)
        : m_connection(connection)
    {
    }

    enum class Start {
        serve, // a responder request, its parameters read
        answered, // a request the worker does not serve, or one the server aborted: answered
        ended, // the connection has ended
    };
    Start start();

    std::uint16_t id() const { return m_id; }
    bool keeps_connection() const { return m_keep_connection; }
    // False when memory for the parameters ran short: the request cannot be served as sent.
    bool parameters_complete() const { return m_parameters_complete; }
    bool input_left() const { return !m_input_ended; }
    // Drops the input that has already arrived, up to the end of the stream if that is
    // among it: the server usually sends a GET's empty input at once, and a connection whose
    // input has ended is closed without waiting for the server.
    void drop_arrived_input();

    // A parameter with the Windows convention of platform::get_environment_variable. As in
    // an environment, a value ends at its first zero byte. A name the server did not send
    // is unset: the request's variables are the request's alone.
    std::uint32_t variable(char const* name, char* buffer, std::uint32_t size) const;
    bool has_variable(char const* name) const;
    // An operator's setting: the parameter, or when the server did not send it, the worker's
    // own environment, where the operator may set the limits and the allow-list for every
    // request.
    std::uint32_t setting(char const* name, char* buffer, std::uint32_t size) const;
    bool has_setting(char const* name) const;
    std::int64_t read_input(void* buffer, std::uint32_t length);

private:
    // Slots of the index of the parameters' names; a request with more names than
    // `max_indexed_names` is searched name by name instead.
    static constexpr std::size_t index_slots = 256;
    static constexpr std::size_t max_indexed_names = index_slots * 3 / 4;

    bool keep_parameters(unsigned char const* bytes, std::size_t length);
    void index_parameters();
    bool find(char const* name, unsigned char const*& value, std::size_t& length) const;

    FastCgiConnection& m_connection;
    std::uint16_t m_id {0};
    bool m_keep_connection {false};
    bool m_parameters_complete {true};
    HeapPtr<unsigned char> m_parameters;
    std::size_t m_parameters_length {0};
    std::size_t m_parameters_capacity {0};
    unsigned char const* m_pending {nullptr}; // input content not yet handed out
    std::size_t m_pending_length {0};
    bool m_input_ended {false};
    // Where each name's first pair starts in m_parameters, plus one (0: a free slot),
    // placed by the name's hash; built once, when the parameters are complete.
    std::uint32_t m_index[index_slots] {};
    bool m_indexed {false};
};

} // namespace qmt

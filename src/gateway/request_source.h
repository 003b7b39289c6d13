// Where a request's variables and form data come from: the process's environment and
// standard input in a CGI run, or one request's parameters and input stream in a worker.
#pragma once

#include <cstdint>

namespace qmt {

class FastCgiRequest;

class RequestSource {
public:
    // The process: its environment and standard input (a CGI run).
    RequestSource() = default;
    explicit RequestSource(FastCgiRequest& request)
        : m_request(&request)
    {
    }

    // A variable with the Windows convention (platform::get_environment_variable): 0 when
    // unset or empty; the count copied when it fits in `size` bytes; else the size needed.
    std::uint32_t variable(char const* name, char* buffer, std::uint32_t size) const;
    bool has_variable(char const* name) const;
    // An operator's setting (the limits, the allow-list): in a worker, a request's parameter
    // or else the worker's own environment.
    std::uint32_t setting(char const* name, char* buffer, std::uint32_t size) const;
    bool has_setting(char const* name) const;
    // False when the request's variables could not all be kept (memory ran short).
    bool is_complete() const;
    // One read of the request's input: the count delivered, 0 at its end, -1 on failure.
    std::int64_t read_input(void* buffer, std::uint32_t length) const;

private:
    FastCgiRequest* m_request {nullptr};
};

} // namespace qmt

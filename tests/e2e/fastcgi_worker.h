// The table's rows as requests to one persistent worker: the runner plays the FastCGI
// server. It starts the gateway with a listening socket as standard input, sends each row's
// variables as the request's parameters and its body as the input stream, and reads the
// STDOUT records and END_REQUEST as a CGI run's standard output and exit status. The
// worker's standard error is shared by its requests: what it holds when a request has ended
// is that request's. A worker that has died is started again for the next row.
#pragma once

#include "case.h"
#include "child_process.h"

#include <string>
#include <sys/types.h>
#include <vector>

namespace e2e {

class FastCgiWorker {
public:
    // `program` is the gateway's command line and `environment` the worker's own (the
    // registry, the sanitizer options); `directory` holds the socket.
    FastCgiWorker(std::vector<std::string> program, std::vector<std::string> environment, std::string directory);
    ~FastCgiWorker();
    FastCgiWorker(FastCgiWorker const&) = delete;
    FastCgiWorker& operator=(FastCgiWorker const&) = delete;

    // One request, answered as run_child answers a CGI run: STDOUT as `out`, the worker's
    // standard error meanwhile as `err`, END_REQUEST's status as the exit status, or the
    // worker's end when it ended with the request.
    ChildResult serve(ChildRequest const& request);

    // Ends the worker as a server does (SIGTERM); empty when it ended with status 0 and wrote
    // nothing more on standard error, else a report.
    std::string stop();

private:
    bool start(std::string& error);
    std::string take_errors(bool until_end);
    bool wait_for_end(int timeout_ms, int& status);

    std::vector<std::string> m_program;
    std::vector<std::string> m_environment;
    std::string m_socket_path;
    int m_listener {-1};
    int m_errors {-1}; // reading end of the worker's standard error
    pid_t m_pid {-1};
};

// Why a row cannot be one of a worker's requests (it depends on what only a process has:
// its command line, its own standard streams, its program file), or empty.
std::string process_level_reason(Case const& row);

} // namespace e2e

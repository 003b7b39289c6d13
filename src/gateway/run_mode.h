// What a run of the program does, decided from its standard input, command line and environment.
#pragma once

namespace qmt {

enum class RunMode {
    Request,
    RegisterTypeLibrary,
    UnregisterTypeLibrary,
    Worker, // a FastCGI server started the program: standard input is its listening socket
    WorkerAt, // a worker that listens at the address its command line names
};

// A listening socket on standard input makes a worker: no CGI request ever starts with one.
// A registration command is the whole command-line text, in any letter case; "-FastCGI
// ADDRESS" starts a worker that listens there. While a CGI request is present the command
// line is never consulted: web servers pass an "indexed" query (one without "=") as the
// command line, and a browser must not be able to unregister the program with ?-UnRegServer.
RunMode decide_run_mode(char const* command_line);

// The address of "-FastCGI ADDRESS" (or "/FastCGI ADDRESS"), or null.
char const* worker_address(char const* command_line);

} // namespace qmt

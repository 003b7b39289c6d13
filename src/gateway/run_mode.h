// What a run of the program does, decided from its command line and environment.
#pragma once

namespace qmt {

enum class RunMode {
    Request,
    RegisterTypeLibrary,
    UnregisterTypeLibrary,
};

// A registration command is the whole command-line text, in any letter case. While a CGI
// request is present the command line is never consulted: web servers pass an "indexed"
// query (one without "=") as the command line, and a browser must not be able to
// unregister the program with ?-UnRegServer.
RunMode decide_run_mode(char const* command_line);

} // namespace qmt

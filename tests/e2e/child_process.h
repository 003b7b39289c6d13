// Runs one program the way a web server runs a CGI program: a fixed environment, the
// request body fed to standard input (in pieces, with pauses, if asked), standard output
// and standard error captured whole, and a deadline after which the process group is killed.
#pragma once

#include <string>
#include <vector>

namespace e2e {

enum class OutputSink {
    pipe, // captured
    full, // /dev/full: every write fails
    closed, // a pipe whose reading end is already closed: every write fails with EPIPE
    discard, // /dev/null, for standard error as well
};

struct ChildRequest {
    std::vector<std::string> argv; // argv[0] is the program's path
    std::vector<std::string> environment; // "NAME=value", nothing else is inherited
    std::string working_directory;
    std::vector<std::string> input_pieces;
    int pause_between_pieces_ms {0};
    bool input_stays_open {false}; // closed only once the process has ended
    OutputSink output {OutputSink::pipe};
    // The reader closes standard output once it has this many bytes (0: it reads to the end),
    // as a client that goes away in the middle of a response.
    std::size_t output_closed_after {0};
    // Descriptors among 0, 1 and 2 that the program starts with closed.
    std::vector<int> closed_streams;
    // Standard input and output are non-blocking pipes, as a server's own socket may be.
    bool nonblocking_streams {false};
    int timeout_ms {20000};
    // Starts the program without address-space randomisation (Wine's loader needs fixed
    // addresses that a randomly placed heap can occupy).
    bool fixed_address_layout {false};
};

struct ChildResult {
    std::string launch_error; // empty when the program ran
    std::string out;
    std::string err;
    bool timed_out {false};
    bool exited {false}; // ended by exit(): exit_code is valid
    int exit_code {0};
    int signal {0}; // ended by this signal when not exited
    long elapsed_ms {0};
};

ChildResult run_child(ChildRequest const& request);

// A one-line description such as "exit 0" or "killed by signal 11 (Segmentation fault)".
std::string describe_ending(ChildResult const& result);

} // namespace e2e

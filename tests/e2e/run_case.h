// Runs one row of the table against the target and checks every part of the answer.
#pragma once

#include "case.h"
#include "target.h"

#include <string>

namespace e2e {

// Empty when the gateway answered as the row expects; otherwise a readable report of
// every difference (standard output, ending, trace, output files, time taken).
std::string run_case(Target const& target, Case const& row);

// One run of a row's request, with `extra_environment` added to the gateway's environment.
struct RowRun {
    std::string error; // the run could not be made
    std::string directory; // the case's directory (host path)
    std::string named_directory; // the same as the gateway names it
    std::string copy; // empty: the built gateway ran; else the path of its copy
    ChildResult result;
    std::string wine_messages;
    int timeout_ms {0};
    // `text` with {DIR} filled in.
    std::string fill(std::string const& text) const;
};
RowRun run_row(Target const& target, Case const& row, std::vector<std::string> const& extra_environment);

// Every difference between a run and the row's answer, `trace` standing for what the probe
// wrote on standard error; empty when there is none.
std::string check_run(Target const& target, Case const& row, RowRun const& run, std::string const& trace);
std::string expected_output_of(Target const& target, Case const& row);
// The run's ending, standard error and Wine's messages, for a report.
std::string describe_run(Target const& target, RowRun const& run);

// Runs the row once for each position of the chosen fault (tests/faults/), from the first
// until a run no longer reaches it; empty when every run answered soundly.
enum class FaultKind { none, failing_allocation, failing_write, short_write };
std::string run_fault_sweep(Target const& target, Case const& row, FaultKind kind);

} // namespace e2e

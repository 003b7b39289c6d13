// Runs one row of the table against the target and checks every part of the answer.
#pragma once

#include "case.h"
#include "target.h"

#include <string>

namespace e2e {

// Empty when the gateway answered as the row expects; otherwise a readable report of
// every difference (standard output, ending, trace, output files, time taken).
std::string run_case(Target const& target, Case const& row);

} // namespace e2e

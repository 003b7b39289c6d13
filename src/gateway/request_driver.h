// The process entry: decides the run's mode and, for a request, runs its whole life in a
// fixed order: set-up, intake, form data, decoding and target, the one call, teardown.
#pragma once

namespace qmt {

// `command_line` is the text after the program's name, its separating blanks removed.
// Returns the exit status: 0 (a fault ends the process before returning).
int run_gateway(void* module_instance, char const* command_line);

} // namespace qmt

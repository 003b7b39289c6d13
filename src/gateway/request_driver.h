// The process entry: decides the run's mode and, for a request, runs its whole life in a
// fixed order: set-up, intake, form data, decoding and target, the one call, teardown.
#pragma once

#include "common/response.h"
#include "gateway/class_cache.h"
#include "gateway/request_source.h"

namespace qmt {

// One request's whole life, from `source`, answered on `response`: a CGI run's, and each
// of a worker's. Everything it makes is its own and gone at its end, the user's libraries
// unloaded unless an outer initialisation of the runtime (a worker's) keeps them; only then
// may `classes` remember the classes found (see ClassCache).
void serve_request(RequestSource const& source, Response response, ClassCache* classes = nullptr);

// `command_line` is the text after the program's name, its separating blanks removed.
// Returns the exit status: 0 (a fault ends the process before returning).
int run_gateway(void* module_instance, char const* command_line);

} // namespace qmt

// The target of this run of the tests, prepared by main() from the command line.
#pragma once

#include "fastcgi_worker.h"
#include "run_case.h"
#include "target.h"

#include <cstdint>

namespace e2e {

Target const& target_under_test();
// The worker that serves the rows as FastCGI requests (--fastcgi), or null: each row is a CGI run.
FastCgiWorker* fastcgi_worker();
// The fault the rows are swept with (none: each row runs once), and the step between the
// positions tried.
FaultKind fault_sweep_kind();
std::uint64_t fault_sweep_stride();

} // namespace e2e

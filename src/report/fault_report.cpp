#include "report/fault_report.h"

#include "platform/fault_handler.h"
#include "report/error_page.h"
#include "report/message_numbers.h"

namespace qmt {
namespace {

thread_local ErrorState* slot = nullptr;

// Runs inside a signal handler on POSIX. The page is written the way every page is: a
// string-table lookup, copies into a stack buffer and write(), all safe there.
// A worker's request then ends with the status the process ends with, so that the server
// learns it before the worker goes.
void report_unhandled_fault(std::uint32_t ending_status)
{
    ErrorState* state = slot;
    if (state == nullptr)
        return; // no request is running: there is nobody to answer
    report_error(*state, message::UnhandledFault);
    state->response().end(ending_status);
}

} // namespace

void hold_for_fault_report(ErrorState* state) { slot = state; }

void install_fault_report() { platform::install_fault_handler(report_unhandled_fault); }

} // namespace qmt

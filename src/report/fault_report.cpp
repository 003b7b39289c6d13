#include "report/fault_report.h"

#include "platform/fault_handler.h"
#include "report/diagnostic.h"
#include "report/error_page.h"
#include "report/message_numbers.h"

namespace qmt {
namespace {

struct Slot {
    ErrorState* state;
    WideChar const* class_name;
    WideChar const* method_name;
};
thread_local Slot slot {};

// Runs inside a signal handler on POSIX. The page and the line are written the way every
// page is: a string-table lookup, copies into stack buffers and write(), all safe there.
// A worker's request then ends with the status the process ends with, so that the server
// learns it before the worker goes.
void report_unhandled_fault(char const* fault, std::uint32_t ending_status)
{
    Slot const held = slot;
    DiagnosticText cause;
    cause.add("fault: ").add(fault);
    if (held.class_name != nullptr)
        cause.add(" while the user's method ").add(held.class_name).add(" ").add(held.method_name).add(" was running");
    else
        cause.add(" while no user's method was running");
    if (held.state == nullptr) {
        write_diagnostic(cause); // no request is running: there is nobody to answer
        return;
    }
    report_error(*held.state, message::UnhandledFault, cause);
    held.state->response().end(ending_status);
}

} // namespace

void hold_for_fault_report(ErrorState* state) { slot.state = state; }

void hold_method_for_fault_report(WideChar const* class_name, WideChar const* method_name)
{
    slot.class_name = class_name;
    slot.method_name = method_name;
}

void install_fault_report() { platform::install_fault_handler(report_unhandled_fault); }

} // namespace qmt

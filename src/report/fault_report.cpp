#include "report/fault_report.h"

#include "platform/fault_handler.h"
#include "platform/io.h"
#include "platform/module.h"
#include "platform/process.h"
#include "report/error_page.h"
#include "report/message_numbers.h"

namespace qmt {
namespace {

thread_local ErrorState* slot = nullptr;

// Runs inside a signal handler on POSIX: no allocation, no locks, only write().
void report_unhandled_fault()
{
    ErrorState* state = slot;
    if (state == nullptr)
        return; // no request is running: there is nobody to answer
    char text[500];
    int const length = platform::load_string(message::UnhandledFault, text, sizeof text);
    auto const out = platform::standard_output();
    platform::write_all(out, error_page_head.data(), error_page_head.size());
    platform::write_all(out, text, length > 0 ? static_cast<unsigned>(length) : 0u);
    platform::write_all(out, error_page_tail.data(), error_page_tail.size());
    state->set();
}

} // namespace

void hold_for_fault_report(ErrorState* state) { slot = state; }

void install_fault_report() { platform::install_fault_handler(report_unhandled_fault); }

} // namespace qmt

// Fault signals end in the fault report, then in the signal's default action, so that the
// parent (the web server) sees the process killed by the fault.
#include "platform/fault_handler.h"

#include <csignal>
#include <cstdlib>
#include <unistd.h>

namespace qmt::platform {
namespace {

constexpr int fault_signals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGSYS, SIGTRAP};

// The report, and a stack of its own so that a stack overflow can still be reported. One
// object, the report first: laid out apart, the report could land beyond the stack's 64 KB,
// on a page that every request would fault in for the sake of one pointer.
struct Handler {
    FaultReport report;
    alignas(16) unsigned char alternate_stack[64 * 1024];
};
Handler handler {};

char const* name_of(int signal_number)
{
    switch (signal_number) {
    case SIGSEGV:
        return "SIGSEGV (invalid memory access)";
    case SIGBUS:
        return "SIGBUS (bus error)";
    case SIGFPE:
        return "SIGFPE (arithmetic fault)";
    case SIGILL:
        return "SIGILL (illegal instruction)";
    case SIGABRT:
        return "SIGABRT (abort)";
    case SIGSYS:
        return "SIGSYS (bad system call)";
    case SIGTRAP:
        return "SIGTRAP (trap)";
    default:
        return "a signal";
    }
}

void on_fault(int signal_number)
{
    // Back to the default first: a second fault inside the report ends the process at once.
    for (int fault_signal : fault_signals)
        ::signal(fault_signal, SIG_DFL);
    if (handler.report != nullptr)
        handler.report(name_of(signal_number), 128 + static_cast<std::uint32_t>(signal_number));
    ::raise(signal_number);
    ::_exit(128 + signal_number);
}

} // namespace

void install_fault_handler(FaultReport report)
{
    handler.report = report;
    stack_t stack {};
    stack.ss_sp = handler.alternate_stack;
    stack.ss_size = sizeof handler.alternate_stack;
    ::sigaltstack(&stack, nullptr);
    struct sigaction action { };
    action.sa_handler = on_fault;
    action.sa_flags = SA_ONSTACK | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    for (int fault_signal : fault_signals)
        ::sigaction(fault_signal, &action, nullptr);
}

} // namespace qmt::platform

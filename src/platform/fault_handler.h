// The process's last word on a fault that nothing handled.
#pragma once

namespace qmt::platform {

// `report` runs on the faulting thread; it must use only calls that are safe there (on
// POSIX: async-signal-safe). It is told the fault's name ("SIGSEGV"; on Windows the
// exception's code and name). Afterwards the process ends so that its parent sees the fault.
using FaultReport = void (*)(char const* fault);
void install_fault_handler(FaultReport report);

} // namespace qmt::platform

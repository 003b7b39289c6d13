// The process's last word on a fault that nothing handled.
#pragma once

#include <cstdint>

namespace qmt::platform {

// `report` runs on the faulting thread; it must use only calls that are safe there (on
// POSIX: async-signal-safe). It is told the fault's name ("SIGSEGV"; on Windows the
// exception's code and name) and the status the process ends with as its parent reads it
// (POSIX: 128 + the signal's number, as a shell reports it; Windows: the exception's code).
// Afterwards the process ends so that its parent sees the fault.
using FaultReport = void (*)(char const* fault, std::uint32_t ending_status);
void install_fault_handler(FaultReport report);

} // namespace qmt::platform

// The report of a fault that nothing handled: message 21 on the environment held in the
// per-thread slot, then the process ends with the fault.
#pragma once

#include "report/error_state.h"

namespace qmt {

// The per-thread slot: the error state of the request's environment, or null.
void hold_for_fault_report(ErrorState* state);

// Installs the report as the process's last resort for faults.
void install_fault_report();

} // namespace qmt

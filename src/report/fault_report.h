// The report of a fault that nothing handled: message 21 on the environment held in the
// per-thread slot and a line on standard error naming the fault and whether the user's
// method was running, then the process ends with the fault.
#pragma once

#include "common/wide_text.h"
#include "report/error_state.h"

namespace qmt {

// The per-thread slot: the error state of the request's environment, or null.
void hold_for_fault_report(ErrorState* state);

// The slot also names the user's method while it runs ("Class Method"); null and null once
// it has returned.
void hold_method_for_fault_report(WideChar const* class_name, WideChar const* method_name);

// Installs the report as the process's last resort for faults.
void install_fault_report();

} // namespace qmt

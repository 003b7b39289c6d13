// The optional pause after SendString, SendFile and CloseTemplate.
#pragma once

#include "automation/automation.h"

namespace qmt {

// Pauses for the argument's value in milliseconds when it is present, converts to a 32-bit
// integer and is positive. Nothing of it reaches the caller.
void sleep_pause(VARIANT* sleep);

} // namespace qmt

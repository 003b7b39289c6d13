// The optional pause after SendString, SendFile and CloseTemplate.
#pragma once

#include "automation/automation.h"
#include "common/response.h"

namespace qmt {

// Pauses for the argument's value in milliseconds when it is present, converts to a 32-bit
// integer and is positive; what the response holds goes out first, so that the reader has it
// during the pause. Nothing of it reaches the caller.
void sleep_pause(VARIANT* sleep, Response const& response);

} // namespace qmt

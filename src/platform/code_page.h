// Conversion between UTF-16 and the system's ANSI code page (UTF-8 on the native build).
// Both follow the Windows convention: with a zero capacity they return the size needed;
// otherwise the count of units written, or 0 when the output does not fit.
#pragma once

#include "platform/wide_char.h"

namespace qmt::platform {

int narrow_from_wide(WideChar const* wide, int wide_length, char* narrow, int narrow_capacity);
int wide_from_narrow(char const* narrow, int narrow_length, WideChar* wide, int wide_capacity);

} // namespace qmt::platform

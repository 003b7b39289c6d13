// The automation runtime as the rest of the program sees it: the real one on Windows,
// the project's own (same binary conventions) everywhere else.
#pragma once

#include "platform/wide_char.h"
#include "quillmate/runtime.h"

#ifndef _WIN32
#    include "automation/native/type_library_abi.h"
#endif

#include <type_traits>

static_assert(std::is_same_v<OLECHAR, qmt::WideChar>, "the runtime's text unit is the program's");

// The automation runtime as the rest of the program sees it: the real one on Windows,
// the project's own (same binary conventions) everywhere else.
#pragma once

#ifdef _WIN32
#    ifndef WIN32_LEAN_AND_MEAN
#        define WIN32_LEAN_AND_MEAN
#    endif
#    include <windows.h>
#    include <ole2.h>
#    include <oleauto.h>
#else
#    include "automation/native/com_abi.h"
#endif

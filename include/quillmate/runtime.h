// The automation runtime that objects and the gateway compile against: the real one on
// Windows, the project's own (same binary conventions, quillmate/com_abi.h) elsewhere.
#pragma once

#ifdef _WIN32
#    ifndef WIN32_LEAN_AND_MEAN
#        define WIN32_LEAN_AND_MEAN
#    endif
#    include <ole2.h>
#    include <oleauto.h>
#    include <windows.h>
#else
#    include "quillmate/com_abi.h"
#endif

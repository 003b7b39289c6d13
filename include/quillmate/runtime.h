/* The automation runtime that objects and the gateway compile against: the real one on
   Windows, the project's own (same binary conventions, quillmate/com_abi.h) elsewhere. C and
   C++ alike. */
#pragma once

#ifdef _WIN32
#    ifndef WIN32_LEAN_AND_MEAN
#        define WIN32_LEAN_AND_MEAN
#    endif
#    include "quillmate/c_tables.h"
#    include <ole2.h>
#    include <oleauto.h>
#    include <windows.h>
#else
#    include "quillmate/com_abi.h"
#endif

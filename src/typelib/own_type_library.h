// The program's own type library, QMTLib, as every reader takes it: the running program's
// path (no length limit), converted to wide text with the ANSI code page, handed to
// LoadTypeLib, which finds the library carried in that file.
#pragma once

#include "automation/automation.h"
#include "common/heap_ptr.h"
#include "quillmate/ref.h"

namespace qmt {

struct OwnTypeLibrary {
    quillmate::Ref<ITypeLib> library;
    HeapPtr<WideChar> path; // as LoadTypeLib was given it
};

// S_OK with both set, or the failure of finding or converting the path, or of LoadTypeLib.
HRESULT load_own_type_library(OwnTypeLibrary& loaded);

} // namespace qmt

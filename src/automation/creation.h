// Finding and creating the target class the way the gateway does (CLSIDFromProgID, then
// CoCreateInstance in process), with the cause of a failure in words for the line on standard
// error. Natively the cause names the step of the lookup that failed: the registry key or
// value that is missing, the library's path, the loader's own words, the status of the
// library's DllGetClassObject or of its factory. On Windows the system's runtime tells only
// its status, so the cause is that status and what the system says of it.
#pragma once

#include "common/diagnostic_text.h"
#include "common/wide_text.h"
#include "quillmate/runtime.h"

namespace qmt {

// CLSIDFromProgID's status; the cause is added to `cause` when it is not S_OK.
HRESULT class_id_from_name(WideChar const* class_name, CLSID& clsid, DiagnosticText& cause);

// CoCreateInstance(clsid, no outer object, CLSCTX_INPROC_SERVER, iid)'s status and object;
// the cause is added to `cause` when the status is a failure.
HRESULT create_object(REFCLSID clsid, REFIID iid, void** object, DiagnosticText& cause);

} // namespace qmt

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

#include <cstddef>

namespace qmt {

// CLSIDFromProgID's status; the cause is added to `cause` when it is not S_OK.
HRESULT class_id_from_name(WideChar const* class_name, CLSID& clsid, DiagnosticText& cause);

// CoCreateInstance(clsid, no outer object, CLSCTX_INPROC_SERVER, iid)'s status and object;
// the cause is added to `cause` when the status is a failure.
HRESULT create_object(REFCLSID clsid, REFIID iid, void** object, DiagnosticText& cause);

// Room for an in-process server's path, terminator included (natively the longest path).
inline constexpr std::size_t class_server_path_capacity = 4096 + 1;

// A class's in-process server, found once for a caller that creates the class again and
// again while the runtime keeps its libraries loaded (the worker that keeps them): creating
// from it reads no registry and loads nothing. Natively the loaded library's
// DllGetClassObject and its path (for the causes); on Windows the class alone, created
// through the system's runtime each time. Plain bytes: it may be copied.
struct ClassServer {
    CLSID clsid {};
    void* class_object_getter {nullptr};
    char path[class_server_path_capacity] {};
};

// The two halves of create_object, with the same statuses and causes: the server found in
// the registry and its library loaded, then an object made through it.
HRESULT find_class_server(REFCLSID clsid, ClassServer& server, DiagnosticText& cause);
HRESULT create_from_server(ClassServer const& server, REFIID iid, void** object, DiagnosticText& cause);

} // namespace qmt

// Class lookup and in-process creation, the work behind CLSIDFromProgID and CoCreateInstance,
// telling the cause of a failure step by step when asked (`cause` not null): the gateway's
// line on standard error and the registration tool's check print it.
#pragma once

#include "automation/native/directory_registry.h"
#include "common/diagnostic_text.h"
#include "quillmate/com_abi.h"

namespace qmt::runtime {

HRESULT find_class_id(LPCOLESTR name, CLSID& clsid, DiagnosticText* cause);
HRESULT create_instance(REFCLSID clsid, REFIID iid, void** object, DiagnosticText* cause);

// The steps of create_instance, for a caller that reports each (the registration tool's
// check): the absolute path of the class's in-process server, from the registry; then the
// server loaded (kept loaded until the runtime shuts down) and its class factory for `clsid`.
HRESULT find_server(REFCLSID clsid, KeyValue& path, DiagnosticText* cause);
HRESULT get_class_factory(REFCLSID clsid, char const* path, IClassFactory** factory, DiagnosticText* cause);

// The C++ name under which a library exports something called DllGetClassObject (the name a
// C++ compiler gives a function that was not declared extern "C"), into `name`; its length,
// 0 when there is none. Reads the library's dynamic symbol names from its file.
std::size_t find_mangled_class_object_export(char const* path, char* name, std::size_t capacity);

} // namespace qmt::runtime

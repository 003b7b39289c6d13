// The system's runtime reports a failure by its status alone: the cause is that status.
#include "automation/creation.h"

namespace qmt {

HRESULT class_id_from_name(WideChar const* class_name, CLSID& clsid, DiagnosticText& cause)
{
    HRESULT const status = CLSIDFromProgID(class_name, &clsid);
    if (status != S_OK)
        cause.add("CLSIDFromProgID returned ").add_status(status);
    return status;
}

HRESULT create_object(REFCLSID clsid, REFIID iid, void** object, DiagnosticText& cause)
{
    HRESULT const status = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, object);
    if (FAILED(status))
        cause.add("CoCreateInstance returned ").add_status(status);
    return status;
}

// The system's runtime finds and loads the server itself, each time.
HRESULT find_class_server(REFCLSID clsid, ClassServer& server, DiagnosticText&)
{
    server.clsid = clsid;
    return S_OK;
}

HRESULT create_from_server(ClassServer const& server, REFIID iid, void** object, DiagnosticText& cause)
{
    return create_object(server.clsid, iid, object, cause);
}

} // namespace qmt

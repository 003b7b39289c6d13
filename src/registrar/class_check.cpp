#include "registrar/class_check.h"

#include "automation/native/class_lookup.h"
#include "common/diagnostic_text.h"
#include "common/text_conversion.h"
#include "registrar/class_identifier.h"

#include "quillmate/ref.h"

namespace qmt::registrar {
namespace {

std::u16string wide(std::string const& text)
{
    std::u16string units(text.size() + 1, u'\0'); // room for the terminator
    units.resize(wide_from_narrow_into(text.data(), text.size(), units.data(), units.size()));
    return units;
}

std::string text_of(DiagnosticText const& cause) { return std::string(cause.view()); }

// The runtime is up for the check: CoInitialize, and CoUninitialize when done.
struct RuntimeUp {
    RuntimeUp() { CoInitialize(nullptr); }
    ~RuntimeUp() { CoUninitialize(); }
    RuntimeUp(RuntimeUp const&) = delete;
    RuntimeUp& operator=(RuntimeUp const&) = delete;
};

} // namespace

bool check_class(std::string const& prog_id, std::string const& method, void (*report)(CheckStep const&),
                 CheckStep& failure)
{
    RuntimeUp const runtime;
    DiagnosticText cause;
    auto const fail = [&](char const* step) {
        failure = {step, text_of(cause)};
        return false;
    };

    std::u16string const name = wide(prog_id);
    CLSID id {};
    if (runtime::find_class_id(name.c_str(), id, &cause) != S_OK)
        return fail("resolve");
    report({"resolve", prog_id + " is " + registry_text(id)});

    runtime::KeyValue path;
    if (FAILED(runtime::find_server(id, path, &cause)))
        return fail("load");
    quillmate::Ref<IClassFactory> factory;
    if (FAILED(runtime::get_class_factory(id, path.text, factory.out(), &cause)))
        return fail("load");
    report({"load", std::string(path.view()) + " loaded; its DllGetClassObject gave the class factory"});

    quillmate::Ref<IUnknown> object;
    HRESULT const status = factory->CreateInstance(nullptr, IID_IUnknown, object.out_void());
    if (status != S_OK || !object) {
        cause.add("the class factory's CreateInstance returned ").add_status(status);
        if (SUCCEEDED(status))
            cause.add(!object ? " without an object" : ", which the gateway counts as a failure");
        return fail("create");
    }
    report({"create", "the class factory made an object"});

    quillmate::Ref<IDispatch> dispatch;
    HRESULT const answered = object->QueryInterface(IID_IDispatch, dispatch.out_void());
    if (answered != S_OK || !dispatch) {
        cause.add("QueryInterface(IID_IDispatch) returned ").add_status(answered);
        cause.add(": the gateway calls methods through IDispatch");
        return fail("IDispatch");
    }
    report({"IDispatch", "the object answers for IDispatch"});

    if (method.empty())
        return true;
    std::u16string method_name = wide(method);
    LPOLESTR names[] = {method_name.data()};
    DISPID member = 0;
    HRESULT const found = dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &member);
    if (found != S_OK) {
        cause.add("GetIDsOfNames(\"").add(method).add("\") returned ").add_status(found);
        cause.add(" (method names are matched exactly, letter case included)");
        return fail("method");
    }
    DiagnosticText said;
    said.add(method).add(" has the dispatch identifier ").add_decimal(member);
    report({"method", text_of(said)});
    return true;
}

} // namespace qmt::registrar

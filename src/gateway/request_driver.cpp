#include "gateway/request_driver.h"

#include "environment/environment.h"
#include "gateway/form_decoder.h"
#include "gateway/request_intake.h"
#include "gateway/run_mode.h"
#include "platform/module.h"
#include "report/error_page.h"
#include "report/fault_report.h"
#include "report/message_numbers.h"
#include "typelib/registration.h"

namespace qmt {
namespace {

constexpr std::size_t initial_text_buffer = 10;

struct CallOutcome {
    bool called {false};
    HRESULT status {S_OK};
    EXCEPINFO exception {};
};

CallOutcome call_method(Target const& target, Environment& environment)
{
    CallOutcome outcome;
    VARIANT argument;
    VariantInit(&argument);
    argument.vt = VT_UNKNOWN;
    argument.punkVal = static_cast<::QmtEnvironment*>(&environment); // the method adds its own reference if it keeps it
    DISPPARAMS parameters {&argument, nullptr, 1, 0};
    VARIANT result;
    VariantInit(&result);
    UINT argument_error = 0;
    outcome.called = true;
    outcome.status = target.object->Invoke(target.method, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_METHOD, &parameters,
                                           &result, &outcome.exception, &argument_error);
    return outcome;
}

void report_exception(Environment& environment, EXCEPINFO& exception)
{
    if (exception.pfnDeferredFillIn != nullptr)
        exception.pfnDeferredFillIn(&exception);
    report_error(environment.error_state(), message::TargetRaisedException, exception.bstrSource,
                 exception.bstrDescription);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
}

void run_request()
{
    CoInitialize(nullptr);
    Environment* environment = Environment::create();
    if (environment == nullptr) {
        CoUninitialize();
        return; // without an environment there is no request to run
    }
    hold_for_fault_report(&environment->error_state());

    RequestLine const request = take_in_request(*environment->server_items());
    DecodingBuffers buffers;
    buffers.name.reserve(initial_text_buffer);
    buffers.value.reserve(initial_text_buffer);

    Target target;
    CallOutcome outcome;
    if (request.method == RequestMethod::None) {
        report_error(environment->error_state(), message::UnsupportedRequestMethod);
    } else {
        FormData form = obtain_form_data(request);
        char empty[1] = {'\0'};
        char* bytes = form.bytes ? form.bytes.get() : empty;
        if (decode_form_data(*environment, bytes, form.count, buffers, target))
            outcome = call_method(target, *environment);
    }

    // Teardown, in its fixed order.
    buffers.name.release();
    buffers.value.release();
    if (target.object != nullptr)
        target.object->Release();
    if (outcome.called && outcome.status == DISP_E_EXCEPTION)
        report_exception(*environment, outcome.exception);
    // A user object may keep the environment alive; the slot lets go only once it is gone.
    if (environment->Release() == 0)
        hold_for_fault_report(nullptr);
    CoUninitialize();
}

} // namespace

int run_gateway(void* module_instance, char const* command_line)
{
    platform::set_module_instance(module_instance);
    install_fault_report();
    switch (decide_run_mode(command_line)) {
    case RunMode::RegisterTypeLibrary:
        register_type_library();
        return 0;
    case RunMode::UnregisterTypeLibrary:
        unregister_type_library();
        return 0;
    case RunMode::Request:
        run_request();
        return 0;
    }
    return 0;
}

} // namespace qmt

#include "gateway/request_driver.h"

#include "environment/environment.h"
#include "gateway/fastcgi_worker.h"
#include "gateway/form_decoder.h"
#include "gateway/request_intake.h"
#include "gateway/request_limits.h"
#include "gateway/run_mode.h"
#include "platform/module.h"
#include "platform/process.h"
#include "report/diagnostic.h"
#include "report/error_page.h"
#include "report/fault_report.h"
#include "report/message_numbers.h"
#include "typelib/registration.h"

#include <algorithm>
#include <cstdint>

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

// "call method "Run" of "Shop.Catalog": ", the start of the call's line on standard error.
void start_call_line(DiagnosticText& line, Target const& target)
{
    line.clear();
    line.add("call method ").add_quoted(target.method_name).add(" of ").add_quoted(target.class_name).add(": ");
}

void report_exception(Environment& environment, EXCEPINFO& exception, DiagnosticText& line)
{
    if (exception.pfnDeferredFillIn != nullptr)
        exception.pfnDeferredFillIn(&exception);
    line.add("the method raised an error: source ").add_quoted(exception.bstrSource);
    line.add(", description ").add_quoted(exception.bstrDescription);
    report_error(environment.error_state(), message::TargetRaisedException, exception.bstrSource,
                 exception.bstrDescription, line);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
}

// Intake, limits, form data and target, in the fixed order; false once a page has said
// why the method is not called.
bool prepare_call(RequestSource const& source, Environment& environment, DecodingBuffers& buffers, Target& target,
                  ClassCache* classes)
{
    ErrorState& errors = environment.error_state();
    DiagnosticText& line = buffers.line;
    RequestLine request;
    if (!take_in_request(source, *environment.server_items(), request) || !buffers.name.reserve(initial_text_buffer)
        || !buffers.value.reserve(initial_text_buffer)) {
        report_error(errors, message::RequestOutOfMemory, line.add("take in the request: not enough memory"));
        return false;
    }
    if (request.method == RequestMethod::None) {
        char method[64];
        std::uint32_t const length = source.variable("REQUEST_METHOD", method, sizeof method);
        line.add("request method ").add_quoted(length < sizeof method ? std::string_view(method, length) : "(long)");
        report_error(errors, message::UnsupportedRequestMethod, line.add(": only GET and POST are served"));
        return false;
    }
    // A GET's data length counts the query string's terminator.
    auto const form_bytes = static_cast<std::uint64_t>(std::max(request.data_length, 0))
        - (request.method == RequestMethod::Get && request.data_length > 0 ? 1 : 0);
    RequestLimits const limits = read_request_limits(source);
    if (limits.body_bytes && form_bytes > *limits.body_bytes) {
        line.add("take in the request: ").add_decimal(static_cast<std::int64_t>(form_bytes));
        line.add(" bytes of form data, more than QUILLMATE_MAX_BODY_BYTES (");
        report_error(errors, message::RequestTooLarge,
                     line.add_decimal(static_cast<std::int64_t>(*limits.body_bytes)).add(")"));
        return false;
    }
    FormData form;
    if (!obtain_form_data(source, request, form)) {
        report_error(errors, message::RequestOutOfMemory, line.add("read the form data: not enough memory"));
        return false;
    }
    // Counted before anything is created: a request with too many fields runs nothing.
    if (limits.fields && *limits.fields < SIZE_MAX
        && count_form_pairs(form.bytes.get(), form.count, static_cast<std::size_t>(*limits.fields + 1))
            > *limits.fields + 1) {
        line.add("take in the request: more form fields than QUILLMATE_MAX_FIELDS (");
        report_error(errors, message::RequestTooLarge,
                     line.add_decimal(static_cast<std::int64_t>(*limits.fields)).add(")"));
        return false;
    }
    return decode_form_data(environment, form.bytes.get(), form.count, buffers, target, source, classes);
}

// The operator's opt-in: every error page carries "Status: 500" (any value but empty or "0").
bool pages_answer_with_status_500(RequestSource const& source)
{
    char value[2];
    std::uint32_t const length = source.setting("QUILLMATE_ERROR_STATUS", value, sizeof value);
    return length > 0 && !(length == 1 && value[0] == '0');
}

} // namespace

void serve_request(RequestSource const& source, Response response, ClassCache* classes)
{
    CoInitialize(nullptr);
    bool const status_500 = pages_answer_with_status_500(source);
    DecodingBuffers buffers;
    Environment* environment = Environment::create(response);
    if (environment == nullptr) {
        ErrorState unattached(response); // the page has no environment to stop
        unattached.answer_with_status_500(status_500);
        report_error(unattached, message::RequestOutOfMemory,
                     buffers.line.add("create the environment: not enough memory"));
        CoUninitialize();
        return;
    }
    environment->error_state().answer_with_status_500(status_500);
    hold_for_fault_report(&environment->error_state());

    Target target;
    CallOutcome outcome;
    DiagnosticText& call_line = buffers.line;
    if (!source.is_complete()) {
        report_error(environment->error_state(), message::RequestOutOfMemory,
                     call_line.add("take in the request: not enough memory for its parameters"));
    } else if (prepare_call(source, *environment, buffers, target, classes)) {
        hold_method_for_fault_report(target.class_name, target.method_name);
        outcome = call_method(target, *environment);
        hold_method_for_fault_report(nullptr, nullptr);
        // Started while the names are still there (the buffers go before a raised error's page).
        if (FAILED(outcome.status)) {
            start_call_line(call_line, target);
            // A failure status that writes no page is told on this line alone.
            if (outcome.status != DISP_E_EXCEPTION) {
                call_line.add("the method returned ").add_status(outcome.status).add(", a failure no page reports");
                write_diagnostic(call_line);
            }
        }
    }

    // Teardown, in its fixed order (the form data went once it was decoded).
    buffers.name.release();
    buffers.value.release();
    if (target.object != nullptr)
        target.object->Release();
    if (outcome.called && outcome.status == DISP_E_EXCEPTION)
        report_exception(*environment, outcome.exception, call_line);
    // A user object may keep the environment alive; the slot lets go only once it is gone.
    if (environment->Release() == 0)
        hold_for_fault_report(nullptr);
    CoUninitialize();
}

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
        if (platform::prepare_standard_streams()) // else no safe place for the response: nothing runs
            serve_request(RequestSource {}, Response {});
        return 0;
    case RunMode::Worker:
        return run_worker(platform::standard_input());
    case RunMode::WorkerAt:
        return run_worker_at(worker_address(command_line));
    }
    return 0;
}

} // namespace qmt

#include "gateway/fastcgi_worker.h"

#include "automation/automation.h"
#include "common/response.h"
#include "gateway/fastcgi_connection.h"
#include "gateway/fastcgi_request.h"
#include "gateway/request_driver.h"
#include "platform/io.h"
#include "platform/listener.h"
#include "platform/process.h"
#include "report/fault_report.h"

#include <cstring>

namespace qmt {
namespace {

constexpr char keep_libraries_variable[] = "QUILLMATE_KEEP_LIBRARIES";

bool keeps_libraries()
{
    char value[4];
    return platform::get_environment_variable(keep_libraries_variable, value, sizeof value) == 1 && value[0] == '1';
}

// What the worker keeps from one request to the next.
struct WorkerState {
    FastCgiConnection connection;
    ResponseStream stream;
    // Only while the libraries are kept: the servers it remembers live in them.
    bool keeps_libraries {false};
    ClassCache classes;

    ClassCache* class_cache() { return keeps_libraries ? &classes : nullptr; }
};

// Requests of one connection, one after another while the server keeps the connection.
void serve_connection(WorkerState& worker)
{
    FastCgiConnection& connection = worker.connection;
    ResponseStream& stream = worker.stream;
    bool input_left = false;
    for (;;) {
        FastCgiRequest request(connection);
        FastCgiRequest::Start const start = request.start();
        if (start == FastCgiRequest::Start::ended)
            break;
        if (start == FastCgiRequest::Start::serve) {
            std::uint64_t const serial = stream.begin(connection.handle(), request.id());
            serve_request(RequestSource(request), Response(stream, serial), worker.class_cache());
            // Nothing of this request is reported after its end, even from an environment kept alive.
            hold_for_fault_report(nullptr);
            stream.end(serial, 0);
            request.drop_arrived_input();
            input_left = request.input_left();
        }
        if (!request.keeps_connection())
            break;
    }
    connection.close(input_left);
}

void say(char const* text) { platform::write_all(platform::standard_error(), text, std::strlen(text)); }

} // namespace

int run_worker(platform::NativeHandle listener)
{
    // The listener takes descriptor 0; the other standard streams are made safe as for a request.
    if (!platform::prepare_standard_streams())
        return 1;
    platform::defer_stop_requests();
    WorkerState worker;
    if (!worker.connection.allocate()) {
        say("quillmate: not enough memory to serve requests\n");
        return 1;
    }
    // An initialisation of the runtime around all requests: each request's own ends
    // without unloading the libraries.
    worker.keeps_libraries = keeps_libraries();
    if (worker.keeps_libraries)
        CoInitialize(nullptr);
    for (;;) {
        platform::NativeHandle const handle = platform::accept_connection(listener);
        if (handle == platform::invalid_handle)
            break;
        worker.connection.attach(handle);
        serve_connection(worker);
    }
    if (worker.keeps_libraries)
        CoUninitialize();
    return 0;
}

int run_worker_at(char const* address)
{
    if (!platform::prepare_standard_streams()) // before the listener could take a standard stream's number
        return 1;
    platform::NativeHandle const listener = platform::open_listener(address);
    if (listener == platform::invalid_handle) {
        say("quillmate: cannot listen at the address given\n");
        return 1;
    }
    int const status = run_worker(listener);
    platform::close_handle(listener);
    return status;
}

} // namespace qmt

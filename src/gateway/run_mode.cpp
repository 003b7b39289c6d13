#include "gateway/run_mode.h"

#include "platform/listener.h"
#include "platform/process.h"

namespace qmt {
namespace {

char fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }

} // namespace

char const* worker_address(char const* command_line)
{
    if (command_line == nullptr || (command_line[0] != '-' && command_line[0] != '/'))
        return nullptr;
    char const* word = "fastcgi ";
    char const* cursor = command_line + 1;
    for (; *word != '\0'; ++word, ++cursor)
        if (fold(*cursor) != *word)
            return nullptr;
    return *cursor != '\0' ? cursor : nullptr;
}

RunMode decide_run_mode(char const* command_line)
{
    if (platform::is_listening_socket(platform::standard_input()))
        return RunMode::Worker;
    if (platform::environment_variable_is_set("GATEWAY_INTERFACE")
        || platform::environment_variable_is_set("REQUEST_METHOD"))
        return RunMode::Request;
    if (command_line == nullptr)
        return RunMode::Request;
    if (platform::compare_ignoring_case(command_line, "-RegServer") == 0
        || platform::compare_ignoring_case(command_line, "/RegServer") == 0)
        return RunMode::RegisterTypeLibrary;
    if (platform::compare_ignoring_case(command_line, "-UnRegServer") == 0
        || platform::compare_ignoring_case(command_line, "/UnRegServer") == 0)
        return RunMode::UnregisterTypeLibrary;
    if (worker_address(command_line) != nullptr)
        return RunMode::WorkerAt;
    return RunMode::Request;
}

} // namespace qmt

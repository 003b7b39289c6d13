#include "gateway/run_mode.h"

#include "platform/process.h"

namespace qmt {

RunMode decide_run_mode(char const* command_line)
{
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
    return RunMode::Request;
}

} // namespace qmt

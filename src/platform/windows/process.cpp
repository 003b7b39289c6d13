#include "platform/process.h"

#include <windows.h>

namespace qmt::platform {

std::uint32_t get_environment_variable(char const* name, char* buffer, std::uint32_t size)
{
    return GetEnvironmentVariableA(name, buffer, size);
}

bool environment_variable_is_set(char const* name)
{
    char probe[1];
    return GetEnvironmentVariableA(name, probe, 0) != 0 || GetLastError() != ERROR_ENVVAR_NOT_FOUND;
}

// A missing standard handle stays missing: files opened later get handles of their own.
bool prepare_standard_streams() { return true; }

NativeHandle standard_input() { return GetStdHandle(STD_INPUT_HANDLE); }

NativeHandle standard_output() { return GetStdHandle(STD_OUTPUT_HANDLE); }

NativeHandle standard_error() { return GetStdHandle(STD_ERROR_HANDLE); }

std::size_t system_message(std::uint32_t status, char* text, std::size_t capacity)
{
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, status, 0, text,
                                  static_cast<DWORD>(capacity), nullptr);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r' || text[length - 1] == ' '))
        --length;
    return length;
}

void sleep_milliseconds(std::uint32_t milliseconds) { Sleep(milliseconds); }

int compare_ignoring_case(char const* a, char const* b) { return lstrcmpiA(a, b); }

} // namespace qmt::platform

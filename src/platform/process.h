// The process's environment, standard streams and clock.
#pragma once

#include "platform/native_handle.h"

#include <cstddef>
#include <cstdint>

namespace qmt::platform {

// Fetches an environment variable with the Windows convention: 0 when it is unset or
// empty; the count copied (without the terminator) when the value fits in `size` bytes;
// otherwise the size needed, terminator included, with nothing usable copied.
std::uint32_t get_environment_variable(char const* name, char* buffer, std::uint32_t size);

bool environment_variable_is_set(char const* name);

// Makes the standard streams safe to use, first thing in a request. Natively every one of
// descriptors 0, 1 and 2 that is closed is opened on /dev/null, so that no file the request
// opens takes the place of a standard stream (an output file opened as descriptor 1 would
// receive the error pages). False when that cannot be done: the request must not run.
bool prepare_standard_streams();

NativeHandle standard_input();
NativeHandle standard_output();
// Where the program's complaints go: web servers write a CGI program's standard error to
// their error log.
NativeHandle standard_error();

// The system's own text for a status (Windows: the message table, for a Win32 error or a
// status), without a line end, in `text`; its length, 0 when there is none (always natively).
std::size_t system_message(std::uint32_t status, char* text, std::size_t capacity);

// Pauses the thread.
void sleep_milliseconds(std::uint32_t milliseconds);

// Case-insensitive comparison of two narrow texts (ASCII letters fold); 0 when equal.
int compare_ignoring_case(char const* a, char const* b);

} // namespace qmt::platform

// The Windows builds have no persistent worker: nothing listens and nothing is accepted.
#include "platform/listener.h"

#include <windows.h>

namespace qmt::platform {

bool is_listening_socket(NativeHandle) { return false; }

NativeHandle open_listener(char const*) { return invalid_handle; }

void defer_stop_requests() { }

NativeHandle accept_connection(NativeHandle) { return invalid_handle; }

void close_connection(NativeHandle connection, bool) { CloseHandle(connection); }

void close_handle(NativeHandle handle) { CloseHandle(handle); }

} // namespace qmt::platform

// The listening socket of a persistent worker and the connections it accepts. A FastCGI
// server that starts the worker hands the socket over as standard input; a worker started
// by hand opens its own. Natively only: the Windows builds have no worker.
#pragma once

#include "platform/native_handle.h"

namespace qmt::platform {

// Whether `handle` is a socket that listens for connections.
bool is_listening_socket(NativeHandle handle);

// A socket listening at `address`: a path (a Unix socket, created; an old socket file there
// is replaced) or "host:port" (TCP, numeric host). invalid_handle when that fails.
NativeHandle open_listener(char const* address);

// From here on, a request to stop (SIGTERM, SIGINT, SIGHUP) only ends the wait for the next
// connection: a request that runs is never cut short by it.
void defer_stop_requests();

// The next connection, or invalid_handle once a stop was requested or the socket fails.
NativeHandle accept_connection(NativeHandle listener);

// Closes a connection. With `input_left`, the server's remaining input is read and dropped
// first, until it closes its side (or, after a second, given up): unread input would turn
// the close into a reset that can lose the last records written.
void close_connection(NativeHandle connection, bool input_left);

void close_handle(NativeHandle handle);

} // namespace qmt::platform

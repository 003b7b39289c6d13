// The persistent worker: one process that serves request after request, each exactly as a
// CGI run serves it, with the FastCGI protocol as the way in and out.
#pragma once

#include "platform/native_handle.h"

namespace qmt {

// Serves connections accepted on `listener` one at a time until a stop is requested
// (SIGTERM) or the socket fails. The environment variable QUILLMATE_KEEP_LIBRARIES=1 keeps
// the user's libraries loaded from one request to the next; by default each request
// unloads them at its end, as a CGI run's end does. Returns the exit status.
int run_worker(platform::NativeHandle listener);

// The same on a socket of its own at `address` (a Unix socket's path, or host:port).
int run_worker_at(char const* address);

} // namespace qmt

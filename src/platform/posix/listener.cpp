#include "platform/listener.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace qmt::platform {
namespace {

constexpr int stop_signals[] = {SIGTERM, SIGINT, SIGHUP};
constexpr int listen_backlog = 128;
// How long a closing connection waits for the server to close its side.
constexpr int close_wait_ms = 1000;

volatile sig_atomic_t stop_requested = 0;

void on_stop_request(int) { stop_requested = 1; }

NativeHandle listen_on_path(char const* path)
{
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    std::size_t const length = std::strlen(path);
    if (length == 0 || length >= sizeof address.sun_path)
        return invalid_handle;
    std::memcpy(address.sun_path, path, length + 1);
    int const listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener < 0)
        return invalid_handle;
    ::unlink(path); // a socket left by an earlier worker
    if (::bind(listener, reinterpret_cast<sockaddr const*>(&address), sizeof address) != 0
        || ::listen(listener, listen_backlog) != 0) {
        ::close(listener);
        return invalid_handle;
    }
    return listener;
}

NativeHandle listen_on_port(char const* address_text, char const* colon)
{
    char host[64];
    auto const host_length = static_cast<std::size_t>(colon - address_text);
    if (host_length == 0 || host_length >= sizeof host)
        return invalid_handle;
    std::memcpy(host, address_text, host_length);
    host[host_length] = '\0';
    char* end = nullptr;
    unsigned long const port = std::strtoul(colon + 1, &end, 10);
    if (end == colon + 1 || *end != '\0' || port > 65535)
        return invalid_handle;
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    if (::inet_pton(AF_INET, host, &address.sin_addr) != 1)
        return invalid_handle;
    int const listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener < 0)
        return invalid_handle;
    int const reuse = 1;
    ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    if (::bind(listener, reinterpret_cast<sockaddr const*>(&address), sizeof address) != 0
        || ::listen(listener, listen_backlog) != 0) {
        ::close(listener);
        return invalid_handle;
    }
    return listener;
}

} // namespace

bool is_listening_socket(NativeHandle handle)
{
    int listening = 0;
    socklen_t length = sizeof listening;
    return ::getsockopt(handle, SOL_SOCKET, SO_ACCEPTCONN, &listening, &length) == 0 && listening != 0;
}

NativeHandle open_listener(char const* address)
{
    if (address[0] == '/' || address[0] == '.')
        return listen_on_path(address);
    char const* colon = std::strrchr(address, ':');
    return colon == nullptr ? listen_on_path(address) : listen_on_port(address, colon);
}

void defer_stop_requests()
{
    struct sigaction action { };
    action.sa_handler = on_stop_request;
    sigemptyset(&action.sa_mask);
    sigset_t blocked;
    sigemptyset(&blocked);
    for (int const stop_signal : stop_signals) {
        ::sigaction(stop_signal, &action, nullptr); // no SA_RESTART: the wait is interrupted
        sigaddset(&blocked, stop_signal);
    }
    // Delivered only while the worker waits for a connection (ppoll below).
    ::sigprocmask(SIG_BLOCK, &blocked, nullptr);
}

NativeHandle accept_connection(NativeHandle listener)
{
    // The mask while waiting: the worker's own, which blocks nothing else (see defer_stop_requests).
    sigset_t waiting;
    sigemptyset(&waiting);
    for (;;) {
        if (stop_requested != 0)
            return invalid_handle;
        pollfd ready {listener, POLLIN, 0};
        int const polled = ::ppoll(&ready, 1, nullptr, &waiting);
        if (polled < 0 && errno == EINTR)
            continue;
        if (polled < 0 || (ready.revents & (POLLERR | POLLNVAL)) != 0)
            return invalid_handle;
        int const connection = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection >= 0)
            return connection;
        // Another worker on the same socket took it, or the client went at once: wait again.
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR || errno == ECONNABORTED || errno == EPROTO)
            continue;
        if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM)
            continue; // passing: the next connection may fit
        return invalid_handle;
    }
}

void close_connection(NativeHandle connection, bool input_left)
{
    if (!input_left) {
        ::close(connection);
        return;
    }
    ::shutdown(connection, SHUT_WR);
    char discarded[4096];
    for (;;) {
        pollfd ready {connection, POLLIN, 0};
        int const polled = ::poll(&ready, 1, close_wait_ms);
        if (polled < 0 && errno == EINTR)
            continue;
        if (polled <= 0)
            break;
        ssize_t const got = ::read(connection, discarded, sizeof discarded);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
    }
    ::close(connection);
}

void close_handle(NativeHandle handle) { ::close(handle); }

} // namespace qmt::platform

#include "fastcgi_worker.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

namespace e2e {
namespace {

using Clock = std::chrono::steady_clock;

enum : unsigned char {
    begin_request = 1,
    end_request = 3,
    params = 4,
    stdin_stream = 5,
    stdout_stream = 6,
};
constexpr std::uint16_t request_id = 1;
constexpr std::size_t most_content = 65535;
// How long a worker that reported a fault, or closed a connection without ending its
// request, is given to end; and how long a stopped worker is given.
constexpr int ending_wait_ms = 10000;

void append_record(std::string& out, unsigned char type, std::string_view content)
{
    unsigned char const header[8] = {1,
                                     type,
                                     request_id >> 8,
                                     request_id & 0xFF,
                                     static_cast<unsigned char>(content.size() >> 8),
                                     static_cast<unsigned char>(content.size() & 0xFF),
                                     0,
                                     0};
    out.append(reinterpret_cast<char const*>(header), sizeof header);
    out.append(content);
}

// A stream's records: as many as the bytes need, without the empty one that ends it.
void append_stream(std::string& out, unsigned char type, std::string_view bytes)
{
    for (std::size_t at = 0; at < bytes.size(); at += most_content)
        append_record(out, type, bytes.substr(at, most_content));
}

void append_length(std::string& out, std::size_t length)
{
    if (length < 0x80) {
        out += static_cast<char>(length);
        return;
    }
    out += static_cast<char>((length >> 24) | 0x80);
    out += static_cast<char>((length >> 16) & 0xFF);
    out += static_cast<char>((length >> 8) & 0xFF);
    out += static_cast<char>(length & 0xFF);
}

// BEGIN_REQUEST (responder, connection closed after the request) and the whole PARAMS stream.
std::string request_head(std::vector<std::string> const& variables)
{
    std::string out;
    append_record(out, begin_request, std::string_view("\0\1\0\0\0\0\0\0", 8));
    std::string pairs;
    for (std::string const& variable : variables) {
        std::size_t const equals = variable.find('=');
        std::string_view const name(variable.data(), equals);
        std::string_view const value = std::string_view(variable).substr(equals + 1);
        append_length(pairs, name.size());
        append_length(pairs, value.size());
        pairs.append(name);
        pairs.append(value);
    }
    append_stream(out, params, pairs);
    append_record(out, params, {});
    return out;
}

int connect_to(std::string const& path)
{
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    int const connection = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (connection < 0)
        return -1;
    // A listening Unix socket takes the connection into its backlog at once.
    if (::connect(connection, reinterpret_cast<sockaddr const*>(&address), sizeof address) != 0) {
        ::close(connection);
        return -1;
    }
    return connection;
}

// What came back on a connection: the STDOUT content and END_REQUEST, if it arrived.
struct Answer {
    std::string out;
    bool ended {false};
    std::uint32_t status {0};
    bool closed {false}; // the worker closed the connection
};

// Takes the whole records at the front of `inbound`.
void take_records(std::string& inbound, Answer& answer)
{
    std::size_t at = 0;
    while (inbound.size() - at >= 8) {
        auto const* header = reinterpret_cast<unsigned char const*>(inbound.data() + at);
        std::size_t const length = static_cast<std::size_t>(header[4] << 8 | header[5]);
        std::size_t const size = 8 + length + header[6];
        if (inbound.size() - at < size)
            break;
        auto const* content = header + 8;
        if (header[1] == stdout_stream)
            answer.out.append(reinterpret_cast<char const*>(content), length);
        if (header[1] == end_request && length >= 8) {
            answer.ended = true;
            answer.status = static_cast<std::uint32_t>(content[0]) << 24 | static_cast<std::uint32_t>(content[1]) << 16
                | static_cast<std::uint32_t>(content[2]) << 8 | content[3];
        }
        at += size;
    }
    inbound.erase(0, at);
}

// Reads what is there; false once the worker has closed the connection (or it failed).
bool read_available(int connection, std::string& inbound)
{
    char buffer[65536];
    for (;;) {
        ssize_t const got = ::read(connection, buffer, sizeof buffer);
        if (got > 0) {
            inbound.append(buffer, static_cast<std::size_t>(got));
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        return got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
}

} // namespace

std::string process_level_reason(Case const& row)
{
    if (!row.arguments.empty())
        return "the command line is the worker's own, given when it starts";
    if (!row.closed_streams.empty())
        return "a worker's standard streams are its own: a request has its records instead";
    if (!row.copy_directory.empty())
        return "the program's file is the worker's: a request cannot run from a copy of it";
    return {};
}

FastCgiWorker::FastCgiWorker(std::vector<std::string> program, std::vector<std::string> environment,
                             std::string directory)
    : m_program(std::move(program))
    , m_environment(std::move(environment))
    , m_socket_path(std::move(directory) + "/worker.socket")
{
}

FastCgiWorker::~FastCgiWorker()
{
    if (m_pid > 0) {
        ::kill(-m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
    if (m_errors >= 0)
        ::close(m_errors);
    if (m_listener >= 0) {
        ::close(m_listener);
        ::unlink(m_socket_path.c_str());
    }
}

bool FastCgiWorker::start(std::string& error)
{
    ::signal(SIGPIPE, SIG_IGN); // a worker that closes a connection must not end the runner
    if (m_listener < 0) {
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        if (m_socket_path.size() >= sizeof address.sun_path) {
            error = "the socket path " + m_socket_path + " is too long";
            return false;
        }
        std::memcpy(address.sun_path, m_socket_path.c_str(), m_socket_path.size() + 1);
        m_listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (m_listener < 0 || ::bind(m_listener, reinterpret_cast<sockaddr const*>(&address), sizeof address) != 0
            || ::listen(m_listener, 16) != 0) {
            error = "cannot listen at " + m_socket_path + ": " + std::strerror(errno);
            return false;
        }
    }
    int errors[2];
    if (::pipe2(errors, O_CLOEXEC) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    std::vector<char*> argv, envp;
    for (std::string const& word : m_program)
        argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    for (std::string const& variable : m_environment)
        envp.push_back(const_cast<char*>(variable.c_str()));
    envp.push_back(nullptr);
    pid_t const pid = ::fork();
    if (pid == 0) {
        // Only async-signal-safe calls here, as in run_child.
        ::setpgid(0, 0);
        struct sigaction default_action { };
        default_action.sa_handler = SIG_DFL;
        for (int signal_number = 1; signal_number < NSIG; ++signal_number)
            ::sigaction(signal_number, &default_action, nullptr);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        int const null = ::open("/dev/null", O_WRONLY);
        if (::dup2(m_listener, 0) < 0 || ::dup2(null, 1) < 0 || ::dup2(errors[1], 2) < 0)
            ::_exit(127);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(errors[1]);
    if (pid < 0) {
        ::close(errors[0]);
        error = std::string("fork: ") + std::strerror(errno);
        return false;
    }
    ::setpgid(pid, pid);
    ::fcntl(errors[0], F_SETFL, ::fcntl(errors[0], F_GETFL) | O_NONBLOCK);
    m_errors = errors[0];
    m_pid = pid;
    return true;
}

std::string FastCgiWorker::take_errors(bool until_end)
{
    std::string taken;
    if (m_errors < 0)
        return taken;
    char buffer[65536];
    for (;;) {
        ssize_t const got = ::read(m_errors, buffer, sizeof buffer);
        if (got > 0) {
            taken.append(buffer, static_cast<std::size_t>(got));
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && until_end) {
            pollfd ready {m_errors, POLLIN, 0};
            ::poll(&ready, 1, ending_wait_ms);
            if (ready.revents != 0)
                continue;
        }
        break;
    }
    if (until_end) {
        ::close(m_errors);
        m_errors = -1;
    }
    return taken;
}

bool FastCgiWorker::wait_for_end(int timeout_ms, int& status)
{
    Clock::time_point const deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            return true;
        }
        if (Clock::now() >= deadline)
            return false;
        ::poll(nullptr, 0, 5);
    }
}

ChildResult FastCgiWorker::serve(ChildRequest const& request)
{
    ChildResult result;
    int earlier_status = 0;
    if (m_pid > 0 && ::waitpid(m_pid, &earlier_status, WNOHANG) == m_pid) {
        m_pid = -1;
        ChildResult earlier;
        earlier.exited = WIFEXITED(earlier_status);
        earlier.exit_code = earlier.exited ? WEXITSTATUS(earlier_status) : 0;
        earlier.signal = WIFSIGNALED(earlier_status) ? WTERMSIG(earlier_status) : 0;
        result.launch_error
            = "the worker ended (" + describe_ending(earlier) + ") after the row before this one: " + take_errors(true);
        return result;
    }
    if (m_pid < 0 && !start(result.launch_error))
        return result;
    Clock::time_point const start_time = Clock::now();
    Clock::time_point const deadline = start_time + std::chrono::milliseconds(request.timeout_ms);
    auto elapsed = [&] {
        return static_cast<long>(
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_time).count());
    };

    // Sends `head`, then each input piece after its pause, then (unless the input stays
    // open) the empty STDIN record; reads records until END_REQUEST, the worker's close, or
    // (`leave_after`, when not 0) that many bytes of STDOUT. `leave_when_sent`: the server
    // goes away once everything is sent, as a client that closed its connection.
    auto exchange = [&](std::string const& head, std::vector<std::string> const& pieces, bool stays_open,
                        std::size_t leave_after, bool leave_when_sent, Answer& answer) {
        int connection = connect_to(m_socket_path);
        if (connection < 0)
            return false;
        std::string outbound = head;
        std::size_t piece = 0;
        Clock::time_point next_piece_at = Clock::now();
        bool input_finished = false;
        auto queue_input = [&] {
            while (!input_finished && Clock::now() >= next_piece_at) {
                if (piece < pieces.size()) {
                    append_stream(outbound, stdin_stream, pieces[piece]);
                    ++piece;
                    next_piece_at = Clock::now() + std::chrono::milliseconds(request.pause_between_pieces_ms);
                    continue;
                }
                if (!stays_open)
                    append_record(outbound, stdin_stream, {});
                input_finished = true;
            }
        };
        std::string inbound;
        bool timed_out = false;
        for (;;) {
            queue_input();
            if (leave_when_sent && input_finished && outbound.empty())
                break;
            if (Clock::now() >= deadline) {
                timed_out = true;
                break;
            }
            pollfd fds[2] = {{connection, static_cast<short>(POLLIN | (outbound.empty() ? 0 : POLLOUT)), 0},
                             {m_errors, POLLIN, 0}};
            ::poll(fds, m_errors >= 0 ? 2 : 1, 10);
            if (m_errors >= 0 && fds[1].revents != 0)
                result.err += take_errors(false);
            if (!outbound.empty() && (fds[0].revents & POLLOUT) != 0) {
                ssize_t const written = ::send(connection, outbound.data(), outbound.size(), MSG_NOSIGNAL);
                if (written > 0)
                    outbound.erase(0, static_cast<std::size_t>(written));
                else if (written < 0 && errno != EAGAIN && errno != EINTR)
                    outbound.clear(); // the worker takes no more input
            }
            if ((fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
                bool const open = read_available(connection, inbound);
                take_records(inbound, answer);
                if (answer.ended)
                    break;
                if (!open) {
                    answer.closed = true;
                    break;
                }
                if (leave_after > 0 && answer.out.size() >= leave_after)
                    break;
            }
        }
        ::close(connection);
        return !timed_out;
    };

    Answer answer;
    bool const leaves_early = request.output != OutputSink::pipe || request.output_closed_after > 0;
    bool in_time = exchange(request_head(request.environment), request.input_pieces, request.input_stays_open,
                            request.output_closed_after, request.output != OutputSink::pipe, answer);
    if (in_time && leaves_early && !answer.ended && !answer.closed) {
        // The server went away in the middle: the request still runs to its end. The worker
        // takes one connection at a time, so the next request's answer comes after that end.
        Answer next;
        in_time = exchange(request_head({}), {}, false, 0, false, next);
        answer.ended = next.ended;
        answer.closed = next.closed;
    }
    if (request.output == OutputSink::pipe)
        result.out = std::move(answer.out);
    result.elapsed_ms = elapsed();
    if (!in_time) {
        ::kill(-m_pid, SIGKILL);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_pid = -1;
        result.timed_out = true;
        result.err += take_errors(true);
        return result;
    }
    int status = 0;
    // A request that ends with a status other than 0 ends its worker (a fault); a
    // connection closed without END_REQUEST is only seen with the worker's end.
    bool const worker_ends = !answer.ended || answer.status != 0;
    if (worker_ends && wait_for_end(ending_wait_ms, status)) {
        result.err += take_errors(true);
        result.exited = WIFEXITED(status);
        result.exit_code = result.exited ? WEXITSTATUS(status) : 0;
        result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
        if (!answer.ended)
            result.launch_error = "the worker ended (" + describe_ending(result) + ") without ending the request";
        else if (result.exited || answer.status != 128u + static_cast<unsigned>(result.signal))
            result.launch_error = "END_REQUEST gave " + std::to_string(answer.status) + ", but the worker ended with "
                + describe_ending(result);
        return result;
    }
    result.err += take_errors(false);
    if (!answer.ended)
        result.launch_error = "the worker closed the connection without ending the request, and did not end";
    result.exited = true;
    result.exit_code = static_cast<int>(answer.status);
    return result;
}

std::string FastCgiWorker::stop()
{
    if (m_pid < 0)
        return {};
    ::kill(m_pid, SIGTERM);
    int status = 0;
    if (!wait_for_end(ending_wait_ms, status)) {
        ::kill(-m_pid, SIGKILL);
        ::waitpid(m_pid, &status, 0);
        m_pid = -1;
        return "the worker did not end within " + std::to_string(ending_wait_ms) + " ms of SIGTERM\n";
    }
    std::string const errors = take_errors(true);
    ChildResult ending;
    ending.exited = WIFEXITED(status);
    ending.exit_code = ending.exited ? WEXITSTATUS(status) : 0;
    ending.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    if (ending.exited && ending.exit_code == 0 && errors.empty())
        return {};
    return "the worker ended with " + describe_ending(ending) + " after SIGTERM; its standard error: \"" + errors
        + "\"\n";
}

} // namespace e2e

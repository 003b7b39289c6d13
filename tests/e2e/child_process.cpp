#include "child_process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/personality.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

namespace e2e {
namespace {

using Clock = std::chrono::steady_clock;

class Fd {
public:
    Fd() = default;
    explicit Fd(int fd)
        : m_fd(fd)
    {
    }
    Fd(Fd&& other) noexcept
        : m_fd(std::exchange(other.m_fd, -1))
    {
    }
    Fd& operator=(Fd&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_fd = std::exchange(other.m_fd, -1);
        }
        return *this;
    }
    ~Fd() { reset(); }
    int get() const { return m_fd; }
    explicit operator bool() const { return m_fd >= 0; }
    void reset()
    {
        if (m_fd >= 0)
            ::close(std::exchange(m_fd, -1));
    }

private:
    int m_fd {-1};
};

struct Pipe {
    Fd read_end;
    Fd write_end;
    bool open()
    {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return false;
        read_end = Fd(fds[0]);
        write_end = Fd(fds[1]);
        return true;
    }
};

void set_nonblocking(int fd) { ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK); }

// Reads what is there; false once the writer has closed its end.
bool read_available(Fd& fd, std::string& into)
{
    char buffer[65536];
    for (;;) {
        ssize_t const got = ::read(fd.get(), buffer, sizeof buffer);
        if (got > 0) {
            into.append(buffer, static_cast<std::size_t>(got));
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return true;
        fd.reset();
        return false;
    }
}

// In the child, after fork: only async-signal-safe calls.
[[noreturn]] void become_child(ChildRequest const& request, char* const* argv, char* const* envp, int in, int out,
                               int err, int report)
{
    ::setpgid(0, 0);
    if (request.fixed_address_layout)
        ::personality(static_cast<unsigned long>(::personality(0xffffffff)) | ADDR_NO_RANDOMIZE);
    // The runner ignores SIGPIPE; the program under test must start with the default.
    struct sigaction default_action { };
    default_action.sa_handler = SIG_DFL;
    for (int signal_number = 1; signal_number < NSIG; ++signal_number)
        ::sigaction(signal_number, &default_action, nullptr);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    if (::chdir(request.working_directory.c_str()) != 0 || ::dup2(in, 0) < 0 || ::dup2(out, 1) < 0
        || ::dup2(err, 2) < 0) {
        int const error = errno;
        [[maybe_unused]] auto ignored = ::write(report, &error, sizeof error);
        ::_exit(127);
    }
    if (request.nonblocking_streams) {
        ::fcntl(0, F_SETFL, ::fcntl(0, F_GETFL) | O_NONBLOCK);
        ::fcntl(1, F_SETFL, ::fcntl(1, F_GETFL) | O_NONBLOCK);
    }
    for (int const stream : request.closed_streams)
        ::close(stream);
    ::execve(argv[0], argv, envp);
    int const error = errno;
    [[maybe_unused]] auto ignored = ::write(report, &error, sizeof error);
    ::_exit(127);
}

std::vector<char*> pointers_to(std::vector<std::string> const& texts)
{
    std::vector<char*> pointers;
    for (std::string const& text : texts)
        pointers.push_back(const_cast<char*>(text.c_str()));
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

ChildResult run_child(ChildRequest const& request)
{
    ChildResult result;
    ::signal(SIGPIPE, SIG_IGN); // a program that stops reading its input must not end the runner

    Pipe input, output, errors, launch_report;
    if (!input.open() || !output.open() || !errors.open() || !launch_report.open()) {
        result.launch_error = std::string("pipe: ") + std::strerror(errno);
        return result;
    }
    Fd output_target;
    Fd error_target = std::move(errors.write_end);
    if (request.output == OutputSink::full || request.output == OutputSink::discard) {
        output_target
            = Fd(::open(request.output == OutputSink::full ? "/dev/full" : "/dev/null", O_WRONLY | O_CLOEXEC));
        output.read_end.reset();
        if (request.output == OutputSink::discard) {
            error_target = Fd(::open("/dev/null", O_WRONLY | O_CLOEXEC));
            errors.read_end.reset();
        }
    } else {
        output_target = std::move(output.write_end);
        if (request.output == OutputSink::closed)
            output.read_end.reset(); // before the start, so the program's first write fails
    }
    if (!output_target || !error_target) {
        result.launch_error = std::string("standard output: ") + std::strerror(errno);
        return result;
    }

    std::vector<char*> const argv = pointers_to(request.argv);
    std::vector<char*> const envp = pointers_to(request.environment);
    Clock::time_point const start = Clock::now();
    pid_t const pid = ::fork();
    if (pid < 0) {
        result.launch_error = std::string("fork: ") + std::strerror(errno);
        return result;
    }
    if (pid == 0)
        become_child(request, argv.data(), envp.data(), input.read_end.get(), output_target.get(), error_target.get(),
                     launch_report.write_end.get());
    ::setpgid(pid, pid);
    input.read_end.reset();
    output_target.reset();
    error_target.reset();
    launch_report.write_end.reset();

    Fd& to_child = input.write_end;
    set_nonblocking(to_child.get());
    if (output.read_end)
        set_nonblocking(output.read_end.get());
    if (errors.read_end)
        set_nonblocking(errors.read_end.get());

    std::size_t piece = 0;
    std::size_t offset_in_piece = 0;
    Clock::time_point next_piece_at = start;
    Clock::time_point const deadline = start + std::chrono::milliseconds(request.timeout_ms);
    auto finish_input = [&] {
        if (!request.input_stays_open)
            to_child.reset();
    };
    if (request.input_pieces.empty())
        finish_input();

    int status = 0;
    bool ended = false;
    while (!ended) {
        Clock::time_point const now = Clock::now();
        if (now >= deadline) {
            ::kill(-pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            result.timed_out = true;
            break;
        }
        bool const want_to_write = to_child && piece < request.input_pieces.size() && now >= next_piece_at;
        pollfd fds[3];
        nfds_t count = 0;
        int output_slot = -1, error_slot = -1, input_slot = -1;
        if (output.read_end) {
            output_slot = static_cast<int>(count);
            fds[count++] = {output.read_end.get(), POLLIN, 0};
        }
        if (errors.read_end) {
            error_slot = static_cast<int>(count);
            fds[count++] = {errors.read_end.get(), POLLIN, 0};
        }
        if (want_to_write) {
            input_slot = static_cast<int>(count);
            fds[count++] = {to_child.get(), POLLOUT, 0};
        }
        // Short waits: the process's end is noticed by polling waitpid.
        ::poll(fds, count, 10);
        if (output_slot >= 0 && fds[output_slot].revents != 0) {
            read_available(output.read_end, result.out);
            if (request.output_closed_after > 0 && result.out.size() >= request.output_closed_after)
                output.read_end.reset(); // the client goes away
        }
        if (error_slot >= 0 && fds[error_slot].revents != 0)
            read_available(errors.read_end, result.err);
        if (input_slot >= 0 && fds[input_slot].revents != 0) {
            std::string const& text = request.input_pieces[piece];
            ssize_t const written = text.size() == offset_in_piece
                ? 0
                : ::write(to_child.get(), text.data() + offset_in_piece, text.size() - offset_in_piece);
            if (written < 0 && errno != EAGAIN && errno != EINTR) {
                to_child.reset(); // the program closed its input: it takes no more
            } else if (written >= 0) {
                offset_in_piece += static_cast<std::size_t>(written);
                if (offset_in_piece == text.size()) {
                    ++piece;
                    offset_in_piece = 0;
                    next_piece_at = Clock::now() + std::chrono::milliseconds(request.pause_between_pieces_ms);
                    if (piece == request.input_pieces.size())
                        finish_input();
                }
            }
        }
        if (::waitpid(pid, &status, WNOHANG) == pid)
            ended = true;
    }
    result.elapsed_ms
        = static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
    to_child.reset();
    // What the program wrote before it ended is in the pipes; helpers it started may keep
    // them open, so only what is there now is taken.
    if (output.read_end)
        read_available(output.read_end, result.out);
    if (errors.read_end)
        read_available(errors.read_end, result.err);

    int launch_errno = 0;
    if (::read(launch_report.read_end.get(), &launch_errno, sizeof launch_errno) == sizeof launch_errno) {
        result.launch_error = "cannot start " + request.argv.front() + ": " + std::strerror(launch_errno);
        return result;
    }
    if (!result.timed_out) {
        result.exited = WIFEXITED(status);
        result.exit_code = result.exited ? WEXITSTATUS(status) : 0;
        result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    }
    return result;
}

std::string describe_ending(ChildResult const& result)
{
    if (!result.launch_error.empty())
        return "not started: " + result.launch_error;
    if (result.timed_out)
        return "killed after the time limit";
    if (result.exited)
        return "exit " + std::to_string(result.exit_code);
    return "killed by signal " + std::to_string(result.signal) + " (" + strsignal(result.signal) + ")";
}

} // namespace e2e

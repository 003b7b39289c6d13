#include "platform/process.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace qmt::platform {

std::uint32_t get_environment_variable(char const* name, char* buffer, std::uint32_t size)
{
    char const* value = std::getenv(name);
    if (value == nullptr || value[0] == '\0')
        return 0;
    std::size_t length = std::strlen(value);
    if (length >= 0xFFFFFFFFu)
        length = 0xFFFFFFFEu;
    if (buffer == nullptr || length >= size)
        return static_cast<std::uint32_t>(length + 1);
    std::memcpy(buffer, value, length + 1);
    return static_cast<std::uint32_t>(length);
}

bool environment_variable_is_set(char const* name) { return std::getenv(name) != nullptr; }

namespace {

bool is_closed(int stream) { return ::fcntl(stream, F_GETFD) < 0 && errno == EBADF; }

} // namespace

bool prepare_standard_streams()
{
    // One look at all three: poll marks a number that is not open as invalid and, given no
    // time, waits for nothing. Should it fail, each is asked on its own.
    pollfd streams[] = {{STDIN_FILENO, 0, 0}, {STDOUT_FILENO, 0, 0}, {STDERR_FILENO, 0, 0}};
    bool const polled = ::poll(streams, 3, 0) >= 0;
    for (pollfd const& entry : streams) {
        int const stream = entry.fd;
        if (polled ? (entry.revents & POLLNVAL) == 0 : !is_closed(stream))
            continue;
        // The lowest free number: `stream` itself, as every lower one is open by now.
        int const opened = ::open("/dev/null", stream == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        if (opened != stream) {
            if (opened >= 0)
                ::close(opened);
            return false;
        }
    }
    return true;
}

NativeHandle standard_input() { return STDIN_FILENO; }

NativeHandle standard_output() { return STDOUT_FILENO; }

NativeHandle standard_error() { return STDERR_FILENO; }

std::size_t system_message(std::uint32_t, char*, std::size_t) { return 0; }

void sleep_milliseconds(std::uint32_t milliseconds)
{
    timespec remaining {static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) { }
}

int compare_ignoring_case(char const* a, char const* b)
{
    auto fold = [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; };
    for (;; ++a, ++b) {
        int difference = fold(static_cast<unsigned char>(*a)) - fold(static_cast<unsigned char>(*b));
        if (difference != 0 || *a == '\0')
            return difference;
    }
}

} // namespace qmt::platform

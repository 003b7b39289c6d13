// The fault-injection build's system routines, linked into quillmate_faults in place of
// src/platform/posix/system_calls.cpp. Each routine counts its calls; the environment picks
// the call that goes wrong:
//   QMT_FAIL_ALLOCATION=N   the Nth allocation (or reallocation) of the process heap fails
//   QMT_FAIL_WRITE=N        the Nth write (write or sendfile) fails with EIO
//   QMT_SHORT_WRITE=N       the Nth write writes half of what it is asked (at least a byte)
// When it goes wrong, the line "qmt-faults: <what> N\n" goes to standard error, so that a
// caller knows that the run reached that call, and where it stands among the other lines.
#include "platform/posix/system_calls.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sys/sendfile.h>
#include <sys/uio.h>
#include <unistd.h>

namespace qmt::platform::system {
namespace {

struct Plan {
    std::uint64_t failing_allocation;
    std::uint64_t failing_write;
    std::uint64_t short_write;
};

std::uint64_t position_from(char const* variable)
{
    char const* text = std::getenv(variable);
    return text == nullptr ? 0 : std::strtoull(text, nullptr, 10);
}

Plan const& plan()
{
    static Plan const chosen {position_from("QMT_FAIL_ALLOCATION"), position_from("QMT_FAIL_WRITE"),
                              position_from("QMT_SHORT_WRITE")};
    return chosen;
}

std::uint64_t allocations = 0;
std::uint64_t writes = 0;

void announce(char const* what, std::uint64_t position)
{
    char line[64] = "qmt-faults: ";
    std::size_t length = std::strlen(line);
    std::size_t const what_length = std::strlen(what);
    std::memcpy(line + length, what, what_length);
    length += what_length;
    line[length++] = ' ';
    char digits[24];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + position % 10);
        position /= 10;
    } while (position != 0);
    while (count > 0)
        line[length++] = digits[--count];
    line[length++] = '\n';
    [[maybe_unused]] ssize_t const ignored = ::write(STDERR_FILENO, line, length);
}

bool allocation_fails()
{
    if (++allocations != plan().failing_allocation)
        return false;
    announce("allocation", allocations);
    return true;
}

// How much of `length` the current write may take: 0 when it fails.
std::size_t allowed(std::size_t length)
{
    ++writes;
    if (writes == plan().failing_write) {
        announce("failing write", writes);
        return 0;
    }
    if (writes == plan().short_write && length > 1) {
        announce("short write", writes);
        return length / 2;
    }
    return length;
}

} // namespace

void* allocate(std::size_t bytes) { return allocation_fails() ? nullptr : std::malloc(bytes); }

void* reallocate(void* block, std::size_t bytes) { return allocation_fails() ? nullptr : std::realloc(block, bytes); }

ssize_t write(int descriptor, void const* bytes, std::size_t length)
{
    std::size_t const taken = allowed(length);
    if (taken == 0 && length > 0) {
        errno = EIO;
        return -1;
    }
    return ::write(descriptor, bytes, taken);
}

// A gathered write counts as one write: failing, it writes nothing; short, the first half
// of its bytes.
ssize_t write_gathered(int descriptor, iovec const* pieces, int count)
{
    std::size_t total = 0;
    for (int i = 0; i < count; ++i)
        total += pieces[i].iov_len;
    std::size_t taken = allowed(total);
    if (taken == 0 && total > 0) {
        errno = EIO;
        return -1;
    }
    int used = 0;
    iovec cut[64];
    for (; used < count && used < 64 && taken > 0; ++used) {
        cut[used] = pieces[used];
        if (cut[used].iov_len > taken)
            cut[used].iov_len = taken;
        taken -= cut[used].iov_len;
    }
    return ::writev(descriptor, cut, used);
}

ssize_t send_file(int out, int in, off_t* offset, std::size_t length)
{
    std::size_t const taken = allowed(length);
    if (taken == 0 && length > 0) {
        errno = EIO;
        return -1;
    }
    return ::sendfile(out, in, offset, taken);
}

} // namespace qmt::platform::system

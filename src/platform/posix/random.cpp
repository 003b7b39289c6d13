#include "platform/random.h"

#include <cerrno>
#include <sys/random.h>

namespace qmt::platform {

bool fill_random(void* bytes, std::size_t count)
{
    auto* out = static_cast<unsigned char*>(bytes);
    while (count > 0) {
        ssize_t const got = ::getrandom(out, count, 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        out += got;
        count -= static_cast<std::size_t>(got);
    }
    return true;
}

} // namespace qmt::platform

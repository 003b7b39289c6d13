// Random bytes from the system's generator, fit for identifiers that must not collide. POSIX
// builds only (the registration tool makes class identifiers with them).
#pragma once

#include <cstddef>

namespace qmt::platform {

// Fills `bytes` with `count` random bytes; false when the system has none to give.
bool fill_random(void* bytes, std::size_t count);

} // namespace qmt::platform

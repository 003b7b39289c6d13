// What the default FastCGI worker pays for every request before the object does anything:
// the object's library loaded (every symbol bound, as the gateway loads it), its class
// factory entry looked up, and the library unloaded again at the request's end. A worker
// that must unload each request's library cannot answer faster than this, whatever the
// rest of its work costs. Native builds only.
//
//   library_load LIBRARY [COUNT]   (COUNT loads, 20,000 by default; prints µs per load)
#include "platform/shared_library.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

double now_us()
{
    timespec t {};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}

} // namespace

int main(int argc, char** argv)
{
    long const count = argc > 2 ? std::atol(argv[2]) : 20000;
    if (argc < 2 || count < 1) {
        std::fprintf(stderr, "usage: library_load LIBRARY [COUNT]\n");
        return 2;
    }
    double const start = now_us();
    for (long i = 0; i < count; ++i) {
        auto library = qmt::platform::SharedLibrary::open(argv[1]);
        if (!library || library.symbol("DllGetClassObject") == nullptr) {
            char const* words = qmt::platform::SharedLibrary::last_error();
            std::fprintf(stderr, "library_load: %s: %s\n", argv[1], words != nullptr ? words : "no DllGetClassObject");
            return 1;
        }
    }
    std::printf("%s: %.1f us per load and unload (%ld loads)\n", argv[1],
                (now_us() - start) / static_cast<double>(count), count);
    return 0;
}

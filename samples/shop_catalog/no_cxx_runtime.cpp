// The library uses no C++ runtime (status codes, no exceptions, no operator new), but the
// tables of its abstract interfaces still name this routine; the runtime's own would bring
// its exception support along.
#ifndef _WIN32
#    include <cstdlib>

extern "C" void __cxa_pure_virtual() { std::abort(); }
#endif

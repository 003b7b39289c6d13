// Test objects use no C++ runtime: status codes instead of exceptions, malloc and placement
// new instead of operator new. The abstract interfaces' tables still name this routine; the
// C++ runtime's own would bring its exception support into the library, and with it memory
// that outlives the library once the gateway unloads it.
#ifndef _WIN32
#    include <cstdlib>

extern "C" void __cxa_pure_virtual() { std::abort(); }
#endif

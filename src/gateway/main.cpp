// The executable's entry on each platform: hands the command-line text, as it follows the
// program's own name, to the gateway.
#include "gateway/request_driver.h"

#ifdef _WIN32
#    include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int)
{
    return qmt::run_gateway(instance, command_line);
}

#else
#    include "common/heap_ptr.h"

#    include <csignal>
#    include <cstring>

int main(int argc, char** argv)
{
    // A web server that has stopped reading must not kill the request half-way: a failed
    // write is simply not noticed, and the request runs to its end.
    std::signal(SIGPIPE, SIG_IGN);

    // The words of the command line joined by single blanks, as one text. A registration
    // command is one word, so one word needs no copy, and more words that cannot be joined
    // for want of memory are no command either: the empty text stands for them.
    if (argc <= 2)
        return qmt::run_gateway(nullptr, argc == 2 ? argv[1] : "");
    std::size_t length = 0;
    for (int i = 1; i < argc; ++i)
        length += std::strlen(argv[i]) + 1;
    auto text = qmt::HeapPtr<char>::allocate(length + 1);
    if (!text)
        return qmt::run_gateway(nullptr, "");
    char* out = text.get();
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            *out++ = ' ';
        std::size_t const word = std::strlen(argv[i]);
        std::memcpy(out, argv[i], word);
        out += word;
    }
    *out = '\0';
    return qmt::run_gateway(nullptr, text.get());
}
#endif

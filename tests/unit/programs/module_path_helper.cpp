// The module of the module path test, which runs or loads a copy of it from a directory
// deeper than any fixed buffer would hold.
//
// Natively it is a program that writes the path it finds for its own file into the file
// named by its one argument. On Windows no program starts from a path that long, so there
// it is a library that the test loads and takes as the module whose path it asks for.
#ifdef _WIN32

int qmt_module_path_helper() { return 0; }

#else

#    include "platform/heap.h"
#    include "platform/module.h"

#    include <cstdio>
#    include <cstring>

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    char* const path = qmt::platform::module_path();
    if (path == nullptr)
        return 1;
    std::size_t const length = std::strlen(path);
    std::FILE* const out = std::fopen(argv[1], "wb");
    bool const written = out != nullptr && std::fwrite(path, 1, length, out) == length;
    bool const closed = out != nullptr && std::fclose(out) == 0;
    qmt::platform::heap_free(path);
    return written && closed ? 0 : 1;
}

#endif

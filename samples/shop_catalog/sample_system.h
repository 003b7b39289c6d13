// The few things the sample asks of the system itself rather than of the environment:
// where its own files are, a number for a new order, where orders are kept, and moving a
// finished order file into place. One source for Windows and POSIX.
#pragma once

#include "quillmate/helpers.h"

#include <cstddef>

namespace shop {

// A path of the sample's own: its folder and a file name, zero-terminated. Filled by the
// functions below and read only once they succeed: it lives on the stack, and a buffer
// cleared beforehand would touch (and fault in) every one of its pages.
struct SamplePath {
    static constexpr std::size_t capacity = 4096;
    char text[capacity];
};

// `name` in the folder that holds this library (the templates and the data file live there).
// False when the folder cannot be found or the path would not fit.
bool file_beside_library(char const* name, SamplePath& path);

// The whole of a regular file of at most `limit` bytes, read in one go into a block of the C
// runtime's heap one byte longer than the file (to be freed with std::free), its length in
// `size`. Null when the file cannot be opened or read, or is larger.
char* read_whole_file(char const* path, std::size_t limit, std::size_t& size);

// `name` in the orders folder: $SHOP_CATALOG_ORDERS, which the server's configuration sets
// for the sample. False when it is not set (orders are then shown but not kept).
bool file_in_orders_folder(char const* name, SamplePath& path);

// A number for an order form, different for every page served: the clock to the
// microsecond and the process.
unsigned long long new_order_number();

// The path as the environment takes file names: runtime text, from the system's narrow form
// (natively UTF-8, on Windows the ANSI code page). Null when it does not convert.
quillmate::Text path_text(char const* path);

// Replaces `to` with `from`: readers of the orders folder never see half a file.
bool move_into_place(char const* from, char const* to);

} // namespace shop

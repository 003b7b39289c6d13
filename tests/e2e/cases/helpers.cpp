#include "helpers.h"

#include "expected_pages.h"

namespace e2e {

std::string repeated(std::string const& piece, std::size_t times)
{
    std::string text;
    for (std::size_t i = 0; i < times; ++i)
        text += piece;
    return text;
}

std::size_t room_beside(std::string const& message_with_empty_text)
{
    return expected::longest_message - message_with_empty_text.size();
}

std::string binary_file_bytes() { return std::string("A\0B\x7f\x80\xff\r\n\0end", 12); }

} // namespace e2e

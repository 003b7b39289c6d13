// The one path of every response byte: into the output file while one is open, else to
// standard output.
#pragma once

#include "platform/file.h"

#include <cstdint>
#include <utility>

namespace qmt {

enum class FileSent {
    sent, // every byte, or as many as reached a target that stopped taking them
    not_mapped, // a piece of the file could not be mapped; what came before it was sent
};

class OutputChannel {
public:
    void write(void const* bytes, std::uint64_t length);
    // Sends the first `length` bytes of `file` in pieces of bounded size, so that memory and
    // address space stay the same whatever the file's size.
    FileSent send_file(platform::File const& file, std::uint64_t length);
    // Standard output is flushed after each send unless the response goes into a file.
    void flush_standard_output_unless_redirected();

    bool has_output_file() const { return m_output_file.is_open(); }
    void redirect_to(platform::File file) { m_output_file = std::move(file); }
    // Flushes and closes the output file; output goes to standard output again.
    void close_output_file();

private:
    platform::NativeHandle target() const;

    platform::File m_output_file;
};

} // namespace qmt

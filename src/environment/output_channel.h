// The one path of every response byte: into the output file while one is open, else to
// the request's response (standard output, or a worker's records).
#pragma once

#include "common/response.h"
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
    void answer_on(Response response) { m_response = response; }
    Response const& response() const { return m_response; }
    void write(void const* bytes, std::uint64_t length);
    // Sends the first `length` bytes of `file` in pieces of bounded size, so that memory and
    // address space stay the same whatever the file's size.
    FileSent send_file(platform::File const& file, std::uint64_t length);
    // The response is flushed after each send unless it goes into a file.
    void flush_response_unless_redirected();

    bool has_output_file() const { return m_output_file.is_open(); }
    void redirect_to(platform::File file) { m_output_file = std::move(file); }
    // Flushes and closes the output file; output goes to standard output again.
    void close_output_file();

private:
    bool write_to_target(void const* bytes, std::uint64_t length) const;

    platform::File m_output_file;
    Response m_response;
};

} // namespace qmt

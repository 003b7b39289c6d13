// One connection from a FastCGI server, read record by record. The records about the
// worker itself (GET_VALUES, types it does not know) are answered on the way; a second
// request while one is being served is refused, as the worker serves one at a time.
#pragma once

#include "common/fastcgi_record.h"
#include "common/heap_ptr.h"
#include "platform/native_handle.h"

#include <cstddef>
#include <cstdint>

namespace qmt {

class FastCgiConnection {
public:
    // False when memory for the record buffer cannot be had.
    bool allocate();
    void attach(platform::NativeHandle handle);
    // Closes the connection (see platform::close_connection for `input_left`).
    void close(bool input_left);
    platform::NativeHandle handle() const { return m_handle; }

    // The next record for a request, its content valid until the next call; false at the
    // end of the stream, on a failed read or on bytes that are no records, and (without
    // `may_read`) when no whole record has arrived yet. While `serving` is not 0, a
    // BEGIN_REQUEST for another request is refused here.
    bool next_record(fastcgi::SplitRecord& record, std::uint16_t serving, bool may_read = true);

    // END_REQUEST for a request that is not served, with the reason.
    bool refuse(std::uint16_t request_id, fastcgi::ProtocolStatus status);

private:
    bool read_more();
    bool write_record(fastcgi::RecordType type, std::uint16_t request_id, unsigned char const* content,
                      std::size_t length);
    void answer_get_values(unsigned char const* content, std::size_t length);

    platform::NativeHandle m_handle {platform::invalid_handle};
    HeapPtr<unsigned char> m_buffer;
    std::size_t m_start {0};
    std::size_t m_end {0};
};

} // namespace qmt

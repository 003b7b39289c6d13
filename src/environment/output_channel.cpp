#include "environment/output_channel.h"

#include "platform/io.h"

#include <algorithm>

namespace qmt {

namespace {

// A mapped view's size: a few pages' worth of address space, whatever the file's size.
constexpr std::uint64_t view_size = 16 * platform::FileView::view_alignment;

} // namespace

bool OutputChannel::write_to_target(void const* bytes, std::uint64_t length) const
{
    return m_output_file.is_open() ? platform::write_all(m_output_file.handle(), bytes, length)
                                   : m_response.write(bytes, length);
}

void OutputChannel::write(void const* bytes, std::uint64_t length) { write_to_target(bytes, length); }

FileSent OutputChannel::send_file(platform::File const& file, std::uint64_t length)
{
    std::uint64_t offset = 0;
    platform::DirectCopy const copied = m_output_file.is_open()
        ? platform::copy_directly(file.handle(), offset, length, m_output_file.handle())
        : m_response.copy_directly(file.handle(), offset, length);
    switch (copied) {
    case platform::DirectCopy::done:
    case platform::DirectCopy::failed: // a reader that has gone takes no more pieces
        return FileSent::sent;
    case platform::DirectCopy::unsupported:
        break;
    }
    while (offset < length) {
        std::uint64_t const piece = std::min(view_size, length - offset);
        platform::FileView const view = platform::FileView::map_read_only(file, offset, piece);
        if (!view.is_mapped())
            return FileSent::not_mapped;
        if (!write_to_target(view.data(), view.length()))
            return FileSent::sent;
        offset += piece;
    }
    return FileSent::sent;
}

void OutputChannel::flush_response_unless_redirected()
{
    if (!m_output_file.is_open())
        m_response.flush();
}

void OutputChannel::close_output_file()
{
    if (!m_output_file.is_open())
        return;
    platform::flush(m_output_file.handle());
    m_output_file.close();
}

} // namespace qmt

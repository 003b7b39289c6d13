#include "environment/output_channel.h"

#include "platform/io.h"
#include "platform/process.h"

#include <algorithm>

namespace qmt {

namespace {

// A mapped view's size: a few pages' worth of address space, whatever the file's size.
constexpr std::uint64_t view_size = 16 * platform::FileView::view_alignment;

} // namespace

platform::NativeHandle OutputChannel::target() const
{
    return m_output_file.is_open() ? m_output_file.handle() : platform::standard_output();
}

void OutputChannel::write(void const* bytes, std::uint64_t length) { platform::write_all(target(), bytes, length); }

FileSent OutputChannel::send_file(platform::File const& file, std::uint64_t length)
{
    std::uint64_t offset = 0;
    switch (platform::copy_directly(file.handle(), offset, length, target())) {
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
        if (!platform::write_all(target(), view.data(), view.length()))
            return FileSent::sent;
        offset += piece;
    }
    return FileSent::sent;
}

void OutputChannel::flush_standard_output_unless_redirected()
{
    if (!m_output_file.is_open())
        platform::flush(platform::standard_output());
}

void OutputChannel::close_output_file()
{
    if (!m_output_file.is_open())
        return;
    platform::flush(m_output_file.handle());
    m_output_file.close();
}

} // namespace qmt

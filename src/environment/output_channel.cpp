#include "environment/output_channel.h"

#include "platform/io.h"
#include "platform/process.h"

namespace qmt {

void OutputChannel::write(void const* bytes, std::uint64_t length)
{
    auto const target = m_output_file.is_open() ? m_output_file.handle() : platform::standard_output();
    platform::write_all(target, bytes, length);
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

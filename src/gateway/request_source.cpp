#include "gateway/request_source.h"

#include "gateway/fastcgi_request.h"
#include "platform/io.h"
#include "platform/process.h"

namespace qmt {

std::uint32_t RequestSource::variable(char const* name, char* buffer, std::uint32_t size) const
{
    if (m_request != nullptr)
        return m_request->variable(name, buffer, size);
    return platform::get_environment_variable(name, buffer, size);
}

bool RequestSource::has_variable(char const* name) const
{
    if (m_request != nullptr)
        return m_request->has_variable(name);
    return platform::environment_variable_is_set(name);
}

std::uint32_t RequestSource::setting(char const* name, char* buffer, std::uint32_t size) const
{
    if (m_request != nullptr)
        return m_request->setting(name, buffer, size);
    return platform::get_environment_variable(name, buffer, size);
}

bool RequestSource::has_setting(char const* name) const
{
    if (m_request != nullptr)
        return m_request->has_setting(name);
    return platform::environment_variable_is_set(name);
}

bool RequestSource::is_complete() const { return m_request == nullptr || m_request->parameters_complete(); }

std::int64_t RequestSource::read_input(void* buffer, std::uint32_t length) const
{
    if (m_request != nullptr)
        return m_request->read_input(buffer, length);
    return platform::read_some(platform::standard_input(), buffer, length);
}

} // namespace qmt

#include "gateway/fastcgi_request.h"

#include "platform/heap.h"
#include "platform/process.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>

namespace qmt {
namespace {

constexpr std::size_t first_parameters_capacity = 4096;

using fastcgi::RecordType;

RecordType type_of(fastcgi::SplitRecord const& record) { return static_cast<RecordType>(record.header.type); }

// FNV-1a: names are short, and a request's few dozen spread well over the slots.
std::uint32_t name_hash(unsigned char const* name, std::size_t length)
{
    std::uint32_t hash = 2166136261u;
    for (std::size_t i = 0; i < length; ++i)
        hash = (hash ^ name[i]) * 16777619u;
    return hash;
}

bool same_name(fastcgi::NameValue const& pair, char const* name, std::size_t length)
{
    return pair.name_length == length && std::memcmp(pair.name, name, length) == 0;
}

// The value up to its first zero byte, as an environment holds it.
void take_value(fastcgi::NameValue const& pair, unsigned char const*& value, std::size_t& length)
{
    value = pair.value;
    auto const* zero = static_cast<unsigned char const*>(std::memchr(pair.value, 0, pair.value_length));
    length = zero != nullptr ? static_cast<std::size_t>(zero - pair.value) : pair.value_length;
}

} // namespace

FastCgiRequest::Start FastCgiRequest::start()
{
    fastcgi::SplitRecord record;
    // Records of requests that ended before (input the server was still sending) are dropped.
    for (;;) {
        if (!m_connection.next_record(record, 0))
            return Start::ended;
        fastcgi::BeginRequest begin;
        if (type_of(record) != RecordType::begin_request
            || !fastcgi::parse_begin_request(record.content, record.header.content_length, begin))
            continue;
        m_id = record.header.request_id;
        m_keep_connection = begin.keep_connection;
        if (begin.role != fastcgi::responder_role) {
            m_connection.refuse(m_id, fastcgi::ProtocolStatus::unknown_role);
            return Start::answered;
        }
        break;
    }
    // The parameters come first, up to their empty record; the input stream follows.
    for (;;) {
        if (!m_connection.next_record(record, m_id))
            return Start::ended;
        if (record.header.request_id != m_id)
            continue;
        if (type_of(record) == RecordType::abort_request) {
            m_connection.refuse(m_id, fastcgi::ProtocolStatus::request_complete);
            return Start::answered;
        }
        if (type_of(record) != RecordType::params)
            continue;
        if (record.header.content_length == 0) {
            index_parameters();
            return Start::serve;
        }
        if (m_parameters_complete && !keep_parameters(record.content, record.header.content_length)) {
            m_parameters_complete = false;
            m_parameters.reset();
        }
    }
}

bool FastCgiRequest::keep_parameters(unsigned char const* bytes, std::size_t length)
{
    if (m_parameters_capacity - m_parameters_length < length) {
        std::size_t capacity = std::max(m_parameters_capacity, first_parameters_capacity);
        while (capacity - m_parameters_length < length)
            capacity *= 2;
        void* larger = platform::heap_reallocate(m_parameters.get(), capacity);
        if (larger == nullptr)
            return false;
        m_parameters.leak();
        m_parameters.reset(static_cast<unsigned char*>(larger));
        m_parameters_capacity = capacity;
    }
    std::memcpy(m_parameters.get() + m_parameters_length, bytes, length);
    m_parameters_length += length;
    return true;
}

void FastCgiRequest::index_parameters()
{
    if (!m_parameters_complete || m_parameters_length > UINT32_MAX - 1)
        return;
    std::size_t names = 0;
    std::size_t position = 0;
    fastcgi::NameValue pair;
    for (;;) {
        std::size_t const start = position;
        if (!fastcgi::read_name_value(m_parameters.get(), m_parameters_length, position, pair))
            break;
        std::size_t slot = name_hash(pair.name, pair.name_length) % index_slots;
        bool repeated = false;
        while (m_index[slot] != 0 && !repeated) {
            std::size_t at = m_index[slot] - 1;
            fastcgi::NameValue earlier;
            fastcgi::read_name_value(m_parameters.get(), m_parameters_length, at, earlier);
            repeated = earlier.name_length == pair.name_length
                && std::memcmp(earlier.name, pair.name, pair.name_length) == 0;
            slot = (slot + 1) % index_slots;
        }
        if (repeated)
            continue; // the first pair of a name is the one that counts
        if (++names > max_indexed_names) {
            std::fill(std::begin(m_index), std::end(m_index), 0u);
            return;
        }
        m_index[slot] = static_cast<std::uint32_t>(start + 1);
    }
    m_indexed = true;
}

bool FastCgiRequest::find(char const* name, unsigned char const*& value, std::size_t& length) const
{
    std::size_t const name_length = std::strlen(name);
    fastcgi::NameValue pair;
    if (m_indexed) {
        std::size_t slot = name_hash(reinterpret_cast<unsigned char const*>(name), name_length) % index_slots;
        for (; m_index[slot] != 0; slot = (slot + 1) % index_slots) {
            std::size_t position = m_index[slot] - 1;
            fastcgi::read_name_value(m_parameters.get(), m_parameters_length, position, pair);
            if (same_name(pair, name, name_length)) {
                take_value(pair, value, length);
                return true;
            }
        }
        return false;
    }
    std::size_t position = 0;
    while (fastcgi::read_name_value(m_parameters.get(), m_parameters_length, position, pair)) {
        if (same_name(pair, name, name_length)) {
            take_value(pair, value, length);
            return true;
        }
    }
    return false;
}

std::uint32_t FastCgiRequest::variable(char const* name, char* buffer, std::uint32_t size) const
{
    unsigned char const* value = nullptr;
    std::size_t length = 0;
    if (!find(name, value, length) || length == 0)
        return 0;
    length = std::min<std::size_t>(length, 0xFFFFFFFEu);
    if (buffer == nullptr || length >= size)
        return static_cast<std::uint32_t>(length + 1);
    std::memcpy(buffer, value, length);
    buffer[length] = '\0';
    return static_cast<std::uint32_t>(length);
}

bool FastCgiRequest::has_variable(char const* name) const
{
    unsigned char const* value = nullptr;
    std::size_t length = 0;
    return find(name, value, length);
}

std::uint32_t FastCgiRequest::setting(char const* name, char* buffer, std::uint32_t size) const
{
    return has_variable(name) ? variable(name, buffer, size) : platform::get_environment_variable(name, buffer, size);
}

bool FastCgiRequest::has_setting(char const* name) const
{
    return has_variable(name) || platform::environment_variable_is_set(name);
}

void FastCgiRequest::drop_arrived_input()
{
    m_pending_length = 0;
    fastcgi::SplitRecord record;
    while (!m_input_ended && m_connection.next_record(record, m_id, false)) {
        auto const type = type_of(record);
        if (record.header.request_id == m_id
            && (type == RecordType::abort_request
                || (type == RecordType::stdin_stream && record.header.content_length == 0)))
            m_input_ended = true;
    }
}

std::int64_t FastCgiRequest::read_input(void* buffer, std::uint32_t length)
{
    while (m_pending_length == 0) {
        if (m_input_ended)
            return 0;
        fastcgi::SplitRecord record;
        if (!m_connection.next_record(record, m_id)) {
            m_input_ended = true;
            return 0;
        }
        if (record.header.request_id != m_id)
            continue;
        RecordType const type = type_of(record);
        // The server gave up the request: its input ends here, and the request runs to its end.
        if (type == RecordType::abort_request
            || (type == RecordType::stdin_stream && record.header.content_length == 0)) {
            m_input_ended = true;
            return 0;
        }
        if (type == RecordType::stdin_stream) {
            m_pending = record.content;
            m_pending_length = record.header.content_length;
        }
    }
    std::size_t const taken = std::min<std::size_t>(m_pending_length, length);
    std::memcpy(buffer, m_pending, taken);
    m_pending += taken;
    m_pending_length -= taken;
    return static_cast<std::int64_t>(taken);
}

} // namespace qmt

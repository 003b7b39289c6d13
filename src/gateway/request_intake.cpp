#include "gateway/request_intake.h"

#include "platform/heap.h"
#include "platform/io.h"
#include "platform/process.h"

#include <algorithm>
#include <climits>

namespace qmt {
namespace {

constexpr std::uint32_t initial_intake_capacity = 255;
constexpr std::size_t method_capacity = 20;
constexpr std::size_t first_body_capacity = 64 * 1024;

// Reads a variable whole, growing `buffer` (never shrinking it) to what the value needs.
// Returns the value, or an empty text when the variable is unset or no storage is had.
char const* fetch_variable(char const* name, HeapPtr<char>& buffer, std::uint32_t& capacity)
{
    if (!buffer)
        return "";
    std::uint32_t const fetched = platform::get_environment_variable(name, buffer.get(), capacity);
    if (fetched == 0)
        return "";
    if (fetched > capacity) {
        buffer = HeapPtr<char>::allocate(fetched);
        capacity = buffer ? fetched : 0;
        if (!buffer || platform::get_environment_variable(name, buffer.get(), capacity) >= capacity)
            return "";
    }
    return buffer.get();
}

RequestMethod read_method()
{
    char method[method_capacity];
    std::uint32_t const length = platform::get_environment_variable("REQUEST_METHOD", method, method_capacity);
    if (length == 0 || length >= method_capacity)
        return RequestMethod::None;
    if (platform::compare_ignoring_case(method, "POST") == 0)
        return RequestMethod::Post;
    if (platform::compare_ignoring_case(method, "GET") == 0)
        return RequestMethod::Get;
    return RequestMethod::None;
}

std::int32_t read_data_length(RequestMethod method)
{
    if (method == RequestMethod::Get) {
        std::uint32_t const needed = platform::get_environment_variable("QUERY_STRING", nullptr, 0);
        return static_cast<std::int32_t>(std::min<std::uint32_t>(needed, INT32_MAX));
    }
    std::uint32_t capacity = 32;
    auto buffer = HeapPtr<char>::allocate(capacity);
    return parse_content_length(fetch_variable("CONTENT_LENGTH", buffer, capacity));
}

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

} // namespace

std::int32_t parse_content_length(char const* text)
{
    while (is_blank(*text))
        ++text;
    bool negative = false;
    if (*text == '+' || *text == '-')
        negative = *text++ == '-';
    std::int64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + (*text - '0');
        if (value > INT32_MAX)
            value = INT32_MAX; // keeps counting digits without overflowing
    }
    return negative ? 0 : static_cast<std::int32_t>(value);
}

RequestLine take_in_request(ServerItemCollection& server_items)
{
    std::uint32_t capacity = initial_intake_capacity;
    auto buffer = HeapPtr<char>::allocate(capacity);
    for (char const* name : server_variable_names)
        server_items.add_narrow(name, fetch_variable(name, buffer, capacity));
    buffer.reset();

    RequestLine request;
    request.method = read_method();
    if (request.method != RequestMethod::None)
        request.data_length = read_data_length(request.method);
    return request;
}

FormData obtain_form_data(RequestLine const& request)
{
    FormData data;
    auto const announced = static_cast<std::size_t>(std::max(request.data_length, 0));
    if (request.method == RequestMethod::Get) {
        data.bytes = HeapPtr<char>::allocate(announced + 1);
        if (!data.bytes)
            return data;
        auto const offered = static_cast<std::uint32_t>(announced + 1);
        std::uint32_t const fetched = platform::get_environment_variable("QUERY_STRING", data.bytes.get(), offered);
        data.count = fetched < offered ? fetched : 0;
        data.bytes.get()[data.count] = '\0';
        return data;
    }

    std::size_t capacity = std::min(announced, first_body_capacity);
    data.bytes = HeapPtr<char>::allocate(capacity + 1);
    if (!data.bytes)
        return data;
    while (data.count < announced) {
        if (data.count == capacity) {
            std::size_t const grown = std::min(announced, capacity * 2);
            void* larger = platform::heap_reallocate(data.bytes.get(), grown + 1);
            if (larger == nullptr)
                break; // decode what has arrived, as with a short body
            data.bytes.leak();
            data.bytes.reset(static_cast<char*>(larger));
            capacity = grown;
        }
        std::size_t const wanted = std::min<std::size_t>(capacity - data.count, UINT32_MAX);
        std::int64_t const got = platform::read_some(platform::standard_input(), data.bytes.get() + data.count,
                                                     static_cast<std::uint32_t>(wanted));
        if (got <= 0)
            break;
        data.count += static_cast<std::size_t>(got);
    }
    data.bytes.get()[data.count] = '\0';
    return data;
}

} // namespace qmt

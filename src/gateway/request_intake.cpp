#include "gateway/request_intake.h"

#include "platform/heap.h"
#include "platform/process.h"

#include <algorithm>
#include <climits>

namespace qmt {
namespace {

constexpr std::uint32_t initial_intake_capacity = 255;
constexpr std::size_t method_capacity = 20;
constexpr std::size_t first_body_capacity = 64 * 1024;

// Reads a variable whole, growing `buffer` (never shrinking it) to what the value needs.
// Returns the value (an empty text when the variable is unset), or null when no storage
// can be had for it.
char const* fetch_variable(RequestSource const& source, char const* name, HeapPtr<char>& buffer,
                           std::uint32_t& capacity)
{
    if (!buffer)
        return nullptr;
    std::uint32_t const fetched = source.variable(name, buffer.get(), capacity);
    if (fetched == 0)
        return "";
    if (fetched > capacity) {
        buffer = HeapPtr<char>::allocate(fetched);
        capacity = buffer ? fetched : 0;
        if (!buffer)
            return nullptr;
        if (source.variable(name, buffer.get(), capacity) >= capacity)
            return ""; // changed in between: taken as unset
    }
    return buffer.get();
}

RequestMethod read_method(RequestSource const& source)
{
    char method[method_capacity];
    std::uint32_t const length = source.variable("REQUEST_METHOD", method, method_capacity);
    if (length == 0 || length >= method_capacity)
        return RequestMethod::None;
    if (platform::compare_ignoring_case(method, "POST") == 0)
        return RequestMethod::Post;
    if (platform::compare_ignoring_case(method, "GET") == 0)
        return RequestMethod::Get;
    return RequestMethod::None;
}

// False when no storage can be had to read CONTENT_LENGTH.
bool read_data_length(RequestSource const& source, RequestMethod method, std::int32_t& length)
{
    if (method == RequestMethod::Get) {
        std::uint32_t const needed = source.variable("QUERY_STRING", nullptr, 0);
        length = static_cast<std::int32_t>(std::min<std::uint32_t>(needed, INT32_MAX));
        return true;
    }
    std::uint32_t capacity = 32;
    auto buffer = HeapPtr<char>::allocate(capacity);
    char const* text = fetch_variable(source, "CONTENT_LENGTH", buffer, capacity);
    if (text == nullptr)
        return false;
    length = parse_content_length(text);
    return true;
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

bool take_in_request(RequestSource const& source, ServerItemCollection& server_items, RequestLine& request)
{
    std::uint32_t capacity = initial_intake_capacity;
    auto buffer = HeapPtr<char>::allocate(capacity);
    for (char const* name : server_variable_names) {
        char const* value = fetch_variable(source, name, buffer, capacity);
        if (value == nullptr || server_items.add_narrow(name, value) != S_OK)
            return false;
    }
    buffer.reset();

    request.method = read_method(source);
    return request.method == RequestMethod::None || read_data_length(source, request.method, request.data_length);
}

bool obtain_form_data(RequestSource const& source, RequestLine const& request, FormData& data)
{
    data = FormData {};
    auto const announced = static_cast<std::size_t>(std::max(request.data_length, 0));
    if (request.method == RequestMethod::Get) {
        data.bytes = HeapPtr<char>::allocate(announced + 1);
        if (!data.bytes)
            return false;
        auto const offered = static_cast<std::uint32_t>(announced + 1);
        std::uint32_t const fetched = source.variable("QUERY_STRING", data.bytes.get(), offered);
        data.count = fetched < offered ? fetched : 0;
        data.bytes.get()[data.count] = '\0';
        return true;
    }

    std::size_t capacity = std::min(announced, first_body_capacity);
    data.bytes = HeapPtr<char>::allocate(capacity + 1);
    if (!data.bytes)
        return false;
    while (data.count < announced) {
        if (data.count == capacity) {
            std::size_t const grown = std::min(announced, capacity * 2);
            void* larger = platform::heap_reallocate(data.bytes.get(), grown + 1);
            if (larger == nullptr) {
                data = FormData {}; // never decoded in part: the request would be altered
                return false;
            }
            data.bytes.leak();
            data.bytes.reset(static_cast<char*>(larger));
            capacity = grown;
        }
        std::size_t const wanted = std::min<std::size_t>(capacity - data.count, UINT32_MAX);
        std::int64_t const got = source.read_input(data.bytes.get() + data.count, static_cast<std::uint32_t>(wanted));
        if (got <= 0)
            break;
        data.count += static_cast<std::size_t>(got);
    }
    data.bytes.get()[data.count] = '\0';
    return true;
}

} // namespace qmt

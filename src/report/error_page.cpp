#include "report/error_page.h"

#include "common/heap_ptr.h"
#include "common/text_conversion.h"
#include "platform/io.h"
#include "platform/module.h"
#include "platform/process.h"
#include "report/message_formatter.h"
#include "report/message_table.h"

#include <cstring>

namespace qmt {
namespace {

constexpr int format_capacity = 500;

// Also the fault report's way out: no allocation, only copies and write().
void write_page(ErrorState& state, char const* message, std::size_t length)
{
    // One buffer, one write: the page reaches the client whole or not at all.
    char page[error_page_head.size() + message_capacity + error_page_tail.size()];
    std::memcpy(page, error_page_head.data(), error_page_head.size());
    std::memcpy(page + error_page_head.size(), message, length);
    std::memcpy(page + error_page_head.size() + length, error_page_tail.data(), error_page_tail.size());
    platform::write_all(platform::standard_output(), page, error_page_head.size() + length + error_page_tail.size());
    state.set();
}

void report_with_texts(ErrorState& state, std::uint32_t message, WideChar const* const* texts, int count)
{
    char format[format_capacity];
    platform::load_string(message_table(), message, format, format_capacity);
    char formatted[message_capacity];
    std::size_t const length = format_message(format, texts, count, formatted);
    write_page(state, formatted, length);
}

} // namespace

void report_error(ErrorState& state, std::uint32_t message)
{
    char format[format_capacity];
    int const length = platform::load_string(message_table(), message, format, format_capacity);
    write_page(state, format, length > 0 ? static_cast<std::size_t>(length) : 0);
}

void report_error(ErrorState& state, std::uint32_t message, WideChar const* text)
{
    WideChar const* texts[] = {text};
    report_with_texts(state, message, texts, 1);
}

void report_error(ErrorState& state, std::uint32_t message, WideChar const* first, WideChar const* second)
{
    WideChar const* texts[] = {first, second};
    report_with_texts(state, message, texts, 2);
}

void report_error_counted(ErrorState& state, std::uint32_t message, char const* narrow, std::int32_t length)
{
    std::size_t const byte_count = length > 0 ? static_cast<std::size_t>(length) : 0;
    auto wide = HeapPtr<WideChar>::allocate(byte_count + 1);
    if (!wide) {
        report_error(state, message, nullptr);
        return;
    }
    wide_from_narrow_into(narrow, byte_count, wide.get(), byte_count + 1);
    report_error(state, message, wide.get());
}

} // namespace qmt

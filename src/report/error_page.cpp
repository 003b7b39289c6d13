#include "report/error_page.h"

#include "common/heap_ptr.h"
#include "common/text_conversion.h"
#include "platform/module.h"
#include "platform/process.h"
#include "report/diagnostic.h"
#include "report/message_formatter.h"
#include "report/message_numbers.h"
#include "report/message_table.h"

#include <cstring>

namespace qmt {
namespace {

constexpr int format_capacity = 500;

constexpr std::size_t status_line_capacity = 64;

// Also the fault report's way out: no allocation, only copies and write(). A status line,
// when there is one, goes before the page's own header line, where the server reads it.
void write_page(ErrorState& state, std::string_view status_line, char const* message, std::size_t length)
{
    // One buffer, one write: the page reaches the client whole or not at all.
    char page[status_line_capacity + error_page_head.size() + message_capacity + error_page_tail.size()];
    status_line = status_line.substr(0, status_line_capacity);
    std::size_t used = 0;
    for (std::string_view const piece :
         {status_line, error_page_head, std::string_view(message, length), error_page_tail}) {
        if (piece.empty())
            continue; // an absent status line has no bytes to copy from
        std::memcpy(page + used, piece.data(), piece.size());
        used += piece.size();
    }
    state.response().write(page, used);
    state.set();
}

} // namespace

std::string_view status_line_of(std::uint32_t message, ErrorState const& state)
{
    if (message == message::RequestTooLarge)
        return "Status: 413 Content Too Large\n";
    if (state.answers_with_status_500())
        return "Status: 500 Internal Server Error\n";
    return {};
}

namespace {

// Every form ends here: the page, then its line (`cause`, else the message as it is).
void report(ErrorState& state, std::uint32_t message, WideChar const* const* texts, int count,
            DiagnosticText const* cause)
{
    char format[format_capacity];
    int const loaded = platform::load_string(message_table(), message, format, format_capacity);
    char formatted[message_capacity];
    std::size_t length = count == 0 ? static_cast<std::size_t>(loaded > 0 ? loaded : 0)
                                    : format_message(format, texts, count, formatted);
    write_page(state, status_line_of(message, state), count == 0 ? format : formatted, length);
    if (cause != nullptr) {
        write_page_diagnostic(message, *cause);
        return;
    }
    if (count > 0)
        length = format_message(format, texts, count, formatted, Escaping::none);
    DiagnosticText line;
    write_page_diagnostic(message, line.add(std::string_view(count == 0 ? format : formatted, length)));
}

} // namespace

void report_error(ErrorState& state, std::uint32_t message) { report(state, message, nullptr, 0, nullptr); }

void report_error(ErrorState& state, std::uint32_t message, WideChar const* text)
{
    WideChar const* texts[] = {text};
    report(state, message, texts, 1, nullptr);
}

void report_error(ErrorState& state, std::uint32_t message, WideChar const* first, WideChar const* second)
{
    WideChar const* texts[] = {first, second};
    report(state, message, texts, 2, nullptr);
}

void report_error(ErrorState& state, std::uint32_t message, DiagnosticText const& cause)
{
    report(state, message, nullptr, 0, &cause);
}

void report_error(ErrorState& state, std::uint32_t message, WideChar const* text, DiagnosticText const& cause)
{
    WideChar const* texts[] = {text};
    report(state, message, texts, 1, &cause);
}

void report_error(ErrorState& state, std::uint32_t message, WideChar const* first, WideChar const* second,
                  DiagnosticText const& cause)
{
    WideChar const* texts[] = {first, second};
    report(state, message, texts, 2, &cause);
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

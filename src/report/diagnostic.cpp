#include "report/diagnostic.h"

#include "platform/io.h"
#include "platform/process.h"

#include <cstring>
#include <string_view>

namespace qmt {
namespace {

constexpr std::string_view program = "quillmate: ";

void write_line(std::uint32_t page, DiagnosticText const& text)
{
    char line[program.size() + 32 + DiagnosticText::capacity + 1];
    std::size_t used = 0;
    auto const append = [&](std::string_view piece) {
        std::memcpy(line + used, piece.data(), piece.size());
        used += piece.size();
    };
    append(program);
    if (page != 0) {
        DiagnosticText number;
        number.add("page ").add_decimal(page).add(": ");
        append(number.view());
    }
    append(text.view());
    line[used++] = '\n';
    platform::write_all(platform::standard_error(), line, used);
}

} // namespace

void write_diagnostic(DiagnosticText const& text) { write_line(0, text); }

void write_page_diagnostic(std::uint32_t message, DiagnosticText const& text) { write_line(message, text); }

} // namespace qmt

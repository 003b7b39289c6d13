// The program's lines on standard error, where web servers log a CGI program's complaints:
// one line per failure, never on standard output, so that the response stays as it is.
//
//   quillmate: page <N>: <step>: <cause>     a failure that also wrote error page N
//   quillmate: <step>: <cause>               a failure that writes no page
//
// Written with one write and nothing allocated: also from the fault report, in a signal
// handler.
#pragma once

#include "common/diagnostic_text.h"

#include <cstdint>

namespace qmt {

// "quillmate: " + `text` + a line feed.
void write_diagnostic(DiagnosticText const& text);

// "quillmate: page <message>: " + `text` + a line feed.
void write_page_diagnostic(std::uint32_t message, DiagnosticText const& text);

} // namespace qmt

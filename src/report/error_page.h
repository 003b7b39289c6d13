// The HTML error page: a fixed head, one numbered message, a fixed tail, written straight
// to the request's response (never into an output file), after which the environment's error
// state is set. A message may also carry an HTTP status line, written before the head. Every
// report writes a whole page: one response may carry several. Every page also gets its line
// on standard error (report/diagnostic.h): the caller's `cause` when it gives one (the step
// that failed and why), else the page's message with the callers' texts as they are.
#pragma once

#include "common/diagnostic_text.h"
#include "common/wide_text.h"
#include "report/error_state.h"

#include <cstdint>
#include <string_view>

namespace qmt {

inline constexpr std::string_view error_page_head
    = "Content-type: text/html\n\n<HTML><HEAD><TITLE>Quillmate Failure</TITLE></HEAD><BODY><CENTER>"
      "<H1>Halvorn Quillmate Failure</H1><HR></CENTER><FONT SIZE=+2>The following critical error "
      "occurred:</FONT><BR><BR><BR><CENTER><TABLE BORDER=1><TR><TH WIDTH=800><FONT SIZE=+2>Error "
      "Description</FONT></TH></TR><TR><TD WIDTH=800><FONT SIZE=+1>";
inline constexpr std::string_view error_page_tail = "</FONT></TD></TR></TABLE></CENTER></BODY></HTML>";
static_assert(error_page_head.size() == 330 && error_page_tail.size() == 48);

// The HTTP status line a message's page carries before its own header line ("Status: 413
// ...\n"), or nothing: the page writer's option, set per message, and for every other
// message the operator's "Status: 500" when `state` asks for it. A server turns it into the
// response's status; without one the response has the server's default status.
std::string_view status_line_of(std::uint32_t message, ErrorState const& state);

void report_error(ErrorState& state, std::uint32_t message);
void report_error(ErrorState& state, std::uint32_t message, WideChar const* text);
void report_error(ErrorState& state, std::uint32_t message, WideChar const* first, WideChar const* second);
// The same, with the cause for the line on standard error.
void report_error(ErrorState& state, std::uint32_t message, DiagnosticText const& cause);
void report_error(ErrorState& state, std::uint32_t message, WideChar const* text, DiagnosticText const& cause);
void report_error(ErrorState& state, std::uint32_t message, WideChar const* first, WideChar const* second,
                  DiagnosticText const& cause);
void report_error_counted(ErrorState& state, std::uint32_t message, char const* narrow, std::int32_t length);

} // namespace qmt

// The fault sweeps: a row's request again and again against the fault-injection gateway
// (tests/faults/), the chosen allocation or write going wrong at each position in turn.
// Allocations: a failure before the method is called must end the request with a page that
// says so (26, the request's data; or 2, the object) and nothing else, never a method that
// sees an altered request; a failure while the method runs reaches it as a status and the
// answer is the method's business, so only its pages must be whole. Failing writes lose one
// write's bytes and nothing else. Short writes must not change a single byte. Every run must
// end as the row's does (or normally), which the sanitizer build also holds to: no invalid
// access, no leak.
#include "byte_diff.h"
#include "expected_pages.h"
#include "run_case.h"
#include "session.h"

#include <string_view>

namespace e2e {
namespace {

constexpr std::string_view fault_mark = "qmt-faults: ";
constexpr std::string_view call_mark = "qmt-probe: called\n";

// Standard error without the lines of the hook and the probe's mark of the call.
std::string without_marks(std::string const& err)
{
    std::string kept;
    for (std::size_t start = 0; start < err.size();) {
        std::size_t end = err.find('\n', start);
        end = end == std::string::npos ? err.size() : end + 1;
        std::string_view const line(err.data() + start, end - start);
        if (!line.starts_with(fault_mark) && line != call_mark)
            kept.append(line);
        start = end;
    }
    return kept;
}

// Whether every page in `out` is whole: each head is followed by a tail before the next head.
bool pages_are_whole(std::string const& out)
{
    std::string const empty = expected::page("");
    std::string_view const head = std::string_view(empty).substr(0, 330);
    std::string_view const tail = std::string_view(empty).substr(330);
    for (std::size_t at = out.find(head); at != std::string::npos;) {
        std::size_t const next = out.find(head, at + head.size());
        std::size_t const end = out.find(tail, at + head.size());
        if (end == std::string::npos || (next != std::string::npos && end > next))
            return false;
        at = next;
    }
    return true;
}

// Whether `out` is `expected` with one run of bytes left out (or none).
bool lacks_one_piece(std::string const& expected, std::string const& out)
{
    if (out.size() > expected.size())
        return false;
    std::size_t prefix = 0;
    while (prefix < out.size() && out[prefix] == expected[prefix])
        ++prefix;
    std::size_t suffix = 0;
    while (suffix < out.size() - prefix && out[out.size() - 1 - suffix] == expected[expected.size() - 1 - suffix])
        ++suffix;
    return prefix + suffix == out.size();
}

// The line the operator's opt-in (QUILLMATE_ERROR_STATUS) puts before each of the row's pages.
std::string status_500_of(Case const& row)
{
    for (auto const& [name, value] : row.variables)
        if (name == "QUILLMATE_ERROR_STATUS" && !value.empty() && value != "0")
            return "Status: 500 Internal Server Error\n";
    return {};
}

std::string check_failing_allocation(Target const& target, Case const& row, RowRun const& run)
{
    std::string const& err = run.result.err;
    std::string const expected = run.fill(expected_output_of(target, row));
    std::string const status = status_500_of(row);
    std::string const out = run.result.out.starts_with(status) ? run.result.out.substr(status.size()) : run.result.out;
    std::size_t const called_at = err.find(call_mark);
    bool const called = called_at != std::string::npos && called_at < err.find(fault_mark);
    if (row.output != OutputSink::pipe || row.output_closed_after > 0 || run.result.out == expected)
        return {};
    if (called)
        return pages_are_whole(out) ? std::string() : "a page is cut short\n";
    std::string const not_created = expected::page(expected::object_not_created(""));
    bool const creation_failed = out.starts_with(not_created.substr(0, 330 + 26)) && pages_are_whole(out)
        && out.find("<HTML>", 330) == std::string::npos;
    if (out == expected::page(expected::request_out_of_memory()) || creation_failed)
        return {};
    return "before the method was called, the answer is neither the expected one nor message 26 or 2: "
        + escape_bytes(out.substr(0, 400)) + "\n";
}

std::string check_failing_write(Target const& target, Case const& row, RowRun const& run)
{
    if (row.output != OutputSink::pipe || row.output_closed_after > 0)
        return {};
    std::string const expected = run.fill(expected_output_of(target, row));
    return lacks_one_piece(expected, run.result.out) ? std::string()
                                                     : "standard output is not the answer less one write\n";
}

std::string variable_of(FaultKind kind)
{
    switch (kind) {
    case FaultKind::failing_allocation:
        return "QMT_FAIL_ALLOCATION";
    case FaultKind::failing_write:
        return "QMT_FAIL_WRITE";
    case FaultKind::short_write:
        return "QMT_SHORT_WRITE";
    case FaultKind::none:
        break;
    }
    return {};
}

} // namespace

std::string run_fault_sweep(Target const& target, Case const& row, FaultKind kind)
{
    std::string report;
    int failures = 0;
    for (std::uint64_t position = 1;; position += fault_sweep_stride()) {
        RowRun const run
            = run_row(target, row, {variable_of(kind) + "=" + std::to_string(position), "QMT_PROBE_MARK_CALL=1"});
        if (!run.error.empty())
            return run.error;
        if (run.result.err.find(fault_mark) == std::string::npos)
            break; // the request did not get that far: every position has been tried
        ChildResult const& result = run.result;
        bool const ended_normally = result.exited && result.exit_code == 0;
        bool const ended_as_row = row.ending == Ending::normal ? ended_normally : target.ended_by_access_fault(result);
        std::string problem;
        if (!ended_normally && !ended_as_row)
            problem = "ended with " + describe_ending(result) + "\n";
        else if (kind == FaultKind::short_write)
            problem = check_run(target, row, run, without_marks(result.err));
        else if (kind == FaultKind::failing_write)
            problem = check_failing_write(target, row, run);
        else
            problem = check_failing_allocation(target, row, run);
        if (!problem.empty() && ++failures <= 3)
            report += "at " + variable_of(kind) + "=" + std::to_string(position) + ": " + problem
                + describe_run(target, run);
    }
    if (failures > 3)
        report += "and at " + std::to_string(failures - 3) + " more positions\n";
    return report;
}

} // namespace e2e

#include "run_case.h"

#include "byte_diff.h"
#include "session.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace e2e {
namespace {

namespace fs = std::filesystem;

std::string filled(std::string text, std::string_view placeholder, std::string const& replacement)
{
    for (std::size_t at = text.find(placeholder); at != std::string::npos;
         at = text.find(placeholder, at + replacement.size()))
        text.replace(at, placeholder.size(), replacement);
    return text;
}

// The registry as the row wants it before the run: its keys cleared, its keys written.
std::string prepare_registry(Target const& target, Case const& row)
{
    std::string error;
    for (std::string const& key : row.cleared_keys)
        if (!target.delete_registry_key(key, error))
            return error;
    for (RegistryValue const& fixture : row.registry_fixtures)
        if (!target.write_registry_value(fixture.key, fixture.value.value_or(""), error))
            return error;
    return {};
}

// The gateway that runs the row: the built one, or a copy of it in the case's directory.
std::string gateway_for(Target const& target, Case const& row, std::string const& directory, std::string& error)
{
    if (row.copy_directory.empty())
        return {};
    fs::path const source(target.gateway());
    fs::path const copy = fs::path(directory) / row.copy_directory / source.filename();
    std::error_code failure;
    fs::create_directories(copy.parent_path(), failure);
    fs::copy_file(source, copy, fs::copy_options::overwrite_existing, failure);
    if (failure) {
        error = "cannot copy the gateway to " + copy.string() + ": " + failure.message();
        return {};
    }
    return fs::canonical(copy, failure).string();
}

bool write_file(fs::path const& path, std::string const& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

bool make_special(fs::path const& path, SpecialFixture const& fixture)
{
    switch (fixture.kind) {
    case SpecialFixture::Kind::fifo:
        return ::mkfifo(path.c_str(), 0600) == 0;
    case SpecialFixture::Kind::link:
        return ::symlink(fixture.link_target.c_str(), path.c_str()) == 0;
    case SpecialFixture::Kind::pattern: {
        // Written once per run of the table (<work>/cases/<row>/ -> <work>/pattern-<size>) and
        // linked into each case: the fault sweeps run such a row many times.
        fs::path const shared
            = path.parent_path().parent_path().parent_path() / ("pattern-" + std::to_string(fixture.size));
        std::error_code failure;
        if (!fs::exists(shared, failure) && !write_file(shared, pattern_bytes(fixture.size)))
            return false;
        fs::create_hard_link(shared, path, failure);
        return !failure;
    }
    }
    return false;
}

std::optional<std::string> read_file(fs::path const& path)
{
    std::error_code failure;
    if (!fs::is_regular_file(path, failure))
        return std::nullopt;
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::string describe_expected_ending(Ending ending)
{
    return ending == Ending::normal ? "exit 0" : "the end an unhandled access fault gives";
}

// Lines as they are, each indented, so that a long log stays readable in a report.
std::string indented(std::string const& lines)
{
    std::string out;
    bool at_line_start = true;
    for (char const c : lines) {
        if (at_line_start)
            out += "    ";
        out += c;
        at_line_start = c == '\n';
    }
    if (!at_line_start)
        out += '\n';
    return out;
}

} // namespace

std::string pattern_bytes(std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return bytes;
}

RowRun run_row(Target const& target, Case const& row, std::vector<std::string> const& extra_environment)
{
    RowRun run;
    std::string error;
    run.directory = target.make_case_directory(row.group + "." + row.name, run.error);
    if (run.directory.empty())
        return run;
    run.named_directory = target.gateway_path(run.directory);

    for (FileContent const& fixture : row.fixtures)
        if (!write_file(fs::path(run.directory) / fixture.name, fixture.bytes.value_or(""))) {
            run.error = "cannot write the fixture " + fixture.name;
            return run;
        }
    for (SpecialFixture const& fixture : row.special_fixtures)
        if (!make_special(fs::path(run.directory) / fixture.name, fixture)) {
            run.error = "cannot make the fixture " + fixture.name;
            return run;
        }

    std::vector<std::string> body;
    std::size_t body_size = 0;
    for (std::string const& piece : row.body) {
        body.push_back(run.fill(piece));
        body_size += body.back().size();
    }
    std::vector<std::pair<std::string, std::string>> variables;
    for (auto const& [name, value] : row.variables)
        variables.emplace_back(name, run.fill(value));
    if (row.content_length_from_body)
        variables.emplace_back("CONTENT_LENGTH", std::to_string(body_size));
    std::vector<std::string> arguments;
    for (std::string const& argument : row.arguments)
        arguments.push_back(run.fill(argument));

    if (run.error = prepare_registry(target, row); !run.error.empty())
        return run;
    run.copy = gateway_for(target, row, run.directory, run.error);
    if (!run.error.empty())
        return run;
    for (std::vector<std::string> const& earlier : row.earlier_runs) {
        ChildRequest first = target.request(earlier, variables, run.copy);
        first.working_directory = run.directory;
        first.output = OutputSink::discard;
        ChildResult const ran = run_child(first);
        if (!ran.exited || ran.exit_code != 0) {
            run.error = "an earlier run of the gateway ended with " + describe_ending(ran);
            return run;
        }
    }

    ChildRequest request = target.request(arguments, variables, run.copy);
    request.environment.insert(request.environment.end(), extra_environment.begin(), extra_environment.end());
    request.working_directory = run.directory;
    request.input_pieces = body;
    request.pause_between_pieces_ms = row.pause_between_pieces_ms;
    request.input_stays_open = row.body_stays_open;
    request.output = row.output;
    request.output_closed_after = row.output_closed_after;
    request.closed_streams = row.closed_streams;
    request.nonblocking_streams = row.nonblocking_streams;
    run.timeout_ms = request.timeout_ms;
    FastCgiWorker* const worker = fastcgi_worker();
    run.result = worker != nullptr ? worker->serve(request) : run_child(request);
    run.wine_messages = target.take_wine_messages(run.result);
    if (!run.result.launch_error.empty())
        run.error = run.result.launch_error;
    return run;
}

std::string RowRun::fill(std::string const& text) const { return filled(text, "{DIR}", named_directory); }

std::string describe_run(Target const& target, RowRun const& run)
{
    std::string report = "the gateway ended with ";
    report += describe_ending(run.result);
    report += " after ";
    report += std::to_string(run.result.elapsed_ms);
    report += " ms\n";
    report += "its standard error: \"";
    report += escape_bytes(run.result.err);
    report += "\"\n";
    if (target.runs_under_wine()) {
        report += "Wine printed:";
        if (run.wine_messages.empty()) {
            report += " nothing\n";
        } else {
            report += '\n';
            report += indented(run.wine_messages);
        }
    }
    return report;
}

std::string expected_output_of(Target const& target, Case const& row)
{
    return target.runs_under_wine() && row.expected_output_under_wine ? *row.expected_output_under_wine
                                                                      : row.expected_output;
}

namespace {

// The gateway's own lines on standard error ("quillmate: ..."), moved out of `err`.
std::string take_diagnostics(std::string& err)
{
    std::string diagnostics;
    std::string rest;
    for (std::size_t start = 0; start < err.size();) {
        std::size_t end = err.find('\n', start);
        end = end == std::string::npos ? err.size() : end + 1;
        std::string_view const line(err.data() + start, end - start);
        (line.starts_with("quillmate: ") ? diagnostics : rest).append(line);
        start = end;
    }
    err = std::move(rest);
    return diagnostics;
}

} // namespace

std::string check_run(Target const& target, Case const& row, RowRun const& run, std::string const& err)
{
    ChildResult const& result = run.result;
    std::string report;
    std::string trace = err;
    std::string const diagnostics = take_diagnostics(trace);
    std::optional<std::string> const& expected_diagnostics
        = target.runs_under_wine() && row.expected_diagnostics_under_wine ? row.expected_diagnostics_under_wine
                                                                          : row.expected_diagnostics;
    if (expected_diagnostics) {
        std::string const difference = describe_difference(target.fill(run.fill(*expected_diagnostics)), diagnostics);
        if (!difference.empty())
            report += "the gateway's lines on standard error differ: " + difference;
    }
    if (result.timed_out)
        report += "the gateway did not finish within " + std::to_string(run.timeout_ms) + " ms\n";
    // A client that goes away reads what it reads: only the rest of the answer is checked.
    if (row.output == OutputSink::pipe && row.output_closed_after == 0) {
        std::string const difference = describe_difference(run.fill(expected_output_of(target, row)), result.out);
        if (!difference.empty())
            report += "standard output differs: " + difference;
    }
    bool const ending_as_expected
        = row.ending == Ending::normal ? result.exited && result.exit_code == 0 : target.ended_by_access_fault(result);
    if (!ending_as_expected)
        report += "ended with " + describe_ending(result) + ", expected " + describe_expected_ending(row.ending) + "\n";
    if (row.expected_trace) {
        std::string const difference = describe_difference(run.fill(*row.expected_trace), trace);
        if (!difference.empty())
            report += "the probe's trace on standard error differs: " + difference;
    }
    for (FileContent const& file : row.expected_files) {
        std::optional<std::string> const content = read_file(fs::path(run.directory) / file.name);
        if (!file.bytes && content) {
            report += "the file " + file.name + " exists, holding \"" + escape_bytes(*content) + "\"\n";
        } else if (file.bytes && !content) {
            report += "the file " + file.name + " does not exist\n";
        } else if (file.bytes) {
            std::string const difference = describe_difference(run.fill(*file.bytes), *content);
            if (!difference.empty())
                report += "the file " + file.name + " differs: " + difference;
        }
    }
    std::string const gateway = target.gateway_path(run.copy.empty() ? target.gateway() : run.copy);
    for (RegistryValue const& expected : row.expected_registry) {
        std::string error;
        std::optional<std::string> const found = target.read_registry_value(expected.key, error);
        std::optional<std::string> const wanted
            = expected.value ? std::optional(filled(run.fill(*expected.value), "{GATEWAY}", gateway)) : std::nullopt;
        if (found != wanted)
            report += "the registry key " + expected.key + (found ? " holds \"" + *found + "\"" : " does not exist")
                + (wanted ? ", expected \"" + *wanted + "\"\n" : ", expected no such key\n");
    }
    if (row.at_least_ms > 0 && result.elapsed_ms < row.at_least_ms)
        report += "took " + std::to_string(result.elapsed_ms) + " ms, expected at least "
            + std::to_string(row.at_least_ms) + " ms\n";
    if (row.at_most_ms > 0 && result.elapsed_ms > row.at_most_ms)
        report += "took " + std::to_string(result.elapsed_ms) + " ms, expected at most "
            + std::to_string(row.at_most_ms) + " ms\n";
    if (!report.empty())
        report += describe_run(target, run); // everything there is to know, so that a failure explains itself
    return report;
}

std::string run_case(Target const& target, Case const& row)
{
    RowRun const run = run_row(target, row, {});
    if (!run.error.empty())
        return run.error;
    return check_run(target, row, run, run.result.err);
}

} // namespace e2e

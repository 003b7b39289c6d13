#include "run_case.h"

#include "byte_diff.h"

#include <filesystem>
#include <fstream>
#include <iterator>

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

std::string run_case(Target const& target, Case const& row)
{
    std::string error;
    std::string const directory = target.make_case_directory(row.group + "." + row.name, error);
    if (directory.empty())
        return error;
    std::string const named = target.gateway_path(directory);
    auto fill = [&named](std::string const& text) { return filled(text, "{DIR}", named); };

    for (FileContent const& fixture : row.fixtures)
        if (!write_file(fs::path(directory) / fixture.name, fixture.bytes.value_or("")))
            return "cannot write the fixture " + fixture.name;

    std::vector<std::string> body;
    std::size_t body_size = 0;
    for (std::string const& piece : row.body) {
        body.push_back(fill(piece));
        body_size += body.back().size();
    }
    std::vector<std::pair<std::string, std::string>> variables;
    for (auto const& [name, value] : row.variables)
        variables.emplace_back(name, fill(value));
    if (row.content_length_from_body)
        variables.emplace_back("CONTENT_LENGTH", std::to_string(body_size));
    std::vector<std::string> arguments;
    for (std::string const& argument : row.arguments)
        arguments.push_back(fill(argument));

    if (std::string const failed = prepare_registry(target, row); !failed.empty())
        return failed;
    std::string const copy = gateway_for(target, row, directory, error);
    if (!error.empty())
        return error;
    for (std::vector<std::string> const& earlier : row.earlier_runs) {
        ChildRequest first = target.request(earlier, variables, copy);
        first.working_directory = directory;
        first.output = OutputSink::discard;
        ChildResult const ran = run_child(first);
        if (!ran.exited || ran.exit_code != 0)
            return "an earlier run of the gateway ended with " + describe_ending(ran);
    }

    ChildRequest request = target.request(arguments, variables, copy);
    request.working_directory = directory;
    request.input_pieces = body;
    request.pause_between_pieces_ms = row.pause_between_pieces_ms;
    request.input_stays_open = row.body_stays_open;
    request.output = row.output;
    ChildResult result = run_child(request);
    std::string const wine_messages = target.take_wine_messages(result);

    if (!result.launch_error.empty())
        return result.launch_error;
    std::string report;
    if (result.timed_out)
        report += "the gateway did not finish within " + std::to_string(request.timeout_ms) + " ms\n";
    if (row.output == OutputSink::pipe) {
        std::string const& expected = target.runs_under_wine() && row.expected_output_under_wine
            ? *row.expected_output_under_wine
            : row.expected_output;
        std::string const difference = describe_difference(fill(expected), result.out);
        if (!difference.empty())
            report += "standard output differs: " + difference;
    }
    bool const ending_as_expected
        = row.ending == Ending::normal ? result.exited && result.exit_code == 0 : target.ended_by_access_fault(result);
    if (!ending_as_expected)
        report += "ended with " + describe_ending(result) + ", expected " + describe_expected_ending(row.ending) + "\n";
    if (row.expected_trace) {
        std::string const difference = describe_difference(fill(*row.expected_trace), result.err);
        if (!difference.empty())
            report += "the probe's trace on standard error differs: " + difference;
    }
    for (FileContent const& file : row.expected_files) {
        std::optional<std::string> const content = read_file(fs::path(directory) / file.name);
        if (!file.bytes && content) {
            report += "the file " + file.name + " exists, holding \"" + escape_bytes(*content) + "\"\n";
        } else if (file.bytes && !content) {
            report += "the file " + file.name + " does not exist\n";
        } else if (file.bytes) {
            std::string const difference = describe_difference(fill(*file.bytes), *content);
            if (!difference.empty())
                report += "the file " + file.name + " differs: " + difference;
        }
    }
    std::string const gateway = target.gateway_path(copy.empty() ? target.gateway() : copy);
    for (RegistryValue const& expected : row.expected_registry) {
        std::optional<std::string> const found = target.read_registry_value(expected.key, error);
        std::optional<std::string> const wanted
            = expected.value ? std::optional(filled(fill(*expected.value), "{GATEWAY}", gateway)) : std::nullopt;
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
    if (!report.empty()) {
        // Everything there is to know about the run, so that a failure explains itself.
        report += "the gateway ended with " + describe_ending(result) + " after " + std::to_string(result.elapsed_ms)
            + " ms\n";
        report += "its standard error: \"" + escape_bytes(result.err) + "\"\n";
        if (target.runs_under_wine())
            report += "Wine printed:"
                + (wine_messages.empty() ? std::string(" nothing\n") : "\n" + indented(wine_messages));
    }
    return report;
}

} // namespace e2e

// One row of the end-to-end table: a request as a web server would make it and the exact
// answer expected. Rows are built with chained setters so that the table reads as a list
// of requests. Every text may contain the placeholder {DIR}: the case's own directory as the
// gateway names it (a host path natively, a Z:\ path under Wine); registry values may also
// contain {GATEWAY}: the path of the gateway (or of its copy) that ran, as it names itself;
// the gateway's lines on standard error may also contain {REGISTRY} (the native registry's
// root), {OBJECTS} (the directory of the probe's library) and {WORK} (the run's directory).
#pragma once

#include "child_process.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace e2e {

enum class Ending {
    normal, // exit status 0
    access_fault, // the process ends with the fault (native: SIGSEGV; Wine: the fault's code)
};

struct FileContent {
    std::string name; // relative to {DIR}
    std::optional<std::string> bytes; // none: the file must not exist
};

// A fixture that is no plain file of given bytes.
struct SpecialFixture {
    enum class Kind { fifo, link, pattern };
    Kind kind;
    std::string name; // relative to {DIR}
    std::string link_target; // link: what it points to
    std::size_t size {0}; // pattern: a file of this many bytes of pattern_bytes()
};

// `size` bytes of a fixed pattern with every byte value in it, for large files.
std::string pattern_bytes(std::size_t size);

// A key below HKEY_CLASSES_ROOT ("TypeLib\\{...}\\1.0") and its default value.
struct RegistryValue {
    std::string key;
    std::optional<std::string> value; // none: the key must not exist
};

struct Case {
    Case(std::string group_name, std::string case_name)
        : group(std::move(group_name))
        , name(std::move(case_name))
    {
    }

    std::string group;
    std::string name;

    // The request.
    std::vector<std::pair<std::string, std::string>> variables; // only these are set
    std::vector<std::string> arguments;
    std::vector<std::string> body; // standard input, piece by piece
    int pause_between_pieces_ms {0};
    bool body_stays_open {false};
    bool content_length_from_body {false}; // CONTENT_LENGTH is the body's size after {DIR} is filled in
    OutputSink output {OutputSink::pipe};
    std::size_t output_closed_after {0}; // the client goes away after this many bytes
    std::vector<int> closed_streams;
    bool nonblocking_streams {false};
    std::vector<FileContent> fixtures;
    std::vector<SpecialFixture> special_fixtures;
    std::vector<std::string> cleared_keys; // deleted with their subtrees before the row runs
    std::vector<RegistryValue> registry_fixtures; // then written
    std::vector<std::vector<std::string>> earlier_runs; // command lines run first, each ending with 0
    std::string copy_directory; // empty: the gateway runs where it was built; else a copy of it in {DIR}/<this>

    // The answer.
    std::string expected_output;
    std::optional<std::string> expected_output_under_wine; // none: the same as natively
    std::vector<FileContent> expected_files;
    Ending ending {Ending::normal};
    std::optional<std::string> expected_trace; // the probe's trace on standard error
    std::optional<std::string> expected_diagnostics; // the gateway's lines there ("quillmate: ...")
    std::optional<std::string> expected_diagnostics_under_wine;
    bool native_only {false}; // about the native runtime's loader: skipped under Wine
    std::vector<RegistryValue> expected_registry;
    int at_least_ms {0};
    int at_most_ms {0}; // 0: only the runner's time limit

    Case& set(std::string const& variable, std::string const& value)
    {
        for (auto& [name_, value_] : variables)
            if (name_ == variable) {
                value_ = value;
                return *this;
            }
        variables.emplace_back(variable, value);
        return *this;
    }
    // A GET request with this query string.
    Case& get(std::string const& query) { return set("REQUEST_METHOD", "GET").set("QUERY_STRING", query); }
    // A GET request that runs the probe's script: "send=a&file=b" and so on.
    Case& run(std::string const& script) { return get("obj=Qmt.Probe+Run&" + script); }
    // A POST request whose body arrives whole, with a CONTENT_LENGTH that matches it.
    Case& post(std::string const& data)
    {
        set("REQUEST_METHOD", "POST");
        body = {data};
        content_length_from_body = true;
        return *this;
    }
    Case& content_length(std::string const& text)
    {
        content_length_from_body = false;
        return set("CONTENT_LENGTH", text);
    }
    Case& body_in_pieces(std::vector<std::string> pieces, int pause_ms)
    {
        body = std::move(pieces);
        pause_between_pieces_ms = pause_ms;
        return *this;
    }
    Case& body_left_open()
    {
        body_stays_open = true;
        return *this;
    }
    Case& command_line(std::vector<std::string> words)
    {
        arguments = std::move(words);
        return *this;
    }
    Case& output_to(OutputSink sink)
    {
        output = sink;
        return *this;
    }
    // The client goes away once it has read this many bytes: standard output is not checked.
    Case& reader_goes_away_after(std::size_t bytes)
    {
        output_closed_after = bytes;
        return *this;
    }
    // The gateway starts with this standard stream (0, 1 or 2) closed.
    Case& with_closed_stream(int stream)
    {
        closed_streams.push_back(stream);
        return *this;
    }
    // Standard input and output are non-blocking pipes.
    Case& with_nonblocking_streams()
    {
        nonblocking_streams = true;
        return *this;
    }
    Case& fifo_fixture(std::string const& file)
    {
        special_fixtures.push_back({SpecialFixture::Kind::fifo, file, {}, 0});
        return *this;
    }
    Case& link_fixture(std::string const& file, std::string const& target)
    {
        special_fixtures.push_back({SpecialFixture::Kind::link, file, target, 0});
        return *this;
    }
    // A file of `size` pattern bytes, written only when the row runs.
    Case& pattern_fixture(std::string const& file, std::size_t size)
    {
        special_fixtures.push_back({SpecialFixture::Kind::pattern, file, {}, size});
        return *this;
    }
    Case& fixture(std::string const& file, std::string const& bytes)
    {
        fixtures.push_back({file, bytes});
        return *this;
    }
    Case& registry_cleared(std::string const& key)
    {
        cleared_keys.push_back(key);
        return *this;
    }
    Case& registry_key(std::string const& key, std::string const& value)
    {
        registry_fixtures.push_back({key, value});
        return *this;
    }
    Case& after_running(std::vector<std::string> words)
    {
        earlier_runs.push_back(std::move(words));
        return *this;
    }
    Case& run_from_copy_in(std::string const& directory)
    {
        copy_directory = directory;
        return *this;
    }

    Case& expect(std::string const& bytes)
    {
        expected_output = bytes;
        return *this;
    }
    // Under Wine the ANSI code page is the system's (1252: the runner passes Wine no locale),
    // not UTF-8: a row whose answer depends on the code page states its bytes there as well.
    Case& expect_under_wine(std::string const& bytes)
    {
        expected_output_under_wine = bytes;
        return *this;
    }
    Case& expect_file(std::string const& file, std::string const& bytes)
    {
        expected_files.push_back({file, bytes});
        return *this;
    }
    Case& expect_no_file(std::string const& file)
    {
        expected_files.push_back({file, std::nullopt});
        return *this;
    }
    Case& expect_registry(std::string const& key, std::string const& value)
    {
        expected_registry.push_back({key, value});
        return *this;
    }
    Case& expect_no_registry_key(std::string const& key)
    {
        expected_registry.push_back({key, std::nullopt});
        return *this;
    }
    Case& expect_access_fault()
    {
        ending = Ending::access_fault;
        return *this;
    }
    Case& expect_trace(std::string const& lines)
    {
        expected_trace = lines;
        return *this;
    }
    // The gateway's own lines on standard error, each ending with a line feed.
    Case& expect_diagnostics(std::string const& lines)
    {
        expected_diagnostics = lines;
        return *this;
    }
    Case& expect_diagnostics_under_wine(std::string const& lines)
    {
        expected_diagnostics_under_wine = lines;
        return *this;
    }
    Case& only_natively()
    {
        native_only = true;
        return *this;
    }
    Case& takes_at_least_ms(int milliseconds)
    {
        at_least_ms = milliseconds;
        return *this;
    }
    Case& takes_at_most_ms(int milliseconds)
    {
        at_most_ms = milliseconds;
        return *this;
    }
};

// The whole table.
std::vector<Case> const& all_cases();
// The rows of one group, in table order.
std::vector<Case> cases_of(char const* group);

} // namespace e2e

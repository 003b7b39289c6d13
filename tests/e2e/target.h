// The gateway under test and everything it needs to run: a work directory, the registry
// entries of the probe (the native directory registry, or a Wine prefix of the runner's
// own with the probe registered by regsvr32), and the form of paths the gateway understands.
#pragma once

#include "child_process.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

struct TargetOptions {
    std::string gateway; // build/native/quillmate or build/win64/quillmate.exe
    std::string probe; // empty: next to the gateway, in tests/objects
    std::string launcher; // empty: none natively, /usr/lib/wine/wine64 for a .exe
    std::vector<std::string> launcher_arguments; // before the gateway's path
    std::string wine_prefix; // empty: a fresh prefix inside the work directory
    std::vector<std::string> passed_variables; // forwarded from the runner's environment
    bool keep_files {false};
    int timeout_ms {20000};
};

// Programmatic names the registry holds besides Qmt.Probe, each failing creation in its own way.
inline constexpr char class_without_server[] = "Qmt.NoServer"; // no InprocServer32 key
inline constexpr char class_with_missing_server[] = "Qmt.MissingServer"; // its library does not exist
inline constexpr char class_not_served[] = "Qmt.Stranger"; // the probe's library, which refuses the class
// Served by the probe's library, whose factory answers S_FALSE with an object that writes
// "released\n" to standard error when it goes.
inline constexpr char class_with_lenient_factory[] = "Qmt.Lenient";
// Natively only: the library mistakes of an object's author (tests/objects/mistaken_server.cpp).
inline constexpr char class_with_relative_server[] = "Qmt.Relative"; // "libqmtprobe.so", no directory
inline constexpr char class_without_export[] = "Qmt.NoExport"; // DllGetClassObject hidden
inline constexpr char class_with_mangled_export[] = "Qmt.Mangled"; // DllGetClassObject under its C++ name
inline constexpr char class_with_unresolved_symbol[] = "Qmt.Unresolved"; // needs a function nobody defines

class Target {
public:
    // Prepares the registry (and the Wine prefix); null with `error` set when that fails.
    static std::unique_ptr<Target> create(TargetOptions const& options, std::string& error);
    ~Target();
    Target(Target const&) = delete;
    Target& operator=(Target const&) = delete;

    bool runs_under_wine() const { return m_wine; }
    std::string const& description() const { return m_description; }

    // A fresh, empty directory for one case (a host path).
    std::string make_case_directory(std::string const& name, std::string& error) const;
    // The same directory as the gateway names it ("Z:\..." under Wine).
    std::string gateway_path(std::string const& host_path) const;

    // Command line and environment for one run of the gateway with the given CGI variables:
    // the gateway itself, or a copy of it (a host path).
    ChildRequest request(std::vector<std::string> const& arguments,
                         std::vector<std::pair<std::string, std::string>> const& variables,
                         std::string const& copy = {}) const;
    std::string const& gateway() const { return m_options.gateway; }
    // `text` with {REGISTRY}, {OBJECTS} and {WORK} filled in (see case.h).
    std::string fill(std::string text) const;
    std::string const& work_directory() const { return m_work_directory; }

    // The registry below HKEY_CLASSES_ROOT, keys written with backslashes: natively the
    // directory registry's files, under Wine the prefix's registry through reg.exe.
    bool delete_registry_key(std::string const& key, std::string& error) const;
    bool write_registry_value(std::string const& key, std::string const& value, std::string& error) const;
    // The key's default value ("" when it has none), or none when the key does not exist.
    std::optional<std::string> read_registry_value(std::string const& key, std::string& error) const;

    // Whether an ending is the one an unhandled access fault gives on this target.
    bool ended_by_access_fault(ChildResult const& result) const;

    // Under Wine, standard error carries Wine's own messages as well as the gateway's: moves
    // Wine's lines out of `result.err` and returns them (empty natively).
    std::string take_wine_messages(ChildResult& result) const;

private:
    explicit Target(TargetOptions const& options)
        : m_options(options)
    {
    }
    bool prepare_native(std::string& error);
    bool prepare_wine(std::string& error);
    std::vector<std::string> wine_environment() const;
    bool run_wine_tool(std::vector<std::string> const& arguments, std::string& error, int timeout_ms = 60000,
                       std::string* output = nullptr) const;

    TargetOptions m_options;
    bool m_wine {false};
    bool m_wineserver_started {false};
    std::string m_description;
    std::string m_work_directory;
    std::string m_registry; // native
    std::string m_prefix; // Wine
    std::string m_wineserver;
};

} // namespace e2e

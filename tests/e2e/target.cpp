#include "target.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>
#include <unistd.h>

namespace e2e {
namespace {

namespace fs = std::filesystem;

constexpr char probe_clsid[] = "{1C4CBA8E-BBD3-4193-A11A-F43A46737D58}";
constexpr char clsid_without_server[] = "{6B1E8E53-2F0C-4F0B-9C5E-0A1D2B3C4D01}";
constexpr char clsid_with_missing_server[] = "{6B1E8E53-2F0C-4F0B-9C5E-0A1D2B3C4D02}";
constexpr char clsid_not_served[] = "{6B1E8E53-2F0C-4F0B-9C5E-0A1D2B3C4D03}";
constexpr char clsid_lenient[] = "{6B1E8E53-2F0C-4F0B-9C5E-0A1D2B3C4D04}";
constexpr char clsid_relative[] = "{6B1E8E53-2F0C-4F0B-9C5E-0A1D2B3C4D05}";
constexpr char clsid_no_export[] = "{6B1E8E53-2F0C-4F0B-9C5E-0A1D2B3C4D06}";
constexpr char clsid_mangled[] = "{6B1E8E53-2F0C-4F0B-9C5E-0A1D2B3C4D07}";
constexpr char clsid_unresolved[] = "{6B1E8E53-2F0C-4F0B-9C5E-0A1D2B3C4D08}";

// Wine ends a process that an access fault killed with the fault's code; the host sees its low byte.
constexpr int windows_access_violation_low_byte = 0xC0000005 & 0xFF;

bool ends_with_ignoring_case(std::string const& text, std::string const& suffix)
{
    if (text.size() < suffix.size())
        return false;
    return std::equal(suffix.begin(), suffix.end(), text.end() - static_cast<std::ptrdiff_t>(suffix.size()),
                      [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

std::string absolute_existing(std::string const& path, char const* what, std::string& error)
{
    std::error_code failure;
    fs::path const resolved = fs::canonical(path, failure);
    if (failure) {
        error = std::string(what) + " " + path + ": " + failure.message();
        return {};
    }
    return resolved.string();
}

// A key's default value in the directory registry: the file "@" inside the key's directory.
bool write_default_value(fs::path const& key, std::string const& value, std::string& error)
{
    std::error_code failure;
    fs::create_directories(key, failure);
    std::ofstream file(key / "@", std::ios::binary | std::ios::trunc);
    file << value << '\n';
    if (failure || !file) {
        error = "cannot write registry key " + key.string();
        return false;
    }
    return true;
}

// Wine's own lines: its debug channels ("0024:err:module:...", or "err:virtual:..." before a
// thread exists), and what its loader, server and the dynamic linker under it print.
bool is_wine_message(std::string_view line)
{
    for (std::string_view const prefix :
         {"wine: ", "wine client error", "wineserver: ", "preloader: ", "Inconsistency detected by ld.so"})
        if (line.starts_with(prefix))
            return true;
    std::size_t digits = 0;
    while (digits < line.size() && std::isxdigit(static_cast<unsigned char>(line[digits])))
        ++digits;
    std::string_view rest = line;
    if (digits >= 4 && digits < line.size() && line[digits] == ':')
        rest = line.substr(digits + 1);
    for (std::string_view const level : {"err:", "fixme:", "warn:", "trace:"})
        if (rest.starts_with(level))
            return true;
    return false;
}

} // namespace

std::unique_ptr<Target> Target::create(TargetOptions const& options, std::string& error)
{
    std::unique_ptr<Target> target(new Target(options));
    target->m_options.gateway = absolute_existing(options.gateway, "gateway", error);
    if (target->m_options.gateway.empty())
        return nullptr;
    target->m_wine = ends_with_ignoring_case(target->m_options.gateway, ".exe");
    std::string probe = options.probe;
    if (probe.empty())
        probe = (fs::path(target->m_options.gateway).parent_path() / "tests" / "objects"
                 / (target->m_wine ? "qmtprobe.dll" : "libqmtprobe.so"))
                    .string();
    target->m_options.probe = absolute_existing(probe, "probe", error);
    if (target->m_options.probe.empty())
        return nullptr;
    if (target->m_wine && target->m_options.launcher.empty())
        target->m_options.launcher = "/usr/lib/wine/wine64";

    char const* temporary = std::getenv("TMPDIR");
    std::string pattern
        = std::string(temporary != nullptr && *temporary != '\0' ? temporary : "/tmp") + "/qmt-e2e-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        error = "cannot create a work directory from " + pattern;
        return nullptr;
    }
    target->m_work_directory = pattern;
    bool const prepared = target->m_wine ? target->prepare_wine(error) : target->prepare_native(error);
    if (!prepared)
        return nullptr;
    target->m_description = (target->m_wine ? "Wine: " : "native: ") + target->m_options.gateway + " with "
        + target->m_options.probe + ", files in " + target->m_work_directory;
    return target;
}

Target::~Target()
{
    if (m_wineserver_started) {
        std::string ignored;
        run_wine_tool({m_wineserver, "-k"}, ignored, 30000);
    }
    if (!m_options.keep_files && !m_work_directory.empty()) {
        std::error_code ignored;
        fs::remove_all(m_work_directory, ignored);
    }
}

bool Target::prepare_native(std::string& error)
{
    m_registry = m_work_directory + "/registry";
    fs::path const root = fs::path(m_registry) / "HKEY_CLASSES_ROOT";
    std::string const missing_server = m_work_directory + "/no-such-server.so";
    fs::path const objects = fs::path(m_options.probe).parent_path();
    auto const add = [&](char const* name, char const* clsid, std::string const& library) {
        return write_default_value(root / name / "CLSID", clsid, error)
            && write_default_value(root / "CLSID" / clsid / "InprocServer32", library, error);
    };
    return add(class_with_relative_server, clsid_relative, "libqmtprobe.so")
        && add(class_without_export, clsid_no_export, objects / "libqmt_mistake_no_export.so")
        && add(class_with_mangled_export, clsid_mangled, objects / "libqmt_mistake_mangled.so")
        && add(class_with_unresolved_symbol, clsid_unresolved, objects / "libqmt_mistake_unresolved.so")
        && write_default_value(root / "Qmt.Probe" / "CLSID", probe_clsid, error)
        && write_default_value(root / "CLSID" / probe_clsid / "InprocServer32", m_options.probe, error)
        && write_default_value(root / class_without_server / "CLSID", clsid_without_server, error)
        && write_default_value(root / class_with_missing_server / "CLSID", clsid_with_missing_server, error)
        && write_default_value(root / "CLSID" / clsid_with_missing_server / "InprocServer32", missing_server, error)
        && write_default_value(root / class_not_served / "CLSID", clsid_not_served, error)
        && write_default_value(root / "CLSID" / clsid_not_served / "InprocServer32", m_options.probe, error)
        && write_default_value(root / class_with_lenient_factory / "CLSID", clsid_lenient, error)
        && write_default_value(root / "CLSID" / clsid_lenient / "InprocServer32", m_options.probe, error);
}

std::vector<std::string> Target::wine_environment() const
{
    std::vector<std::string> environment {
        "WINEPREFIX=" + m_prefix,
        // Wine's errors stay on, so that a failing row shows them; its fixme notes are noise.
        "WINEDEBUG=fixme-all",
        // No installer dialogs for components the gateway does not use.
        "WINEDLLOVERRIDES=mscoree,mshtml=",
    };
    for (char const* name : {"HOME", "TMPDIR"})
        if (char const* value = std::getenv(name))
            environment.push_back(std::string(name) + "=" + value);
    return environment;
}

bool Target::run_wine_tool(std::vector<std::string> const& arguments, std::string& error, int timeout_ms,
                           std::string* output) const
{
    ChildRequest request;
    // Wine's first process in a prefix leaves helper processes running that would hold on to
    // captured pipes; a tool run later, in a prefix already set up, may have its output taken.
    request.output = output != nullptr ? OutputSink::pipe : OutputSink::discard;
    request.argv = arguments;
    request.environment = wine_environment();
    request.fixed_address_layout = true;
    request.working_directory = m_work_directory;
    request.timeout_ms = timeout_ms;
    ChildResult const result = run_child(request);
    if (output != nullptr)
        *output = result.out;
    if (result.exited && result.exit_code == 0)
        return true;
    error = "`";
    for (std::string const& argument : arguments)
        error += (&argument == &arguments.front() ? "" : " ") + argument;
    error += "` failed (" + describe_ending(result) + ")";
    return false;
}

bool Target::prepare_wine(std::string& error)
{
    m_prefix = m_options.wine_prefix.empty() ? m_work_directory + "/wineprefix" : m_options.wine_prefix;
    m_wineserver = (fs::path(m_options.launcher).parent_path() / "wineserver").string();
    if (::access(m_wineserver.c_str(), X_OK) != 0) {
        error = "no wineserver next to " + m_options.launcher;
        return false;
    }
    std::error_code failure;
    fs::create_directories(m_prefix, failure); // the server needs the prefix's directory
    // One server for the whole run, so that each request starts in about a tenth of a second.
    if (!run_wine_tool({m_wineserver, "-p"}, error))
        return false;
    m_wineserver_started = true;
    // The first program started in a new prefix sets the prefix up and waits for that. An
    // explicit "wineboot -i" would set it up a second time, with a second service manager.
    if (!fs::exists(fs::path(m_prefix) / "system.reg")
        && !run_wine_tool({m_options.launcher, "cmd", "/c", "exit"}, error, 180000))
        return false;

    std::string const probe = gateway_path(m_options.probe);
    std::string const missing_server = gateway_path(m_work_directory + "/no-such-server.dll");
    auto add = [&](std::string const& key, std::string const& value) {
        return run_wine_tool({m_options.launcher, "reg", "add", "HKCR\\" + key, "/ve", "/d", value, "/f"}, error);
    };
    std::string const clsid = "CLSID\\";
    return run_wine_tool({m_options.launcher, "regsvr32", "/s", probe}, error)
        && run_wine_tool({m_options.launcher, "reg", "query", "HKCR\\Qmt.Probe\\CLSID"}, error)
        && add(std::string(class_without_server) + "\\CLSID", clsid_without_server)
        && add(std::string(class_with_missing_server) + "\\CLSID", clsid_with_missing_server)
        && add(clsid + clsid_with_missing_server + "\\InprocServer32", missing_server)
        && add(std::string(class_not_served) + "\\CLSID", clsid_not_served)
        && add(clsid + clsid_not_served + "\\InprocServer32", probe)
        && add(std::string(class_with_lenient_factory) + "\\CLSID", clsid_lenient)
        && add(clsid + clsid_lenient + "\\InprocServer32", probe);
}

std::string Target::fill(std::string text) const
{
    std::string const objects = gateway_path(fs::path(m_options.probe).parent_path().string());
    std::pair<std::string_view, std::string> const placeholders[]
        = {{"{REGISTRY}", m_registry}, {"{OBJECTS}", objects}, {"{WORK}", gateway_path(m_work_directory)}};
    for (auto const& [placeholder, value] : placeholders)
        for (std::size_t at = text.find(placeholder); at != std::string::npos;
             at = text.find(placeholder, at + value.size()))
            text.replace(at, placeholder.size(), value);
    return text;
}

std::string Target::make_case_directory(std::string const& name, std::string& error) const
{
    fs::path const directory = fs::path(m_work_directory) / "cases" / name;
    std::error_code failure;
    fs::remove_all(directory, failure);
    fs::create_directories(directory, failure);
    if (failure) {
        error = "cannot create " + directory.string() + ": " + failure.message();
        return {};
    }
    return directory.string();
}

std::string Target::gateway_path(std::string const& host_path) const
{
    if (!m_wine)
        return host_path;
    // Wine's Z: drive is the host's root.
    std::string path = "Z:" + host_path;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

ChildRequest Target::request(std::vector<std::string> const& arguments,
                             std::vector<std::pair<std::string, std::string>> const& variables,
                             std::string const& copy) const
{
    ChildRequest request;
    if (!m_options.launcher.empty()) {
        request.argv.push_back(m_options.launcher);
        request.argv.insert(request.argv.end(), m_options.launcher_arguments.begin(),
                            m_options.launcher_arguments.end());
    }
    request.argv.push_back(copy.empty() ? m_options.gateway : copy);
    request.argv.insert(request.argv.end(), arguments.begin(), arguments.end());
    for (auto const& [name, value] : variables)
        request.environment.push_back(name + "=" + value);
    if (m_wine) {
        for (std::string const& variable : wine_environment())
            request.environment.push_back(variable);
    } else {
        request.environment.push_back("QUILLMATE_REGISTRY=" + m_registry);
    }
    for (std::string const& name : m_options.passed_variables)
        if (char const* value = std::getenv(name.c_str()))
            request.environment.push_back(name + "=" + value);
    request.timeout_ms = m_options.timeout_ms;
    // Debian's 64-bit Wine has no preloader: its loader sits at 0x7d000000 and the kernel
    // starts the loader's heap anywhere in the gibibyte above it. About once in a thousand
    // starts the heap covers 0x7ffe0000, where Wine must map the shared user data, and the
    // process ends at once with status 1 ("failed to map the shared user data: c0000018").
    request.fixed_address_layout = m_wine;
    return request;
}

namespace {

fs::path registry_directory(std::string const& registry, std::string const& key)
{
    std::string relative = key;
    std::replace(relative.begin(), relative.end(), '\\', '/');
    return fs::path(registry) / "HKEY_CLASSES_ROOT" / relative;
}

} // namespace

bool Target::delete_registry_key(std::string const& key, std::string& error) const
{
    if (m_wine) {
        std::string ignored; // deleting a key that is not there fails, and changes nothing
        run_wine_tool({m_options.launcher, "reg", "delete", "HKCR\\" + key, "/f"}, ignored);
        return true;
    }
    std::error_code failure;
    fs::remove_all(registry_directory(m_registry, key), failure);
    if (failure)
        error = "cannot delete registry key " + key + ": " + failure.message();
    return !failure;
}

bool Target::write_registry_value(std::string const& key, std::string const& value, std::string& error) const
{
    if (m_wine)
        return run_wine_tool({m_options.launcher, "reg", "add", "HKCR\\" + key, "/ve", "/d", value, "/f"}, error);
    return write_default_value(registry_directory(m_registry, key), value, error);
}

std::optional<std::string> Target::read_registry_value(std::string const& key, std::string& error) const
{
    if (!m_wine) {
        fs::path const directory = registry_directory(m_registry, key);
        std::error_code failure;
        if (!fs::is_directory(directory, failure))
            return std::nullopt;
        std::ifstream file(directory / "@", std::ios::binary);
        std::string value((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        if (!value.empty() && value.back() == '\n')
            value.pop_back();
        return value;
    }
    std::string listing;
    std::string ignored;
    if (!run_wine_tool({m_options.launcher, "reg", "query", "HKCR\\" + key}, ignored))
        return std::nullopt;
    if (!run_wine_tool({m_options.launcher, "reg", "query", "HKCR\\" + key, "/ve"}, error, 60000, &listing))
        return std::string();
    // "    (Default)    REG_SZ    value"
    std::size_t const type = listing.find("REG_SZ");
    if (type == std::string::npos)
        return std::string();
    std::size_t start = listing.find_first_not_of(' ', type + 6);
    std::size_t end = listing.find_first_of("\r\n", start);
    return start == std::string::npos ? std::string() : listing.substr(start, end - start);
}

std::string Target::take_wine_messages(ChildResult& result) const
{
    if (!m_wine)
        return {};
    std::string gateway, wine;
    for (std::size_t start = 0; start < result.err.size();) {
        std::size_t end = result.err.find('\n', start);
        end = end == std::string::npos ? result.err.size() : end + 1;
        std::string_view const line(result.err.data() + start, end - start);
        (is_wine_message(line) ? wine : gateway).append(line);
        start = end;
    }
    result.err = std::move(gateway);
    return wine;
}

bool Target::ended_by_access_fault(ChildResult const& result) const
{
    if (m_wine)
        return result.exited && result.exit_code == windows_access_violation_low_byte;
    return !result.exited && !result.timed_out && result.signal == SIGSEGV;
}

} // namespace e2e

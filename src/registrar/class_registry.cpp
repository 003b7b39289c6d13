#include "registrar/class_registry.h"

#include "automation/native/class_lookup.h"
#include "automation/native/directory_registry.h"
#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/shared_library.h"
#include "registrar/class_identifier.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace qmt::registrar {
namespace {

using platform::registry_success;
using platform::RegistryKey;

// Keys of HKEY_CLASSES_ROOT that are not programmatic names.
constexpr std::array<std::string_view, 4> reserved_names = {"CLSID", "TypeLib", "Interface", "AppID"};

std::string root_text() { return std::string(" (registry ") + platform::registry_root() + ")"; }

// The default value of HKEY_CLASSES_ROOT\<first>\<second>...; empty when there is none.
std::string read_value(std::initializer_list<std::string_view> names)
{
    runtime::KeyPath key = runtime::KeyPath::classes_root();
    for (std::string_view const name : names)
        key.subkey(name);
    runtime::KeyValue value;
    return runtime::read_default_value(key, value) == runtime::ValueStatus::found ? std::string(value.view())
                                                                                  : std::string();
}

std::string check_name(std::string const& prog_id)
{
    if (!runtime::is_single_key_name(prog_id))
        return "\"" + prog_id + "\" cannot be a registry key name (empty, \".\", \"..\", or holding a slash)";
    if (prog_id.find_first_of(" \t\\") != std::string::npos)
        return "\"" + prog_id
            + "\" holds a blank or a backslash: a request names the class before the first "
              "blank (\"Class Method\"), so it could never name this one";
    if (std::find(reserved_names.begin(), reserved_names.end(), prog_id) != reserved_names.end() || prog_id[0] == '{')
        return "\"" + prog_id + "\" is a key the registry uses for itself";
    return {};
}

// What keeps the gateway from using the library, in words; empty when nothing does.
std::string check_library(std::string const& library)
{
    if (library.empty() || library[0] != '/')
        return "\"" + library
            + "\" is a relative path: the gateway loads only absolute paths (give the full path, "
              "e.g. $(realpath "
            + library + "))";
    if (!platform::path_exists(library.c_str()))
        return library + ": no such file";
    if (!platform::is_regular_file(library.c_str()))
        return library + ": not a regular file";
    platform::SharedLibrary const loaded = platform::SharedLibrary::open(library.c_str());
    if (!loaded) {
        char const* said = platform::SharedLibrary::last_error();
        return library + " does not load: " + (said != nullptr ? said : "the loader gives no reason");
    }
    if (loaded.symbol("DllGetClassObject") != nullptr)
        return {};
    std::string reason = library + " does not export DllGetClassObject";
    char mangled[256];
    std::size_t const length = runtime::find_mangled_class_object_export(library.c_str(), mangled, sizeof mangled);
    if (length > 0)
        reason += "; it exports the C++ name " + std::string(mangled, length)
            + " instead: declare the function "
              "extern \"C\" (QMT_SERVE does)";
    else
        reason += " (with C linkage and default visibility: QMT_SERVE declares it so)";
    return reason;
}

// Sets HKEY_CLASSES_ROOT\<path...>'s default value, creating the keys on the way.
bool write_value(RegistryKey const& classes, std::initializer_list<char const*> path, std::string const& value)
{
    RegistryKey parent;
    RegistryKey const* at = &classes;
    for (char const* name : path) {
        RegistryKey child;
        if (at->create(name, child) != registry_success)
            return false;
        parent = std::move(child);
        at = &parent;
    }
    return parent.set_default_value(value.c_str()) == registry_success;
}

// Deletes HKEY_CLASSES_ROOT\<path...> (leaves first); a key that is already gone counts as deleted.
bool delete_key(RegistryKey const& classes, std::initializer_list<char const*> path)
{
    std::vector<char const*> const names(path);
    RegistryKey parent;
    RegistryKey const* at = &classes;
    for (std::size_t i = 0; i + 1 < names.size(); ++i) {
        RegistryKey child;
        if (at->open(names[i], child) != registry_success)
            return true;
        parent = std::move(child);
        at = &parent;
    }
    platform::RegistryStatus const status = at->delete_subkey(names.back());
    return status == registry_success || status == platform::registry_not_found;
}

} // namespace

std::string add_class(std::string const& prog_id, std::string const& class_id, std::string const& library)
{
    if (std::string reason = check_name(prog_id); !reason.empty())
        return reason;
    CLSID id {};
    if (!parse_class_identifier(class_id, id))
        return "\"" + class_id
            + "\" is not a class identifier: expected {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX} "
              "(quillmate-register new-clsid makes one)";
    if (std::string reason = check_library(library); !reason.empty())
        return reason;
    std::string const id_text = registry_text(id);
    RegistryKey const classes = RegistryKey::create_classes_root();
    if (!classes.is_open())
        return "cannot create or open HKEY_CLASSES_ROOT" + root_text();
    if (!write_value(classes, {prog_id.c_str(), "CLSID"}, id_text)
        || !write_value(classes, {"CLSID", id_text.c_str(), "InprocServer32"}, library)
        || !write_value(classes, {"CLSID", id_text.c_str(), "ProgID"}, prog_id))
        return "cannot write the keys of " + prog_id + root_text();
    return {};
}

std::string remove_class(std::string const& prog_id)
{
    if (std::string reason = check_name(prog_id); !reason.empty())
        return reason;
    std::string const id_text = read_value({prog_id, "CLSID"});
    if (id_text.empty())
        return prog_id + " is not registered (no value HKEY_CLASSES_ROOT\\" + prog_id + "\\CLSID)" + root_text();
    RegistryKey const classes = RegistryKey::classes_root();
    if (!delete_key(classes, {prog_id.c_str(), "CLSID"}) || !delete_key(classes, {prog_id.c_str()}))
        return "cannot delete HKEY_CLASSES_ROOT\\" + prog_id + " (it holds keys of its own?)" + root_text();
    // The identifier's keys go unless they name another class; they are read and deleted
    // under the identifier's one written form, whatever form the ProgID's value has.
    CLSID id {};
    if (!parse_class_identifier(id_text, id))
        return {};
    std::string const key = registry_text(id);
    std::string const claimed_by = read_value({"CLSID", key, "ProgID"});
    if (!claimed_by.empty() && claimed_by != prog_id)
        return {};
    if (!delete_key(classes, {"CLSID", key.c_str(), "InprocServer32"})
        || !delete_key(classes, {"CLSID", key.c_str(), "ProgID"}) || !delete_key(classes, {"CLSID", key.c_str()}))
        return "cannot delete HKEY_CLASSES_ROOT\\CLSID\\" + key + " (it holds keys of its own?)" + root_text();
    return {};
}

std::string list_classes(std::string const& library, std::vector<RegisteredClass>& classes)
{
    RegistryKey const root = RegistryKey::classes_root();
    if (!root.is_open())
        return std::string("there is no HKEY_CLASSES_ROOT") + root_text();
    char name[platform::name_length_limit + 1];
    for (std::uint32_t index = 0;; ++index) {
        std::uint32_t size = sizeof name;
        platform::RegistryStatus const status = root.subkey(index, name, size);
        if (status == platform::registry_no_more_items)
            break;
        if (status != registry_success || !check_name(name).empty())
            continue;
        RegisteredClass found {name, read_value({name, "CLSID"}), {}};
        CLSID id {};
        if (!parse_class_identifier(found.class_id, id))
            continue;
        found.class_id = registry_text(id);
        found.library = read_value({"CLSID", found.class_id, "InprocServer32"});
        if (library.empty() || found.library == library)
            classes.push_back(std::move(found));
    }
    std::sort(classes.begin(), classes.end(),
              [](RegisteredClass const& a, RegisteredClass const& b) { return a.prog_id < b.prog_id; });
    return {};
}

} // namespace qmt::registrar

// Class identifiers from their registry text and from programmatic names (ProgIDs).
#include "automation/native/class_lookup.h"
#include "automation/creation.h"
#include "automation/native/directory_registry.h"
#include "automation/native/guid_text.h"
#include "platform/code_page.h"
#include "platform/file_system.h"
#include "quillmate/com_abi.h"

#include <cstddef>

namespace {

// Counts the units of a zero-terminated text, stopping once it exceeds `limit`.
std::size_t bounded_length(LPCOLESTR text, std::size_t limit)
{
    std::size_t length = 0;
    while (length <= limit && text[length] != 0)
        ++length;
    return length;
}

} // namespace

QMT_RUNTIME_EXPORT HRESULT CLSIDFromString(LPCOLESTR lpsz, CLSID* pclsid)
{
    if (pclsid == nullptr)
        return E_INVALIDARG;
    *pclsid = CLSID {};
    // No text stands for the null class identifier, as on Windows.
    if (lpsz == nullptr)
        return S_OK;
    std::size_t const length = bounded_length(lpsz, qmt::runtime::guid_text_length);
    return qmt::runtime::parse_guid_text(lpsz, length, *pclsid) ? S_OK : CO_E_CLASSSTRING;
}

namespace qmt::runtime {

namespace {

// Why the class identifier under `key` is unusable, with the value quoted whole: a function of
// its own, never inlined, so that a path's worth of stack is taken only when a lookup has failed.
[[gnu::noinline]] void describe_unusable_class_id(KeyPath& key, std::string_view progid, DiagnosticText& cause)
{
    KeyValue value;
    ValueStatus const read = read_default_value(key, value);
    cause.add("registry value HKEY_CLASSES_ROOT\\").add(progid).add("\\CLSID ");
    if (read == ValueStatus::found)
        cause.add("is ")
            .add_quoted(value.view())
            .add(", not a class identifier {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}");
    else
        cause.add(read == ValueStatus::missing ? "is missing" : "cannot be read");
    cause.add(" (").add(key.c_str()).add("/@)");
}

} // namespace

HRESULT find_class_id(LPCOLESTR name, CLSID& clsid, DiagnosticText* cause)
{
    clsid = CLSID {};
    // A ProgID becomes one directory name, so it must fit one (every unit is at least one byte).
    constexpr std::size_t limit = platform::name_length_limit;
    char narrow[limit + 1];
    std::size_t const units = bounded_length(name, limit);
    int const bytes
        = units == 0 || units > limit ? 0 : platform::narrow_from_wide(name, static_cast<int>(units), nullptr, 0);
    if (bytes <= 0 || static_cast<std::size_t>(bytes) > limit
        || platform::narrow_from_wide(name, static_cast<int>(units), narrow, bytes) != bytes) {
        if (cause != nullptr)
            cause->add(units == 0 ? "the class name is empty" : "the class name is too long for a registry key");
        return CO_E_CLASSSTRING;
    }
    std::string_view const progid(narrow, static_cast<std::size_t>(bytes));
    // "..", "a/b" and the like would look outside HKEY_CLASSES_ROOT: such a name is simply not registered.
    if (!is_single_key_name(progid)) {
        if (cause != nullptr)
            cause->add("the class name is no registry key name (it holds a slash or is \".\" or \"..\")");
        return CO_E_CLASSSTRING;
    }

    KeyPath key = KeyPath::classes_root();
    key.subkey(progid).subkey("CLSID");
    // A class identifier's text and its line feed fit a small buffer: what does not fit is
    // no class identifier, and is read again whole only to be described.
    char text[guid_text_length + 2];
    std::size_t length = 0;
    if (read_default_value(key, text, sizeof text, length) == ValueStatus::found
        && parse_guid_text(text, length, clsid))
        return S_OK;
    if (cause != nullptr)
        describe_unusable_class_id(key, progid, *cause);
    return CO_E_CLASSSTRING;
}

} // namespace qmt::runtime

QMT_RUNTIME_EXPORT HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, CLSID* lpclsid)
{
    if (lpszProgID == nullptr || lpclsid == nullptr)
        return E_INVALIDARG;
    return qmt::runtime::find_class_id(lpszProgID, *lpclsid, nullptr);
}

namespace qmt {

HRESULT class_id_from_name(WideChar const* class_name, CLSID& clsid, DiagnosticText& cause)
{
    return class_name == nullptr ? E_INVALIDARG : runtime::find_class_id(class_name, clsid, &cause);
}

} // namespace qmt

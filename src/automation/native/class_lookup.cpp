// Class identifiers from their registry text and from programmatic names (ProgIDs).
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

QMT_RUNTIME_EXPORT HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, CLSID* lpclsid)
{
    using namespace qmt::runtime;
    if (lpszProgID == nullptr || lpclsid == nullptr)
        return E_INVALIDARG;
    *lpclsid = CLSID {};

    // A ProgID becomes one directory name, so it must fit one (every unit is at least one byte).
    constexpr std::size_t limit = qmt::platform::name_length_limit;
    char name[limit + 1];
    std::size_t const units = bounded_length(lpszProgID, limit);
    if (units == 0 || units > limit)
        return CO_E_CLASSSTRING;
    int const bytes = qmt::platform::narrow_from_wide(lpszProgID, static_cast<int>(units), nullptr, 0);
    if (bytes <= 0 || static_cast<std::size_t>(bytes) > limit
        || qmt::platform::narrow_from_wide(lpszProgID, static_cast<int>(units), name, bytes) != bytes)
        return CO_E_CLASSSTRING;
    std::string_view const progid(name, static_cast<std::size_t>(bytes));
    // "..", "a/b" and the like would look outside HKEY_CLASSES_ROOT: such a name is simply not registered.
    if (!is_single_key_name(progid))
        return CO_E_CLASSSTRING;

    KeyPath key = KeyPath::classes_root();
    key.subkey(progid).subkey("CLSID");
    KeyValue value;
    if (read_default_value(key, value) != ValueStatus::found)
        return CO_E_CLASSSTRING;
    return parse_guid_text(value.text, value.length, *lpclsid) ? S_OK : CO_E_CLASSSTRING;
}

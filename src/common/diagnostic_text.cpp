#include "common/diagnostic_text.h"

#include "platform/code_page.h"
#include "platform/process.h"

namespace qmt {
namespace {

constexpr char hex_digits[] = "0123456789ABCDEF";
constexpr std::string_view cut_mark = "...";

struct NamedStatus {
    std::uint32_t value;
    char const* name;
};

constexpr NamedStatus named_statuses[] = {
    {0x00000000u, "S_OK"},
    {0x00000001u, "S_FALSE"},
    {0x80004001u, "E_NOTIMPL"},
    {0x80004002u, "E_NOINTERFACE"},
    {0x80004003u, "E_POINTER"},
    {0x80004005u, "E_FAIL"},
    {0x8000FFFFu, "E_UNEXPECTED"},
    {0x80070005u, "E_ACCESSDENIED"},
    {0x8007000Eu, "E_OUTOFMEMORY"},
    {0x80070057u, "E_INVALIDARG"},
    {0x8007007Eu, "ERROR_MOD_NOT_FOUND"},
    {0x8007007Fu, "ERROR_PROC_NOT_FOUND"},
    {0x800700C1u, "ERROR_BAD_EXE_FORMAT"},
    {0x80020003u, "DISP_E_MEMBERNOTFOUND"},
    {0x80020004u, "DISP_E_PARAMNOTFOUND"},
    {0x80020005u, "DISP_E_TYPEMISMATCH"},
    {0x80020006u, "DISP_E_UNKNOWNNAME"},
    {0x80020007u, "DISP_E_NONAMEDARGS"},
    {0x80020008u, "DISP_E_BADVARTYPE"},
    {0x80020009u, "DISP_E_EXCEPTION"},
    {0x8002000Eu, "DISP_E_BADPARAMCOUNT"},
    {0x8002000Fu, "DISP_E_PARAMNOTOPTIONAL"},
    {0x80040110u, "CLASS_E_NOAGGREGATION"},
    {0x80040111u, "CLASS_E_CLASSNOTAVAILABLE"},
    {0x80040150u, "REGDB_E_READREGDB"},
    {0x80040154u, "REGDB_E_CLASSNOTREG"},
    {0x800401F0u, "CO_E_NOTINITIALIZED"},
    {0x800401F3u, "CO_E_CLASSSTRING"},
    {0x800401F8u, "CO_E_DLLNOTFOUND"},
    {0x800401F9u, "CO_E_ERRORINDLL"},
};

} // namespace

char const* status_name(std::int32_t status)
{
    for (NamedStatus const& named : named_statuses)
        if (named.value == static_cast<std::uint32_t>(status))
            return named.name;
    return nullptr;
}

void DiagnosticText::put(char byte)
{
    // The last bytes are kept for the mark of a cut.
    if (m_length + cut_mark.size() < capacity) {
        m_text[m_length++] = byte;
    } else if (m_length + cut_mark.size() == capacity) {
        for (char const mark : cut_mark)
            m_text[m_length++] = mark;
    }
}

DiagnosticText& DiagnosticText::add(std::string_view text)
{
    for (char const c : text) {
        auto const byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            put('\\');
            put('x');
            put(hex_digits[byte >> 4]);
            put(hex_digits[byte & 0xF]);
        } else {
            put(c);
        }
    }
    return *this;
}

DiagnosticText& DiagnosticText::add(WideChar const* text)
{
    if (text == nullptr)
        return *this;
    for (std::size_t index = 0; text[index] != 0;) {
        // One character at a time: a fixed buffer holds any character's bytes.
        bool const pair
            = text[index] >= 0xD800 && text[index] <= 0xDBFF && text[index + 1] >= 0xDC00 && text[index + 1] <= 0xDFFF;
        int const units = pair ? 2 : 1;
        char bytes[16];
        int const converted = platform::narrow_from_wide(text + index, units, bytes, sizeof bytes);
        add(std::string_view(bytes, converted > 0 ? static_cast<std::size_t>(converted) : 0));
        index += static_cast<std::size_t>(units);
    }
    return *this;
}

DiagnosticText& DiagnosticText::add_quoted(std::string_view text) { return add("\"").add(text).add("\""); }

DiagnosticText& DiagnosticText::add_quoted(WideChar const* text) { return add("\"").add(text).add("\""); }

DiagnosticText& DiagnosticText::add_status(std::int32_t status)
{
    auto const bits = static_cast<std::uint32_t>(status);
    char hex[10] = {'0', 'x'};
    for (int i = 0; i < 8; ++i)
        hex[2 + i] = hex_digits[(bits >> (28 - 4 * i)) & 0xF];
    add(std::string_view(hex, sizeof hex));
    char const* name = status_name(status);
    char system_text[256];
    std::size_t const system_length = platform::system_message(bits, system_text, sizeof system_text);
    if (name == nullptr && system_length == 0)
        return *this;
    add(" (");
    if (name != nullptr)
        add(name);
    if (name != nullptr && system_length > 0)
        add(": ");
    add(std::string_view(system_text, system_length));
    return add(")");
}

DiagnosticText& DiagnosticText::add_decimal(std::int64_t value)
{
    char digits[24];
    int count = 0;
    std::uint64_t magnitude = value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    do {
        digits[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude > 0);
    if (value < 0)
        put('-');
    while (count > 0)
        put(digits[--count]);
    return *this;
}

} // namespace qmt

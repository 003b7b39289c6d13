// Small helpers for the probe's texts: automation strings owned by RAII, literals in the
// platform's wide type, joining, numbers, and raw bytes on the standard error stream.
#pragma once

#include "automation/automation.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <utility>

// OLECHAR is wchar_t on Windows and char16_t in the native runtime: literals follow it.
#ifdef _WIN32
#    define PROBE_TEXT(literal) L"" literal
#else
#    define PROBE_TEXT(literal) u"" literal
#endif

namespace probe {

// One automation string, freed when dropped.
class Bstr {
public:
    Bstr() = default;
    explicit Bstr(BSTR text)
        : m_text(text)
    {
    }
    Bstr(Bstr&& other) noexcept
        : m_text(std::exchange(other.m_text, nullptr))
    {
    }
    Bstr& operator=(Bstr&& other) noexcept
    {
        if (this != &other) {
            SysFreeString(m_text);
            m_text = std::exchange(other.m_text, nullptr);
        }
        return *this;
    }
    Bstr(Bstr const&) = delete;
    Bstr& operator=(Bstr const&) = delete;
    ~Bstr() { SysFreeString(m_text); }

    static Bstr copy_of(OLECHAR const* text) { return Bstr(SysAllocString(text)); }

    BSTR get() const { return m_text; }
    BSTR* out()
    {
        SysFreeString(std::exchange(m_text, nullptr));
        return &m_text;
    }
    BSTR release() { return std::exchange(m_text, nullptr); }

private:
    BSTR m_text {nullptr};
};

// Units before the first zero unit; a missing text has none.
std::size_t length_of(OLECHAR const* text);

// Exact, case-sensitive equality of two zero-terminated texts (a missing one is empty).
bool equal(OLECHAR const* a, OLECHAR const* b);

// The pieces joined into one new automation string, each up to its first zero unit.
Bstr join(std::initializer_list<OLECHAR const*> pieces);

// Plain ASCII as an automation string (numbers and the probe's own labels).
Bstr from_ascii(char const* text);

// Reads an optionally signed decimal number; anything after the digits is ignored and
// values beyond 32 bits are clamped (the probe needs -2147483648 exactly).
std::int32_t parse_int32(OLECHAR const* text);

// Writes bytes to the process's standard error stream, unbuffered.
void write_to_standard_error(char const* bytes, std::size_t length);
// Writes a text there up to its first zero unit, units beyond ASCII as "?".
void write_to_standard_error(OLECHAR const* text);

} // namespace probe

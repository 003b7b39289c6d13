// Small helpers for the probe's texts: joining, numbers, and raw bytes on the standard error
// stream (automation strings and literals in the platform's wide type are the SDK's).
#pragma once

#include "automation/automation.h"
#include "quillmate/helpers.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>

namespace probe {

// Automation strings are the SDK's: owned, freed when dropped.
using quillmate::Text;

// Units before the first zero unit; a missing text has none.
std::size_t length_of(OLECHAR const* text);

// Exact, case-sensitive equality of two zero-terminated texts (a missing one is empty).
bool equal(OLECHAR const* a, OLECHAR const* b);

// The pieces joined into one new automation string, each up to its first zero unit.
Text join(std::initializer_list<OLECHAR const*> pieces);

// Plain ASCII as an automation string (numbers and the probe's own labels).
Text from_ascii(char const* text);

// Reads an optionally signed decimal number; anything after the digits is ignored and
// values beyond 32 bits are clamped (the probe needs -2147483648 exactly).
std::int32_t parse_int32(OLECHAR const* text);

// Writes bytes to the process's standard error stream, unbuffered.
void write_to_standard_error(char const* bytes, std::size_t length);
// Writes a text there up to its first zero unit, units beyond ASCII as "?".
void write_to_standard_error(OLECHAR const* text);

} // namespace probe

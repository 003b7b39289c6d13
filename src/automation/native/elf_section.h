// The bytes of a named section of a 64-bit little-endian ELF file: how a type library is
// carried in an executable or shared library of the native build. The file's bytes are
// untrusted: every offset, size and count is checked against them.
#pragma once

#include <cstddef>
#include <span>

namespace qmt::runtime {

// Whether the bytes begin as an ELF file does.
bool is_elf_file(std::span<unsigned char const> file);

// The content of the first section called `name`; empty when there is none (or it has no
// bytes in the file, or the file is no 64-bit little-endian ELF file).
std::span<unsigned char const> find_elf_section(std::span<unsigned char const> file, char const* name);

} // namespace qmt::runtime

#include "automation/native/elf_section.h"

#include <cstdint>
#include <cstring>

namespace qmt::runtime {
namespace {

constexpr unsigned char elf_magic[] = {0x7F, 'E', 'L', 'F'};
constexpr unsigned char class_64 = 2;
constexpr unsigned char little_endian = 1;
constexpr std::uint64_t header_size = 64;
constexpr std::uint64_t section_header_size = 64;
constexpr std::uint32_t section_without_bytes = 8; // SHT_NOBITS
constexpr std::uint16_t index_elsewhere = 0xFFFF; // SHN_XINDEX: the real index is in section 0

std::uint64_t read_le(std::span<unsigned char const> bytes, std::uint64_t at, int size)
{
    std::uint64_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | bytes[at + static_cast<std::uint64_t>(i)];
    return value;
}

bool fits(std::span<unsigned char const> file, std::uint64_t at, std::uint64_t count)
{
    return at <= file.size() && count <= file.size() - at;
}

struct Section {
    std::uint32_t name;
    std::uint32_t type;
    std::uint64_t offset;
    std::uint64_t size;
    std::uint32_t link;
};

} // namespace

bool is_elf_file(std::span<unsigned char const> file)
{
    return file.size() >= sizeof elf_magic && std::memcmp(file.data(), elf_magic, sizeof elf_magic) == 0;
}

std::span<unsigned char const> find_elf_section(std::span<unsigned char const> file, char const* name)
{
    if (!is_elf_file(file) || file.size() < header_size || file[4] != class_64 || file[5] != little_endian)
        return {};
    std::uint64_t const table = read_le(file, 0x28, 8);
    std::uint64_t const entry_size = read_le(file, 0x3A, 2);
    std::uint64_t count = read_le(file, 0x3C, 2);
    std::uint64_t names_index = read_le(file, 0x3E, 2);
    if (table == 0 || entry_size < section_header_size || !fits(file, table, section_header_size))
        return {};
    auto section = [&](std::uint64_t index) {
        std::uint64_t const at = table + index * entry_size;
        return Section {static_cast<std::uint32_t>(read_le(file, at, 4)),
                        static_cast<std::uint32_t>(read_le(file, at + 4, 4)), read_le(file, at + 0x18, 8),
                        read_le(file, at + 0x20, 8), static_cast<std::uint32_t>(read_le(file, at + 0x28, 4))};
    };
    // Files with very many sections keep the count and the names' index in section 0.
    if (count == 0)
        count = section(0).size;
    if (names_index == index_elsewhere)
        names_index = section(0).link;
    if (count > (file.size() - table) / entry_size || names_index >= count)
        return {};
    Section const names = section(names_index);
    if (names.type == section_without_bytes || !fits(file, names.offset, names.size))
        return {};
    std::size_t const wanted = std::strlen(name) + 1;
    for (std::uint64_t i = 0; i < count; ++i) {
        Section const candidate = section(i);
        if (candidate.name >= names.size || wanted > names.size - candidate.name
            || std::memcmp(file.data() + names.offset + candidate.name, name, wanted) != 0)
            continue;
        if (candidate.type == section_without_bytes || !fits(file, candidate.offset, candidate.size))
            return {};
        return file.subspan(candidate.offset, candidate.size);
    }
    return {};
}

} // namespace qmt::runtime

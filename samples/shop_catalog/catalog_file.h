// The catalog's data: a small UTF-8 text file beside the library, one article a line,
// five fields separated by tabs: number, category, name, price in cents, description.
// Lines that are empty or start with '#' are skipped; a line with a field missing or a
// number that is no number makes the whole file unreadable, so a mistake is seen at once.
#pragma once

#include <cstddef>
#include <string_view>

namespace shop {

struct Article {
    long number;
    long category;
    std::string_view name;
    long price_cents;
    std::string_view description;
};

class CatalogFile {
public:
    static constexpr std::size_t capacity = 64;

    CatalogFile() = default;
    CatalogFile(CatalogFile const&) = delete;
    CatalogFile& operator=(CatalogFile const&) = delete;
    ~CatalogFile();

    // The file `name` beside the library. False when it cannot be found, read or parsed.
    bool load_beside_library(char const* name);

    std::size_t size() const { return m_count; }
    Article const& operator[](std::size_t index) const { return m_articles[index]; }
    Article const* find(long number) const;

private:
    bool parse();

    char* m_bytes = nullptr;
    std::size_t m_size = 0;
    // Only the first m_count are written, and read: the rest stay untouched on the stack.
    Article m_articles[capacity];
    std::size_t m_count = 0;
};

} // namespace shop

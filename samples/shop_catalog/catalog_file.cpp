#include "catalog_file.h"

#include "sample_system.h"

#include <cstdlib>

namespace shop {

namespace {

// The next field of a line up to a tab (or the line's end); false when there is none.
bool next_field(std::string_view& line, std::string_view& field, bool last)
{
    std::size_t const tab = line.find('\t');
    if (last) {
        if (tab != std::string_view::npos)
            return false;
        field = line;
        line = {};
        return true;
    }
    if (tab == std::string_view::npos)
        return false;
    field = line.substr(0, tab);
    line.remove_prefix(tab + 1);
    return true;
}

// A whole decimal number, nothing else, at most nine digits; -1 when it is not one.
long parse_number(std::string_view digits)
{
    if (digits.empty() || digits.size() > 9)
        return -1;
    long value = 0;
    for (char const c : digits) {
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

CatalogFile::~CatalogFile() { std::free(m_bytes); }

bool CatalogFile::load_beside_library(char const* name)
{
    // The path lives here, not in the page's method: its 4 KB are given back before the
    // method goes on to open its template, and the request's stack stays a page shallower.
    SamplePath path;
    if (!file_beside_library(name, path))
        return false;
    constexpr std::size_t limit = 64 * 1024;
    m_bytes = read_whole_file(path.text, limit, m_size);
    return m_bytes != nullptr && parse();
}

bool CatalogFile::parse()
{
    std::string_view rest(m_bytes, m_size);
    while (!rest.empty()) {
        std::size_t const end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty() || line.front() == '#')
            continue;
        if (m_count == capacity)
            return false;
        std::string_view number, category, price;
        Article& article = m_articles[m_count];
        if (!next_field(line, number, false) || !next_field(line, category, false)
            || !next_field(line, article.name, false) || !next_field(line, price, false)
            || !next_field(line, article.description, true))
            return false;
        article.number = parse_number(number);
        article.category = parse_number(category);
        article.price_cents = parse_number(price);
        if (article.number < 0 || article.category < 0 || article.price_cents < 0)
            return false;
        ++m_count;
    }
    return true;
}

Article const* CatalogFile::find(long number) const
{
    for (std::size_t i = 0; i < m_count; ++i) {
        if (m_articles[i].number == number)
            return &m_articles[i];
    }
    return nullptr;
}

} // namespace shop

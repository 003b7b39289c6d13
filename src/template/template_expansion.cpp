#include "template/template_expansion.h"

#include "common/scratch_buffer.h"
#include "common/text_conversion.h"
#include "report/error_page.h"
#include "report/message_numbers.h"
#include "template/piece_copy.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstring>

namespace qmt {
namespace {

// A page shows at most 999 bytes of message: a longer name is handed to the report cut to
// this, which keeps its conversion small and still fills the page.
constexpr std::size_t longest_reported_name = 4000;

// Converts a name cut out of the template into `out` (room for length + 1 units) and gives
// it counted. A name too long for the platform's conversion becomes a single zero unit,
// which no placeholder or section name equals.
CountedName convert_template_name(TemplateByte const* name, std::size_t length, WideChar* out)
{
    if (length > INT_MAX) {
        out[0] = 0;
        return {out, 1};
    }
    return {out, wide_from_narrow_into(reinterpret_cast<char const*>(name), length, out, length + 1)};
}

struct Segment {
    TemplateByte const* begin;
    TemplateByte const* end;
};

struct BodyField {
    TemplateByte const* name;
    std::size_t length;
    std::int64_t placeholder; // the stored placeholder of that name, or no_placeholder
    std::size_t first_row_column {0}; // of its value in the section's first row
};

// A section block's body: literal segments S0 to Sm around the field names F0 to Fm-1.
struct Body {
    HeapArray<Segment> segments;
    HeapArray<BodyField> fields;
    TemplateByte const* end_comment {nullptr}; // the opener of the section end comment
};

// Finds each field's value in the section's first row and gives whether every field has
// one there. A later row whose placeholders come in the first row's order has its values
// in the same columns.
bool place_fields_in_first_row(SectionRecord const& section, std::int32_t width, Body& body)
{
    for (std::size_t j = 0; j < body.fields.size(); ++j) {
        std::int64_t const column = find_in_row(section, body.fields[j].placeholder, 0, width);
        if (column < 0)
            return false;
        body.fields[j].first_row_column = static_cast<std::size_t>(column);
    }
    return true;
}

bool same_order_as_first_row(SectionEntry const* first_row, SectionEntry const* row, std::size_t span)
{
    for (std::size_t column = 0; column < span; ++column)
        if (row[column].placeholder != first_row[column].placeholder)
            return false;
    return true;
}

enum class Step { done, stop, no_memory };

// A section block's body with what every row writes the same way.
struct RowPattern {
    Segment const* segments;
    BodyField const* names;
    std::size_t fields;
    std::size_t span; // entries a row
    std::uint64_t literal_bytes; // of all the segments
};

// Writes one row, finding each field's value among the row's entries (entry_at(column) for
// columns below the span): gives the first field the row lacks, or null when it is written.
template<typename EntryAt>
BodyField const* write_row_by_search(RowPattern const& pattern, EntryAt entry_at, GatheredOutput::Cursor& out)
{
    Segment const* const segments = pattern.segments;
    for (std::size_t j = 0; j < pattern.fields; ++j) {
        out.write(segments[j].begin, static_cast<std::size_t>(segments[j].end - segments[j].begin));
        std::int64_t const placeholder = pattern.names[j].placeholder;
        std::size_t column = 0;
        while (column < pattern.span && entry_at(column).placeholder != placeholder)
            ++column;
        if (column == pattern.span)
            return &pattern.names[j];
        SectionEntry const& value = entry_at(column);
        out.write(value.replacement, value.length);
    }
    Segment const& last = segments[pattern.fields];
    out.write(last.begin, static_cast<std::size_t>(last.end - last.begin));
    return nullptr;
}

// The usual row: its placeholders in the first row's order, so its fields are where the
// first row has them, and all of it within the buffer's room, checked once (counted in 64
// bits, which a row's bytes cannot exceed). Each writes the usual rows from `row_entries`
// on, at most `rows`, and gives how many it wrote: the row after them, if any, is not usual.
//
// Any shape of row. The pattern's arrays are read through locals: a copy's bytes may alias
// any memory, so a pointer read from an object would be read again after every copy.
std::size_t write_usual_rows_of_any_width(RowPattern const& pattern, SectionEntry const* first_row,
                                          SectionEntry const* row_entries, std::size_t rows,
                                          GatheredOutput::Cursor& out)
{
    Segment const* const segments = pattern.segments;
    BodyField const* const names = pattern.names;
    std::size_t const fields = pattern.fields;
    std::size_t const span = pattern.span;
    for (std::size_t row = 0; row < rows; ++row, row_entries += span) {
        if (!same_order_as_first_row(first_row, row_entries, span))
            return row;
        std::uint64_t row_bytes = pattern.literal_bytes;
        for (std::size_t j = 0; j < fields; ++j)
            row_bytes += row_entries[names[j].first_row_column].length;
        if (!out.has_room_for(row_bytes))
            return row;
        for (std::size_t j = 0; j < fields; ++j) {
            out.write_within_room(segments[j].begin, static_cast<std::size_t>(segments[j].end - segments[j].begin));
            SectionEntry const& value = row_entries[names[j].first_row_column];
            out.write_within_room(value.replacement, value.length);
        }
        out.write_within_room(segments[fields].begin,
                              static_cast<std::size_t>(segments[fields].end - segments[fields].begin));
    }
    return rows;
}

// Rows of `Width` entries for as many fields, the usual shape of a small table: with the
// width known here the loops unroll, and the segments, columns and the first row's order
// are held in local arrays, which no copy can alias.
template<std::size_t Width>
std::size_t write_usual_rows_of_width(RowPattern const& pattern, SectionEntry const* first_row,
                                      SectionEntry const* row_entries, std::size_t rows, GatheredOutput::Cursor& out)
{
    std::array<TemplateByte const*, Width + 1> begins {};
    std::array<std::size_t, Width + 1> lengths {};
    for (std::size_t j = 0; j <= Width; ++j) {
        begins[j] = pattern.segments[j].begin;
        lengths[j] = static_cast<std::size_t>(pattern.segments[j].end - pattern.segments[j].begin);
    }
    std::array<std::size_t, Width> columns {};
    std::array<PlaceholderNumber, Width> order {};
    for (std::size_t j = 0; j < Width; ++j) {
        columns[j] = pattern.names[j].first_row_column;
        order[j] = first_row[j].placeholder;
    }
    std::uint64_t const literal_bytes = pattern.literal_bytes;
    for (std::size_t row = 0; row < rows; ++row, row_entries += Width) {
        for (std::size_t column = 0; column < Width; ++column)
            if (row_entries[column].placeholder != order[column])
                return row;
        // A field may stand twice in the body: the lengths are those of the fields' columns.
        std::uint64_t row_bytes = literal_bytes;
        for (std::size_t j = 0; j < Width; ++j)
            row_bytes += row_entries[columns[j]].length;
        if (!out.has_room_for(row_bytes))
            return row;
        for (std::size_t j = 0; j < Width; ++j) {
            out.write_within_room(begins[j], lengths[j]);
            SectionEntry const& value = row_entries[columns[j]];
            out.write_within_room(value.replacement, value.length);
        }
        out.write_within_room(begins[Width], lengths[Width]);
    }
    return rows;
}

// The usual rows whose literal segments are at most 16 bytes each, gathered on the stack a
// few kilobytes at a time before they go to the output. A segment is stored as 16 bytes
// from a padded copy and the position moves on by its length: one wide store in place of
// a copy chosen by length. The bytes stored past a piece are overwritten by the next one or
// never handed on; a value is still copied to its exact length and read no further.
class ShortRowStaging {
public:
    static constexpr std::size_t padded_piece = 16;

    explicit ShortRowStaging(GatheredOutput::Cursor& out)
        : m_out(out)
    {
    }
    ShortRowStaging(ShortRowStaging const&) = delete;
    ShortRowStaging& operator=(ShortRowStaging const&) = delete;
    ~ShortRowStaging() { hand_on(); }

    // Makes room for a row of `bytes`, handing on what is gathered when needed; false
    // when the row is longer than the staging holds.
    bool make_room_for(std::uint64_t bytes)
    {
        if (bytes + padded_piece <= static_cast<std::uint64_t>(capacity - m_used))
            return true;
        hand_on();
        return bytes + padded_piece <= capacity;
    }
    void write_padded(unsigned char const* padded, std::size_t length)
    {
        std::memcpy(m_bytes + m_used, padded, padded_piece);
        m_used += length;
    }
    void write_exact(unsigned char const* from, std::size_t length)
    {
        copy_piece(m_bytes + m_used, from, length);
        m_used += length;
    }

private:
    static constexpr std::size_t capacity = 4096;

    void hand_on()
    {
        if (m_used > 0)
            m_out.write(m_bytes, m_used);
        m_used = 0;
    }

    GatheredOutput::Cursor& m_out;
    std::size_t m_used {0};
    alignas(16) unsigned char m_bytes[capacity + padded_piece];
};

template<std::size_t Width>
std::size_t write_usual_short_rows(RowPattern const& pattern, SectionEntry const* first_row,
                                   SectionEntry const* row_entries, std::size_t rows, GatheredOutput::Cursor& out)
{
    std::array<std::array<unsigned char, ShortRowStaging::padded_piece>, Width + 1> padded {};
    std::array<std::size_t, Width + 1> lengths {};
    for (std::size_t j = 0; j <= Width; ++j) {
        lengths[j] = static_cast<std::size_t>(pattern.segments[j].end - pattern.segments[j].begin);
        std::memcpy(padded[j].data(), pattern.segments[j].begin, lengths[j]);
    }
    std::array<std::size_t, Width> columns {};
    std::array<PlaceholderNumber, Width> order {};
    for (std::size_t j = 0; j < Width; ++j) {
        columns[j] = pattern.names[j].first_row_column;
        order[j] = first_row[j].placeholder;
    }
    std::uint64_t const literal_bytes = pattern.literal_bytes;
    ShortRowStaging staging(out);
    for (std::size_t row = 0; row < rows; ++row, row_entries += Width) {
        for (std::size_t column = 0; column < Width; ++column)
            if (row_entries[column].placeholder != order[column])
                return row;
        std::uint64_t row_bytes = literal_bytes;
        for (std::size_t j = 0; j < Width; ++j)
            row_bytes += row_entries[columns[j]].length;
        if (!staging.make_room_for(row_bytes))
            return row;
        for (std::size_t j = 0; j < Width; ++j) {
            staging.write_padded(padded[j].data(), lengths[j]);
            SectionEntry const& value = row_entries[columns[j]];
            staging.write_exact(value.replacement, value.length);
        }
        staging.write_padded(padded[Width].data(), lengths[Width]);
    }
    return rows;
}

template<std::size_t Width>
std::size_t write_usual_rows_of_fields(RowPattern const& pattern, SectionEntry const* first_row,
                                       SectionEntry const* row_entries, std::size_t rows, GatheredOutput::Cursor& out)
{
    for (std::size_t j = 0; j <= Width; ++j)
        if (pattern.segments[j].end - pattern.segments[j].begin > std::ptrdiff_t {ShortRowStaging::padded_piece})
            return write_usual_rows_of_width<Width>(pattern, first_row, row_entries, rows, out);
    return write_usual_short_rows<Width>(pattern, first_row, row_entries, rows, out);
}

std::size_t write_usual_rows(RowPattern const& pattern, SectionEntry const* first_row, SectionEntry const* row_entries,
                             std::size_t rows, GatheredOutput::Cursor& out)
{
    if (pattern.fields == pattern.span) {
        switch (pattern.span) {
        case 1:
            return write_usual_rows_of_fields<1>(pattern, first_row, row_entries, rows, out);
        case 2:
            return write_usual_rows_of_fields<2>(pattern, first_row, row_entries, rows, out);
        case 3:
            return write_usual_rows_of_fields<3>(pattern, first_row, row_entries, rows, out);
        case 4:
            return write_usual_rows_of_fields<4>(pattern, first_row, row_entries, rows, out);
        default:
            break;
        }
    }
    return write_usual_rows_of_any_width(pattern, first_row, row_entries, rows, out);
}

// Writes the body once per row of the section; stops at a field that a row lacks and gives
// it, or null when every row is written. Every row is whole here (rows × width entries at
// most). The rows are taken a block of the store at a time, walked with a pointer; the few
// that span two blocks, and those that are not usual, are written by search.
BodyField const* replay_body(SectionRecord const& section, std::int32_t width, Body& body, GatheredOutput& output)
{
    std::size_t const span = static_cast<std::size_t>(width);
    // The first row lies in one block unless it is longer than the first block.
    EntryList::Run const first_run = section.entries.run_from(0);
    SectionEntry const* const first_row = first_run.entries;
    bool const fields_placed = span <= first_run.count && place_fields_in_first_row(section, width, body);
    GatheredOutput::Cursor out(output);
    std::size_t const rows = static_cast<std::size_t>(section.count()) / span;
    std::size_t const fields = body.fields.size();
    Segment const* const segments = &body.segments[0];
    std::uint64_t literal_bytes = 0;
    for (std::size_t j = 0; j <= fields; ++j)
        literal_bytes += static_cast<std::uint64_t>(segments[j].end - segments[j].begin);
    RowPattern const pattern {segments, fields > 0 ? &body.fields[0] : nullptr, fields, span, literal_bytes};
    for (std::size_t row = 0; row < rows;) {
        EntryList::Run const run = section.entries.run_from(row * span);
        std::size_t const rows_in_run = std::min(run.count / span, rows - row);
        if (rows_in_run == 0) {
            // A row that spans two blocks.
            std::size_t const first = row * span;
            auto const entry_at = [&section, first](std::size_t column) -> SectionEntry const& {
                return section.entries[first + column];
            };
            if (BodyField const* const missing = write_row_by_search(pattern, entry_at, out))
                return missing;
            ++row;
            continue;
        }
        SectionEntry const* row_entries = run.entries;
        for (std::size_t left = rows_in_run; left > 0;) {
            std::size_t const usual = fields_placed ? write_usual_rows(pattern, first_row, row_entries, left, out) : 0;
            row += usual;
            row_entries += usual * span;
            left -= usual;
            if (left == 0)
                break;
            auto const entry_at
                = [row_entries](std::size_t column) -> SectionEntry const& { return row_entries[column]; };
            if (BodyField const* const missing = write_row_by_search(pattern, entry_at, out))
                return missing;
            ++row;
            row_entries += span;
            --left;
        }
    }
    return nullptr;
}

class Expansion {
public:
    Expansion(TemplateByte const* begin, std::size_t size, SectionStore const& store, GatheredOutput& output,
              ErrorState& error_state)
        : m_begin(begin)
        , m_end(begin + size)
        , m_store(store)
        , m_output(output)
        , m_error_state(error_state)
    {
    }

    ExpansionEnd run()
    {
        scan();
        return m_short_of_memory ? ExpansionEnd::short_of_memory : ExpansionEnd::finished;
    }

private:
    void scan();
    // Each gives the position at which the scan resumes, or null when it ends.
    TemplateByte const* expand_field(TemplateByte const* name);
    TemplateByte const* expand_section(TemplateByte const* name);
    TemplateByte const* skip_block_without_rows(TemplateByte const* after_name);
    TemplateByte const* write_rows(SectionRecord const& section, std::int32_t width, Body& body);
    Step parse_body(TemplateByte const* after_name, Body& body);

    // The template marker, when the comment whose opener ends at `after_opener` has one:
    // the position right after it, else null.
    TemplateByte const* template_marker_after(TemplateByte const* after_opener) const
    {
        TemplateByte const* const marker = skip_whitespace(after_opener, m_end);
        return spells(marker, m_end, template_marker) ? marker + template_marker.length : nullptr;
    }
    void write(TemplateByte const* from, TemplateByte const* to)
    {
        m_output.write(from, static_cast<std::size_t>(to - from));
    }
    bool convert_name(TemplateByte const* name, TemplateByte const* name_end, ScratchBuffer<WideChar>& out,
                      CountedName& result);
    void report(std::uint32_t message);
    void report_name(std::uint32_t message, TemplateByte const* name, TemplateByte const* name_end);
    TemplateByte const* out_of_memory()
    {
        m_short_of_memory = true;
        return nullptr;
    }

    TemplateByte const* const m_begin;
    TemplateByte const* const m_end;
    SectionStore const& m_store;
    GatheredOutput& m_output;
    ErrorState& m_error_state;
    ScratchBuffer<WideChar> m_name;
    bool m_short_of_memory {false};
};

void Expansion::scan()
{
    TemplateByte const* literal = m_begin; // the run of literal text not yet written
    TemplateByte const* cursor = m_begin;
    for (;;) {
        TemplateByte const* const after_opener = find_marker(cursor, m_end, comment_opener);
        if (after_opener == nullptr) {
            write(literal, m_end);
            return;
        }
        TemplateByte const* const name = template_marker_after(after_opener);
        if (name == nullptr) {
            // An ordinary comment: literal text, scanned on from right after its opener.
            cursor = after_opener;
            continue;
        }
        write(literal, after_opener - comment_opener.length);
        TemplateByte const* const resume = spells(name, m_end, section_start_marker)
            ? expand_section(name + section_start_marker.length)
            : expand_field(name);
        if (resume == nullptr)
            return;
        literal = cursor = resume;
    }
}

TemplateByte const* Expansion::expand_field(TemplateByte const* name)
{
    TemplateByte const* const end_of_name = name_end(name, m_end);
    CountedName wide;
    if (!convert_name(name, end_of_name, m_name, wide))
        return out_of_memory();
    SectionRecord const& main = m_store.main_section();
    std::int64_t const index = find_in_row(main, m_store.find_placeholder(wide), 0, 0);
    if (index < 0) {
        report_name(message::FieldNotReferenced, name, end_of_name);
        return nullptr;
    }
    SectionEntry const& entry = main.entries[static_cast<std::size_t>(index)];
    m_output.write(entry.replacement, entry.length);
    // Whatever stands between the name and the closer is dropped.
    return find_marker(end_of_name, m_end, comment_closer);
}

TemplateByte const* Expansion::expand_section(TemplateByte const* name)
{
    TemplateByte const* const end_of_name = name_end(name, m_end);
    CountedName wide;
    if (!convert_name(name, end_of_name, m_name, wide))
        return out_of_memory();
    std::int32_t const index = m_store.find_section(wide);
    if (index < 0) {
        report_name(message::SectionNotReferenced, name, end_of_name);
        return nullptr;
    }
    SectionRecord const& section = m_store.section(index);
    std::int32_t const width = row_width(section);
    if (width == 0)
        return skip_block_without_rows(end_of_name);
    Body body;
    switch (parse_body(end_of_name, body)) {
    case Step::stop:
        return nullptr;
    case Step::no_memory:
        return out_of_memory();
    case Step::done:
        break;
    }
    return write_rows(section, width, body);
}

TemplateByte const* Expansion::skip_block_without_rows(TemplateByte const* after_name)
{
    // The end marker's letters wherever they stand next, inside a comment or not.
    TemplateByte const* const end_marker = find_marker(after_name, m_end, section_end_marker);
    if (end_marker == nullptr) {
        report(message::EndSectionMissing);
        return nullptr;
    }
    return find_marker(end_marker, m_end, comment_closer);
}

TemplateByte const* Expansion::write_rows(SectionRecord const& section, std::int32_t width, Body& body)
{
    BodyField const* const missing = replay_body(section, width, body, m_output);
    if (missing != nullptr) {
        report_name(message::FieldNotReferenced, missing->name, missing->name + missing->length);
        return nullptr;
    }
    return find_marker(body.end_comment, m_end, comment_closer);
}

Step Expansion::parse_body(TemplateByte const* after_name, Body& body)
{
    TemplateByte const* cursor = after_name;
    for (;;) {
        TemplateByte const* const segment_start = find_marker(cursor, m_end, comment_closer);
        if (segment_start == nullptr) {
            report(message::EndSectionMissing);
            return Step::stop;
        }
        // The next comment with the template marker; other comments are literal text.
        TemplateByte const* search = segment_start;
        TemplateByte const* after_opener;
        TemplateByte const* name;
        do {
            after_opener = find_marker(search, m_end, comment_opener);
            if (after_opener == nullptr) {
                report(message::EndSectionMissing);
                return Step::stop;
            }
            name = template_marker_after(after_opener);
            search = after_opener;
        } while (name == nullptr);
        TemplateByte const* const opener = after_opener - comment_opener.length;
        if (!body.segments.append({segment_start, opener}))
            return Step::no_memory;
        if (spells(name, m_end, section_end_marker)) {
            body.end_comment = opener;
            return Step::done;
        }
        cursor = name_end(name, m_end);
        CountedName wide;
        if (!convert_name(name, cursor, m_name, wide)
            || !body.fields.append({name, static_cast<std::size_t>(cursor - name), m_store.find_placeholder(wide)}))
            return Step::no_memory;
    }
}

bool Expansion::convert_name(TemplateByte const* name, TemplateByte const* name_end, ScratchBuffer<WideChar>& out,
                             CountedName& result)
{
    std::size_t const length = static_cast<std::size_t>(name_end - name);
    if (length >= SIZE_MAX / sizeof(WideChar) || !out.reserve(length + 1))
        return false;
    result = convert_template_name(name, length, out.data());
    return true;
}

void Expansion::report(std::uint32_t message)
{
    m_output.flush();
    report_error(m_error_state, message);
}

void Expansion::report_name(std::uint32_t message, TemplateByte const* name, TemplateByte const* name_end)
{
    m_output.flush();
    std::size_t const length = std::min(static_cast<std::size_t>(name_end - name), longest_reported_name);
    report_error_counted(m_error_state, message, reinterpret_cast<char const*>(name),
                         static_cast<std::int32_t>(length));
}

} // namespace

ExpansionEnd expand_template(TemplateByte const* begin, std::size_t size, SectionStore const& store,
                             GatheredOutput& output, ErrorState& error_state)
{
    return Expansion(begin, size, store, output, error_state).run();
}

} // namespace qmt

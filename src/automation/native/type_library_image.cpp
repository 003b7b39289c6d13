#include "automation/native/type_library_image.h"

#include "platform/code_page.h"
#include "platform/heap.h"

#include <cstring>
#include <new>

namespace qmt::runtime {
namespace {

constexpr std::int32_t signature = 0x5446534D; // "MSFT"
constexpr std::int64_t header_size = 0x54;
constexpr std::int32_t help_dll_flag = 0x100;
constexpr std::int64_t segment_count = 15;
constexpr std::int64_t segment_entry_size = 16;
constexpr std::int64_t type_entry_size = 0x64;
constexpr std::int64_t imported_type_entry_size = 12;
constexpr std::int64_t reference_entry_size = 16;
constexpr std::int64_t descriptor_size = 8;
constexpr std::int64_t function_fixed_size = 0x18;
constexpr std::int64_t parameter_size = 12;
constexpr std::int32_t imported_by_guid = 0x10000;
constexpr std::int32_t has_default_values = 0x1000;
constexpr int most_types = 0xFFFF;

// The segments of the directory that follows the header, in its order.
enum Segment {
    type_table,
    imported_type_table,
    import_file_table,
    reference_table,
    guid_hash,
    guid_table,
    name_hash,
    name_table,
    string_table,
    descriptor_table,
};

struct Span {
    std::int64_t offset {0};
    std::int64_t length {0};
    bool contains(std::int64_t at, std::int64_t count) const
    {
        return at >= 0 && count >= 0 && at <= length && count <= length - at;
    }
};

// Little-endian reads that fail rather than leave the bytes.
class Bytes {
public:
    Bytes(unsigned char const* data, std::size_t length)
        : m_data(data)
        , m_length(static_cast<std::int64_t>(length))
    {
    }
    bool has(std::int64_t at, std::int64_t count) const
    {
        return at >= 0 && count >= 0 && at <= m_length && count <= m_length - at;
    }
    bool i32(std::int64_t at, std::int32_t& value) const
    {
        if (!has(at, 4))
            return false;
        auto const* p = m_data + at;
        value = static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8
                                          | static_cast<std::uint32_t>(p[2]) << 16
                                          | static_cast<std::uint32_t>(p[3]) << 24);
        return true;
    }
    bool u16(std::int64_t at, std::uint16_t& value) const
    {
        if (!has(at, 2))
            return false;
        value = static_cast<std::uint16_t>(m_data[at] | m_data[at + 1] << 8);
        return true;
    }
    bool i16(std::int64_t at, std::int16_t& value) const
    {
        std::uint16_t bits = 0;
        if (!u16(at, bits))
            return false;
        value = static_cast<std::int16_t>(bits);
        return true;
    }
    bool guid(std::int64_t at, GUID& value) const
    {
        std::int32_t data1 = 0;
        std::uint16_t data2 = 0;
        std::uint16_t data3 = 0;
        if (!i32(at, data1) || !u16(at + 4, data2) || !u16(at + 6, data3) || !has(at + 8, 8))
            return false;
        value.Data1 = static_cast<std::uint32_t>(data1);
        value.Data2 = data2;
        value.Data3 = data3;
        std::memcpy(value.Data4, m_data + at + 8, 8);
        return true;
    }

private:
    unsigned char const* m_data;
    std::int64_t m_length;
};

bool is_simple_type(VARTYPE vt)
{
    switch (vt) {
    case VT_PTR:
    case VT_SAFEARRAY:
    case VT_CARRAY:
    case VT_USERDEFINED:
    case 15:
        return false;
    default:
        return vt <= VT_LPWSTR || vt == VT_INT_PTR || vt == VT_UINT_PTR;
    }
}

bool is_property(INVOKEKIND kind) { return kind != INVOKE_FUNC; }

} // namespace

// One pass over the bytes that fills the image, or refuses them.
class LibraryReading {
public:
    LibraryReading(TypeLibraryImage& image, unsigned char const* bytes, std::size_t length)
        : m_image(image)
        , m_bytes(bytes, length)
    {
    }

    HRESULT run()
    {
        if (!read_header() || !read_segments() || !read_imports() || !read_imported_types() || !read_descriptors()
            || !read_types())
            return m_short_of_memory ? E_OUTOFMEMORY : TYPE_E_CANTLOADLIBRARY;
        return S_OK;
    }

private:
    template<typename T>
    T* allocate_array(std::size_t count)
    {
        if (count == 0)
            count = 1;
        T* array = m_image.allocate_array<T>(count);
        if (array == nullptr)
            m_short_of_memory = true;
        return array;
    }

    bool read_header()
    {
        std::int32_t magic = 0;
        std::int32_t guid_offset = 0;
        std::int32_t lcid = 0;
        std::int32_t variant_flags = 0;
        std::int32_t version = 0;
        std::int32_t flags = 0;
        std::int32_t types = 0;
        std::int32_t help_context = 0;
        if (!m_bytes.i32(0x00, magic) || magic != signature || !m_bytes.has(0, header_size)
            || !m_bytes.i32(0x08, guid_offset) || !m_bytes.i32(0x10, lcid) || !m_bytes.i32(0x14, variant_flags)
            || !m_bytes.i32(0x18, version) || !m_bytes.i32(0x1C, flags) || !m_bytes.i32(0x20, types)
            || !m_bytes.i32(0x24, m_help_string) || !m_bytes.i32(0x2C, help_context) || !m_bytes.i32(0x38, m_name)
            || !m_bytes.i32(0x3C, m_help_file) || !m_bytes.i32(0x4C, m_dispatch_reference))
            return false;
        if ((variant_flags & 0xF) > SYS_WIN64 || types < 0 || types > most_types)
            return false;
        m_guid_offset = guid_offset;
        m_image.lcid = static_cast<LCID>(lcid);
        m_image.system = static_cast<SYSKIND>(variant_flags & 0xF);
        m_image.major_version = static_cast<WORD>(version & 0xFFFF);
        m_image.minor_version = static_cast<WORD>((static_cast<std::uint32_t>(version) >> 16) & 0xFFFF);
        m_image.flags = static_cast<WORD>(flags & 0xFFFF);
        m_image.help_context = static_cast<DWORD>(help_context);
        m_image.m_type_count = static_cast<UINT>(types);
        m_library_pointer = m_image.system == SYS_WIN64 ? 8 : 4;
        m_directory
            = header_size + ((variant_flags & help_dll_flag) != 0 ? 4 : 0) + 4 * static_cast<std::int64_t>(types);
        return true;
    }

    bool read_segments()
    {
        if (!m_bytes.has(m_directory, segment_count * segment_entry_size))
            return false;
        for (std::int64_t i = 0; i < segment_count; ++i) {
            std::int32_t offset = 0;
            std::int32_t length = 0;
            m_bytes.i32(m_directory + i * segment_entry_size, offset);
            m_bytes.i32(m_directory + i * segment_entry_size + 4, length);
            if (offset < 0)
                continue; // absent: an empty span
            if (length < 0 || !m_bytes.has(offset, length))
                return false;
            m_segments[i] = Span {offset, length};
        }
        return read_guid(m_guid_offset, m_image.guid) && read_name(m_name, m_image.name)
            && read_string(m_help_string, m_image.help_string) && read_string(m_help_file, m_image.help_file);
    }

    bool read_guid(std::int32_t offset, GUID& guid) const
    {
        if (offset == -1) {
            guid = GUID {};
            return true;
        }
        Span const& table = m_segments[guid_table];
        return table.contains(offset, 16) && m_bytes.guid(table.offset + offset, guid);
    }

    // A name: a hash link, a length in the low byte of the third word, then the characters.
    bool read_name(std::int32_t offset, LibraryText& text) const
    {
        text = LibraryText {};
        if (offset == -1)
            return true;
        Span const& table = m_segments[name_table];
        std::int32_t length = 0;
        if (!table.contains(offset, 12) || !m_bytes.i32(table.offset + offset + 8, length))
            return false;
        length &= 0xFF;
        if (!table.contains(offset + 12, length))
            return false;
        text = LibraryText {static_cast<std::uint32_t>(table.offset + offset + 12), static_cast<std::uint32_t>(length),
                            true};
        return true;
    }

    // A help text: a 16-bit length, then the characters.
    bool read_string(std::int32_t offset, LibraryText& text) const
    {
        text = LibraryText {};
        if (offset == -1)
            return true;
        Span const& table = m_segments[string_table];
        std::int16_t length = 0;
        if (!table.contains(offset, 2) || !m_bytes.i16(table.offset + offset, length))
            return false;
        if (length <= 0)
            return true;
        if (!table.contains(offset + 2, length))
            return false;
        text = LibraryText {static_cast<std::uint32_t>(table.offset + offset + 2), static_cast<std::uint32_t>(length),
                            true};
        return true;
    }

    // Import files: a GUID offset, a locale, two version words, a length word (the length
    // shifted left by two), the name; each entry aligned to four bytes.
    bool read_imports()
    {
        Span const& table = m_segments[import_file_table];
        for (int pass = 0; pass < 2; ++pass) {
            UINT count = 0;
            for (std::int64_t at = 0; at < table.length;) {
                std::int32_t guid_offset = 0;
                std::int32_t lcid = 0;
                std::uint16_t major = 0;
                std::uint16_t minor = 0;
                std::uint16_t size = 0;
                if (!table.contains(at, 14) || !m_bytes.i32(table.offset + at, guid_offset)
                    || !m_bytes.i32(table.offset + at + 4, lcid) || !m_bytes.u16(table.offset + at + 8, major)
                    || !m_bytes.u16(table.offset + at + 10, minor) || !m_bytes.u16(table.offset + at + 12, size))
                    return false;
                std::int64_t const name_length = size >> 2;
                if (!table.contains(at + 14, name_length))
                    return false;
                if (pass == 1) {
                    ImportedLibrary& library = m_image.m_imports[count];
                    library.offset = static_cast<std::uint32_t>(at);
                    library.lcid = static_cast<LCID>(lcid);
                    library.major_version = major;
                    library.minor_version = minor;
                    library.file_name = LibraryText {static_cast<std::uint32_t>(table.offset + at + 14),
                                                     static_cast<std::uint32_t>(name_length), true};
                    if (!read_guid(guid_offset, library.guid))
                        return false;
                }
                ++count;
                at = (at + 14 + name_length + 3) & ~std::int64_t {3};
            }
            if (pass == 0) {
                m_image.m_import_count = count;
                m_image.m_imports = allocate_array<ImportedLibrary>(count);
                if (m_image.m_imports == nullptr)
                    return false;
            }
        }
        return true;
    }

    bool read_imported_types()
    {
        Span const& table = m_segments[imported_type_table];
        UINT const count = static_cast<UINT>(table.length / imported_type_entry_size);
        m_image.m_imported_type_count = count;
        m_image.m_imported_types = allocate_array<ImportedType>(count);
        if (m_image.m_imported_types == nullptr)
            return false;
        for (UINT i = 0; i < count; ++i) {
            std::int64_t const at = table.offset + i * imported_type_entry_size;
            std::int32_t flags = 0;
            std::int32_t file = 0;
            std::int32_t target = 0;
            m_bytes.i32(at, flags);
            m_bytes.i32(at + 4, file);
            m_bytes.i32(at + 8, target);
            ImportedType& type = m_image.m_imported_types[i];
            type.kind = static_cast<TYPEKIND>((flags >> 24) & 0xF);
            type.by_guid = (flags & imported_by_guid) != 0;
            type.guid = GUID {};
            type.index = type.by_guid ? -1 : target;
            type.library = nullptr;
            for (UINT j = 0; j < m_image.m_import_count; ++j)
                if (static_cast<std::int64_t>(m_image.m_imports[j].offset) == file)
                    type.library = &m_image.m_imports[j];
            if (type.kind >= TKIND_MAX || type.library == nullptr || (type.by_guid && !read_guid(target, type.guid)))
                return false;
        }
        return true;
    }

    // A reference to one of this library's types (by its entry's offset) or to an imported one.
    bool valid_reference(std::int32_t reference) const
    {
        if (reference < 0)
            return false;
        std::int64_t const offset = reference & ~std::int32_t {3};
        if ((reference & 1) == 0)
            return offset % type_entry_size == 0 && offset / type_entry_size < m_image.m_type_count;
        return offset % imported_type_entry_size == 0
            && offset / imported_type_entry_size < m_image.m_imported_type_count;
    }

    // The type table's entries: a type, two words, and two more whose meaning depends on it.
    bool read_descriptors()
    {
        Span const& table = m_segments[descriptor_table];
        UINT const count = static_cast<UINT>(table.length / descriptor_size);
        m_image.m_descriptor_count = count;
        m_image.m_descriptors = allocate_array<TYPEDESC>(count);
        if (m_image.m_descriptors == nullptr)
            return false;
        for (UINT i = 0; i < count; ++i) {
            std::int16_t words[4] = {};
            for (int w = 0; w < 4; ++w)
                m_bytes.i16(table.offset + i * descriptor_size + 2 * w, words[w]);
            TYPEDESC& descriptor = m_image.m_descriptors[i];
            descriptor = TYPEDESC {};
            descriptor.vt = static_cast<VARTYPE>(static_cast<std::uint16_t>(words[0]) & VT_TYPEMASK);
            if (descriptor.vt == VT_PTR || descriptor.vt == VT_SAFEARRAY) {
                if (words[3] < 0) {
                    auto const target = static_cast<VARTYPE>(static_cast<std::uint16_t>(words[2]) & VT_TYPEMASK);
                    TYPEDESC* simple = allocate_array<TYPEDESC>(1);
                    if (simple == nullptr || !is_simple_type(target))
                        return false;
                    *simple = TYPEDESC {};
                    simple->vt = target;
                    descriptor.lptdesc = simple;
                } else {
                    if (words[2] < 0 || words[2] % descriptor_size != 0
                        || static_cast<UINT>(words[2] / descriptor_size) >= count)
                        return false;
                    descriptor.lptdesc = &m_image.m_descriptors[words[2] / descriptor_size];
                }
            } else if (descriptor.vt == VT_USERDEFINED) {
                auto const reference = static_cast<std::int32_t>(static_cast<std::uint32_t>(
                    static_cast<std::uint16_t>(words[2]) | static_cast<std::uint16_t>(words[3]) << 16));
                if (!valid_reference(reference))
                    return false;
                descriptor.hreftype = static_cast<HREFTYPE>(reference);
            } else if (!is_simple_type(descriptor.vt)) {
                return false; // fixed-size arrays are not read
            }
        }
        // A pointer chain that comes back to itself would never end.
        for (UINT i = 0; i < count; ++i) {
            TYPEDESC const* step = &m_image.m_descriptors[i];
            for (UINT hops = 0; step->vt == VT_PTR || step->vt == VT_SAFEARRAY; ++hops) {
                if (hops > count)
                    return false;
                step = step->lptdesc;
            }
        }
        return true;
    }

    // A type in a record: a simple type in the low bits of a negative number, or the offset
    // of an entry of the type table.
    bool read_type(std::int32_t encoded, TYPEDESC& type) const
    {
        type = TYPEDESC {};
        if (encoded < 0) {
            type.vt = static_cast<VARTYPE>(encoded & VT_TYPEMASK);
            return is_simple_type(type.vt);
        }
        if (encoded % descriptor_size != 0
            || static_cast<UINT>(encoded / descriptor_size) >= m_image.m_descriptor_count)
            return false;
        type = m_image.m_descriptors[encoded / descriptor_size];
        return true;
    }

    bool read_types()
    {
        Span const& table = m_segments[type_table];
        UINT const count = m_image.m_type_count;
        if (!table.contains(0, static_cast<std::int64_t>(count) * type_entry_size)
            || (m_dispatch_reference != -1 && !valid_reference(m_dispatch_reference)))
            return false;
        m_image.dispatch_reference = static_cast<HREFTYPE>(m_dispatch_reference);
        m_image.m_types = allocate_array<TypeDescription>(count);
        if (m_image.m_types == nullptr)
            return false;
        for (UINT i = 0; i < count; ++i)
            if (!read_type_entry(table.offset + i * type_entry_size, m_image.m_types[i]))
                return false;
        return true;
    }

    bool read_type_entry(std::int64_t at, TypeDescription& type)
    {
        std::int32_t kind = 0, members = 0, elements = 0, guid_offset = 0, flags = 0, name = 0, version = 0;
        std::int32_t help_string = 0, help_context = 0, size = 0, first_data = 0;
        std::int16_t implemented = 0;
        std::uint16_t table_size = 0;
        m_bytes.i32(at + 0x00, kind);
        m_bytes.i32(at + 0x04, members);
        m_bytes.i32(at + 0x18, elements);
        m_bytes.i32(at + 0x2C, guid_offset);
        m_bytes.i32(at + 0x30, flags);
        m_bytes.i32(at + 0x34, name);
        m_bytes.i32(at + 0x38, version);
        m_bytes.i32(at + 0x3C, help_string);
        m_bytes.i32(at + 0x44, help_context);
        m_bytes.i16(at + 0x4C, implemented);
        m_bytes.u16(at + 0x4E, table_size);
        m_bytes.i32(at + 0x50, size);
        m_bytes.i32(at + 0x54, first_data);
        type = TypeDescription {};
        type.kind = static_cast<TYPEKIND>(kind & 0xF);
        type.flags = static_cast<WORD>(flags & 0xFFFF);
        type.major_version = static_cast<WORD>(version & 0xFFFF);
        type.minor_version = static_cast<WORD>((static_cast<std::uint32_t>(version) >> 16) & 0xFFFF);
        type.help_context = static_cast<DWORD>(help_context);
        type.variable_count = static_cast<WORD>((static_cast<std::uint32_t>(elements) >> 16) & 0xFFFF);
        bool const pointer_sized
            = type.kind == TKIND_INTERFACE || type.kind == TKIND_DISPATCH || type.kind == TKIND_COCLASS;
        type.alignment = pointer_sized ? sizeof(void*) : static_cast<WORD>((kind >> 11) & 0x1F);
        type.instance_size = pointer_sized ? sizeof(void*) : static_cast<ULONG>(size);
        std::uint32_t const scaled_table = table_size * sizeof(void*) / m_library_pointer;
        if (type.kind >= TKIND_MAX || scaled_table > 0xFFFF || implemented < 0 || !read_guid(guid_offset, type.guid)
            || !read_name(name, type.name) || !read_string(help_string, type.help_string))
            return false;
        type.table_size = static_cast<WORD>(scaled_table);
        if (type.kind == TKIND_ALIAS && !read_type(first_data, type.alias))
            return false;
        return read_implemented(type, static_cast<WORD>(implemented), first_data)
            && read_functions(type, static_cast<WORD>(elements & 0xFFFF), type.variable_count, members);
    }

    // A class lists its interfaces in a chain of the reference table; any other type names
    // its base interface directly.
    bool read_implemented(TypeDescription& type, WORD count, std::int32_t first)
    {
        HREFTYPE* references = allocate_array<HREFTYPE>(count);
        INT* flags = allocate_array<INT>(count);
        if (references == nullptr || flags == nullptr)
            return false;
        WORD taken = 0;
        if (type.kind == TKIND_COCLASS) {
            Span const& table = m_segments[reference_table];
            for (std::int32_t at = first; taken < count && at != -1; ++taken) {
                std::int32_t reference = 0;
                if (!table.contains(at, reference_entry_size) || !m_bytes.i32(table.offset + at, reference)
                    || !m_bytes.i32(table.offset + at + 4, flags[taken]) || !m_bytes.i32(table.offset + at + 12, at)
                    || !valid_reference(reference))
                    return false;
                references[taken] = static_cast<HREFTYPE>(reference);
            }
        } else if (count > 0 && first != -1) {
            if (!valid_reference(first))
                return false;
            references[0] = static_cast<HREFTYPE>(first);
            flags[0] = 0;
            taken = 1;
        }
        type.implemented_count = taken;
        type.implemented = references;
        type.implemented_flags = flags;
        return true;
    }

    // The member data: a length, the function records, then three tables with one entry per
    // member (functions first, then variables): identifiers, name offsets, record offsets.
    bool read_functions(TypeDescription& type, WORD functions, WORD variables, std::int32_t at)
    {
        type.function_count = functions;
        if (functions == 0 && variables == 0)
            return true;
        std::int32_t records_length = 0;
        std::int64_t const members = static_cast<std::int64_t>(functions) + variables;
        if (!m_bytes.i32(at, records_length) || records_length < 0 || !m_bytes.has(at + 4, records_length))
            return false;
        std::int64_t const records_end = static_cast<std::int64_t>(at) + 4 + records_length;
        if (!m_bytes.has(records_end, 3 * members * 4))
            return false;
        FunctionDescription* descriptions = allocate_array<FunctionDescription>(functions);
        if (descriptions == nullptr)
            return false;
        type.functions = descriptions;
        std::int64_t record = static_cast<std::int64_t>(at) + 4;
        for (WORD k = 0; k < functions; ++k) {
            std::int32_t length = 0;
            if (!m_bytes.i32(record, length))
                return false;
            length &= 0xFFFF;
            if (length < function_fixed_size || length > records_end - record)
                return false;
            FunctionDescription& function = descriptions[k];
            std::int32_t memid = 0, name = 0;
            m_bytes.i32(records_end + k * 4, memid);
            m_bytes.i32(records_end + (members + k) * 4, name);
            function.memid = memid;
            if (!read_function(record, length, function) || !read_name(name, function.name))
                return false;
            // The second half of a property's get/put pair may leave its name to the first.
            if (!function.name.present && k > 0 && is_property(function.invoke_kind)
                && is_property(descriptions[k - 1].invoke_kind))
                function.name = descriptions[k - 1].name;
            record += length;
        }
        return true;
    }

    // A record: length, result type, flags, table offset, kinds, parameter counts, then as
    // many optional words as fit (help context, help string, ...), default values, and the
    // parameters (type, name, flags) at its end.
    bool read_function(std::int64_t record, std::int32_t length, FunctionDescription& function)
    {
        std::int32_t result = 0, flags = 0, kinds = 0;
        std::uint16_t table_offset = 0;
        std::int16_t parameters = 0, optional = 0;
        m_bytes.i32(record + 4, result);
        m_bytes.i32(record + 8, flags);
        m_bytes.u16(record + 12, table_offset);
        m_bytes.i32(record + 16, kinds);
        m_bytes.i16(record + 20, parameters);
        m_bytes.i16(record + 22, optional);
        if (parameters < 0 || optional < -1 || optional > parameters)
            return false;
        std::int64_t const defaults = (kinds & has_default_values) != 0 ? 4 * std::int64_t {parameters} : 0;
        std::int64_t const words = length - function_fixed_size - parameter_size * parameters - defaults;
        if (words < 0)
            return false;
        std::int32_t help_context = 0;
        std::int32_t help_string = -1;
        if (words >= 4)
            m_bytes.i32(record + function_fixed_size, help_context);
        if (words >= 8)
            m_bytes.i32(record + function_fixed_size + 4, help_string);
        function.kind = static_cast<FUNCKIND>(kinds & 0x7);
        function.invoke_kind = static_cast<INVOKEKIND>((kinds >> 3) & 0xF);
        function.calling_convention = static_cast<CALLCONV>((kinds >> 8) & 0xF);
        function.flags = static_cast<WORD>(flags & 0xFFFF);
        function.optional_count = optional;
        function.help_context = static_cast<DWORD>(help_context);
        function.parameter_count = parameters;
        std::uint32_t const scaled = (table_offset & ~1u) * sizeof(void*) / m_library_pointer;
        bool const known_invoke_kind = function.invoke_kind == INVOKE_FUNC || function.invoke_kind == INVOKE_PROPERTYGET
            || function.invoke_kind == INVOKE_PROPERTYPUT || function.invoke_kind == INVOKE_PROPERTYPUTREF;
        if (function.kind > FUNC_DISPATCH || !known_invoke_kind || function.calling_convention >= CC_MAX
            || scaled > 0x7FFF || !read_type(result, function.result)
            || !read_string(help_string, function.help_string))
            return false;
        function.table_offset = static_cast<SHORT>(scaled);
        ParameterDescription* described = allocate_array<ParameterDescription>(static_cast<std::size_t>(parameters));
        if (described == nullptr)
            return false;
        function.parameters = described;
        for (std::int16_t j = 0; j < parameters; ++j) {
            std::int64_t const entry = record + length - parameter_size * (parameters - j);
            std::int32_t type = 0, name = 0, parameter_flags = 0;
            m_bytes.i32(entry, type);
            m_bytes.i32(entry + 4, name);
            m_bytes.i32(entry + 8, parameter_flags);
            described[j].flags = static_cast<USHORT>(parameter_flags & 0xFFFF);
            // Default values are not read, so a parameter that has one is not described.
            if ((described[j].flags & PARAMFLAG_FHASDEFAULT) != 0 || !read_type(type, described[j].type)
                || !read_name(name, described[j].name))
                return false;
        }
        return true;
    }

    TypeLibraryImage& m_image;
    Bytes m_bytes;
    Span m_segments[segment_count] {};
    std::int64_t m_directory {0};
    std::int32_t m_guid_offset {-1};
    std::int32_t m_name {-1};
    std::int32_t m_help_string {-1};
    std::int32_t m_help_file {-1};
    std::int32_t m_dispatch_reference {-1};
    unsigned m_library_pointer {4};
    bool m_short_of_memory {false};
};

TypeLibraryImage::~TypeLibraryImage()
{
    while (m_blocks != nullptr) {
        void* next = nullptr;
        std::memcpy(&next, m_blocks, sizeof next);
        platform::heap_free(m_blocks);
        m_blocks = next;
    }
}

void* TypeLibraryImage::allocate(std::size_t bytes)
{
    constexpr std::size_t alignment = alignof(std::max_align_t);
    constexpr std::size_t block_size = 4096;
    constexpr std::size_t link = (sizeof(void*) + alignment - 1) / alignment * alignment;
    if (bytes > SIZE_MAX / 2)
        return nullptr;
    bytes = (bytes + alignment - 1) / alignment * alignment;
    if (bytes > m_room) {
        std::size_t const size = link + (bytes > block_size ? bytes : block_size);
        auto* block = static_cast<unsigned char*>(platform::heap_allocate(size));
        if (block == nullptr)
            return nullptr;
        std::memcpy(block, &m_blocks, sizeof m_blocks);
        m_blocks = block;
        m_free = block + link;
        m_room = size - link;
    }
    void* memory = m_free;
    m_free += bytes;
    m_room -= bytes;
    return memory;
}

HRESULT TypeLibraryImage::read(unsigned char const* bytes, std::size_t length)
{
    m_bytes = HeapPtr<unsigned char>::allocate(length == 0 ? 1 : length);
    if (!m_bytes)
        return E_OUTOFMEMORY;
    if (length > 0)
        std::memcpy(m_bytes.get(), bytes, length);
    m_length = length;
    HRESULT const status = LibraryReading(*this, m_bytes.get(), m_length).run();
    if (FAILED(status))
        m_type_count = 0; // nothing half-read is ever described
    return status;
}

TypeDescription const* TypeLibraryImage::local_type(HREFTYPE reference, UINT* index) const
{
    if ((reference & 1) != 0 || static_cast<std::int32_t>(reference) < 0)
        return nullptr;
    HREFTYPE const offset = reference & ~HREFTYPE {3};
    if (offset % type_entry_size != 0 || offset / type_entry_size >= m_type_count)
        return nullptr;
    if (index != nullptr)
        *index = static_cast<UINT>(offset / type_entry_size);
    return m_types == nullptr ? nullptr : &m_types[offset / type_entry_size];
}

ImportedType const* TypeLibraryImage::imported_type(HREFTYPE reference) const
{
    if ((reference & 1) == 0 || static_cast<std::int32_t>(reference) < 0)
        return nullptr;
    HREFTYPE const offset = reference & ~HREFTYPE {3};
    if (offset % imported_type_entry_size != 0 || offset / imported_type_entry_size >= m_imported_type_count)
        return nullptr;
    return &m_imported_types[offset / imported_type_entry_size];
}

bool TypeLibraryImage::make_string(LibraryText text, BSTR& string) const
{
    string = nullptr;
    if (!text.present)
        return true;
    auto const* narrow = reinterpret_cast<char const*>(m_bytes.get() + text.offset);
    int const length = static_cast<int>(text.length);
    int const units = length == 0 ? 0 : platform::wide_from_narrow(narrow, length, nullptr, 0);
    string = SysAllocStringLen(nullptr, static_cast<UINT>(units));
    if (string == nullptr)
        return false;
    if (units > 0)
        platform::wide_from_narrow(narrow, length, string, units);
    return true;
}

} // namespace qmt::runtime

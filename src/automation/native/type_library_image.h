// A type library read from its binary format (the layout that widl and MIDL write, which
// begins with "MSFT") into a description of its own. The bytes are untrusted: every offset,
// count and length is checked against them, and a library that does not hold together is
// refused whole. Names and help texts stay in a copy of the bytes and become runtime
// strings only when asked for; everything else is read once, at loading.
#pragma once

#include "automation/native/type_library_abi.h"
#include "common/heap_ptr.h"

#include <cstddef>
#include <cstdint>

namespace qmt::runtime {

// A name or help text of the library: `length` bytes in the system's code page at `offset`
// of the library's bytes, or none.
struct LibraryText {
    std::uint32_t offset {0};
    std::uint32_t length {0};
    bool present {false};
};

struct ParameterDescription {
    LibraryText name;
    USHORT flags;
    TYPEDESC type;
};

struct FunctionDescription {
    MEMBERID memid;
    FUNCKIND kind;
    INVOKEKIND invoke_kind;
    CALLCONV calling_convention;
    WORD flags;
    SHORT optional_count; // -1: the last parameter takes the remaining arguments
    SHORT table_offset; // in this platform's pointer size
    DWORD help_context;
    LibraryText name;
    LibraryText help_string;
    TYPEDESC result;
    SHORT parameter_count;
    ParameterDescription const* parameters;
};

struct TypeDescription {
    TYPEKIND kind;
    GUID guid;
    WORD flags;
    WORD major_version;
    WORD minor_version;
    WORD alignment;
    ULONG instance_size;
    WORD table_size; // in this platform's pointer size
    WORD variable_count; // counted only: variables are not described
    DWORD help_context;
    LibraryText name;
    LibraryText help_string;
    TYPEDESC alias; // TKIND_ALIAS: the type it names
    WORD implemented_count;
    HREFTYPE const* implemented; // the base interface, or a class's interfaces
    INT const* implemented_flags;
    WORD function_count;
    FunctionDescription const* functions;
};

// A library that this one imports, known by name and identifier only: its file is not read.
struct ImportedLibrary {
    std::uint32_t offset; // in the import file table, as import references name it
    GUID guid;
    LCID lcid;
    WORD major_version;
    WORD minor_version;
    LibraryText file_name;
};

struct ImportedType {
    TYPEKIND kind;
    bool by_guid;
    GUID guid; // when by_guid
    INT index; // otherwise: its index in the imported library
    ImportedLibrary const* library;
};

class TypeLibraryImage {
public:
    TypeLibraryImage() = default;
    TypeLibraryImage(TypeLibraryImage const&) = delete;
    TypeLibraryImage& operator=(TypeLibraryImage const&) = delete;
    ~TypeLibraryImage();

    // Reads `length` bytes (copied). S_OK, E_OUTOFMEMORY, or TYPE_E_CANTLOADLIBRARY when
    // the bytes are no type library that this reader understands.
    HRESULT read(unsigned char const* bytes, std::size_t length);

    GUID guid {};
    LCID lcid {0};
    SYSKIND system {SYS_WIN32};
    WORD major_version {0};
    WORD minor_version {0};
    WORD flags {0};
    DWORD help_context {0};
    LibraryText name;
    LibraryText help_string;
    LibraryText help_file;
    HREFTYPE dispatch_reference {static_cast<HREFTYPE>(-1)}; // IDispatch, for dispatch interfaces

    UINT type_count() const { return m_type_count; }
    TypeDescription const& type(UINT index) const { return m_types[index]; }

    // The type that a reference names, or null. The two low bits of a reference mark an
    // imported type (1) and the interface side of a dual interface (2).
    TypeDescription const* local_type(HREFTYPE reference, UINT* index = nullptr) const;
    ImportedType const* imported_type(HREFTYPE reference) const;

    // The text as a new runtime string (null for none); false when memory is short.
    bool make_string(LibraryText text, BSTR& string) const;

private:
    friend class LibraryReading;
    void* allocate(std::size_t bytes);
    template<typename T>
    T* allocate_array(std::size_t count)
    {
        return count > SIZE_MAX / sizeof(T) ? nullptr : static_cast<T*>(allocate(count * sizeof(T)));
    }

    HeapPtr<unsigned char> m_bytes;
    std::size_t m_length {0};
    // The description lives in blocks freed together: m_blocks chains them.
    void* m_blocks {nullptr};
    unsigned char* m_free {nullptr};
    std::size_t m_room {0};

    UINT m_type_count {0};
    TypeDescription* m_types {nullptr};
    UINT m_import_count {0};
    ImportedLibrary* m_imports {nullptr};
    UINT m_imported_type_count {0};
    ImportedType* m_imported_types {nullptr};
    UINT m_descriptor_count {0};
    TYPEDESC* m_descriptors {nullptr};
};

} // namespace qmt::runtime

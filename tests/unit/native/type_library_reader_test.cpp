// The native runtime's own parts of type libraries: the reader refuses bytes that do not
// hold together, LoadTypeLib reads a library file and refuses files that carry none, and
// RegisterTypeLib/UnRegisterTypeLib lay out the directory registry as Windows lays out its
// registry.
#include "automation/automation.h"
#include "automation/native/type_library.h"
#include "quillmate/interfaces.h"
#include "quillmate/ref.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using quillmate::Ref;

std::vector<unsigned char> library_bytes()
{
    std::ifstream file(QMT_TYPELIB_FILE, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void put32(std::vector<unsigned char>& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(value >> (8 * i));
}

std::uint32_t get32(std::vector<unsigned char> const& bytes, std::size_t at)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | bytes[at + static_cast<std::size_t>(i)];
    return value;
}

HRESULT load(std::vector<unsigned char> const& bytes)
{
    Ref<ITypeLib> library;
    return qmt::runtime::TypeLibrary::load({bytes.data(), bytes.size()}, library.out());
}

// The library's own layout, as the tests below change it: the segment directory follows the
// header (0x54 bytes) and one word per type.
constexpr std::size_t segment_directory = 0x54 + 5 * 4;
constexpr std::size_t descriptor_segment = segment_directory + 9 * 16;
constexpr std::size_t type_segment = segment_directory;

TEST(TypeLibraryReader, TheLibraryAsBuiltIsRead) { EXPECT_EQ(load(library_bytes()), S_OK); }

TEST(TypeLibraryReader, BytesThatDoNotHoldTogetherAreRefusedWhole)
{
    std::vector<unsigned char> const built = library_bytes();
    std::size_t const types = get32(built, type_segment);
    std::size_t const descriptors = get32(built, descriptor_segment);
    std::size_t const first_members = get32(built, types + 4);
    struct Damage {
        char const* name;
        void (*apply)(std::vector<unsigned char>&, std::size_t types, std::size_t descriptors, std::size_t members);
    };
    Damage const damages[] = {
        {"NoSignature", [](auto& b, auto, auto, auto) { b[0] = 'X'; }},
        {"TooManyTypes", [](auto& b, auto, auto, auto) { put32(b, 0x20, 0x7FFFFFFF); }},
        {"SegmentBeyondTheEnd", [](auto& b, auto, auto, auto) { put32(b, type_segment + 4, 0x7FFFFF00); }},
        {"NameOutsideTheNameTable", [](auto& b, auto, auto, auto) { put32(b, 0x38, 0x7FFFFFF0); }},
        {"TypeOfUnknownKind", [](auto& b, auto t, auto, auto) { b[t] = 0x0F; }},
        {"PointerThatPointsToItself", [](auto& b, auto, auto d, auto) { put32(b, d + 3 * 8 + 4, 3 * 8); }},
        {"UserTypeThatNamesNoType", [](auto& b, auto, auto d, auto) { put32(b, d + 2 * 8 + 4, 17 * 0x64); }},
        {"MemberDataBeyondTheEnd", [](auto& b, auto t, auto, auto) { put32(b, t + 4, 0x7FFFFF00); }},
        {"RecordLongerThanTheMemberData", [](auto& b, auto, auto, auto m) { put32(b, m + 4, 0xFFFF); }},
        {"MoreParametersThanTheRecordHolds", [](auto& b, auto, auto, auto m) { b[m + 4 + 20] = 0x7F; }},
        {"ParameterWithADefaultValue",
         [](auto& b, auto, auto, auto m) {
             std::size_t const record_length = get32(b, m + 4) & 0xFFFF;
             b[m + 4 + record_length - 4] |= PARAMFLAG_FHASDEFAULT;
         }},
    };
    for (Damage const& damage : damages) {
        std::vector<unsigned char> bytes = built;
        damage.apply(bytes, types, descriptors, first_members);
        EXPECT_EQ(load(bytes), TYPE_E_CANTLOADLIBRARY) << damage.name;
    }
    // Every part of the file is needed: cut anywhere, it is refused.
    for (std::size_t length = 0; length < built.size(); ++length)
        EXPECT_EQ(load({built.begin(), built.begin() + static_cast<std::ptrdiff_t>(length)}), TYPE_E_CANTLOADLIBRARY)
            << "cut to " << length << " bytes";
}

HRESULT load_file(std::u16string const& path)
{
    Ref<ITypeLib> library;
    HRESULT const status = LoadTypeLib(path.c_str(), library.out());
    EXPECT_EQ(status == S_OK, static_cast<bool>(library));
    return status;
}

std::u16string wide_path(fs::path const& path)
{
    std::string const narrow = path.string();
    return {narrow.begin(), narrow.end()};
}

TEST(LoadTypeLib, ReadsALibraryFileAndRefusesFilesWithoutOne)
{
    EXPECT_EQ(load_file(wide_path(QMT_TYPELIB_FILE)), S_OK);
    EXPECT_EQ(load_file(wide_path(fs::path(QMT_TYPELIB_FILE).parent_path() / "missing.tlb")), TYPE_E_CANTLOADLIBRARY);
    // A program of this build that carries no library, and a file that is none.
    fs::path const tests = fs::canonical("/proc/self/exe").parent_path();
    EXPECT_EQ(load_file(wide_path(tests / QMT_MODULE_PATH_HELPER)), TYPE_E_CANTLOADLIBRARY);
    EXPECT_EQ(load_file(wide_path(fs::path(QMT_TYPELIB_FILE).parent_path() / "qmtlib.idl")), TYPE_E_CANTLOADLIBRARY);
}

class TypeLibraryRegistration : public testing::Test {
protected:
    void SetUp() override
    {
        if (char const* previous = std::getenv("QUILLMATE_REGISTRY"))
            m_previous_root = previous;
        std::string pattern = (fs::temp_directory_path() / "qmt-typelib-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_root = pattern;
        fs::create_directories(m_root / "HKEY_CLASSES_ROOT");
        ::setenv("QUILLMATE_REGISTRY", m_root.c_str(), 1);
        ASSERT_EQ(LoadTypeLib(wide_path(QMT_TYPELIB_FILE).c_str(), library.out()), S_OK);
    }
    void TearDown() override
    {
        if (m_previous_root)
            ::setenv("QUILLMATE_REGISTRY", m_previous_root->c_str(), 1);
        else
            ::unsetenv("QUILLMATE_REGISTRY");
        std::error_code ignored;
        fs::remove_all(m_root, ignored);
    }

    fs::path key(std::string const& below_library) const
    {
        return m_root / "HKEY_CLASSES_ROOT/TypeLib/{B7404BB6-CB55-4FAA-B83B-2C9FB2F86553}" / below_library;
    }
    static std::optional<std::string> value(fs::path const& key)
    {
        std::ifstream file(key / "@", std::ios::binary);
        if (!file)
            return std::nullopt;
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    HRESULT register_from(std::u16string path) { return RegisterTypeLib(library.get(), path.data(), nullptr); }

    Ref<ITypeLib> library;

private:
    std::optional<std::string> m_previous_root;
    fs::path m_root;
};

TEST_F(TypeLibraryRegistration, KeysAreLaidOutAsWindowsLaysThemOut)
{
    ASSERT_EQ(register_from(u"/srv/first/quillmate"), S_OK);
    EXPECT_EQ(value(key("1.0")), "Quillmate\n");
    EXPECT_EQ(value(key("1.0/0/win32")), "/srv/first/quillmate\n");
    EXPECT_EQ(value(key("1.0/FLAGS")), "0\n"); // the library's own flags, not this copy's
    EXPECT_EQ(value(key("1.0/HELPDIR")), "/srv/first\n");
    // Registering again rewrites the file, but a help folder once set stays.
    ASSERT_EQ(register_from(u"/srv/second/quillmate"), S_OK);
    EXPECT_EQ(value(key("1.0/0/win32")), "/srv/second/quillmate\n");
    EXPECT_EQ(value(key("1.0/HELPDIR")), "/srv/first\n");
}

TEST_F(TypeLibraryRegistration, UnregisteringOneVersionKeepsTheOthers)
{
    ASSERT_EQ(register_from(u"/srv/quillmate"), S_OK);
    fs::create_directories(key("2.0/0/win32"));
    EXPECT_EQ(UnRegisterTypeLib(LIBID_QMTLib, 1, 0, 0, SYS_WIN32), S_OK);
    EXPECT_FALSE(fs::exists(key("1.0")));
    EXPECT_TRUE(fs::exists(key("2.0/0/win32")));
    EXPECT_EQ(UnRegisterTypeLib(LIBID_QMTLib, 1, 0, 0, SYS_WIN32), E_INVALIDARG); // not registered any more
    EXPECT_EQ(UnRegisterTypeLib(LIBID_QMTLib, 2, 0, 0, SYS_WIN32), S_OK);
    EXPECT_FALSE(fs::exists(key("")));
}

} // namespace

// Class lookup and object creation through the directory registry: every test builds its
// own registry in a fresh temporary directory and points QUILLMATE_REGISTRY at it.
#include "automation/creation.h"
#include "automation/machine_settings.h"
#include "automation/native/runtime_status.h"
#include "common/diagnostic_text.h"
#include "fixture_servers.h"
#include "gateway/class_allow_list.h"
#include "quillmate/com_abi.h"
#include "unit/native/fixtures/fixture_classes.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

constexpr char other_class_text[] = "{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}";
constexpr CLSID other_class = {0x0F1E2D3C, 0x4B5A, 0x6978, {0x87, 0x96, 0xA5, 0xB4, 0xC3, 0xD2, 0xE1, 0xF0}};

CLSID filled_clsid()
{
    CLSID clsid;
    std::memset(&clsid, 0xA5, sizeof clsid);
    return clsid;
}

bool is_null_clsid(CLSID const& clsid) { return clsid == CLSID {}; }

// Whether the process has the library loaded, without loading it.
bool is_loaded(char const* path)
{
    void* handle = ::dlopen(path, RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr)
        return false;
    ::dlclose(handle);
    return true;
}

// A test hook of a fixture server that the runtime currently holds loaded.
template<typename Hook>
Hook loaded_hook(char const* path, char const* name)
{
    void* handle = ::dlopen(path, RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr)
        return nullptr;
    void* symbol = ::dlsym(handle, name);
    ::dlclose(handle);
    return reinterpret_cast<Hook>(symbol);
}

int live_objects_in(char const* path)
{
    auto const hook = loaded_hook<LiveObjectsHook>(path, "fixture_live_objects");
    return hook == nullptr ? -1 : hook();
}

// One CoInitialize balanced by CoUninitialize, however the test ends.
class InitializedRuntime {
public:
    InitializedRuntime()
        : m_status(CoInitialize(nullptr))
    {
    }
    ~InitializedRuntime() { CoUninitialize(); }
    InitializedRuntime(InitializedRuntime const&) = delete;
    InitializedRuntime& operator=(InitializedRuntime const&) = delete;
    HRESULT status() const { return m_status; }

private:
    HRESULT m_status;
};

// Runs with another working directory until the end of the scope.
class WorkingDirectory {
public:
    explicit WorkingDirectory(fs::path const& directory)
        : m_previous(fs::current_path())
    {
        fs::current_path(directory);
    }
    ~WorkingDirectory() { fs::current_path(m_previous); }
    WorkingDirectory(WorkingDirectory const&) = delete;
    WorkingDirectory& operator=(WorkingDirectory const&) = delete;

private:
    fs::path m_previous;
};

class ClassRegistry : public testing::Test {
protected:
    void SetUp() override
    {
        if (char const* previous = std::getenv("QUILLMATE_REGISTRY"))
            m_previous_root = previous;
        std::string pattern = (fs::temp_directory_path() / "qmt-registry-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_directory = pattern;
        m_root = m_directory / "root";
        fs::create_directories(m_root / "HKEY_CLASSES_ROOT");
        ::setenv("QUILLMATE_REGISTRY", m_root.c_str(), 1);
    }

    void TearDown() override
    {
        if (m_previous_root)
            ::setenv("QUILLMATE_REGISTRY", m_previous_root->c_str(), 1);
        else
            ::unsetenv("QUILLMATE_REGISTRY");
        std::error_code ignored;
        fs::remove_all(m_directory, ignored);
    }

    fs::path const& root() const { return m_root; }
    fs::path scratch(char const* name) const { return m_directory / name; }
    fs::path classes_key(fs::path const& key) const { return m_root / "HKEY_CLASSES_ROOT" / key; }

    // Writes the default value of the key at `key_directory` (creating the key) exactly as given.
    static void write_value(fs::path const& key_directory, std::string const& content)
    {
        fs::create_directories(key_directory);
        std::ofstream(key_directory / "@", std::ios::binary) << content;
    }

    void register_progid(char const* progid_utf8, std::string const& clsid_value)
    {
        write_value(classes_key(fs::path(progid_utf8) / "CLSID"), clsid_value);
    }

    void register_server(char const* clsid_text, std::string const& library_path)
    {
        write_value(classes_key(fs::path("CLSID") / clsid_text / "InprocServer32"), library_path + "\n");
    }

private:
    std::optional<std::string> m_previous_root;
    fs::path m_directory;
    fs::path m_root;
};

// --- Class identifier text -------------------------------------------------------------

TEST(ClassIdentifierText, RegistryFormParsesInEitherLetterCase)
{
    CLSID clsid = filled_clsid();
    EXPECT_EQ(CLSIDFromString(u"{5A1C0E21-3B7D-4E0A-9C61-27D48E10B35F}", &clsid), S_OK);
    EXPECT_EQ(clsid, greeter_class);
    clsid = filled_clsid();
    EXPECT_EQ(CLSIDFromString(u"{5a1c0e21-3b7d-4e0a-9c61-27d48e10b35f}", &clsid), S_OK);
    EXPECT_EQ(clsid, greeter_class);
}

TEST(ClassIdentifierText, AnythingButTheExactFormIsRejectedAndLeavesTheNullClass)
{
    char16_t const* const malformed[] = {
        u"",
        u"5A1C0E21-3B7D-4E0A-9C61-27D48E10B35F", // no braces
        u"{5A1C0E21-3B7D-4E0A-9C61-27D48E10B35F", // no closing brace
        u"{5A1C0E21-3B7D-4E0A-9C61-27D48E10B35F}x", // trailing text
        u" {5A1C0E21-3B7D-4E0A-9C61-27D48E10B35F}", // leading space
        u"{5A1C0E21-3B7D-4E0A-9C61-27D48E10B35}", // one digit short
        u"{5A1C0E21-3B7D-4E0A-9C6127D48E10B35F0}", // hyphen missing, digit added
        u"{5A1C0E21-3B7D-4E0A-9C61-27D48E10B35G}", // not a hex digit
        u"{5A1C0E21+3B7D-4E0A-9C61-27D48E10B35F}", // wrong separator
        u"{5A1C0E2-13B7D-4E0A-9C61-27D48E10B35F}", // hyphen moved
        u"{\uFF15A1C0E21-3B7D-4E0A-9C61-27D48E10B35F}", // a wide digit is no digit
        u"Shop.Catalog", // a ProgID is not class identifier text
    };
    for (std::size_t i = 0; i < std::size(malformed); ++i) {
        CLSID clsid = filled_clsid();
        EXPECT_EQ(CLSIDFromString(malformed[i], &clsid), CO_E_CLASSSTRING) << "text #" << i;
        EXPECT_TRUE(is_null_clsid(clsid)) << "text #" << i;
    }
}

TEST(ClassIdentifierText, NoTextIsTheNullClassAndNoDestinationIsRefused)
{
    CLSID clsid = filled_clsid();
    EXPECT_EQ(CLSIDFromString(nullptr, &clsid), S_OK);
    EXPECT_TRUE(is_null_clsid(clsid));
    EXPECT_EQ(CLSIDFromString(u"{5A1C0E21-3B7D-4E0A-9C61-27D48E10B35F}", nullptr), E_INVALIDARG);
}

// --- Programmatic names -----------------------------------------------------------------

TEST_F(ClassRegistry, ProgIdGivesTheRegisteredClassWithOrWithoutOneTrailingLineFeed)
{
    register_progid("Shop.Catalog", greeter_class_text);
    register_progid("Shop.Basket", std::string(greeter_class_text) + "\n");
    for (char16_t const* progid : {u"Shop.Catalog", u"Shop.Basket"}) {
        CLSID clsid = filled_clsid();
        EXPECT_EQ(CLSIDFromProgID(progid, &clsid), S_OK);
        EXPECT_EQ(clsid, greeter_class);
    }
}

TEST_F(ClassRegistry, ProgIdIsLookedUpUnderItsUtf8Name)
{
    register_progid("Caf\xC3\xA9.\xF0\x9F\x8D\xB0", other_class_text);
    CLSID clsid = filled_clsid();
    EXPECT_EQ(CLSIDFromProgID(u"Caf\u00E9.\U0001F370", &clsid), S_OK);
    EXPECT_EQ(clsid, other_class);
}

TEST_F(ClassRegistry, ProgIdsAreCaseSensitiveKeyNames)
{
    register_progid("Shop.Catalog", greeter_class_text);
    CLSID clsid = filled_clsid();
    EXPECT_EQ(CLSIDFromProgID(u"shop.catalog", &clsid), CO_E_CLASSSTRING);
}

TEST_F(ClassRegistry, ProgIdWithoutKeyOrClsidSubkeyOrValueIsNotRegistered)
{
    fs::create_directories(classes_key("NoClsidSubkey"));
    fs::create_directories(classes_key("NoValue/CLSID"));
    fs::create_directories(classes_key("ValueIsDirectory/CLSID/@"));
    // A FIFO is no value either, and the lookup must not wait for a writer to open it.
    fs::create_directories(classes_key("ValueIsFifo/CLSID"));
    ASSERT_EQ(::mkfifo((classes_key("ValueIsFifo/CLSID") / "@").c_str(), 0600), 0);
    for (char16_t const* progid : {u"Missing.Key", u"NoClsidSubkey", u"NoValue", u"ValueIsDirectory", u"ValueIsFifo"}) {
        CLSID clsid = filled_clsid();
        EXPECT_EQ(CLSIDFromProgID(progid, &clsid), CO_E_CLASSSTRING);
        EXPECT_TRUE(is_null_clsid(clsid));
    }
}

TEST_F(ClassRegistry, MalformedClassTextUnderProgIdIsRejectedAndDescribedWhole)
{
    std::string const text = greeter_class_text;
    std::string const long_text(100, 'x'); // more than a class identifier's room: read again to be quoted
    std::string const unusable = ", not a class identifier {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}";
    struct Row {
        char const* progid;
        std::string value;
        std::string described; // between "...\\CLSID " and " (<path>/@)"
    };
    Row const rows[] = {
        {"TwoLineFeeds", text + "\n\n", "is \"" + text + "\\x0A\"" + unusable},
        {"CarriageReturn", text + "\r\n", "is \"" + text + "\\x0D\"" + unusable},
        {"LeadingSpace", " " + text, "is \" " + text + "\"" + unusable},
        {"NoBraces", text.substr(1, 36), "is \"" + text.substr(1, 36) + "\"" + unusable},
        {"Empty", "", "is \"\"" + unusable},
        {"Long", long_text + "\n", "is \"" + long_text + "\"" + unusable},
        {"EmbeddedZero", text.substr(0, 10) + std::string(1, '\0') + text.substr(11), "cannot be read"},
        {"LongerThanAPath", std::string(PATH_MAX, 'x'), "cannot be read"},
    };
    for (Row const& row : rows)
        register_progid(row.progid, row.value);
    fs::create_directories(classes_key("WithoutValue/CLSID"));
    for (Row const& row : rows) {
        std::u16string const progid(row.progid, row.progid + std::strlen(row.progid));
        CLSID clsid = filled_clsid();
        EXPECT_EQ(CLSIDFromProgID(progid.c_str(), &clsid), CO_E_CLASSSTRING) << row.progid;
        EXPECT_TRUE(is_null_clsid(clsid)) << row.progid;
        qmt::DiagnosticText cause;
        EXPECT_EQ(qmt::class_id_from_name(progid.c_str(), clsid, cause), CO_E_CLASSSTRING) << row.progid;
        std::string const key = std::string("HKEY_CLASSES_ROOT/") + row.progid + "/CLSID/@";
        EXPECT_EQ(cause.view(),
                  std::string("registry value HKEY_CLASSES_ROOT\\") + row.progid + "\\CLSID " + row.described + " ("
                      + (root() / key).string() + ")");
    }
    qmt::DiagnosticText cause;
    CLSID clsid;
    EXPECT_EQ(qmt::class_id_from_name(u"WithoutValue", clsid, cause), CO_E_CLASSSTRING);
    EXPECT_EQ(cause.view(),
              "registry value HKEY_CLASSES_ROOT\\WithoutValue\\CLSID is missing ("
                  + (root() / "HKEY_CLASSES_ROOT/WithoutValue/CLSID/@").string() + ")");
}

TEST_F(ClassRegistry, NullOrEmptyProgIdFails)
{
    CLSID clsid = filled_clsid();
    EXPECT_EQ(CLSIDFromProgID(nullptr, &clsid), E_INVALIDARG);
    EXPECT_EQ(CLSIDFromProgID(u"", &clsid), CO_E_CLASSSTRING);
    EXPECT_TRUE(is_null_clsid(clsid));
    EXPECT_EQ(CLSIDFromProgID(u"Shop.Catalog", nullptr), E_INVALIDARG);
}

TEST_F(ClassRegistry, ProgIdsThatWouldLeaveTheClassesRootAreNotRegistered)
{
    // Each of these names would find a well-formed value if it were used as a path.
    write_value(root() / "CLSID", greeter_class_text); // "..": <root>/HKEY_CLASSES_ROOT/../CLSID
    write_value(classes_key("CLSID"), greeter_class_text); // ".": HKEY_CLASSES_ROOT/./CLSID
    write_value(root() / "outside/CLSID", greeter_class_text);
    register_progid("Shop/Catalog", greeter_class_text);
    register_progid("Shop\\Catalog", greeter_class_text);
    for (char16_t const* progid : {u"..", u".", u"../outside", u"Shop/Catalog", u"Shop\\Catalog"}) {
        CLSID clsid = filled_clsid();
        EXPECT_EQ(CLSIDFromProgID(progid, &clsid), CO_E_CLASSSTRING);
        EXPECT_TRUE(is_null_clsid(clsid));
    }
}

// --- Object creation --------------------------------------------------------------------

TEST_F(ClassRegistry, CreatedObjectHoldsOneReferenceAndRunsWithTheExecutablesRuntime)
{
    register_progid("Shop.Catalog", greeter_class_text);
    register_server(greeter_class_text, QMT_FIXTURE_GREETER_SERVER);
    InitializedRuntime runtime;

    CLSID clsid {};
    ASSERT_EQ(CLSIDFromProgID(u"Shop.Catalog", &clsid), S_OK);
    void* object = nullptr;
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, &object), S_OK);
    ASSERT_NE(object, nullptr);
    auto* dispatch = static_cast<IDispatch*>(object);

    EXPECT_EQ(dispatch->AddRef(), 2u);
    EXPECT_EQ(dispatch->Release(), 1u);
    // The object is all that is left: the class factory was released.
    EXPECT_EQ(live_objects_in(QMT_FIXTURE_GREETER_SERVER), 1);

    OLECHAR name[] = u"Greet";
    LPOLESTR names[] = {name};
    DISPID dispid = DISPID_UNKNOWN;
    ASSERT_EQ(dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &dispid), S_OK);
    DISPPARAMS no_arguments {nullptr, nullptr, 0, 0};
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(dispatch->Invoke(dispid, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_METHOD, &no_arguments, &result,
                               nullptr, nullptr),
              S_OK);
    ASSERT_EQ(result.vt, VT_BSTR);
    EXPECT_EQ(std::u16string(result.bstrVal, SysStringLen(result.bstrVal)), greeting);
    VariantClear(&result);

    // The server found its runtime functions in this executable rather than in a copy of its own.
    auto const allocator = loaded_hook<StringAllocatorHook>(QMT_FIXTURE_GREETER_SERVER, "fixture_string_allocator");
    ASSERT_NE(allocator, nullptr);
    EXPECT_EQ(allocator(), &SysAllocString);

    EXPECT_EQ(dispatch->Release(), 0u);
    EXPECT_EQ(live_objects_in(QMT_FIXTURE_GREETER_SERVER), 0);
}

TEST_F(ClassRegistry, LastUninitializeUnloadsTheServerAndANewSessionLoadsItAgain)
{
    register_server(greeter_class_text, QMT_FIXTURE_GREETER_SERVER);
    ASSERT_FALSE(is_loaded(QMT_FIXTURE_GREETER_SERVER));
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    ASSERT_EQ(CoInitialize(nullptr), S_FALSE);

    for (int round = 0; round < 2; ++round) {
        IDispatch* dispatch = nullptr;
        ASSERT_EQ(CoCreateInstance(greeter_class, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                   reinterpret_cast<void**>(&dispatch)),
                  S_OK);
        EXPECT_EQ(dispatch->Release(), 0u);
    }
    EXPECT_TRUE(is_loaded(QMT_FIXTURE_GREETER_SERVER));
    CoUninitialize();
    EXPECT_TRUE(is_loaded(QMT_FIXTURE_GREETER_SERVER)) << "unloaded before the last CoUninitialize";
    CoUninitialize();
    EXPECT_FALSE(is_loaded(QMT_FIXTURE_GREETER_SERVER));

    InitializedRuntime runtime;
    EXPECT_EQ(runtime.status(), S_OK);
    IDispatch* dispatch = nullptr;
    ASSERT_EQ(CoCreateInstance(greeter_class, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                               reinterpret_cast<void**>(&dispatch)),
              S_OK);
    EXPECT_EQ(dispatch->Release(), 0u);
}

TEST_F(ClassRegistry, UnbalancedUninitializeIsIgnored)
{
    CoUninitialize();
    InitializedRuntime runtime;
    EXPECT_EQ(runtime.status(), S_OK);
}

TEST_F(ClassRegistry, CreationArgumentsAreCheckedBeforeAnythingIsLoaded)
{
    register_server(greeter_class_text, QMT_FIXTURE_GREETER_SERVER);
    int sentinel = 0;
    void* object = &sentinel;
    EXPECT_EQ(CoCreateInstance(greeter_class, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, &object),
              CO_E_NOTINITIALIZED);
    EXPECT_EQ(object, nullptr);

    InitializedRuntime runtime;
    EXPECT_EQ(CoCreateInstance(greeter_class, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, nullptr), E_POINTER);

    IUnknown* outer = reinterpret_cast<IUnknown*>(&sentinel); // never called
    object = &sentinel;
    EXPECT_EQ(CoCreateInstance(greeter_class, outer, CLSCTX_INPROC_SERVER, IID_IDispatch, &object),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(object, nullptr);

    constexpr DWORD local_server = 4; // CLSCTX_LOCAL_SERVER
    object = &sentinel;
    EXPECT_EQ(CoCreateInstance(greeter_class, nullptr, local_server, IID_IDispatch, &object), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(object, nullptr);
    EXPECT_FALSE(is_loaded(QMT_FIXTURE_GREETER_SERVER));
}

TEST_F(ClassRegistry, ClassWithoutInprocServerIsNotRegistered)
{
    fs::create_directories(classes_key(fs::path("CLSID") / other_class_text)); // no InprocServer32
    fs::create_directories(classes_key(fs::path("CLSID") / greeter_class_text / "InprocServer32")); // no value
    InitializedRuntime runtime;
    CLSID const unknown_class = {0x12345678, 0x9ABC, 0xDEF0, {1, 2, 3, 4, 5, 6, 7, 8}};
    for (CLSID const& clsid : {unknown_class, other_class, greeter_class}) {
        int sentinel = 0;
        void* object = &sentinel;
        EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, &object), REGDB_E_CLASSNOTREG);
        EXPECT_EQ(object, nullptr);
    }
}

TEST_F(ClassRegistry, ServerPathThatCannotBeLoadedFailsByCause)
{
    InitializedRuntime runtime;
    void* object = nullptr;

    register_server(greeter_class_text, scratch("missing.so").string());
    EXPECT_EQ(CoCreateInstance(greeter_class, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, &object), CO_E_DLLNOTFOUND);

    // A relative path would depend on the working directory or the loader's search path:
    // it is never loaded, even where it would name the working server.
    {
        fs::path const server(QMT_FIXTURE_GREETER_SERVER);
        WorkingDirectory const in_server_directory(server.parent_path());
        for (fs::path const& relative : {fs::path(".") / server.filename(), server.filename()}) {
            register_server(greeter_class_text, relative.string());
            EXPECT_EQ(CoCreateInstance(greeter_class, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, &object),
                      CO_E_DLLNOTFOUND);
        }
        EXPECT_FALSE(is_loaded(QMT_FIXTURE_GREETER_SERVER));
    }

    // A FIFO would keep the loader waiting for a writer: it is no library, and never opened.
    ASSERT_EQ(::mkfifo(scratch("fifo.so").c_str(), 0600), 0);
    register_server(greeter_class_text, scratch("fifo.so").string());
    EXPECT_EQ(CoCreateInstance(greeter_class, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, &object), CO_E_ERRORINDLL);

    std::ofstream(scratch("text.so")) << "not a shared library\n";
    register_server(greeter_class_text, scratch("text.so").string());
    EXPECT_EQ(CoCreateInstance(greeter_class, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, &object), CO_E_ERRORINDLL);
    EXPECT_EQ(object, nullptr);
}

TEST_F(ClassRegistry, ServerValueThatCannotServeAsAPathIsAReadFailure)
{
    // The longest value that still opens as a path: one byte short of the system's limit.
    std::string const longest = "/" + std::string(PATH_MAX - 2, 'a');
    struct Row {
        char const* what;
        std::string value;
        HRESULT status;
    };
    Row const rows[] = {
        {"the longest value, with its line feed", longest + "\n", CO_E_DLLNOTFOUND},
        {"one byte longer", longest + "a", REGDB_E_READREGDB},
        {"one byte longer, with a line feed", longest + "a\n", REGDB_E_READREGDB},
        {"a zero byte inside", std::string("/srv/objects/a\0b.so", 19), REGDB_E_READREGDB},
    };
    InitializedRuntime runtime;
    for (Row const& row : rows) {
        write_value(classes_key(fs::path("CLSID") / greeter_class_text / "InprocServer32"), row.value);
        int sentinel = 0;
        void* object = &sentinel;
        EXPECT_EQ(CoCreateInstance(greeter_class, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, &object), row.status)
            << row.what;
        EXPECT_EQ(object, nullptr) << row.what;
    }
}

TEST_F(ClassRegistry, LibraryWithoutClassObjectExportFailsAndIsUnloadedAtOnce)
{
    register_server(greeter_class_text, QMT_FIXTURE_NO_CLASS_OBJECT_SERVER);
    InitializedRuntime runtime;
    void* object = nullptr;
    EXPECT_EQ(CoCreateInstance(greeter_class, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, &object),
              QMT_E_PROC_NOT_FOUND);
    EXPECT_EQ(object, nullptr);
    EXPECT_FALSE(is_loaded(QMT_FIXTURE_NO_CLASS_OBJECT_SERVER));
}

TEST_F(ClassRegistry, ClassObjectFailurePassesOnTheServersStatus)
{
    register_server(greeter_class_text, QMT_FIXTURE_FAILING_SERVER);
    // The working server, registered for a class it does not serve: the runtime must ask
    // for the class it was given.
    register_server(other_class_text, QMT_FIXTURE_GREETER_SERVER);
    InitializedRuntime runtime;
    for (CLSID const& clsid : {greeter_class, other_class}) {
        int sentinel = 0;
        void* object = &sentinel;
        EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, &object),
                  CLASS_E_CLASSNOTAVAILABLE);
        EXPECT_EQ(object, nullptr);
    }
}

TEST_F(ClassRegistry, FactoryRefusingTheInterfacePassesOnItsStatusAndIsReleased)
{
    register_server(greeter_class_text, QMT_FIXTURE_REFUSING_SERVER);
    InitializedRuntime runtime;
    int sentinel = 0;
    void* object = &sentinel;
    EXPECT_EQ(CoCreateInstance(greeter_class, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(live_objects_in(QMT_FIXTURE_REFUSING_SERVER), 0);

    // The same factory still makes the object for an interface it accepts.
    ASSERT_EQ(CoCreateInstance(greeter_class, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object), S_OK);
    EXPECT_EQ(static_cast<IUnknown*>(object)->Release(), 0u);
}

TEST_F(ClassRegistry, FactoryFailingWithAnObjectPassesOnItsStatusAndTheObjectIsReleased)
{
    register_server(greeter_class_text, QMT_FIXTURE_CARELESS_SERVER);
    InitializedRuntime runtime;
    int sentinel = 0;
    void* object = &sentinel;
    EXPECT_EQ(CoCreateInstance(greeter_class, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, &object), E_FAIL);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(live_objects_in(QMT_FIXTURE_CARELESS_SERVER), 0);
}

// --- Machine settings and the allow-list ------------------------------------------------

TEST_F(ClassRegistry, AllowListsOfTheRegistryAndTheEnvironmentMustBothNameAClass)
{
    using qmt::ClassAccess;
    EXPECT_EQ(qmt::class_access(u"Any.Class"), ClassAccess::allowed); // no list: every class

    write_value(root() / "HKEY_LOCAL_MACHINE" / "SOFTWARE" / "Quillmate" / "AllowedClasses",
                "Shop.Catalog\nShop.Basket\n");
    char text[64];
    std::size_t length = 0;
    ASSERT_EQ(qmt::read_machine_setting(qmt::allowed_classes_key, text, sizeof text, length),
              qmt::SettingStatus::found);
    EXPECT_EQ(std::string(text, length), "Shop.Catalog\nShop.Basket");
    EXPECT_EQ(qmt::class_access(u"Shop.Basket"), ClassAccess::allowed);
    EXPECT_EQ(qmt::class_access(u"shop.basket"), ClassAccess::refused);
    EXPECT_EQ(qmt::class_access(u"Any.Class"), ClassAccess::refused);

    ::setenv(qmt::allowed_classes_variable, "Shop.Catalog Any.Class", 1);
    EXPECT_EQ(qmt::class_access(u"Shop.Catalog"), ClassAccess::allowed);
    EXPECT_EQ(qmt::class_access(u"Shop.Basket"), ClassAccess::refused); // the environment leaves it out
    EXPECT_EQ(qmt::class_access(u"Any.Class"), ClassAccess::refused); // the registry leaves it out
    ::unsetenv(qmt::allowed_classes_variable);

    // A list that is there but cannot be read allows nothing.
    write_value(root() / "HKEY_LOCAL_MACHINE" / "SOFTWARE" / "Quillmate" / "AllowedClasses",
                std::string("Shop.Catalog\0", 13));
    EXPECT_EQ(qmt::class_access(u"Shop.Catalog"), ClassAccess::refused);
}

} // namespace

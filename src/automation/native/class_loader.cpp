// Object creation through in-process servers: the class's InprocServer32 key names a
// shared library, whose DllGetClassObject hands out the class factory. The library stays
// loaded until the runtime shuts down (the last CoUninitialize).
#include "automation/creation.h"
#include "automation/native/class_lookup.h"
#include "automation/native/directory_registry.h"
#include "automation/native/elf_section.h"
#include "automation/native/guid_text.h"
#include "automation/native/loaded_libraries.h"
#include "automation/native/runtime_session.h"
#include "automation/native/runtime_status.h"
#include "platform/file.h"
#include "platform/file_system.h"
#include "platform/shared_library.h"
#include "quillmate/com_abi.h"

#include <cstring>
#include <string_view>
#include <utility>

namespace qmt::runtime {
namespace {

using ClassObjectGetter = HRESULT(STDAPICALLTYPE*)(REFCLSID rclsid, REFIID riid, LPVOID* ppv);

constexpr char class_object_export[] = "DllGetClassObject";

// Whatever an object's creator hands out is released, whatever status came with it.
void release_if_any(void* object)
{
    if (object != nullptr)
        static_cast<IUnknown*>(object)->Release();
}

} // namespace

HRESULT find_server(REFCLSID clsid, KeyValue& path, DiagnosticText* cause)
{
    char clsid_text[guid_text_length + 1];
    format_guid_text(clsid, clsid_text);
    KeyPath key = KeyPath::classes_root();
    key.subkey("CLSID").subkey(clsid_text).subkey("InprocServer32");
    ValueStatus const read = read_default_value(key, path);
    // A relative name would make the loader search its library path: never load that.
    bool const absolute = read == ValueStatus::found && path.length > 0 && path.text[0] == '/';
    if (absolute)
        return S_OK;
    if (cause != nullptr) {
        cause->add("registry value HKEY_CLASSES_ROOT\\CLSID\\").add(clsid_text).add("\\InprocServer32 ");
        if (read == ValueStatus::found)
            cause->add("is ").add_quoted(path.view()).add(", not an absolute path");
        else
            cause->add(read == ValueStatus::missing ? "is missing" : "cannot be read");
        cause->add(" (").add(key.c_str()).add("/@)");
    }
    switch (read) {
    case ValueStatus::found:
        return CO_E_DLLNOTFOUND;
    case ValueStatus::missing:
        return REGDB_E_CLASSNOTREG;
    case ValueStatus::unreadable:
        break;
    }
    return REGDB_E_READREGDB;
}

namespace {

// The loader's words, without the path it repeats at their start.
void add_loader_error(DiagnosticText& cause, char const* path)
{
    char const* said = platform::SharedLibrary::last_error();
    std::string_view words = said != nullptr ? said : "the loader gives no reason";
    std::size_t const length = std::strlen(path);
    if (words.size() > length + 2 && words.compare(0, length, path) == 0 && words.compare(length, 2, ": ") == 0)
        words.remove_prefix(length + 2);
    cause.add(words);
}

HRESULT load_server(char const* path, platform::SharedLibrary& library, DiagnosticText* cause)
{
    // Loading a FIFO or a device would wait for a writer or act on the device: only a
    // regular file is loaded.
    bool const regular = platform::is_regular_file(path);
    if (regular)
        library = platform::SharedLibrary::open(path);
    if (library)
        return S_OK;
    bool const exists = platform::path_exists(path);
    if (cause != nullptr) {
        cause->add("load ").add(path).add(": ");
        if (!exists)
            cause->add("no such file");
        else if (!regular)
            cause->add("not a regular file");
        else
            add_loader_error(*cause, path);
    }
    return exists ? CO_E_ERRORINDLL : CO_E_DLLNOTFOUND;
}

} // namespace

namespace {

// The server's library loaded and kept loaded until the runtime shuts down, and its
// DllGetClassObject.
HRESULT load_class_object_getter(char const* path, ClassObjectGetter& get_class_object, DiagnosticText* cause)
{
    platform::SharedLibrary library;
    HRESULT const loaded = load_server(path, library, cause);
    if (FAILED(loaded))
        return loaded;
    get_class_object = reinterpret_cast<ClassObjectGetter>(library.symbol(class_object_export));
    if (get_class_object == nullptr) {
        if (cause != nullptr) {
            cause->add(path).add(" does not export DllGetClassObject");
            char mangled[256];
            std::size_t const length = find_mangled_class_object_export(path, mangled, sizeof mangled);
            if (length > 0)
                cause->add("; it exports the C++ name ")
                    .add(std::string_view(mangled, length))
                    .add(" instead: declare the function extern \"C\"");
        }
        return QMT_E_PROC_NOT_FOUND; // not a server: unloaded again with `library`
    }
    if (!runtime_session().libraries().keep(std::move(library)))
        return E_OUTOFMEMORY;
    return S_OK;
}

HRESULT class_factory_from(ClassObjectGetter get_class_object, REFCLSID clsid, char const* path,
                           IClassFactory** factory, DiagnosticText* cause)
{
    void* object = nullptr;
    HRESULT const status = get_class_object(clsid, IID_IClassFactory, &object);
    if (FAILED(status) || object == nullptr) {
        release_if_any(object); // a server that fails and hands out an object all the same
        if (cause != nullptr) {
            cause->add("DllGetClassObject of ").add(path).add(" returned ").add_status(status);
            if (status == CLASS_E_CLASSNOTAVAILABLE) {
                char clsid_text[guid_text_length + 1];
                format_guid_text(clsid, clsid_text);
                cause->add(": the library does not serve the class ").add(clsid_text);
            } else if (SUCCEEDED(status)) {
                cause->add(" without a class factory");
            }
        }
        return FAILED(status) ? status : E_UNEXPECTED;
    }
    *factory = static_cast<IClassFactory*>(object);
    return S_OK;
}

HRESULT instance_from_factory(IClassFactory* factory, REFIID iid, char const* path, void** object,
                              DiagnosticText* cause)
{
    void* created = nullptr;
    HRESULT const status = factory->CreateInstance(nullptr, iid, &created);
    factory->Release();
    if (FAILED(status) || created == nullptr) {
        release_if_any(created);
        if (cause != nullptr) {
            cause->add("the class factory of ").add(path).add(" returned ").add_status(status);
            if (status == E_NOINTERFACE && IsEqualIID(iid, IID_IDispatch))
                cause->add(": the object does not answer for IDispatch");
            else if (SUCCEEDED(status))
                cause->add(" without an object");
        }
        return FAILED(status) ? status : E_UNEXPECTED;
    }
    *object = created;
    return status;
}

} // namespace

HRESULT get_class_factory(REFCLSID clsid, char const* path, IClassFactory** factory, DiagnosticText* cause)
{
    ClassObjectGetter get_class_object = nullptr;
    HRESULT const loaded = load_class_object_getter(path, get_class_object, cause);
    if (FAILED(loaded))
        return loaded;
    return class_factory_from(get_class_object, clsid, path, factory, cause);
}

HRESULT create_instance(REFCLSID clsid, REFIID iid, void** object, DiagnosticText* cause)
{
    KeyValue path;
    HRESULT status = find_server(clsid, path, cause);
    if (FAILED(status))
        return status;
    IClassFactory* factory = nullptr;
    status = get_class_factory(clsid, path.text, &factory, cause);
    if (FAILED(status))
        return status;
    return instance_from_factory(factory, iid, path.text, object, cause);
}

std::size_t find_mangled_class_object_export(char const* path, char* name, std::size_t capacity)
{
    platform::File const file = platform::File::open_for_reading(path);
    std::uint64_t const size = file.size().value_or(0);
    if (size == 0)
        return 0;
    platform::FileView const view = platform::FileView::map_read_only(file, 0, size);
    if (!view.is_mapped())
        return 0;
    std::span<unsigned char const> const names
        = find_elf_section({view.data(), static_cast<std::size_t>(view.length())}, ".dynstr");
    std::string_view const table(reinterpret_cast<char const*>(names.data()), names.size());
    for (std::size_t start = 0; start < table.size();) {
        std::size_t end = table.find('\0', start);
        end = end == std::string_view::npos ? table.size() : end;
        std::string_view const symbol = table.substr(start, end - start);
        if (symbol != class_object_export && symbol.find(class_object_export) != std::string_view::npos
            && symbol.size() <= capacity) {
            std::memcpy(name, symbol.data(), symbol.size());
            return symbol.size();
        }
        start = end + 1;
    }
    return 0;
}

} // namespace qmt::runtime

QMT_RUNTIME_EXPORT HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext, REFIID riid,
                                            LPVOID* ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (pUnkOuter != nullptr)
        return CLASS_E_NOAGGREGATION;
    if (!qmt::runtime::runtime_session().is_initialized())
        return CO_E_NOTINITIALIZED;
    // In-process servers are the only kind of server there is.
    if ((dwClsContext & CLSCTX_INPROC_SERVER) == 0)
        return REGDB_E_CLASSNOTREG;
    return qmt::runtime::create_instance(rclsid, riid, ppv, nullptr);
}

namespace qmt {

HRESULT create_object(REFCLSID clsid, REFIID iid, void** object, DiagnosticText& cause)
{
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    if (!runtime::runtime_session().is_initialized()) {
        cause.add("the automation runtime is not initialised");
        return CO_E_NOTINITIALIZED;
    }
    return runtime::create_instance(clsid, iid, object, &cause);
}

HRESULT find_class_server(REFCLSID clsid, ClassServer& server, DiagnosticText& cause)
{
    static_assert(class_server_path_capacity >= sizeof runtime::KeyValue::text);
    server.clsid = clsid;
    if (!runtime::runtime_session().is_initialized()) {
        cause.add("the automation runtime is not initialised");
        return CO_E_NOTINITIALIZED;
    }
    runtime::KeyValue path;
    HRESULT const found = runtime::find_server(clsid, path, &cause);
    if (FAILED(found))
        return found;
    std::memcpy(server.path, path.text, path.length);
    server.path[path.length] = '\0';
    runtime::ClassObjectGetter get_class_object = nullptr;
    HRESULT const loaded = runtime::load_class_object_getter(server.path, get_class_object, &cause);
    server.class_object_getter = reinterpret_cast<void*>(get_class_object);
    return loaded;
}

HRESULT create_from_server(ClassServer const& server, REFIID iid, void** object, DiagnosticText& cause)
{
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    auto const get_class_object = reinterpret_cast<runtime::ClassObjectGetter>(server.class_object_getter);
    IClassFactory* factory = nullptr;
    HRESULT const status = runtime::class_factory_from(get_class_object, server.clsid, server.path, &factory, &cause);
    if (FAILED(status))
        return status;
    return runtime::instance_from_factory(factory, iid, server.path, object, &cause);
}

} // namespace qmt

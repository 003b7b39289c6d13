// Dispatch by name: an automation object whose methods the gateway finds by name
// (GetIDsOfNames) and calls once with the environment (Invoke), and the export of the
// library that serves such classes. Header only; needs nothing of the C++ runtime.
//
//   class Hello final : public quillmate::DispatchObject<Hello> {
//   public:
//       static constexpr CLSID class_id = quillmate::guid("{2B2F5E4C-7A11-4C3B-9E0D-5F6A7B8C9D01}");
//       static constexpr char prog_id[] = "Hello.World"; // for regsvr32 on Windows
//       HRESULT greet(QmtEnvironment& environment) { return quillmate::send(environment, "Hello"); }
//       static constexpr quillmate::Method<Hello> methods[] = {{"Greet", &Hello::greet}};
//   private:
//       friend quillmate::Access;
//       Hello() = default;
//   };
//   QMT_SERVE(Hello); // DllGetClassObject for the classes named (and on Windows DllRegisterServer)
//
// Method names are matched exactly, letter case included, as the gateway's "Class Method"
// lookup expects. A method returns S_OK, a failure status (which the gateway logs on standard
// error and otherwise leaves alone), or raise(...) for an error shown on the gateway's page.
// An object that lives as long as its module (stateless) says so with a second argument:
// DispatchObject<Derived, quillmate::ModuleObject>, and a constexpr constructor.
#pragma once

#include "quillmate/class_factory.h"
#include "quillmate/helpers.h"

#include <cstdint>
#include <string_view>

namespace quillmate {

namespace detail {

// Never defined: a call only happens while a bad text is parsed at compile time, and there it
// fails the build.
void class_identifier_text_is_malformed();

consteval std::uint32_t hex_value(char const* text, int digits)
{
    std::uint32_t value = 0;
    for (int i = 0; i < digits; ++i) {
        char const c = text[i];
        int const digit = c >= '0' && c <= '9' ? c - '0'
            : c >= 'a' && c <= 'f'             ? c - 'a' + 10
            : c >= 'A' && c <= 'F'             ? c - 'A' + 10
                                               : -1;
        if (digit < 0)
            class_identifier_text_is_malformed();
        value = value << 4 | static_cast<std::uint32_t>(digit);
    }
    return value;
}

inline constexpr HRESULT no_named_arguments = static_cast<HRESULT>(0x80020007u); // DISP_E_NONAMEDARGS

} // namespace detail

// A class identifier from its registry text, {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}, at compile
// time (`quillmate-register new-clsid` makes one).
consteval GUID guid(char const (&text)[39])
{
    if (text[0] != '{' || text[9] != '-' || text[14] != '-' || text[19] != '-' || text[24] != '-' || text[37] != '}')
        detail::class_identifier_text_is_malformed();
    GUID id {};
    id.Data1 = detail::hex_value(text + 1, 8);
    id.Data2 = static_cast<decltype(id.Data2)>(detail::hex_value(text + 10, 4));
    id.Data3 = static_cast<decltype(id.Data3)>(detail::hex_value(text + 15, 4));
    for (int i = 0; i < 8; ++i)
        id.Data4[i] = static_cast<unsigned char>(detail::hex_value(text + (i < 2 ? 20 : 21) + 2 * i, 2));
    return id;
}

// One named method of Class: the name callers use and the member function it calls.
template<typename Class>
struct Method {
    char const* name; // UTF-8
    HRESULT (Class::*call)(QmtEnvironment& environment);
};

// IDispatch over the table `Derived::methods`: a method's dispatch identifier is its position
// in the table, from 1. Invoke takes exactly one positional argument, the environment (as
// the gateway passes it), and hands it to the method.
template<typename Derived, template<typename, typename...> class Lifetime = Object>
class DispatchObject : public Lifetime<Derived, Answers<IDispatch, IID_IUnknown, IID_IDispatch>> {
public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        if (count == nullptr)
            return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override
    {
        if (info != nullptr)
            *info = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override
    {
        if (!IsEqualIID(iid, IID_NULL))
            return DISP_E_UNKNOWNINTERFACE;
        if (names == nullptr || ids == nullptr)
            return E_POINTER;
        HRESULT status = S_OK;
        for (UINT i = 0; i < count; ++i) {
            ids[i] = DISPID_UNKNOWN;
            // Names after the first would name parameters; these methods have none by name.
            for (DISPID id = 1; i == 0 && id <= method_count; ++id)
                if (detail::same_text(names[0], Derived::methods[id - 1].name)) {
                    ids[0] = id;
                    break;
                }
            if (ids[i] == DISPID_UNKNOWN)
                status = DISP_E_UNKNOWNNAME;
        }
        return status;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID iid, LCID, WORD flags, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argument_error) override
    {
        if (!IsEqualIID(iid, IID_NULL))
            return DISP_E_UNKNOWNINTERFACE;
        if (member < 1 || member > method_count || (flags & DISPATCH_METHOD) == 0)
            return DISP_E_MEMBERNOTFOUND;
        if (parameters == nullptr || parameters->cArgs != 1 || parameters->rgvarg == nullptr)
            return DISP_E_BADPARAMCOUNT;
        if (parameters->cNamedArgs != 0)
            return detail::no_named_arguments;
        if (result != nullptr)
            VariantInit(result);
        VARIANT const& argument = parameters->rgvarg[0];
        IUnknown* given = argument.vt == VT_UNKNOWN ? argument.punkVal
            : argument.vt == VT_DISPATCH            ? argument.pdispVal
                                                    : nullptr;
        QmtEnvironment* environment = nullptr;
        if (given == nullptr
            || given->QueryInterface(IID_QmtEnvironment, reinterpret_cast<void**>(&environment)) != S_OK) {
            if (argument_error != nullptr)
                *argument_error = 0;
            return DISP_E_TYPEMISMATCH;
        }
        m_exception = exception;
        HRESULT const status = (static_cast<Derived*>(this)->*Derived::methods[member - 1].call)(*environment);
        m_exception = nullptr;
        environment->Release();
        return status;
    }

protected:
    constexpr DispatchObject() = default;
    ~DispatchObject() = default;

    // Ends the running method with an error: the gateway writes its page with these two texts
    // (message 22, "Relevant source ... description ..."). `return raise("Hello.World", "...");`
    HRESULT raise(std::string_view source, std::string_view description)
    {
        return raise(source, Text::from_utf8(description));
    }
    // The same with a description put together at run time (TextBuilder::take), which may
    // quote the request as it came.
    HRESULT raise(std::string_view source, Text description)
    {
        if (m_exception != nullptr) {
            *m_exception = EXCEPINFO {};
            m_exception->scode = E_FAIL;
            m_exception->bstrSource = Text::from_utf8(source).detach();
            m_exception->bstrDescription = description.detach();
        }
        return DISP_E_EXCEPTION;
    }
    // The running call's exception record (null outside a call, or when the caller gave none).
    EXCEPINFO* exception_record() const { return m_exception; }

private:
    static constexpr DISPID method_count = static_cast<DISPID>(sizeof Derived::methods / sizeof Derived::methods[0]);

    EXCEPINFO* m_exception {nullptr};
};

// DllGetClassObject for a module that serves these classes, each naming its `class_id`.
template<typename... Classes>
HRESULT serve_class_object(REFCLSID requested, REFIID iid, void** object)
{
    if (object != nullptr)
        *object = nullptr;
    HRESULT status = CLASS_E_CLASSNOTAVAILABLE;
    (void)((IsEqualCLSID(requested, Classes::class_id)
            && ((status = ClassFactory<Classes>::create_as(iid, object)), true))
           || ...);
    return status;
}

} // namespace quillmate

#ifdef _WIN32
#    include "quillmate/self_registration.h"
#    define QMT_OBJECT_EXPORT __declspec(dllexport)
#    define QMT_SERVE_REGISTRATION(...)                                                                                \
        extern "C" QMT_OBJECT_EXPORT HRESULT STDAPICALLTYPE DllRegisterServer()                                        \
        {                                                                                                              \
            return ::quillmate::register_classes<__VA_ARGS__>(true);                                                   \
        }                                                                                                              \
        extern "C" QMT_OBJECT_EXPORT HRESULT STDAPICALLTYPE DllUnregisterServer()                                      \
        {                                                                                                              \
            return ::quillmate::register_classes<__VA_ARGS__>(false);                                                  \
        }
#else
#    define QMT_OBJECT_EXPORT __attribute__((visibility("default")))
#    define QMT_SERVE_REGISTRATION(...)
#endif

// The library's exports for the classes named: `QMT_SERVE(Hello, Goodbye);` at namespace scope.
#define QMT_SERVE(...)                                                                                                 \
    extern "C" QMT_OBJECT_EXPORT HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** object)   \
    {                                                                                                                  \
        return ::quillmate::serve_class_object<__VA_ARGS__>(clsid, iid, object);                                       \
    }                                                                                                                  \
    QMT_SERVE_REGISTRATION(__VA_ARGS__)                                                                                \
    static_assert(true, "QMT_SERVE ends with a semicolon")

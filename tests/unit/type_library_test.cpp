// QMTLib as the program carries it: read back through LoadTypeLib on the gateway's own file
// (natively through the runtime's reader, on Windows through the system's), compared member
// by member with the C++ declarations of include/quillmate/interfaces.h, and dispatched
// through with DispInvoke.
#include "automation/automation.h"
#include "platform/heap.h"
#include "platform/module.h"
#include "quillmate/interfaces.h"
#include "quillmate/object.h"
#include "quillmate/ref.h"
#include "wide_string.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

namespace {

namespace fs = std::filesystem;
using quillmate::Ref;

// {00020430-0000-0000-C000-000000000046}: the standard OLE Automation library, stdole2.tlb.
constexpr GUID stdole_library = {0x00020430, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

std::string text(BSTR string)
{
    std::string out;
    for (std::size_t i = 0; string != nullptr && i < SysStringLen(string); ++i)
        out += static_cast<char>(string[i]);
    return out;
}

// Frees the runtime strings of a call when the test is done with them.
struct Strings {
    BSTR name {nullptr};
    BSTR help_string {nullptr};
    BSTR help_file {nullptr};
    DWORD help_context {0xFFFF};
    Strings() = default;
    Strings(Strings const&) = delete;
    Strings& operator=(Strings const&) = delete;
    ~Strings()
    {
        SysFreeString(name);
        SysFreeString(help_string);
        SysFreeString(help_file);
    }
};

std::string guid_text(GUID const& guid)
{
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1],
                  guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    return buffer;
}

fs::path gateway_path()
{
    char* tests = qmt::platform::module_path();
    fs::path const path = fs::path(tests).parent_path().parent_path();
    qmt::platform::heap_free(tests);
#ifdef _WIN32
    return path / "quillmate.exe";
#else
    return path / "quillmate";
#endif
}

Ref<ITypeLib> load_library(fs::path const& path)
{
    WideString const wide_path = wide(from_code_page(path.string()));
    Ref<ITypeLib> library;
    EXPECT_EQ(LoadTypeLib(wide_path.c_str(), library.out()), S_OK) << path;
    return library;
}

// The library's own help context, which it stores at offset 0x2C of its header.
DWORD library_help_context(ITypeLib& library)
{
#ifdef _WIN32
    // Wine's oleaut32 reports 0 for it; the bytes this program carries tell it.
    (void)library;
    HRSRC const resource = FindResourceW(nullptr, MAKEINTRESOURCEW(1), L"TYPELIB");
    HGLOBAL const loaded = resource == nullptr ? nullptr : LoadResource(nullptr, resource);
    auto const* bytes = loaded == nullptr ? nullptr : static_cast<unsigned char const*>(LockResource(loaded));
    if (bytes == nullptr || SizeofResource(nullptr, resource) < 0x30)
        return 0xFFFFFFFF;
    DWORD context = 0;
    std::memcpy(&context, bytes + 0x2C, sizeof context);
    return context;
#else
    Strings documentation;
    library.GetDocumentation(-1, nullptr, nullptr, &documentation.help_context, nullptr);
    return documentation.help_context;
#endif
}

// How the library spells a parameter's type, and how the C++ declaration spells it.
std::string spelled(ITypeInfo& info, TYPEDESC const& type)
{
    switch (type.vt) {
    case VT_PTR:
        return "PTR " + spelled(info, *type.lptdesc);
    case VT_USERDEFINED: {
        Ref<ITypeInfo> target;
        TYPEATTR* attributes = nullptr;
        if (FAILED(info.GetRefTypeInfo(type.hreftype, target.out())) || FAILED(target->GetTypeAttr(&attributes)))
            return "USERDEFINED ?";
        std::string const named = "USERDEFINED " + guid_text(attributes->guid);
        target->ReleaseTypeAttr(attributes);
        return named;
    }
    case VT_BSTR:
        return "BSTR";
    case VT_VARIANT:
        return "VARIANT";
    case VT_I4:
        return "I4";
    case VT_UNKNOWN:
        return "UNKNOWN";
    default:
        return "VT" + std::to_string(type.vt);
    }
}

template<typename T>
struct Spelling;
template<>
struct Spelling<BSTR> {
    static std::string text() { return "BSTR"; }
};
template<>
struct Spelling<BSTR*> {
    static std::string text() { return "PTR BSTR"; }
};
template<>
struct Spelling<VARIANT*> {
    static std::string text() { return "PTR VARIANT"; }
};
template<>
struct Spelling<LONG*> {
    static std::string text() { return "PTR I4"; }
};
template<>
struct Spelling<IUnknown**> {
    static std::string text() { return "PTR UNKNOWN"; }
};
template<typename Interface>
IID const& identifier_of();
template<>
IID const& identifier_of<ServerItem>()
{
    return IID_ServerItem;
}
template<>
IID const& identifier_of<CustomItem>()
{
    return IID_CustomItem;
}
template<>
IID const& identifier_of<ServerItems>()
{
    return IID_ServerItems;
}
template<>
IID const& identifier_of<CustomItems>()
{
    return IID_CustomItems;
}
template<typename Interface>
requires std::is_base_of_v<IDispatch, Interface>
struct Spelling<Interface**> {
    static std::string text() { return "PTR PTR USERDEFINED " + guid_text(identifier_of<Interface>()); }
};

struct Declaration {
    std::ptrdiff_t table_offset;
    std::vector<std::string> parameter_types;
};

// The Itanium C++ ABI, which every compiler of this project follows (MinGW's too), stores a
// pointer to a virtual member as one more than the member's offset in the table of operations.
template<typename Interface, typename... Parameters>
Declaration declared(HRESULT (STDMETHODCALLTYPE Interface::*member)(Parameters...))
{
    std::ptrdiff_t word = 0;
    std::memcpy(&word, &member, sizeof word);
    return {word - 1, {Spelling<Parameters>::text()...}};
}

struct Member {
    char const* interface_name;
    char const* cpp_name;
    Declaration declaration;
    MEMBERID memid;
    DWORD help_context;
    char const* parameters; // "name:flag,flag ..." as the library lists them
};

#define MEMBER(Interface, function, ...)                                                                               \
    Member { #Interface, #function, declared(&Interface::function), __VA_ARGS__ }

std::vector<Member> const members = {
    MEMBER(ServerItem, get_Value, 0x60020000, 101, "Value:out,retval"),
    MEMBER(ServerItem, get_Name, 0x60020001, 102, "Name:out,retval"),
    MEMBER(ServerItems, get_Item, 0x60020000, 201, "Index:in ppServerItem:out,retval"),
    MEMBER(ServerItems, get_Count, 0x60020001, 202, "pCount:out,retval"),
    MEMBER(ServerItems, get__NewEnum, DISPID_NEWENUM, 0, "ppenumVariant:out,retval"),
    MEMBER(CustomItem, get_Value, 0x60020000, 301, "Value:out,retval"),
    MEMBER(CustomItem, get_Name, 0x60020001, 302, "Name:out,retval"),
    MEMBER(CustomItems, get_Item, 0x60020000, 401, "Index:in ppCustomItem:out,retval"),
    MEMBER(CustomItems, get_Count, 0x60020001, 402, "pCount:out,retval"),
    MEMBER(CustomItems, get__NewEnum, DISPID_NEWENUM, 0, "ppenumVariant:out,retval"),
    MEMBER(QmtEnvironment, get_ServerItems, 0x60020000, 501, "ppServerItems:out,retval"),
    MEMBER(QmtEnvironment, get_CustomItems, 0x60020001, 502, "ppCustomItems:out,retval"),
    MEMBER(QmtEnvironment, SendString, 0x60020002, 503, "Response:in Sleep:in,opt"),
    MEMBER(QmtEnvironment, SendFile, 0x60020003, 504, "Filename:in Sleep:in,opt"),
    MEMBER(QmtEnvironment, OpenTemplate, 0x60020004, 505, "Filename:in"),
    MEMBER(QmtEnvironment, SendTemplate, 0x60020005, 506, "Placeholder:in Replacement:in"),
    MEMBER(QmtEnvironment, BeginSection, 0x60020006, 507, "SectionName:in"),
    MEMBER(QmtEnvironment, EndSection, 0x60020007, 508, ""),
    MEMBER(QmtEnvironment, CloseTemplate, 0x60020008, 509, "Sleep:in,opt"),
    MEMBER(QmtEnvironment, OpenOutputFile, 0x60020009, 510, "Filename:in"),
    MEMBER(QmtEnvironment, CloseOutputFile, 0x6002000A, 511, ""),
};

struct Interface {
    char const* name;
    char const* help_string;
    DWORD help_context;
    IID const& iid;
};

Interface const interfaces[] = {
    {"ServerItem", "ServerItem object", 100, IID_ServerItem},
    {"ServerItems", "ServerItems Collection object", 200, IID_ServerItems},
    {"CustomItem", "CustomItem object", 300, IID_CustomItem},
    {"CustomItems", "CustomItems Collection object", 400, IID_CustomItems},
    {"QmtEnvironment", "QmtEnvironment object", 500, IID_QmtEnvironment},
};

std::string parameters_of(ITypeInfo& info, FUNCDESC const& function)
{
    BSTR names[8] = {};
    UINT count = 0;
    info.GetNames(function.memid, names, 8, &count);
    std::ostringstream listed;
    for (SHORT i = 0; i < function.cParams; ++i) {
        USHORT const flags = function.lprgelemdescParam[i].paramdesc.wParamFlags;
        listed << (i > 0 ? " " : "") << (static_cast<UINT>(i) + 1 < count ? text(names[i + 1]) : "?") << ":";
        char const* separator = "";
        for (auto [bit, word] : {std::pair {PARAMFLAG_FIN, "in"}, std::pair {PARAMFLAG_FOUT, "out"},
                                 std::pair {PARAMFLAG_FRETVAL, "retval"}, std::pair {PARAMFLAG_FOPT, "opt"}})
            if ((flags & bit) != 0) {
                listed << separator << word;
                separator = ",";
            }
    }
    for (UINT i = 0; i < count; ++i)
        SysFreeString(names[i]);
    return listed.str();
}

class TypeLibraryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        library = load_library(gateway_path());
        ASSERT_TRUE(library);
    }

    // The interface side of a dual interface: the dispatch side leads to it.
    Ref<ITypeInfo> interface_side(UINT index)
    {
        Ref<ITypeInfo> dispatch_side;
        Ref<ITypeInfo> other_side;
        HREFTYPE reference = 0;
        EXPECT_EQ(library->GetTypeInfo(index, dispatch_side.out()), S_OK);
        EXPECT_EQ(dispatch_side->GetRefTypeOfImplType(static_cast<UINT>(-1), &reference), S_OK);
        EXPECT_EQ(dispatch_side->GetRefTypeInfo(reference, other_side.out()), S_OK);
        return other_side;
    }

    Ref<ITypeLib> library;
};

TEST_F(TypeLibraryTest, LibraryAttributesAndDocumentation)
{
    TLIBATTR* attributes = nullptr;
    ASSERT_EQ(library->GetLibAttr(&attributes), S_OK);
    EXPECT_EQ(guid_text(attributes->guid), guid_text(LIBID_QMTLib));
    EXPECT_EQ(attributes->lcid, 0u);
    EXPECT_EQ(attributes->syskind, SYS_WIN32);
    EXPECT_EQ(attributes->wMajorVerNum, 1);
    EXPECT_EQ(attributes->wMinorVerNum, 0);
    // The runtime adds that the library was read from a file; no flag of its own is set.
    EXPECT_EQ(attributes->wLibFlags & ~LIBFLAG_FHASDISKIMAGE, 0);
    library->ReleaseTLibAttr(attributes);
    Strings documentation;
    ASSERT_EQ(library->GetDocumentation(-1, &documentation.name, &documentation.help_string, nullptr,
                                        &documentation.help_file),
              S_OK);
    EXPECT_EQ(text(documentation.name), "QMTLib");
    EXPECT_EQ(text(documentation.help_string), "Quillmate");
    EXPECT_EQ(text(documentation.help_file), "qmt.hlp");
    EXPECT_EQ(library_help_context(*library.get()), 1u);
}

TEST_F(TypeLibraryTest, FiveDualInterfacesInOrderAndNoClass)
{
    ASSERT_EQ(library->GetTypeInfoCount(), 5u);
    for (UINT i = 0; i < 5; ++i) {
        Interface const& expected = interfaces[i];
        SCOPED_TRACE(expected.name);
        TYPEKIND kind = TKIND_MAX;
        EXPECT_EQ(library->GetTypeInfoType(i, &kind), S_OK);
        EXPECT_EQ(kind, TKIND_DISPATCH); // a dual interface is listed by its dispatch side
        Strings documentation;
        EXPECT_EQ(library->GetDocumentation(static_cast<INT>(i), &documentation.name, &documentation.help_string,
                                            &documentation.help_context, nullptr),
                  S_OK);
        EXPECT_EQ(text(documentation.name), expected.name);
        EXPECT_EQ(text(documentation.help_string), expected.help_string);
        EXPECT_EQ(documentation.help_context, expected.help_context);

        Ref<ITypeInfo> by_guid;
        ASSERT_EQ(library->GetTypeInfoOfGuid(expected.iid, by_guid.out()), S_OK);
        Strings found;
        by_guid->GetDocumentation(MEMBERID_NIL, &found.name, nullptr, nullptr, nullptr);
        EXPECT_EQ(text(found.name), expected.name);

        Ref<ITypeInfo> side = interface_side(i);
        ASSERT_TRUE(side);
        TYPEATTR* attributes = nullptr;
        ASSERT_EQ(side->GetTypeAttr(&attributes), S_OK);
        EXPECT_EQ(guid_text(attributes->guid), guid_text(expected.iid));
        EXPECT_EQ(attributes->typekind, TKIND_INTERFACE);
        EXPECT_EQ(attributes->wTypeFlags,
                  TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE);
        EXPECT_EQ(attributes->wMajorVerNum, 0);
        EXPECT_EQ(attributes->wMinorVerNum, 0);
        EXPECT_EQ(attributes->cImplTypes, 1);
        side->ReleaseTypeAttr(attributes);

        // Each derives from IDispatch, which the library imports from stdole2.tlb 2.0.
        HREFTYPE base_reference = 0;
        Ref<ITypeInfo> base;
        Ref<ITypeLib> imported;
        ASSERT_EQ(side->GetRefTypeOfImplType(0, &base_reference), S_OK);
        ASSERT_EQ(side->GetRefTypeInfo(base_reference, base.out()), S_OK);
        ASSERT_EQ(base->GetTypeAttr(&attributes), S_OK);
        EXPECT_EQ(guid_text(attributes->guid), guid_text(IID_IDispatch));
        base->ReleaseTypeAttr(attributes);
        UINT index = 0;
        ASSERT_EQ(base->GetContainingTypeLib(imported.out(), &index), S_OK);
        TLIBATTR* imported_attributes = nullptr;
        ASSERT_EQ(imported->GetLibAttr(&imported_attributes), S_OK);
        EXPECT_EQ(guid_text(imported_attributes->guid), guid_text(stdole_library));
        EXPECT_EQ(imported_attributes->wMajorVerNum, 2);
        EXPECT_EQ(imported_attributes->wMinorVerNum, 0);
        imported->ReleaseTLibAttr(imported_attributes);
    }
}

TEST_F(TypeLibraryTest, MembersAgreeWithTheDeclarations)
{
    std::size_t row = 0;
    for (UINT i = 0; i < 5; ++i) {
        Ref<ITypeInfo> side = interface_side(i);
        ASSERT_TRUE(side);
        TYPEATTR* attributes = nullptr;
        ASSERT_EQ(side->GetTypeAttr(&attributes), S_OK);
        WORD const count = attributes->cFuncs;
        side->ReleaseTypeAttr(attributes);
        for (UINT k = 0; k < count; ++k, ++row) {
            ASSERT_LT(row, members.size());
            Member const& member = members[row];
            SCOPED_TRACE(std::string(member.interface_name) + "::" + member.cpp_name);
            EXPECT_STREQ(member.interface_name, interfaces[i].name);
            bool const property = std::strncmp(member.cpp_name, "get_", 4) == 0;
            std::string const name = property ? member.cpp_name + 4 : member.cpp_name;

            FUNCDESC* function = nullptr;
            ASSERT_EQ(side->GetFuncDesc(k, &function), S_OK);
            EXPECT_EQ(function->memid, member.memid);
            EXPECT_EQ(function->funckind, FUNC_PUREVIRTUAL);
            EXPECT_EQ(function->invkind, property ? INVOKE_PROPERTYGET : INVOKE_FUNC);
            EXPECT_EQ(function->callconv, CC_STDCALL);
            EXPECT_EQ(function->oVft, member.declaration.table_offset);
            EXPECT_EQ(function->wFuncFlags, name == "_NewEnum" ? FUNCFLAG_FRESTRICTED : 0);
            EXPECT_EQ(function->elemdescFunc.tdesc.vt, VT_HRESULT);
            ASSERT_EQ(static_cast<std::size_t>(function->cParams), member.declaration.parameter_types.size());
            for (SHORT p = 0; p < function->cParams; ++p)
                EXPECT_EQ(spelled(*side.get(), function->lprgelemdescParam[p].tdesc),
                          member.declaration.parameter_types[static_cast<std::size_t>(p)]);
            EXPECT_EQ(parameters_of(*side.get(), *function), member.parameters);
            std::size_t optional = 0;
            for (char const* at = member.parameters; (at = std::strstr(at, "opt")) != nullptr; ++at)
                ++optional;
            EXPECT_EQ(function->cParamsOpt, static_cast<SHORT>(optional));
            MEMBERID const memid = function->memid;
            side->ReleaseFuncDesc(function);

            Strings documentation;
            ASSERT_EQ(side->GetDocumentation(memid, &documentation.name, &documentation.help_string,
                                             &documentation.help_context, nullptr),
                      S_OK);
            EXPECT_EQ(text(documentation.name), name);
            EXPECT_EQ(documentation.help_string, nullptr); // no help string of its own
            EXPECT_EQ(documentation.help_context, member.help_context);
        }
    }
    EXPECT_EQ(row, members.size());
    // QmtEnvironment's table: IUnknown's three, IDispatch's four and its eleven members.
    EXPECT_EQ(declared(&QmtEnvironment::CloseOutputFile).table_offset, 17 * static_cast<std::ptrdiff_t>(sizeof(void*)));
}

// An environment that writes down the calls it receives, for calls made through the library.
class RecordingEnvironment final
    : public quillmate::EarlyBoundObject<
          RecordingEnvironment, quillmate::Answers<::QmtEnvironment, IID_IUnknown, IID_IDispatch, IID_QmtEnvironment>> {
public:
    std::string calls;

    HRESULT STDMETHODCALLTYPE get_ServerItems(::ServerItems** items) override
    {
        record("ServerItems", {});
        *items = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_CustomItems(::CustomItems** items) override
    {
        record("CustomItems", {});
        *items = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SendString(BSTR Response, VARIANT* Sleep) override
    {
        return record("SendString", {text(Response), described(Sleep)});
    }
    HRESULT STDMETHODCALLTYPE SendFile(BSTR Filename, VARIANT* Sleep) override
    {
        return record("SendFile", {text(Filename), described(Sleep)});
    }
    HRESULT STDMETHODCALLTYPE OpenTemplate(BSTR Filename) override
    {
        record("OpenTemplate", {text(Filename)});
        return STG_E_FILENOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE SendTemplate(BSTR Placeholder, BSTR Replacement) override
    {
        return record("SendTemplate", {text(Placeholder), text(Replacement)});
    }
    HRESULT STDMETHODCALLTYPE BeginSection(BSTR SectionName) override
    {
        return record("BeginSection", {text(SectionName)});
    }
    HRESULT STDMETHODCALLTYPE EndSection() override { return record("EndSection", {}); }
    HRESULT STDMETHODCALLTYPE CloseTemplate(VARIANT* Sleep) override
    {
        return record("CloseTemplate", {described(Sleep)});
    }
    HRESULT STDMETHODCALLTYPE OpenOutputFile(BSTR Filename) override
    {
        return record("OpenOutputFile", {text(Filename)});
    }
    HRESULT STDMETHODCALLTYPE CloseOutputFile() override { return record("CloseOutputFile", {}); }

private:
    friend quillmate::Access;
    RecordingEnvironment() = default;
    ~RecordingEnvironment() = default;

    static std::string described(VARIANT const* value)
    {
        if (value == nullptr)
            return "null";
        if (value->vt == VT_ERROR && value->scode == DISP_E_PARAMNOTFOUND)
            return "missing";
        if (value->vt == VT_I4)
            return "I4 " + std::to_string(value->lVal);
        return "VT" + std::to_string(value->vt);
    }
    HRESULT record(char const* member, std::vector<std::string> const& arguments)
    {
        calls += std::string(member) + "(";
        for (std::size_t i = 0; i < arguments.size(); ++i)
            calls += (i > 0 ? "," : "") + arguments[i];
        calls += ")";
        return S_OK;
    }
};

VARIANT text_argument(BSTR string)
{
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    value.bstrVal = string;
    return value;
}

struct Call {
    char const* name;
    DISPID member;
    WORD flags;
    std::vector<VARIANT> arguments; // in the order of DISPPARAMS: the last one first
    std::vector<DISPID> named;
    HRESULT status;
    char const* calls;
};

TEST_F(TypeLibraryTest, DispInvokeCallsTheMembersAsTheLibraryDescribesThem)
{
    Ref<ITypeInfo> info;
    ASSERT_EQ(library->GetTypeInfoOfGuid(IID_QmtEnvironment, info.out()), S_OK);
    BSTR const a = SysAllocString(wide(u"a").c_str());
    BSTR const p = SysAllocString(wide(u"p").c_str());
    BSTR const r = SysAllocString(wide(u"r").c_str());
    BSTR held = a;
    VARIANT five;
    VariantInit(&five);
    five.vt = VT_I4;
    five.lVal = 5;
    VARIANT missing;
    VariantInit(&missing);
    missing.vt = VT_ERROR;
    missing.scode = DISP_E_PARAMNOTFOUND;
    VARIANT a_by_reference;
    VariantInit(&a_by_reference);
    a_by_reference.vt = VT_BSTR | VT_BYREF;
    a_by_reference.pbstrVal = &held;

    Call const calls[] = {
        {"OptionalLeftOut", 0x60020002, DISPATCH_METHOD, {text_argument(a)}, {}, S_OK, "SendString(a,missing)"},
        {"OptionalGiven", 0x60020002, DISPATCH_METHOD, {five, text_argument(a)}, {}, S_OK, "SendString(a,I4 5)"},
        {"OptionalMarkedMissing",
         0x60020003,
         DISPATCH_METHOD,
         {missing, text_argument(a)},
         {},
         S_OK,
         "SendFile(a,missing)"},
        {"TextByReference", 0x60020009, DISPATCH_METHOD, {a_by_reference}, {}, S_OK, "OpenOutputFile(a)"},
        {"NamedArguments",
         0x60020005,
         DISPATCH_METHOD,
         {text_argument(r), text_argument(p)},
         {1, 0},
         S_OK,
         "SendTemplate(p,r)"},
        {"NoParameters", 0x60020007, DISPATCH_METHOD, {}, {}, S_OK, "EndSection()"},
        {"OnlyParameterOptional", 0x60020008, DISPATCH_METHOD, {}, {}, S_OK, "CloseTemplate(missing)"},
        {"RequiredArgumentMissing", 0x60020005, DISPATCH_METHOD, {text_argument(p)}, {}, DISP_E_BADPARAMCOUNT, ""},
        {"FailureBecomesException",
         0x60020004,
         DISPATCH_METHOD,
         {text_argument(a)},
         {},
         DISP_E_EXCEPTION,
         "OpenTemplate(a)"},
        {"MethodAsProperty", 0x60020002, DISPATCH_PROPERTYGET, {text_argument(a)}, {}, DISP_E_MEMBERNOTFOUND, ""},
        {"UnknownMember", 0x6002000B, DISPATCH_METHOD, {}, {}, DISP_E_MEMBERNOTFOUND, ""},
        {"PropertyGet", 0x60020000, DISPATCH_PROPERTYGET, {}, {}, S_OK, "ServerItems()"},
    };
    for (Call const& call : calls) {
        SCOPED_TRACE(call.name);
        auto recorder = Ref<RecordingEnvironment>::adopt(RecordingEnvironment::create());
        std::vector<VARIANT> arguments = call.arguments;
        std::vector<DISPID> named = call.named;
        DISPPARAMS parameters {arguments.empty() ? nullptr : arguments.data(), named.empty() ? nullptr : named.data(),
                               static_cast<UINT>(arguments.size()), static_cast<UINT>(named.size())};
        VARIANT result;
        VariantInit(&result);
        EXCEPINFO exception {};
        UINT argument_error = 0;
        auto* self = static_cast<::QmtEnvironment*>(recorder.get());
        EXPECT_EQ(
            DispInvoke(self, info.get(), call.member, call.flags, &parameters, &result, &exception, &argument_error),
            call.status);
        EXPECT_EQ(recorder->calls, call.calls);
        if (call.status == DISP_E_EXCEPTION) {
            EXPECT_EQ(exception.scode, STG_E_FILENOTFOUND); // the member's own status
        }
        if (call.flags == DISPATCH_PROPERTYGET && call.status == S_OK) {
            EXPECT_EQ(result.vt, VT_DISPATCH); // the result parameter comes back as the call's result
        }
        VariantClear(&result);
    }
    SysFreeString(a);
    SysFreeString(p);
    SysFreeString(r);
}

} // namespace

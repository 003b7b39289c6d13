#include "probe_script.h"

#include "probe_text.h"
#include "quillmate/ref.h"

#include <cstring>
#include <type_traits>
#include <utility>

namespace probe {
namespace {

template<typename Collection>
struct ItemOf;
template<>
struct ItemOf<ServerItems> {
    using Type = ServerItem;
};
template<>
struct ItemOf<CustomItems> {
    using Type = CustomItem;
};

template<typename Collection>
IID const& identifier_of_item()
{
    return std::is_same_v<Collection, ServerItems> ? IID_ServerItem : IID_CustomItem;
}

// The texts of an exception raised with a deferred fill-in routine. The routine gets only
// the exception record, and runs after the gateway has released the object, so the texts
// wait here.
struct PendingException {
    BSTR source;
    BSTR description;
};
PendingException pending_exception {};

HRESULT STDMETHODCALLTYPE fill_in_deferred(EXCEPINFO* exception)
{
    exception->bstrSource = std::exchange(pending_exception.source, nullptr);
    exception->bstrDescription = std::exchange(pending_exception.description, nullptr);
    return S_OK;
}

// "Source|Description", split at the first "|"; an empty part is a missing text.
PendingException split_exception_texts(OLECHAR const* text)
{
    std::size_t const length = length_of(text);
    std::size_t bar = 0;
    while (bar < length && text[bar] != '|')
        ++bar;
    PendingException texts {};
    if (bar > 0)
        texts.source = SysAllocStringLen(text, static_cast<UINT>(bar));
    if (bar + 1 < length)
        texts.description = SysAllocStringLen(text + bar + 1, static_cast<UINT>(length - bar - 1));
    return texts;
}

HRESULT raise(OLECHAR const* texts, bool deferred, EXCEPINFO* exception)
{
    PendingException split = split_exception_texts(texts);
    if (exception == nullptr) {
        SysFreeString(split.source);
        SysFreeString(split.description);
        return DISP_E_EXCEPTION;
    }
    *exception = EXCEPINFO {};
    exception->scode = E_FAIL;
    if (deferred) {
        SysFreeString(pending_exception.source);
        SysFreeString(pending_exception.description);
        pending_exception = split;
        exception->pfnDeferredFillIn = &fill_in_deferred;
    } else {
        exception->bstrSource = split.source;
        exception->bstrDescription = split.description;
    }
    return DISP_E_EXCEPTION;
}

// Kept out of line: the valgrind run of the table suppresses this one fault by its name
// (tests/objects/valgrind.supp).
[[gnu::noinline]] void write_through_null_pointer()
{
    // The compiler cannot see that the pointer is null, so this is a real access fault.
    int volatile* volatile target = nullptr;
    *target = 1;
}

VARIANT missing_argument()
{
    VARIANT missing;
    VariantInit(&missing);
    missing.vt = VT_ERROR;
    missing.scode = DISP_E_PARAMNOTFOUND;
    return missing;
}

char* append_decimal(char* out, LONG value)
{
    char digits[12];
    int count = 0;
    auto magnitude = value < 0 ? -static_cast<std::int64_t>(value) : static_cast<std::int64_t>(value);
    do {
        digits[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude > 0);
    if (value < 0)
        *out++ = '-';
    while (count > 0)
        *out++ = digits[--count];
    return out;
}

bool command_is(BSTR command, OLECHAR const* name) { return equal(command, name); }

// A decimal number, or a hexadecimal one after "0x" (member identifiers read better so).
std::int32_t parse_number(OLECHAR const* text)
{
    if (text == nullptr || text[0] != '0' || (text[1] != 'x' && text[1] != 'X'))
        return parse_int32(text);
    std::uint32_t value = 0;
    for (text += 2; *text != 0; ++text) {
        OLECHAR const unit = *text;
        int const digit = unit >= '0' && unit <= '9'
            ? unit - '0'
            : ((unit | 0x20) >= 'a' && (unit | 0x20) <= 'f' ? (unit | 0x20) - 'a' + 10 : -1);
        if (digit < 0)
            break;
        value = value << 4 | static_cast<std::uint32_t>(digit);
    }
    return static_cast<std::int32_t>(value);
}

// The text of UTF-16 units written in hexadecimal and separated by commas ("D83D,DE00").
Text from_hex_units(OLECHAR const* list)
{
    std::size_t const length = length_of(list);
    if (length == 0)
        return Text(SysAllocStringLen(nullptr, 0));
    UINT count = 1;
    for (std::size_t i = 0; i < length; ++i)
        count += list[i] == ',' ? 1 : 0;
    Text text(SysAllocStringLen(nullptr, count));
    if (text.get() == nullptr)
        return text;
    UINT unit = 0;
    unsigned value = 0;
    for (std::size_t i = 0; i <= length; ++i) {
        if (i == length || list[i] == ',') {
            text.get()[unit++] = static_cast<OLECHAR>(value);
            value = 0;
        } else {
            unsigned const digit = list[i] <= '9' ? list[i] - '0' : (list[i] | 0x20) - 'a' + 10;
            value = value * 16 + digit;
        }
    }
    return text;
}

// "<call>=0xHHHHHHHH\n" on standard error.
void write_status_line(char const* call, HRESULT status)
{
    char line[96];
    std::size_t length = std::strlen(call);
    if (length > sizeof line - 16)
        length = sizeof line - 16;
    std::memcpy(line, call, length);
    std::memcpy(line + length, "=0x", 3);
    length += 3;
    auto const bits = static_cast<std::uint32_t>(status);
    for (int shift = 28; shift >= 0; shift -= 4)
        line[length++] = "0123456789ABCDEF"[(bits >> shift) & 0xF];
    line[length++] = '\n';
    write_to_standard_error(line, length);
}

// The module-level slot of `keepenum`: held from the method until the library is unloaded.
IEnumVARIANT* kept_enumerator = nullptr;

// "[name]=[value]\n" for every item the enumerator still has, on standard error.
void write_remaining_items(IEnumVARIANT& enumerator)
{
    for (;;) {
        VARIANT element;
        VariantInit(&element);
        if (enumerator.Next(1, &element, nullptr) != S_OK)
            return;
        quillmate::Ref<CustomItem> item;
        Text name;
        Text value;
        if (element.vt == VT_DISPATCH && element.pdispVal != nullptr
            && SUCCEEDED(element.pdispVal->QueryInterface(IID_CustomItem, item.out_void()))
            && SUCCEEDED(item->get_Name(name.out())) && SUCCEEDED(item->get_Value(value.out())))
            write_to_standard_error(
                join({QMT_TEXT("["), name.get(), QMT_TEXT("]=["), value.get(), QMT_TEXT("]\n")}).get());
        else
            write_to_standard_error("?\n", 2);
        VariantClear(&element);
    }
}

} // namespace

HRESULT Script::traced(char const* call, HRESULT status) const
{
    if (m_tracing)
        write_status_line(call, status);
    return status;
}

HRESULT Script::send(OLECHAR const* text)
{
    VARIANT missing = missing_argument();
    Text const copy = Text::copy(text);
    return traced("SendString", m_environment.SendString(copy.get(), &missing));
}

HRESULT Script::send_with_sleep(OLECHAR const* text, VARIANT* sleep)
{
    Text const copy = Text::copy(text);
    return traced("SendString", m_environment.SendString(copy.get(), sleep));
}

HRESULT Script::get_collection(ServerItems** collection)
{
    return traced("ServerItems", m_environment.get_ServerItems(collection));
}

HRESULT Script::get_collection(CustomItems** collection)
{
    return traced("CustomItems", m_environment.get_CustomItems(collection));
}

template<typename Collection>
void Script::send_item_value(VARIANT& index)
{
    quillmate::Ref<Collection> collection;
    if (FAILED(get_collection(collection.out())))
        return;
    quillmate::Ref<typename ItemOf<Collection>::Type> item;
    if (FAILED(traced("Item", collection->get_Item(&index, item.out()))))
        return;
    Text value;
    if (FAILED(traced("Value", item->get_Value(value.out()))))
        return;
    Text const line = join({QMT_TEXT("["), value.get(), QMT_TEXT("]")});
    send(line.get());
}

void Script::send_counts()
{
    quillmate::Ref<ServerItems> server_items;
    quillmate::Ref<CustomItems> custom_items;
    LONG server_count = -1;
    LONG custom_count = -1;
    if (SUCCEEDED(get_collection(server_items.out())))
        traced("Count", server_items->get_Count(&server_count));
    if (SUCCEEDED(get_collection(custom_items.out())))
        traced("Count", custom_items->get_Count(&custom_count));
    char text[32] = "S=";
    char* end = append_decimal(text + 2, server_count);
    std::memcpy(end, " C=", 3);
    end = append_decimal(end + 3, custom_count);
    *end = '\0';
    send(from_ascii(text).get());
}

template<typename Collection>
HRESULT Script::invoke(Collection& collection, DISPID member, WORD flags, VARIANT* argument, VARIANT& result)
{
    DISPPARAMS parameters {argument, nullptr, argument != nullptr ? 1u : 0u, 0};
    EXCEPINFO exception {};
    UINT argument_error = 0;
    VariantInit(&result);
    HRESULT const status = collection.Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, flags, &parameters, &result,
                                             &exception, &argument_error);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    return traced("Invoke", status);
}

template<typename Collection>
void Script::send_names_through_invoke()
{
    quillmate::Ref<Collection> collection;
    if (FAILED(get_collection(collection.out())))
        return;
    VARIANT result;
    if (FAILED(invoke(*collection.get(), DISPID_NEWENUM, DISPATCH_PROPERTYGET, nullptr, result)))
        return;
    quillmate::Ref<IEnumVARIANT> enumerator;
    bool const is_object = (result.vt == VT_UNKNOWN || result.vt == VT_DISPATCH) && result.punkVal != nullptr;
    HRESULT const found
        = is_object ? result.punkVal->QueryInterface(IID_IEnumVARIANT, enumerator.out_void()) : E_NOINTERFACE;
    VariantClear(&result);
    if (FAILED(found))
        return;
    for (int handed_out = 0; handed_out < 1000; ++handed_out) {
        VARIANT element;
        VariantInit(&element);
        if (enumerator->Next(1, &element, nullptr) != S_OK)
            break;
        quillmate::Ref<typename ItemOf<Collection>::Type> item;
        Text name;
        if (element.vt == VT_DISPATCH && element.pdispVal != nullptr
            && SUCCEEDED(element.pdispVal->QueryInterface(identifier_of_item<Collection>(), item.out_void()))
            && SUCCEEDED(item->get_Name(name.out())))
            send(join({QMT_TEXT("["), name.get(), QMT_TEXT("]")}).get());
        VariantClear(&element);
    }
}

void Script::send_item_value_through_invoke(VARIANT& index)
{
    quillmate::Ref<CustomItems> collection;
    VARIANT result;
    if (FAILED(get_collection(collection.out()))
        || FAILED(invoke(*collection.get(), 0x60020000, DISPATCH_PROPERTYGET, &index, result)))
        return;
    quillmate::Ref<CustomItem> item;
    Text value;
    if (result.vt == VT_DISPATCH && result.pdispVal != nullptr
        && SUCCEEDED(result.pdispVal->QueryInterface(IID_CustomItem, item.out_void()))
        && SUCCEEDED(item->get_Value(value.out())))
        send(join({QMT_TEXT("["), value.get(), QMT_TEXT("]")}).get());
    VariantClear(&result);
}

void Script::send_counts_through_invoke()
{
    quillmate::Ref<ServerItems> server_items;
    quillmate::Ref<CustomItems> custom_items;
    VARIANT server_count;
    VARIANT custom_count;
    VariantInit(&server_count);
    VariantInit(&custom_count);
    if (SUCCEEDED(get_collection(server_items.out())))
        invoke(*server_items.get(), 0x60020001, DISPATCH_PROPERTYGET, nullptr, server_count);
    if (SUCCEEDED(get_collection(custom_items.out())))
        invoke(*custom_items.get(), 0x60020001, DISPATCH_PROPERTYGET, nullptr, custom_count);
    char text[32] = "S=";
    char* end = append_decimal(text + 2, server_count.vt == VT_I4 ? server_count.lVal : -1);
    std::memcpy(end, " C=", 3);
    end = append_decimal(end + 3, custom_count.vt == VT_I4 ? custom_count.lVal : -1);
    *end = '\0';
    send(from_ascii(text).get());
}

void Script::call_through_invoke(OLECHAR const* member_and_flags)
{
    std::size_t bar = 0;
    std::size_t const length = length_of(member_and_flags);
    while (bar < length && member_and_flags[bar] != '|')
        ++bar;
    Text const member = Text(SysAllocStringLen(member_and_flags, static_cast<UINT>(bar)));
    quillmate::Ref<CustomItems> collection;
    if (FAILED(get_collection(collection.out())))
        return;
    auto const flags = static_cast<WORD>(bar < length ? parse_number(member_and_flags + bar + 1) : 0);
    bool const tracing = std::exchange(m_tracing, true);
    VARIANT result;
    invoke(*collection.get(), parse_number(member.get()), flags, nullptr, result);
    m_tracing = tracing;
    VariantClear(&result);
}

void Script::keep_enumerator()
{
    quillmate::Ref<CustomItems> collection;
    quillmate::Ref<IUnknown> unknown;
    quillmate::Ref<IEnumVARIANT> enumerator;
    if (FAILED(get_collection(collection.out())) || FAILED(traced("_NewEnum", collection->get__NewEnum(unknown.out())))
        || FAILED(unknown->QueryInterface(IID_IEnumVARIANT, enumerator.out_void())))
        return;
    release_kept_enumerator();
    kept_enumerator = enumerator.detach();
}

Script::Outcome Script::perform(BSTR command, BSTR argument, EXCEPINFO* exception, HRESULT& status)
{
    if (perform_template_command(command, argument))
        return Outcome::go_on;
    if (command_is(command, QMT_TEXT("send"))) {
        send(argument);
    } else if (command_is(command, QMT_TEXT("sendnull"))) {
        VARIANT missing = missing_argument();
        traced("SendString", m_environment.SendString(nullptr, &missing));
    } else if (command_is(command, QMT_TEXT("sleep"))) {
        VARIANT pause;
        VariantInit(&pause);
        pause.vt = VT_BSTR;
        pause.bstrVal = argument; // borrowed: the variant is not cleared
        send_with_sleep(QMT_TEXT("z"), &pause);
    } else if (command_is(command, QMT_TEXT("file"))) {
        VARIANT missing = missing_argument();
        traced("SendFile", m_environment.SendFile(argument, &missing));
    } else if (command_is(command, QMT_TEXT("open"))) {
        traced("OpenOutputFile", m_environment.OpenOutputFile(argument));
    } else if (command_is(command, QMT_TEXT("close"))) {
        traced("CloseOutputFile", m_environment.CloseOutputFile());
    } else if (command_is(command, QMT_TEXT("server")) || command_is(command, QMT_TEXT("custom"))) {
        VARIANT index;
        VariantInit(&index);
        index.vt = VT_BSTR;
        index.bstrVal = argument; // borrowed
        if (command_is(command, QMT_TEXT("server")))
            send_item_value<ServerItems>(index);
        else
            send_item_value<CustomItems>(index);
    } else if (command_is(command, QMT_TEXT("units"))) {
        Text const name = from_hex_units(argument);
        VARIANT index;
        VariantInit(&index);
        index.vt = VT_BSTR;
        index.bstrVal = name.get(); // borrowed
        send_item_value<CustomItems>(index);
    } else if (command_is(command, QMT_TEXT("servernum")) || command_is(command, QMT_TEXT("customnum"))) {
        VARIANT index;
        VariantInit(&index);
        index.vt = VT_I4;
        index.lVal = parse_int32(argument);
        if (command_is(command, QMT_TEXT("servernum")))
            send_item_value<ServerItems>(index);
        else
            send_item_value<CustomItems>(index);
    } else if (command_is(command, QMT_TEXT("count"))) {
        send_counts();
    } else if (command_is(command, QMT_TEXT("dispenum"))) {
        if (command_is(argument, QMT_TEXT("server")))
            send_names_through_invoke<ServerItems>();
        else
            send_names_through_invoke<CustomItems>();
    } else if (command_is(command, QMT_TEXT("dispitem")) || command_is(command, QMT_TEXT("dispitemnum"))) {
        VARIANT index;
        VariantInit(&index);
        if (command_is(command, QMT_TEXT("dispitem"))) {
            index.vt = VT_BSTR;
            index.bstrVal = argument; // borrowed
        } else {
            index.vt = VT_I4;
            index.lVal = parse_int32(argument);
        }
        send_item_value_through_invoke(index);
    } else if (command_is(command, QMT_TEXT("dispcount"))) {
        send_counts_through_invoke();
    } else if (command_is(command, QMT_TEXT("dispcall"))) {
        call_through_invoke(argument);
    } else if (command_is(command, QMT_TEXT("raise")) || command_is(command, QMT_TEXT("raisedeferred"))) {
        status = raise(argument, command_is(command, QMT_TEXT("raisedeferred")), exception);
        return Outcome::end;
    } else if (command_is(command, QMT_TEXT("fail"))) {
        status = parse_number(argument);
        return Outcome::end;
    } else if (command_is(command, QMT_TEXT("fault"))) {
        write_through_null_pointer();
    } else if (command_is(command, QMT_TEXT("keepenum"))) {
        keep_enumerator();
    } else if (command_is(command, QMT_TEXT("keep"))) {
        m_environment.AddRef(); // never released: the environment must outlive the request
    } else if (command_is(command, QMT_TEXT("status"))) {
        m_tracing = !m_tracing;
    }
    return Outcome::go_on;
}

HRESULT Script::run(EXCEPINFO* exception)
{
    // The script is read through the enumerator: reading it needs no number conversion,
    // so the commands that test Item by number depend on nothing but themselves.
    quillmate::Ref<CustomItems> script;
    quillmate::Ref<IUnknown> unknown;
    quillmate::Ref<IEnumVARIANT> steps;
    if (FAILED(m_environment.get_CustomItems(script.out())) || FAILED(script->get__NewEnum(unknown.out()))
        || FAILED(unknown->QueryInterface(IID_IEnumVARIANT, steps.out_void())))
        return E_FAIL;
    for (;;) {
        VARIANT element;
        VariantInit(&element);
        ULONG fetched = 0;
        if (steps->Next(1, &element, &fetched) != S_OK)
            return S_OK;
        quillmate::Ref<CustomItem> item;
        Text command;
        Text argument;
        bool const readable = element.vt == VT_DISPATCH && element.pdispVal != nullptr
            && SUCCEEDED(element.pdispVal->QueryInterface(IID_CustomItem, item.out_void()))
            && SUCCEEDED(item->get_Name(command.out())) && SUCCEEDED(item->get_Value(argument.out()));
        VariantClear(&element);
        if (!readable)
            continue;
        HRESULT status = S_OK;
        if (perform(command.get(), argument.get(), exception, status) == Outcome::end)
            return status;
    }
}

template<typename Collection>
HRESULT Script::dump()
{
    quillmate::Ref<Collection> collection;
    LONG count = 0;
    if (FAILED(get_collection(collection.out())) || FAILED(collection->get_Count(&count)))
        return E_FAIL;
    char header[24] = "C=";
    char* end = append_decimal(header + 2, count);
    end[0] = '\n';
    end[1] = '\0';
    send(from_ascii(header).get());
    for (LONG position = 1; position <= count; ++position) {
        VARIANT index;
        VariantInit(&index);
        index.vt = VT_I4;
        index.lVal = position;
        quillmate::Ref<typename ItemOf<Collection>::Type> item;
        Text name;
        Text value;
        if (FAILED(collection->get_Item(&index, item.out())) || FAILED(item->get_Name(name.out()))
            || FAILED(item->get_Value(value.out())))
            return E_FAIL;
        Text const line = join({QMT_TEXT("["), name.get(), QMT_TEXT("]=["), value.get(), QMT_TEXT("]\n")});
        send(line.get());
    }
    return S_OK;
}

HRESULT Script::dump_custom_items() { return dump<CustomItems>(); }

HRESULT Script::dump_server_items() { return dump<ServerItems>(); }

HRESULT Script::enumerate_server_items()
{
    quillmate::Ref<ServerItems> collection;
    quillmate::Ref<IUnknown> unknown;
    quillmate::Ref<IEnumVARIANT> enumerator;
    if (FAILED(get_collection(collection.out())) || FAILED(collection->get__NewEnum(unknown.out()))
        || FAILED(unknown->QueryInterface(IID_IEnumVARIANT, enumerator.out_void())))
        return E_FAIL;
    // Bounded, so that an enumerator that never ends cannot hang the request.
    for (int handed_out = 0; handed_out < 1000; ++handed_out) {
        VARIANT element;
        VariantInit(&element);
        ULONG fetched = 0;
        if (enumerator->Next(1, &element, &fetched) != S_OK)
            break;
        quillmate::Ref<ServerItem> item;
        Text name;
        if (element.vt == VT_DISPATCH && element.pdispVal != nullptr
            && SUCCEEDED(element.pdispVal->QueryInterface(IID_ServerItem, item.out_void()))
            && SUCCEEDED(item->get_Name(name.out())))
            send(join({name.get(), QMT_TEXT("\n")}).get());
        else
            send(QMT_TEXT("?\n"));
        VariantClear(&element);
    }
    return S_OK;
}

void release_kept_enumerator()
{
    auto kept = quillmate::Ref<IEnumVARIANT>::adopt(std::exchange(kept_enumerator, nullptr));
    if (!kept)
        return;
    write_remaining_items(*kept.get());
    // The environment is gone by now: a lookup that fails has no page to write.
    quillmate::Ref<CustomItems> collection;
    if (SUCCEEDED(kept->QueryInterface(IID_CustomItems, collection.out_void()))) {
        VARIANT index;
        VariantInit(&index);
        index.vt = VT_BSTR;
        index.bstrVal = nullptr; // the empty text
        quillmate::Ref<CustomItem> item;
        write_status_line("Item", collection->get_Item(&index, item.out()));
    }
}

} // namespace probe

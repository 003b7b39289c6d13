#include "gateway/form_decoder.h"

#include "automation/creation.h"
#include "common/text_conversion.h"
#include "gateway/class_allow_list.h"
#include "report/error_page.h"
#include "report/message_numbers.h"

namespace qmt {
namespace {

// The digit value of an escape's byte, never validated: 0-9, A-F and a-f give their
// hexadecimal values; any other byte gives a value all the same.
unsigned digit_value(unsigned char byte)
{
    if (byte >= 0x41 && byte <= 0x7F)
        return static_cast<unsigned>((byte & 0xDF) - 0x37);
    return static_cast<unsigned>(byte - 0x30);
}

constexpr WideChar empty_text[] = {0};

// The bytes that mean something in form data; all others are copied as they are.
constexpr auto form_syntax = [] {
    struct Table {
        bool entries[256] {};
    } table;
    for (unsigned char byte : {'+', '%', '=', '&'})
        table.entries[byte] = true;
    return table;
}();

bool is_form_syntax(unsigned char byte) { return form_syntax.entries[byte]; }

// Splits "Class Method" at its first space (within the value's own units).
bool split_target_name(WideChar* text, std::size_t units, WideChar*& method)
{
    for (std::size_t i = 0; i < units; ++i) {
        if (text[i] == u' ') {
            text[i] = 0;
            method = text + i + 1;
            return true;
        }
    }
    return false;
}

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", for the line on standard error.
void add_class_id(DiagnosticText& text, CLSID const& id)
{
    char digits[32];
    auto put = [&digits](int at, std::uint32_t value, int count) {
        for (int i = count - 1; i >= 0; --i, value >>= 4)
            digits[at + i] = "0123456789ABCDEF"[value & 0xF];
    };
    put(0, id.Data1, 8);
    put(8, id.Data2, 4);
    put(12, id.Data3, 4);
    for (int i = 0; i < 8; ++i)
        put(16 + 2 * i, id.Data4[i], 2);
    std::string_view const hex(digits, sizeof digits);
    text.add("{").add(hex.substr(0, 8)).add("-").add(hex.substr(8, 4)).add("-").add(hex.substr(12, 4)).add("-");
    text.add(hex.substr(16, 4)).add("-").add(hex.substr(20, 12)).add("}");
}

// The target's object, through the worker's cache when there is one: a class created before
// is made from its remembered server, another one is remembered once it was made.
// A worker's first request for a class: the server found, used and remembered. Apart from
// create_target_object, whose request path (one request a process) then reserves no stack for
// a server's path: every stack page a request reaches costs it a fault.
HRESULT create_and_remember(WideChar const* class_name, CLSID const& class_id, ClassCache& classes, void** object,
                            DiagnosticText& cause)
{
    ClassServer found;
    HRESULT status = find_class_server(class_id, found, cause);
    if (FAILED(status))
        return status;
    status = create_from_server(found, IID_IDispatch, object, cause);
    if (status == S_OK && *object != nullptr)
        classes.remember(class_name, found);
    return status;
}

HRESULT create_target_object(WideChar const* class_name, CLSID const& class_id, ClassServer const* cached,
                             ClassCache* classes, void** object, DiagnosticText& cause)
{
    if (cached != nullptr)
        return create_from_server(*cached, IID_IDispatch, object, cause);
    if (classes == nullptr)
        return create_object(class_id, IID_IDispatch, object, cause);
    return create_and_remember(class_name, class_id, *classes, object, cause);
}

// The cause of a failed step is gathered apart (`cause`) and put behind the step's name only
// once the step has failed: a request whose target is found formats no line.
bool resolve_target(Environment& environment, WideChar const* value, std::size_t units, DecodingBuffers& buffers,
                    Target& target, RequestSource const& source, ClassCache* classes)
{
    ErrorState& errors = environment.error_state();
    DiagnosticText& line = buffers.line;
    DiagnosticText& cause = buffers.cause;
    line.clear();
    cause.clear();
    WideChar* method_name = nullptr;
    // The value lives in the value buffer unless it was empty (then nothing can split it).
    WideChar* text = value == buffers.value.data() ? buffers.value.data() : nullptr;
    if (text == nullptr || !split_target_name(text, units, method_name)) {
        line.add("target ").add_quoted(value).add(": no blank between the class name and the method name");
        report_error(errors, message::InvalidTargetName, value, line);
        return false;
    }
    WideChar const* class_name = text;
    target.class_name = class_name;
    target.method_name = method_name;
    auto find_line = [&]() -> DiagnosticText& {
        return line.add("find class ").add_quoted(class_name).add(": ").add(cause.view());
    };
    ClassServer const* cached = classes != nullptr ? classes->find(class_name) : nullptr;
    // A class the operator's allow-list leaves out is answered as one that is not registered.
    ClassAccess const access
        = cached != nullptr ? class_access_by_environment(class_name, source) : class_access(class_name, source);
    if (access == ClassAccess::unknown) {
        report_error(errors, message::RequestOutOfMemory, find_line().add("no memory to read the allow-list"));
        return false;
    }
    if (access == ClassAccess::refused) {
        find_line()
            .add("left out by the operator's allow-list (")
            .add(allowed_classes_variable)
            .add(", HKEY_LOCAL_MACHINE\\");
        report_error(errors, message::ClassNotRegistered, class_name, line.add(allowed_classes_key).add(")"));
        return false;
    }
    CLSID class_id = cached != nullptr ? cached->clsid : CLSID {};
    if (cached == nullptr && class_id_from_name(class_name, class_id, cause) != S_OK) {
        report_error(errors, message::ClassNotRegistered, class_name, find_line());
        return false;
    }
    // Any status but 0 is a failure, a success status such as S_FALSE included; an object
    // handed out with it is given back.
    cause.clear();
    void* object = nullptr;
    HRESULT const created = create_target_object(class_name, class_id, cached, classes, &object, cause);
    if (created != S_OK || object == nullptr) {
        if (object != nullptr)
            static_cast<IUnknown*>(object)->Release();
        line.add("create ").add_quoted(class_name).add(" ");
        add_class_id(line, class_id);
        line.add(": ").add(cause.view());
        if (SUCCEEDED(created))
            line.add("CoCreateInstance returned ")
                .add_status(created)
                .add(object == nullptr ? " without an object" : ", which counts as a failure");
        report_error(errors, message::ObjectNotCreated, class_name, line);
        return false;
    }
    target.object = static_cast<IDispatch*>(object);
    LPOLESTR names[] = {method_name};
    HRESULT const found = target.object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &target.method);
    if (found != S_OK) {
        line.add("find method ")
            .add_quoted(method_name)
            .add(" of ")
            .add_quoted(class_name)
            .add(": GetIDsOfNames returned ")
            .add_status(found);
        report_error(errors, message::MethodNotFound, method_name, line);
        return false;
    }
    return true;
}

} // namespace

std::size_t decode_segment(char* data, std::size_t count, std::size_t& position, char terminator,
                           bool& ended_at_terminator)
{
    ended_at_terminator = false;
    std::size_t const start = position;
    auto const end_mark = static_cast<unsigned char>(terminator);

    // Until the first escape every decoded byte stays where it is: only "+" is rewritten.
    while (position < count) {
        auto const byte = static_cast<unsigned char>(data[position]);
        if (!is_form_syntax(byte)) { // NOLINT(bugprone-branch-clone): ordinary bytes and the other terminator alike
            ++position;
        } else if (byte == '+') {
            data[position++] = ' ';
        } else if (byte == end_mark) {
            ended_at_terminator = true;
            return position++ - start;
        } else if (byte == '%') {
            break;
        } else {
            ++position; // the other segment's terminator is an ordinary byte here
        }
    }

    std::size_t out = position;
    while (position < count) {
        auto const byte = static_cast<unsigned char>(data[position]);
        if (byte == end_mark) {
            ++position;
            ended_at_terminator = true;
            break;
        }
        if (byte == '+') {
            data[out++] = ' ';
            ++position;
        } else if (byte == '%' && count - position >= 3) {
            unsigned const high = digit_value(static_cast<unsigned char>(data[position + 1]));
            unsigned const low = digit_value(static_cast<unsigned char>(data[position + 2]));
            data[out++] = static_cast<char>((16 * high + low) & 0xFF);
            position += 3;
        } else {
            // Includes a "%" too close to the end of the data to be an escape: kept as it is.
            data[out++] = static_cast<char>(byte);
            ++position;
        }
    }
    return out - start;
}

WideChar const* convert_segment(char const* bytes, std::size_t length, ScratchBuffer<WideChar>& buffer,
                                std::size_t& units)
{
    units = 0;
    if (length == 0)
        return empty_text;
    // n narrow bytes never become more than n wide units.
    if (!buffer.reserve(length + 1))
        return nullptr;
    units = wide_from_narrow_into(bytes, length, buffer.data(), length + 1);
    return buffer.data();
}

std::size_t count_form_pairs(char const* data, std::size_t count, std::size_t stop_after)
{
    // decode_segment's rules without its rewriting: an escape always takes its three bytes,
    // so a terminator inside one ends nothing.
    auto skip_segment = [&](std::size_t& position, char terminator) {
        while (position < count) {
            char const byte = data[position];
            if (byte == terminator) {
                ++position;
                return true;
            }
            position += byte == '%' && count - position >= 3 ? 3 : 1;
        }
        return false;
    };
    std::size_t pairs = 0;
    std::size_t position = 0;
    while (++pairs <= stop_after && skip_segment(position, '=') && skip_segment(position, '&')) { }
    return pairs;
}

bool decode_form_data(Environment& environment, char* data, std::size_t count, DecodingBuffers& buffers, Target& target,
                      RequestSource const& source, ClassCache* classes)
{
    bool first_pair = true;
    bool resolved = false;
    bool stored = true;
    split_decoded_pairs(data, count, [&](DecodedPair const& pair) {
        std::size_t units = 0;
        if (first_pair) {
            // The first name is ignored: it is never converted.
            first_pair = false;
            WideChar const* value = convert_segment(pair.value, pair.value_length, buffers.value, units);
            stored = value != nullptr;
            resolved = stored && resolve_target(environment, value, units, buffers, target, source, classes);
            return resolved;
        }
        WideChar const* name = convert_segment(pair.name, pair.name_length, buffers.name, units);
        stored = name != nullptr
            && environment.custom_items()->add_converting(name, pair.value, pair.value_length) == S_OK;
        return stored;
    });
    if (!stored) {
        buffers.line.clear();
        report_error(environment.error_state(), message::RequestOutOfMemory,
                     buffers.line.add("decode the form data: not enough memory"));
        return false;
    }
    return resolved;
}

} // namespace qmt

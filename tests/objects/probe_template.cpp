// The probe's template commands (listed in probe_script.h): the environment's five template
// members, with ways to pass the null texts and the Sleep that a caller may give them.
#include "probe_script.h"
#include "probe_text.h"

namespace probe {
namespace {

VARIANT omitted_sleep()
{
    VARIANT missing;
    VariantInit(&missing);
    missing.vt = VT_ERROR;
    missing.scode = DISP_E_PARAMNOTFOUND;
    return missing;
}

// "P|R" split at the first "|"; without one the whole text is P and R is empty.
void split_pair(OLECHAR const* text, Text& placeholder, Text& replacement)
{
    std::size_t const length = length_of(text);
    std::size_t bar = 0;
    while (bar < length && text[bar] != '|')
        ++bar;
    placeholder = Text(SysAllocStringLen(text, static_cast<UINT>(bar)));
    std::size_t const rest = bar < length ? length - bar - 1 : 0;
    replacement = Text(SysAllocStringLen(bar < length ? text + bar + 1 : text, static_cast<UINT>(rest)));
}

bool is(BSTR command, OLECHAR const* name) { return equal(command, name); }

} // namespace

bool Script::perform_template_command(BSTR command, BSTR argument)
{
    QmtEnvironment& environment = m_environment;
    if (is(command, QMT_TEXT("template"))) {
        traced("OpenTemplate", environment.OpenTemplate(argument));
    } else if (is(command, QMT_TEXT("templatenull"))) {
        traced("OpenTemplate", environment.OpenTemplate(nullptr));
    } else if (is(command, QMT_TEXT("field"))) {
        Text placeholder;
        Text replacement;
        split_pair(argument, placeholder, replacement);
        traced("SendTemplate", environment.SendTemplate(placeholder.get(), replacement.get()));
    } else if (is(command, QMT_TEXT("fieldrows"))) {
        // "N|P|R": N rows of the current section, each SendTemplate(P, R); traced once.
        std::int32_t const count = parse_int32(argument);
        std::size_t bar = 0;
        while (argument[bar] != 0 && argument[bar] != '|')
            ++bar;
        Text placeholder;
        Text replacement;
        split_pair(argument[bar] == '|' ? argument + bar + 1 : argument + bar, placeholder, replacement);
        HRESULT status = S_OK;
        for (std::int32_t row = 0; row < count && SUCCEEDED(status); ++row)
            status = environment.SendTemplate(placeholder.get(), replacement.get());
        traced("SendTemplate", status);
    } else if (is(command, QMT_TEXT("fieldnullname"))) {
        traced("SendTemplate", environment.SendTemplate(nullptr, argument));
    } else if (is(command, QMT_TEXT("fieldnullvalue"))) {
        traced("SendTemplate", environment.SendTemplate(argument, nullptr));
    } else if (is(command, QMT_TEXT("section"))) {
        traced("BeginSection", environment.BeginSection(argument));
    } else if (is(command, QMT_TEXT("sectionnull"))) {
        traced("BeginSection", environment.BeginSection(nullptr));
    } else if (is(command, QMT_TEXT("endsection"))) {
        traced("EndSection", environment.EndSection());
    } else if (is(command, QMT_TEXT("closetemplate"))) {
        VARIANT omitted = omitted_sleep();
        traced("CloseTemplate", environment.CloseTemplate(&omitted));
    } else if (is(command, QMT_TEXT("closetemplatesleep"))) {
        VARIANT pause;
        VariantInit(&pause);
        pause.vt = VT_BSTR;
        pause.bstrVal = argument; // borrowed: the variant is not cleared
        traced("CloseTemplate", environment.CloseTemplate(&pause));
    } else {
        return false;
    }
    return true;
}

} // namespace probe

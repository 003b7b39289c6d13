#include "template_page.h"

#include "raised_error.h"

#include <cstdio>

namespace shop {

void TemplatePage::check(HRESULT status, std::string_view step)
{
    if (m_status == S_OK && status != S_OK) {
        m_status = status;
        m_failed_step = step;
    }
}

HRESULT TemplatePage::finish(EXCEPINFO* exception)
{
    if (m_status == S_OK)
        return S_OK;
    PageText description;
    description.literal("The page could not be written: ").literal(m_failed_step).literal(" failed with status 0x");
    char code[16];
    std::snprintf(code, sizeof code, "%08lX", static_cast<unsigned long>(static_cast<ULONG>(m_status)));
    description.literal(code);
    return raise_error(exception, description);
}

Text TemplatePage::path_text(char const* path)
{
    PageText wide;
    if (!append_path(wide, path)) {
        check(E_INVALIDARG, "converting a file name");
        return {};
    }
    OLECHAR const* units = wide.text();
    Text made = Text::copy(units);
    if (units == nullptr || !made.valid())
        check(E_OUTOFMEMORY, "converting a file name");
    return made;
}

void TemplatePage::send(std::string_view ascii)
{
    if (!ready())
        return;
    Text const text = Text::ascii(ascii);
    check(text.valid() ? m_environment.SendString(text.get(), nullptr) : E_OUTOFMEMORY, "SendString");
}

void TemplatePage::open(char const* template_name)
{
    SamplePath path;
    if (!ready())
        return;
    if (!file_beside_library(template_name, path)) {
        check(E_FAIL, "finding the sample's folder");
        return;
    }
    Text const name = path_text(path.text);
    if (ready())
        check(m_environment.OpenTemplate(name.get()), "OpenTemplate");
}

void TemplatePage::field(std::string_view placeholder, PageText& value)
{
    if (!ready())
        return;
    OLECHAR const* units = value.text();
    Text const name = Text::ascii(placeholder);
    Text const replacement = Text::copy(units);
    if (units == nullptr || !name.valid() || !replacement.valid()) {
        check(E_OUTOFMEMORY, "SendTemplate");
        return;
    }
    check(m_environment.SendTemplate(name.get(), replacement.get()), "SendTemplate");
}

void TemplatePage::field(std::string_view placeholder, std::string_view ascii)
{
    PageText value;
    value.literal(ascii);
    field(placeholder, value);
}

void TemplatePage::begin_section(std::string_view name)
{
    if (!ready())
        return;
    Text const text = Text::ascii(name);
    check(text.valid() ? m_environment.BeginSection(text.get()) : E_OUTOFMEMORY, "BeginSection");
}

void TemplatePage::end_section()
{
    if (ready())
        check(m_environment.EndSection(), "EndSection");
}

void TemplatePage::close()
{
    if (ready())
        check(m_environment.CloseTemplate(nullptr), "CloseTemplate");
}

void TemplatePage::open_output(char const* path)
{
    if (!ready())
        return;
    Text const name = path_text(path);
    if (ready())
        check(m_environment.OpenOutputFile(name.get()), "OpenOutputFile");
}

void TemplatePage::close_output()
{
    // Closed whatever happened before: a file left open would stay the response's target.
    check(m_environment.CloseOutputFile(), "CloseOutputFile");
}

void TemplatePage::send_file(char const* path)
{
    if (!ready())
        return;
    Text const name = path_text(path);
    if (ready())
        check(m_environment.SendFile(name.get(), nullptr), "SendFile");
}

} // namespace shop

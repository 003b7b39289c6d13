#include "template_page.h"

#include "sample_system.h"

#include <cstdio>

namespace shop {

using quillmate::Text;

void TemplatePage::check(HRESULT status, std::string_view step)
{
    if (m_status == S_OK && status != S_OK) {
        m_status = status;
        m_failed_step = step;
    }
}

Text TemplatePage::failure() const
{
    char code[16];
    std::snprintf(code, sizeof code, "%08lX", static_cast<unsigned long>(static_cast<ULONG>(m_status)));
    quillmate::TextBuilder description;
    description.utf8("The page could not be written: ").utf8(m_failed_step).utf8(" failed with status 0x").utf8(code);
    return description.take();
}

Text TemplatePage::file_name(char const* path)
{
    Text name = path_text(path);
    if (!name)
        check(E_INVALIDARG, "converting a file name");
    return name;
}

void TemplatePage::send(std::string_view utf8)
{
    if (ready())
        check(quillmate::send(m_environment, utf8), "SendString");
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
    Text const name = file_name(path.text);
    if (ready())
        check(m_environment.OpenTemplate(name.get()), "OpenTemplate");
}

void TemplatePage::field(std::string_view placeholder, quillmate::TextBuilder& value)
{
    Text const replacement = value.take();
    if (!ready())
        return;
    Text const name = Text::from_utf8(placeholder);
    if (!name || !replacement) {
        check(E_OUTOFMEMORY, "SendTemplate");
        return;
    }
    check(m_environment.SendTemplate(name.get(), replacement.get()), "SendTemplate");
}

void TemplatePage::begin_section(std::string_view name)
{
    if (!ready())
        return;
    Text const text = Text::from_utf8(name);
    check(text ? m_environment.BeginSection(text.get()) : E_OUTOFMEMORY, "BeginSection");
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
    Text const name = file_name(path);
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
    Text const name = file_name(path);
    if (ready())
        check(m_environment.SendFile(name.get(), nullptr), "SendFile");
}

} // namespace shop

#include "template/template_state.h"

#include "common/heap_ptr.h"
#include "common/text_conversion.h"
#include "report/error_page.h"
#include "report/message_numbers.h"
#include "template/template_expansion.h"

#include <utility>

namespace qmt {

HRESULT TemplateState::open(WideChar const* filename, ErrorState& error_state)
{
    if (is_open()) {
        report_error(error_state, message::TemplateAlreadyOpen, filename);
        return E_FAIL;
    }
    NarrowText const name = narrow_from_wide(filename);
    if (!name.bytes)
        return E_OUTOFMEMORY;
    platform::File file = platform::File::open_for_reading(name.bytes.get());
    if (!file.is_open()) {
        report_error(error_state, message::FileNotOpened, filename);
        return STG_E_FILENOTFOUND;
    }
    // The main section: the fields outside section blocks.
    if (!m_store.add_section(nullptr, false))
        return E_OUTOFMEMORY;
    m_file = std::move(file);
    return S_OK;
}

HRESULT TemplateState::refuse_send(WideChar const* placeholder, ErrorState& error_state)
{
    if (!is_open())
        report_error(error_state, message::SendTemplateWithoutTemplate, placeholder);
    else
        report_error(error_state, message::SendTemplateNullParameters);
    return E_FAIL;
}

HRESULT TemplateState::begin_section(WideChar const* name, ErrorState& error_state)
{
    if (!is_open()) {
        report_error(error_state, message::BeginSectionWithoutTemplate, name);
        return E_FAIL;
    }
    if (m_store.find_section(name) >= 0) {
        report_error(error_state, message::SectionNameReused, name);
        return E_FAIL;
    }
    return m_store.add_section(name, true) ? S_OK : E_OUTOFMEMORY;
}

HRESULT TemplateState::end_section(ErrorState& error_state)
{
    if (!is_open()) {
        report_error(error_state, message::EndSectionWithoutTemplate);
        return E_FAIL;
    }
    m_store.make_main_section_current();
    return S_OK;
}

TemplateClose TemplateState::close(ByteSink sink, ErrorState& error_state)
{
    if (!is_open() || error_state.is_set())
        return TemplateClose::not_read;
    // An empty file is not expanded, as one cannot be mapped: the template then stays open with its fields.
    std::uint64_t const size = m_file.size().value_or(0);
    if (size == 0)
        return TemplateClose::not_read;
    std::optional<ExpansionEnd> const end = size <= read_limit
        ? expand_read(static_cast<std::size_t>(size), sink, error_state)
        : expand_mapped(size, sink, error_state);
    if (!end)
        return TemplateClose::not_read;
    discard();
    return *end == ExpansionEnd::finished ? TemplateClose::written : TemplateClose::written_short_of_memory;
}

std::optional<ExpansionEnd> TemplateState::expand_read(std::size_t size, ByteSink sink, ErrorState& error_state)
{
    HeapPtr<unsigned char> const bytes = HeapPtr<unsigned char>::allocate(size);
    if (!bytes)
        return std::nullopt;
    // A file that shrank since it was measured is expanded as far as it now goes.
    std::optional<std::size_t> const length = m_file.read_at(0, bytes.get(), size);
    if (!length)
        return std::nullopt;
    return expand(bytes.get(), *length, sink, error_state);
}

std::optional<ExpansionEnd> TemplateState::expand_mapped(std::uint64_t size, ByteSink sink, ErrorState& error_state)
{
    platform::FileView const view = platform::FileView::map_read_only(m_file, 0, size);
    if (!view.is_mapped())
        return std::nullopt;
    return expand(view.data(), static_cast<std::size_t>(view.length()), sink, error_state);
}

ExpansionEnd TemplateState::expand(unsigned char const* bytes, std::size_t length, ByteSink sink,
                                   ErrorState& error_state)
{
    GatheredOutput output(sink);
    ExpansionEnd const end = expand_template(bytes, length, m_store, output, error_state);
    output.flush();
    return end;
}

void TemplateState::discard()
{
    m_store.release();
    m_file.close();
}

} // namespace qmt

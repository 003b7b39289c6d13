// The template that is open on an environment: its file and its store of fields. These are
// the environment's five template members (OpenTemplate, SendTemplate, BeginSection,
// EndSection, CloseTemplate); each reports its messages on the environment's error state.
// Only CloseTemplate looks at that state.
#pragma once

#include "automation/automation.h"
#include "platform/file.h"
#include "report/error_state.h"
#include "template/gathered_output.h"
#include "template/section_store.h"
#include "template/template_expansion.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace qmt {

enum class TemplateClose {
    not_read, // no template open, an error page earlier, or the template could not be read: nothing changed
    written, // the page is written (or ended by its message); the template is closed
    written_short_of_memory, // the same, but the page stopped where memory ran out
};

class TemplateState {
public:
    bool is_open() const { return m_file.is_open(); }

    HRESULT open(WideChar const* filename, ErrorState& error_state);
    // Inline, as a page may send hundreds of thousands of values: the refusals are apart.
    HRESULT send(WideChar const* placeholder, WideChar const* replacement, ErrorState& error_state)
    {
        if (!is_open() || placeholder == nullptr || replacement == nullptr)
            return refuse_send(placeholder, error_state);
        return m_store.append(placeholder, replacement) ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT begin_section(WideChar const* name, ErrorState& error_state);
    HRESULT end_section(ErrorState& error_state);
    // Expands the template into `sink`, every byte handed on before it returns, then closes
    // the template and releases the store. The caller flushes and pauses.
    TemplateClose close(ByteSink sink, ErrorState& error_state);
    // Closes an open template and releases the store without writing anything.
    void discard();

private:
    HRESULT refuse_send(WideChar const* placeholder, ErrorState& error_state);
    // A template of a few pages is read into memory: mapping it would cost more (a mapping, a
    // page fault that maps its neighbours as well, an unmapping) than the copy. Larger ones are
    // mapped. Both give nothing when the file cannot be read.
    static constexpr std::uint64_t read_limit = 16 * 1024;
    std::optional<ExpansionEnd> expand_read(std::size_t size, ByteSink sink, ErrorState& error_state);
    std::optional<ExpansionEnd> expand_mapped(std::uint64_t size, ByteSink sink, ErrorState& error_state);
    ExpansionEnd expand(unsigned char const* bytes, std::size_t length, ByteSink sink, ErrorState& error_state);

    platform::File m_file;
    SectionStore m_store;
};

} // namespace qmt

// The scan of CloseTemplate: the mapped template written through the gathered output, each
// field comment replaced by its value from the main section and each section block written
// once per row of its section. One forward pass; a block's body is parsed once into
// positions and replayed for every row.
#pragma once

#include "report/error_state.h"
#include "template/gathered_output.h"
#include "template/marker_scan.h"
#include "template/section_store.h"

#include <cstddef>

namespace qmt {

enum class ExpansionEnd {
    finished, // the end of the template, or a message (15, 16, 20), or a missing closer
    short_of_memory, // the scan stopped where memory for its working lists ran out
};

// Writes the page. Before a message's error page, everything gathered is handed on, so the
// page follows every template byte written before it.
ExpansionEnd expand_template(TemplateByte const* begin, std::size_t size, SectionStore const& store,
                             GatheredOutput& output, ErrorState& error_state);

} // namespace qmt

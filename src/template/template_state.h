// The fields of the template that is open on an environment: the template file, the
// section that SendTemplate appends to, and the list of sections.
#pragma once

#include "common/pointer_list.h"
#include "platform/file.h"

#include <cstdint>

namespace qmt {

struct TemplateState {
    platform::File file;
    std::int32_t current_section {0};
    PointerList sections;
};

} // namespace qmt

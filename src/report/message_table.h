// The message table: the numbered texts of the error pages, one row per line of
// messages.txt, generated in the build. The report hands it to the platform's string
// loading; Windows builds read the same rows from the executable's string-table resource.
#pragma once

#include "platform/module.h"

#include <span>

namespace qmt {

std::span<platform::StringRow const> message_table();

} // namespace qmt

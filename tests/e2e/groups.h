// The functions that build the rows of each group of the table (groups.inc lists them).
// Each group is one test suite of the same name.
#pragma once

#include "case.h"

#include <vector>

namespace e2e {

#define E2E_GROUP(suite, rows) std::vector<Case> rows();
#include "groups.inc"
#undef E2E_GROUP

} // namespace e2e

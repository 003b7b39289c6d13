// The target of this run of the tests, prepared by main() from the command line.
#pragma once

#include "target.h"

namespace e2e {

Target const& target_under_test();

} // namespace e2e

// The one marker of members that answer but do not work yet: each returns not_built_yet,
// and the README lists them under "What does not work yet". A member leaves this list when
// the work that builds it lands.
#pragma once

#include "automation/automation.h"

namespace qmt {

inline constexpr HRESULT not_built_yet = E_NOTIMPL;

} // namespace qmt

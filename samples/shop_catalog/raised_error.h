// An error raised by a method, as a component written in Basic raises one: the method
// returns DISP_E_EXCEPTION with its source and description, and the gateway writes its
// error page (message 22) with both, escaped. A bare failure status would end the request
// without any page at all.
#pragma once

#include "page_text.h"
#include "quillmate/runtime.h"

namespace shop {

HRESULT raise_error(EXCEPINFO* exception, PageText& description);

} // namespace shop

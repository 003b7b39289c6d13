#include "platform/code_page.h"

#include <windows.h>

namespace qmt::platform {

int narrow_from_wide(WideChar const* wide, int wide_length, char* narrow, int narrow_capacity)
{
    return WideCharToMultiByte(CP_ACP, 0, wide, wide_length, narrow, narrow_capacity, nullptr, nullptr);
}

int wide_from_narrow(char const* narrow, int narrow_length, WideChar* wide, int wide_capacity)
{
    return MultiByteToWideChar(CP_ACP, 0, narrow, narrow_length, wide, wide_capacity);
}

} // namespace qmt::platform

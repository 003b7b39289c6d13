// The UTF-16 code unit: the one type of every wide text in the program. It is the
// automation runtime's OLECHAR on every platform (wchar_t on Windows, char16_t elsewhere),
// so texts pass between the program and the runtime without a cast.
#pragma once

namespace qmt {

#ifdef _WIN32
using WideChar = wchar_t;
#else
using WideChar = char16_t;
#endif
static_assert(sizeof(WideChar) == 2, "a UTF-16 unit is two bytes");

} // namespace qmt

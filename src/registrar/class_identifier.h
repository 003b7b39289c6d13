// Class identifiers for object authors: a new random one, and the two forms an author needs,
// the registry's text and the C++ initializer.
#pragma once

#include "quillmate/com_abi.h"

#include <string>

namespace qmt::registrar {

// A version 4 (random) identifier; false when the system gives no random bytes.
bool new_class_identifier(CLSID& id);

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case, as the registry holds it.
std::string registry_text(CLSID const& id);

// "{0x2b2f5e4c, 0x7a11, 0x4c3b, {0x9e, 0x0d, 0x5f, 0x6a, 0x7b, 0x8c, 0x9d, 0x01}}", for a
// `CLSID const` in C or C++.
std::string initializer_text(CLSID const& id);

// Parses the registry text (hex digits in either case, nothing before or after).
bool parse_class_identifier(std::string const& text, CLSID& id);

} // namespace qmt::registrar

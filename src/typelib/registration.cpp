#include "typelib/registration.h"

namespace qmt {

// The program does not carry its type library yet: there is nothing to register.
void register_type_library() { }

void unregister_type_library() { }

} // namespace qmt

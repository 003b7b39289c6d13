// The registration commands: register or remove the type library that the program carries.
#pragma once

namespace qmt {

void register_type_library();
void unregister_type_library();

} // namespace qmt

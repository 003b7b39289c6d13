// The registration commands: register the type library that the program carries with the
// system, or remove that registration. Neither reports anything: a failure leaves things as
// they are.
#pragma once

#include "platform/registry.h"

namespace qmt {

void register_type_library();
void unregister_type_library();

// Deletes the key `name` below `parent` with everything below it, depth first. The status
// is the registry's: 0, or the failure of the first key that could not be opened or deleted
// (keys deleted before it stay deleted).
platform::RegistryStatus delete_key_tree(platform::RegistryKey const& parent, char const* name);

} // namespace qmt

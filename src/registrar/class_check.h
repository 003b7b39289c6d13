// The check of one class, step by step as the gateway creates it for a request: resolve the
// programmatic name, load the library and get its class factory, create an object, ask it
// for IDispatch, and (when a method is named) look the method up by name. Each step that
// passes is printed; the first that fails is told with its cause.
#pragma once

#include <string>

namespace qmt::registrar {

struct CheckStep {
    std::string step; // "resolve", "load", "create", "IDispatch", "method"
    std::string said; // what the step found, or why it failed
};

// True when every step passes. `report(step)` sees each passed step; `failure` the one
// that failed.
bool check_class(std::string const& prog_id, std::string const& method, void (*report)(CheckStep const&),
                 CheckStep& failure);

} // namespace qmt::registrar

// The classes of the directory registry, as the gateway finds them:
//   HKEY_CLASSES_ROOT\<ProgID>\CLSID                   {class identifier}
//   HKEY_CLASSES_ROOT\CLSID\{...}\InprocServer32       the library's absolute path
//   HKEY_CLASSES_ROOT\CLSID\{...}\ProgID               <ProgID> (as Windows writes it; for
//                                                      removing and listing)
// Every function answers with an empty text, or the reason it did nothing, in words.
#pragma once

#include <string>
#include <vector>

namespace qmt::registrar {

struct RegisteredClass {
    std::string prog_id;
    std::string class_id; // the registry's text
    std::string library; // empty when the class has no InprocServer32 value
};

// Refuses, before writing anything, a name that cannot be one key or that a request cannot
// name (a blank ends the class name there), an identifier not in the registry's text form,
// a relative path, a file that is missing or does not load, and a library that does not
// export DllGetClassObject with C linkage. Loading the library runs its initialisers.
std::string add_class(std::string const& prog_id, std::string const& class_id, std::string const& library);

// Deletes the class's keys; the identifier's keys too when no other name claims them.
std::string remove_class(std::string const& prog_id);

// Every programmatic name with a class identifier, in name order; with `library` given,
// only the classes that this library serves.
std::string list_classes(std::string const& library, std::vector<RegisteredClass>& classes);

} // namespace qmt::registrar

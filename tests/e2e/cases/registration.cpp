// The Registration rows of the end-to-end table: the registration commands as the registry
// sees them afterwards (natively the directory registry, under Wine the prefix's registry).
#include "case.h"
#include "groups.h"

#include <string>
#include <utility>

namespace e2e {

std::vector<Case> registration_cases()
{
    std::vector<Case> rows;
    auto add = [&rows](Case row) { rows.push_back(std::move(row)); };

    std::string const library = "TypeLib\\{B7404BB6-CB55-4FAA-B83B-2C9FB2F86553}";
    std::string const version = library + "\\1.0";
    std::string const neighbour = "TypeLib\\{6B1E8E53-2F0C-4F0B-9C5E-0A1D2B3C4D10}\\1.0";
    char const* registration = "Registration";
    add(Case(registration, "RegisterRecordsTheLibraryAndTheProgramsPath")
            .registry_cleared(library)
            .command_line({"/regserver"})
            .expect("")
            .expect_registry(version, "Quillmate")
            .expect_registry(version + "\\0\\win32", "{GATEWAY}"));
    add(Case(registration, "RegisterFromAMovedCopyRecordsTheCopysPath")
            .registry_cleared(library)
            .run_from_copy_in("moved")
            .command_line({"-RegServer"})
            .expect("")
            .expect_registry(version + "\\0\\win32", "{GATEWAY}"));
    add(Case(registration, "UnregisterAfterRegisterRemovesTheWholeKey")
            .registry_cleared(library)
            .after_running({"/RegServer"})
            .command_line({"-UnRegServer"})
            .expect("")
            .expect_no_registry_key(library));
    add(Case(registration, "UnregisterRemovesEveryVersion")
            .registry_cleared(library)
            .registry_key(version + "\\0\\win32", "first")
            .registry_key(library + "\\2.5\\409\\win32", "second")
            .registry_key(library + "\\2.5\\FLAGS", "0")
            .command_line({"/UNREGSERVER"})
            .expect("")
            .expect_no_registry_key(library));
    add(Case(registration, "SecondUnregisterChangesNothing")
            .registry_cleared(library)
            .registry_key(neighbour, "kept")
            .after_running({"/UnRegServer"})
            .command_line({"/unregserver"})
            .expect("")
            .expect_no_registry_key(library)
            .expect_registry(neighbour, "kept"));
    return rows;
}

} // namespace e2e

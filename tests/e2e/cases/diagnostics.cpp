// The Diagnostics rows of the end-to-end table: the gateway's one line on standard error per
// failure (the step and its cause), with the response on standard output exactly as it is
// without it; and the operator's opt-in "Status: 500" on error pages.
#include "case.h"
#include "expected_pages.h"
#include "groups.h"
#include "target.h"

#include <string>
#include <utility>

namespace e2e {

std::vector<Case> diagnostics_cases()
{
    using namespace expected;
    std::vector<Case> rows;
    auto add = [&rows](Case row) { rows.push_back(std::move(row)); };
    auto request_for = [](char const* class_name) { return std::string("obj=") + class_name + "+Run"; };

    char const* group = "Diagnostics";
    add(Case(group, "ServedRequestWritesNoLine").run("send=fine").expect("fine").expect_diagnostics(""));
    add(Case(group, "UnregisteredClassNamesTheMissingKey")
            .get("obj=Qmt.Nothing+Run")
            .expect(page(class_not_registered("Qmt.Nothing")))
            .expect_diagnostics("quillmate: page 1: find class \"Qmt.Nothing\": registry value "
                                "HKEY_CLASSES_ROOT\\Qmt.Nothing\\CLSID is missing "
                                "({REGISTRY}/HKEY_CLASSES_ROOT/Qmt.Nothing/CLSID/@)\n")
            // The system's runtime tells its status alone.
            .expect_diagnostics_under_wine("quillmate: page 1: find class \"Qmt.Nothing\": CLSIDFromProgID returned "
                                           "0x800401F3 (CO_E_CLASSSTRING)\n"));
    // The mistakes of an object's author, each told by the step that failed and its cause.
    add(Case(group, "RelativeServerPathIsNamed")
            .only_natively()
            .get(request_for(class_with_relative_server))
            .expect(page(object_not_created(class_with_relative_server)))
            .expect_diagnostics("quillmate: page 2: create \"Qmt.Relative\" {6B1E8E53-2F0C-4F0B-9C5E-0A1D2B3C4D05}: "
                                "registry value HKEY_CLASSES_ROOT\\CLSID\\{6B1E8E53-2F0C-4F0B-9C5E-0A1D2B3C4D05}"
                                "\\InprocServer32 is \"libqmtprobe.so\", not an absolute path ({REGISTRY}/"
                                "HKEY_CLASSES_ROOT/CLSID/{6B1E8E53-2F0C-4F0B-9C5E-0A1D2B3C4D05}/InprocServer32/@)\n"));
    add(Case(group, "MissingServerFileIsNamed")
            .get(request_for(class_with_missing_server))
            .expect(page(object_not_created(class_with_missing_server)))
            .expect_diagnostics(
                "quillmate: page 2: create \"Qmt.MissingServer\" {6B1E8E53-2F0C-4F0B-9C5E-0A1D2B3C4D02}: "
                "load {WORK}/no-such-server.so: no such file\n")
            // Wine's runtime answers a missing library with this status.
            .expect_diagnostics_under_wine("quillmate: page 2: create \"Qmt.MissingServer\" "
                                           "{6B1E8E53-2F0C-4F0B-9C5E-0A1D2B3C4D02}: CoCreateInstance returned "
                                           "0x80070005 (E_ACCESSDENIED: Access denied.)\n"));
    add(Case(group, "LibraryWithoutTheExportIsNamed")
            .only_natively()
            .get(request_for(class_without_export))
            .expect(page(object_not_created(class_without_export)))
            .expect_diagnostics("quillmate: page 2: create \"Qmt.NoExport\" {6B1E8E53-2F0C-4F0B-9C5E-0A1D2B3C4D06}: "
                                "{OBJECTS}/libqmt_mistake_no_export.so does not export DllGetClassObject\n"));
    add(Case(group, "MangledExportIsNamedWithItsCure")
            .only_natively()
            .get(request_for(class_with_mangled_export))
            .expect(page(object_not_created(class_with_mangled_export)))
            .expect_diagnostics("quillmate: page 2: create \"Qmt.Mangled\" {6B1E8E53-2F0C-4F0B-9C5E-0A1D2B3C4D07}: "
                                "{OBJECTS}/libqmt_mistake_mangled.so does not export DllGetClassObject; it exports "
                                "the C++ name _Z17DllGetClassObjectRK4GUIDS1_PPv instead: declare the function "
                                "extern \"C\"\n"));
    add(Case(group, "UnresolvedSymbolGivesTheLoadersWords")
            .only_natively()
            .get(request_for(class_with_unresolved_symbol))
            .expect(page(object_not_created(class_with_unresolved_symbol)))
            .expect_diagnostics("quillmate: page 2: create \"Qmt.Unresolved\" {6B1E8E53-2F0C-4F0B-9C5E-0A1D2B3C4D08}: "
                                "load {OBJECTS}/libqmt_mistake_unresolved.so: undefined symbol: "
                                "qmt_function_nobody_defines\n"));
    add(Case(group, "ClassIdentifierTheLibraryDoesNotServeIsNamed")
            .get(request_for(class_not_served))
            .expect(page(object_not_created(class_not_served)))
            .expect_diagnostics("quillmate: page 2: create \"Qmt.Stranger\" {6B1E8E53-2F0C-4F0B-9C5E-0A1D2B3C4D03}: "
                                "DllGetClassObject of {OBJECTS}/libqmtprobe.so returned 0x80040111 "
                                "(CLASS_E_CLASSNOTAVAILABLE): the library does not serve the class "
                                "{6B1E8E53-2F0C-4F0B-9C5E-0A1D2B3C4D03}\n")
            .expect_diagnostics_under_wine("quillmate: page 2: create \"Qmt.Stranger\" "
                                           "{6B1E8E53-2F0C-4F0B-9C5E-0A1D2B3C4D03}: CoCreateInstance returned "
                                           "0x80040111 (CLASS_E_CLASSNOTAVAILABLE)\n"));
    add(Case(group, "UnknownMethodNamesTheStatus")
            .get("obj=Qmt.Probe+Frobnicate")
            .expect(page(method_not_found("Frobnicate")))
            .expect_diagnostics("quillmate: page 3: find method \"Frobnicate\" of \"Qmt.Probe\": GetIDsOfNames "
                                "returned 0x80020006 (DISP_E_UNKNOWNNAME)\n"));
    // A failure status leaves the response as the method made it; only the line tells.
    add(Case(group, "MethodFailureStatusIsToldOnlyThere")
            .run("send=partial&fail=0x80004005")
            .expect("partial")
            .expect_diagnostics("quillmate: call method \"Run\" of \"Qmt.Probe\": the method returned 0x80004005 "
                                "(E_FAIL), a failure no page reports\n")
            .expect_diagnostics_under_wine("quillmate: call method \"Run\" of \"Qmt.Probe\": the method returned "
                                           "0x80004005 (E_FAIL: Call failed.), a failure no page reports\n"));
    add(Case(group, "RaisedErrorIsToldWithItsTexts")
            .run("raise=Shop.Catalog|Stock+missing")
            .expect(page(target_raised("Shop.Catalog", "Stock missing")))
            .expect_diagnostics("quillmate: page 22: call method \"Run\" of \"Qmt.Probe\": the method raised an "
                                "error: source \"Shop.Catalog\", description \"Stock missing\"\n"));
    add(Case(group, "FaultNamesTheSignalAndTheRunningMethod")
            .run("fault=")
            .expect(page(unhandled_fault()))
            .expect_access_fault()
            .expect_diagnostics("quillmate: page 21: fault: SIGSEGV (invalid memory access) while the user's "
                                "method Qmt.Probe Run was running\n")
            .expect_diagnostics_under_wine("quillmate: page 21: fault: exception 0xC0000005 (access violation) while "
                                           "the user's method Qmt.Probe Run was running\n"));
    add(Case(group, "FileThatCannotBeSentIsNamedWithTheSystemsWords")
            .run("file={DIR}/missing.htm")
            .expect(page(file_not_opened("{DIR}/missing.htm")))
            .expect_diagnostics("quillmate: page 10: open \"{DIR}/missing.htm\": No such file or directory\n")
            .expect_diagnostics_under_wine("quillmate: page 10: open \"{DIR}/missing.htm\": File not found.\n"));
    add(Case(group, "DirectoryToSendIsNamedAsNoRegularFile")
            .only_natively()
            .run("file={DIR}")
            .expect(page(file_not_opened("{DIR}")))
            .expect_diagnostics("quillmate: page 10: open \"{DIR}\": not a regular file (a directory, FIFO, device or "
                                "socket is never opened)\n"));
    add(Case(group, "TextsOnTheLineAreNotEscapedForHtmlButControlsAre")
            .get("obj=%3Cb%3E%0A+Run")
            .expect(page(class_not_registered("&lt;b&gt;\n")))
            .expect_diagnostics("quillmate: page 1: find class \"<b>\\x0A\": registry value "
                                "HKEY_CLASSES_ROOT\\<b>\\x0A\\CLSID is missing "
                                "({REGISTRY}/HKEY_CLASSES_ROOT/<b>\\x0A/CLSID/@)\n")
            .expect_diagnostics_under_wine("quillmate: page 1: find class \"<b>\\x0A\": CLSIDFromProgID returned "
                                           "0x800401F3 (CO_E_CLASSSTRING)\n"));
    // The operator's opt-in: every error page says "Status: 500", except a page with its own.
    add(Case(group, "ErrorStatusOptInPutsStatus500BeforeEveryPage")
            .set("QUILLMATE_ERROR_STATUS", "1")
            .get("obj=Qmt.Nothing+Run")
            .expect("Status: 500 Internal Server Error\n" + page(class_not_registered("Qmt.Nothing"))));
    add(Case(group, "ErrorStatusOptInLeavesServedRequestsAlone")
            .set("QUILLMATE_ERROR_STATUS", "1")
            .run("send=fine")
            .expect("fine"));
    add(Case(group, "ErrorStatusOptInKeepsTheOwnStatusOfMessage27")
            .set("QUILLMATE_ERROR_STATUS", "1")
            .set("QUILLMATE_MAX_FIELDS", "0")
            .run("send=x")
            .expect(status_413_page(request_too_large())));
    add(Case(group, "ErrorStatusZeroIsOff")
            .set("QUILLMATE_ERROR_STATUS", "0")
            .get("obj=Qmt.Nothing+Run")
            .expect(page(class_not_registered("Qmt.Nothing"))));
    return rows;
}

} // namespace e2e

// The RequestDriver rows of the end-to-end table: how a run starts and what the one call of
// the method leads to.
#include "case.h"
#include "expected_pages.h"
#include "groups.h"

#include <string>
#include <utility>

namespace e2e {

std::vector<Case> request_driver_cases()
{
    using namespace expected;
    std::vector<Case> rows;
    auto add = [&rows](Case row) { rows.push_back(std::move(row)); };

    char const* mode = "RequestDriver";
    add(Case(mode, "HeadRequestGetsOnlyTheMessage6Page")
            .set("REQUEST_METHOD", "HEAD")
            .expect(page(unsupported_request_method())));
    add(Case(mode, "PutRequestGetsMessage6").set("REQUEST_METHOD", "PUT").expect(page(unsupported_request_method())));
    add(Case(mode, "RequestWithoutMethodGetsMessage6")
            .set("GATEWAY_INTERFACE", "CGI/1.1")
            .set("QUERY_STRING", "obj=Qmt.Probe+Run&send=never")
            .expect(page(unsupported_request_method())));
    add(Case(mode, "EmptyCommandLineWithoutCgiVariablesRunsARequest").expect(page(unsupported_request_method())));
    add(Case(mode, "UnregisterCommandDuringACgiRequestRunsTheRequest")
            .command_line({"-UnRegServer"})
            .run("send=served")
            .expect("served"));
    add(Case(mode, "RegisterCommandWithOnlyGatewayInterfaceRunsARequest")
            .command_line({"/RegServer"})
            .set("GATEWAY_INTERFACE", "CGI/1.1")
            .expect(page(unsupported_request_method())));
    add(Case(mode, "RegisterCommandFollowedByAWordRunsARequest")
            .command_line({"-RegServer", "now"})
            .expect(page(unsupported_request_method())));
    add(Case(mode, "LowerCaseRegisterCommandWritesNothing").command_line({"/regserver"}).expect(""));
    add(Case(mode, "LowerCaseUnregisterCommandWritesNothing").command_line({"/unregserver"}).expect(""));
    add(Case(mode, "MethodWithoutParametersFailsWithoutAPage").get("obj=Qmt.Probe+NoParams").expect(""));
    add(Case(mode, "OutputThenExceptionGivesTheOutputAndMessage22")
            .run("send=Partial+output&raise=Shop.Catalog|Stock+missing")
            .expect("Partial output" + page(target_raised("Shop.Catalog", "Stock missing"))));
    add(Case(mode, "DeferredFillInRunsBeforeMessage22")
            .run("raisedeferred=Deferred.Source|Filled+in+later")
            .expect(page(target_raised("Deferred.Source", "Filled in later"))));
    add(Case(mode, "ExceptionWithoutTextsLeavesBothPlaceholdersEmpty")
            .run("raise=")
            .expect(page(target_raised("", ""))));
    add(Case(mode, "ExceptionWithOnlyASourceLeavesTheDescriptionEmpty")
            .run("raise=Only.Source")
            .expect(page(target_raised("Only.Source", ""))));
    add(Case(mode, "DeferredFillInWithOnlyADescription")
            .run("raisedeferred=|Only+a+description")
            .expect(page(target_raised("", "Only a description"))));
    add(Case(mode, "ObjectThatKeepsTheEnvironmentEndsNormally").run("keep=&send=kept").expect("kept"));
    add(Case(mode, "ObjectThatKeepsTheEnvironmentLeavesItsOutputFileWritten")
            .run("open={DIR}/kept.txt&send=in+the+file&keep=")
            .expect("")
            .expect_file("kept.txt", "in the file"));
    add(Case(mode, "FaultInTheMethodEndsWithMessage21")
            .run("send=before&fault=&send=after")
            .expect("before" + page(unhandled_fault()))
            .expect_access_fault());
    add(Case(mode, "FaultWhileAnOutputFileIsOpenReportsOnStandardOutput")
            .run("open={DIR}/open.txt&send=written&fault=")
            .expect(page(unhandled_fault()))
            .expect_file("open.txt", "written")
            .expect_access_fault());
    // A closed standard stream is opened on /dev/null before anything else, so that no file
    // the request opens takes its number (and its role).
    add(Case(mode, "ClosedStandardInputLeavesFilesToOpen")
            .with_closed_stream(0)
            .fixture("sent.txt", "sent")
            .run("file={DIR}/sent.txt&open={DIR}/out.txt&send=into+file&close=")
            .expect("sent")
            .expect_file("out.txt", "into file"));
    add(Case(mode, "ClosedStandardOutputNeverBecomesAnOutputFile")
            .with_closed_stream(1)
            .run("open={DIR}/out.txt&send=kept&file={DIR}/missing.htm&close=")
            .expect("")
            .expect_file("out.txt", "kept"));
    add(Case(mode, "ClosedStandardErrorNeverBecomesAnOutputFile")
            .with_closed_stream(2)
            .run("status=&open={DIR}/out.txt&send=kept&close=")
            .expect("")
            .expect_file("out.txt", "kept"));
    // Every closed stream is found in the one look at all three, not only the first. (Under
    // Wine, whose own start takes descriptors, the numbers are not the gateway's to keep.)
    add(Case(mode, "ClosedStandardInputAndErrorBothLeaveFilesToOpen")
            .only_natively()
            .with_closed_stream(0)
            .with_closed_stream(2)
            .fixture("sent.txt", "sent")
            .run("status=&file={DIR}/sent.txt&open={DIR}/out.txt&send=into+file&close=")
            .expect("sent")
            .expect_file("out.txt", "into file"));
    return rows;
}

} // namespace e2e

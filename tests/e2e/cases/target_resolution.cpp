// The TargetResolution rows of the end-to-end table: naming, creating and finding the target.
#include "case.h"
#include "expected_pages.h"
#include "groups.h"
#include "target.h"

#include <string>
#include <utility>

namespace e2e {

std::vector<Case> target_resolution_cases()
{
    using namespace expected;
    std::vector<Case> rows;
    auto add = [&rows](Case row) { rows.push_back(std::move(row)); };

    char const* resolution = "TargetResolution";
    add(Case(resolution, "TargetWithoutBlankGetsMessage5WithTheValue")
            .get("obj=Qmt.Probe")
            .expect(page(invalid_target("Qmt.Probe"))));
    add(Case(resolution, "DataWithoutEqualsGetsMessage5WithEmptyText")
            .get("Qmt.Probe")
            .expect(page(invalid_target(""))));
    add(Case(resolution, "EmptyTargetGetsMessage5").get("obj=&a=1").expect(page(invalid_target(""))));
    add(Case(resolution, "UnknownClassGetsMessage1")
            .get("obj=Qmt.Nothing+Run")
            .expect(page(class_not_registered("Qmt.Nothing"))));
    add(Case(resolution, "EmptyClassNameGetsMessage1WithEmptyText")
            .get("obj=+Run")
            .expect(page(class_not_registered(""))));
    add(Case(resolution, "ClassWithoutServerGetsMessage2")
            .get(std::string("obj=") + class_without_server + "+Run")
            .expect(page(object_not_created(class_without_server))));
    add(Case(resolution, "ClassWhoseServerFileIsMissingGetsMessage2")
            .get(std::string("obj=") + class_with_missing_server + "+Run")
            .expect(page(object_not_created(class_with_missing_server))));
    add(Case(resolution, "ServerThatRefusesTheClassGetsMessage2")
            .get(std::string("obj=") + class_not_served + "+Run")
            .expect(page(object_not_created(class_not_served))));
    add(Case(resolution, "UnknownMethodGetsMessage3")
            .get("obj=Qmt.Probe+Frobnicate&a=1")
            .expect(page(method_not_found("Frobnicate"))));
    add(Case(resolution, "MethodNamesAreCaseSensitive").get("obj=Qmt.Probe+run").expect(page(method_not_found("run"))));
    add(Case(resolution, "EmptyMethodNameGetsMessage3WithEmptyText")
            .get("obj=Qmt.Probe+")
            .expect(page(method_not_found(""))));
    add(Case(resolution, "MethodNameKeepsFurtherBlanks")
            .get("obj=Qmt.Probe+Run+Now")
            .expect(page(method_not_found("Run Now"))));
    add(Case(resolution, "TargetTextIsEscapedOnThePage")
            .get("obj=%3Cb%3E%26%22x%22")
            .expect(page(invalid_target("&lt;b&gt;&amp;&quot;x&quot;"))));
    // The operator's allow-list: a class it leaves out is answered as one not registered.
    add(Case(resolution, "ClassLeftOutOfTheAllowListGetsMessage1")
            .set("QUILLMATE_ALLOWED_CLASSES", "Shop.Catalog, Qmt.probe;Qmt.Probes")
            .run("send=never")
            .expect(page(class_not_registered("Qmt.Probe"))));
    add(Case(resolution, "ClassOnTheAllowListIsCreated")
            .set("QUILLMATE_ALLOWED_CLASSES", "Shop.Catalog,Qmt.Probe\nOther")
            .run("send=served")
            .expect("served"));
    add(Case(resolution, "EmptyAllowListAllowsNothing")
            .set("QUILLMATE_ALLOWED_CLASSES", "")
            .run("send=never")
            .expect(page(class_not_registered("Qmt.Probe"))));
    // Any status but 0 from the creation is a failure, and the object that came with it is let go.
    add(Case(resolution, "FactoryAnsweringSuccessOtherThanZeroGetsMessage2AndItsObjectIsReleased")
            .get(std::string("obj=") + class_with_lenient_factory + "+Run")
            .expect(page(object_not_created(class_with_lenient_factory)))
            // Wine's runtime hands the gateway S_OK instead; the object has no method then.
            .expect_under_wine(page(method_not_found("Run")))
            .expect_trace("released\n"));
    return rows;
}

} // namespace e2e

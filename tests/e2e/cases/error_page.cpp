// The ErrorPage rows of the end-to-end table: several pages in one response, escaping, cutting
// callers' texts to fit, and pages that standard output refuses.
#include "case.h"
#include "cases/helpers.h"
#include "expected_pages.h"
#include "groups.h"

#include <string>
#include <utility>

namespace e2e {

std::vector<Case> error_page_cases()
{
    using namespace expected;
    std::vector<Case> rows;
    auto add = [&rows](Case row) { rows.push_back(std::move(row)); };

    char const* pages = "ErrorPage";
    add(Case(pages, "TwoFailuresGiveTwoCompletePages")
            .run("file={DIR}/missing.htm&raise=Src|Desc")
            .expect(page(file_not_opened("{DIR}/missing.htm")) + page(target_raised("Src", "Desc"))));
    add(Case(pages, "PageFollowsTheMethodsOwnHeader")
            .run("send=Content-type:+text/plain%0D%0A%0D%0Abody&file={DIR}/missing.htm")
            .expect("Content-type: text/plain\r\n\r\nbody" + page(file_not_opened("{DIR}/missing.htm"))));
    add(Case(pages, "ExceptionTextsAreEscaped")
            .run("raise=a%3Cb%3E|x+%26+%22y%22")
            .expect(page(target_raised("a&lt;b&gt;", "x &amp; &quot;y&quot;"))));
    add(Case(pages, "FileNameWithMarkupIsEscaped")
            .run("file=%3Cb%3Ebold%3C/b%3E.htm")
            .expect(page(file_not_opened("&lt;b&gt;bold&lt;/b&gt;.htm"))));
    add(Case(pages, "OverlongDescriptionIsCutToFit")
            .run("raise=S|" + repeated("x", 2000))
            .expect(page(target_raised("S", repeated("x", room_beside(target_raised("S", "")))))));
    add(Case(pages, "CutNeverSplitsAnEscapedCharacter")
            .run("raise=S|" + repeated("%26", 1000))
            .expect(page(target_raised("S", repeated("&amp;", room_beside(target_raised("S", "")) / 5)))));
    add(Case(pages, "OverlongFileNameIsCutToFit")
            .run("file=" + repeated("n", 1500))
            .expect(page(file_not_opened(repeated("n", room_beside(file_not_opened("")))))));
    add(Case(pages, "PageToAFullStandardOutputStillStopsOutput")
            .output_to(OutputSink::full)
            .run("file={DIR}/missing.htm&open={DIR}/after.txt&send=x&close=")
            .expect_file("after.txt", ""));
    add(Case(pages, "PageToAClosedStandardOutputStillStopsOutput")
            .output_to(OutputSink::closed)
            .run("file={DIR}/missing.htm&open={DIR}/after.txt&send=x&close=")
            .expect_file("after.txt", ""));
    return rows;
}

} // namespace e2e

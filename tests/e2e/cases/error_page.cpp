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
    // A character beyond the basic plane is a surrogate pair in UTF-16: it converts, and is cut,
    // as one character. Natively form data is UTF-8, so it can carry one, and the page carries
    // its four bytes. Under Wine form data is in code page 1252, where the four bytes are four
    // characters that come back unchanged, so the probe builds the pair from its units; 1252
    // has no such character and makes "??" of it.
    std::string const grinning_face = "\xF0\x9F\x98\x80";
    add(Case(pages, "CharacterBeyondTheBasicPlaneInFormDataReachesThePageWhole")
            .get("obj=Qmt.%F0%9F%98%80+Run")
            .expect(page(class_not_registered("Qmt." + grinning_face))));
    add(Case(pages, "CharacterBeyondTheBasicPlaneReachesThePageAsOneCharacter")
            .run("units=D83D,DE00")
            .expect(page(name_not_found(grinning_face)))
            .expect_under_wine(page(name_not_found("??"))));
    // The room left before two such characters is 3 bytes: natively none of the first one's four
    // fits; under Wine the first "??" fits and half of the second would.
    std::size_t const before_two_characters = room_beside(name_not_found("")) - 3;
    add(Case(pages, "CutInsideACharacterBeyondTheBasicPlaneDropsAllOfIt")
            .run("units=" + repeated("78,", before_two_characters) + "D83D,DE00,D83D,DE00")
            .expect(page(name_not_found(repeated("x", before_two_characters))))
            .expect_under_wine(page(name_not_found(repeated("x", before_two_characters) + "??"))));
    // Each text of message 22 has its own share of the room: a long source leaves the
    // description whole, and two long texts share it equally.
    std::size_t const room_for_both = room_beside(target_raised("", ""));
    add(Case(pages, "OverlongSourceLeavesTheDescriptionWhole")
            .run("raise=" + repeated("s", 1500) + "|Stock+missing")
            .expect(page(target_raised(repeated("s", room_for_both - 13), "Stock missing"))));
    add(Case(pages, "TwoOverlongTextsShareTheRoomEqually")
            .run("raise=" + repeated("s", 1500) + "|" + repeated("d", 1500))
            .expect(page(target_raised(repeated("s", (room_for_both + 1) / 2), repeated("d", room_for_both / 2)))));
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

// The OutputChannel rows of the end-to-end table: SendString, SendFile and the pause after them.
#include "case.h"
#include "cases/helpers.h"
#include "expected_pages.h"
#include "groups.h"

#include <string>
#include <utility>

namespace e2e {

std::vector<Case> output_channel_cases()
{
    using namespace expected;
    std::vector<Case> rows;
    auto add = [&rows](Case row) { rows.push_back(std::move(row)); };

    char const* output = "OutputChannel";
    add(Case(output, "SendStringWritesExactlyItsBytes").run("send=hello").expect("hello"));
    add(Case(output, "EmptyAndMissingTextsWriteNothingAndSucceed")
            .run("status=&send=&sendnull=&send=x")
            .expect("x")
            .expect_trace("SendString=0x00000000\nSendString=0x00000000\nSendString=0x00000000\n"));
    add(Case(output, "SleepThatIsNoNumberWritesWithoutPause")
            .run("status=&sleep=abc")
            .expect("z")
            .expect_trace("SendString=0x00000000\n"));
    add(Case(output, "NegativeSleepDoesNotPause").run("sleep=-5").expect("z").takes_at_most_ms(5000));
    add(Case(output, "SleepPausesAfterWriting").run("sleep=400").expect("z").takes_at_least_ms(400));
    std::string const binary = binary_file_bytes();
    add(Case(output, "SendFileSendsBytesUnchangedWithZerosAndHighBytes")
            .fixture("bytes.bin", binary)
            .run("send=%5B&file={DIR}/bytes.bin&send=%5D")
            .expect("[" + binary + "]"));
    add(Case(output, "EmptyFileSendsNothingAndSucceeds")
            .fixture("empty.txt", "")
            .run("status=&file={DIR}/empty.txt&send=after")
            .expect("after")
            .expect_trace("SendFile=0x00000000\nSendString=0x00000000\n"));
    add(Case(output, "MissingFileGetsMessage10AndStopsOutput")
            .run("status=&send=before&file={DIR}/missing.htm&send=after&sendnull=&file={DIR}/missing.htm")
            .expect("before" + page(file_not_opened("{DIR}/missing.htm")))
            .expect_trace("SendString=0x00000000\nSendFile=0x80070057\nSendString=0x80004005\n"
                          "SendString=0x80004005\nSendFile=0x80004005\n"));
    add(Case(output, "DirectoryCannotBeSent").run("file={DIR}").expect(page(file_not_opened("{DIR}"))));
    add(Case(output, "EmptyFileNameLeavesTwoBlanksInMessage10").run("file=").expect(page(file_not_opened(""))));
    add(Case(output, "EveryErrorPageStopsOutput")
            .fixture("present.txt", "present")
            .run("status=&server=NOPE&send=x&file={DIR}/present.txt&sleep=10")
            .expect(page(name_not_found("NOPE")))
            .expect_trace("ServerItems=0x00000000\nItem=0x80070057\nSendString=0x80004005\nSendFile=0x80004005\n"
                          "SendString=0x80004005\n"));
    return rows;
}

} // namespace e2e

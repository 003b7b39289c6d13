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
    // Only regular files are sent; a FIFO or a device is never waited for.
    add(Case(output, "FifoIsNotSentAndGetsMessage10")
            .fifo_fixture("fifo")
            .run("file={DIR}/fifo")
            .expect(page(file_not_opened("{DIR}/fifo"))));
    add(Case(output, "DeviceIsNotSentAndGetsMessage10")
            .link_fixture("null", "/dev/null")
            .run("file={DIR}/null")
            .expect(page(file_not_opened("{DIR}/null"))));
    // A file is sent in pieces; a non-blocking standard output is waited for, not given up.
    std::size_t const large = 6600 * 1024;
    std::string const text = repeated("0123456789", 20000);
    add(Case(output, "LargeFileAndTextReachANonBlockingStandardOutputWhole")
            .with_nonblocking_streams()
            .pattern_fixture("large.bin", large)
            .post("obj=Qmt.Probe+Run&file={DIR}/large.bin&send=" + text)
            .expect(pattern_bytes(large) + text));
    add(Case(output, "ClientThatGoesAwayEndsTheRequestWithItsFilesComplete")
            .pattern_fixture("large.bin", 50 * 1024 * 1024)
            .reader_goes_away_after(1024 * 1024)
            .run("open={DIR}/before.txt&send=before&close=&file={DIR}/large.bin&send=lost&open={DIR}/after.txt&"
                 "send=after&close=")
            .expect_file("before.txt", "before")
            .expect_file("after.txt", "after"));
    return rows;
}

} // namespace e2e

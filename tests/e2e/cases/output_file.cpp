// The OutputFile rows of the end-to-end table: what goes into an output file, and where a
// page goes while one is open.
#include "case.h"
#include "cases/helpers.h"
#include "expected_pages.h"
#include "groups.h"

#include <string>
#include <utility>

namespace e2e {

std::vector<Case> output_file_cases()
{
    using namespace expected;
    std::vector<Case> rows;
    auto add = [&rows](Case row) { rows.push_back(std::move(row)); };

    char const* files = "OutputFile";
    std::string const binary = binary_file_bytes();
    add(Case(files, "OutputGoesIntoTheFileUntilItIsClosed")
            .run("send=one+&open={DIR}/out.txt&send=into+file&close=&send=two")
            .expect("one two")
            .expect_file("out.txt", "into file"));
    add(Case(files, "OpeningTruncatesAnExistingFile")
            .fixture("out.txt", "old contents, longer than the new ones")
            .run("open={DIR}/out.txt&send=new&close=")
            .expect("")
            .expect_file("out.txt", "new"));
    add(Case(files, "SendFileWritesIntoTheOutputFile")
            .fixture("bytes.bin", binary)
            .run("open={DIR}/copy.bin&file={DIR}/bytes.bin&close=")
            .expect("")
            .expect_file("copy.bin", binary));
    add(Case(files, "SecondOpenGetsMessage24AndTheFirstFileStaysOpen")
            .run("status=&open={DIR}/first.txt&send=first&open={DIR}/second.txt&send=more&close=")
            .expect(page(output_file_already_open("{DIR}/second.txt")))
            .expect_file("first.txt", "first")
            .expect_no_file("second.txt")
            .expect_trace("OpenOutputFile=0x00000000\nSendString=0x00000000\nOpenOutputFile=0x80070057\n"
                          "SendString=0x80004005\nCloseOutputFile=0x00000000\n"));
    add(Case(files, "FailedCreateGetsMessage25AndLeavesNoFileOpen")
            .run("status=&open={DIR}/no/such/directory/out.txt&close=&send=x")
            .expect(page(output_file_not_created("{DIR}/no/such/directory/out.txt")))
            .expect_trace("OpenOutputFile=0x80070057\nCloseOutputFile=0x00000000\nSendString=0x80004005\n"));
    add(Case(files, "ErrorPageWhileAFileIsOpenGoesToStandardOutput")
            .run("open={DIR}/out.txt&send=kept&file={DIR}/missing.htm&send=lost&close=")
            .expect(page(file_not_opened("{DIR}/missing.htm")))
            .expect_file("out.txt", "kept"));
    add(Case(files, "OpenAfterAnErrorPageStillCreatesAndTruncates")
            .fixture("out.txt", "old")
            .run("server=NOPE&open={DIR}/out.txt&send=x&close=&open={DIR}/new.txt")
            .expect(page(name_not_found("NOPE")))
            .expect_file("out.txt", "")
            .expect_file("new.txt", ""));
    add(Case(files, "FileLeftOpenKeepsItsBytes")
            .run("open={DIR}/out.txt&send=unclosed")
            .expect("")
            .expect_file("out.txt", "unclosed"));
    add(Case(files, "CloseWithoutOpenChangesNothing")
            .run("status=&close=&send=x")
            .expect("x")
            .expect_trace("CloseOutputFile=0x00000000\nSendString=0x00000000\n"));
    add(Case(files, "FifoIsNoOutputFileAndGetsMessage25")
            .fifo_fixture("fifo")
            .run("open={DIR}/fifo&close=")
            .expect(page(output_file_not_created("{DIR}/fifo"))));
    add(Case(files, "DeviceIsNoOutputFileAndGetsMessage25")
            .link_fixture("null", "/dev/null")
            .run("open={DIR}/null&send=x&close=")
            .expect(page(output_file_not_created("{DIR}/null"))));
    return rows;
}

} // namespace e2e

// The end-to-end table: every row is one request to the gateway, with the exact bytes it
// must answer. The same rows run against every build (natively and under Wine).
//
// Scripts for the probe's Run method are form fields: "send=a+b" sends "a b", "file={DIR}/x"
// sends that file, and so on (the commands are listed in tests/objects/probe_script.h).
#include "case.h"
#include "expected_pages.h"
#include "target.h"

#include <string>

namespace e2e {
namespace {

using namespace expected;

std::string repeated(std::string const& piece, std::size_t times)
{
    std::string text;
    for (std::size_t i = 0; i < times; ++i)
        text += piece;
    return text;
}

// Room a caller's text has on the page beside the row's own words (message_with_empty_text).
std::size_t room_beside(std::string const& message_with_empty_text)
{
    return longest_message - message_with_empty_text.size();
}

std::string all_server_variables_set()
{
    std::string const names[] = {
        "AUTH_TYPE",       "CONTENT_LENGTH",       "CONTENT_TYPE",    "GATEWAY_INTERFACE",
        "HTTP_ACCEPT",     "HTTP_ACCEPT_LANGUAGE", "HTTP_COOKIE",     "HTTP_CONNECTION",
        "HTTP_HOST",       "HTTP_REFERER",         "HTTP_USER_AGENT", "PATH_INFO",
        "PATH_TRANSLATED", "REFERER_URL",          "REMOTE_ADDR",     "REMOTE_HOST",
        "REMOTE_IDENT",    "REMOTE_USER",          "SCRIPT_NAME",     "SERVER_NAME",
        "SERVER_PORT",     "SERVER_PROTOCOL",      "SERVER_SOFTWARE",
    };
    std::string joined;
    for (std::string const& name : names)
        joined += name + ";";
    return joined;
}

Case with_every_server_variable(Case row)
{
    std::string const names = all_server_variables_set();
    for (std::size_t start = 0, end; (end = names.find(';', start)) != std::string::npos; start = end + 1) {
        std::string const name = names.substr(start, end - start);
        row.set(name, "value of " + name);
    }
    return row;
}

Items every_server_variable_with(std::string const& method)
{
    Items items;
    std::string const names = all_server_variables_set();
    for (std::size_t start = 0, end; (end = names.find(';', start)) != std::string::npos; start = end + 1) {
        std::string const name = names.substr(start, end - start);
        items.emplace_back(name, "value of " + name);
    }
    items.emplace_back("REQUEST_METHOD", method);
    return items;
}

std::vector<Case> build_table()
{
    std::vector<Case> rows;
    auto add = [&rows](Case row) { rows.push_back(std::move(row)); };

    // ---- How a run starts and what the one call of the method leads to.
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

    // ---- Server variables, the request method and the form data.
    char const* intake = "RequestIntake";
    add(Case(intake, "UnsetServerVariablesAreEmptyItems")
            .get("obj=Qmt.Probe+DumpServer")
            .expect(server_dump({{"REQUEST_METHOD", "GET"}})));
    add(with_every_server_variable(Case(intake, "ServerItemsHoldTheTwentyFourVariablesInTableOrder"))
            .get("obj=Qmt.Probe+DumpServer")
            .expect(server_dump(every_server_variable_with("GET"))));
    std::string const cookie = "session=" + repeated("0123456789abcdef", 18) + "0123";
    add(Case(intake, "CookieOf300CharactersIsCapturedWhole")
            .set("AUTH_TYPE", "Basic")
            .set("HTTP_COOKIE", cookie)
            .set("HTTP_CONNECTION", "keep-alive")
            .set("HTTP_HOST", "www.example.org")
            .set("SERVER_SOFTWARE", "TestServer/1.0")
            .get("obj=Qmt.Probe+DumpServer")
            .expect(server_dump({{"AUTH_TYPE", "Basic"},
                                 {"HTTP_COOKIE", cookie},
                                 {"HTTP_CONNECTION", "keep-alive"},
                                 {"HTTP_HOST", "www.example.org"},
                                 {"REQUEST_METHOD", "GET"},
                                 {"SERVER_SOFTWARE", "TestServer/1.0"}})));
    add(Case(intake, "EnumeratorHandsOutTheServerVariablesInTableOrder")
            .get("obj=Qmt.Probe+Enumerate")
            .expect(server_names()));
    add(Case(intake, "LowerCaseGetIsAccepted")
            .set("REQUEST_METHOD", "get")
            .set("QUERY_STRING", "obj=Qmt.Probe+Run&send=ok")
            .expect("ok"));
    add(Case(intake, "LowerCasePostIsAccepted")
            .post("obj=Qmt.Probe+Run&send=ok")
            .set("REQUEST_METHOD", "post")
            .expect("ok"));
    add(Case(intake, "MethodWithATrailingBlankGetsMessage6")
            .set("REQUEST_METHOD", "GET ")
            .set("QUERY_STRING", "obj=Qmt.Probe+Run&send=never")
            .expect(page(unsupported_request_method())));
    add(Case(intake, "MethodOfTwentyCharactersGetsMessage6")
            .set("REQUEST_METHOD", "GETGETGETGETGETGETGE")
            .expect(page(unsupported_request_method())));
    add(Case(intake, "GetWithoutQueryStringGetsMessage5WithEmptyText")
            .set("REQUEST_METHOD", "GET")
            .expect(page(invalid_target(""))));
    add(Case(intake, "GetWithEmptyQueryStringGetsMessage5WithEmptyText").get("").expect(page(invalid_target(""))));
    add(Case(intake, "PostBodyIsTheFormData")
            .post("obj=Qmt.Probe+Dump&a=1&b=2")
            .expect(custom_dump({{"a", "1"}, {"b", "2"}})));
    add(Case(intake, "PostIgnoresTheQueryString")
            .post("obj=Qmt.Probe+Dump&b=2")
            .set("QUERY_STRING", "obj=Qmt.Probe+Dump&q=1")
            .expect(custom_dump({{"b", "2"}})));
    // "obj=Qmt.Probe+Dump&a=1" is 22 bytes: each CONTENT_LENGTH form below reads exactly those.
    std::string const body = "obj=Qmt.Probe+Dump&a=1&b=2";
    Items const first_22_bytes = {{"a", "1"}};
    add(Case(intake, "ContentLengthFollowedByLettersReadsItsDigits")
            .post(body)
            .content_length("22xyz")
            .expect(custom_dump(first_22_bytes)));
    add(Case(intake, "ContentLengthWithLeadingBlanksIsRead")
            .post(body)
            .content_length(" \t 22")
            .expect(custom_dump(first_22_bytes)));
    add(Case(intake, "ContentLengthWithPlusSignIsRead")
            .post(body)
            .content_length("+22")
            .expect(custom_dump(first_22_bytes)));
    add(Case(intake, "ContentLengthOfTenCharactersIsReadWhole")
            .post(body)
            .content_length("0000000022")
            .expect(custom_dump(first_22_bytes)));
    add(Case(intake, "ContentLengthOfFifteenCharactersIsReadWhole")
            .post(body)
            .content_length("000000000000022")
            .expect(custom_dump(first_22_bytes)));
    add(Case(intake, "NegativeContentLengthReadsNothing")
            .post(body)
            .content_length("-22")
            .expect(page(invalid_target(""))));
    add(Case(intake, "NonNumericContentLengthReadsNothing")
            .post(body)
            .content_length("abc")
            .expect(page(invalid_target(""))));
    add(Case(intake, "MissingContentLengthReadsNothing")
            .set("REQUEST_METHOD", "POST")
            .body_in_pieces({body}, 0)
            .expect(page(invalid_target(""))));
    add(Case(intake, "ZeroContentLengthReadsNothing").post(body).content_length("0").expect(page(invalid_target(""))));
    add(Case(intake, "BodyLongerThanContentLengthIsCut")
            .post(body)
            .content_length("22")
            .expect(custom_dump(first_22_bytes)));
    add(Case(intake, "ShortBodyDecodesWhatArrived")
            .post("obj=Qmt.Probe+Dump&a=1")
            .content_length("100")
            .expect(custom_dump(first_22_bytes)));
    add(Case(intake, "ContentLengthBeyond32BitsReadsWhatArrives")
            .post("obj=Qmt.Probe+Dump&a=1")
            .content_length("99999999999")
            .expect(custom_dump(first_22_bytes)));
    add(Case(intake, "BodyInPiecesIsReadUntilComplete")
            .post("")
            .body_in_pieces({"obj=Qmt.Pr", "obe+Dump&a", "=1&b", "=2"}, 150)
            .expect(custom_dump({{"a", "1"}, {"b", "2"}})));
    add(Case(intake, "CompleteBodyIsDecodedWithoutWaitingForTheEndOfInput")
            .post(body)
            .body_left_open()
            .expect(custom_dump({{"a", "1"}, {"b", "2"}})));
    std::string const big_value = repeated("0123456789", 20000);
    add(Case(intake, "LargeBodyIsReadWhole")
            .post("obj=Qmt.Probe+Dump&big=" + big_value + "&after=1")
            .expect(custom_dump({{"big", big_value}, {"after", "1"}})));

    // ---- Splitting and decoding the pairs.
    char const* decoding = "FormDecoding";
    add(Case(decoding, "PlusIsASpaceAndLaterPairsBecomeItemsInOrder")
            .get("obj=Qmt.Probe+Dump&cat=7&b=2")
            .expect(custom_dump({{"cat", "7"}, {"b", "2"}})));
    add(Case(decoding, "EmptyFirstNameResolvesTheTarget").get("=Qmt.Probe+Dump&a=1").expect(custom_dump({{"a", "1"}})));
    add(Case(decoding, "FirstNameIsIgnoredWhateverItHolds").get("a%26b%3D=Qmt.Probe+Dump").expect(custom_dump({})));
    add(Case(decoding, "AmpersandInsideANameIsAnOrdinaryCharacter")
            .get("obj=Qmt.Probe+Dump&a&b=v")
            .expect(custom_dump({{"a&b", "v"}})));
    add(Case(decoding, "EqualsInsideAValueIsAnOrdinaryCharacter")
            .get("obj=Qmt.Probe+Dump&a=1=2")
            .expect(custom_dump({{"a", "1=2"}})));
    add(Case(decoding, "NameWithoutEqualsAtTheEndHasAnEmptyValue")
            .get("obj=Qmt.Probe+Dump&x")
            .expect(custom_dump({{"x", ""}})));
    add(Case(decoding, "TrailingAmpersandAddsAnItemWithEmptyNameAndValue")
            .get("obj=Qmt.Probe+Dump&a=1&")
            .expect(custom_dump({{"a", "1"}, {"", ""}})));
    add(Case(decoding, "DoubleAmpersandStartsTheNextNameWithAnAmpersand")
            .get("obj=Qmt.Probe+Dump&&k=v")
            .expect(custom_dump({{"&k", "v"}})));
    add(Case(decoding, "EscapesAreDecodedAfterSplitting")
            .get("obj=Qmt.Probe+Dump&a%3Db=v%26w")
            .expect(custom_dump({{"a=b", "v&w"}})));
    add(Case(decoding, "EscapedPlusAndPercentAndPlainPlus")
            .get("obj=Qmt.Probe+Dump&p=%2B&q=%25&s=+")
            .expect(custom_dump({{"p", "+"}, {"q", "%"}, {"s", " "}})));
    add(Case(decoding, "LowerCaseHexadecimalDigitsDecode")
            .get("obj=Qmt.Probe+Dump&e=%3d%2b%0a")
            .expect(custom_dump({{"e", "=+\n"}})));
    add(Case(decoding, "MalformedEscapesDecodeAnyway")
            .get("obj=Qmt.Probe+Dump&z=%zz&g=%G1")
            .expect(custom_dump({{"z", "S"}, {"g", "\x01"}})));
    add(Case(decoding, "EscapedZeroEndsTheText")
            .get("obj=Qmt.Probe+Dump&k=ab%00cd")
            .expect(custom_dump({{"k", "ab"}})));
    add(Case(decoding, "EmptyNamesAndValuesAreItemsOfTheirOwn")
            .get("obj=Qmt.Probe+Dump&=v&e=")
            .expect(custom_dump({{"", "v"}, {"e", ""}})));
    add(Case(decoding, "RepeatedNamesGiveItemsInDataOrder")
            .get("obj=Qmt.Probe+Dump&k=1&k=2")
            .expect(custom_dump({{"k", "1"}, {"k", "2"}})));
    add(Case(decoding, "ShorterValueAfterALongOneKeepsNothingOfIt")
            .get("obj=Qmt.Probe+Dump&a=0123456789abcdef&b=xy&c=")
            .expect(custom_dump({{"a", "0123456789abcdef"}, {"b", "xy"}, {"c", ""}})));
    add(Case(decoding, "MultiByteCharactersComeBackUnchanged")
            .get("obj=Qmt.Probe+Dump&t=%C3%A9&u=%E2%82%AC")
            .expect(custom_dump({{"t", "\xC3\xA9"}, {"u", "\xE2\x82\xAC"}})));
    add(Case(decoding, "EscapedSpaceSplitsTheTarget")
            .get("obj=Qmt.Probe%20Dump&a=1")
            .expect(custom_dump({{"a", "1"}})));
    add(Case(decoding, "PostBodyDecodesLikeAQueryString")
            .post("obj=Qmt.Probe+Dump&a%3Db=v%26w&&k=v&")
            .expect(custom_dump({{"a=b", "v&w"}, {"&k", "v"}, {"", ""}})));

    // ---- Naming, creating and finding the target.
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

    // ---- SendString, SendFile and the pause after them.
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
    std::string const binary("A\0B\x7f\x80\xff\r\n\0end", 12);
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

    // ---- Output files.
    char const* files = "OutputFile";
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

    // ---- ServerItems and CustomItems as the method sees them.
    char const* collections = "Collections";
    add(Case(collections, "ServerItemByExactName")
            .set("REMOTE_ADDR", "10.0.0.7")
            .run("server=REMOTE_ADDR")
            .expect("[10.0.0.7]"));
    add(Case(collections, "ServerItemNamesAreCaseSensitive")
            .set("REMOTE_ADDR", "10.0.0.7")
            .run("server=remote_addr")
            .expect(page(name_not_found("remote_addr"))));
    add(Case(collections, "ServerItemsByFirstAndLastNumber")
            .set("AUTH_TYPE", "Basic")
            .set("SERVER_SOFTWARE", "TestServer/1.0")
            .run("servernum=1&servernum=24")
            .expect("[Basic][TestServer/1.0]"));
    add(Case(collections, "ServerItemNumberZeroGetsMessage8")
            .run("servernum=0")
            .expect(page(server_item_out_of_range("0"))));
    add(Case(collections, "ServerItemNumberAfterTheLastGetsMessage8")
            .run("servernum=25")
            .expect(page(server_item_out_of_range("25"))));
    add(Case(collections, "SmallestNumberIsReportedInFull")
            .run("servernum=-2147483648")
            .expect(page(server_item_out_of_range("-2147483648"))));
    add(Case(collections, "CustomItemByNumber").run("customnum=1").expect("[1]"));
    add(Case(collections, "CustomItemNumberAfterTheLastGetsMessage7")
            .run("customnum=3&x=y")
            .expect(page(custom_item_out_of_range("3"))));
    add(Case(collections, "FirstOfRepeatedNamesIsFound").run("custom=k&k=first&k=second").expect("[first]"));
    add(Case(collections, "EmptyNameIsNeverFound").run("custom=&=nameless").expect(page(name_not_found(""))));
    add(Case(collections, "CountsOfBothCollections").run("count=&a=1&b=2").expect("S=24 C=3"));
    add(Case(collections, "CollectionsKeepWorkingAfterAnErrorPage")
            .run("status=&customnum=0&count=")
            .expect(page(custom_item_out_of_range("0")))
            .expect_trace("CustomItems=0x00000000\nItem=0x80070057\nServerItems=0x00000000\nCount=0x00000000\n"
                          "CustomItems=0x00000000\nCount=0x00000000\nSendString=0x80004005\n"));
    add(Case(collections, "EnumeratorCopyKeptBeyondTheRequestIsReadWhenTheObjectUnloads")
            .run("keepenum=&a=1&b=2&send=kept")
            .expect("kept")
            .expect_trace("[keepenum]=[]\n[a]=[1]\n[b]=[2]\n[send]=[kept]\nItem=0x80070057\n"));

    // ---- The error page itself.
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

} // namespace

std::vector<Case> const& all_cases()
{
    static std::vector<Case> const table = build_table();
    return table;
}

std::vector<Case> cases_of(char const* group)
{
    std::vector<Case> rows;
    for (Case const& row : all_cases())
        if (row.group == group)
            rows.push_back(row);
    return rows;
}

} // namespace e2e

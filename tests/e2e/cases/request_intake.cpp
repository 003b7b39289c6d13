// The RequestIntake rows of the end-to-end table: server variables, the request method and the form data.
#include "case.h"
#include "cases/helpers.h"
#include "expected_pages.h"
#include "groups.h"

#include <string>
#include <utility>

namespace e2e {
namespace {

using namespace expected;

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

} // namespace

std::vector<Case> request_intake_cases()
{
    using namespace expected;
    std::vector<Case> rows;
    auto add = [&rows](Case row) { rows.push_back(std::move(row)); };

    char const* intake = "RequestIntake";
    add(Case(intake, "UnsetServerVariablesAreEmptyItems")
            .get("obj=Qmt.Probe+DumpServer")
            .expect(server_dump({{"REQUEST_METHOD", "GET"}})));
    add(with_every_server_variable(Case(intake, "ServerItemsHoldTheTwentyFourVariablesInTableOrder"))
            .get("obj=Qmt.Probe+DumpServer")
            .expect(server_dump(every_server_variable_with("GET"))));
    // A server may send many more variables than the twenty-four (every request header is
    // one): they change nothing. A worker searches so many names one by one.
    Case many_headers = with_every_server_variable(Case(intake, "ManyOtherVariablesChangeNothing"));
    for (int header = 0; header < 250; ++header)
        many_headers.set("HTTP_X_EXTRA_" + std::to_string(header), "extra");
    add(many_headers.get("obj=Qmt.Probe+DumpServer").expect(server_dump(every_server_variable_with("GET"))));
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
    // A server may hand over its own non-blocking socket: "try again" is no end of the body.
    add(Case(intake, "NonBlockingStandardInputIsReadToTheEnd")
            .with_nonblocking_streams()
            .post("")
            .body_in_pieces({"obj=Qmt.Probe+Dump&a=1", "&big=" + big_value}, 200)
            .expect(custom_dump({{"a", "1"}, {"big", big_value}})));
    // Opt-in limits: beyond them nothing is decoded or created, and the page carries status 413.
    std::string const served = "obj=Qmt.Probe+Run&send=a&send=b";
    add(Case(intake, "BodyBeyondTheLimitGetsStatus413AndMessage27")
            .set("QUILLMATE_MAX_BODY_BYTES", std::to_string(served.size() - 1))
            .post(served)
            .expect(status_413_page(request_too_large())));
    add(Case(intake, "BodyAtTheLimitIsServed")
            .set("QUILLMATE_MAX_BODY_BYTES", std::to_string(served.size()))
            .post(served)
            .expect("ab"));
    add(Case(intake, "QueryStringBeyondTheLimitGetsStatus413")
            .set("QUILLMATE_MAX_BODY_BYTES", "10")
            .run("send=a")
            .expect(status_413_page(request_too_large())));
    add(Case(intake, "LimitThatIsNoNumberRefusesAnyData")
            .set("QUILLMATE_MAX_BODY_BYTES", "10M")
            .run("send=a")
            .expect(status_413_page(request_too_large())));
    add(Case(intake, "MoreFieldsThanTheLimitGetStatus413")
            .set("QUILLMATE_MAX_FIELDS", "1")
            .post(served)
            .expect(status_413_page(request_too_large())));
    add(Case(intake, "FieldsAtTheLimitAreServedAndEscapesAreNoSeparators")
            .set("QUILLMATE_MAX_FIELDS", "2")
            .post(served + "%26c")
            .expect("ab&c"));
    return rows;
}

} // namespace e2e

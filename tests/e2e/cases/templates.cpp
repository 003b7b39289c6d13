// The Templates rows of the end-to-end table: the field store (OpenTemplate, SendTemplate,
// BeginSection, EndSection) and CloseTemplate's expansion, with their messages.
#include "case.h"
#include "cases/helpers.h"
#include "expected_pages.h"
#include "groups.h"

#include <string>
#include <utility>

namespace e2e {
namespace {

// The worked example: a page with a title field and a section of two-field rows.
std::string const price_list_template = "<HTML><BODY>\n"
                                        "<H1><!-- template:title --></H1>\n"
                                        "<TABLE>\n"
                                        "<!-- template:beginsection:rows -->\n"
                                        "<TR><TD><!-- template:name --></TD><TD><!-- template:price --></TD></TR>\n"
                                        "<!-- template:endsection -->\n"
                                        "</TABLE>\n"
                                        "<!-- a plain comment -->\n"
                                        "</BODY></HTML>\n";
std::string const price_list_fields = "field=title|Price+list&section=rows&field=name|Tea&field=price|3"
                                      "&field=name|Coffee&field=price|4&endsection=";
std::string const price_list_page = "<HTML><BODY>\n"
                                    "<H1>Price list</H1>\n"
                                    "<TABLE>\n"
                                    "\n"
                                    "<TR><TD>Tea</TD><TD>3</TD></TR>\n"
                                    "\n"
                                    "<TR><TD>Coffee</TD><TD>4</TD></TR>\n"
                                    "\n"
                                    "</TABLE>\n"
                                    "<!-- a plain comment -->\n"
                                    "</BODY></HTML>\n";
std::string const price_list_up_to_rows = "<HTML><BODY>\n<H1>Price list</H1>\n<TABLE>\n";

// A top-level field and a section of (name,price) rows.
std::string const pairs_template = "<!-- template:t --><!-- template:beginsection:s -->(<!-- template:name -->,"
                                   "<!-- template:price -->)<!-- template:endsection -->";

std::string traced(std::initializer_list<char const*> lines)
{
    std::string trace;
    for (char const* line : lines)
        trace += std::string(line) + "\n";
    return trace;
}

} // namespace

std::vector<Case> templates_cases()
{
    using namespace expected;
    std::vector<Case> rows;
    auto add = [&rows](Case row) { rows.push_back(std::move(row)); };
    auto price_list = [](char const* name) { return Case("Templates", name).fixture("page.htm", price_list_template); };

    add(price_list("WorkedExampleGivesItsElevenLines")
            .run("status=&template={DIR}/page.htm&" + price_list_fields + "&closetemplate=&send=after")
            .expect(price_list_page + "after")
            .expect_trace(traced({"OpenTemplate=0x00000000", "SendTemplate=0x00000000", "BeginSection=0x00000000",
                                  "SendTemplate=0x00000000", "SendTemplate=0x00000000", "SendTemplate=0x00000000",
                                  "SendTemplate=0x00000000", "EndSection=0x00000000", "CloseTemplate=0x00000000",
                                  "SendString=0x00000000"})));
    add(Case("Templates", "MarkersInAnyCaseAfterAnyWhitespaceRun")
            .fixture("t.htm",
                     "<!--template:a -->|<!-- \t\r\n TeMpLaTe:b\t-->|<!--\r\n\tTEMPLATE:BeginSection:s -->"
                     "[<!--\ntEmPlAtE:x\n-->]<!--\tTemplate:EndSection-->!")
            .run("template={DIR}/t.htm&field=A|upper&field=a|1&field=b|3&section=s&field=x|4&field=x|5&endsection="
                 "&closetemplate=")
            .expect("1|3|[4][5]!"));
    add(Case("Templates", "NamesEndAtWhitespaceAndTextBeforeTheCloserIsDropped")
            .fixture("t.htm", "<!-- template:a\tdropped <b>text</b> -->|<!-- template:b-->glued -->.")
            .run("template={DIR}/t.htm&field=a|A&field=b-->glued|B&closetemplate=")
            .expect("A|B."));
    add(Case("Templates", "CloserGluedToANameIsPartOfIt")
            .fixture("t.htm", "x<!-- template:b-->y")
            .run("template={DIR}/t.htm&field=b|B&closetemplate=")
            .expect(std::string("x") + page(field_not_referenced("b--&gt;y"))));
    add(Case("Templates", "EmptyNameTakesTheEmptyPlaceholder")
            .fixture("t.htm", "[<!-- template: -->]")
            .run("template={DIR}/t.htm&field=|E&closetemplate=")
            .expect("[E]"));
    add(Case("Templates", "EmptyNameWithoutAnEmptyPlaceholderGetsMessage16")
            .fixture("t.htm", "[<!-- template: -->]")
            .run("template={DIR}/t.htm&field=x|E&closetemplate=")
            .expect(std::string("[") + page(field_not_referenced(""))));
    // "<<!--" holds no opener and "--->" no closer: a byte that breaks a partial match is
    // not tested again as a start.
    add(Case("Templates", "OrdinaryCommentsAndBrokenMarkersPassThrough")
            .fixture("t.htm",
                     "<!-- plain --><!----><<!-- template:a -->|<!-- template:a --->x --> y|"
                     "<!-- TEMPLATE:a -- > z -->.")
            .run("template={DIR}/t.htm&field=a|A&closetemplate=")
            .expect("<!-- plain --><!----><<!-- template:a -->|A y|A."));
    add(Case("Templates", "ValuesAreWrittenAsTheyAre")
            .fixture("t.htm", "[<!-- template:v -->]")
            .run("template={DIR}/t.htm&field=v|%3C!--+template:v+--%3E+%26+%3Cb%3E&closetemplate=")
            .expect("[<!-- template:v --> & <b>]"));
    add(Case("Templates", "StrayMarkersAreFields")
            .fixture("t.htm",
                     "<!-- template:endsection -->|<!-- template:beginsection:s -->("
                     "<!-- template:beginsection:t -->)<!-- template:endsection -->")
            .run("template={DIR}/t.htm&field=endsection|E&section=s&field=beginsection:t|1&field=beginsection:t|2"
                 "&closetemplate=")
            .expect("E|(1)(2)"));

    // Rows: the first placeholder of a section starts every row; the first match in a row wins.
    add(Case("Templates", "NamePriceNamePriceGivesRowsInAnyOrderAndTheMainSectionsFirstValue")
            .fixture("t.htm", pairs_template)
            .run("template={DIR}/t.htm&field=t|first&field=t|second&section=s&field=name|n1&field=price|p1"
                 "&field=name|n2&field=price|p2&field=price|p3&field=name|n3&field=name|n4&field=price|p4"
                 "&closetemplate=")
            .expect("first(n1,p1)(n2,p2)(n3,p3)(n4,p4)"));
    add(Case("Templates", "NamePricePriceNameGivesOneRowOfWidthThree")
            .fixture("t.htm", pairs_template)
            .run("template={DIR}/t.htm&field=t|T&section=s&field=name|n1&field=price|p1&field=price|p2"
                 "&field=name|n2&closetemplate=")
            .expect("T(n1,p1)"));
    add(Case("Templates", "EveryRowTakesTheFirstOfARepeatedPlaceholder")
            .fixture("t.htm", pairs_template)
            .run("template={DIR}/t.htm&field=t|T&section=s&field=name|n1&field=price|p1&field=price|p2"
                 "&field=name|n2&field=price|p3&field=price|p4&field=name|n3&field=price|p5&field=name|x"
                 "&closetemplate=")
            .expect("T(n1,p1)(n2,p3)(n3,p5)"));
    add(Case("Templates", "AnIncompleteLastRowIsNotWritten")
            .fixture("t.htm", pairs_template)
            .run("template={DIR}/t.htm&field=t|T&section=s&field=name|n1&field=price|p1&field=name|n2"
                 "&field=price|p2&field=name|n3&closetemplate=")
            .expect("T(n1,p1)(n2,p2)"));
    // A long section's entries are kept in blocks: a row that spans two of them, rows in
    // another order than the first, and a first row longer than the first block.
    {
        std::string fields;
        std::string page;
        for (int row = 0; row < 70; ++row) {
            std::string const n = std::to_string(row);
            std::string const a = "&field=a|a" + n;
            std::string const b = "&field=b|b" + n;
            std::string const c = "&field=c|c" + n;
            fields += row % 7 == 3 ? a + c + b : a + b + c;
            page += "(a" + n + ",b" + n + ",c" + n + ")";
        }
        add(Case("Templates", "RowsAcrossTheStoresBlocksKeepTheirValues")
                .fixture("t.htm",
                         "<!-- template:beginsection:s -->(<!-- template:a -->,<!-- template:b -->,"
                         "<!-- template:c -->)<!-- template:endsection -->")
                .run("template={DIR}/t.htm&section=s" + fields + "&closetemplate=")
                .expect(page));
        std::string body;
        std::string wide_fields;
        std::string wide_page;
        for (int row = 0; row < 2; ++row) {
            for (int column = 0; column < 70; ++column) {
                std::string name = "f";
                name += std::to_string(column);
                std::string const value = std::to_string(row * 100 + column);
                if (row == 0)
                    body.append("<!-- template:").append(name).append(" -->.");
                wide_fields.append("&field=").append(name).append("|").append(value);
                wide_page.append(value).append(".");
            }
            wide_page += "|";
        }
        add(Case("Templates", "RowsOfSeventyFieldsKeepTheirValues")
                .fixture("t.htm", "<!-- template:beginsection:s -->" + body + "|<!-- template:endsection -->")
                .run("template={DIR}/t.htm&section=s" + wide_fields + "&closetemplate=")
                .expect(wide_page));
        // A field twice in the body: a row takes the room of its value twice. Rows of 2,050
        // bytes (a 1,847-byte literal, two 100-byte values): the 32nd finds 1,986 bytes left in
        // the output's 64 KiB buffer, less than it needs but more than the row would need if
        // the field's second value were counted as the other, one-byte, one.
        std::string const pad = repeated("p", 1847);
        std::string twice_fields;
        std::string twice_page;
        for (int row = 100; row < 140; ++row) {
            std::string const value = repeated("x", 97) + std::to_string(row);
            twice_fields.append("&field=a|").append(value).append("&field=b|y");
            twice_page.append(pad).append("[").append(value).append("|").append(value).append("]");
        }
        add(Case("Templates", "AFieldTwiceInTheBodyWritesItsValueTwiceARow")
                .fixture("t.htm",
                         "<!-- template:beginsection:s -->" + pad
                             + "[<!-- template:a -->|<!-- template:a -->]<!-- template:endsection -->")
                .run("template={DIR}/t.htm&section=s" + twice_fields + "&closetemplate=")
                .expect(twice_page));
        // Rows of short literals are gathered a few KiB at a time: a row longer than that
        // between short ones comes out in its place.
        std::string const long_value = repeated("y", 5000);
        add(Case("Templates", "ARowLongerThanTheGatheredRowsKeepsItsPlace")
                .fixture("t.htm", "<!-- template:beginsection:s -->[<!-- template:v -->]<!-- template:endsection -->")
                .run("template={DIR}/t.htm&section=s&field=v|a1&field=v|" + long_value + "&field=v|a3&closetemplate=")
                .expect("[a1][" + long_value + "][a3]"));
    }
    add(Case("Templates", "OnePlaceholderThreeTimesGivesThreeRowsAndABlockWithoutFieldsRepeats")
            .fixture("t.htm",
                     "<!-- template:beginsection:s -->[<!-- template:name -->]<!-- template:endsection -->"
                     "<!-- template:beginsection:u -->-<!-- template:endsection -->")
            .run("template={DIR}/t.htm&section=s&field=name|a&field=name|b&field=name|c&section=u&field=k|1"
                 "&field=k|2&closetemplate=")
            .expect("[a][b][c]--"));
    add(Case("Templates", "SectionWithoutEntriesResumesAfterTheEndMarkersLetters")
            .fixture("t.htm", "a<!-- template:beginsection:s -->[<!-- template:x -->] the endSection letters --> b")
            .run("template={DIR}/t.htm&section=s&closetemplate=")
            .expect("a b"));
    add(Case("Templates", "SectionWithoutEntriesOrEndMarkerGetsMessage20")
            .fixture("t.htm", "a<!-- template:beginsection:s -->[<!-- template:x -->]")
            .run("template={DIR}/t.htm&section=s&closetemplate=")
            .expect(std::string("a") + page(end_section_missing())));
    add(Case("Templates", "SectionWithEntriesButNoBlockWritesNothingOfIt")
            .fixture("t.htm", "plain <!-- template:t -->")
            .run("status=&template={DIR}/t.htm&field=t|T&section=s&field=x|1&closetemplate=")
            .expect("plain T")
            .expect_trace(traced({"OpenTemplate=0x00000000", "SendTemplate=0x00000000", "BeginSection=0x00000000",
                                  "SendTemplate=0x00000000", "CloseTemplate=0x00000000"})));

    // Messages of the expansion: the page follows every template byte written before it.
    add(Case("Templates", "BlockOfASectionNeverBegunGetsMessage15")
            .fixture("t.htm", "a<!-- template:beginsection:nope -->[<!-- template:x -->]<!-- template:endsection -->b")
            .run("status=&template={DIR}/t.htm&section=Nope&field=x|1&closetemplate=&send=x")
            .expect(std::string("a") + page(section_not_referenced("nope")))
            .expect_trace(traced({"OpenTemplate=0x00000000", "BeginSection=0x00000000", "SendTemplate=0x00000000",
                                  "CloseTemplate=0x00000000", "SendString=0x80004005"})));
    add(price_list("MissingTopLevelFieldGetsMessage16")
            .run("template={DIR}/page.htm&section=rows&field=name|Tea&field=price|3&closetemplate=")
            .expect(std::string("<HTML><BODY>\n<H1>") + page(field_not_referenced("title"))));
    add(price_list("MissingFieldInARowGetsMessage16AfterTheRowsBefore")
            .run("template={DIR}/page.htm&field=title|Price+list&section=rows&field=name|Tea&field=price|3"
                 "&field=name|Coffee&field=cost|4&closetemplate=")
            .expect(price_list_up_to_rows + "\n<TR><TD>Tea</TD><TD>3</TD></TR>\n\n<TR><TD>Coffee</TD><TD>"
                    + page(field_not_referenced("price"))));
    add(Case("Templates", "UnterminatedBlockGetsMessage20")
            .fixture("t.htm", "a<!-- template:beginsection:s -->[<!-- template:x -->]<!-- template:endsectio -->")
            .run("template={DIR}/t.htm&section=s&field=x|1&closetemplate=")
            .expect(std::string("a") + page(end_section_missing())));

    // States and the messages of the store.
    add(price_list("EmptyTemplateFailsWithoutOutputAndStaysOpen")
            .fixture("empty.htm", "")
            .run("status=&template={DIR}/empty.htm&closetemplate=&template={DIR}/page.htm")
            .expect(page(template_already_open("{DIR}/page.htm")))
            .expect_trace(traced({"OpenTemplate=0x00000000", "CloseTemplate=0x80004005", "OpenTemplate=0x80004005"})));
    add(price_list("SecondCloseTemplateFailsAndWritesNothing")
            .run("status=&template={DIR}/page.htm&field=title|Price+list&section=rows&closetemplate=&closetemplate="
                 "&send=.")
            .expect(
                "<HTML><BODY>\n<H1>Price list</H1>\n<TABLE>\n\n</TABLE>\n<!-- a plain comment -->\n</BODY></HTML>\n.")
            .expect_trace(traced({"OpenTemplate=0x00000000", "SendTemplate=0x00000000", "BeginSection=0x00000000",
                                  "CloseTemplate=0x00000000", "CloseTemplate=0x80004005", "SendString=0x00000000"})));
    add(price_list("CloseTemplateAfterAnErrorPageFailsAndWritesNothing")
            .run("status=&template={DIR}/page.htm&fieldnullvalue=title&closetemplate=&fieldnullname=x")
            .expect(page(send_template_null_parameters()) + page(send_template_null_parameters()))
            .expect_trace(traced({"OpenTemplate=0x00000000", "SendTemplate=0x80004005", "CloseTemplate=0x80004005",
                                  "SendTemplate=0x80004005"})));
    add(price_list("MissingTemplateFileAfterAPageGetsMessage10AndLeavesNoneOpen")
            .run("status=&template={DIR}/page.htm&" + price_list_fields
                 + "&closetemplate=&template={DIR}/missing.htm&template={DIR}/page.htm")
            .expect(price_list_page + page(file_not_opened("{DIR}/missing.htm")))
            .expect_trace(traced({"OpenTemplate=0x00000000", "SendTemplate=0x00000000", "BeginSection=0x00000000",
                                  "SendTemplate=0x00000000", "SendTemplate=0x00000000", "SendTemplate=0x00000000",
                                  "SendTemplate=0x00000000", "EndSection=0x00000000", "CloseTemplate=0x00000000",
                                  "OpenTemplate=0x80030002", "OpenTemplate=0x00000000"})));
    add(Case("Templates", "MembersWithoutATemplateGetMessages12And13And23")
            .run("status=&field=a|b&section=s&endsection=&closetemplate=&templatenull=")
            .expect(page(send_template_without_template("a")) + page(begin_section_without_template("s"))
                    + page(end_section_without_template()) + page(file_not_opened("")))
            .expect_trace(traced({"SendTemplate=0x80004005", "BeginSection=0x80004005", "EndSection=0x80004005",
                                  "CloseTemplate=0x80004005", "OpenTemplate=0x80030002"})));
    add(price_list("SectionNameUsedTwiceGetsMessage14")
            .run("status=&template={DIR}/page.htm&section=rows&endsection=&section=rows&sectionnull=&sectionnull=")
            .expect(page(section_name_reused("rows")))
            .expect_trace(traced({"OpenTemplate=0x00000000", "BeginSection=0x00000000", "EndSection=0x00000000",
                                  "BeginSection=0x80004005", "BeginSection=0x00000000", "BeginSection=0x00000000"})));
    add(price_list("TwoTemplatesInOneRequestEachWithAFreshStore")
            .fixture("second.htm",
                     "<!-- template:beginsection:rows -->(<!-- template:name -->)"
                     "<!-- template:endsection -->\n")
            .run("template={DIR}/page.htm&" + price_list_fields
                 + "&closetemplate=&template={DIR}/second.htm&section=rows&field=name|Milk&closetemplate=")
            .expect(price_list_page + "(Milk)\n"));
    add(price_list("TemplateGoesIntoTheOutputFileAndItsErrorPageToStandardOutput")
            .run("open={DIR}/out.htm&template={DIR}/page.htm&field=title|Price+list&section=rows&field=name|Tea"
                 "&closetemplate=&close=")
            .expect(page(field_not_referenced("price")))
            .expect_file("out.htm", price_list_up_to_rows + "\n<TR><TD>Tea</TD><TD>"));
    add(price_list("CloseTemplatePausesAfterWriting")
            .run("template={DIR}/page.htm&" + price_list_fields + "&closetemplatesleep=300")
            .expect(price_list_page)
            .takes_at_least_ms(300));

    // Room for the code page (UTF-8 natively): a character may take three bytes per UTF-16
    // unit. Under Wine form data and output are code page 1252, where the same bytes are
    // single characters and come back unchanged.
    add(Case("Templates", "ReplacementsKeepEveryByteOfTheirCharacters")
            .fixture("t.htm", "[<!-- template:t -->]")
            .run("status=&template={DIR}/t.htm&field=t|%C3%A9%E2%82%AC%F0%9F%98%80&closetemplate=")
            .expect("[\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80]")
            .expect_trace(traced({"OpenTemplate=0x00000000", "SendTemplate=0x00000000", "CloseTemplate=0x00000000"})));
    // A unit above 0x7F whose low byte is ASCII (U+0152, natively; under Wine the bytes are
    // U+00C5 and U+2019) among four units, and among eleven where only the last load of eight
    // units holds it: the value is converted, not cut to its low bytes.
    add(Case("Templates", "UnitsWithAnAsciiLowByteKeepTheirCharacters")
            .fixture("t.htm", "[<!-- template:a -->|<!-- template:b -->]")
            .run("template={DIR}/t.htm&field=a|ab%C5%92d&field=b|abcdefghi%C5%92j&closetemplate=")
            .expect("[ab\xC5\x92"
                    "d|abcdefghi\xC5\x92"
                    "j]"));
    // Under Wine the name's bytes are three characters each, which name another file there.
    std::string const euros = "\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC";
    add(Case("Templates", "TemplateFileNameKeepsEveryByteOfItsCharacters")
            .fixture(euros + ".htm", "[<!-- template:t -->]")
            .run("template={DIR}/%E2%82%AC%E2%82%AC%E2%82%AC.htm&field=t|T&closetemplate=")
            .expect("[T]")
            .expect_under_wine(page(file_not_opened("{DIR}/" + euros + ".htm"))
                               + page(send_template_without_template("t"))));

    // Pieces longer than the output's buffer, and pieces that cross its end, keep their order.
    std::string const long_literal = repeated("A", 70000);
    std::string const row_literal = repeated("b", 40000);
    add(Case("Templates", "LongLiteralRunsKeepTheirOrder")
            .fixture("t.htm",
                     long_literal + "<!-- template:t --><!-- template:beginsection:s -->" + row_literal
                         + "<!-- template:v --><!-- template:endsection -->z")
            .run("template={DIR}/t.htm&field=t|T&section=s&field=v|1&field=v|2&field=v|3&closetemplate=")
            .expect(long_literal + "T" + row_literal + "1" + row_literal + "2" + row_literal + "3z"));
    // A template of up to 16 KiB is read whole, a longer one mapped: either way the byte after
    // its last placeholder, its last byte, is written.
    for (std::size_t const size : {std::size_t {16384}, std::size_t {16385}}) {
        std::string const marker = "<!-- template:t -->";
        std::string const literal = repeated("a", size - marker.size() - 1);
        add(Case("Templates", "LastByteOfATemplateOf" + std::to_string(size) + "BytesIsWritten")
                .fixture("t.htm", literal + marker + "z")
                .run("template={DIR}/t.htm&field=t|T&closetemplate=")
                .expect(literal + "Tz"));
    }
    // Rows of 19 bytes whose page outgrows the output's first buffer (a few KB) and then its
    // whole one (64 KB): what was gathered moves along, in order.
    add(Case("Templates", "RowsOutgrowingTheOutputsBuffersKeepTheirOrder")
            .fixture("rows.htm",
                     "(<!-- template:beginsection:rows -->[<!-- template:v -->]\n<!-- template:endsection -->)")
            .run("template={DIR}/rows.htm&section=rows&fieldrows=5000|v|0123456789abcdef&closetemplate=")
            .expect(std::string("(").append(repeated("[0123456789abcdef]\n", 5000)).append(")")));
    // 100,000 rows of 20 bytes; the client leaves after the first MiB. The expansion stops
    // writing, the request goes on: the output file after the page is complete.
    add(Case("Templates", "ClientThatGoesAwayDuringALargeSectionEndsTheRequestWithItsFilesComplete")
            .fixture("rows.htm",
                     "<!-- template:beginsection:rows -->[<!-- template:v -->]\n<!-- template:endsection -->")
            .reader_goes_away_after(1024 * 1024)
            .run("template={DIR}/rows.htm&section=rows&fieldrows=100000|v|0123456789abcdef&closetemplate=&send=lost&"
                 "open={DIR}/after.txt&send=after&close=")
            .expect_file("after.txt", "after"));
    return rows;
}

} // namespace e2e

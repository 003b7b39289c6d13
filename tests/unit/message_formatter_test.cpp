// Filling message rows with callers' texts: escaping and the bounds of the page's buffers.
#include "report/message_formatter.h"
#include "wide_string.h"

#include <gtest/gtest.h>
#include <string>

namespace {

std::string format(char const* row, std::u16string const& text)
{
    char out[qmt::message_capacity];
    WideString const units = wide(text);
    qmt::WideChar const* texts[] = {units.c_str()};
    std::size_t const length = qmt::format_message(row, texts, 1, out);
    EXPECT_EQ(out[length], '\0');
    return std::string(out, length);
}

std::string repeated(std::string const& piece, std::size_t times)
{
    std::string text;
    for (std::size_t i = 0; i < times; ++i)
        text += piece;
    return text;
}

TEST(MessageFormatter, PlainTextFillsThePlaceholderByteForByte)
{
    EXPECT_EQ(format("The file %s was not found.", u"x.htm"), "The file x.htm was not found.");
}

TEST(MessageFormatter, AbsentTextLeavesTheBlanksAroundThePlaceholder)
{
    char out[qmt::message_capacity];
    qmt::WideChar const* absent = nullptr;
    qmt::format_message("The file %s was", &absent, 1, out);
    EXPECT_STREQ(out, "The file  was");
}

TEST(MessageFormatter, MarkupInCallersTextsIsEscaped)
{
    EXPECT_EQ(format("[%s]", u"<b>\"Tom\" & Jerry</b>"), "[&lt;b&gt;&quot;Tom&quot; &amp; Jerry&lt;/b&gt;]");
}

TEST(MessageFormatter, TwoTextsFillTheirPlaceholdersInOrder)
{
    char out[qmt::message_capacity];
    WideString const source = wide(u"Shop.Catalog"), description = wide(u"Stock missing");
    qmt::WideChar const* texts[] = {source.c_str(), description.c_str()};
    qmt::format_message("source \"%s.\" description \"%s.\"", texts, 2, out);
    EXPECT_STREQ(out, "source \"Shop.Catalog.\" description \"Stock missing.\"");
}

TEST(MessageFormatter, OverlongTextIsCutButTheRowsOwnTextStays)
{
    std::string const result = format("start %s end", std::u16string(5000, u'a'));
    EXPECT_EQ(result.size(), qmt::message_capacity - 1);
    EXPECT_EQ(result.substr(0, 6), "start ");
    EXPECT_EQ(result.substr(result.size() - 4), " end");
}

TEST(MessageFormatter, CutNeverSplitsAnEscape)
{
    // 999 bytes of room: 199 whole "&amp;" and 4 bytes that cannot hold a 200th.
    EXPECT_EQ(format("%s", std::u16string(400, u'&')), repeated("&amp;", 199));
}

TEST(MessageFormatter, CharacterBeyondTheBasicPlaneIsConvertedAndCutAsOne)
{
    std::u16string const character = u"\U0001F600"; // a surrogate pair
    std::string const bytes = in_code_page(character); // F0 9F 98 80 natively, "??" in code page 1252
    EXPECT_EQ(format("[%s]", u"a" + character + u"b"), "[a" + bytes + "b]");

    // The room ends one byte before the end of the last character: none of its bytes may
    // show, not even those that one of its surrogates converted alone would give.
    std::size_t const room = qmt::message_capacity - 1;
    std::size_t const whole = (room - (bytes.size() - 1)) / bytes.size();
    std::string const padding(room - (bytes.size() - 1) - whole * bytes.size(), 'x');
    std::u16string text(padding.begin(), padding.end());
    for (std::size_t i = 0; i <= whole; ++i)
        text += character;
    EXPECT_EQ(format("%s", text), padding + repeated(bytes, whole));
}

TEST(MessageFormatter, TextsThatFitAreNotCut)
{
    std::u16string const text(900, u'x');
    std::string const result = format("ab%scd", text);
    EXPECT_EQ(result, "ab" + std::string(900, 'x') + "cd");
}

TEST(MessageFormatter, EachOfTwoTextsHasItsOwnShareOfTheRoom)
{
    // 996 bytes of room beside "[|]": a short text keeps all it needs, two long ones halve it.
    char out[qmt::message_capacity];
    WideString const long_a = wide(std::u16string(1500, u'a')), short_b = wide(u"bb"),
                     long_b = wide(std::u16string(1500, u'b'));
    qmt::WideChar const* long_and_short[] = {long_a.c_str(), short_b.c_str()};
    EXPECT_EQ(std::string(out, qmt::format_message("[%s|%s]", long_and_short, 2, out)),
              "[" + std::string(994, 'a') + "|bb]");
    qmt::WideChar const* both_long[] = {long_a.c_str(), long_b.c_str()};
    EXPECT_EQ(std::string(out, qmt::format_message("[%s|%s]", both_long, 2, out)),
              "[" + std::string(498, 'a') + "|" + std::string(498, 'b') + "]");
}

} // namespace

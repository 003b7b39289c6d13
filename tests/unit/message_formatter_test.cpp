// Filling message rows with callers' texts: escaping and the bounds of the page's buffers.
#include "report/message_formatter.h"

#include <gtest/gtest.h>
#include <string>

namespace {

std::string format(char const* row, std::u16string const& text)
{
    char out[qmt::message_capacity];
    auto const* wide = reinterpret_cast<qmt::WideChar const*>(text.c_str());
    std::size_t const length = qmt::format_message(row, &wide, 1, out);
    EXPECT_EQ(out[length], '\0');
    return std::string(out, length);
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
    std::u16string const source = u"Shop.Catalog", description = u"Stock missing";
    qmt::WideChar const* texts[] = {reinterpret_cast<qmt::WideChar const*>(source.c_str()),
                                    reinterpret_cast<qmt::WideChar const*>(description.c_str())};
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

TEST(MessageFormatter, CutNeverSplitsAnEscapeOrASurrogatePair)
{
    std::u16string text;
    for (int i = 0; i < 400; ++i)
        text += u"&\U0001F600";
    std::string const result = format("%s", text);
    EXPECT_LE(result.size(), qmt::message_capacity - 1);
    // Whole "&amp;" entities only: the text ends right after a complete character.
    auto const last_amp = result.rfind('&');
    ASSERT_NE(last_amp, std::string::npos);
    EXPECT_GE(result.size() - last_amp, 5u);
    EXPECT_EQ(result.compare(last_amp, 5, "&amp;"), 0);
}

TEST(MessageFormatter, TextsThatFitAreNotCut)
{
    std::u16string const text(900, u'x');
    std::string const result = format("ab%scd", text);
    EXPECT_EQ(result, "ab" + std::string(900, 'x') + "cd");
}

} // namespace

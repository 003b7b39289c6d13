// Pair splitting and decoding of form data: what each byte sequence becomes.
#include "gateway/form_decoder.h"
#include "wide_string.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using Pairs = std::vector<std::pair<std::u16string, std::u16string>>;

// Decodes `data` from storage of exactly its size, so that the sanitizers see any read
// beyond it; `value_units` receives each value's count of units as the decoder reports it.
Pairs split(std::string const& data, std::vector<std::size_t>* value_units = nullptr)
{
    auto const bytes = std::make_unique<char[]>(data.size());
    data.copy(bytes.get(), data.size());
    qmt::DecodingBuffers buffers;
    Pairs pairs;
    qmt::split_form_pairs(bytes.get(), data.size(), buffers,
                          [&](qmt::WideChar const* name, qmt::WideChar const* value, std::size_t units) {
                              pairs.emplace_back(utf16(name), utf16(value));
                              if (value_units != nullptr)
                                  value_units->push_back(units);
                              return true;
                          });
    return pairs;
}

TEST(FormDecoding, SplitsPairsAtAmpersandsAndNamesAtEquals)
{
    EXPECT_EQ(split("obj=Shop.Catalog+List&cat=7"), (Pairs {{u"obj", u"Shop.Catalog List"}, {u"cat", u"7"}}));
}

TEST(FormDecoding, AmpersandInsideANameIsAnOrdinaryCharacter)
{
    EXPECT_EQ(split("o=T+M&a&b=v"), (Pairs {{u"o", u"T M"}, {u"a&b", u"v"}}));
    EXPECT_EQ(split("o=T+M&&k=v"), (Pairs {{u"o", u"T M"}, {u"&k", u"v"}}));
}

TEST(FormDecoding, EqualsInsideAValueIsAnOrdinaryCharacter)
{
    EXPECT_EQ(split("o=x&a=1=2"), (Pairs {{u"o", u"x"}, {u"a", u"1=2"}}));
}

TEST(FormDecoding, NameWithoutEqualsHasAnEmptyValueAndEndsTheData)
{
    EXPECT_EQ(split("o=x&x"), (Pairs {{u"o", u"x"}, {u"x", u""}}));
    EXPECT_EQ(split("Shop.Catalog"), (Pairs {{u"Shop.Catalog", u""}}));
}

TEST(FormDecoding, TrailingAmpersandGivesOneMoreEmptyPair)
{
    EXPECT_EQ(split("o=x&"), (Pairs {{u"o", u"x"}, {u"", u""}}));
}

TEST(FormDecoding, EmptyDataIsOneEmptyPair) { EXPECT_EQ(split(""), (Pairs {{u"", u""}})); }

TEST(FormDecoding, EscapesDecodeOnceAndAreNeverLookedAtAgain)
{
    EXPECT_EQ(split("o=x&a%3Db=v%26w"), (Pairs {{u"o", u"x"}, {u"a=b", u"v&w"}}));
    EXPECT_EQ(split("o=%2B+%25"), (Pairs {{u"o", u"+ %"}}));
}

TEST(FormDecoding, MalformedEscapesYieldADigitValueAnyway)
{
    // %zz: ('z' & 0xDF) - 0x37 = 0x23 for both digits, 16 * 0x23 + 0x23 = 0x253 -> 0x53 'S'.
    EXPECT_EQ(split("o=%zz"), (Pairs {{u"o", u"S"}}));
    EXPECT_EQ(split("o=%G1"), (Pairs {{u"o", u"\x01"}}));
}

TEST(FormDecoding, AnEscapeConsumesATerminatorInsideIt)
{
    // The three bytes are always taken: "%=4" is the one byte 0xD4, not the end of the name.
    std::u16string const name = std::u16string(u"a").append(from_code_page("\xD4"));
    EXPECT_EQ(split("a%=4=v"), (Pairs {{name, u"v"}}));
}

TEST(FormDecoding, PercentNearTheEndOfTheDataIsKeptAndNeverReadsBeyond)
{
    EXPECT_EQ(split("o=ab%"), (Pairs {{u"o", u"ab%"}}));
    EXPECT_EQ(split("o=ab%4"), (Pairs {{u"o", u"ab%4"}}));
}

TEST(FormDecoding, EmptyFirstNameIsAccepted)
{
    EXPECT_EQ(split("=Shop.Catalog+List"), (Pairs {{u"", u"Shop.Catalog List"}}));
}

TEST(FormDecoding, EscapedZeroEndsTheTextForReadersThatStopAtZero)
{
    auto const pairs = split("o=ab%00cd");
    ASSERT_EQ(pairs.size(), 1u);
    EXPECT_EQ(pairs[0].second, u"ab");
}

TEST(FormDecoding, ShorterTextsAfterLongerOnesComeOutWholeWithTheirOwnCounts)
{
    std::vector<std::size_t> value_units;
    EXPECT_EQ(split("o=x&k=0123456789abcdef&s=short&0123456789=&e=%41%42&n=", &value_units),
              (Pairs {{u"o", u"x"},
                      {u"k", u"0123456789abcdef"},
                      {u"s", u"short"},
                      {u"0123456789", u""},
                      {u"e", u"AB"},
                      {u"n", u""}}));
    EXPECT_EQ(value_units, (std::vector<std::size_t> {1, 16, 5, 0, 2, 0}));
}

TEST(FormDecoding, NonAsciiBytesConvertFromTheAnsiCodePage)
{
    // "\u00E9\u20AC" in UTF-8, the native build's code page. Widening the bytes one by one
    // gives neither that nor what code page 1252 gives (0x82 is U+201A there).
    std::string const bytes = "\xC3\xA9\xE2\x82\xAC";
    std::u16string const text = from_code_page(bytes);
    EXPECT_EQ(split("o=%C3%A9%E2%82%AC&" + bytes + "=v"), (Pairs {{u"o", text}, {text, u"v"}}));
#ifndef _WIN32
    EXPECT_EQ(text, u"\u00E9\u20AC");
#endif
}

TEST(FormDecoding, PairCountFollowsTheSplittingWithoutDecoding)
{
    for (std::string const data : {"", "a", "a=1", "a=1&", "o=x&a&b=v", "o=%&b&c", "o=x&&k=v", "a%=4=v&b", "o=ab%&"})
        EXPECT_EQ(qmt::count_form_pairs(data.data(), data.size(), SIZE_MAX), split(data).size()) << data;
    // Counting stops once it is past the limit it is given.
    EXPECT_EQ(qmt::count_form_pairs("o=x&a=1&b=2&c=3", 15, 2), 3u);
}

} // namespace

// Pair splitting and decoding of form data: what each byte sequence becomes.
#include "gateway/form_decoder.h"

#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace {

using Pairs = std::vector<std::pair<std::u16string, std::u16string>>;

Pairs split(std::string data)
{
    qmt::DecodingBuffers buffers;
    buffers.name.reserve(10);
    buffers.value.reserve(10);
    Pairs pairs;
    qmt::split_form_pairs(data.data(), data.size(), buffers, [&](auto const* name, auto const* value, std::size_t) {
        pairs.emplace_back(std::u16string(reinterpret_cast<char16_t const*>(name)),
                           std::u16string(reinterpret_cast<char16_t const*>(value)));
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
    // The three bytes are always taken: "%=4" is one escaped byte, not the end of the name.
    auto const pairs = split("a%=4=v");
    ASSERT_EQ(pairs.size(), 1u);
    EXPECT_EQ(pairs[0].second, u"v");
    EXPECT_EQ(pairs[0].first.size(), 2u);
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

TEST(FormDecoding, ValueBufferGrowsToExactlyTheDecodedLengthPlusOne)
{
    qmt::DecodingBuffers buffers;
    buffers.name.reserve(10);
    buffers.value.reserve(10);
    std::string data = "o=x&k=0123456789abcdef&s=short";
    std::vector<std::size_t> capacities;
    qmt::split_form_pairs(data.data(), data.size(), buffers, [&](auto const*, auto const*, std::size_t) {
        capacities.push_back(buffers.value.capacity());
        return true;
    });
    EXPECT_EQ(capacities, (std::vector<std::size_t> {10, 17, 17}));
}

TEST(FormDecoding, NonAsciiBytesConvertFromTheAnsiCodePage)
{
    auto const pairs = split("o=%41");
    ASSERT_EQ(pairs.size(), 1u);
    EXPECT_EQ(pairs[0].second, u"A");
}

} // namespace

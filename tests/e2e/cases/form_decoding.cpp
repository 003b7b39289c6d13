// The FormDecoding rows of the end-to-end table: splitting and decoding the pairs.
#include "case.h"
#include "expected_pages.h"
#include "groups.h"

#include <string>
#include <utility>

namespace e2e {

std::vector<Case> form_decoding_cases()
{
    using namespace expected;
    std::vector<Case> rows;
    auto add = [&rows](Case row) { rows.push_back(std::move(row)); };

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
    return rows;
}

} // namespace e2e

// How the announced length of a POST body is read, and the operator's limits and lists.
#include "gateway/class_allow_list.h"
#include "gateway/request_intake.h"
#include "gateway/request_limits.h"

#include <gtest/gtest.h>

namespace {

TEST(ContentLength, DigitsUpToTheFirstOtherCharacter)
{
    EXPECT_EQ(qmt::parse_content_length("12"), 12);
    EXPECT_EQ(qmt::parse_content_length("12abc"), 12);
    EXPECT_EQ(qmt::parse_content_length("abc"), 0);
    EXPECT_EQ(qmt::parse_content_length(""), 0);
}

TEST(ContentLength, LeadingWhiteSpaceAndOneSignAreTaken)
{
    EXPECT_EQ(qmt::parse_content_length("  \t\n\v\f\r12"), 12);
    EXPECT_EQ(qmt::parse_content_length("+7"), 7);
    EXPECT_EQ(qmt::parse_content_length("++7"), 0);
    EXPECT_EQ(qmt::parse_content_length(" - 7"), 0);
}

TEST(ContentLength, NegativeCountsAsZero)
{
    EXPECT_EQ(qmt::parse_content_length("-5"), 0);
    EXPECT_EQ(qmt::parse_content_length("-2147483648"), 0);
}

TEST(ContentLength, LongValuesAreReadWholeAndSaturate)
{
    EXPECT_EQ(qmt::parse_content_length("0000000000000012"), 12);
    EXPECT_EQ(qmt::parse_content_length("2147483647"), 2147483647);
    EXPECT_EQ(qmt::parse_content_length("99999999999999999999999"), 2147483647);
}

TEST(RequestLimits, DecimalDigitsOnlyAnythingElseIsZero)
{
    EXPECT_EQ(qmt::parse_limit("1048576"), 1048576u);
    EXPECT_EQ(qmt::parse_limit("99999999999999999999999"), UINT64_MAX);
    for (char const* text : {"", "0", "10M", " 10", "-1", "+5", "1e6"})
        EXPECT_EQ(qmt::parse_limit(text), 0u) << text;
}

TEST(AllowList, EntriesAreWholeNamesExactlyAsWritten)
{
    std::string_view const list("Shop.Catalog, Qmt.Probe;\tA\r\nB\0C", 31);
    for (char const* name : {"Shop.Catalog", "Qmt.Probe", "A", "B", "C"})
        EXPECT_TRUE(qmt::list_names(list, name)) << name;
    for (char const* name : {"", "qmt.probe", "Qmt", "Qmt.Probes", "Shop.Catalog,"})
        EXPECT_FALSE(qmt::list_names(list, name)) << name;
}

} // namespace

// How the announced length of a POST body is read.
#include "gateway/request_intake.h"

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

} // namespace

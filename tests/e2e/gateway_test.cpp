// Every row of the table is one test, grouped by the part of the gateway it pins down:
// <Group>/GatewayRequest.AnswersExactly/<Behaviour>.
#include "case.h"
#include "run_case.h"
#include "session.h"

#include <gtest/gtest.h>

#include <ostream>

namespace e2e {

// gtest prints parameters of failed tests: the row's name says what it is.
void PrintTo(Case const& row, std::ostream* out) { *out << row.group << "." << row.name; }

namespace {

class GatewayRequest : public ::testing::TestWithParam<Case> { };

TEST_P(GatewayRequest, AnswersExactly)
{
    Case const& row = GetParam();
    std::string const report = run_case(target_under_test(), row);
    EXPECT_TRUE(report.empty()) << row.group << "." << row.name << " on " << target_under_test().description() << ":\n"
                                << report;
}

std::string row_name(::testing::TestParamInfo<Case> const& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(RequestDriver, GatewayRequest, ::testing::ValuesIn(cases_of("RequestDriver")), row_name);
INSTANTIATE_TEST_SUITE_P(RequestIntake, GatewayRequest, ::testing::ValuesIn(cases_of("RequestIntake")), row_name);
INSTANTIATE_TEST_SUITE_P(FormDecoding, GatewayRequest, ::testing::ValuesIn(cases_of("FormDecoding")), row_name);
INSTANTIATE_TEST_SUITE_P(TargetResolution, GatewayRequest, ::testing::ValuesIn(cases_of("TargetResolution")), row_name);
INSTANTIATE_TEST_SUITE_P(OutputChannel, GatewayRequest, ::testing::ValuesIn(cases_of("OutputChannel")), row_name);
INSTANTIATE_TEST_SUITE_P(OutputFile, GatewayRequest, ::testing::ValuesIn(cases_of("OutputFile")), row_name);
INSTANTIATE_TEST_SUITE_P(Collections, GatewayRequest, ::testing::ValuesIn(cases_of("Collections")), row_name);
INSTANTIATE_TEST_SUITE_P(ErrorPage, GatewayRequest, ::testing::ValuesIn(cases_of("ErrorPage")), row_name);

// A row whose group has no suite above would never run.
TEST(CaseTable, EveryRowBelongsToASuite)
{
    char const* const groups[] = {"RequestDriver", "RequestIntake", "FormDecoding", "TargetResolution",
                                  "OutputChannel", "OutputFile",    "Collections",  "ErrorPage"};
    std::size_t covered = 0;
    for (char const* group : groups)
        covered += cases_of(group).size();
    EXPECT_EQ(covered, all_cases().size());
}

} // namespace
} // namespace e2e

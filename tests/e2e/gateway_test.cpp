// Every row of the table is one test, grouped by the part of the gateway it pins down:
// <Group>/GatewayRequest.AnswersExactly/<Behaviour>.
#include "case.h"
#include "groups.h"
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
    if (row.native_only && target_under_test().runs_under_wine())
        GTEST_SKIP() << "a row about the native runtime only";
    if (fastcgi_worker() != nullptr)
        if (std::string const reason = process_level_reason(row); !reason.empty())
            GTEST_SKIP() << "not a worker's request: " << reason;
    std::string const report = fault_sweep_kind() == FaultKind::none
        ? run_case(target_under_test(), row)
        : run_fault_sweep(target_under_test(), row, fault_sweep_kind());
    EXPECT_TRUE(report.empty()) << row.group << "." << row.name << " on " << target_under_test().description() << ":\n"
                                << report;
}

std::string row_name(::testing::TestParamInfo<Case> const& info) { return info.param.name; }

#define E2E_GROUP(suite, rows)                                                                                         \
    INSTANTIATE_TEST_SUITE_P(suite, GatewayRequest, ::testing::ValuesIn(cases_of(#suite)), row_name);
#include "groups.inc"
#undef E2E_GROUP

// A row whose group names no suite (a group file that names another group, say) would never run.
TEST(CaseTable, EveryRowBelongsToASuite)
{
    char const* const groups[] = {
#define E2E_GROUP(suite, rows) #suite,
#include "groups.inc"
#undef E2E_GROUP
    };
    std::size_t covered = 0;
    for (char const* group : groups)
        covered += cases_of(group).size();
    EXPECT_EQ(covered, all_cases().size());
}

} // namespace
} // namespace e2e

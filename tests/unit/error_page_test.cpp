// The page every report writes: fixed head, one message, fixed tail, and the error state.
#include "captured_output.h"
#include "report/error_page.h"
#include "report/message_numbers.h"

#include <gtest/gtest.h>
#include <string>

namespace {

std::string page(std::string const& message)
{
    return std::string(qmt::error_page_head) + message + std::string(qmt::error_page_tail);
}

TEST(ErrorPage, ReportWithoutTextWritesTheRowAsStoredAndSetsTheState)
{
    CapturedOutput output;
    qmt::ErrorState state;
    qmt::report_error(state, qmt::message::EndSectionWithoutTemplate);
    EXPECT_TRUE(state.is_set());
    EXPECT_EQ(output.text(),
              page("EndSection with was called before any call to OpenTemplate.  OpenTemplate must be called first."));
}

TEST(ErrorPage, CountedNarrowTextIsTakenToItsLengthOnlyAndEscaped)
{
    CapturedOutput output;
    qmt::ErrorState state;
    char const cut_from_a_template[] = "row<1>&moreBYTES";
    qmt::report_error_counted(state, qmt::message::FieldNotReferenced, cut_from_a_template, 11);
    EXPECT_EQ(output.text(),
              page("The template field row&lt;1&gt;&amp;more was found in the template file but has "
                   "not been referenced using the SendTemplate method."));
}

TEST(ErrorPage, EveryReportWritesAWholePageOfItsOwn)
{
    CapturedOutput output;
    qmt::ErrorState state;
    qmt::report_error(state, qmt::message::UnsupportedRequestMethod);
    qmt::report_error(state, qmt::message::UnsupportedRequestMethod);
    std::string const one = page("Invalid request. Quillmate supports only Get and Post HTTP request methods.");
    EXPECT_EQ(output.text(), one + one);
}

} // namespace

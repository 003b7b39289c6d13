// The page every report writes: fixed head, one message, fixed tail, and the error state;
// and the message table the pages take their texts from.
#include "captured_output.h"
#include "platform/module.h"
#include "report/error_page.h"
#include "report/message_numbers.h"
#include "report/message_table.h"

#include <cstdint>
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

// The native build reads the table itself; Windows builds read the string-table resource,
// which the build writes from the same rows: both must give every row as written.
TEST(MessageTable, EveryRowLoadsByItsNumberAsWritten)
{
    ASSERT_FALSE(qmt::message_table().empty());
    for (qmt::platform::StringRow const& row : qmt::message_table()) {
        char text[500];
        int const length = qmt::platform::load_string(qmt::message_table(), row.number, text, sizeof text);
        ASSERT_GE(length, 0);
        EXPECT_EQ(std::string(text, static_cast<std::size_t>(length)), row.text) << "message " << row.number;
    }
}

TEST(MessageTable, NumbersWithoutARowLoadNothing)
{
    for (std::uint32_t const number : {0u, 4u, 17u, 19u, 28u}) {
        char text[500];
        EXPECT_EQ(qmt::platform::load_string(qmt::message_table(), number, text, sizeof text), 0) << number;
    }
}

} // namespace

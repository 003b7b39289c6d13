// The program finds its own file without a length limit on the path.
#include "platform/heap.h"
#include "platform/module.h"

#include <gtest/gtest.h>
#include <string>

namespace {

TEST(ModulePath, NamesTheRunningExecutable)
{
    char* path = qmt::platform::module_path();
    ASSERT_NE(path, nullptr);
    std::string const text = path;
    qmt::platform::heap_free(path);
    EXPECT_NE(text.find("qmt_unit_tests"), std::string::npos) << text;
}

} // namespace

#include "common/pointer_list.h"
#include "common/scratch_buffer.h"

#include <gtest/gtest.h>

namespace {

TEST(PointerList, AppendKeepsOrderAndCountsFromZero)
{
    qmt::PointerList list;
    EXPECT_EQ(list.count(), 0);
    int values[3] {};
    for (int& value : values)
        ASSERT_TRUE(list.append(&value));
    ASSERT_EQ(list.count(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(list.at(i), &values[i]);
}

TEST(PointerList, CopyIsIndependentOfLaterAppends)
{
    qmt::PointerList owner;
    int a = 0, b = 0;
    owner.append(&a);
    qmt::PointerList copy;
    ASSERT_TRUE(copy.copy_from(owner));
    owner.append(&b);
    EXPECT_EQ(copy.count(), 1);
    EXPECT_EQ(copy.at(0), &a);
}

TEST(PointerList, ClearEmptiesTheList)
{
    qmt::PointerList list;
    int a = 0;
    list.append(&a);
    list.clear();
    EXPECT_EQ(list.count(), 0);
    list.append(&a);
    EXPECT_EQ(list.count(), 1);
}

TEST(ScratchBuffer, ReservesExactlyAndNeverShrinks)
{
    qmt::ScratchBuffer<char16_t> buffer;
    ASSERT_TRUE(buffer.reserve(10));
    EXPECT_EQ(buffer.capacity(), 10u);
    ASSERT_TRUE(buffer.reserve(4));
    EXPECT_EQ(buffer.capacity(), 10u);
    ASSERT_TRUE(buffer.reserve(23));
    EXPECT_EQ(buffer.capacity(), 23u);
    ASSERT_TRUE(buffer.reserve(11));
    EXPECT_EQ(buffer.capacity(), 23u);
}

} // namespace

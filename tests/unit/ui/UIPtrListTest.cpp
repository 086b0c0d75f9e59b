#include <gtest/gtest.h>

#include <vector>

#include "ui/core/UIPtrList.h"

using SkinUI::CPtrListUI;

namespace {

class PtrList : public ::testing::Test
{
protected:
    void* Item(int i) { return &m_items[static_cast<size_t>(i)]; }
    std::vector<int> Indexes(const CPtrListUI& list)
    {
        std::vector<int> out;
        for (void* p : list)
            out.push_back(static_cast<int>(static_cast<int*>(p) - m_items.data()));
        return out;
    }

    std::vector<int> m_items = std::vector<int>(100);
};

TEST_F(PtrList, StartsWithRoomForElevenAndDoubles)
{
    CPtrListUI list;
    EXPECT_EQ(list.GetCapacity(), 0);
    const std::pair<int, int> steps[] = {{1, 11}, {11, 11}, {12, 22}, {23, 44}, {45, 88}};
    int added = 0;
    for (auto [count, capacity] : steps) {
        while (added < count)
            ASSERT_TRUE(list.Add(Item(added++)));
        EXPECT_EQ(list.GetCapacity(), capacity) << count;
    }
    for (int i = 0; i < added; ++i)
        EXPECT_EQ(list.GetAt(i), Item(i));
}

TEST_F(PtrList, InsertAndRemoveShiftTheRest)
{
    CPtrListUI list;
    for (int i = 0; i < 4; ++i)
        list.Add(Item(i));
    EXPECT_TRUE(list.InsertAt(0, Item(10)));
    EXPECT_TRUE(list.InsertAt(5, Item(11)));
    EXPECT_TRUE(list.InsertAt(2, Item(12)));
    EXPECT_EQ(Indexes(list), (std::vector<int>{10, 0, 12, 1, 2, 3, 11}));
    EXPECT_TRUE(list.Remove(0));
    EXPECT_TRUE(list.Remove(5));
    EXPECT_TRUE(list.Remove(1));
    EXPECT_EQ(Indexes(list), (std::vector<int>{0, 1, 2, 3}));
}

TEST_F(PtrList, RefusesMissingItemsAndBadIndexes)
{
    CPtrListUI list;
    list.Add(Item(0));
    EXPECT_FALSE(list.Add(nullptr));
    EXPECT_FALSE(list.InsertAt(2, Item(1)));
    EXPECT_FALSE(list.InsertAt(-1, Item(1)));
    EXPECT_FALSE(list.Remove(1));
    EXPECT_FALSE(list.Remove(-1));
    EXPECT_FALSE(list.SetAt(1, Item(1)));
    EXPECT_EQ(list.GetAt(1), nullptr);
    EXPECT_EQ(list.GetAt(-1), nullptr);
    EXPECT_EQ(list.GetSize(), 1);
}

TEST_F(PtrList, FindsTheFirstOccurrence)
{
    CPtrListUI list;
    list.Add(Item(0));
    list.Add(Item(1));
    list.Add(Item(0));
    EXPECT_EQ(list.Find(Item(0)), 0);
    EXPECT_EQ(list.Find(Item(1)), 1);
    EXPECT_EQ(list.Find(Item(2)), -1);
    EXPECT_EQ(list.Find(nullptr), -1);
    EXPECT_TRUE(list.SetAt(0, Item(5)));
    EXPECT_EQ(list.Find(Item(0)), 2);
}

TEST_F(PtrList, CopiesHoldTheSamePointersIndependently)
{
    CPtrListUI list;
    list.Add(Item(0));
    CPtrListUI copy(list);
    copy.Add(Item(1));
    EXPECT_EQ(list.GetSize(), 1);
    EXPECT_EQ(Indexes(copy), (std::vector<int>{0, 1}));
    list.Empty();
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(copy.GetSize(), 2);
}

} // namespace

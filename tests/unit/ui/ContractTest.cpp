#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/control/ControlContract.h"

namespace {

using namespace SkinUI;

TEST(ContractEvents, KindsKeepTheirNumbers)
{
    const std::pair<int, int> cases[] = {
        {EventFirst, 1},        {EventKeyBegin, 2},     {EventKeyDown, 3},          {EventKeyUp, 4},
        {EventChar, 5},         {EventSysKey, 6},       {EventKeyEnd, 7},           {EventMouseBegin, 8},
        {EventMouseMove, 9},    {EventMouseLeave, 10},  {EventMouseEnter, 11},      {EventMouseHover, 12},
        {EventButtonDown, 13},  {EventButtonUp, 14},    {EventRightButtonDown, 15}, {EventDoubleClick, 16},
        {EventContextMenu, 17}, {EventScrollWheel, 18}, {EventMouseEnd, 19},        {EventKillFocus, 20},
        {EventSetFocus, 21},    {EventWindowSize, 22},  {EventSetCursor, 23},       {EventTimer, 24},
        {EventNotify, 25},      {EventCommand, 26},
    };
    for (const auto& [kind, number] : cases)
        EXPECT_EQ(kind, number);
}

TEST(ContractEvents, MouseAndKeyRangesLeaveOutTheirMarkers)
{
    for (int kind = 0; kind <= 27; ++kind) {
        EXPECT_EQ(IsMouseEvent(kind), kind >= 9 && kind <= 18) << kind;
        EXPECT_EQ(IsKeyEvent(kind), kind >= 3 && kind <= 6) << kind;
    }
}

TEST(ContractFlags, ControlAndSearchFlagsKeepTheirValues)
{
    EXPECT_EQ(FlagTabStop, 1u);
    EXPECT_EQ(FlagSetCursor, 2u);
    EXPECT_EQ(FindVisible, 1u);
    EXPECT_EQ(FindEnabled, 2u);
    EXPECT_EQ(FindHitTest, 4u);
    EXPECT_EQ(FindUpdateTest, 8u);
    EXPECT_EQ(FindTopFirst, 0x10u);
    EXPECT_EQ(FindMeFirst, 0x80000000u);
}

// Records every call in a shared journal and answers as told.
class CListener
{
public:
    CListener(std::vector<std::string>& journal, std::string name, bool answer)
        : m_journal(journal), m_name(std::move(name)), m_answer(answer)
    {}

    bool OnEvent(void* param)
    {
        m_journal.push_back(m_name + ":" + std::to_string(*static_cast<int*>(param)));
        return m_answer;
    }
    bool OnOther(void*) { return m_answer; }

private:
    std::vector<std::string>& m_journal;
    std::string m_name;
    bool m_answer;
};

int g_freeCalls = 0;
bool FreeListener(void*)
{
    ++g_freeCalls;
    return true;
}
bool OtherFreeListener(void*)
{
    return true;
}

TEST(ContractDelegates, AnEmptyListYieldsTrue)
{
    DelegateList list;
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_TRUE(list.Invoke(nullptr));
}

TEST(ContractDelegates, AVetoStopsTheWalkAndYieldsFalse)
{
    std::vector<std::string> journal;
    CListener first(journal, "first", true), second(journal, "second", false), third(journal, "third", true);
    DelegateList list;
    list.Add(MakeDelegate(&first, &CListener::OnEvent));
    list.Add(MakeDelegate(&second, &CListener::OnEvent));
    list.Add(MakeDelegate(&third, &CListener::OnEvent));
    int param = 7;
    EXPECT_FALSE(list.Invoke(&param));
    EXPECT_EQ(journal, (std::vector<std::string>{"first:7", "second:7"}));
}

TEST(ContractDelegates, AllAgreeingListenersRunInOrderAndYieldTrue)
{
    std::vector<std::string> journal;
    CListener a(journal, "a", true), b(journal, "b", true);
    DelegateList list;
    list += MakeDelegate(&b, &CListener::OnEvent);
    list += MakeDelegate(&a, &CListener::OnEvent);
    int param = 1;
    EXPECT_TRUE(list.Invoke(&param));
    EXPECT_EQ(journal, (std::vector<std::string>{"b:1", "a:1"}));
}

TEST(ContractDelegates, TheSameObjectAndFunctionAreListedOnce)
{
    std::vector<std::string> journal;
    CListener one(journal, "one", true), two(journal, "two", true);
    DelegateList list;
    list.Add(MakeDelegate(&one, &CListener::OnEvent));
    list.Add(MakeDelegate(&one, &CListener::OnEvent));
    EXPECT_EQ(list.GetSize(), 1);
    // Another function of the same object, or the same function of another object, is a new listener.
    list.Add(MakeDelegate(&one, &CListener::OnOther));
    list.Add(MakeDelegate(&two, &CListener::OnEvent));
    EXPECT_EQ(list.GetSize(), 3);

    list.Add(MakeDelegate(&FreeListener));
    list.Add(MakeDelegate(&FreeListener));
    list.Add(MakeDelegate(&OtherFreeListener));
    EXPECT_EQ(list.GetSize(), 5);
}

TEST(ContractDelegates, TheListKeepsItsOwnCopyAndRemovesByEquality)
{
    g_freeCalls = 0;
    DelegateList list;
    {
        CStaticDelegateUI listener = MakeDelegate(&FreeListener);
        list.Add(listener);
    }
    EXPECT_TRUE(list.Invoke(nullptr));
    EXPECT_EQ(g_freeCalls, 1);
    list.Remove(MakeDelegate(&OtherFreeListener));
    EXPECT_EQ(list.GetSize(), 1);
    list -= MakeDelegate(&FreeListener);
    EXPECT_TRUE(list.IsEmpty());
}

TEST(ContractDelegates, ACopyIsAnEqualListenerOnTheHeap)
{
    std::vector<std::string> journal;
    CListener target(journal, "t", true);
    auto original = MakeDelegate(&target, &CListener::OnEvent);
    std::unique_ptr<CDelegateBase> copy = original.Copy();
    ASSERT_TRUE(copy);
    EXPECT_TRUE(copy->Equals(original));
    EXPECT_EQ(copy->GetObject(), &target);
    int param = 3;
    EXPECT_TRUE(copy->Invoke(&param));
    EXPECT_EQ(journal, (std::vector<std::string>{"t:3"}));
}

} // namespace

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/core/UIStringMap.h"

using SkinUI::CStringMapUI;

namespace {

class StringMap : public ::testing::Test
{
protected:
    void* Value(int i) { return &m_values[static_cast<size_t>(i)]; }

    // Keys "k0", "k1", ... that fall into the same bucket of an 83-bucket map.
    static std::vector<std::wstring> CollidingKeys(int count)
    {
        std::vector<std::wstring> keys;
        const uint32_t bucket = CStringMapUI::Hash(L"k0") % 83;
        for (int i = 0; static_cast<int>(keys.size()) < count; ++i) {
            std::wstring key = L"k" + std::to_wstring(i);
            if (CStringMapUI::Hash(key.c_str()) % 83 == bucket)
                keys.push_back(key);
        }
        return keys;
    }

    static std::vector<std::wstring> Order(const CStringMapUI& map)
    {
        std::vector<std::wstring> keys;
        for (int i = 0; map.GetAt(i) != nullptr; ++i)
            keys.emplace_back(map.GetAt(i));
        return keys;
    }

    std::vector<int> m_values = std::vector<int>(10);
};

TEST_F(StringMap, HashesFromTheLastCharacterToTheFirstIn32Bits)
{
    EXPECT_EQ(CStringMapUI::Hash(L""), 0u);
    EXPECT_EQ(CStringMapUI::Hash(L"a"), 97u);
    EXPECT_EQ(CStringMapUI::Hash(L"ab"), 98u * 33u + 97u);
    uint32_t expected = 0;
    const std::wstring key(40, L'z');
    for (size_t i = 0; i < key.size(); ++i)
        expected = expected * 33u + L'z';
    EXPECT_EQ(CStringMapUI::Hash(key.c_str()), expected);
}

TEST_F(StringMap, InsertRefusesAnExistingKeyAndSetReplaces)
{
    CStringMapUI map;
    EXPECT_EQ(map.GetBucketCount(), 83);
    EXPECT_TRUE(map.Insert(L"1", Value(0)));
    EXPECT_FALSE(map.Insert(L"1", Value(1)));
    EXPECT_EQ(map.Find(L"1"), Value(0));
    EXPECT_EQ(map.Set(L"1", Value(2)), Value(0));
    EXPECT_EQ(map.Find(L"1"), Value(2));
    EXPECT_EQ(map.Set(L"2", Value(3)), nullptr);
    EXPECT_EQ(map.Find(L"2"), Value(3));
    EXPECT_EQ(map.GetSize(), 2);
}

TEST_F(StringMap, KeysCompareExactly)
{
    CStringMapUI map;
    map.Insert(L"Button", Value(0));
    EXPECT_EQ(map.Find(L"button"), nullptr);
    EXPECT_EQ(map.Find(L"Button "), nullptr);
    EXPECT_EQ(map.Find(L"Button"), Value(0));
}

TEST_F(StringMap, LookupMovesTheHitToTheFrontOfItsChain)
{
    CStringMapUI map;
    const auto keys = CollidingKeys(3);
    for (int i = 0; i < 3; ++i)
        map.Insert(keys[static_cast<size_t>(i)].c_str(), Value(i));
    EXPECT_EQ(Order(map), (std::vector<std::wstring>{keys[2], keys[1], keys[0]}));
    EXPECT_EQ(map.Find(keys[0].c_str()), Value(0));
    EXPECT_EQ(Order(map), (std::vector<std::wstring>{keys[0], keys[2], keys[1]}));
    EXPECT_EQ(map.Find(keys[1].c_str()), Value(1));
    EXPECT_EQ(Order(map), (std::vector<std::wstring>{keys[1], keys[0], keys[2]}));
}

TEST_F(StringMap, RemoveUnlinksFromAnyPlaceInTheChain)
{
    CStringMapUI map;
    const auto keys = CollidingKeys(3);
    for (int i = 0; i < 3; ++i)
        map.Insert(keys[static_cast<size_t>(i)].c_str(), Value(i));
    EXPECT_EQ(map.Remove(keys[1].c_str()), Value(1));
    EXPECT_EQ(map.Remove(keys[1].c_str()), nullptr);
    EXPECT_EQ(Order(map), (std::vector<std::wstring>{keys[2], keys[0]}));
    EXPECT_EQ(map.Remove(keys[0].c_str()), Value(0));
    EXPECT_EQ(map.Find(keys[2].c_str()), Value(2));
    EXPECT_EQ(map.GetSize(), 1);
}

TEST_F(StringMap, IteratesEveryEntryOnceInBucketOrder)
{
    CStringMapUI map;
    const wchar_t* names[] = {L"0", L"1", L"closebtn", L"minbtn", L"VerticalLayout", L""};
    for (int i = 0; i < 6; ++i)
        EXPECT_TRUE(map.Insert(names[i], Value(i)));
    std::vector<std::wstring> visited;
    int lastBucket = -1;
    map.ForEach([&](const wchar_t* key, void* value) {
        const int bucket = static_cast<int>(CStringMapUI::Hash(key) % 83);
        EXPECT_GE(bucket, lastBucket);
        lastBucket = bucket;
        EXPECT_EQ(map.GetValueAt(static_cast<int>(visited.size())), value);
        visited.emplace_back(key);
    });
    EXPECT_EQ(visited, Order(map));
    EXPECT_EQ(visited.size(), 6u);
    EXPECT_EQ(map.GetAt(6), nullptr);
    EXPECT_EQ(map.GetAt(-1), nullptr);
    map.RemoveAll();
    EXPECT_TRUE(map.IsEmpty());
    EXPECT_EQ(map.Find(L"minbtn"), nullptr);
}

TEST_F(StringMap, IgnoresMissingArguments)
{
    CStringMapUI map;
    EXPECT_FALSE(map.Insert(nullptr, Value(0)));
    EXPECT_FALSE(map.Insert(L"a", nullptr));
    EXPECT_EQ(map.Set(nullptr, Value(0)), nullptr);
    EXPECT_EQ(map.Find(nullptr), nullptr);
    EXPECT_EQ(map.Remove(nullptr), nullptr);
    EXPECT_TRUE(map.IsEmpty());
}

TEST_F(StringMap, AnyBucketCountHoldsItsKeys)
{
    for (int buckets : {1, 2, 83}) {
        CStringMapUI map(buckets);
        for (int i = 0; i < 10; ++i)
            map.Insert(std::to_wstring(i).c_str(), Value(i));
        for (int i = 0; i < 10; ++i)
            EXPECT_EQ(map.Find(std::to_wstring(i).c_str()), Value(i)) << buckets;
    }
}

} // namespace

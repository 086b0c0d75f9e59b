#include <gtest/gtest.h>

#include "ui/core/UIAttributes.h"

namespace {

using namespace SkinUI;

TEST(UIAttributes, BooleansAreTrueOnlyForTheExactText)
{
    EXPECT_TRUE(ParseBool(L"true"));
    for (const wchar_t* text : {L"True", L"TRUE", L"1", L"true ", L" true", L"yes", L"", L"false"})
        EXPECT_FALSE(ParseBool(text)) << text;
    EXPECT_FALSE(ParseBool(nullptr));
}

TEST(UIAttributes, IntegersReadUpToTheFirstNonDigit)
{
    struct Case
    {
        const wchar_t* text;
        int32_t want;
        int consumed;
    };
    const Case cases[] = {
        {L"12px", 12, 2},
        {L"", 0, 0},
        {L"px", 0, 0},
        {L"-7", -7, 2},
        {L"+7", 7, 2},
        {L"  42", 42, 4},
        {L"- 4", 0, 0},
        {L"0x1F", 0, 1},
        {L"3.5", 3, 1},
        {L"99999999999", 2147483647, 11},
        {L"-99999999999", -2147483647 - 1, 12},
        {L"2147483647", 2147483647, 10},
    };
    for (const auto& c : cases) {
        const wchar_t* end = nullptr;
        EXPECT_EQ(ParseInt(c.text, &end), c.want) << c.text;
        EXPECT_EQ(end - c.text, c.consumed) << c.text;
    }
    EXPECT_EQ(ParseInt(nullptr), 0);
}

TEST(UIAttributes, ColoursAreHexadecimalAfterAnOptionalHash)
{
    struct Case
    {
        const wchar_t* text;
        ColorUI plain;
        ColorUI afterBlanks;
    };
    const Case cases[] = {
        {L"#FFFFFFFF", 0xFFFFFFFF, 0xFFFFFFFF},
        {L"FF1A57A9", 0xFF1A57A9, 0xFF1A57A9},
        {L"#00CCCCCC", 0x00CCCCCC, 0x00CCCCCC},
        {L"#ff337bdd", 0xFF337BDD, 0xFF337BDD},
        {L"  #FF000000", 0, 0xFF000000},
        {L"##FF", 0, 0},
        {L"#FFFFFFFFFF", 0xFFFFFFFF, 0xFFFFFFFF},
        {L"#0xFF", 0xFF, 0xFF},
        {L"#FFg0", 0xFF, 0xFF},
        {L"", 0, 0},
        {L"#", 0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseColor(c.text), c.plain) << c.text;
        EXPECT_EQ(ParseColorAfterBlanks(c.text), c.afterBlanks) << c.text;
    }
    EXPECT_EQ(ParseColor(nullptr), 0u);
}

TEST(UIAttributes, FourNumbersTakeExactlyOneSeparatorOfAnyKind)
{
    struct Case
    {
        const wchar_t* text;
        RectUI want;
        int reached;
    };
    const Case cases[] = {
        {L"1,1,1,1", {1, 1, 1, 1}, 4},
        {L"1 1 1 1", {1, 1, 1, 1}, 4},
        {L"50,20,50,10", {50, 20, 50, 10}, 4},
        {L"0;0x0|290", {0, 0, 0, 290}, 4},
        {L"1,,3,4", {1, 0, 3, 4}, 4},
        {L"1, 2, 3, 4", {1, 2, 3, 4}, 4},
        {L"-1,-2,3,4", {-1, -2, 3, 4}, 4},
        {L"4", {4, 0, 0, 0}, 1},
        {L"1,2", {1, 2, 0, 0}, 2},
        {L"1,2,", {1, 2, 0, 0}, 3},
        {L"", {0, 0, 0, 0}, 1},
        {L"1,2,3,4,5", {1, 2, 3, 4}, 4},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseRect(c.text), c.want) << c.text;
        int32_t values[4];
        EXPECT_EQ(ParseIntList(c.text, values, 4), c.reached) << c.text;
    }
    EXPECT_EQ(ParseRect(nullptr), RectUI{});
}

TEST(UIAttributes, ShortInputStopsAtTheTerminator)
{
    // The text sits at the very end of a buffer followed by digits that must not be read.
    const wchar_t buffer[] = {L'7', L',', L'\0', L'9', L'9', L'\0'};
    EXPECT_EQ(ParseRect(buffer), (RectUI{7, 0, 0, 0}));
    const wchar_t single[] = {L'7', L'\0', L'9', L'\0'};
    EXPECT_EQ(ParseSize(single), (SizeUI{7, 0}));
}

TEST(UIAttributes, PairsReadLikeTheFirstTwoOfFour)
{
    EXPECT_EQ(ParseSize(L"650,360"), (SizeUI{650, 360}));
    EXPECT_EQ(ParseSize(L"2,2"), (SizeUI{2, 2}));
    EXPECT_EQ(ParsePoint(L"3 4"), (PointUI{3, 4}));
}

} // namespace

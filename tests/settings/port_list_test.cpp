#include "settings/settings_model.h"

#include <gtest/gtest.h>

namespace {

CPortList Parse(const wchar_t* text)
{
    CPortList list{9, 8, 7}; // whatever was there before must go
    EXPECT_TRUE(ParsePortList(text, list));
    return list;
}

} // namespace

TEST(ParsePortList, SpacesAndCommasSeparateRepeatsGoAndTheListIsSorted)
{
    EXPECT_EQ((CPortList{80, 443}), Parse(L"443 80,,80"));
    EXPECT_EQ((CPortList{1, 22, 3389, 65535}), Parse(L"  ,65535 , 3389,,,22   1,  "));
}

TEST(ParsePortList, EmptyOrSeparatorOnlyTextGivesAnEmptyList)
{
    EXPECT_TRUE(Parse(L"").empty());
    EXPECT_TRUE(Parse(L" , ,, ").empty());
}

TEST(ParsePortList, ValuesOutsideThePortRangeAreDropped)
{
    EXPECT_EQ((CPortList{1, 65535}), Parse(L"0 1 65535 65536 -80 -0"));
}

TEST(ParsePortList, LeadingDigitsOfATokenCountAndTheRestIsIgnored)
{
    EXPECT_EQ((CPortList{80, 8080}), Parse(L"80abc 8080;443 x21"));
}

TEST(ParsePortList, HugeNumbersSaturateAndAreDropped)
{
    // 4294967376 is 2^32 + 80: a number that wrapped instead of saturating would give 80.
    EXPECT_EQ((CPortList{25}), Parse(L"4294967376 99999999999999999999 -4294967216 25"));
}

TEST(ParsePortList, NumbersAreDecimalAndOtherCharactersDoNotSeparate)
{
    // "0x50" would be 80 in hexadecimal and "010" 8 in octal; "80;443" is one token.
    EXPECT_EQ((CPortList{10, 80}), Parse(L"0x50 010 80;443"));
    // A TAB is not a separator, so "21\t22" is the single token 21.
    EXPECT_EQ((CPortList{21}), Parse(L"21\t22"));
    // Leading white space of a token is skipped, as a number reader does.
    EXPECT_EQ((CPortList{80}), Parse(L"\t80"));
}

TEST(FormatPortList, JoinsPortsWithSingleCommas)
{
    EXPECT_EQ(L"", FormatPortList(CPortList{}));
    EXPECT_EQ(L"7", FormatPortList(CPortList{7}));
    EXPECT_EQ(L"80,443,65535", FormatPortList(CPortList{80, 443, 65535}));
}

TEST(FormatPortList, ReadsBackAsTheSameList)
{
    CPortList list{1, 21, 22, 80, 443, 3389, 8080, 65535};
    CPortList read;
    ASSERT_TRUE(ParsePortList(FormatPortList(list).c_str(), read));
    EXPECT_EQ(list, read);
}

#include <gtest/gtest.h>

#include "platform/core/Text.h"

using namespace trek::platform;

TEST(Text, Utf8AndUtf16RoundTripIncludingSurrogatePairs) {
    std::string s = "A\xC3\xA4\xE2\x82\xAC\xF0\x9F\x97\xBA";  // A ä € 🗺
    std::u16string w = Utf8ToUtf16(s);
    EXPECT_EQ(w, (std::u16string{u'A', 0xE4, 0x20AC, 0xD83D, 0xDDFA}));
    EXPECT_EQ(Utf16ToUtf8(w), s);
}

TEST(Text, BrokenInputBecomesReplacementCharacters) {
    struct Case {
        std::string in;
        std::u16string out;
    } cases[] = {
        {"\xC3", u"\uFFFD"},                     // cut sequence
        {"\xC0\xAF", u"\uFFFD\uFFFD"},           // overlong
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"}, // encoded surrogate
        {"a\xFF" "b", u"a\uFFFDb"},
    };
    for (auto& c : cases) EXPECT_EQ(Utf8ToUtf16(c.in), c.out) << c.in;
    EXPECT_EQ(Utf16ToUtf8(std::u16string{0xD800, u'x'}), "\xEF\xBF\xBDx");
    EXPECT_EQ(Utf16ToUtf8(std::u16string{0xDC00}), "\xEF\xBF\xBD");
}

TEST(Text, Windows1252BothWays) {
    EXPECT_EQ(Cp1252ToUtf8("\x80\xB0\xE4\x9F\x81"), "\xE2\x82\xAC\xC2\xB0\xC3\xA4\xC5\xB8\xC2\x81");
    EXPECT_EQ(Utf8ToCp1252("\xE2\x82\xAC\xC2\xB0\xC3\xA4\xC5\xB8"), "\x80\xB0\xE4\x9F");
    EXPECT_EQ(Utf8ToCp1252("\xE4\xB8\xAD", '?'), "?");
    for (int b = 0; b < 256; ++b) {
        std::string one(1, static_cast<char>(b));
        EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(one)), one) << b;
    }
}

TEST(Text, EightBitTextIsUtf8WhenValidElseWindows1252) {
    EXPECT_EQ(Decode8BitText("48\xC2\xB0"), "48\xC2\xB0");
    EXPECT_EQ(Decode8BitText("48\xB0"), "48\xC2\xB0");
    EXPECT_TRUE(IsValidUtf8("\xEF\xBF\xBD"));
    EXPECT_FALSE(IsValidUtf8("\xB0"));
}

TEST(Text, CaseInsensitiveComparison) {
    EXPECT_TRUE(EqualsNoCase("PLATFORM_OEM", "platform_oem"));
    EXPECT_TRUE(EqualsNoCase("STRASSE \xC3\x84", "strasse \xC3\xA4"));
    EXPECT_TRUE(StartsWithNoCase("PLATFORM_OEM x", "platform"));
    EXPECT_FALSE(StartsWithNoCase("PLAT", "platform"));
    EXPECT_LT(CompareNoCase("abc", "ABD"), 0);
    EXPECT_GT(CompareNoCase("abcd", "ABC"), 0);
    EXPECT_FALSE(EqualsNoCase("a", "b"));
}

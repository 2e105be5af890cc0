#include "platform/text.h"

#include <gtest/gtest.h>

using namespace vnk::text;

TEST(Text, Cp1252RoundTripsEveryByte) {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all += static_cast<char>(b);
    }
    const std::string utf8 = codePageToUtf8(all, "WINDOWS-1252");
    EXPECT_TRUE(isValidUtf8(utf8));
    EXPECT_EQ(utf8ToCodePage(utf8, "WINDOWS-1252"), all);
    EXPECT_EQ(wideToCodePage(codePageToWide(all)), all);
}

TEST(Text, Cp1252SpecialCharacters) {
    EXPECT_EQ(codePageToUtf8("\x80\xE9\xFC", "CP1252"), "\xE2\x82\xAC\xC3\xA9\xC3\xBC");  // €éü
    bool lossy = false;
    EXPECT_EQ(utf8ToCodePage("a\xE4\xB8\xAD"
                             "b",
                             "CP1252", &lossy),
              "a?b");  // 中 has no byte
    EXPECT_TRUE(lossy);
    EXPECT_EQ(codePageToWide("\x80"), std::u16string(1, u'\u20AC'));
}

TEST(Text, OtherCodePagesGoThroughIconv) {
    EXPECT_EQ(codePageToUtf8("\x82", "CP850"), "\xC3\xA9");  // é in code page 850
    EXPECT_EQ(utf8ToCodePage("\xC3\xA9", "CP850"), "\x82");
}

TEST(Text, Utf16) {
    const std::string s = "x\xC3\xA9\xF0\x9F\x98\x80";  // xé😀
    EXPECT_EQ(utf8ToUtf16(s), u"x\u00E9\U0001F600");
    EXPECT_EQ(utf16ToUtf8(utf8ToUtf16(s)), s);
    EXPECT_EQ(utf8ToUtf16("\xFF"), u"\uFFFD");
    EXPECT_FALSE(isValidUtf8("\xC0\x80"));  // overlong
}

TEST(Text, StrText) {
    EXPECT_EQ(strText(30), " 30");
    EXPECT_EQ(strText(0), " 0");
    EXPECT_EQ(strText(-5), "-5");
    EXPECT_EQ(strText(4294967295LL), " 4294967295");
}

TEST(Text, Twips) {
    EXPECT_EQ(twipsToPixels(1440, 96), 96);
    EXPECT_EQ(twipsToPixels(15, 96), 1);
    EXPECT_EQ(twipsToPixels(1600, 96), 107);  // 106.67
    EXPECT_EQ(twipsToPixels(1440, 120), 120);
    EXPECT_EQ(pixelsToTwips(28, 96), 420);
    EXPECT_EQ(pixelsToTwips(1, 144), 10);
}

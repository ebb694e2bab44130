// The code page layer: Shift-JIS (code page 932) to and from UTF-8, cutting at
// character boundaries, and UTF-16.
#include "core/codepage.h"

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

namespace tagshelf::codepage {
namespace {

using test::u8s;

TEST(CodepageTest, ShiftJis) {
    // 日本 = 93 FA 96 7B; 表 = 95 5C ends in a backslash; ｱ is one byte; ① is NEC's.
    EXPECT_EQ(decode("\x93\xFA\x96\x7B\x95\x5C\xB1\x87\x40"), u8s(u8"日本表ｱ①"));
    EXPECT_EQ(encode(u8s(u8"あ")), "\x82\xA0");
    const std::string text = u8s(u8"日本語のテキスト～①ｱ");
    EXPECT_EQ(decode(encode(text)), text);
    EXPECT_EQ(decode(std::string_view("a\0b", 3)), std::string("a\0b", 3));
    // Invalid bytes and characters code page 932 cannot hold become "?".
    EXPECT_EQ(decode("AB\x82"), "AB?");
    EXPECT_EQ(decode("A\xFD"
                     "B"),
              "A?B");
    EXPECT_EQ(encode(u8s(u8"a😀b한")), "a?b?");
    EXPECT_EQ(encode("x\xFFy"), "x?y");
    // Characters met again (remembered after the first time), a single-byte one,
    // and a sequence cut short that takes its following byte with it.
    EXPECT_EQ(encode(u8s(u8"ｱあ😀ｱあ😀")), "\xB1\x82\xA0?\xB1\x82\xA0?");
    EXPECT_EQ(encode("\xE3\x81"
                     "AB"),
              "?B");
    EXPECT_TRUE(canEncode(text));
    for (const std::string& lost : {u8s(u8"é"), u8s(u8"€"), u8s(u8"𠮷"), std::string("x\xFFy")})
        EXPECT_FALSE(canEncode(lost)) << lost;
}

TEST(CodepageTest, CutAtCharacter) {
    const std::string bytes = "A\x82\xA0\xE0\x40";  // A, あ, and a character with lead byte E0
    EXPECT_EQ(cutAtCharacter(bytes, 5), bytes);
    EXPECT_EQ(cutAtCharacter(bytes, 4), "A\x82\xA0");
    EXPECT_EQ(cutAtCharacter(bytes, 2), "A");
    EXPECT_EQ(cutAtCharacter("\xB1\xB2\xB3", 2), "\xB1\xB2");  // single-byte kana
    for (int b : {0x80, 0xA0, 0xDF, 0xFD})
        EXPECT_FALSE(isLeadByte(static_cast<unsigned char>(b))) << b;
    for (int b : {0x81, 0x9F, 0xE0, 0xFC})
        EXPECT_TRUE(isLeadByte(static_cast<unsigned char>(b))) << b;
}

TEST(CodepageTest, Utf16Surrogates) {
    EXPECT_EQ(fromUtf16(u"\xD83C\xDFB5"), u8s(u8"🎵"));
    EXPECT_EQ(toUtf16(u8s(u8"🎵")), std::u16string(u"\xD83C\xDFB5"));
    EXPECT_EQ(fromUtf16(std::u16string{0xD83C, u'a', 0xDFB5}), u8s(u8"\uFFFDa\uFFFD"));
    EXPECT_EQ(toUtf16("a\xC3"), std::u16string(u"a\xFFFD"));
}

}  // namespace
}  // namespace tagshelf::codepage

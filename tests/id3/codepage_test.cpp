// The code page layer: Shift-JIS (code page 932) to and from UTF-8, cutting at
// character boundaries, and UTF-16.
#include "id3/codepage.h"

#include <gtest/gtest.h>

namespace tagshelf::codepage {
namespace {

std::string utf8(const char8_t* s) {
    return reinterpret_cast<const char*>(s);
}

TEST(CodepageDecodeTest, AsciiPassesThroughWithNuls) {
    EXPECT_EQ(decode("abc"), "abc");
    EXPECT_EQ(decode(std::string_view("a\0b\0", 4)), std::string("a\0b\0", 4));
    EXPECT_EQ(decode(""), "");
}

TEST(CodepageDecodeTest, DoubleByteCharacters) {
    // 日本 = 93 FA 96 7B; あ = 82 A0; ① = 87 40 (an NEC row of code page 932).
    EXPECT_EQ(decode("\x93\xFA\x96\x7B"), utf8(u8"日本"));
    EXPECT_EQ(decode("A\x82\xA0Z"), utf8(u8"AあZ"));
    EXPECT_EQ(decode("\x87\x40"), utf8(u8"①"));
    // The second byte may be in the ASCII range: 表 = 95 5C ends in a backslash.
    EXPECT_EQ(decode("\x95\x5C"), utf8(u8"表"));
}

TEST(CodepageDecodeTest, HalfWidthKatakanaAreSingleBytes) {
    EXPECT_EQ(decode("\xB1\xB2\xB3"), utf8(u8"ｱｲｳ"));
}

TEST(CodepageDecodeTest, InvalidBytesBecomeQuestionMarks) {
    // A lead byte at the end, and a lead byte with an impossible trail byte.
    EXPECT_EQ(decode("AB\x82"), "AB?");
    std::string bad = decode("\x82\x20X");
    EXPECT_EQ(bad.substr(bad.size() - 2), " X");
    EXPECT_EQ(bad[0], '?');
}

TEST(CodepageEncodeTest, RoundTripsJapanese) {
    std::string text = utf8(u8"日本語のテキスト～①ｱ");
    EXPECT_EQ(decode(encode(text)), text);
    EXPECT_EQ(encode(utf8(u8"あ")), "\x82\xA0");
}

TEST(CodepageEncodeTest, UnrepresentableCharactersBecomeQuestionMarks) {
    EXPECT_EQ(encode(utf8(u8"a😀b")), "a?b");
    EXPECT_EQ(encode(utf8(u8"한")), "?");
    EXPECT_EQ(encode("x\xFFy"), "x?y");  // not UTF-8
}

TEST(CodepageCutTest, NeverSplitsADoubleByteCharacter) {
    std::string bytes = "A\x82\xA0\x82\xA2";  // Aあい
    EXPECT_EQ(cutAtCharacter(bytes, 5), bytes);
    EXPECT_EQ(cutAtCharacter(bytes, 4), "A\x82\xA0");
    EXPECT_EQ(cutAtCharacter(bytes, 3), "A\x82\xA0");
    EXPECT_EQ(cutAtCharacter(bytes, 2), "A");
    EXPECT_EQ(cutAtCharacter(bytes, 0), "");
    EXPECT_EQ(cutAtCharacter("\xB1\xB2\xB3", 2), "\xB1\xB2");  // single-byte kana
}

TEST(CodepageCutTest, LeadBytes) {
    EXPECT_TRUE(isLeadByte(0x81));
    EXPECT_TRUE(isLeadByte(0x9F));
    EXPECT_TRUE(isLeadByte(0xE0));
    EXPECT_TRUE(isLeadByte(0xFC));
    EXPECT_FALSE(isLeadByte(0x80));
    EXPECT_FALSE(isLeadByte(0xA0));
    EXPECT_FALSE(isLeadByte(0xDF));
    EXPECT_FALSE(isLeadByte('A'));
}

TEST(CodepageUtf16Test, SurrogatePairs) {
    EXPECT_EQ(fromUtf16(u"\xD83C\xDFB5"), utf8(u8"🎵"));
    EXPECT_EQ(toUtf16(utf8(u8"🎵")), std::u16string(u"\xD83C\xDFB5"));
    EXPECT_EQ(fromUtf16(toUtf16(utf8(u8"日本🎵x"))), utf8(u8"日本🎵x"));
}

TEST(CodepageUtf16Test, LoneSurrogatesBecomeReplacementCharacters) {
    EXPECT_EQ(fromUtf16(std::u16string{0xD83C, u'a'}), utf8(u8"\uFFFDa"));
    EXPECT_EQ(fromUtf16(std::u16string{0xDFB5}), utf8(u8"\uFFFD"));
    EXPECT_EQ(fromUtf16(std::u16string{u'a', 0xD83C}), utf8(u8"a\uFFFD"));
}

TEST(CodepageUtf16Test, InvalidUtf8BecomesReplacementCharacters) {
    EXPECT_EQ(toUtf16("a\xC3"), std::u16string(u"a\xFFFD"));
    EXPECT_EQ(toUtf16("\xED\xA0\x80"), std::u16string(u"\xFFFD\xFFFD\xFFFD"));  // encoded surrogate
    EXPECT_EQ(toUtf16(std::string_view("\0", 1)), std::u16string(1, u'\0'));
}

}  // namespace
}  // namespace tagshelf::codepage

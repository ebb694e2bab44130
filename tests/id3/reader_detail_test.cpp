// The readers' building blocks on their own: field reads, the unsynchronisation
// decoder, byte cutting, text decoding, inflating and the year and day rules.
#include "id3/reader_detail.h"

#include <gtest/gtest.h>

#include "tests/id3/tag_builder.h"

namespace tagshelf {
namespace {

using test::Bytes;
using test::raw;

std::string utf8(const char8_t* s) {
    return reinterpret_cast<const char*>(s);
}

ByteRun runOf(const Bytes& b) {
    return {b, static_cast<std::int64_t>(b.size())};
}

// ---------------------------------------------------------------------------
// fncGetString

TEST(GetStringTest, PositionIsOneBasedAndStopsAtNul) {
    Bytes file = raw(std::string("xAB\0CD", 6));
    EXPECT_EQ(fncGetString(file, 2, 5, true), "AB");
    EXPECT_EQ(fncGetString(file, 1, 3, true), "xAB");
    // Without the stop the whole width is taken, NULs and bytes past the end (0) too.
    EXPECT_EQ(fncGetString(file, 2, 4, false), std::string("AB\0C", 4));
    EXPECT_EQ(fncGetString(file, 5, 4, false), std::string("CD\0\0", 4));
    EXPECT_EQ(fncGetString(file, 5, 4, true), "CD");
    EXPECT_EQ(fncGetString(file, 10, 3, true), "");
}

TEST(GetStringTest, DecodesShiftJis) {
    Bytes file = test::sjis(utf8(u8"日本"));
    EXPECT_EQ(fncGetString(file, 1, 4, true), utf8(u8"日本"));
}

// ---------------------------------------------------------------------------
// fncGetBytes / fncGetByte

TEST(GetBytesTest, WithoutUnsyncZerosAfterFfStay) {
    Bytes file{0x41, 0xFF, 0x00, 0xE0};
    std::vector<std::uint8_t> scratch;
    std::int64_t pos = 1;
    ByteRun run = fncGetBytes(file, pos, 4, false, scratch);
    EXPECT_EQ(Bytes(run.data.begin(), run.data.end()), file);
    EXPECT_EQ(pos, 5);
}

TEST(GetBytesTest, UnsyncDropsTheZeroAfterFfAndCountsItInThePosition) {
    Bytes file{0xFF, 0x00, 0xE0, 0x42};
    std::vector<std::uint8_t> scratch;
    std::int64_t pos = 1;
    ByteRun run = fncGetBytes(file, pos, 3, true, scratch);
    EXPECT_EQ(Bytes(run.data.begin(), run.data.end()), (Bytes{0xFF, 0xE0, 0x42}));
    EXPECT_EQ(run.size, 3);
    EXPECT_EQ(pos, 5);
}

TEST(GetBytesTest, UnsyncLooksPastTheLastByteAsked) {
    // The zero after a final 0xFF belongs to this read, not to the next one.
    Bytes file{0x41, 0xFF, 0x00, 0x42};
    std::vector<std::uint8_t> scratch;
    std::int64_t pos = 1;
    ByteRun run = fncGetBytes(file, pos, 2, true, scratch);
    EXPECT_EQ(Bytes(run.data.begin(), run.data.end()), (Bytes{0x41, 0xFF}));
    EXPECT_EQ(pos, 4);
    EXPECT_EQ(fncGetByte(file, pos, true), 0x42);
}

TEST(GetBytesTest, UnsyncKeepsAZeroNotPrecededByFf) {
    Bytes file{0x00, 0xFF, 0x01, 0xFF, 0xFF, 0x00};
    std::vector<std::uint8_t> scratch;
    std::int64_t pos = 1;
    ByteRun run = fncGetBytes(file, pos, 5, true, scratch);
    EXPECT_EQ(Bytes(run.data.begin(), run.data.end()), (Bytes{0x00, 0xFF, 0x01, 0xFF, 0xFF}));
    EXPECT_EQ(pos, 7);
}

TEST(GetBytesTest, BytesPastTheEndAreZerosThatAreNotStored) {
    Bytes file{0x41, 0x42};
    std::vector<std::uint8_t> scratch;
    for (bool unsync : {false, true}) {
        std::int64_t pos = 2;
        ByteRun run = fncGetBytes(file, pos, 4'000'000'000LL, unsync, scratch);
        EXPECT_EQ(run.size, 4'000'000'000LL);
        EXPECT_EQ(run.data.size(), 1u);
        EXPECT_EQ(run.at(1), 0x42);
        EXPECT_EQ(run.at(2), 0);
        EXPECT_EQ(pos, 2 + 4'000'000'000LL);
    }
}

TEST(GetBytesTest, NegativeOrZeroCountTakesNothing) {
    Bytes file{0x41};
    std::vector<std::uint8_t> scratch;
    std::int64_t pos = 1;
    EXPECT_EQ(fncGetBytes(file, pos, -3, true, scratch).size, 0);
    EXPECT_EQ(fncGetBytes(file, pos, 0, false, scratch).size, 0);
    EXPECT_EQ(pos, 1);
}

TEST(GetBytesTest, SingleBytesFollowTheSameRule) {
    Bytes file{0xFF, 0x00, 0x07};
    std::int64_t pos = 1;
    EXPECT_EQ(fncGetByte(file, pos, true), 0xFF);
    EXPECT_EQ(fncGetByte(file, pos, true), 0x07);
    EXPECT_EQ(pos, 4);
    EXPECT_EQ(fncGetByte(file, pos, true), 0x00);  // past the end
    pos = 1;
    EXPECT_EQ(fncGetByte(file, pos, false), 0xFF);
    EXPECT_EQ(fncGetByte(file, pos, false), 0x00);
}

TEST(BitCheckTest, NumbersBitsFromTheLeastSignificant) {
    EXPECT_TRUE(fncBitCheck(0x80, 7));
    EXPECT_FALSE(fncBitCheck(0x80, 6));
    EXPECT_TRUE(fncBitCheck(0x01, 0));
    EXPECT_TRUE(fncBitCheck(0x20, 5));
    EXPECT_FALSE(fncBitCheck(0xDF, 5));
}

// ---------------------------------------------------------------------------
// fncCutBytes

TEST(CutBytesTest, TakesTheNextBytesAndAdvances) {
    Bytes b = raw("abcdef");
    std::int64_t index = 2;
    ByteRun cut = fncCutBytes(runOf(b), index, 3);
    EXPECT_EQ(std::string(cut.data.begin(), cut.data.end()), "bcd");
    EXPECT_EQ(index, 5);
}

TEST(CutBytesTest, AtTheEndReturnsWhatIsThereAndAdvancesByThat) {
    Bytes b = raw("abc");
    std::int64_t index = 2;
    ByteRun cut = fncCutBytes(runOf(b), index, 5);
    EXPECT_EQ(cut.size, 2);
    EXPECT_EQ(index, 4);
    cut = fncCutBytes(runOf(b), index, 5);
    EXPECT_EQ(cut.size, 0);
    EXPECT_EQ(index, 4);
}

// ---------------------------------------------------------------------------
// fncGetText

TEST(GetTextTest, EncodingByteComesFirstWithFf) {
    Bytes b = raw(std::string("\0Hi\0rest", 8));
    std::int64_t index = 1;
    EXPECT_EQ(fncGetText(runOf(b), index, 0xFF), "Hi");
    EXPECT_EQ(index, 5);  // one past the terminator
}

TEST(GetTextTest, Encoding0WithoutTerminatorRunsToTheEnd) {
    Bytes b = raw("Hello");
    std::int64_t index = 1;
    EXPECT_EQ(fncGetText(runOf(b), index, 0), "Hello");
    EXPECT_EQ(index, 7);
}

TEST(GetTextTest, Encoding0DecodesShiftJis) {
    Bytes b = test::sjis(utf8(u8"ｶﾀｶﾅと漢字"));
    std::int64_t index = 1;
    EXPECT_EQ(fncGetText(runOf(b), index, 0), utf8(u8"ｶﾀｶﾅと漢字"));
}

TEST(GetTextTest, Utf16IndexMovesPastTheMarkAndTheTerminator) {
    Bytes le{0xFF, 0xFE, 0x41, 0x00, 0x42, 0x00, 0x00, 0x00, 0x43, 0x00};
    std::int64_t index = 1;
    EXPECT_EQ(fncGetText(runOf(le), index, 1), "AB");
    EXPECT_EQ(index, 9);
    Bytes be{0xFE, 0xFF, 0x00, 0x41, 0x30, 0x42};  // no terminator: up to the end
    index = 1;
    EXPECT_EQ(fncGetText(runOf(be), index, 1), utf8(u8"Aあ"));
    EXPECT_EQ(index, 7);
    Bytes bare{0x41, 0x00, 0x42, 0x30};  // no mark: little-endian from the first byte
    index = 1;
    EXPECT_EQ(fncGetText(runOf(bare), index, 1), utf8(u8"Aあ"));
    EXPECT_EQ(index, 5);
}

TEST(GetTextTest, Utf16EmptyTextWithoutMarkConsumesOnlyTheTerminator) {
    Bytes b{0x00, 0x00, 0xFF, 0xFE, 0x41, 0x00};
    std::int64_t index = 1;
    EXPECT_EQ(fncGetText(runOf(b), index, 1), "");
    EXPECT_EQ(index, 3);
    EXPECT_EQ(fncGetText(runOf(b), index, 1), "A");
}

TEST(GetTextTest, Utf16SurrogatePairAndLoneSurrogate) {
    Bytes pair = test::utf16(utf8(u8"🎵"));
    std::int64_t index = 1;
    EXPECT_EQ(fncGetText(runOf(pair), index, 1), utf8(u8"🎵"));
    Bytes lone{0xFF, 0xFE, 0x3C, 0xD8, 0x41, 0x00};
    index = 1;
    EXPECT_EQ(fncGetText(runOf(lone), index, 1), utf8(u8"\uFFFDA"));
}

TEST(GetTextTest, Utf16OddLastByteIsLeft) {
    Bytes b{0xFF, 0xFE, 0x41, 0x00, 0x42};
    std::int64_t index = 1;
    EXPECT_EQ(fncGetText(runOf(b), index, 1), "A");
    EXPECT_EQ(index, 5);
}

TEST(GetTextTest, Utf16ShorterThanAMark) {
    Bytes b{0xFF};
    std::int64_t index = 1;
    EXPECT_EQ(fncGetText(runOf(b), index, 1), "");
    EXPECT_EQ(index, 1);
}

TEST(GetTextTest, OtherEncodingsGiveEmptyAndDoNotMove) {
    Bytes b = raw("abc");
    for (std::uint8_t e : {2, 3, 0x7F}) {
        std::int64_t index = 2;
        EXPECT_EQ(fncGetText(runOf(b), index, e), "");
        EXPECT_EQ(index, 2);
    }
    Bytes withByte = raw("\x02xyz");
    std::int64_t index = 1;
    EXPECT_EQ(fncGetText(runOf(withByte), index, 0xFF), "");
    EXPECT_EQ(index, 2);
}

TEST(GetTextTest, BytesBeyondTheStoredOnesReadAsZero) {
    // A run of 100 bytes of which only 3 are stored: the text stops there.
    Bytes b = raw("abc");
    ByteRun run{b, 100};
    std::int64_t index = 1;
    EXPECT_EQ(fncGetText(run, index, 0), "abc");
    EXPECT_EQ(index, 5);
    Bytes u{0xFF, 0xFE, 0x41};  // odd: the missing high byte is 0
    ByteRun wide{u, 1'000'000'000};
    index = 1;
    EXPECT_EQ(fncGetText(wide, index, 1), "A");
    EXPECT_EQ(index, 7);
}

TEST(GetTextTest, IndexBeyondTheRun) {
    Bytes b = raw("ab");
    std::int64_t index = 5;
    EXPECT_EQ(fncGetText(runOf(b), index, 0), "");
    EXPECT_EQ(index, 6);
    index = 5;
    EXPECT_EQ(fncGetText(runOf(b), index, 1), "");
    EXPECT_EQ(index, 5);
}

// ---------------------------------------------------------------------------
// fncUncompress

TEST(UncompressTest, InflatesToTheDeclaredSize) {
    Bytes text = raw("some text that is compressed, compressed, compressed");
    Bytes z = test::zlibCompress(text);
    std::vector<std::uint8_t> out;
    ASSERT_TRUE(fncUncompress(z, static_cast<std::int64_t>(text.size()), out));
    EXPECT_EQ(out, text);
}

TEST(UncompressTest, LargerDeclaredSizeGivesTheInflatedLength) {
    Bytes text = raw("short");
    Bytes z = test::zlibCompress(text);
    std::vector<std::uint8_t> out;
    ASSERT_TRUE(fncUncompress(z, 1000, out));
    EXPECT_EQ(out, text);
    // Far more than the data could inflate to, yet within the limit: still read.
    ASSERT_TRUE(fncUncompress(z, kMaxInflatedSize, out));
    EXPECT_EQ(out, text);
}

TEST(UncompressTest, FramesThatCannotBeInflatedAreRefused) {
    Bytes text(100, 'x');
    Bytes z = test::zlibCompress(text);
    std::vector<std::uint8_t> out;
    EXPECT_FALSE(fncUncompress(z, 0, out));                     // declared size 0
    EXPECT_FALSE(fncUncompress(z, -1, out));                    // negative
    EXPECT_FALSE(fncUncompress(z, kMaxInflatedSize + 1, out));  // absurd
    EXPECT_FALSE(fncUncompress(z, 50, out));                    // inflates beyond it
    EXPECT_FALSE(fncUncompress(raw("not zlib data"), 100, out));
    EXPECT_FALSE(fncUncompress({z.data(), z.size() / 2}, 100, out));  // cut short
    EXPECT_FALSE(fncUncompress({}, 100, out));
}

// ---------------------------------------------------------------------------
// Year and day rules

TEST(LeadingNumeralTest, TakesTheLeadingNumber) {
    EXPECT_EQ(leadingNumeral("2003"), "2003");
    EXPECT_EQ(leadingNumeral(" 1999"), "1999");
    EXPECT_EQ(leadingNumeral("1999-12-25"), "1999");
    EXPECT_EQ(leadingNumeral("12.5"), "12.5");
    EXPECT_EQ(leadingNumeral("abc"), "0");
    EXPECT_EQ(leadingNumeral("03"), "3");
    EXPECT_EQ(leadingNumeral(""), "0");
}

TEST(LeadingNumeralTest, IgnoresSpacesTabsAndLineFeedsAnywhere) {
    EXPECT_EQ(leadingNumeral("1 9\t9\n9"), "1999");
    EXPECT_EQ(leadingNumeral("\t 20 03 x"), "2003");
    EXPECT_EQ(leadingNumeral("19\r99"), "19");  // a carriage return ends it
}

TEST(LeadingNumeralTest, SignsFractionsAndZeros) {
    EXPECT_EQ(leadingNumeral("-5"), "-5");
    EXPECT_EQ(leadingNumeral("+7x"), "7");
    EXPECT_EQ(leadingNumeral("-0"), "0");
    EXPECT_EQ(leadingNumeral("12.50"), "12.5");
    EXPECT_EQ(leadingNumeral("12.0"), "12");
    EXPECT_EQ(leadingNumeral(".5"), "0.5");
    EXPECT_EQ(leadingNumeral("1.2.3"), "1.2");
    EXPECT_EQ(leadingNumeral("0007"), "7");
    EXPECT_EQ(leadingNumeral(utf8(u8"２００３")), "0");  // full-width digits are not digits
}

TEST(MonthDayTest, SwapsDayAndMonth) {
    EXPECT_EQ(monthDayFromDayMonth("2512"), "1225");
    EXPECT_EQ(monthDayFromDayMonth("0105"), "501");
    EXPECT_EQ(monthDayFromDayMonth("1231"), "3112");
    EXPECT_EQ(monthDayFromDayMonth("3101"), "131");
}

TEST(MonthDayTest, ShortAndLongNumerals) {
    EXPECT_EQ(monthDayFromDayMonth("105"), "501");  // padded to 0105
    EXPECT_EQ(monthDayFromDayMonth("7"), "700");    // 0007
    EXPECT_EQ(monthDayFromDayMonth("abc"), "0");
    EXPECT_EQ(monthDayFromDayMonth("20031225"), "2520");  // last two, then first two
    EXPECT_EQ(monthDayFromDayMonth(" 25 12"), "1225");
}

TEST(MonthDayTest, SignsAndFractionsGiveAnInteger) {
    EXPECT_EQ(monthDayFromDayMonth("-5"), "-500");  // 00-5 -> "-5" + "00"
    EXPECT_EQ(monthDayFromDayMonth("12.5"), "0");   // ".5" + "12" -> 0.512
}

}  // namespace
}  // namespace tagshelf

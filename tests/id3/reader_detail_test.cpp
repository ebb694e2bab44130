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

Bytes bytesOf(const ByteRun& run) {
    return Bytes(run.data.begin(), run.data.end());
}

TEST(GetStringTest, PositionIsOneBasedAndStopsAtNul) {
    Bytes file = raw(std::string("xAB\0CD", 6));
    EXPECT_EQ(fncGetString(file, 2, 5, true), "AB");
    EXPECT_EQ(fncGetString(file, 1, 3, true), "xAB");
    // Without the stop the whole width is taken, NULs and bytes past the end (0) too.
    EXPECT_EQ(fncGetString(file, 2, 4, false), std::string("AB\0C", 4));
    EXPECT_EQ(fncGetString(file, 5, 4, false), std::string("CD\0\0", 4));
    EXPECT_EQ(fncGetString(file, 5, 4, true), "CD");
    EXPECT_EQ(fncGetString(file, 10, 3, true), "");
    EXPECT_EQ(fncGetString(test::sjis(utf8(u8"日本")), 1, 4, true), utf8(u8"日本"));
}

TEST(GetBytesTest, CountsPositionsAndDropsTheZeroAfterFfWithUnsync) {
    // The zero after a final 0xFF belongs to this read, not to the next one; bytes
    // past the end are zeros that are not stored; a count of 0 or less takes nothing.
    constexpr std::int64_t kFar = 4'000'000'000LL;
    const struct {
        const char* name;
        Bytes file;
        std::int64_t position, count;
        bool unsync;
        Bytes data;
        std::int64_t size, positionAfter;
    } cases[] = {
        {"no unsync", {0x41, 0xFF, 0x00, 0xE0}, 1, 4, false, {0x41, 0xFF, 0x00, 0xE0}, 4, 5},
        {"FF 00 E0", {0xFF, 0x00, 0xE0, 0x42}, 1, 3, true, {0xFF, 0xE0, 0x42}, 3, 5},
        {"final FF", {0x41, 0xFF, 0x00, 0x42}, 1, 2, true, {0x41, 0xFF}, 2, 4},
        {"zero after 00", {0, 0xFF, 1, 0xFF, 0xFF, 0}, 1, 5, true, {0, 0xFF, 1, 0xFF, 0xFF}, 5, 7},
        {"past the end", {0x41, 0x42}, 2, kFar, false, {0x42}, kFar, kFar + 2},
        {"past the end, unsync", {0x41, 0x42}, 2, kFar, true, {0x42}, kFar, kFar + 2},
        {"negative count", {0x41}, 1, -3, true, {}, 0, 1},
        {"zero count", {0x41}, 1, 0, false, {}, 0, 1},
    };
    std::vector<std::uint8_t> scratch;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::int64_t pos = c.position;
        ByteRun run = fncGetBytes(c.file, pos, c.count, c.unsync, scratch);
        EXPECT_EQ(bytesOf(run), c.data);
        EXPECT_EQ(run.size, c.size);
        EXPECT_EQ(pos, c.positionAfter);
        EXPECT_EQ(run.at(static_cast<std::int64_t>(c.data.size()) + 1), 0);
    }
    Bytes file{0x41, 0xFF, 0x00, 0x42};
    std::int64_t pos = 1;
    fncGetBytes(file, pos, 2, true, scratch);
    EXPECT_EQ(fncGetByte(file, pos, true), 0x42);
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

TEST(CutBytesTest, TakesWhatIsThereAndAdvancesByThat) {
    Bytes b = raw("abcdef");
    std::int64_t index = 2;
    EXPECT_EQ(bytesOf(fncCutBytes(runOf(b), index, 3)), raw("bcd"));
    EXPECT_EQ(index, 5);
    EXPECT_EQ(fncCutBytes(runOf(b), index, 5).size, 2);
    EXPECT_EQ(index, 7);
    EXPECT_EQ(fncCutBytes(runOf(b), index, 5).size, 0);
    EXPECT_EQ(index, 7);
}

TEST(GetTextTest, TextAndTheIndexAfterIt) {
    const struct {
        const char* name;
        Bytes bytes;
        std::int64_t runSize;  // 0: the bytes' own size
        std::int64_t index;
        std::uint8_t encoding;
        std::string text;
        std::int64_t indexAfter;
    } cases[] = {
        // Encoding FF: the first byte is the encoding; encoding 0 moves one past the
        // terminator, also when the text runs to the end.
        {"FF", raw(std::string("\0Hi\0rest", 8)), 0, 1, 0xFF, "Hi", 5},
        {"0 to the end", raw("Hello"), 0, 1, 0, "Hello", 7},
        {"0 Shift-JIS", test::sjis(utf8(u8"ｶﾀｶﾅと漢字")), 0, 1, 0, utf8(u8"ｶﾀｶﾅと漢字"), 12},
        // UTF-16: the index moves past the mark and the terminator; without a mark
        // the text is little-endian, and an empty one consumes only the terminator.
        {"FF FE", {0xFF, 0xFE, 0x41, 0x00, 0x42, 0x00, 0x00, 0x00, 0x43, 0x00}, 0, 1, 1, "AB", 9},
        {"FE FF", {0xFE, 0xFF, 0x00, 0x41, 0x30, 0x42}, 0, 1, 1, utf8(u8"Aあ"), 7},
        {"no mark", {0x41, 0x00, 0x42, 0x30}, 0, 1, 1, utf8(u8"Aあ"), 5},
        {"empty, no mark", {0x00, 0x00, 0xFF, 0xFE, 0x41, 0x00}, 0, 1, 1, "", 3},
        {"after an empty text", {0x00, 0x00, 0xFF, 0xFE, 0x41, 0x00}, 0, 3, 1, "A", 7},
        {"surrogate pair", test::utf16(utf8(u8"🎵")), 0, 1, 1, utf8(u8"🎵"), 7},
        {"lone surrogate", {0xFF, 0xFE, 0x3C, 0xD8, 0x41, 0x00}, 0, 1, 1, utf8(u8"\uFFFDA"), 7},
        {"odd last byte", {0xFF, 0xFE, 0x41, 0x00, 0x42}, 0, 1, 1, "A", 5},
        {"shorter than a mark", {0xFF}, 0, 1, 1, "", 1},
        // Other encodings give nothing and do not move.
        {"2", raw("abc"), 0, 2, 2, "", 2},
        {"3", raw("abc"), 0, 2, 3, "", 2},
        {"7F", raw("abc"), 0, 2, 0x7F, "", 2},
        {"FF then 2", raw("\x02xyz"), 0, 1, 0xFF, "", 2},
        // Runs longer than their stored bytes: the text stops where they end.
        {"0 beyond the stored bytes", raw("abc"), 100, 1, 0, "abc", 5},
        {"1 beyond the stored bytes", {0xFF, 0xFE, 0x41}, 1'000'000'000, 1, 1, "A", 7},
        {"0 index beyond the run", raw("ab"), 0, 5, 0, "", 6},
        {"1 index beyond the run", raw("ab"), 0, 5, 1, "", 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ByteRun run{c.bytes, c.runSize ? c.runSize : static_cast<std::int64_t>(c.bytes.size())};
        std::int64_t index = c.index;
        EXPECT_EQ(fncGetText(run, index, c.encoding), c.text);
        EXPECT_EQ(index, c.indexAfter);
    }
}

TEST(UncompressTest, InflatesUpToTheDeclaredSize) {
    Bytes text = raw("some text that is compressed, compressed, compressed");
    std::vector<std::uint8_t> out;
    // The exact size, a larger one, and far more than the data could inflate to
    // yet within the limit.
    for (std::int64_t declared :
         {static_cast<std::int64_t>(text.size()), std::int64_t{1000}, kMaxInflatedSize}) {
        ASSERT_TRUE(fncUncompress(test::zlibCompress(text), declared, out)) << declared;
        EXPECT_EQ(out, text);
    }
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

TEST(YearAndDayRuleTest, LeadingNumeralAndMonthDay) {
    // Spaces, tabs and line feeds are ignored anywhere; a carriage return ends the
    // number; full-width digits are not digits.
    const std::pair<const char*, const char*> years[] = {
        {"2003", "2003"}, {" 1999", "1999"},     {"1999-12-25", "1999"},
        {"12.5", "12.5"}, {"abc", "0"},          {"03", "3"},
        {"", "0"},        {"1 9\t9\n9", "1999"}, {"\t 20 03 x", "2003"},
        {"19\r99", "19"}, {"-5", "-5"},          {"+7x", "7"},
        {"-0", "0"},      {"12.50", "12.5"},     {"12.0", "12"},
        {".5", "0.5"},    {"1.2.3", "1.2"},      {"0007", "7"}};
    for (const auto& [text, year] : years) {
        EXPECT_EQ(leadingNumeral(text), year) << text;
    }
    EXPECT_EQ(leadingNumeral(utf8(u8"２００３")), "0");
    // "105" is padded to 0105, "7" to 0007; of "20031225" the last two, then the
    // first two; "-5": 00-5 gives "-5" + "00"; "12.5": ".5" + "12" gives 0.512.
    const std::pair<const char*, const char*> days[] = {
        {"2512", "1225"},   {"0105", "501"}, {"1231", "3112"}, {"3101", "131"},
        {"105", "501"},     {"7", "700"},    {"abc", "0"},     {"20031225", "2520"},
        {" 25 12", "1225"}, {"-5", "-500"},  {"12.5", "0"}};
    for (const auto& [text, day] : days) {
        EXPECT_EQ(monthDayFromDayMonth(text), day) << text;
    }
}

}  // namespace
}  // namespace tagshelf

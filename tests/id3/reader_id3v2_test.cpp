// The ID3v2.2/ID3v2.3 reader: header, extended header, frame layouts, the frame
// rules, unsynchronisation, compressed frames, the version rule, the end of the
// walk, and truncated or corrupt tags. Every file is read both through the file
// and from memory, and the two results must agree.
#include <chrono>

#include <gtest/gtest.h>

#include "id3/reader.h"
#include "id3/reader_detail.h"
#include "tests/id3/read_support.h"
#include "tests/id3/tag_builder.h"
#include "tests/support/test_support.h"

namespace tagshelf {
namespace {

using test::Bytes;
using test::concat;
using test::FrameOptions;
using test::frameV22;
using test::frameV23;
using test::Id3v2Builder;
using test::raw;
using test::sjisText;
using test::textBody;
using test::utf16;
using test::utf16Text;

std::string utf8(const char8_t* s) {
    return reinterpret_cast<const char*>(s);
}

// Reads the bytes as a file and checks that the parse over bytes gives the same.
Id3v2Tag readV2(const Bytes& file) {
    test::TempDir dir;
    std::string path = dir.file("tag.mp3");
    test::writeFile(path, file);
    Result<std::uint8_t> family = fncGetTagType(path);
    EXPECT_TRUE(family.ok());
    if (family.ok() && file.size() >= 3) {
        EXPECT_EQ(*family, kID3v22);
    }
    Result<Id3v2Tag> r = fncReadID3v2(path);
    EXPECT_TRUE(r.ok()) << (r.ok() ? "" : r.error().description);
    if (!r.ok()) return {};
    Id3v2Tag fromBytes = parseID3v2(file);
    EXPECT_TRUE(sameTag(*r, fromBytes)) << describe(*r) << "\n" << describe(fromBytes);
    return *r;
}

// A file: the tag, then some audio (which must never be read as tag).
Bytes withAudio(const Bytes& tag) {
    return concat({tag, test::fakeAudio(5000, 3)});
}

Id3v2Tag readTag(const Id3v2Builder& b) {
    return readV2(withAudio(b.build()));
}

// ---------------------------------------------------------------------------
// Header

TEST(Id3v2HeaderTest, HeaderBytesGiveVersionRevisionAndSize) {
    Bytes file =
        concat({Bytes{0x49, 0x44, 0x33, 0x03, 0x00, 0x00, 0x00, 0x00, 0x02, 0x01}, Bytes(257, 0)});
    Id3v2Tag t = readV2(withAudio(file));
    EXPECT_EQ(t.Version, 3);
    EXPECT_EQ(t.Revision, 0);
    EXPECT_FALSE(t.Unsync);
    EXPECT_FALSE(t.ExtHeader);
    EXPECT_FALSE(t.Experimental);
    EXPECT_FALSE(t.CrcPresent);
    EXPECT_EQ(t.TagSize, 257);
    EXPECT_EQ(t.Crc, 0);
}

TEST(Id3v2HeaderTest, SizeBytesLoseTheirTopBit) {
    Bytes file = concat({raw("ID3"), Bytes{3, 0, 0, 0x00, 0x00, 0x02, 0x81}, Bytes(300, 0)});
    EXPECT_EQ(readV2(file).TagSize, 257);
    Bytes big = concat({raw("ID3"), Bytes{3, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F}});
    EXPECT_EQ(readV2(big).TagSize, 0x0FFFFFFF);
    Bytes masked = concat({raw("ID3"), Bytes{3, 0, 0, 0xFF, 0x80, 0x81, 0x80}});
    EXPECT_EQ(readV2(masked).TagSize, (0x7F << 21) | (0x01 << 7));
}

TEST(Id3v2HeaderTest, RevisionAndFlagBits) {
    Bytes tag = Id3v2Builder(2, 7).flags(0x20 | 0x1F).frame(frameV22("TT2", sjisText("x"))).build();
    Id3v2Tag t = readV2(withAudio(tag));
    EXPECT_EQ(t.Revision, 7);
    EXPECT_TRUE(t.Experimental);
    EXPECT_FALSE(t.Unsync);
    EXPECT_FALSE(t.ExtHeader);
    EXPECT_EQ(t.Title, "x");
}

TEST(Id3v2HeaderTest, ExtendedHeaderFlagBelowVersion3ReadsNoExtendedHeader) {
    // In ID3v2.2 bit 6 is set but no extended header is read: the frame is at 10.
    Bytes tag = Id3v2Builder(2).flags(0x40).frame(frameV22("TT2", sjisText("Two"))).build();
    Id3v2Tag t = readV2(withAudio(tag));
    EXPECT_TRUE(t.ExtHeader);
    EXPECT_EQ(t.Title, "Two");
    EXPECT_FALSE(t.CrcPresent);
}

// ---------------------------------------------------------------------------
// Extended header

TEST(Id3v2ExtendedHeaderTest, FirstFrameAt20WithoutCrc) {
    Bytes tag = Id3v2Builder(3)
                    .extendedHeader(test::extendedHeaderV23(0))
                    .frame(frameV23("TIT2", sjisText("After")))
                    .build();
    ASSERT_EQ(std::string(tag.begin() + 20, tag.begin() + 24), "TIT2");
    Id3v2Tag t = readV2(withAudio(tag));
    EXPECT_TRUE(t.ExtHeader);
    EXPECT_FALSE(t.CrcPresent);
    EXPECT_EQ(t.Crc, 0);
    EXPECT_EQ(t.Title, "After");
}

TEST(Id3v2ExtendedHeaderTest, FirstFrameAt24WithCrc) {
    Bytes tag = Id3v2Builder(3)
                    .extendedHeader(test::extendedHeaderV23(0, 0x00000100))
                    .frame(frameV23("TIT2", sjisText("After CRC")))
                    .build();
    ASSERT_EQ(std::string(tag.begin() + 24, tag.begin() + 28), "TIT2");
    Id3v2Tag t = readV2(withAudio(tag));
    EXPECT_TRUE(t.CrcPresent);
    EXPECT_EQ(t.Crc, 128);  // bytes 00 00 01 00, each weighted by 128
    EXPECT_EQ(t.Title, "After CRC");
}

TEST(Id3v2ExtendedHeaderTest, CrcBytesAreTakenWholeAndWeightedBy128) {
    Bytes tag = Id3v2Builder(3)
                    .extendedHeader(test::extendedHeaderV23(0, 0x12FF8001))
                    .frame(frameV23("TIT2", sjisText("t")))
                    .build();
    EXPECT_EQ(readV2(withAudio(tag)).Crc, ((0x12 * 128 + 0xFF) * 128 + 0x80) * 128 + 0x01);
}

TEST(Id3v2ExtendedHeaderTest, ItsOwnSizeFieldIsNotUsed) {
    Bytes ext = test::extendedHeaderV23(0);
    ext[3] = 99;  // a wrong size: still 10 bytes are read
    Bytes tag = Id3v2Builder(3).extendedHeader(ext).frame(frameV23("TIT2", sjisText("ok"))).build();
    EXPECT_EQ(readV2(withAudio(tag)).Title, "ok");
}

// Two frames and padding; the padding size field is chosen so that the walk's end
// falls just after or just on the second frame's header.
class PaddingBoundaryTest : public ::testing::Test {
  protected:
    Bytes first = frameV23("TIT2", sjisText("one"));
    Bytes second = frameV23("TPE1", sjisText("two"));

    Id3v2Tag readWithPadding(std::int64_t padding) {
        // The padding bytes are taken whole and weighted by 128.
        Bytes field{0, 0, static_cast<std::uint8_t>(padding / 128),
                    static_cast<std::uint8_t>(padding % 128)};
        Bytes ext = concat({test::be32(6), Bytes{0, 0}, field});
        return readTag(Id3v2Builder(3).extendedHeader(ext).frame(first).frame(second).padding(400));
    }

    // The walk goes on while the next frame's 0-based offset < TagSize + 9 - padding.
    std::int64_t largestPaddingThatReadsSecond() {
        const std::int64_t tagSize = 10 + first.size() + second.size() + 400;
        const std::int64_t secondOffset = 10 + 10 + first.size();
        return tagSize + 8 - secondOffset;
    }
};

TEST_F(PaddingBoundaryTest, SecondFrameReadJustInside) {
    std::int64_t p = largestPaddingThatReadsSecond();
    ASSERT_GT(p, 255);  // the weighting matters
    Id3v2Tag t = readWithPadding(p);
    EXPECT_EQ(t.Title, "one");
    EXPECT_EQ(t.Artist, "two");
}

TEST_F(PaddingBoundaryTest, SecondFrameNotReadOnTheBoundary) {
    Id3v2Tag t = readWithPadding(largestPaddingThatReadsSecond() + 1);
    EXPECT_EQ(t.Title, "one");
    EXPECT_EQ(t.Artist, "");
}

TEST_F(PaddingBoundaryTest, HugePaddingStillReadsTheFirstFrame) {
    Bytes ext = concat({test::be32(6), Bytes{0, 0}, Bytes{0xFF, 0xFF, 0xFF, 0xFF}});
    Id3v2Tag t =
        readTag(Id3v2Builder(3).extendedHeader(ext).frame(first).frame(second).padding(10));
    EXPECT_EQ(t.Title, "one");
    EXPECT_EQ(t.Artist, "");
}

TEST(Id3v2ExtendedHeaderTest, ReadThroughUnsynchronisation) {
    // The CRC holds FF 00: stored as FF 00 00 and read back as FF 00.
    Bytes tag = Id3v2Builder(3)
                    .extendedHeader(test::extendedHeaderV23(0, 0xFF000001))
                    .frame(frameV23("TIT2", sjisText("sync")))
                    .unsync()
                    .build();
    Id3v2Tag t = readV2(withAudio(tag));
    EXPECT_TRUE(t.Unsync);
    EXPECT_EQ(t.Crc, ((0xFF * 128 + 0) * 128 + 0) * 128 + 1);
    EXPECT_EQ(t.Title, "sync");
}

// ---------------------------------------------------------------------------
// Text frames

TEST(Id3v2TextTest, Encoding0WithoutTerminator) {
    Bytes content{0x00, 0x48, 0x65, 0x6C, 0x6C, 0x6F};
    Id3v2Tag t = readTag(Id3v2Builder(3).frame(frameV23("TIT2", content)));
    EXPECT_EQ(t.Title, "Hello");
    EXPECT_EQ(t.Encode, 0);
}

TEST(Id3v2TextTest, AllTextFieldsOfVersion23) {
    Id3v2Tag t = readTag(Id3v2Builder(3)
                             .frame(frameV23("TIT2", sjisText("Title")))
                             .frame(frameV23("TPE1", sjisText("Artist")))
                             .frame(frameV23("TALB", sjisText("Album")))
                             .frame(frameV23("TRCK", sjisText("5/12")))
                             .frame(frameV23("TCON", sjisText("(17)Rock")))
                             .padding(64));
    EXPECT_EQ(t.Version, 3);
    EXPECT_EQ(t.Title, "Title");
    EXPECT_EQ(t.Artist, "Artist");
    EXPECT_EQ(t.Album, "Album");
    EXPECT_EQ(t.Track, "5/12");
    EXPECT_EQ(t.Genre, "(17)Rock");
}

TEST(Id3v2TextTest, AllFieldsOfVersion22) {
    Id3v2Tag t =
        readTag(Id3v2Builder(2)
                    .frame(frameV22("TT2", sjisText("Title")))
                    .frame(frameV22("TP1", sjisText("Artist")))
                    .frame(frameV22("TAL", sjisText("Album")))
                    .frame(frameV22("TRK", sjisText("3")))
                    .frame(frameV22("TCO", sjisText("Pop")))
                    .frame(frameV22("TYE", sjisText("1998")))
                    .frame(frameV22("TDA", sjisText("0304")))
                    .frame(frameV22("COM", test::commentBody(0, "jpn", raw("d"), raw("c"))))
                    .padding(30));
    EXPECT_EQ(t.Version, 2);
    EXPECT_EQ(t.Title, "Title");
    EXPECT_EQ(t.Artist, "Artist");
    EXPECT_EQ(t.Album, "Album");
    EXPECT_EQ(t.Track, "3");
    EXPECT_EQ(t.Genre, "Pop");
    EXPECT_EQ(t.Year, "1998");
    EXPECT_EQ(t.Day, "403");
    EXPECT_EQ(t.CommentDesc, "d");
    EXPECT_EQ(t.Comment, "c");
}

TEST(Id3v2TextTest, FrameIdsOfTheOtherVersionAreNotRecognised) {
    Id3v2Tag t = readTag(Id3v2Builder(3)
                             .frame(frameV23("TT2 ", sjisText("no")))
                             .frame(frameV23("TDAT", sjisText("2512")))
                             .frame(frameV23("tit2", sjisText("no")))
                             .frame(frameV23("TPE1", sjisText("yes"))));
    EXPECT_EQ(t.Title, "");
    EXPECT_EQ(t.Day, "");
    EXPECT_EQ(t.Artist, "yes");
}

TEST(Id3v2TextTest, ShiftJisInEncoding0) {
    std::string title = utf8(u8"日本語のタイトル～①");
    Id3v2Tag t = readTag(Id3v2Builder(3).frame(frameV23("TIT2", sjisText(title))));
    EXPECT_EQ(t.Title, title);
}

TEST(Id3v2TextTest, Utf16ByteOrderMarks) {
    // FF FE is little-endian, FE FF big-endian, no mark little-endian; the mark
    // decides, so units in the other order read as other characters.
    const std::pair<Bytes, std::string> cases[] = {
        {{0x01, 0xFF, 0xFE, 0x41, 0x00, 0x42, 0x00}, "AB"},
        {{0x01, 0xFE, 0xFF, 0x00, 0x41, 0x00, 0x42, 0x00, 0x00}, "AB"},
        {{0x01, 0x41, 0x00, 0x42, 0x00, 0x00, 0x00}, "AB"},
        {{0x01, 0xFE, 0xFF, 0x41, 0x00, 0x42, 0x00, 0x00, 0x00}, utf8(u8"\u4100\u4200")},
        {{0x01, 0xFF, 0xFE, 0x00, 0x41, 0x00, 0x42}, utf8(u8"\u4100\u4200")},
        {textBody(1, utf16(utf8(u8"無印"), false, false)), utf8(u8"無印")},
    };
    for (const auto& [content, title] : cases) {
        Id3v2Tag t = readTag(Id3v2Builder(3).frame(frameV23("TIT2", content)));
        EXPECT_EQ(t.Title, title);
        EXPECT_EQ(t.Encode, 1);
    }
}

TEST(Id3v2TextTest, Utf16JapaneseAndSupplementaryCharacters) {
    std::string text = utf8(u8"日本語の歌🎵");
    Id3v2Tag le = readTag(Id3v2Builder(3).frame(frameV23("TPE1", utf16Text(text))));
    EXPECT_EQ(le.Artist, text);
    Id3v2Tag be = readTag(Id3v2Builder(2).frame(frameV22("TP1", textBody(1, utf16(text, true)))));
    EXPECT_EQ(be.Artist, text);
}

TEST(Id3v2TextTest, FrameOfOneByteGivesEmptyText) {
    Id3v2Tag t = readTag(Id3v2Builder(3)
                             .frame(frameV23("TIT2", sjisText("first")))
                             .frame(frameV23("TIT2", Bytes{0x00})));
    EXPECT_EQ(t.Title, "");
    t = readTag(Id3v2Builder(3)
                    .frame(frameV23("TIT2", sjisText("first")))
                    .frame(frameV23("TIT2", Bytes{})));
    EXPECT_EQ(t.Title, "");
}

TEST(Id3v2TextTest, RepeatedFrameLastOneWins) {
    Id3v2Tag t = readTag(Id3v2Builder(3)
                             .frame(frameV23("TIT2", sjisText("first")))
                             .frame(frameV23("TPE1", sjisText("artist")))
                             .frame(frameV23("TIT2", utf16Text("second"))));
    EXPECT_EQ(t.Title, "second");
    EXPECT_EQ(t.Artist, "artist");
}

TEST(Id3v2TextTest, UnknownEncodingGivesEmptyText) {
    Id3v2Tag t = readTag(Id3v2Builder(3)
                             .frame(frameV23("TIT2", sjisText("first")))
                             .frame(frameV23("TIT2", textBody(3, raw("utf-8 text")))));
    EXPECT_EQ(t.Title, "");
}

TEST(Id3v2TextTest, TextEndsAtItsTerminator) {
    Id3v2Tag t = readTag(Id3v2Builder(3).frame(frameV23("TIT2", raw(std::string("\0A\0B", 4)))));
    EXPECT_EQ(t.Title, "A");
    t = readTag(Id3v2Builder(3).frame(
        frameV23("TIT2", concat({Bytes{1}, utf16("A"), Bytes{0, 0}, utf16("B")}))));
    EXPECT_EQ(t.Title, "A");
}

TEST(Id3v2TextTest, ShortUtf16FramesGiveWhatIsThere) {
    // One byte short of a whole unit after the mark, a lone mark, a lone half mark.
    for (const Bytes& content :
         {Bytes{1, 0xFF, 0xFE, 0x41}, Bytes{1, 0xFF, 0xFE}, Bytes{1, 0xFF}, Bytes{1, 0x41, 0x00}}) {
        Id3v2Tag t = readTag(Id3v2Builder(3).frame(frameV23("TIT2", content)));
        EXPECT_EQ(t.Title, content.size() == 3 && content[1] == 0x41 ? "A" : "");
    }
}

// ---------------------------------------------------------------------------
// Year and day

TEST(Id3v2YearDayTest, YearIsItsLeadingNumber) {
    const std::pair<const char*, const char*> cases[] = {
        {"2003", "2003"}, {" 1999", "1999"}, {"1999-12-25", "1999"},
        {"12.5", "12.5"}, {"abc", "0"},      {"03", "3"},
    };
    for (const auto& [text, year] : cases) {
        Id3v2Tag t = readTag(Id3v2Builder(3).frame(frameV23("TYER", sjisText(text))));
        EXPECT_EQ(t.Year, year) << text;
    }
    Id3v2Tag wide = readTag(Id3v2Builder(3).frame(frameV23("TYER", utf16Text("2010"))));
    EXPECT_EQ(wide.Year, "2010");
}

TEST(Id3v2YearDayTest, YearFrameOfOneByteIsEmpty) {
    Id3v2Tag t = readTag(Id3v2Builder(3)
                             .frame(frameV23("TYER", sjisText("2003")))
                             .frame(frameV23("TYER", Bytes{0})));
    EXPECT_EQ(t.Year, "");
}

TEST(Id3v2YearDayTest, DayIsStoredMonthFirst) {
    const std::pair<const char*, const char*> cases[] = {
        {"2512", "1225"}, {"0105", "501"}, {"1231", "3112"}, {"x", "0"}};
    for (const auto& [text, day] : cases) {
        Id3v2Tag t = readTag(Id3v2Builder(3).frame(frameV23("TDAY", sjisText(text))));
        EXPECT_EQ(t.Day, day) << text;
    }
}

TEST(Id3v2YearDayTest, EmptyDayFrameLeavesTheYear) {
    Id3v2Tag t = readTag(Id3v2Builder(3)
                             .frame(frameV23("TYER", sjisText("2003")))
                             .frame(frameV23("TDAY", sjisText("2512")))
                             .frame(frameV23("TDAY", Bytes{})));
    EXPECT_EQ(t.Year, "2003");
    EXPECT_EQ(t.Day, "");
}

TEST(Id3v2YearDayTest, TdatIsNotTheDateFrame) {
    Id3v2Tag t = readTag(Id3v2Builder(3).frame(frameV23("TDAT", sjisText("2512"))));
    EXPECT_EQ(t.Day, "");
}

// ---------------------------------------------------------------------------
// Comment frames

TEST(Id3v2CommentTest, EmptyDescriptionAndText) {
    Id3v2Tag t = readTag(
        Id3v2Builder(3).frame(frameV23("COMM", Bytes{0x00, 0x65, 0x6E, 0x67, 0x00, 0x68, 0x69})));
    EXPECT_EQ(t.CommentDesc, "");
    EXPECT_EQ(t.Comment, "hi");
}

TEST(Id3v2CommentTest, FiveBytesGiveBothEmpty) {
    Id3v2Tag t =
        readTag(Id3v2Builder(3)
                    .frame(frameV23("COMM", test::commentBody(0, "eng", raw("d"), raw("c"))))
                    .frame(frameV23("COMM", Bytes{0x00, 0x65, 0x6E, 0x67, 0x00})));
    EXPECT_EQ(t.CommentDesc, "");
    EXPECT_EQ(t.Comment, "");
}

TEST(Id3v2CommentTest, ShiftJisDescriptionAndText) {
    Bytes body = test::commentBody(0, "jpn", test::sjis(utf8(u8"説明")),
                                   test::sjis(utf8(u8"コメント\n二行目")));
    Id3v2Tag t = readTag(Id3v2Builder(3).frame(frameV23("COMM", body)));
    EXPECT_EQ(t.CommentDesc, utf8(u8"説明"));
    EXPECT_EQ(t.Comment, utf8(u8"コメント\n二行目"));
    EXPECT_EQ(t.Encode, 0);
}

TEST(Id3v2CommentTest, Utf16EachTextWithItsOwnMark) {
    Bytes body =
        test::commentBody(1, "jpn", utf16(utf8(u8"説明")), utf16(utf8(u8"本文"), true), true);
    Id3v2Tag t = readTag(Id3v2Builder(3).frame(frameV23("COMM", body)));
    EXPECT_EQ(t.CommentDesc, utf8(u8"説明"));
    EXPECT_EQ(t.Comment, utf8(u8"本文"));
    EXPECT_EQ(t.Encode, 1);
}

TEST(Id3v2CommentTest, Utf16EmptyDescriptionWithoutMark) {
    // Many writers store an empty description as a bare 00 00.
    Bytes body = test::commentBody(1, "eng", Bytes{}, utf16("text"));
    Id3v2Tag t = readTag(Id3v2Builder(3).frame(frameV23("COMM", body)));
    EXPECT_EQ(t.CommentDesc, "");
    EXPECT_EQ(t.Comment, "text");
}

TEST(Id3v2CommentTest, Version22Comment) {
    Bytes body = test::commentBody(0, "eng", raw("desc"), raw("two-two"));
    Id3v2Tag t = readTag(Id3v2Builder(2).frame(frameV22("COM", body)));
    EXPECT_EQ(t.CommentDesc, "desc");
    EXPECT_EQ(t.Comment, "two-two");
}

TEST(Id3v2CommentTest, EveryTruncationReadsWithoutFailing) {
    // A comment frame cut anywhere, even inside its fixed part, gives the texts
    // that are there.
    const std::string desc = utf8(u8"説明");
    const std::string text = utf8(u8"本文です");
    for (std::uint8_t encoding : {0, 1}) {
        Bytes full = encoding == 0 ? test::commentBody(0, "jpn", test::sjis(desc), test::sjis(text))
                                   : test::commentBody(1, "jpn", utf16(desc), utf16(text));
        for (std::size_t n = 0; n <= full.size(); ++n) {
            Bytes cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
            Id3v2Tag t = readTag(Id3v2Builder(3)
                                     .frame(frameV23("COMM", cut))
                                     .frame(frameV23("TPE1", sjisText("next"))));
            SCOPED_TRACE(testing::Message()
                         << "encoding " << int{encoding} << ", " << n << " bytes");
            EXPECT_EQ(t.Artist, "next");
            if (t.CommentDesc != desc) {
                EXPECT_TRUE(t.Comment.empty());
                // A cut Shift-JIS character may end in "?"; the rest is a prefix.
                std::string d = t.CommentDesc;
                if (!d.empty() && d.back() == '?') d.pop_back();
                EXPECT_EQ(desc.compare(0, d.size(), d), 0) << t.CommentDesc;
            } else {
                std::string c = t.Comment;
                if (!c.empty() && c.back() == '?') c.pop_back();
                EXPECT_EQ(text.compare(0, c.size(), c), 0) << t.Comment;
            }
            if (n == full.size()) {
                EXPECT_EQ(t.CommentDesc, desc);
                EXPECT_EQ(t.Comment, text);
            }
        }
    }
}

// ---------------------------------------------------------------------------
// Encode

TEST(Id3v2EncodeTest, TakenFromTheCommentFrame) {
    // Encoding byte 1 gives 1, any other value 0.
    for (std::uint8_t e : {1, 0, 2, 3, 0xFF}) {
        Bytes body = e == 1 ? test::commentBody(1, "jpn", utf16(""), utf16("c"))
                            : test::commentBody(e, "jpn", raw(""), raw("c"));
        Id3v2Tag t = readTag(Id3v2Builder(3)
                                 .frame(frameV23("TIT2", e == 1 ? sjisText("x") : utf16Text("x")))
                                 .frame(frameV23("COMM", body)));
        EXPECT_EQ(t.Encode, e == 1 ? 1 : 0) << int{e};
    }
}

TEST(Id3v2EncodeTest, CommentWinsOverTextFrames) {
    Id3v2Tag t =
        readTag(Id3v2Builder(3)
                    .frame(frameV23("COMM", test::commentBody(0, "jpn", raw(""), raw("c"))))
                    .frame(frameV23("TIT2", utf16Text("wide"))));
    EXPECT_EQ(t.Encode, 0);
}

TEST(Id3v2EncodeTest, LastCommentDecides) {
    Id3v2Tag t =
        readTag(Id3v2Builder(3)
                    .frame(frameV23("COMM", test::commentBody(1, "jpn", utf16(""), utf16("a"))))
                    .frame(frameV23("COMM", test::commentBody(0, "jpn", raw(""), raw("b")))));
    EXPECT_EQ(t.Encode, 0);
    EXPECT_EQ(t.Comment, "b");
}

TEST(Id3v2EncodeTest, WithoutCommentTheLastTextFrameDecides) {
    Id3v2Tag wide = readTag(Id3v2Builder(3)
                                .frame(frameV23("TIT2", sjisText("narrow")))
                                .frame(frameV23("TPE1", utf16Text("wide"))));
    EXPECT_EQ(wide.Encode, 1);
    Id3v2Tag narrow = readTag(Id3v2Builder(3)
                                  .frame(frameV23("TIT2", utf16Text("wide")))
                                  .frame(frameV23("TYER", sjisText("2001"))));
    EXPECT_EQ(narrow.Encode, 0);
    Id3v2Tag v22 = readTag(Id3v2Builder(2).frame(frameV22("TT2", utf16Text("wide"))));
    EXPECT_EQ(v22.Encode, 1);
}

TEST(Id3v2EncodeTest, FramesOutsideTheFrameTableDoNotCount) {
    Id3v2Tag t = readTag(Id3v2Builder(3)
                             .frame(frameV23("TIT2", sjisText("narrow")))
                             .frame(frameV23("TPE2", utf16Text("wide"))));
    EXPECT_EQ(t.Encode, 0);
}

TEST(Id3v2EncodeTest, EmptyFramesTellNothing) {
    Id3v2Tag t = readTag(Id3v2Builder(3)
                             .frame(frameV23("TIT2", utf16Text("wide")))
                             .frame(frameV23("COMM", Bytes{}))
                             .frame(frameV23("TALB", Bytes{})));
    EXPECT_EQ(t.Encode, 1);
    EXPECT_EQ(readTag(Id3v2Builder(3).padding(10)).Encode, 0);
}

// ---------------------------------------------------------------------------
// Unsynchronisation

TEST(Id3v2UnsyncTest, FrameSizeCountsDecodedBytes) {
    // Content 00 'A' 00 FF E0 'Z': stored with FF 00 E0, its size still 6.
    Bytes content{0x00, 'A', 0x00, 0xFF, 0xE0, 'Z'};
    Bytes tag = Id3v2Builder(3)
                    .frame(frameV23("TIT2", content))
                    .frame(frameV23("TPE1", sjisText("after")))
                    .unsync()
                    .build();
    const Bytes stored{0xFF, 0x00, 0xE0};
    ASSERT_NE(std::search(tag.begin(), tag.end(), stored.begin(), stored.end()), tag.end());
    Id3v2Tag t = readV2(withAudio(tag));
    EXPECT_TRUE(t.Unsync);
    EXPECT_EQ(t.Title, "A");
    EXPECT_EQ(t.Artist, "after");
}

TEST(Id3v2UnsyncTest, TextWithFfBytes) {
    // UTF-16 "ÿ" (FF 00) and "\uFFE0": every FF in the content must come back.
    std::string text = utf8(u8"\u00FF\uFFE0\u00FFx");
    Bytes tag = Id3v2Builder(3).frame(frameV23("TIT2", utf16Text(text))).unsync().build();
    EXPECT_EQ(readV2(withAudio(tag)).Title, text);
}

TEST(Id3v2UnsyncTest, SizeByteFfBeforeTheFlags) {
    // A 255-byte frame: its size ends in FF and is followed by the zero status flags.
    Bytes content = concat({sjisText("long"), Bytes(255 - 6, 'x')});
    ASSERT_EQ(content.size(), 255u);
    Bytes tag = Id3v2Builder(3)
                    .frame(frameV23("TIT2", content))
                    .frame(frameV23("TPE1", sjisText("next")))
                    .unsync()
                    .build();
    Id3v2Tag t = readV2(withAudio(tag));
    EXPECT_EQ(t.Title, "long");
    EXPECT_EQ(t.Artist, "next");
}

TEST(Id3v2UnsyncTest, FrameEndingInFfAcrossTheBoundary) {
    // The first frame ends in FF; the next frame's ID follows directly (no zero is
    // inserted), and after the last frame the padding starts with an inserted zero.
    Bytes tag = Id3v2Builder(3)
                    .frame(frameV23("TIT2", Bytes{0x00, 'a', 0x00, 0xFF}))
                    .frame(frameV23("TALB", Bytes{0x00, 'b', 0x00, 0xFF}))
                    .padding(8)
                    .unsync()
                    .build();
    Id3v2Tag t = readV2(withAudio(tag));
    EXPECT_EQ(t.Title, "a");
    EXPECT_EQ(t.Album, "b");
}

TEST(Id3v2UnsyncTest, Version22) {
    Bytes tag = Id3v2Builder(2)
                    .frame(frameV22("TT2", textBody(1, utf16(utf8(u8"ÿÿ")))))
                    .frame(frameV22("TP1", sjisText("p")))
                    .unsync()
                    .build();
    Id3v2Tag t = readV2(withAudio(tag));
    EXPECT_EQ(t.Title, utf8(u8"ÿÿ"));
    EXPECT_EQ(t.Artist, "p");
}

TEST(Id3v2UnsyncTest, WithoutTheFlagZerosAfterFfAreContent) {
    // The same stored bytes without the flag: the inserted zero is content, the
    // text ends there, and the frame size no longer matches.
    Bytes tag =
        Id3v2Builder(3).frame(frameV23("TIT2", utf16Text(utf8(u8"\u00FFA")))).unsync().build();
    tag[5] = 0;  // clear the flag
    Id3v2Tag t = readV2(withAudio(tag));
    EXPECT_FALSE(t.Unsync);
    EXPECT_NE(t.Title, utf8(u8"\u00FFA"));
}

// ---------------------------------------------------------------------------
// Compressed, encrypted and grouped frames

TEST(Id3v2CompressionTest, CompressedTitle) {
    std::string title = utf8(u8"圧縮されたタイトル");
    Id3v2Tag t = readTag(Id3v2Builder(3)
                             .frame(frameV23("TIT2", sjisText(title), FrameOptions().compressed()))
                             .frame(frameV23("TPE1", sjisText("plain"))));
    EXPECT_EQ(t.Title, title);
    EXPECT_EQ(t.Artist, "plain");
}

TEST(Id3v2CompressionTest, CompressedCommentAndUnsync) {
    Bytes body = test::commentBody(1, "jpn", utf16("d"), utf16(std::string(500, 'z')));
    Bytes tag = Id3v2Builder(3)
                    .frame(frameV23("COMM", body, FrameOptions().compressed()))
                    .frame(frameV23("TPE1", sjisText("plain")))
                    .unsync()
                    .build();
    Id3v2Tag t = readV2(withAudio(tag));
    EXPECT_EQ(t.Comment, std::string(500, 'z'));
    EXPECT_EQ(t.Artist, "plain");
}

TEST(Id3v2CompressionTest, DeclaredSizeLargerThanTheTextIsHarmless) {
    Id3v2Tag t = readTag(Id3v2Builder(3).frame(
        frameV23("TIT2", sjisText("abc"), FrameOptions().compressed(1'000'000))));
    EXPECT_EQ(t.Title, "abc");
}

TEST(Id3v2CompressionTest, FramesThatCannotBeInflatedAreSkipped) {
    const FrameOptions bad[] = {
        FrameOptions().compressed(0),
        FrameOptions().compressed(3),           // smaller than the text
        FrameOptions().compressed(0xFFFFFFFF),  // absurd
        FrameOptions().compressed(static_cast<std::uint32_t>(kMaxInflatedSize + 1)),
    };
    for (const FrameOptions& o : bad) {
        Id3v2Tag t = readTag(Id3v2Builder(3)
                                 .frame(frameV23("TIT2", utf16Text("kept")))
                                 .frame(frameV23("TIT2", sjisText("replacement"), o))
                                 .frame(frameV23("TPE1", sjisText("next"))));
        EXPECT_EQ(t.Title, "kept") << *o.declaredSize;
        EXPECT_EQ(t.Artist, "next");
        // Nor does a skipped frame count as the last text frame read.
        t = readTag(Id3v2Builder(3)
                        .frame(frameV23("TIT2", utf16Text("kept")))
                        .frame(frameV23("TIT2", sjisText("replacement"), o)));
        EXPECT_EQ(t.Encode, 1) << *o.declaredSize;
    }
}

TEST(Id3v2CompressionTest, CorruptCompressedDataIsSkipped) {
    // The compression bit over content that is not zlib data.
    Bytes frame = frameV23("TIT2", concat({test::be32(20), sjisText("not compressed")}));
    frame[9] = 0x80;
    Id3v2Tag t = readTag(Id3v2Builder(3)
                             .frame(frameV23("TIT2", sjisText("kept")))
                             .frame(frame)
                             .frame(frameV23("TPE1", sjisText("next"))));
    EXPECT_EQ(t.Title, "kept");
    EXPECT_EQ(t.Artist, "next");
}

TEST(Id3v2CompressionTest, CompressedFrameCutByTheEndOfTheFile) {
    Bytes tag =
        Id3v2Builder(3)
            .frame(frameV23("TIT2", sjisText("kept")))
            .frame(frameV23("TIT2", sjisText(std::string(300, 'q')), FrameOptions().compressed()))
            .build();
    Id3v2Tag t = readV2(Bytes(tag.begin(), tag.end() - 4));
    EXPECT_EQ(t.Title, "kept");
}

TEST(Id3v2CompressionTest, SizeTooSmallForItsExtraBytes) {
    // Frame size 2 with compression: the declared-size bytes are still read and
    // the content is empty; nothing fails and the walk goes on.
    Bytes frame = concat({raw("TIT2"), test::be32(2), Bytes{0x00, 0x80}, test::be32(5)});
    Id3v2Tag t =
        readTag(Id3v2Builder(3).frame(frame).frame(frameV23("TPE1", sjisText("next"))).padding(4));
    EXPECT_EQ(t.Title, "");
    EXPECT_EQ(t.Artist, "next");
}

TEST(Id3v2CompressionTest, EncryptedContentIsUsedAsStored) {
    Id3v2Tag t =
        readTag(Id3v2Builder(3)
                    .frame(frameV23("TIT2", sjisText("secret"), FrameOptions().encrypted(0x81)))
                    .frame(frameV23("TPE1", sjisText("next"))));
    EXPECT_EQ(t.Title, "secret");
    EXPECT_EQ(t.Artist, "next");
}

TEST(Id3v2CompressionTest, GroupByteIsSkipped) {
    Id3v2Tag t =
        readTag(Id3v2Builder(3)
                    .frame(frameV23("TIT2", sjisText("grouped"), FrameOptions().grouped(0x42)))
                    .frame(frameV23("TALB", sjisText("all"),
                                    FrameOptions().compressed().encrypted(1).grouped(2)))
                    .frame(frameV23("TPE1", sjisText("next"))));
    EXPECT_EQ(t.Title, "grouped");
    EXPECT_EQ(t.Album, "all");
    EXPECT_EQ(t.Artist, "next");
}

TEST(Id3v2CompressionTest, StatusFlagsAreIgnored) {
    Id3v2Tag t = readTag(
        Id3v2Builder(3).frame(frameV23("TIT2", sjisText("s"), FrameOptions().status(0xE0))));
    EXPECT_EQ(t.Title, "s");
}

// ---------------------------------------------------------------------------
// Version rule

TEST(Id3v2VersionRuleTest, Version4IsWalkedWithThreeByteIds) {
    Id3v2Tag t = readTag(Id3v2Builder(4)
                             .frame(frameV23("TIT2", sjisText("four")))
                             .frame(frameV23("TPE1", sjisText("four")))
                             .padding(100));
    EXPECT_EQ(t.Version, 2);
    EXPECT_EQ(t.Title, "");
    EXPECT_EQ(t.Artist, "");
}

TEST(Id3v2VersionRuleTest, Version4WithVersion22Frames) {
    Id3v2Tag t = readTag(Id3v2Builder(4)
                             .frame(frameV22("TT2", sjisText("read")))
                             .frame(frameV22("TP1", sjisText("too")))
                             .padding(10));
    EXPECT_EQ(t.Version, 2);
    EXPECT_EQ(t.Title, "read");
    EXPECT_EQ(t.Artist, "too");
}

TEST(Id3v2VersionRuleTest, ThreeCharacterIdSwitchesToTheVersion22Layout) {
    // "あXY" is four bytes but three characters: the next frame has the 2.2 layout.
    Bytes id = concat({test::sjis(utf8(u8"あ")), raw("XY")});
    Id3v2Tag t = readTag(Id3v2Builder(3)
                             .frame(frameV23(std::string(id.begin(), id.end()), raw("skip")))
                             .frame(frameV22("TT2", sjisText("switched")))
                             .padding(10));
    EXPECT_EQ(t.Version, 2);
    EXPECT_EQ(t.Title, "switched");
}

TEST(Id3v2VersionRuleTest, TwoCharacterIdLeavesTheVersion) {
    Bytes id = test::sjis(utf8(u8"あい"));
    Id3v2Tag t = readTag(Id3v2Builder(3)
                             .frame(frameV23(std::string(id.begin(), id.end()), raw("skip")))
                             .frame(frameV23("TIT2", sjisText("stayed")))
                             .padding(10));
    EXPECT_EQ(t.Version, 3);
    EXPECT_EQ(t.Title, "stayed");
}

TEST(Id3v2VersionRuleTest, OtherMajorVersions) {
    for (std::uint8_t v : {0, 1, 5, 255}) {
        Id3v2Tag t = readTag(Id3v2Builder(v).frame(frameV22("TT2", sjisText("x"))).padding(10));
        EXPECT_EQ(t.Version, 2) << int{v};
        EXPECT_EQ(t.Title, "x") << int{v};
    }
}

// ---------------------------------------------------------------------------
// The walk

TEST(Id3v2WalkTest, ZeroIdEndsTheWalk) {
    Id3v2Tag t = readTag(Id3v2Builder(3)
                             .frame(frameV23("TIT2", sjisText("before")))
                             .padding(20)
                             .frame(frameV23("TPE1", sjisText("after padding"))));
    EXPECT_EQ(t.Title, "before");
    EXPECT_EQ(t.Artist, "");
    EXPECT_EQ(t.Version, 3);
}

TEST(Id3v2WalkTest, IdStartingWithZeroEndsTheWalk) {
    Bytes frame = frameV23("TIT2", sjisText("x"));
    frame[0] = 0;
    Id3v2Tag t = readTag(Id3v2Builder(3).frame(frame).frame(frameV23("TPE1", sjisText("after"))));
    EXPECT_EQ(t.Artist, "");
}

TEST(Id3v2WalkTest, FramesAfterTheTagAreNotRead) {
    Bytes inside = frameV23("TIT2", sjisText("inside"));
    Id3v2Tag t = readTag(Id3v2Builder(3)
                             .frame(inside)
                             .frame(frameV23("TPE1", sjisText("outside")))
                             .sizeField(static_cast<std::uint32_t>(inside.size())));
    EXPECT_EQ(t.Title, "inside");
    EXPECT_EQ(t.Artist, "");
}

TEST(Id3v2WalkTest, TagFilledExactlyByFrames) {
    Id3v2Tag t = readTag(Id3v2Builder(3)
                             .frame(frameV23("TIT2", sjisText("a")))
                             .frame(frameV23("TPE1", sjisText("b")))
                             .frame(frameV23("TALB", sjisText("c"))));
    EXPECT_EQ(t.Title, "a");
    EXPECT_EQ(t.Artist, "b");
    EXPECT_EQ(t.Album, "c");
}

TEST(Id3v2WalkTest, TagOfSizeZeroReadsOneFrameHeaderOfZeros) {
    // Nothing past the tag is read, so the one frame header read is all zeros.
    Id3v2Tag v3 = readTag(Id3v2Builder(3).frame(frameV23("TIT2", sjisText("beyond"))).sizeField(0));
    EXPECT_EQ(v3.TagSize, 0);
    EXPECT_EQ(v3.Title, "");
    EXPECT_EQ(v3.Version, 3);
    Id3v2Tag v2 = readTag(Id3v2Builder(2).frame(frameV22("TT2", sjisText("beyond"))).sizeField(0));
    EXPECT_EQ(v2.Title, "");
    EXPECT_EQ(v2.Version, 2);
}

TEST(Id3v2WalkTest, FrameRunningPastTheTagReadsZerosThere) {
    // The frame says 100 bytes; the tag ends after 6 of them, and audio follows.
    Bytes frame = concat({raw("TIT2"), test::be32(100), Bytes{0, 0}, Bytes{0x00}, raw("Cut")});
    Id3v2Tag t = readTag(Id3v2Builder(3).frame(frame));
    EXPECT_EQ(t.Title, "Cut");
}

TEST(Id3v2WalkTest, ZeroSizeFramesAdvance) {
    Id3v2Builder b(3);
    for (int i = 0; i < 50; ++i)
        b.frame(frameV23("XXXX", {}));
    b.frame(frameV23("TIT2", sjisText("last")));
    EXPECT_EQ(readTag(b).Title, "last");
}

TEST(Id3v2WalkTest, UnknownFramesAreSkippedWhole) {
    Bytes picture =
        concat({Bytes{0}, raw("image/jpeg"), Bytes{0, 3, 0}, test::fakeAudio(20000, 9)});
    Id3v2Tag t = readTag(Id3v2Builder(3)
                             .frame(frameV23("TIT2", sjisText("t")))
                             .frame(frameV23("APIC", picture))
                             .frame(frameV23("TPE1", sjisText("after picture")))
                             .padding(1024));
    EXPECT_EQ(t.Title, "t");
    EXPECT_EQ(t.Artist, "after picture");
}

// ---------------------------------------------------------------------------
// Truncated and corrupt tags

TEST(Id3v2CorruptTest, FileEndsInsideEveryPartOfTheTag) {
    Bytes tag = Id3v2Builder(3)
                    .extendedHeader(test::extendedHeaderV23(0, 1))
                    .frame(frameV23("TIT2", sjisText("title")))
                    .frame(frameV23("COMM", test::commentBody(1, "jpn", utf16("d"), utf16("c"))))
                    .frame(frameV23("TALB", sjisText("album"), FrameOptions().compressed()))
                    .build();
    // From "ID3" alone, through the header, the extended header and every frame.
    for (std::size_t n = 3; n <= tag.size(); ++n) {
        Id3v2Tag t = readV2(Bytes(tag.begin(), tag.begin() + static_cast<std::ptrdiff_t>(n)));
        if (n < 10) {
            EXPECT_EQ(t.TagSize, 0);
        }
        if (n == tag.size()) {
            EXPECT_EQ(t.Title, "title");
            EXPECT_EQ(t.Comment, "c");
            EXPECT_EQ(t.Album, "album");
        }
    }
}

TEST(Id3v2CorruptTest, HugeFrameSizesDoNotStall) {
    const auto start = std::chrono::steady_clock::now();
    for (std::uint32_t size : {0xFFFFFFFFu, 0x80000000u, 0x7FFFFFFFu}) {
        Bytes frame = concat({raw("TIT2"), test::be32(size), Bytes{0, 0}, sjisText("big")});
        Id3v2Tag t = readTag(Id3v2Builder(3).frame(frame).unsync(size == 0x80000000u));
        EXPECT_EQ(t.Title, "big");
        Bytes v22 = concat({raw("TT2"), test::be24(0xFFFFFF), sjisText("big")});
        EXPECT_EQ(readTag(Id3v2Builder(2).frame(v22)).Title, "big");
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(Id3v2CorruptTest, TagSizeFarBeyondTheFile) {
    Bytes tag =
        Id3v2Builder(3).frame(frameV23("TIT2", sjisText("small"))).sizeField(0x0FFFFFFF).build();
    Id3v2Tag t = readV2(tag);
    EXPECT_EQ(t.TagSize, 0x0FFFFFFF);
    EXPECT_EQ(t.Title, "small");
}

TEST(Id3v2CorruptTest, UnsyncTagEndingInFf) {
    // The last byte of the file is 0xFF: the zero it looks for lies past the end.
    Bytes frame =
        concat({raw("TIT2"), test::be32(6), Bytes{0, 0}, Bytes{1, 0xFF, 0xFE, 'A', 0, 0xFF}});
    Bytes tag =
        concat({test::id3v2Header(3, 0, 0x80, static_cast<std::uint32_t>(frame.size())), frame});
    Id3v2Tag t = readV2(tag);
    EXPECT_EQ(t.Title, "A");
}

TEST(Id3v2FileTest, LargeTagIsReadWhole) {
    Bytes picture = test::fakeAudio(200000, 5);
    Id3v2Tag t = readTag(Id3v2Builder(3)
                             .frame(frameV23("APIC", picture))
                             .frame(frameV23("TIT2", sjisText("after 200 KB"))));
    EXPECT_EQ(t.Title, "after 200 KB");
}

TEST(Id3v2FileTest, TagEndingAroundTheFirstReadIsReadWhole) {
    // The file is read in a first block of some KB and then the rest of the tag;
    // a last frame on either side of that edge must be read whole.
    for (std::size_t tagEnd = 1000; tagEnd <= 70000; tagEnd = tagEnd * 3 / 2) {
        for (std::size_t delta = 0; delta < 3; ++delta) {
            const std::size_t end = tagEnd + delta;
            Bytes last = frameV23("TIT2", sjisText("end"));
            Bytes filler = frameV23("PRIV", Bytes(end - 10 - 10 - last.size(), 'f'));
            Bytes tag = Id3v2Builder(3).frame(filler).frame(last).build();
            ASSERT_EQ(tag.size(), end);
            EXPECT_EQ(readV2(withAudio(tag)).Title, "end") << end;
            EXPECT_EQ(readV2(tag).Title, "end") << end;  // the tag is the whole file
        }
    }
}

TEST(Id3v2FileTest, TagSizeBeyondALargeFile) {
    Bytes tag = Id3v2Builder(3)
                    .frame(frameV23("APIC", test::fakeAudio(9000, 4)))
                    .frame(frameV23("TIT2", sjisText("late")))
                    .sizeField(0x0FFFFFFF)
                    .build();
    Id3v2Tag t = readV2(tag);
    EXPECT_EQ(t.Title, "late");
}

TEST(Id3v2FileTest, BytesMatchTheFileRead) {
    // parseID3v2 over a whole file ignores what lies past the tag, as the file
    // read does, whatever follows.
    Bytes tag = Id3v2Builder(3).frame(frameV23("TIT2", sjisText("x"))).build();
    for (const Bytes& after : {Bytes{}, raw("TPE1"), test::fakeAudio(500, 1), Bytes(300, 0xFF)}) {
        Id3v2Tag t = readV2(concat({tag, after}));
        EXPECT_EQ(t.Title, "x");
        EXPECT_EQ(t.Artist, "");
    }
}

}  // namespace
}  // namespace tagshelf

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
using test::commentBody;
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
Bytes file(const Id3v2Builder& b) {
    return withAudio(b.build());
}
Id3v2Tag readTag(const Id3v2Builder& b) {
    return readV2(file(b));
}

// Frames of Shift-JIS text (f3: ID3v2.3, f2: ID3v2.2) and of UTF-16 text (u3).
Bytes f3(std::string_view id, std::string_view text) {
    return frameV23(id, sjisText(text));
}
Bytes f2(std::string_view id, std::string_view text) {
    return frameV22(id, sjisText(text));
}
Bytes u3(std::string_view id, std::string_view text) {
    return frameV23(id, utf16Text(text));
}

// A file with a tag of the given version made of the frames and padding.
Bytes tagOf(std::uint8_t version, std::initializer_list<Bytes> frames, std::size_t padding = 0,
            bool unsync = false) {
    Id3v2Builder b(version);
    for (const Bytes& f : frames)
        b.frame(f);
    return file(b.padding(padding).unsync(unsync));
}
Bytes syncTag(std::uint8_t version, std::initializer_list<Bytes> frames, std::size_t padding = 0) {
    return tagOf(version, frames, padding, true);
}
// A version 2.3 file whose one frame is a title frame with this content.
Bytes titled(const Bytes& content, const FrameOptions& o = {}) {
    return tagOf(3, {frameV23("TIT2", content, o)});
}

std::string num(std::int64_t n) {
    return std::to_string(n);
}

struct Case {
    std::string name;
    Bytes file;
    std::string expected;
};

void check(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(namedFields(readV2(c.file), c.expected), c.expected);
    }
}

// ---------------------------------------------------------------------------

TEST(Id3v2ReaderTest, HeaderAndExtendedHeader) {
    Bytes wrongSize = test::extendedHeaderV23(0);
    wrongSize[3] = 99;  // a wrong size: still 10 bytes are read
    auto ext = [](const Bytes& header, const Bytes& frame) {
        return Id3v2Builder(3).extendedHeader(header).frame(frame);
    };
    check({
        {"header bytes",
         withAudio(concat(
             {Bytes{0x49, 0x44, 0x33, 0x03, 0x00, 0x00, 0x00, 0x00, 0x02, 0x01}, Bytes(257, 0)})),
         "Version=3|Revision=0|Unsync=0|ExtHeader=0|Experimental=0|CrcPresent=0|TagSize=257|Crc=0"},
        // Size bytes lose their top bit.
        {"size 00 00 02 81",
         concat({raw("ID3"), Bytes{3, 0, 0, 0x00, 0x00, 0x02, 0x81}, Bytes(300, 0)}),
         "TagSize=257"},
        {"size 7F 7F 7F 7F", concat({raw("ID3"), Bytes{3, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F}}),
         "TagSize=" + num(0x0FFFFFFF)},
        {"size FF 80 81 80", concat({raw("ID3"), Bytes{3, 0, 0, 0xFF, 0x80, 0x81, 0x80}}),
         "TagSize=" + num((0x7F << 21) | (0x01 << 7))},
        {"revision and flag bits",
         file(Id3v2Builder(2, 7).flags(0x20 | 0x1F).frame(f2("TT2", "x"))),
         "Revision=7|Experimental=1|Unsync=0|ExtHeader=0|Title=x"},
        // In ID3v2.2 bit 6 is set but no extended header is read: the frame is at 10.
        {"extended-header flag below version 3",
         file(Id3v2Builder(2).flags(0x40).frame(f2("TT2", "Two"))),
         "ExtHeader=1|Title=Two|CrcPresent=0"},
        {"extended header without CRC: first frame at 20",
         file(ext(test::extendedHeaderV23(0), f3("TIT2", "After"))),
         "ExtHeader=1|CrcPresent=0|Crc=0|Title=After"},
        {"extended header with CRC: first frame at 24",
         file(ext(test::extendedHeaderV23(0, 0x00000100), f3("TIT2", "After CRC"))),
         "CrcPresent=1|Crc=128|Title=After CRC"},
        {"CRC bytes taken whole and weighted by 128",
         file(ext(test::extendedHeaderV23(0, 0x12FF8001), f3("TIT2", "t"))),
         "Crc=" + num(((0x12 * 128 + 0xFF) * 128 + 0x80) * 128 + 0x01)},
        {"extended header's own size not used", file(ext(wrongSize, f3("TIT2", "ok"))), "Title=ok"},
        // The CRC holds FF 00: stored as FF 00 00 and read back as FF 00.
        {"extended header through unsynchronisation",
         file(ext(test::extendedHeaderV23(0, 0xFF000001), f3("TIT2", "sync")).unsync()),
         "Unsync=1|Crc=" + num(((0xFF * 128 + 0) * 128 + 0) * 128 + 1) + "|Title=sync"},
    });
}

TEST(Id3v2ReaderTest, PaddingSizeBoundsTheWalk) {
    // Two frames and padding; the padding size field (bytes taken whole and
    // weighted by 128) puts the walk's end just after or on the second frame's
    // header. The walk goes on while the next frame's 0-based offset is below
    // TagSize + 9 - padding.
    const Bytes first = f3("TIT2", "one");
    const Bytes second = f3("TPE1", "two");
    auto withPadding = [&](const Bytes& field) {
        Bytes ext = concat({test::be32(6), Bytes{0, 0}, field});
        return file(Id3v2Builder(3).extendedHeader(ext).frame(first).frame(second).padding(400));
    };
    auto weighted = [](std::int64_t padding) {
        return Bytes{0, 0, static_cast<std::uint8_t>(padding / 128),
                     static_cast<std::uint8_t>(padding % 128)};
    };
    const std::int64_t tagSize = 10 + first.size() + second.size() + 400;
    const std::int64_t largest = tagSize + 8 - (10 + 10 + first.size());
    ASSERT_GT(largest, 255);  // the weighting matters
    check({
        {"second frame just inside", withPadding(weighted(largest)), "Title=one|Artist=two"},
        {"second frame on the boundary", withPadding(weighted(largest + 1)), "Title=one|Artist="},
        {"huge padding", withPadding({0xFF, 0xFF, 0xFF, 0xFF}), "Title=one|Artist="},
    });
}

TEST(Id3v2ReaderTest, TextFrames) {
    const std::string sjisTitle = utf8(u8"日本語のタイトル～①");
    const std::string wide = utf8(u8"日本語の歌🎵");
    const std::string shifted = utf8(u8"\u4100\u4200");
    check({
        {"encoding 0, no terminator", titled({0, 0x48, 0x65, 0x6C, 0x6C, 0x6F}),
         "Title=Hello|Encode=0"},
        {"all text fields of version 2.3",
         tagOf(3,
               {f3("TIT2", "Title"), f3("TPE1", "Artist"), f3("TALB", "Album"), f3("TRCK", "5/12"),
                f3("TCON", "(17)Rock")},
               64),
         "Version=3|Title=Title|Artist=Artist|Album=Album|Track=5/12|Genre=(17)Rock"},
        {"all fields of version 2.2",
         tagOf(2,
               {f2("TT2", "Title"), f2("TP1", "Artist"), f2("TAL", "Album"), f2("TRK", "3"),
                f2("TCO", "Pop"), f2("TYE", "1998"), f2("TDA", "0304"),
                frameV22("COM", commentBody(0, "jpn", raw("d"), raw("c")))},
               30),
         "Version=2|Title=Title|Artist=Artist|Album=Album|Track=3|Genre=Pop|Year=1998|Day=403|"
         "CommentDesc=d|Comment=c"},
        {"IDs of the other version or case",
         tagOf(3, {f3("TT2 ", "no"), f3("TDAT", "2512"), f3("tit2", "no"), f3("TPE1", "yes")}),
         "Title=|Day=|Artist=yes"},
        {"Shift-JIS in encoding 0", tagOf(3, {f3("TIT2", sjisTitle)}), "Title=" + sjisTitle},
        // FF FE is little-endian, FE FF big-endian, no mark little-endian; the mark
        // decides, so units in the other order read as other characters.
        {"UTF-16 FF FE", titled({1, 0xFF, 0xFE, 0x41, 0, 0x42, 0}), "Title=AB|Encode=1"},
        {"UTF-16 FE FF", titled({1, 0xFE, 0xFF, 0, 0x41, 0, 0x42, 0, 0}), "Title=AB|Encode=1"},
        {"UTF-16 without mark", titled({1, 0x41, 0, 0x42, 0, 0, 0}), "Title=AB|Encode=1"},
        {"FE FF over little-endian", titled({1, 0xFE, 0xFF, 0x41, 0, 0x42, 0, 0, 0}),
         "Title=" + shifted + "|Encode=1"},
        {"FF FE over big-endian", titled({1, 0xFF, 0xFE, 0, 0x41, 0, 0x42}),
         "Title=" + shifted + "|Encode=1"},
        {"UTF-16 without mark, Japanese", titled(textBody(1, utf16(utf8(u8"無印"), false, false))),
         "Title=" + utf8(u8"無印") + "|Encode=1"},
        {"supplementary character", tagOf(3, {u3("TPE1", wide)}), "Artist=" + wide},
        {"big-endian in version 2.2", tagOf(2, {frameV22("TP1", textBody(1, utf16(wide, true)))}),
         "Artist=" + wide},
        {"frame of one byte", tagOf(3, {f3("TIT2", "first"), frameV23("TIT2", {0})}), "Title="},
        {"frame of no bytes", tagOf(3, {f3("TIT2", "first"), frameV23("TIT2", {})}), "Title="},
        {"the last frame wins",
         tagOf(3, {f3("TIT2", "first"), f3("TPE1", "artist"), u3("TIT2", "second")}),
         "Title=second|Artist=artist"},
        {"unknown encoding",
         tagOf(3, {f3("TIT2", "first"), frameV23("TIT2", textBody(3, raw("utf-8 text")))}),
         "Title="},
        {"encoding 0 terminator", titled(raw(std::string("\0A\0B", 4))), "Title=A"},
        {"UTF-16 terminator",
         tagOf(3, {frameV23("TIT2", concat({Bytes{1}, utf16("A"), Bytes{0, 0}, utf16("B")}))}),
         "Title=A"},
        // Short UTF-16 frames give what is there.
        {"odd byte after the mark", titled({1, 0xFF, 0xFE, 0x41}), "Title="},
        {"UTF-16 lone mark", titled({1, 0xFF, 0xFE}), "Title="},
        {"UTF-16 half a mark", titled({1, 0xFF}), "Title="},
        {"UTF-16 one unit", titled({1, 0x41, 0}), "Title=A"},
    });
}

TEST(Id3v2ReaderTest, YearAndDay) {
    // The year is its leading number; the day is stored day first, read month first
    // (the rules' own cases are in reader_detail_test.cpp).
    check({
        {"year", tagOf(3, {f3("TYER", "1999-12-25")}), "Year=1999"},
        {"no year", tagOf(3, {f3("TYER", "abc")}), "Year=0"},
        {"day", tagOf(3, {f3("TDAY", "0105")}), "Day=501"},
        {"no day", tagOf(3, {f3("TDAY", "x")}), "Day=0"},
        {"UTF-16 year", tagOf(3, {u3("TYER", "2010")}), "Year=2010"},
        {"year frame of one byte", tagOf(3, {f3("TYER", "2003"), frameV23("TYER", {0})}), "Year="},
        {"empty day frame leaves the year",
         tagOf(3, {f3("TYER", "2003"), f3("TDAY", "2512"), frameV23("TDAY", {})}),
         "Year=2003|Day="},
    });
}

TEST(Id3v2ReaderTest, CommentFrames) {
    const Bytes eng{0x00, 0x65, 0x6E, 0x67, 0x00};
    check({
        {"empty description", tagOf(3, {frameV23("COMM", concat({eng, raw("hi")}))}),
         "CommentDesc=|Comment=hi"},
        {"five bytes give both empty",
         tagOf(3, {frameV23("COMM", commentBody(0, "eng", raw("d"), raw("c"))),
                   frameV23("COMM", eng)}),
         "CommentDesc=|Comment="},
        {"Shift-JIS",
         tagOf(3, {frameV23("COMM", commentBody(0, "jpn", test::sjis(utf8(u8"説明")),
                                                test::sjis(utf8(u8"コメント\n二行目"))))}),
         "CommentDesc=" + utf8(u8"説明") + "|Comment=" + utf8(u8"コメント\n二行目") + "|Encode=0"},
        {"UTF-16, each text with its own mark",
         tagOf(3, {frameV23("COMM", commentBody(1, "jpn", utf16(utf8(u8"説明")),
                                                utf16(utf8(u8"本文"), true), true))}),
         "CommentDesc=" + utf8(u8"説明") + "|Comment=" + utf8(u8"本文") + "|Encode=1"},
        // Many writers store an empty description as a bare 00 00.
        {"UTF-16 empty description without mark",
         tagOf(3, {frameV23("COMM", commentBody(1, "eng", Bytes{}, utf16("text")))}),
         "CommentDesc=|Comment=text"},
        {"version 2.2",
         tagOf(2, {frameV22("COM", commentBody(0, "eng", raw("desc"), raw("two-two")))}),
         "CommentDesc=desc|Comment=two-two"},
    });
}

TEST(Id3v2ReaderTest, EveryTruncationOfACommentReadsWithoutFailing) {
    // A comment frame cut anywhere, even inside its fixed part, gives the texts
    // that are there.
    const std::string desc = utf8(u8"説明");
    const std::string text = utf8(u8"本文です");
    // A cut Shift-JIS character may end in "?"; the rest must be a prefix.
    auto isPrefix = [](const std::string& whole, std::string part) {
        if (!part.empty() && part.back() == '?') part.pop_back();
        return whole.compare(0, part.size(), part) == 0;
    };
    for (std::uint8_t encoding : {0, 1}) {
        Bytes full = encoding == 0 ? commentBody(0, "jpn", test::sjis(desc), test::sjis(text))
                                   : commentBody(1, "jpn", utf16(desc), utf16(text));
        for (std::size_t n = 0; n <= full.size(); ++n) {
            Bytes cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
            Id3v2Tag t = readV2(tagOf(3, {frameV23("COMM", cut), f3("TPE1", "next")}));
            SCOPED_TRACE(testing::Message()
                         << "encoding " << int{encoding} << ", " << n << " bytes");
            EXPECT_EQ(t.Artist, "next");
            if (t.CommentDesc != desc) {
                EXPECT_TRUE(t.Comment.empty());
                EXPECT_TRUE(isPrefix(desc, t.CommentDesc)) << t.CommentDesc;
            } else {
                EXPECT_TRUE(isPrefix(text, t.Comment)) << t.Comment;
            }
            if (n == full.size()) {
                EXPECT_EQ(t.CommentDesc, desc);
                EXPECT_EQ(t.Comment, text);
            }
        }
    }
}

TEST(Id3v2ReaderTest, Encode) {
    const Bytes comm0 = frameV23("COMM", commentBody(0, "jpn", raw(""), raw("b")));
    const Bytes comm1 = frameV23("COMM", commentBody(1, "jpn", utf16(""), utf16("a")));
    std::vector<Case> cases = {
        {"comment wins over text frames", tagOf(3, {comm0, u3("TIT2", "wide")}), "Encode=0"},
        {"last comment decides", tagOf(3, {comm1, comm0}), "Encode=0|Comment=b"},
        // Without a comment the last text frame decides.
        {"last text frame wide", tagOf(3, {f3("TIT2", "narrow"), u3("TPE1", "wide")}), "Encode=1"},
        {"last text frame narrow", tagOf(3, {u3("TIT2", "wide"), f3("TYER", "2001")}), "Encode=0"},
        {"version 2.2 text frame", tagOf(2, {frameV22("TT2", utf16Text("wide"))}), "Encode=1"},
        {"frames outside the frame table do not count",
         tagOf(3, {f3("TIT2", "narrow"), u3("TPE2", "wide")}), "Encode=0"},
        {"empty frames tell nothing",
         tagOf(3, {u3("TIT2", "wide"), frameV23("COMM", {}), frameV23("TALB", {})}), "Encode=1"},
        {"no frames", tagOf(3, {}, 10), "Encode=0"},
    };
    // The comment frame's encoding byte decides: 1 gives 1, any other value 0.
    for (std::uint8_t e : {1, 0, 2, 3, 0xFF}) {
        Bytes body = e == 1 ? commentBody(1, "jpn", utf16(""), utf16("c"))
                            : commentBody(e, "jpn", raw(""), raw("c"));
        cases.push_back(
            {"comment encoding " + num(e),
             tagOf(3, {e == 1 ? f3("TIT2", "x") : u3("TIT2", "x"), frameV23("COMM", body)}),
             e == 1 ? "Encode=1" : "Encode=0"});
    }
    check(cases);
}

TEST(Id3v2ReaderTest, Unsynchronisation) {
    const std::string ffText = utf8(u8"\u00FF\uFFE0\u00FFx");
    // A 255-byte frame: its size ends in FF and is followed by the zero status flags.
    const Bytes long255 = concat({sjisText("long"), Bytes(255 - 6, 'x')});
    // The same stored bytes without the flag: the inserted zeros are content, so
    // 01 FF 00 FE FF 00 00 ... reads as U+00FF U+FFFE up to the next 00 00.
    Bytes noFlag = Id3v2Builder(3).frame(u3("TIT2", utf8(u8"\u00FFA"))).unsync().build();
    noFlag[5] = 0;
    check({
        // Content 00 'A' 00 FF E0 'Z': stored with FF 00 E0, its size still 6.
        {"frame size counts decoded bytes",
         syncTag(3, {frameV23("TIT2", {0, 'A', 0, 0xFF, 0xE0, 'Z'}), f3("TPE1", "after")}),
         "Unsync=1|Title=A|Artist=after"},
        // UTF-16 "ÿ" (FF 00) and "\uFFE0": every FF in the content must come back.
        {"text with FF bytes", syncTag(3, {u3("TIT2", ffText)}), "Title=" + ffText},
        {"size byte FF before the flags",
         syncTag(3, {frameV23("TIT2", long255), f3("TPE1", "next")}), "Title=long|Artist=next"},
        // The first frame ends in FF; the next frame's ID follows directly (no zero
        // is inserted), and after the last frame the padding starts with one.
        {"frames ending in FF",
         syncTag(3, {frameV23("TIT2", {0, 'a', 0, 0xFF}), frameV23("TALB", {0, 'b', 0, 0xFF})}, 8),
         "Title=a|Album=b"},
        {"version 2.2",
         syncTag(2, {frameV22("TT2", textBody(1, utf16(utf8(u8"ÿÿ")))), f2("TP1", "p")}),
         "Title=" + utf8(u8"ÿÿ") + "|Artist=p"},
        {"without the flag zeros after FF are content", withAudio(noFlag),
         "Unsync=0|Title=" + utf8(u8"\u00FF\uFFFE")},
    });
}

TEST(Id3v2ReaderTest, CompressedEncryptedAndGroupedFrames) {
    const std::string title = utf8(u8"圧縮されたタイトル");
    // The compression bit over content that is not zlib data.
    Bytes corrupt = frameV23("TIT2", concat({test::be32(20), sjisText("not compressed")}));
    corrupt[9] = 0x80;
    const Bytes cut =
        Id3v2Builder(3)
            .frame(f3("TIT2", "kept"))
            .frame(frameV23("TIT2", sjisText(std::string(300, 'q')), FrameOptions().compressed()))
            .build();
    const FrameOptions all = FrameOptions().compressed().encrypted(1).grouped(2);
    check({
        {"compressed title",
         tagOf(3, {frameV23("TIT2", sjisText(title), FrameOptions().compressed()),
                   f3("TPE1", "plain")}),
         "Title=" + title + "|Artist=plain"},
        {"compressed comment and unsync",
         syncTag(3,
                 {frameV23("COMM", commentBody(1, "jpn", utf16("d"), utf16(std::string(500, 'z'))),
                           FrameOptions().compressed()),
                  f3("TPE1", "plain")}),
         "Comment=" + std::string(500, 'z') + "|Artist=plain"},
        {"declared size larger than the text",
         titled(sjisText("abc"), FrameOptions().compressed(1'000'000)), "Title=abc"},
        {"corrupt compressed data is skipped",
         tagOf(3, {f3("TIT2", "kept"), corrupt, f3("TPE1", "next")}), "Title=kept|Artist=next"},
        {"compressed frame cut by the end of the file", Bytes(cut.begin(), cut.end() - 4),
         "Title=kept"},
        // Frame size 2 with compression: the declared-size bytes are still read and
        // the content is empty; nothing fails and the walk goes on.
        {"size too small for its extra bytes",
         tagOf(3,
               {concat({raw("TIT2"), test::be32(2), Bytes{0x00, 0x80}, test::be32(5)}),
                f3("TPE1", "next")},
               4),
         "Title=|Artist=next"},
        {"encrypted content is used as stored",
         tagOf(3, {frameV23("TIT2", sjisText("secret"), FrameOptions().encrypted(0x81)),
                   f3("TPE1", "next")}),
         "Title=secret|Artist=next"},
        {"group byte is skipped",
         tagOf(3, {frameV23("TIT2", sjisText("grouped"), FrameOptions().grouped(0x42)),
                   frameV23("TALB", sjisText("all"), all), f3("TPE1", "next")}),
         "Title=grouped|Album=all|Artist=next"},
        {"status flags are ignored", titled(sjisText("s"), FrameOptions().status(0xE0)), "Title=s"},
    });
}

TEST(Id3v2ReaderTest, FramesThatCannotBeInflatedAreSkipped) {
    std::vector<Case> cases;
    for (std::uint32_t declared : {0u, 3u /* smaller than the text */, 0xFFFFFFFFu,
                                   static_cast<std::uint32_t>(kMaxInflatedSize + 1)}) {
        const Bytes bad =
            frameV23("TIT2", sjisText("replacement"), FrameOptions().compressed(declared));
        cases.push_back({"declared " + num(declared),
                         tagOf(3, {u3("TIT2", "kept"), bad, f3("TPE1", "next")}),
                         "Title=kept|Artist=next"});
        // Nor does a skipped frame count as the last text frame read.
        cases.push_back({"declared " + num(declared) + ", last frame",
                         tagOf(3, {u3("TIT2", "kept"), bad}), "Encode=1"});
    }
    check(cases);
}

TEST(Id3v2ReaderTest, VersionRule) {
    // "あXY" is four bytes but three characters: the next frame has the 2.2 layout;
    // "あい" is two characters and leaves the version.
    const std::string three = codepage::encode(utf8(u8"あ")) + "XY";
    const std::string two = codepage::encode(utf8(u8"あい"));
    std::vector<Case> cases = {
        {"version 4 is walked with three-byte IDs",
         tagOf(4, {f3("TIT2", "four"), f3("TPE1", "four")}, 100), "Version=2|Title=|Artist="},
        {"version 4 with version 2.2 frames", tagOf(4, {f2("TT2", "read"), f2("TP1", "too")}, 10),
         "Version=2|Title=read|Artist=too"},
        {"three-character ID", tagOf(3, {frameV23(three, raw("skip")), f2("TT2", "switched")}, 10),
         "Version=2|Title=switched"},
        {"two-character ID", tagOf(3, {frameV23(two, raw("skip")), f3("TIT2", "stayed")}, 10),
         "Version=3|Title=stayed"},
    };
    for (std::uint8_t v : {0, 1, 5, 255}) {
        cases.push_back(
            {"major version " + num(v), tagOf(v, {f2("TT2", "x")}, 10), "Version=2|Title=x"});
    }
    check(cases);
}

TEST(Id3v2ReaderTest, TheWalk) {
    Bytes zeroStart = f3("TIT2", "x");
    zeroStart[0] = 0;
    const Bytes inside = f3("TIT2", "inside");
    Id3v2Builder zeroSized(3);
    for (int i = 0; i < 50; ++i)
        zeroSized.frame(frameV23("XXXX", {}));
    zeroSized.frame(f3("TIT2", "last"));
    const Bytes picture =
        concat({Bytes{0}, raw("image/jpeg"), Bytes{0, 3, 0}, test::fakeAudio(20000, 9)});
    check({
        {"zero ID ends the walk",
         tagOf(3, {f3("TIT2", "before"), Bytes(20, 0), f3("TPE1", "after padding")}),
         "Title=before|Artist=|Version=3"},
        {"ID starting with zero ends the walk", tagOf(3, {zeroStart, f3("TPE1", "after")}),
         "Artist="},
        {"frames after the tag are not read",
         file(Id3v2Builder(3)
                  .frame(inside)
                  .frame(f3("TPE1", "outside"))
                  .sizeField(static_cast<std::uint32_t>(inside.size()))),
         "Title=inside|Artist="},
        {"tag filled exactly by frames",
         tagOf(3, {f3("TIT2", "a"), f3("TPE1", "b"), f3("TALB", "c")}), "Title=a|Artist=b|Album=c"},
        // Nothing past the tag is read, so the one frame header read is all zeros.
        {"tag of size 0, version 3", file(Id3v2Builder(3).frame(f3("TIT2", "beyond")).sizeField(0)),
         "TagSize=0|Title=|Version=3"},
        {"tag of size 0, version 2", file(Id3v2Builder(2).frame(f2("TT2", "beyond")).sizeField(0)),
         "Title=|Version=2"},
        // The frame says 100 bytes; the tag ends after 6 of them, and audio follows.
        {"frame running past the tag reads zeros there",
         tagOf(3, {concat({raw("TIT2"), test::be32(100), Bytes{0, 0, 0x00}, raw("Cut")})}),
         "Title=Cut"},
        {"zero-size frames advance", file(zeroSized), "Title=last"},
        {"unknown frames are skipped whole",
         tagOf(3, {f3("TIT2", "t"), frameV23("APIC", picture), f3("TPE1", "after picture")}, 1024),
         "Title=t|Artist=after picture"},
    });
}

TEST(Id3v2ReaderTest, CutAndCorruptTags) {
    // The last byte of the file is 0xFF: the zero it looks for lies past the end.
    const Bytes endsInFf =
        concat({raw("TIT2"), test::be32(6), Bytes{0, 0}, Bytes{1, 0xFF, 0xFE, 'A', 0, 0xFF}});
    check({
        {"tag size far beyond the file",
         Id3v2Builder(3).frame(f3("TIT2", "small")).sizeField(0x0FFFFFFF).build(),
         "TagSize=" + num(0x0FFFFFFF) + "|Title=small"},
        {"tag size beyond a large file",
         Id3v2Builder(3)
             .frame(frameV23("APIC", test::fakeAudio(9000, 4)))
             .frame(f3("TIT2", "late"))
             .sizeField(0x0FFFFFFF)
             .build(),
         "Title=late"},
        {"unsynchronised tag ending in FF",
         concat({test::id3v2Header(3, 0, 0x80, static_cast<std::uint32_t>(endsInFf.size())),
                 endsInFf}),
         "Title=A"},
        {"large tag read whole",
         tagOf(3, {frameV23("APIC", test::fakeAudio(200000, 5)), f3("TIT2", "after 200 KB")}),
         "Title=after 200 KB"},
    });
}

TEST(Id3v2ReaderTest, FileEndsInsideEveryPartOfTheTag) {
    Bytes tag = Id3v2Builder(3)
                    .extendedHeader(test::extendedHeaderV23(0, 1))
                    .frame(f3("TIT2", "title"))
                    .frame(frameV23("COMM", commentBody(1, "jpn", utf16("d"), utf16("c"))))
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

TEST(Id3v2ReaderTest, HugeFrameSizesDoNotStall) {
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

TEST(Id3v2ReaderTest, TagEndingAroundTheFirstReadIsReadWhole) {
    // The file is read in a first block of some KB and then the rest of the tag;
    // a last frame on either side of that edge must be read whole.
    for (std::size_t tagEnd = 1000; tagEnd <= 70000; tagEnd = tagEnd * 3 / 2) {
        for (std::size_t delta = 0; delta < 3; ++delta) {
            const std::size_t end = tagEnd + delta;
            Bytes last = f3("TIT2", "end");
            Bytes filler = frameV23("PRIV", Bytes(end - 10 - 10 - last.size(), 'f'));
            Bytes tag = Id3v2Builder(3).frame(filler).frame(last).build();
            ASSERT_EQ(tag.size(), end);
            EXPECT_EQ(readV2(withAudio(tag)).Title, "end") << end;
            EXPECT_EQ(readV2(tag).Title, "end") << end;  // the tag is the whole file
        }
    }
}

TEST(Id3v2ReaderTest, WhatFollowsTheTagIsNeverRead) {
    // parseID3v2 over a whole file ignores what lies past the tag, as the file
    // read does, whatever follows.
    Bytes tag = Id3v2Builder(3).frame(f3("TIT2", "x")).build();
    for (const Bytes& after : {Bytes{}, raw("TPE1"), test::fakeAudio(500, 1), Bytes(300, 0xFF)}) {
        Id3v2Tag t = readV2(concat({tag, after}));
        EXPECT_EQ(t.Title, "x");
        EXPECT_EQ(t.Artist, "");
    }
}

}  // namespace
}  // namespace tagshelf

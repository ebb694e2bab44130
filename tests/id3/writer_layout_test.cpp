// The bytes the writers make (ID3v1 blocks, ID3v2 frames and tags) and the rules
// that turn the edit window's fields into tags.
#include <array>

#include <gtest/gtest.h>

#include "id3/reader.h"
#include "id3/writer.h"
#include "tests/support/tag_builder.h"
#include "tests/support/test_support.h"

namespace tagshelf {
namespace {

using test::Bytes;
using test::concat;
using test::raw;

using test::u8s;

TEST(Id3v1Block, WholeBlocks) {
    // 16 double-byte characters: a 30-byte field holds 15, a 28-byte one 14; after
    // one single-byte character the 15th would be split, so the field ends in 0.
    std::string sixteen;
    for (int i = 0; i < 16; ++i)
        sixteen += u8s(u8"曲");
    auto first = [&](int n) { return test::sjis(sixteen.substr(0, std::size_t(n) * 3)); };
    const Id3v1Tag full{0, sixteen, "a" + sixteen, "Album", "2003", sixteen, 7, 17};
    const Bytes texts = concat(
        {raw("TAG"), first(15), raw("a"), first(14), {0}, raw("Album"), Bytes(25, 0), raw("2003")});
    const struct {
        Id3v1Tag tag;
        std::uint8_t code;
        Bytes expected;
    } cases[] = {
        {full, kID3v1, concat({texts, first(15), {17}})},
        {full, kID3v11, concat({texts, first(14), {0x00, 7, 17}})},
        {{0, "", "", "", "0", "", 0, 12}, kID3v1, concat({raw("TAG"), Bytes(124, 0), {12}})},
    };
    for (const auto& c : cases) {
        const auto block = fncID3v1Block(c.tag, c.code);
        EXPECT_EQ(Bytes(block.begin(), block.end()), c.expected) << int{c.code};
    }
}

TEST(Dispatch, Id3v1Fields) {
    EditFields f;
    f.cmbGenre = 5;
    EXPECT_EQ(fncID3v1FromFields(f, kID3v1)->Year, "0");
    f.txtYear = "20/03";
    f.txtTrack = "7";
    EXPECT_EQ(fncID3v1FromFields(f, kID3v1)->Year, "2003");
    EXPECT_EQ(fncID3v1FromFields(f, kID3v1)->Track, 0);
    EXPECT_EQ(fncID3v1FromFields(f, kID3v11)->Track, 7);
    for (const char* track : {"256", "-1"}) {
        f.txtTrack = track;
        EXPECT_EQ(fncID3v1FromFields(f, kID3v11).status().error().number, ERANGE) << track;
    }
    f.txtTrack = "";
    f.cmbGenre = -1;
    EXPECT_FALSE(fncID3v1FromFields(f, kID3v1).ok());
}

TEST(Dispatch, Id3v2Fields) {
    // Track, total, year, month, day, genre name and number; then the tag's
    // Year|Day|Track|Genre.
    const std::array<const char*, 8> cases[] = {
        // No year frame for an empty box; "999" is a genre without a number.
        {"", "", "", "", "", "Rock", "999", "|||Rock"},
        {"3", "12", "0000", "10", "5", "Rock", "17", "0|0510|3/12|(17)Rock"},
        {"3/12", "", "0003", "", "7", "Rock", "", "3|07|312|Rock"},
    };
    for (const auto& c : cases) {
        EditFields f;
        f.txtTRCK1 = c[0];
        f.txtTRCK2 = c[1];
        f.txtTYER = c[2];
        f.txtTDAT1 = c[3];
        f.txtTDAT2 = c[4];
        f.txtTCON = c[5];
        f.txtTCONNo = c[6];
        Id3v2Tag tag;
        subID3v2FromFields(f, kID3v23, tag);
        EXPECT_EQ(tag.Year + "|" + tag.Day + "|" + tag.Track + "|" + tag.Genre, c[7]);
    }
}

Id3v2Tag v2Tag(std::uint8_t version, std::uint8_t encoding, bool unsync = false,
               std::string description = "") {
    Id3v2Tag tag;
    tag.Version = version;
    tag.Encode = encoding;
    tag.Unsync = unsync;
    tag.CommentDesc = std::move(description);
    return tag;
}

Bytes frameOf(std::string_view id, const Id3v2Tag& tag, std::string_view text) {
    TagBytes out;
    (tag.Version == 2 ? subPutFrameV22 : subPutFrameV23)(id, tag, text, out);
    return out;
}

TEST(Frames, BothVersionsEncodingsAndUnsynchronisation) {
    const Bytes wide{0x01, 0xFF, 0xFE, 'a', 0x00, 'b', 0x00, 'c', 0x00, 0x00, 0x00};
    const struct {
        const char* id;
        Id3v2Tag tag;
        std::string text;
        Bytes expected;
    } cases[] = {
        {"TIT2", v2Tag(3, 0), "abc",
         concat({raw("TIT2"), {0, 0, 0, 5, 0, 0, 0, 'a', 'b', 'c', 0}})},
        {"TIT2", v2Tag(3, 1), "abc", concat({raw("TIT2"), {0, 0, 0, 11, 0, 0}, wide})},
        {"TT2", v2Tag(2, 0), "abc", concat({raw("TT2"), {0, 0, 5, 0, 'a', 'b', 'c', 0}})},
        {"TT2", v2Tag(2, 1), "abc", concat({raw("TT2"), {0, 0, 11}, wide})},
        {"TIT2", v2Tag(3, 0), "", {}},
        {"COMM", v2Tag(3, 1), "", {}},
        // CR LF becomes LF in the comment text only.
        {"COMM", v2Tag(3, 0, false, "d\r\n"), "a\r\nb\rc",
         concat({raw("COMM"), {0, 0, 0, 13, 0, 0, 0}, raw("jpnd\r\n"), {0}, raw("a\nb\rc")})},
        {"COMM", v2Tag(3, 1, false, "d"), "hi",
         concat({raw("COMM"),
                 {0, 0, 0, 16, 0, 0, 1},
                 raw("jpn"),
                 {0xFF, 0xFE, 'd', 0, 0, 0, 0xFF, 0xFE, 'h', 0, 'i', 0}})},
        {"COM", v2Tag(2, 0), "hi", concat({raw("COM"), {0, 0, 7, 0}, raw("jpn"), {0}, raw("hi")})},
        // U+FF61 U+30E0 U+FF71: 61 FF E0 30 71 FF; a zero goes after FF before FE,
        // E0 and the terminator's 00; the size counts the body without them.
        {"TIT2", v2Tag(3, 1, true), u8s(u8"｡ムｱ"),
         concat({raw("TIT2"),
                 {0, 0, 0, 11, 0, 0},
                 {1, 0xFF, 0, 0xFE, 0x61, 0xFF, 0, 0xE0, 0x30, 0x71, 0xFF, 0, 0, 0}})},
        // U+30DF: FF DF gets nothing.
        {"TT2", v2Tag(2, 1, true), u8s(u8"｡ミ"),
         concat({raw("TT2"), {0, 0, 9}, {1, 0xFF, 0, 0xFE, 0x61, 0xFF, 0xDF, 0x30, 0, 0}})},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(frameOf(c.id, c.tag, c.text), c.expected) << c.id << " " << c.text;
    }
}

TEST(Tag, HeaderSizeFrameOrderAndNoFinalFF) {
    Id3v2Tag full = v2Tag(2, 0), fullV23 = v2Tag(3, 1, true);
    for (Id3v2Tag* t : {&full, &fullV23}) {
        t->Album = "b";
        t->Genre = "g";
        t->Title = std::string(200, 't');  // a size above 127
        t->Artist = "a";
        t->Track = "1";
        t->Year = "3";
        t->Day = "510";
        t->Comment = "c";
    }
    auto commented = [](std::uint8_t version, const char8_t* text, bool unsync) {
        Id3v2Tag t = v2Tag(version, 1, unsync);
        t.Comment = u8s(text);
        return t;
    };
    // "ｱ" in UTF-16 is 71 FF and "Ｂ" 22 FF: an unsynchronised tag ending in FF gets a
    // zero of padding; "ア" ends in 30.
    const std::pair<Id3v2Tag, bool> cases[] = {{full, false},
                                               {fullV23, false},
                                               {commented(3, u8"aｱ", true), true},
                                               {commented(2, u8"Ｂ", true), true},
                                               {commented(3, u8"aｱ", false), false},
                                               {commented(3, u8"ア", true), false}};
    for (const auto& [tag, padded] : cases) {
        const bool v23 = tag.Version == 3;
        const std::pair<const char*, std::string> order[] = {
            {v23 ? "TALB" : "TAL", tag.Album},
            {v23 ? "TCON" : "TCO", tag.Genre},
            {v23 ? "TIT2" : "TT2", tag.Title},
            {v23 ? "TPE1" : "TP1", tag.Artist},
            {v23 ? "TRCK" : "TRK", tag.Track},
            {v23 ? "TYER" : "TYE", tag.Year.empty() ? "" : "0003"},
            {v23 ? "TDAY" : "TDA", tag.Day.empty() ? "" : "0510"},
            {v23 ? "COMM" : "COM", tag.Comment}};
        Bytes frames;
        for (const auto& [id, text] : order)
            test::append(frames, frameOf(id, tag, text));
        if (padded) frames.push_back(0);
        const TagBytes bytes = *fncID3v2TagBytes(tag);
        EXPECT_EQ(bytes, concat({raw("ID3"),
                                 {tag.Version, 0, std::uint8_t(tag.Unsync ? 0x80 : 0)},
                                 test::syncsafe(static_cast<std::uint32_t>(frames.size())),
                                 frames}))
            << tag.Comment;
        // Read back, the tag ends where its size says and gives the same comment.
        const Id3v2Tag read = parseID3v2(concat({bytes, {0xFF, 0xFB, 0x90, 0x00}}));
        EXPECT_EQ(read.Comment, tag.Comment);
        EXPECT_EQ(read.TagSize + 10, static_cast<std::int64_t>(bytes.size()));
    }
}

}  // namespace
}  // namespace tagshelf

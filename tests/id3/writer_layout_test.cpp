// The bytes the writers produce: the ID3v1/ID3v1.1 block, ID3v2 frame headers and
// bodies in both versions and encodings, the tag header and size, frame order,
// unsynchronisation, and the dispatch's rules that turn the edit window's fields
// into tag records.
#include <gtest/gtest.h>

#include "id3/writer.h"
#include "id3/writer_numbers.h"
#include "tests/id3/tag_builder.h"
#include "tests/id3/write_support.h"

namespace tagshelf {
namespace {

using test::Bytes;
using test::concat;
using test::raw;

std::string utf8(const char8_t* s) {
    return reinterpret_cast<const char*>(s);
}

Bytes blockOf(const Id3v1Tag& tag, std::uint8_t code) {
    auto block = fncID3v1Block(tag, code);
    return Bytes(block.begin(), block.end());
}

Bytes field(std::string_view text, std::size_t width) {
    Bytes out = raw(text);
    out.resize(width, 0x00);
    return out;
}

Bytes tagBytes(const Id3v2Tag& tag) {
    Result<TagBytes> bytes = fncID3v2TagBytes(tag);
    EXPECT_TRUE(bytes.ok());
    return bytes.ok() ? *bytes : Bytes{};
}

Id3v2Tag v2Tag(std::uint8_t version, std::uint8_t encoding = 0) {
    Id3v2Tag tag;
    tag.Version = version;
    tag.Encode = encoding;
    return tag;
}

// ---------------------------------------------------------------------------
// ID3v1 block.

TEST(Id3v1Block, FieldsAtTheirOffsetsAndZeroElsewhere) {
    Id3v1Tag tag;
    tag.Title = "Title";
    tag.Artist = "Artist";
    tag.Album = "Album";
    tag.Year = "2003";
    tag.Comment = std::string(30, 'c');
    tag.Genre = 17;
    Bytes expected = concat({raw("TAG"),
                             field("Title", 30),
                             field("Artist", 30),
                             field("Album", 30),
                             raw("2003"),
                             raw(std::string(30, 'c')),
                             {17}});
    EXPECT_EQ(blockOf(tag, kID3v1), expected);
}

TEST(Id3v1Block, Version11PutsZeroAndTrackAfterA28ByteComment) {
    Id3v1Tag tag;
    tag.Comment = std::string(30, 'c');  // cut to 28 for ID3v1.1
    tag.Track = 7;
    tag.Genre = 255;
    Bytes block = blockOf(tag, kID3v11);
    EXPECT_EQ(Bytes(block.begin() + 97, block.begin() + 125), raw(std::string(28, 'c')));
    EXPECT_EQ(block[125], 0x00);
    EXPECT_EQ(block[126], 0x07);
    EXPECT_EQ(block[127], 0xFF);
}

TEST(Id3v1Block, Version1LeavesOffsets125And126ZeroAfterA28ByteComment) {
    Id3v1Tag tag;
    tag.Comment = std::string(28, 'c');
    tag.Track = 9;  // not written for ID3v1
    Bytes block = blockOf(tag, kID3v1);
    EXPECT_EQ(block[125], 0x00);
    EXPECT_EQ(block[126], 0x00);
}

TEST(Id3v1Block, YearIsWrittenWithoutLeadingZerosAndZeroGivesNothing) {
    Id3v1Tag tag;
    tag.Year = "0";
    Bytes block = blockOf(tag, kID3v1);
    EXPECT_EQ(Bytes(block.begin() + 93, block.begin() + 97), Bytes(4, 0x00));
    tag.Year = "987";
    block = blockOf(tag, kID3v1);
    EXPECT_EQ(Bytes(block.begin() + 93, block.begin() + 97), field("987", 4));
    tag.Year = "12345";  // cut to the field
    block = blockOf(tag, kID3v1);
    EXPECT_EQ(Bytes(block.begin() + 93, block.begin() + 98), concat({raw("1234"), {0x00}}));
}

TEST(Id3v1Block, LongTextsAreCutToTheirFieldsAndNeverRunIntoTheNext) {
    Id3v1Tag tag;
    tag.Title = std::string(40, 't');
    tag.Artist = std::string(31, 'a');
    tag.Album = std::string(30, 'b');
    tag.Comment = std::string(50, 'c');
    Bytes block = blockOf(tag, kID3v1);
    EXPECT_EQ(Bytes(block.begin() + 3, block.begin() + 33), raw(std::string(30, 't')));
    EXPECT_EQ(Bytes(block.begin() + 33, block.begin() + 63), raw(std::string(30, 'a')));
    EXPECT_EQ(Bytes(block.begin() + 63, block.begin() + 93), raw(std::string(30, 'b')));
    EXPECT_EQ(Bytes(block.begin() + 97, block.begin() + 127), raw(std::string(30, 'c')));
    EXPECT_EQ(block[127], 0x00);
}

TEST(Id3v1Block, ShiftJisTextsAreCutAtAWholeCharacter) {
    Id3v1Tag tag;
    // 16 double-byte characters (32 bytes): 15 fit.
    std::string sixteen;
    for (int i = 0; i < 16; ++i)
        sixteen += utf8(u8"曲");
    tag.Title = sixteen;
    // One single-byte and 15 double-byte characters (31 bytes): the last would
    // be split, so it goes and the field ends in a zero.
    tag.Artist = "a" + sixteen.substr(0, 15 * 3);
    Bytes block = blockOf(tag, kID3v1);
    Bytes title(block.begin() + 3, block.begin() + 33);
    EXPECT_EQ(title, test::sjis(sixteen.substr(0, 15 * 3)));
    Bytes artist(block.begin() + 33, block.begin() + 63);
    EXPECT_EQ(artist, concat({raw("a"), test::sjis(sixteen.substr(0, 14 * 3)), {0x00}}));
    // ID3v1.1 comment: 28 bytes = 14 characters.
    tag.Comment = sixteen;
    block = blockOf(tag, kID3v11);
    EXPECT_EQ(Bytes(block.begin() + 97, block.begin() + 125),
              test::sjis(sixteen.substr(0, 14 * 3)));
}

// ---------------------------------------------------------------------------
// Dispatch rules for ID3v1.

TEST(Id3v1Fields, YearRules) {
    auto yearOf = [](std::string box) {
        EditFields f = test::v1Fields("");
        f.txtYear = std::move(box);
        return fncID3v1FromFields(f, kID3v1)->Year;
    };
    EXPECT_EQ(yearOf(""), "0");
    EXPECT_EQ(yearOf("00/00"), "0");
    EXPECT_EQ(yearOf("20/03"), "2003");
    EXPECT_EQ(yearOf("2003"), "2003");
    EXPECT_EQ(yearOf("0099"), "99");
    EXPECT_EQ(yearOf("x"), "0");
}

TEST(Id3v1Fields, TrackIsReadAsANumberForId3v11Only) {
    EditFields f = test::v1Fields("t");
    f.txtTrack = "7";
    EXPECT_EQ(fncID3v1FromFields(f, kID3v11)->Track, 7);
    EXPECT_EQ(fncID3v1FromFields(f, kID3v11)->IsV11, 1);
    EXPECT_EQ(fncID3v1FromFields(f, kID3v1)->Track, 0);
    f.txtTrack = "";
    EXPECT_EQ(fncID3v1FromFields(f, kID3v11)->Track, 0);
    f.txtTrack = "255";
    EXPECT_EQ(fncID3v1FromFields(f, kID3v11)->Track, 255);
}

TEST(Id3v1Fields, TrackOutside0To255IsRefusedForId3v11) {
    EditFields f = test::v1Fields("t");
    for (const char* track : {"256", "999", "-1", "70000"}) {
        f.txtTrack = track;
        Result<Id3v1Tag> tag = fncID3v1FromFields(f, kID3v11);
        ASSERT_FALSE(tag.ok()) << track;
        EXPECT_EQ(tag.error().number, ERANGE);
    }
    // The box is hidden for ID3v1: its content does not matter there.
    f.txtTrack = "999";
    EXPECT_TRUE(fncID3v1FromFields(f, kID3v1).ok());
}

TEST(Id3v1Fields, GenreIsTheListPositionAndNoneIsRefused) {
    EditFields f = test::v1Fields("t", 255);
    EXPECT_EQ(fncID3v1FromFields(f, kID3v1)->Genre, 255);
    f.cmbGenre = -1;
    EXPECT_FALSE(fncID3v1FromFields(f, kID3v1).ok());
    f.cmbGenre = 256;
    EXPECT_FALSE(fncID3v1FromFields(f, kID3v1).ok());
}

TEST(Id3v1Fields, TextsAsTheyStand) {
    EditFields f = test::v1Fields("  Title ");
    f.txtArtist = "A";
    f.txtAlbum = "B";
    f.txtComment = "C ";
    Id3v1Tag tag = *fncID3v1FromFields(f, kID3v1);
    EXPECT_EQ(tag.Title, "  Title ");
    EXPECT_EQ(tag.Artist, "A");
    EXPECT_EQ(tag.Album, "B");
    EXPECT_EQ(tag.Comment, "C ");
}

// ---------------------------------------------------------------------------
// Dispatch rules for ID3v2.

TEST(Id3v2Fields, YearDayTrackGenreAndEncodingRules) {
    EditFields f;
    Id3v2Tag tag;
    auto fill = [&] {
        tag = Id3v2Tag();
        subID3v2FromFields(f, kID3v23, tag);
    };
    fill();
    EXPECT_EQ(tag.Year, "0");
    EXPECT_EQ(tag.Day, "");
    EXPECT_EQ(tag.Track, "");
    EXPECT_EQ(tag.Genre, "");
    EXPECT_EQ(tag.Version, 3);
    EXPECT_EQ(tag.Encode, 0);

    f.txtTYER = "0000";
    fill();
    EXPECT_EQ(tag.Year, "0");
    f.txtTYER = "0003";
    fill();
    EXPECT_EQ(tag.Year, "3");
    f.txtTYER = "2003";
    fill();
    EXPECT_EQ(tag.Year, "2003");

    f.txtTDAT1 = "10";  // month
    f.txtTDAT2 = "5";   // day
    fill();
    EXPECT_EQ(tag.Day, "0510");
    f.txtTDAT2 = "";
    fill();
    EXPECT_EQ(tag.Day, "10");
    f.txtTDAT1 = "";
    f.txtTDAT2 = "7";
    fill();
    EXPECT_EQ(tag.Day, "07");

    f.txtTRCK1 = "3";
    f.txtTRCK2 = "12";
    fill();
    EXPECT_EQ(tag.Track, "3/12");
    f.txtTRCK2 = "";
    fill();
    EXPECT_EQ(tag.Track, "3");
    f.txtTRCK1 = "3/12";  // a whole "n/m" text with an empty total box
    fill();
    EXPECT_EQ(tag.Track, "312");
    f.txtTRCK1 = "/";
    fill();
    EXPECT_EQ(tag.Track, "");

    f.txtTCON = "Rock";
    f.txtTCONNo = "17";
    fill();
    EXPECT_EQ(tag.Genre, "(17)Rock");
    f.txtTCONNo = "";
    fill();
    EXPECT_EQ(tag.Genre, "Rock");

    f.optEncode = 1;
    fill();
    EXPECT_EQ(tag.Encode, 1);

    subID3v2FromFields(f, kID3v22, tag);
    EXPECT_EQ(tag.Version, 2);
}

TEST(Id3v2Fields, TheOldTagsUnsyncFlagAndCommentDescriptionAreKept) {
    Id3v2Tag tag;
    tag.Unsync = true;
    tag.CommentDesc = "desc";
    tag.Revision = 5;
    EditFields f;
    f.txtCOMM2 = "text";
    subID3v2FromFields(f, kID3v23, tag);
    EXPECT_TRUE(tag.Unsync);
    EXPECT_EQ(tag.CommentDesc, "desc");
    EXPECT_EQ(tag.Comment, "text");
    EXPECT_EQ(tag.Revision, 0);
}

TEST(Numbers, LeadingNumberAndFormats) {
    EXPECT_EQ(numbers::leadingNumber("2003"), 2003);
    EXPECT_EQ(numbers::leadingNumber(" 19 99-12"), 1999);
    EXPECT_EQ(numbers::leadingNumber("12.5x"), 12.5);
    EXPECT_EQ(numbers::leadingNumber("abc"), 0);
    EXPECT_EQ(numbers::leadingNumber(""), 0);
    EXPECT_EQ(numbers::leadingNumber(std::string("20\0\0", 4)), 20);
    EXPECT_EQ(numbers::decimalText(2003), "2003");
    EXPECT_EQ(numbers::decimalText(12.5), "12.5");
    EXPECT_EQ(numbers::formatNumberText("5", 2), "05");
    EXPECT_EQ(numbers::formatNumberText("123", 2), "123");
    EXPECT_EQ(numbers::formatNumberText("", 2), "");
    EXPECT_EQ(numbers::formatNumberText("0", 0), "");
    EXPECT_EQ(numbers::formatNumberText("0", 4), "0000");
    EXPECT_EQ(numbers::formatNumberText("510", 4), "0510");
    EXPECT_EQ(numbers::formatNumberText("12.5", 4), "0013");
    EXPECT_EQ(numbers::formatNumberText("-5", 4), "-0005");
    EXPECT_EQ(numbers::formatNumberText("ab", 4), "ab");
}

// ---------------------------------------------------------------------------
// Frame bodies.

TEST(FrameBodies, TextInEncoding0IsCodePageBytesBetweenZeros) {
    EXPECT_EQ(fncTextBody(0, "abc"), (Bytes{0x00, 'a', 'b', 'c', 0x00}));
    EXPECT_EQ(fncTextBody(0, utf8(u8"曲")), concat({{0x00}, test::sjis(utf8(u8"曲")), {0x00}}));
}

TEST(FrameBodies, TextInEncoding1IsUtf16LittleEndianAfterFfFe) {
    EXPECT_EQ(fncTextBody(1, "abc"),
              (Bytes{0x01, 0xFF, 0xFE, 0x61, 0x00, 0x62, 0x00, 0x63, 0x00, 0x00, 0x00}));
    // U+66F2 and a character outside the basic plane (a surrogate pair).
    EXPECT_EQ(fncTextBody(1, utf8(u8"曲😀")),
              (Bytes{0x01, 0xFF, 0xFE, 0xF2, 0x66, 0x3D, 0xD8, 0x00, 0xDE, 0x00, 0x00}));
}

TEST(FrameBodies, CommentInEncoding0) {
    EXPECT_EQ(fncCommBody(0, "d", "hi"), (Bytes{0x00, 'j', 'p', 'n', 'd', 0x00, 'h', 'i'}));
    EXPECT_EQ(fncCommBody(0, "", "hi"), (Bytes{0x00, 'j', 'p', 'n', 0x00, 'h', 'i'}));
}

TEST(FrameBodies, CommentInEncoding1MarksDescriptionAndText) {
    EXPECT_EQ(fncCommBody(1, "d", "hi"), (Bytes{0x01, 'j', 'p', 'n', 0xFF, 0xFE, 'd', 0x00, 0x00,
                                                0x00, 0xFF, 0xFE, 'h', 0x00, 'i', 0x00}));
    EXPECT_EQ(fncCommBody(1, "", ""),
              (Bytes{0x01, 'j', 'p', 'n', 0xFF, 0xFE, 0x00, 0x00, 0xFF, 0xFE}));
}

TEST(FrameBodies, CrLfInTheCommentTextBecomesLfButNotInTheDescription) {
    EXPECT_EQ(fncCommBody(0, "a\r\nb", "a\r\nb\rc\n"),
              concat({{0x00}, raw("jpn"), raw("a\r\nb"), {0x00}, raw("a\nb\rc\n")}));
}

// ---------------------------------------------------------------------------
// Frames.

TEST(Frames, Id3v23TextFrameHeaderAndBody) {
    TagBytes out;
    subPutFrameV23("TIT2", v2Tag(3), "abc", out);
    EXPECT_EQ(out, (Bytes{'T', 'I', 'T', '2', 0, 0, 0, 5, 0, 0, 0x00, 'a', 'b', 'c', 0x00}));
}

TEST(Frames, Id3v22TextFrameHeaderAndBody) {
    TagBytes out;
    subPutFrameV22("TT2", v2Tag(2), "abc", out);
    EXPECT_EQ(out, (Bytes{'T', 'T', '2', 0, 0, 5, 0x00, 'a', 'b', 'c', 0x00}));
}

TEST(Frames, Encoding1FramesInBothVersions) {
    TagBytes v23;
    subPutFrameV23("TIT2", v2Tag(3, 1), "abc", v23);
    EXPECT_EQ(v23, concat({raw("TIT2"),
                           {0, 0, 0, 11, 0, 0},
                           {0x01, 0xFF, 0xFE, 0x61, 0x00, 0x62, 0x00, 0x63, 0x00, 0x00, 0x00}}));
    TagBytes v22;
    subPutFrameV22("TT2", v2Tag(2, 1), "abc", v22);
    EXPECT_EQ(v22, concat({raw("TT2"),
                           {0, 0, 11},
                           {0x01, 0xFF, 0xFE, 0x61, 0x00, 0x62, 0x00, 0x63, 0x00, 0x00, 0x00}}));
}

TEST(Frames, EmptyTextFramesAreLeftOut) {
    TagBytes out;
    subPutFrameV23("TIT2", v2Tag(3), "", out);
    subPutFrameV22("TT2", v2Tag(2), "", out);
    EXPECT_TRUE(out.empty());
}

TEST(Frames, CommentFrameNeedsTextOrDescriptionAndTheCommentId) {
    Id3v2Tag tag = v2Tag(3);
    TagBytes out;
    subPutFrameV23("COMM", tag, "", out);
    EXPECT_TRUE(out.empty());
    subPutFrameV23("XXXX", tag, "text", out);
    EXPECT_TRUE(out.empty());
    subPutFrameV22("COMM", tag, "text", out);  // ID3v2.2's comment is "COM"
    EXPECT_TRUE(out.empty());
    tag.CommentDesc = "d";
    subPutFrameV23("COMM", tag, "", out);
    EXPECT_EQ(out, concat({raw("COMM"), {0, 0, 0, 6, 0, 0}, {0x00}, raw("jpn"), raw("d"), {0x00}}));
    out.clear();
    subPutFrameV22("COM", v2Tag(2), "hi", out);
    EXPECT_EQ(out, concat({raw("COM"), {0, 0, 7}, {0x00}, raw("jpn"), {0x00}, raw("hi")}));
}

TEST(Frames, FrameSizeIsBigEndianWithEightBitsPerByte) {
    TagBytes out;
    const std::string text(300, 'x');  // body 302 = 0x012E
    subPutFrameV23("TIT2", v2Tag(3), text, out);
    EXPECT_EQ(Bytes(out.begin() + 4, out.begin() + 8), (Bytes{0x00, 0x00, 0x01, 0x2E}));
    out.clear();
    subPutFrameV22("TT2", v2Tag(2), text, out);
    EXPECT_EQ(Bytes(out.begin() + 3, out.begin() + 6), (Bytes{0x00, 0x01, 0x2E}));
}

// ---------------------------------------------------------------------------
// The whole tag.

TEST(Tag, HeaderSizeAndYearFrameForATitleOnly) {
    Id3v2Tag tag = v2Tag(3);
    tag.Title = "abc";
    tag.Year = "0";
    Bytes expected = concat({raw("ID3"),
                             {0x03, 0x00, 0x00},
                             {0, 0, 0, 31},
                             raw("TIT2"),
                             {0, 0, 0, 5, 0, 0, 0x00, 'a', 'b', 'c', 0x00},
                             raw("TYER"),
                             {0, 0, 0, 6, 0, 0, 0x00, '0', '0', '0', '0', 0x00}});
    EXPECT_EQ(tagBytes(tag), expected);
}

TEST(Tag, Id3v22HeaderAndFrames) {
    Id3v2Tag tag = v2Tag(2);
    tag.Title = "abc";
    tag.Year = "1999";
    Bytes expected = concat({raw("ID3"),
                             {0x02, 0x00, 0x00},
                             {0, 0, 0, 23},
                             raw("TT2"),
                             {0, 0, 5, 0x00, 'a', 'b', 'c', 0x00},
                             raw("TYE"),
                             {0, 0, 6, 0x00, '1', '9', '9', '9', 0x00}});
    EXPECT_EQ(tagBytes(tag), expected);
}

TEST(Tag, FramesComeInTheFixedOrder) {
    for (std::uint8_t version : {2, 3}) {
        Id3v2Tag tag = v2Tag(version);
        tag.Comment = "c";
        tag.Day = "0510";
        tag.Year = "2003";
        tag.Track = "1";
        tag.Artist = "a";
        tag.Title = "t";
        tag.Genre = "g";
        tag.Album = "b";
        Bytes bytes = tagBytes(tag);
        std::vector<std::string> ids;
        std::size_t at = 10;
        const std::size_t idLength = version == 3 ? 4 : 3;
        while (at < bytes.size()) {
            ids.emplace_back(bytes.begin() + at, bytes.begin() + at + idLength);
            std::size_t size = 0;
            for (std::size_t i = 0; i < idLength; ++i)
                size = size * 256 + bytes[at + idLength + i];
            at += idLength * 2 + (version == 3 ? 2 : 0) + size;
        }
        EXPECT_EQ(at, bytes.size());
        if (version == 3) {
            EXPECT_EQ(ids, (std::vector<std::string>{"TALB", "TCON", "TIT2", "TPE1", "TRCK", "TYER",
                                                     "TDAY", "COMM"}));
        } else {
            EXPECT_EQ(ids, (std::vector<std::string>{"TAL", "TCO", "TT2", "TP1", "TRK", "TYE",
                                                     "TDA", "COM"}));
        }
    }
}

TEST(Tag, SizeIsTheSumOfTheFramesInSevenBitBytes) {
    Id3v2Tag tag = v2Tag(3);
    tag.Title = std::string(200, 't');   // 10 + 202
    tag.Artist = std::string(100, 'a');  // 10 + 102
    tag.Year = "0";                      // 10 + 6
    Bytes bytes = tagBytes(tag);
    const std::size_t size = 212 + 112 + 16;  // 340 = 2 * 128 + 84
    EXPECT_EQ(bytes.size(), 10 + size);
    EXPECT_EQ(Bytes(bytes.begin() + 6, bytes.begin() + 10), (Bytes{0, 0, 2, 84}));
    EXPECT_EQ(bytes[5], 0x00);
}

TEST(Tag, YearAndDayAreWrittenWithFourDigits) {
    Id3v2Tag tag = v2Tag(3);
    tag.Year = "3";
    tag.Day = "510";
    Bytes bytes = tagBytes(tag);
    Bytes expected = concat({raw("TYER"),
                             {0, 0, 0, 6, 0, 0, 0x00},
                             raw("0003"),
                             {0x00},
                             raw("TDAY"),
                             {0, 0, 0, 6, 0, 0, 0x00},
                             raw("0510"),
                             {0x00}});
    EXPECT_EQ(Bytes(bytes.begin() + 10, bytes.end()), expected);
}

TEST(Tag, TooLongAnId3v22FrameIsRefused) {
    Id3v2Tag tag = v2Tag(2);
    tag.Title = std::string(1 << 24, 'x');
    Result<TagBytes> bytes = fncID3v2TagBytes(tag);
    ASSERT_FALSE(bytes.ok());
    EXPECT_EQ(bytes.error().number, EFBIG);
}

// ---------------------------------------------------------------------------
// Unsynchronisation.

TEST(Unsync, SizeBytesGetAZeroBeforeZeroOrHighBytesAfterFf) {
    TagBytes out;
    EXPECT_EQ(fncPutSize(0x00FFFF00, 4, out, true, 0x00), 0x00);
    EXPECT_EQ(out, (Bytes{0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00}));
    out.clear();
    fncPutSize(0xFF7FE0, 3, out, true, 0x00);
    EXPECT_EQ(out, (Bytes{0xFF, 0x7F, 0xE0}));
    out.clear();
    // The byte before the first one counts.
    fncPutSize(0x00000001, 4, out, true, 0xFF);
    EXPECT_EQ(out, (Bytes{0x00, 0x00, 0x00, 0x00, 0x01}));
    out.clear();
    fncPutSize(0x00FFFF00, 4, out, false, 0x00);
    EXPECT_EQ(out, (Bytes{0x00, 0xFF, 0xFF, 0x00}));
}

TEST(Unsync, BodyBytesFfE3AndFf00GetAZeroAndTheFrameSizeCountsTheBodyWithoutThem) {
    Id3v2Tag tag = v2Tag(3, 1);
    tag.Unsync = true;
    TagBytes out;
    // U+FF71 U+FFE3: body 01 FF FE 71 FF E3 FF 00 00 (9 bytes).
    subPutFrameV23("TIT2", tag, utf8(u8"ｱ￣"), out);
    EXPECT_EQ(out,
              concat({raw("TIT2"),
                      {0, 0, 0, 9, 0, 0},
                      {0x01, 0xFF, 0x00, 0xFE, 0x71, 0xFF, 0x00, 0xE3, 0xFF, 0x00, 0x00, 0x00}}));
}

TEST(Unsync, SizeFfFollowedByFlagZeroAndNothingBeforeTheId) {
    Id3v2Tag tag = v2Tag(3);
    tag.Unsync = true;
    TagBytes out;
    subPutFrameV23("TIT2", tag, std::string(253, 'x'), out);  // body 255 = 0xFF
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 12),
              concat({raw("TIT2"), {0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00}}));
    EXPECT_EQ(out.size(), 4 + 4 + 1 + 2 + 255u);
    out.clear();
    tag.Version = 2;
    subPutFrameV22("TT2", tag, std::string(253, 'x'), out);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 8),
              concat({raw("TT2"), {0x00, 0x00, 0xFF, 0x00, 0x00}}));
}

TEST(Unsync, HeaderFlagIsSetAndTheTagSizeCountsTheInsertedBytes) {
    Id3v2Tag tag = v2Tag(3, 1);
    tag.Unsync = true;
    tag.Title = utf8(u8"ｱ￣");
    tag.Year = "0";
    Bytes bytes = tagBytes(tag);
    EXPECT_EQ(bytes[5], 0x80);
    // TIT2: 10 + 12 stored; TYER (encoding 1, "0000"): 10 + 14 stored (01 FF 00 FE ...).
    const std::size_t size = bytes.size() - 10;
    EXPECT_EQ(Bytes(bytes.begin() + 6, bytes.begin() + 10),
              (Bytes{0, 0, static_cast<std::uint8_t>(size >> 7),
                     static_cast<std::uint8_t>(size & 0x7F)}));
    EXPECT_EQ(size, 22u + 24u);
}

TEST(Unsync, WithoutTheFlagNothingIsInserted) {
    Id3v2Tag tag = v2Tag(3, 1);
    TagBytes out;
    subPutFrameV23("TIT2", tag, utf8(u8"ｱ￣"), out);
    EXPECT_EQ(out, concat({raw("TIT2"),
                           {0, 0, 0, 9, 0, 0},
                           {0x01, 0xFF, 0xFE, 0x71, 0xFF, 0xE3, 0xFF, 0x00, 0x00}}));
}

}  // namespace
}  // namespace tagshelf

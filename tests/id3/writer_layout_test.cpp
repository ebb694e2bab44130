// The bytes the writers produce: the ID3v1/ID3v1.1 block, ID3v2 frame headers and
// bodies in both versions and encodings, the tag header and size, frame order,
// unsynchronisation, and the dispatch's rules that turn the edit window's fields
// into tag records.
#include <gtest/gtest.h>

#include "id3/writer.h"
#include "id3/writer_numbers.h"
#include "tests/id3/read_support.h"
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

// Bytes from..to (0-based, to excluded).
Bytes slice(const Bytes& b, std::size_t from, std::size_t to) {
    return Bytes(b.begin() + static_cast<long>(from), b.begin() + static_cast<long>(to));
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

Id3v2Tag v2Tag(std::uint8_t version, std::uint8_t encoding = 0, bool unsync = false) {
    Id3v2Tag tag;
    tag.Version = version;
    tag.Encode = encoding;
    tag.Unsync = unsync;
    return tag;
}

// One frame as the writer of the tag's version puts it.
Bytes frameOf(std::string_view id, const Id3v2Tag& tag, std::string_view text) {
    TagBytes out;
    if (tag.Version == 2) {
        subPutFrameV22(id, tag, text, out);
    } else {
        subPutFrameV23(id, tag, text, out);
    }
    return out;
}

// ---------------------------------------------------------------------------
// ID3v1 block.

TEST(Id3v1Block, FieldsAtTheirOffsetsAndZeroElsewhere) {
    Id3v1Tag tag{0, "Title", "Artist", "Album", "2003", std::string(30, 'c'), 0, 17};
    const Bytes texts = concat({field("Title", 30), field("Artist", 30), field("Album", 30)});
    EXPECT_EQ(blockOf(tag, kID3v1),
              concat({raw("TAG"), texts, raw("2003" + std::string(30, 'c')), {17}}));
}

TEST(Id3v1Block, OffsetsOf125And126) {
    // ID3v1.1 cuts the comment to 28 bytes and puts a zero and the track after it.
    Id3v1Tag tag{0, "", "", "", "", std::string(30, 'c'), 7, 255};
    Bytes block = blockOf(tag, kID3v11);
    EXPECT_EQ(slice(block, 97, 128), concat({raw(std::string(28, 'c')), {0x00, 0x07, 0xFF}}));
    // ID3v1 leaves them zero after a 28-byte comment, and writes no track.
    tag.Comment = std::string(28, 'c');
    tag.Track = 9;
    block = blockOf(tag, kID3v1);
    EXPECT_EQ(slice(block, 125, 127), (Bytes{0x00, 0x00}));
}

TEST(Id3v1Block, YearIsWrittenWithoutLeadingZerosAndZeroGivesNothing) {
    Id3v1Tag tag;
    tag.Year = "0";
    EXPECT_EQ(slice(blockOf(tag, kID3v1), 93, 97), Bytes(4, 0x00));
    tag.Year = "987";
    EXPECT_EQ(slice(blockOf(tag, kID3v1), 93, 97), field("987", 4));
    tag.Year = "12345";  // cut to the field
    EXPECT_EQ(slice(blockOf(tag, kID3v1), 93, 98), concat({raw("1234"), {0x00}}));
}

TEST(Id3v1Block, LongTextsAreCutToTheirFieldsAndNeverRunIntoTheNext) {
    Id3v1Tag tag;
    tag.Title = std::string(40, 't');
    tag.Artist = std::string(31, 'a');
    tag.Album = std::string(30, 'b');
    tag.Comment = std::string(50, 'c');
    Bytes block = blockOf(tag, kID3v1);
    EXPECT_EQ(slice(block, 3, 33), raw(std::string(30, 't')));
    EXPECT_EQ(slice(block, 33, 63), raw(std::string(30, 'a')));
    EXPECT_EQ(slice(block, 63, 93), raw(std::string(30, 'b')));
    EXPECT_EQ(slice(block, 97, 127), raw(std::string(30, 'c')));
    EXPECT_EQ(block[127], 0x00);
}

TEST(Id3v1Block, ShiftJisTextsAreCutAtAWholeCharacter) {
    // 16 double-byte characters (32 bytes): 15 fit. One single-byte and 15
    // double-byte characters (31 bytes): the last would be split, so it goes and
    // the field ends in a zero. The ID3v1.1 comment's 28 bytes hold 14.
    std::string sixteen;
    for (int i = 0; i < 16; ++i)
        sixteen += utf8(u8"曲");
    auto first = [&](int n) { return test::sjis(sixteen.substr(0, n * 3)); };
    Id3v1Tag tag{0, sixteen, "a" + sixteen.substr(0, 15 * 3), "", "", sixteen, 0, 0};
    Bytes block = blockOf(tag, kID3v1);
    EXPECT_EQ(slice(block, 3, 33), first(15));
    EXPECT_EQ(slice(block, 33, 63), concat({raw("a"), first(14), {0x00}}));
    EXPECT_EQ(slice(blockOf(tag, kID3v11), 97, 125), first(14));
}

// ---------------------------------------------------------------------------
// Dispatch rules for ID3v1.

TEST(Id3v1Fields, YearTrackGenreAndTexts) {
    auto yearOf = [](std::string box) {
        EditFields f = test::v1Fields("");
        f.txtYear = std::move(box);
        return fncID3v1FromFields(f, kID3v1)->Year;
    };
    for (const auto& [box, year] : {std::pair{"", "0"},
                                    {"00/00", "0"},
                                    {"20/03", "2003"},
                                    {"2003", "2003"},
                                    {"0099", "99"},
                                    {"x", "0"}}) {
        EXPECT_EQ(yearOf(box), year) << box;
    }

    // The track is a number, for ID3v1.1 only.
    EditFields f = test::v1Fields("t");
    auto trackOf = [&](const char* box, std::uint8_t code) {
        f.txtTrack = box;
        return fncID3v1FromFields(f, code)->Track;
    };
    EXPECT_EQ(trackOf("7", kID3v11), 7);
    EXPECT_EQ(fncID3v1FromFields(f, kID3v11)->IsV11, 1);
    EXPECT_EQ(trackOf("7", kID3v1), 0);
    EXPECT_EQ(trackOf("", kID3v11), 0);
    EXPECT_EQ(trackOf("255", kID3v11), 255);

    // Texts as they stand; the genre is the list position.
    f = test::v1Fields("  Title ", 255);
    f.txtArtist = "A";
    f.txtAlbum = "B";
    f.txtComment = "C ";
    const std::string want = "Title=  Title |Artist=A|Album=B|Comment=C |Genre=255";
    EXPECT_EQ(namedFields(*fncID3v1FromFields(f, kID3v1), want), want);
}

TEST(Id3v1Fields, TrackOutside0To255AndNoGenreAreRefused) {
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
    for (int genre : {-1, 256}) {
        EXPECT_FALSE(fncID3v1FromFields(test::v1Fields("t", genre), kID3v1).ok()) << genre;
    }
}

// ---------------------------------------------------------------------------
// Dispatch rules for ID3v2.

// The ID3v2.3 tag the dispatch makes from fields set by `set`.
template <typename Set>
Id3v2Tag fromFields(Set set) {
    EditFields f;
    set(f);
    Id3v2Tag tag;
    subID3v2FromFields(f, kID3v23, tag);
    return tag;
}

TEST(Id3v2Fields, YearDayTrackGenreAndEncodingRules) {
    EXPECT_EQ(namedFields(fromFields([](EditFields&) {}), "Year|Day|Track|Genre|Version|Encode"),
              "Year=0|Day=|Track=|Genre=|Version=3|Encode=0");

    EXPECT_EQ(fromFields([](auto& f) { f.txtTYER = "0000"; }).Year, "0");
    EXPECT_EQ(fromFields([](auto& f) { f.txtTYER = "0003"; }).Year, "3");
    EXPECT_EQ(fromFields([](auto& f) { f.txtTYER = "2003"; }).Year, "2003");
    // Month, then day.
    EXPECT_EQ(fromFields([](auto& f) { f.txtTDAT1 = "10", f.txtTDAT2 = "5"; }).Day, "0510");
    EXPECT_EQ(fromFields([](auto& f) { f.txtTDAT1 = "10"; }).Day, "10");
    EXPECT_EQ(fromFields([](auto& f) { f.txtTDAT2 = "7"; }).Day, "07");
    EXPECT_EQ(fromFields([](auto& f) { f.txtTRCK1 = "3", f.txtTRCK2 = "12"; }).Track, "3/12");
    EXPECT_EQ(fromFields([](auto& f) { f.txtTRCK1 = "3"; }).Track, "3");
    // A whole "n/m" text with an empty total box.
    EXPECT_EQ(fromFields([](auto& f) { f.txtTRCK1 = "3/12"; }).Track, "312");
    EXPECT_EQ(fromFields([](auto& f) { f.txtTRCK1 = "/"; }).Track, "");
    EXPECT_EQ(fromFields([](auto& f) { f.txtTCON = "Rock", f.txtTCONNo = "17"; }).Genre,
              "(17)Rock");
    EXPECT_EQ(fromFields([](auto& f) { f.txtTCON = "Rock"; }).Genre, "Rock");
    EXPECT_EQ(fromFields([](auto& f) { f.optEncode = 1; }).Encode, 1);

    Id3v2Tag tag;
    subID3v2FromFields(EditFields{}, kID3v22, tag);
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
    EXPECT_EQ(namedFields(tag, "Unsync|CommentDesc|Comment|Revision"),
              "Unsync=1|CommentDesc=desc|Comment=text|Revision=0");
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
    const std::tuple<const char*, int, const char*> formats[] = {
        {"5", 2, "05"},      {"123", 2, "123"},  {"", 2, ""},
        {"0", 0, ""},        {"0", 4, "0000"},   {"510", 4, "0510"},
        {"12.5", 4, "0013"}, {"-5", 4, "-0005"}, {"ab", 4, "ab"},
    };
    for (const auto& [text, digits, expected] : formats) {
        EXPECT_EQ(numbers::formatNumberText(text, digits), expected) << text << ", " << digits;
    }
}

// ---------------------------------------------------------------------------
// Frame bodies and frames.

TEST(FrameBodies, TextAndCommentBodies) {
    // Encoding 0: code page bytes between zeros.
    EXPECT_EQ(fncTextBody(0, "abc"), (Bytes{0x00, 'a', 'b', 'c', 0x00}));
    EXPECT_EQ(fncTextBody(0, utf8(u8"曲")), concat({{0x00}, test::sjis(utf8(u8"曲")), {0x00}}));
    // Encoding 1: UTF-16 little-endian after FF FE; U+66F2 and a character outside
    // the basic plane (a surrogate pair).
    EXPECT_EQ(fncTextBody(1, utf8(u8"曲😀")),
              (Bytes{0x01, 0xFF, 0xFE, 0xF2, 0x66, 0x3D, 0xD8, 0x00, 0xDE, 0x00, 0x00}));
    EXPECT_EQ(fncCommBody(0, "d", "hi"), (Bytes{0x00, 'j', 'p', 'n', 'd', 0x00, 'h', 'i'}));
    EXPECT_EQ(fncCommBody(0, "", "hi"), (Bytes{0x00, 'j', 'p', 'n', 0x00, 'h', 'i'}));
    // Encoding 1 marks the description and the text.
    EXPECT_EQ(fncCommBody(1, "d", "hi"), (Bytes{0x01, 'j', 'p', 'n', 0xFF, 0xFE, 'd', 0x00, 0x00,
                                                0x00, 0xFF, 0xFE, 'h', 0x00, 'i', 0x00}));
    EXPECT_EQ(fncCommBody(1, "", ""),
              (Bytes{0x01, 'j', 'p', 'n', 0xFF, 0xFE, 0x00, 0x00, 0xFF, 0xFE}));
    // CR LF in the comment text becomes LF, but not in the description.
    EXPECT_EQ(fncCommBody(0, "a\r\nb", "a\r\nb\rc\n"),
              concat({{0x00}, raw("jpn"), raw("a\r\nb"), {0x00}, raw("a\nb\rc\n")}));
}

TEST(Frames, HeadersAndBodiesInBothVersionsAndEncodings) {
    const Bytes wide{0x01, 0xFF, 0xFE, 0x61, 0x00, 0x62, 0x00, 0x63, 0x00, 0x00, 0x00};
    EXPECT_EQ(frameOf("TIT2", v2Tag(3), "abc"),
              (Bytes{'T', 'I', 'T', '2', 0, 0, 0, 5, 0, 0, 0x00, 'a', 'b', 'c', 0x00}));
    EXPECT_EQ(frameOf("TT2", v2Tag(2), "abc"),
              (Bytes{'T', 'T', '2', 0, 0, 5, 0x00, 'a', 'b', 'c', 0x00}));
    EXPECT_EQ(frameOf("TIT2", v2Tag(3, 1), "abc"),
              concat({raw("TIT2"), {0, 0, 0, 11, 0, 0}, wide}));
    EXPECT_EQ(frameOf("TT2", v2Tag(2, 1), "abc"), concat({raw("TT2"), {0, 0, 11}, wide}));
    // The size is big-endian with eight bits per byte: body 302 = 0x012E.
    EXPECT_EQ(slice(frameOf("TIT2", v2Tag(3), std::string(300, 'x')), 4, 8),
              (Bytes{0x00, 0x00, 0x01, 0x2E}));
    EXPECT_EQ(slice(frameOf("TT2", v2Tag(2), std::string(300, 'x')), 3, 6),
              (Bytes{0x00, 0x01, 0x2E}));
}

TEST(Frames, EmptyFramesAndOtherIdsAreLeftOut) {
    EXPECT_EQ(frameOf("TIT2", v2Tag(3), ""), Bytes{});
    EXPECT_EQ(frameOf("TT2", v2Tag(2), ""), Bytes{});
    // The comment needs a text or a description, and the comment ID.
    EXPECT_EQ(frameOf("COMM", v2Tag(3), ""), Bytes{});
    EXPECT_EQ(frameOf("XXXX", v2Tag(3), "text"), Bytes{});
    TagBytes out;
    subPutFrameV22("COMM", v2Tag(3), "text", out);  // ID3v2.2's comment is "COM"
    EXPECT_EQ(out, Bytes{});
    Id3v2Tag described = v2Tag(3);
    described.CommentDesc = "d";
    EXPECT_EQ(frameOf("COMM", described, ""),
              concat({raw("COMM"), {0, 0, 0, 6, 0, 0}, {0x00}, raw("jpn"), raw("d"), {0x00}}));
    EXPECT_EQ(frameOf("COM", v2Tag(2), "hi"),
              concat({raw("COM"), {0, 0, 7}, {0x00}, raw("jpn"), {0x00}, raw("hi")}));
}

// ---------------------------------------------------------------------------
// The whole tag.

TEST(Tag, HeaderAndFramesOfBothVersions) {
    Id3v2Tag tag = v2Tag(3);
    tag.Title = "abc";
    tag.Year = "0";
    EXPECT_EQ(tagBytes(tag), (Bytes{'I', 'D', '3', 3, 0, 0, 0, 0,   0,   31,  'T', 'I', 'T', '2',
                                    0,   0,   0,   5, 0, 0, 0, 'a', 'b', 'c', 0,   'T', 'Y', 'E',
                                    'R', 0,   0,   0, 6, 0, 0, 0,   '0', '0', '0', '0', 0}));
    tag = v2Tag(2);
    tag.Title = "abc";
    tag.Year = "1999";
    EXPECT_EQ(tagBytes(tag),
              (Bytes{'I', 'D', '3', 2, 0,   0,   0,   0, 0, 23, 'T', 'T', '2', 0,   0,   5, 0,
                     'a', 'b', 'c', 0, 'T', 'Y', 'E', 0, 0, 6,  0,   '1', '9', '9', '9', 0}));
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
        const std::vector<std::string> order =
            version == 3
                ? std::vector<std::string>{"TALB", "TCON", "TIT2", "TPE1",
                                           "TRCK", "TYER", "TDAY", "COMM"}
                : std::vector<std::string>{"TAL", "TCO", "TT2", "TP1", "TRK", "TYE", "TDA", "COM"};
        EXPECT_EQ(ids, order);
    }
}

TEST(Tag, SizeYearAndDayAndLimits) {
    Id3v2Tag tag = v2Tag(3);
    tag.Title = std::string(200, 't');   // 10 + 202
    tag.Artist = std::string(100, 'a');  // 10 + 102
    tag.Year = "0";                      // 10 + 6
    Bytes bytes = tagBytes(tag);
    // The size is the sum of the frames in seven-bit bytes: 340 = 2 * 128 + 84.
    EXPECT_EQ(bytes.size(), 10 + 212 + 112 + 16u);
    EXPECT_EQ(slice(bytes, 5, 10), (Bytes{0, 0, 0, 2, 84}));

    // Year and day are written with four digits.
    tag = v2Tag(3);
    tag.Year = "3";
    tag.Day = "510";
    bytes = tagBytes(tag);
    EXPECT_EQ(slice(bytes, 10, bytes.size()),
              concat({test::frameV23("TYER", test::sjisText("0003")),
                      test::frameV23("TDAY", test::sjisText("0510"))}));

    // Too long an ID3v2.2 frame is refused.
    tag = v2Tag(2);
    tag.Title = std::string(1 << 24, 'x');
    Result<TagBytes> big = fncID3v2TagBytes(tag);
    ASSERT_FALSE(big.ok());
    EXPECT_EQ(big.error().number, EFBIG);
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
    // The boundary of the high bytes: E0 gets the zero, DF does not.
    fncPutSize(0x00FFE0, 3, out, true, 0x00);
    EXPECT_EQ(out, (Bytes{0x00, 0xFF, 0x00, 0xE0}));
    out.clear();
    fncPutSize(0x00FFDF, 3, out, true, 0x00);
    EXPECT_EQ(out, (Bytes{0x00, 0xFF, 0xDF}));
    out.clear();
    // The byte before the first one counts.
    fncPutSize(0x00000001, 4, out, true, 0xFF);
    EXPECT_EQ(out, (Bytes{0x00, 0x00, 0x00, 0x00, 0x01}));
    out.clear();
    fncPutSize(0x00FFFF00, 4, out, false, 0x00);
    EXPECT_EQ(out, (Bytes{0x00, 0xFF, 0xFF, 0x00}));
}

TEST(Unsync, BodyBytesFfE3AndFf00GetAZeroAndTheFrameSizeCountsTheBodyWithoutThem) {
    // U+FF71 U+FFE3: body 01 FF FE 71 FF E3 FF 00 00 (9 bytes); nothing is
    // inserted without the flag.
    const std::string text = utf8(u8"ｱ￣");
    EXPECT_EQ(frameOf("TIT2", v2Tag(3, 1, true), text),
              concat({raw("TIT2"),
                      {0, 0, 0, 9, 0, 0},
                      {0x01, 0xFF, 0x00, 0xFE, 0x71, 0xFF, 0x00, 0xE3, 0xFF, 0x00, 0x00, 0x00}}));
    EXPECT_EQ(frameOf("TIT2", v2Tag(3, 1), text),
              concat({raw("TIT2"),
                      {0, 0, 0, 9, 0, 0},
                      {0x01, 0xFF, 0xFE, 0x71, 0xFF, 0xE3, 0xFF, 0x00, 0x00}}));
}

TEST(Unsync, SizeFfFollowedByFlagZeroAndNothingBeforeTheId) {
    // Body 255 = 0xFF.
    Bytes v23 = frameOf("TIT2", v2Tag(3, 0, true), std::string(253, 'x'));
    EXPECT_EQ(slice(v23, 0, 12),
              concat({raw("TIT2"), {0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00}}));
    EXPECT_EQ(v23.size(), 4 + 4 + 1 + 2 + 255u);
    EXPECT_EQ(slice(frameOf("TT2", v2Tag(2, 0, true), std::string(253, 'x')), 0, 8),
              concat({raw("TT2"), {0x00, 0x00, 0xFF, 0x00, 0x00}}));
}

TEST(Unsync, HeaderFlagIsSetAndTheTagSizeCountsTheInsertedBytes) {
    Id3v2Tag tag = v2Tag(3, 1, true);
    tag.Title = utf8(u8"ｱ￣");
    tag.Year = "0";
    Bytes bytes = tagBytes(tag);
    // TIT2: 10 + 12 stored; TYER (encoding 1, "0000"): 10 + 14 stored (01 FF 00 FE ...).
    EXPECT_EQ(bytes.size(), 10 + 22 + 24u);
    EXPECT_EQ(slice(bytes, 5, 10), (Bytes{0x80, 0, 0, 0, 46}));
}

}  // namespace
}  // namespace tagshelf

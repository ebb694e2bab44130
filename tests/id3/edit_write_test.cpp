// The edit window's tag rules (typing, the checks, the edited-fields test, the
// carry-over, the genre preselection, the fields the encoding can't hold), the
// rules that turn the fields into tags, and the bytes the writers make.
#include <array>

#include <gtest/gtest.h>

#include "id3/edit_fields.h"
#include "id3/edit_rules.h"
#include "id3/reader.h"
#include "id3/writer.h"
#include "tests/support/edit_fields.h"
#include "tests/support/tag_builder.h"
#include "tests/support/test_support.h"

namespace tagshelf::test {
namespace {

TEST(Id3v1Block, WholeBlocks) {
    // 16 double-byte characters: a 30-byte field holds 15, a 28-byte one 14; after
    // one single-byte character the 15th would be split, so the field ends in 0.
    std::string sixteen;
    for (int i = 0; i < 16; ++i)
        sixteen += u8s(u8"曲");
    auto first = [&](int n) { return sjis(sixteen.substr(0, std::size_t(n) * 3)); };
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
    EditFields f = editFields("cmbGenre=5|txtYear=20/03|txtTrack=7");
    EXPECT_EQ(fncID3v1FromFields(f, kID3v1)->Year +
                  std::to_string(fncID3v1FromFields(f, kID3v1)->Track) +
                  std::to_string(fncID3v1FromFields(f, kID3v11)->Track),
              "200307");
    f.txtTrack = "256";
    EXPECT_EQ(fncID3v1FromFields(f, kID3v11).status().error().number, ERANGE);
    f.cmbGenre = -1;
    EXPECT_FALSE(fncID3v1FromFields(f, kID3v1).ok());
}

TEST(Dispatch, Id3v2Fields) {
    // The fields; Year|Day|Track|Genre.
    const std::pair<const char*, const char*> cases[] = {
        // No year frame for an empty box; "999" is a genre without a number.
        {"txtTCON=Rock|txtTCONNo=999", "|||Rock"},
        {"txtTRCK1=3|txtTRCK2=12|txtTYER=0000|txtTDAT1=10|txtTDAT2=5|txtTCON=Rock|txtTCONNo=17",
         "0|0510|3/12|(17)Rock"},
        {"txtTRCK1=3/12|txtTYER=0003|txtTDAT2=7|txtTCON=Rock", "3|07|312|Rock"},
    };
    for (const auto& [fields, want] : cases) {
        Id3v2Tag tag;
        subID3v2FromFields(editFields(fields), kID3v23, tag);
        EXPECT_EQ(tag.Year + "|" + tag.Day + "|" + tag.Track + "|" + tag.Genre, want);
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
        {"TIT2", v2Tag(3, 0), "", {}},
        // CR LF becomes LF in the comment text only.
        {"COMM", v2Tag(3, 0, false, "d\r\n"), "a\r\nb\rc",
         concat({raw("COMM"), {0, 0, 0, 13, 0, 0, 0}, raw("jpnd\r\n"), {0}, raw("a\nb\rc")})},
        {"COMM", v2Tag(3, 1, false, "d"), "hi",
         concat({raw("COMM"), Bytes{0, 0, 0, 16, 0, 0, 1}, raw("jpn"),
                 Bytes{0xFF, 0xFE, 'd', 0, 0, 0, 0xFF, 0xFE, 'h', 0, 'i', 0}})},
        // U+FF61 U+30E0 U+FF71: 61 FF E0 30 71 FF; a zero goes after FF before FE,
        // E0 and the terminator's 00; the size counts the body without them.
        {"TIT2", v2Tag(3, 1, true), u8s(u8"｡ムｱ"),
         concat({raw("TIT2"), Bytes{0, 0, 0, 11, 0, 0},
                 Bytes{1, 0xFF, 0, 0xFE, 0x61, 0xFF, 0, 0xE0, 0x30, 0x71, 0xFF, 0, 0, 0}})},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(frameOf(c.id, c.tag, c.text), c.expected) << c.id << " " << c.text;
    }
}

TEST(Tag, ReadsBackWholeAndAnUnsynchronisedTagNeverEndsInFF) {
    // The comment is the last frame. "ｱ" in UTF-16 is 71 FF: an unsynchronised tag
    // ending in FF gets a zero of padding; "ア" ends in 30.
    const std::tuple<Id3v2Tag, const char8_t*, bool> cases[] = {
        {v2Tag(2, 0), u8"c", false},        {v2Tag(3, 1, true), u8"c", false},
        {v2Tag(3, 1, true), u8"aｱ", true},  {v2Tag(3, 1), u8"aｱ", false},
        {v2Tag(3, 1, true), u8"ア", false},
    };
    for (auto [tag, comment, padded] : cases) {
        tag.Title = std::string(200, 't');  // a size above 127
        tag.Genre = "g";
        tag.Comment = u8s(comment);
        const TagBytes bytes = *fncID3v2TagBytes(tag);
        const Id3v2Tag read = parseID3v2(concat({bytes, {0xFF, 0xFB, 0x90, 0x00}}));
        EXPECT_EQ(read.Title + read.Genre + read.Comment + std::to_string(read.Unsync),
                  tag.Title + tag.Genre + tag.Comment + std::to_string(tag.Unsync));
        EXPECT_EQ(read.TagSize + 10, static_cast<std::int64_t>(bytes.size()));
        EXPECT_EQ(bytes.end()[-2] == 0xFF && bytes.back() == 0, padded) << tag.Comment;
    }
}

TEST(EditRules, TypingIntoTheBoxes) {
    const std::string song = "曲";  // two bytes in code page 932
    const struct {
        const char* before;
        std::string after;
        KeyFilter filter;
        bool accepted;
    } cases[] = {
        {"12", "132", KeyFilter::Digits, true},
        {"12", "1a2", KeyFilter::Digits, false},
        {"20", "20/", KeyFilter::DigitsAndSlash, true},
        {"3/12", "312", KeyFilter::Digits, true},  // a program-set text may be shortened
        {"abcd", "abcd" + song, KeyFilter::Any, true},
        {"abcde", "abcde" + song, KeyFilter::Any, false},
        {"abcdefgh", "abcdefg", KeyFilter::Any, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fncEditAccepted(c.before, c.after, c.filter, 6), c.accepted) << c.after;
    }
}

TEST(EditRules, MonthAndDayChecks) {
    std::string months;
    for (const char* month : {"", "1", "12", "0", "13", "1a"})
        months += fncMonthValid(month) ? 'Y' : '-';
    EXPECT_EQ(months, "YYY---");
    // Day, month, valid: 31 for every month; not tested under a wrong month.
    const std::array<const char*, 3> days[] = {
        {"31", "2", "1"}, {"32", "2", ""}, {"0", "1", ""}, {"32", "13", "1"}};
    for (const auto& d : days)
        EXPECT_EQ(fncDayValid(d[0], d[1]), *d[2] == '1') << d[0] << "/" << d[1];
}

TEST(EditRules, ValuesTheWriteCannotUse) {
    const std::string track = "トラックの値が不適格です。";
    const struct {
        const char* fields;  // beside month 10 and day 5
        std::uint8_t code;
        std::string refused;
    } cases[] = {
        {"txtTrack=256", kID3v11, track},
        {"txtTrack=256", kID3v1, ""},
        {"txtTRCK1=A1", kID3v23, track},
        {"txtTRCK2=x", kID3v22, "トラック数の値が不適格です。"},
        {"txtTDAT1=13", kID3v23, "月の値が不適格です。"},
        {"txtTDAT2=32", kID3v23, "日の値が不適格です。"},
        {"txtTDAT1=", kID3v23, "日を入力するときは月も入力して下さい。"},
        {"txtTDAT2=05", kID3v23, ""},
    };
    for (const auto& c : cases) {
        const EditFields f = editFields("txtTDAT1=10|txtTDAT2=5|" + std::string(c.fields));
        EXPECT_EQ(fncRefusedValue(f, c.code).value_or(""), c.refused) << c.fields;
    }
}

TEST(EditRules, OldFieldsSameComparesTheRecordsOwnGroup) {
    const EditFields loaded = editFields("cmbGenre=17");
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"txtTrack=edited", "ID3v11", false},
        {"txtTrack=edited", "ID3v1", true},
        {"txtTDAT2=edited", "ID3v22", false},
        {"txtTIT2=edited", "ID3v1", true},
        {"cmbGenre=18", "ID3v1", false}};
    for (const auto& [edit, version, same] : cases) {
        const EditFields now = editFields("cmbGenre=17|" + std::string(edit));
        EXPECT_EQ(fncOldFieldsSame(now, loaded, version), same) << edit << " " << version;
    }
}

TEST(EditRules, CarryOverBetweenTheGroups) {
    EditFields f = editFields(
        "txtTIT2=T|txtTRCK1=3|txtCOMM2=c|txtTCON=Gospel|txtTCONNo=38|txtComment=kept|txtYear=kept");
    carryFieldsOver(f, kID3v11);  // texts, track and genre; not the comment
    EXPECT_EQ(f.txtTitle + f.txtTrack + f.txtYear + f.txtComment + std::to_string(f.cmbGenre),
              "T3keptkept38");
    for (const char* number : {"", "999", "256"}) {  // no list number: no selection
        f.txtTCONNo = number;
        carryFieldsOver(f, kID3v1);
        EXPECT_EQ(f.cmbGenre, -1) << number;
    }
    f.cmbGenre = 37;
    f.optEncode = 1;
    carryFieldsOver(f, kID3v23);  // the list's name and position, encoding 0
    EXPECT_EQ(f.txtTIT2 + f.txtCOMM2 + f.txtTCONNo + f.txtTCON + std::to_string(f.optEncode),
              "Tkept37Sound Clip0");
}

TEST(EditRules, FieldsTheEncodingCannotHold) {
    // "auto" writes a text in code page 932 or else in ISO-8859-1, never mixed.
    EditFields f =
        editFields("txtTitle=café日本|txtArtist=Björk|txtComment=日本|txtTIT2=€|txtTCON=𠮷");
    EXPECT_EQ(lossyLabels(fncLossyFields(f, kID3v11, "")), "タイトル");
    EXPECT_EQ(lossyLabels(fncLossyFields(f, kID3v23, "ĉ")), "タイトル、コメントの説明、ジャンル");
    f.legacyText = LegacyText::Cp932;
    EXPECT_EQ(lossyLabels(fncLossyFields(f, kID3v1, "")), "タイトル、アーティスト");
    f.optEncode = 1;
    EXPECT_TRUE(fncLossyFields(f, kID3v22, "é").empty() && fncLossyFields(f, kNoTag, "").empty());
}

}  // namespace
}  // namespace tagshelf::test

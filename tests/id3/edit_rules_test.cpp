// The edit window's tag rules: typing, the checks, the edited-fields test, the
// carry-over, the genre preselection and the fields the encoding can't hold.
#include "id3/edit_rules.h"

#include <gtest/gtest.h>

#include "id3/edit_fields.h"

namespace tagshelf {
namespace {

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
        {"20", "20/", KeyFilter::Digits, false},
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
    for (const char* month : {"", " ", "1", "12"})
        EXPECT_TRUE(fncMonthValid(month)) << month;
    for (const char* month : {"0", "13", "1a"})
        EXPECT_FALSE(fncMonthValid(month)) << month;
    // Day, month, valid: 31 for every month; not tested under a wrong month.
    const std::array<const char*, 3> days[] = {{"31", "2", "1"}, {"32", "2", ""},   {"32", "", ""},
                                               {"0", "1", ""},   {"32", "13", "1"}, {"", "5", "1"}};
    for (const auto& d : days)
        EXPECT_EQ(fncDayValid(d[0], d[1]), *d[2] == '1') << d[0] << "/" << d[1];
}

using Box = std::string EditFields::*;

TEST(EditRules, ValuesTheWriteCannotUse) {
    const std::string track = "トラックの値が不適格です。";
    const struct {
        Box box;
        const char* value;
        std::uint8_t code;
        std::string refused;
    } cases[] = {
        {&EditFields::txtTrack, "256", kID3v11, track},
        {&EditFields::txtTrack, "256", kID3v1, ""},
        {&EditFields::txtTrack, "255", kID3v11, ""},
        {&EditFields::txtTrack, "0", kID3v11, track},
        {&EditFields::txtTrack, "", kID3v11, track},
        {&EditFields::txtTRCK1, "A1", kID3v23, track},
        {&EditFields::txtTRCK2, "x", kID3v22, "トラック数の値が不適格です。"},
        {&EditFields::txtTDAT1, "13", kID3v23, "月の値が不適格です。"},
        {&EditFields::txtTDAT2, "32", kID3v23, "日の値が不適格です。"},
        {&EditFields::txtTDAT1, "", kID3v23, "日を入力するときは月も入力して下さい。"},
        {&EditFields::txtTDAT2, "05", kID3v23, ""},
    };
    for (const auto& c : cases) {
        EditFields f;
        f.txtTDAT1 = "10";
        f.txtTDAT2 = "5";
        f.*c.box = c.value;
        EXPECT_EQ(fncRefusedValue(f, c.code).value_or(""), c.refused) << c.value;
    }
}

TEST(EditRules, OldFieldsSameComparesTheRecordsOwnGroup) {
    EditFields loaded;
    loaded.cmbGenre = 17;
    const struct {
        Box box;
        const char* version;
        bool same;
    } cases[] = {{&EditFields::txtTitle, "ID3v1", false},  {&EditFields::txtTrack, "ID3v11", false},
                 {&EditFields::txtTrack, "ID3v1", true},   {&EditFields::txtTIT2, "ID3v23", false},
                 {&EditFields::txtTDAT2, "ID3v22", false}, {&EditFields::txtTIT2, "ID3v1", true},
                 {&EditFields::txtTitle, "NONE", true}};
    for (const auto& c : cases) {
        EditFields now = loaded;
        now.*c.box = "edited";
        EXPECT_EQ(fncOldFieldsSame(now, loaded, c.version), c.same) << c.version;
    }
    EditFields now = loaded;
    now.cmbGenre = 18;
    EXPECT_FALSE(fncOldFieldsSame(now, loaded, "ID3v1"));
}

TEST(EditRules, CarryOverBetweenTheGroups) {
    EditFields f;
    f.txtTIT2 = "T";
    f.txtTRCK1 = "3";
    f.txtCOMM2 = "c";
    f.txtTCON = "Gospel";
    f.txtTCONNo = "38";
    f.txtComment = f.txtYear = "kept";
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

TEST(EditRules, GenrePreselection) {
    std::string positions;
    for (const char* number : {"17", "255", "", "999", "256", "-1", "x"})
        positions += std::to_string(fncGenrePreselection(number)) + " ";
    EXPECT_EQ(positions, "17 255 -1 -1 -1 -1 -1 ");
}

TEST(EditRules, FieldsTheEncodingCannotHold) {
    EditFields f;
    // "auto" writes a text in code page 932 or else in ISO-8859-1, never mixed.
    f.txtTitle = "café日本";
    f.txtArtist = "Björk";
    f.txtComment = "日本";
    f.txtTIT2 = "€";
    f.txtTCON = "𠮷";
    EXPECT_EQ(lossyLabels(fncLossyFields(f, kID3v11, "")), "タイトル");
    EXPECT_EQ(lossyLabels(fncLossyFields(f, kID3v23, "ĉ")), "タイトル、コメントの説明、ジャンル");
    f.legacyText = LegacyText::Cp932;
    EXPECT_EQ(lossyLabels(fncLossyFields(f, kID3v1, "")), "タイトル、アーティスト");
    f.optEncode = 1;
    EXPECT_TRUE(fncLossyFields(f, kID3v22, "é").empty());
    EXPECT_TRUE(fncLossyFields(f, kNoTag, "").empty());
}

}  // namespace
}  // namespace tagshelf

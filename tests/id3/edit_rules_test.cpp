// The edit window's tag rules: typing into the boxes, the month and day checks,
// the checks before a write, the edited-fields test, the carry-over between the
// groups, the genre dialog's preselection and the fields the encoding can't hold.
#include "id3/edit_rules.h"

#include <gtest/gtest.h>

#include "id3/edit_fields.h"

namespace tagshelf {
namespace {

std::string u8s(const char8_t* s) {
    return reinterpret_cast<const char*>(s);
}

TEST(EditRules, TypingIntoTheBoxes) {
    const struct {
        const char* before;
        std::string after;
        KeyFilter filter;
        std::size_t max;
        bool accepted;
    } cases[] = {
        {"12", "132", KeyFilter::Digits, 3, true},
        {"12", "1a2", KeyFilter::Digits, 3, false},
        {"20", "20/", KeyFilter::Digits, 5, false},
        {"20", "20/", KeyFilter::DigitsAndSlash, 5, true},
        {"123", "1234", KeyFilter::Digits, 3, false},
        // A program-set text with other characters can still be shortened.
        {"3/12", "312", KeyFilter::Digits, 3, true},
        // The limit counts code page 932 bytes: 曲 takes two.
        {"abcd", "abcd" + u8s(u8"曲"), KeyFilter::Any, 6, true},
        {"abcde", "abcde" + u8s(u8"曲"), KeyFilter::Any, 6, false},
        {"abcdefgh", "abcdefg", KeyFilter::Any, 6, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fncEditAccepted(c.before, c.after, c.filter, c.max), c.accepted)
            << c.before << " -> " << c.after;
    }
    EXPECT_TRUE(fncKeyAccepted(KeyFilter::Digits, 8));  // Backspace
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

TEST(EditRules, ValuesTheWriteCannotUse) {
    auto refused = [](void (*set)(EditFields&), std::uint8_t code) {
        EditFields f;
        set(f);
        return fncRefusedValue(f, code).value_or("");
    };
    EXPECT_EQ(refused([](EditFields& f) { f.txtTrack = "256"; }, kID3v11),
              "トラックの値が不適格です。");
    EXPECT_EQ(refused([](EditFields& f) { f.txtTrack = "256"; }, kID3v1), "");
    EXPECT_EQ(refused([](EditFields& f) { f.txtTrack = "255"; }, kID3v11), "");
    EXPECT_EQ(refused([](EditFields& f) { f.txtTrack = "0"; }, kID3v11),
              "トラックの値が不適格です。");
    EXPECT_EQ(refused([](EditFields&) {}, kID3v11), "トラックの値が不適格です。");
    EXPECT_EQ(refused([](EditFields& f) { f.txtTRCK1 = "A1"; }, kID3v23),
              "トラックの値が不適格です。");
    EXPECT_EQ(refused([](EditFields& f) { f.txtTRCK2 = "x"; }, kID3v22),
              "トラック数の値が不適格です。");
    EXPECT_EQ(refused([](EditFields& f) { f.txtTDAT1 = "13"; }, kID3v23), "月の値が不適格です。");
    EXPECT_EQ(refused([](EditFields& f) { f.txtTDAT1 = "2", f.txtTDAT2 = "32"; }, kID3v23),
              "日の値が不適格です。");
    EXPECT_EQ(refused([](EditFields& f) { f.txtTDAT2 = "5"; }, kID3v23),
              "日を入力するときは月も入力して下さい。");
    EXPECT_EQ(refused([](EditFields& f) { f.txtTDAT1 = "10", f.txtTDAT2 = "5"; }, kID3v23), "");
}

TEST(EditRules, OldFieldsSameComparesTheRecordsOwnGroup) {
    EditFields loaded;
    loaded.txtTitle = "t";
    loaded.txtTIT2 = "t";
    loaded.cmbGenre = 17;
    auto changed = [&](void (*edit)(EditFields&), const char* version) {
        EditFields now = loaded;
        edit(now);
        return !fncOldFieldsSame(now, loaded, version);
    };
    EXPECT_FALSE(changed([](EditFields&) {}, "ID3v1"));
    EXPECT_TRUE(changed([](EditFields& f) { f.cmbGenre = 18; }, "ID3v1"));
    EXPECT_TRUE(changed([](EditFields& f) { f.txtTrack = "2"; }, "ID3v11"));
    EXPECT_FALSE(changed([](EditFields& f) { f.txtTrack = "2"; }, "ID3v1"));
    EXPECT_TRUE(changed([](EditFields& f) { f.txtTIT2 = "u"; }, "ID3v23"));
    EXPECT_TRUE(changed([](EditFields& f) { f.txtTDAT2 = "5"; }, "ID3v22"));
    EXPECT_FALSE(changed([](EditFields& f) { f.txtTIT2 = "u"; }, "ID3v1"));
    EXPECT_FALSE(changed([](EditFields& f) { f.txtTitle = "u"; }, "NONE"));
}

TEST(EditRules, CarryOverBetweenTheGroups) {
    EditFields v2;
    v2.txtTIT2 = "T";
    v2.txtTPE1 = "A";
    v2.txtTRCK1 = "3";
    v2.txtTYER = "2003";
    v2.txtCOMM2 = "c";
    v2.txtTCON = "Gospel";
    v2.txtTCONNo = "38";
    v2.optEncode = 1;
    // To ID3v1.1: texts, track and genre; the comment stays.
    EditFields f = v2;
    f.txtComment = "old";
    carryFieldsOver(f, kID3v11);
    EXPECT_EQ(f.txtTitle + f.txtArtist + f.txtTrack + f.txtYear + f.txtComment, "TA32003old");
    EXPECT_EQ(f.cmbGenre, 38);
    // A genre without a list number leaves no selection; an empty source keeps.
    for (const char* number : {"", "999", "256"}) {
        f = v2;
        f.cmbGenre = 5;
        f.txtTCONNo = number;
        f.txtTIT2.clear();
        f.txtTitle = "kept";
        carryFieldsOver(f, kID3v1);
        EXPECT_EQ(f.cmbGenre, -1) << number;
        EXPECT_EQ(f.txtTitle, "kept");
    }
    // To ID3v2: the list's name and position, encoding 0.
    f = EditFields{};
    f.txtTitle = "t";
    f.txtComment = "c1";
    f.cmbGenre = 37;
    f.optEncode = 1;
    carryFieldsOver(f, kID3v23);
    EXPECT_EQ(f.txtTIT2 + "|" + f.txtCOMM2 + "|" + f.txtTCONNo + "|" + f.txtTCON,
              "t|c1|37|Sound Clip");
    EXPECT_EQ(f.optEncode, 0);
    f.cmbGenre = -1;
    carryFieldsOver(f, kID3v22);
    EXPECT_EQ(f.txtTCON + f.txtTCONNo, "");
}

TEST(EditRules, GenrePreselection) {
    for (auto [number, position] : {std::pair{"17", 17},
                                    {"255", 255},
                                    {"", -1},
                                    {"999", -1},
                                    {"256", -1},
                                    {"-1", -1},
                                    {"x", -1}}) {
        EXPECT_EQ(fncGenrePreselection(number), position) << number;
    }
}

TEST(EditRules, FieldsTheEncodingCannotHold) {
    EditFields f;
    f.txtTitle = u8s(u8"café");
    f.txtComment = u8s(u8"日本");
    f.txtTIT2 = u8s(u8"€");
    f.txtTCON = u8s(u8"𠮷");
    EXPECT_EQ(lossyLabels(fncLossyFields(f, kID3v11, "")), "タイトル");
    EXPECT_EQ(lossyLabels(fncLossyFields(f, kID3v23, u8s(u8"é"))),
              "タイトル、コメントの説明、ジャンル");
    f.optEncode = 1;
    EXPECT_TRUE(fncLossyFields(f, kID3v22, u8s(u8"é")).empty());
    EXPECT_TRUE(fncLossyFields(f, kNoTag, "").empty());
}

}  // namespace
}  // namespace tagshelf

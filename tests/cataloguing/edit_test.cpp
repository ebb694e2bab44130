// The edit window's catalogue side: a record into the fields, the row an edit
// writes, genre numbers, and OK when the file or the catalogue refuses.
#include <gtest/gtest.h>

#include "cataloguing/edit_exec.h"
#include "cataloguing/edit_load.h"
#include "cataloguing/edit_update.h"
#include "cataloguing/registration.h"
#include "core/file_ops.h"
#include "id3/genre_list.h"
#include "id3/reader.h"
#include "tests/support/catalogue_fixture.h"
#include "tests/support/tag_builder.h"

namespace tagshelf::test {
namespace {

std::string v1Group(const EditFields& f) {
    return f.txtTitle + "|" + f.txtTrack + "|" + f.txtYear + "|" + f.txtComment + "|" +
           std::to_string(f.cmbGenre);
}

std::string v2Group(const EditFields& f) {
    return f.txtTIT2 + "|" + f.txtTRCK1 + "|" + f.txtTRCK2 + "|" + f.txtTYER + "|" + f.txtTDAT1 +
           "|" + f.txtTDAT2 + "|" + f.txtTCONNo + "|" + f.txtTCON + "|" +
           std::to_string(f.optEncode);
}

// A record from its values in table order, joined by "|":
// Title|Artist|Album|Trak|Year|Day|Genre|GenreNo|Comment|Encode|Version.
Record rec(const std::string& joined) {
    Record r;
    std::size_t from = 0;
    for (const Column& c : kColumns) {
        const std::size_t bar = std::min(joined.find('|', from), joined.size());
        r.*c.member = joined.substr(std::min(from, joined.size()), bar - std::min(from, bar));
        from = bar + 1;
    }
    return r;
}

TEST(EditLoad, RecordIntoTheFields) {
    const std::string c35(35, 'c');
    const std::string nuls(4, '\0');
    const struct {
        Record r;
        std::string v1, v2;
    } cases[] = {
        {rec("t|||7|2003|||17|" + c35 + "||ID3v1"), "t||2003|" + c35.substr(0, 30) + "|17",
         "||||||||0"},
        {rec(" |||7|" + nuls + "|||255|" + c35 + "||ID3v11"), "|7||" + c35.substr(0, 28) + "|255",
         "||||||||0"},
        {rec("t|||3/12|2003|1005|Rock|17||1|ID3v23"), "||||-1", "t|3|12|2003|10|05|17|Rock|1"},
        {rec("|||3/||315| |999||0|ID3v22"), "||||-1", "|3|||03|15|999||0"},
        {rec("||| ||7|||||ID3v22"), "||||-1", "||||07||||0"},
        {rec("t||||||||||NONE"), "||||-1", "||||||||0"},
    };
    for (const auto& c : cases) {
        const EditFields f = editFieldsFromRecord(c.r);
        EXPECT_EQ(v1Group(f), c.v1) << c.r.Version;
        EXPECT_EQ(v2Group(f), c.v2) << c.r.Version;
    }
}

TEST(EditUpdate, TheRowAnEditWrites) {
    EditFields f;
    f.txtTitle = "t";
    f.txtTrack = "7";
    f.txtYear = "20/03";
    f.cmbGenre = 38;
    f.txtTIT2 = "u";
    f.txtTRCK1 = "3";
    f.txtTDAT1 = "10";
    f.txtTDAT2 = "5";
    f.txtTCON = "Rock";
    f.txtTCONNo = "17";
    f.optEncode = 1;
    auto row = [&](std::uint8_t code) {
        const Record r = fncEditedRecord("/m/a.mp3", f, code);
        return r.Version + "|" + r.Title + "|" + r.Trak + "|" + r.Year + "|" + r.Day + "|" +
               r.Genre + "|" + r.GenreNo + "|" + r.Comment + "|" + r.Encode + "|" + r.FilePath;
    };
    EXPECT_EQ(row(kID3v1), "ID3v1|t| |2003| |Gospel|38| | |/m/a.mp3");
    EXPECT_EQ(row(kID3v11), "ID3v11|t|7|2003| |Gospel|38| | |/m/a.mp3");
    EXPECT_EQ(row(kID3v23), "ID3v23|u|3/| |1005|Rock|17| |1|/m/a.mp3");
    f.txtTRCK2 = "12";
    EXPECT_EQ(fncEditedRecord("p", f, kID3v22).Trak, "3/12");
}

TEST(EditUpdate, GenreNumbersNameTheGenreTableGenres) {
    CatalogueFixture fx;
    std::string names, japanese;
    for (int n : {0, 17, 37, 38, 84, 101, 125, 126, 133, 147, 148, 251, 252, 255}) {
        names += std::string(kGenreList[std::size_t(n)]) + "|";
        japanese += fncGetGenre(fx.cat, n) + "|";
    }
    EXPECT_EQ(names,
              "Blues|Rock|Sound Clip|Gospel|Fast-Fusion|Speech|Dance Hall|Goa|Worldbeat|"
              "Synthpop| | |Seiyu|Tokusatsu Anime|");
    EXPECT_EQ(japanese,
              "ブルース|ロック|サウンドクリップ|ゴスペル|ファーストフュージョン|"
              "スピーチ|ダンスホール||||||||");
    EXPECT_TRUE(fx.toolkit.messages.empty());
}

TEST(EditLoad, ReadsTheRowOfTheTableShown) {
    CatalogueFixture fx;
    const std::string path = "/m/it's.mp3";
    fx.addRow({"in FileList", "", "", "", "", "", "", "", "", "", "ID3v23", path});
    ASSERT_TRUE(fncCreateTable(fx.cat, "List"));
    EXPECT_FALSE(subDbSelectData(fx.cat, "List", path));  // an empty table
    fx.addRow({"in List", "", "", "", "", "", "", "", "", "", "ID3v23", path}, "List");
    EXPECT_EQ(subDbSelectData(fx.cat, "FileList", path)->Title, "in FileList");
    EXPECT_EQ(subDbSelectData(fx.cat, "List", path)->Title, "in List");
    EXPECT_FALSE(subDbSelectData(fx.cat, "FileList", "/m/other.mp3"));
}

class EditExec : public ::testing::Test {
  protected:
    void SetUp() override {
        writeFile(path, before);
        ASSERT_EQ(subAddFile(fx.cat, path).outcome, AddOutcome::Registered);
        fields.txtTIT2 = "new";
    }
    ExecOutcome ok() {
        fx.toolkit.answers = {MsgAnswer::Yes};
        return cmdExecApply(fx.cat, {path, path, "ID3v23"}, kID3v23, fields);
    }

    CatalogueFixture fx;
    const std::string path = fx.dir.file("it's.mp3");
    const Bytes before =
        concat({Id3v2Builder(3).frame(frameV23("TIT2", sjisText("old"))).build(), fakeAudio(3000)});
    EditFields fields;
};

TEST_F(EditExec, FailuresKeepTheWindowOpenAndSayWhatHappened) {
    {  // the file can't be written: neither it nor the row changes
        struct : fileops::FileSystem {
            int rename(const char*, const char*) override {
                errno = EACCES;
                return -1;
            }
        } noRename;
        fileops::ScopedFileSystem scoped(noRename);
        EXPECT_EQ(ok(), ExecOutcome::Stay);
    }
    EXPECT_EQ(readFile(path), before);
    // The file is written but the row refused.
    fx.column("CREATE TRIGGER no BEFORE UPDATE ON FileList BEGIN SELECT RAISE(ABORT, 'no'); END");
    EXPECT_EQ(ok(), ExecOutcome::Stay);
    EXPECT_EQ(fncReadID3v2(path)->Title, "new");
    EXPECT_EQ(fx.column("SELECT Title FROM FileList"), std::vector<std::string>{"old"});
    // A file whose row is gone is not written.
    fx.column("DELETE FROM FileList");
    fields.txtTIT2 = "newer";
    EXPECT_EQ(ok(), ExecOutcome::Stay);
    EXPECT_EQ(fncReadID3v2(path)->Title, "new");
    EXPECT_EQ(
        fx.toolkit.prompts(),
        (std::vector<std::string>{
            std::string(kConfirmWrite),
            "ファイルへの書き込みに失敗しました。\r\n" + path +
                "\r\nファイル名を変更できませんでした：Permission denied",
            std::string(kConfirmWrite), "fncUpDbID3v1 : エラー :  1811が発生しました。 : noSQLite",
            std::string(kOutOfStep), "カタログにこのファイルのレコードがありません。"}));
}

TEST_F(EditExec, NoneRegistersTheFileAgain) {
    fx.toolkit.answers = {MsgAnswer::Yes};
    EXPECT_EQ(cmdExecApply(fx.cat, {path, path, "ID3v23"}, kNoTag, fields), ExecOutcome::Close);
    EXPECT_EQ(fx.column("SELECT Version || Title || GenreNo FROM FileList"),
              std::vector<std::string>{"NONE 999"});
    EXPECT_EQ(readFile(path), fakeAudio(3000));
}

}  // namespace
}  // namespace tagshelf::test

// Registering a file (the columns of each tag kind, refusals, genre texts) and
// the edit window's catalogue side: a record into the fields, the row an edit
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
#include "tests/support/edit_fields.h"
#include "tests/support/tag_builder.h"

namespace tagshelf::test {
namespace {

// The boxes of the ID3v1 group, then " / " and those of the ID3v2 group.
std::string boxes(const EditFields& f) {
    return f.txtTitle + "|" + f.txtTrack + "|" + f.txtYear + "|" + f.txtComment + "|" +
           std::to_string(f.cmbGenre) + " / " + f.txtTIT2 + "|" + f.txtTRCK1 + "|" + f.txtTRCK2 +
           "|" + f.txtTYER + "|" + f.txtTDAT1 + "|" + f.txtTDAT2 + "|" + f.txtTCONNo + "|" +
           f.txtTCON + "|" + std::to_string(f.optEncode);
}

// A record from its values in column order joined by "|" (Title|Artist|…|Version).
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
    const std::string c35(35, 'c'), nuls(4, '\0');
    const std::pair<Record, std::string> cases[] = {
        {rec("t|||7|2003|||17|" + c35 + "||ID3v1"),
         "t||2003|" + c35.substr(0, 30) + "|17 / ||||||||0"},
        {rec(" |||7|" + nuls + "|||255|" + c35 + "||ID3v11"),
         "|7||" + c35.substr(0, 28) + "|255 / ||||||||0"},
        {rec("t|||3/12|2003|1005|Rock|17||1|ID3v23"), "||||-1 / t|3|12|2003|10|05|17|Rock|1"},
        {rec("|||3/||315| |999||0|ID3v22"), "||||-1 / |3|||03|15|999||0"},
    };
    for (const auto& [record, want] : cases)
        EXPECT_EQ(boxes(editFieldsFromRecord(record)), want) << record.Version;
}

TEST(EditUpdate, TheRowAnEditWrites) {
    EditFields f = editFields(
        "txtTitle=t|txtTrack=7|txtYear=20/03|cmbGenre=38|txtTIT2=u|txtTRCK1=3|txtTDAT1=10|"
        "txtTDAT2=5|txtTCON=Rock|txtTCONNo=17|optEncode=1");
    auto row = [&](std::uint8_t code) {
        const Record r = fncEditedRecord("/m/a.mp3", f, code);
        return r.Version + "|" + r.Title + "|" + r.Trak + "|" + r.Year + "|" + r.Day + "|" +
               r.Genre + "|" + r.GenreNo + "|" + r.Comment + "|" + r.Encode + "|" + r.FilePath;
    };
    EXPECT_EQ(row(kID3v1), "ID3v1|t| |2003| |Gospel|38| | |/m/a.mp3");
    EXPECT_EQ(row(kID3v11), "ID3v11|t|7|2003| |Gospel|38| | |/m/a.mp3");
    f.txtTRCK2 = "12";
    EXPECT_EQ(row(kID3v23), "ID3v23|u|3/12| |1005|Rock|17| |1|/m/a.mp3");
}

TEST(EditUpdate, GenreNumbersNameTheGenreTableGenres) {
    CatalogueFixture fx;
    std::string names, japanese;
    for (int n : {0, 38, 125, 126, 148, 255}) {
        names += std::string(kGenreList[std::size_t(n)]) + "|";
        japanese += fncGetGenre(fx.cat, n) + "|";
    }
    EXPECT_EQ(names, "Blues|Gospel|Dance Hall|Goa| |Tokusatsu Anime|");
    EXPECT_EQ(japanese, "ブルース|ゴスペル|ダンスホール||||");
}

TEST(EditExec, FailuresKeepTheWindowOpenAndSayWhatHappened) {
    CatalogueFixture fx;
    const std::string path = fx.dir.file("it's.mp3");
    const Bytes before =
        concat({Id3v2Builder(3).frame(frameV23("TIT2", sjisText("old"))).build(), fakeAudio(3000)});
    writeFile(path, before);
    ASSERT_EQ(subAddFile(fx.cat, path).outcome, AddOutcome::Registered);
    EditFields fields = editFields("txtTIT2=new");
    auto ok = [&] {
        fx.toolkit.answers = {MsgAnswer::Yes};
        return cmdExecApply(fx.cat, {path, path, "ID3v23"}, kID3v23, fields);
    };
    {  // the file can't be written: neither it nor the row changes
        struct : fileops::FileSystem {
            int rename(const char*, const char*) override { return errno = EACCES, -1; }
        } noRename;
        fileops::ScopedFileSystem scoped(noRename);
        EXPECT_EQ(ok(), ExecOutcome::Stay);
    }
    EXPECT_EQ(readFile(path), before);
    // The file is written but the row refused.
    fx.column("CREATE TRIGGER no BEFORE UPDATE ON FileList BEGIN SELECT RAISE(ABORT, 'no'); END");
    EXPECT_EQ(ok(), ExecOutcome::Stay);
    EXPECT_EQ(fncReadID3v2(path)->Title, "new");
    EXPECT_EQ(fx.column("SELECT Title FROM FileList"), Texts{"old"});
    // A file whose row is gone is not written.
    fx.column("DELETE FROM FileList");
    fields.txtTIT2 = "newer";
    EXPECT_EQ(ok(), ExecOutcome::Stay);
    EXPECT_EQ(fncReadID3v2(path)->Title, "new");
    EXPECT_EQ(fx.toolkit.prompts(),
              (Texts{std::string(kConfirmWrite),
                     "ファイルへの書き込みに失敗しました。\r\n" + path +
                         "\r\nファイル名を変更できませんでした：Permission denied",
                     std::string(kConfirmWrite),
                     "fncUpDbID3v1 : エラー :  1811が発生しました。 : noSQLite",
                     std::string(kOutOfStep), "カタログにこのファイルのレコードがありません。"}));
}

class RegistrationTest : public ::testing::Test {
  protected:
    AddResult add(const std::string& name, const Bytes& file) {
        writeFile(f.dir.file(name), file);
        return subAddFile(f.cat, f.dir.file(name));
    }
    // The stored row of a file, its columns joined by "|" (FilePath left out).
    std::string row(const std::string& name) {
        const auto v = f.column(
            "SELECT Version || '|' || Title || '|' || Artist || '|' || Album || '|' || Trak || "
            "'|' || Year || '|' || Day || '|' || Genre || '|' || GenreNo || '|' || Comment || "
            "'|' || Encode FROM FileList WHERE FilePath = '" +
            f.dir.file(name) + "'");
        return v.empty() ? "" : v[0];
    }
    CatalogueFixture f;
};

Bytes v1(const Id3v1Fields& fields) {
    return concat({fakeAudio(2000), id3v1Trailer(fields)});
}
Bytes id3v2(std::initializer_list<Bytes> frames, std::uint8_t version = 3) {
    return concat({Id3v2Builder(version).frames(frames).build(), fakeAudio(2000)});
}
Bytes tcon(std::string_view text) {
    return id3v2({frameV23("TCON", sjisText(text))});
}

TEST_F(RegistrationTest, EachTagKindFillsTheColumns) {
    const std::pair<Bytes, std::string> cases[] = {
        // Version|Title|Artist|Album|Trak|Year|Day|Genre|GenreNo|Comment|Encode. Names
        // are cleaned, the comment keeps its spaces, genre 17 has its name.
        {v1({sjis("  曲  "), raw("A"), {}, raw("2003"), raw("c  "), 7, 17}),
         "ID3v11|曲|A| |7|2003| |ロック|17|c  | "},
        {v1({raw("t"), {}, {}, {}, {}, std::nullopt, 255}),
         "ID3v1|t| | | |" + std::string(4, '\0') + "| | |255| | "},  // the year's NULs kept
        {fakeAudio(2000), "NONE| | | | | | | |999| | "},
        {v1({raw("Bj\xF6rk"), {}, {}, {}, {}, 1, 255}),
         "ID3v11|Bj\u00f6rk| | |1|" + std::string(4, '\0') + "| | |255| | "},
        // Western legacy text reads as ISO-8859-1 beside code page 932.
        {id3v2({frameV23("TIT2", raw(std::string("\0Caf\xE9 cr\xE8me", 11))),
                frameV23("TPE1", sjisText("ビョーク"))}),
         "ID3v23|Caf\u00e9 cr\u00e8me|ビョーク| | | | | |999| |0"},
        {id3v2({frameV23("TIT2", sjisText(" 曲名 ")), frameV23("TCON", sjisText("(17)Rock"))}),
         "ID3v23|曲名| | | | | |Rock|17| |0"},
        {tcon("(17)"), "ID3v23| | | | | | |ロック|17| |0"},
        {tcon("J-Pop"), "ID3v23| | | | | | |J-Pop|999| |0"},
        {id3v2({frameV24("TIT2", {3, 'T', 0xC3, 0xA9}),
                frameV24("TCON", {3, '1', '7', 0, 'P', 'o', 'p'}),
                frameV24("TDRC", concat({{3}, raw("2004-05-06T12:00")}))},
               4),
         "ID3v24|T\u00e9| | | |2004|506|ロック/Pop|17| |1"},
        {id3v2({frameV23("TRCK", sjisText("5/12")), frameV23("TYER", sjisText("20031225")),
                frameV23("COMM", commentBody(1, "jpn", utf16(""), utf16("こんにちは")))}),
         "ID3v23| | | |5/12|2003|1225| |999|こんにちは|1"},
        {id3v2({frameV22("TYE", sjisText("1999")), frameV22("TDA", sjisText("2512"))}, 2),
         "ID3v22| | | | |1999|1225| |999| |0"},
    };
    int i = 0;
    for (const auto& [file, want] : cases) {
        const std::string name = std::to_string(++i) + ".mp3";
        ASSERT_EQ(add(name, file).outcome, AddOutcome::Registered) << want;
        EXPECT_EQ(row(name), want);
    }
    EXPECT_TRUE(f.toolkit.messages.empty());
}

TEST_F(RegistrationTest, RefusedRowsNameTheFileAndAreShownOrGathered) {
    const std::string tooLong = "コメントが長すぎます（4097文字、最大4096文字）";
    const struct {
        Bytes file;
        Texts shown;  // the last with {path} for the file's path
        std::string gathered;
    } cases[] = {
        {tcon("(RX)Rock"),
         {"fncInDbID3v2 : エラー :  13が発生しました。 : 型が一致しません。TagShelf",
          "データベースへ登録できませんでした\n{path}"},
         "型が一致しません。"},
        {id3v2({frameV23("COMM", commentBody(0, "eng", {}, raw(std::string(4097, 'c'))))}),
         {"データベースへ登録できませんでした\n{path}\n" + tooLong},
         tooLong},
    };
    int i = 0;
    for (const auto& c : cases) {
        const std::string name = std::to_string(++i) + ".mp3";
        f.toolkit.messages.clear();
        EXPECT_EQ(add(name, c.file).outcome, AddOutcome::Refused);
        Texts expected = c.shown;
        expected.back().replace(expected.back().find("{path}"), 6, f.dir.file(name));
        EXPECT_EQ(f.toolkit.prompts(), expected);
        f.toolkit.messages.clear();
        AddResult gathered = subAddFile(f.cat, f.dir.file(name), Refusals::Gather);
        EXPECT_EQ(gathered.outcome, AddOutcome::Refused);
        EXPECT_EQ(gathered.refusal, c.gathered);
        EXPECT_TRUE(f.toolkit.messages.empty());
    }
    EXPECT_EQ(fncDbReadCount(f.cat, "FileList"), 0);
}

TEST(GenreText, SplitsNumberAndNameAndLooksUpNumbers) {
    const std::tuple<const char*, const char*, int> splits[] = {
        {"(17)Rock", "Rock", 17}, {"(1)(2)x", "(2)x", 1}, {"( 8 )x", "x", 8}, {"Rock", "", 0}};
    for (const auto& [text, name, number] : splits) {
        EXPECT_EQ(fncTconName(text), name) << text;
        EXPECT_EQ(*fncTconNo(text), number) << text;
    }
    for (const char* bad : {"()Rock", "(1.5)"})
        EXPECT_FALSE(fncTconNo(bad).ok()) << bad;
}

}  // namespace
}  // namespace tagshelf::test

#include <gtest/gtest.h>

#include <map>

#include "id3/registration.h"
#include "tests/id3/tag_builder.h"
#include "tests/support/catalogue_fixture.h"

namespace tagshelf::test {
namespace {

// The FileList row of a path, by column name.
using Row = std::map<std::string, std::string>;

class RegistrationTest : public ::testing::Test {
  protected:
    // Writes an MP3 file of the given tag bytes around some audio and registers it.
    AddResult add(const std::string& name, const Bytes& front, const Bytes& back = {}) {
        std::string path = f.dir.file(name);
        writeFile(path, concat({front, fakeAudio(2000), back}));
        f.state.CurrentFile = path;
        return subAddFile(f.state);
    }

    Row row(const std::string& name) {
        Row out;
        DbConnection conn;
        EXPECT_TRUE(openCatalogue(f.state, conn).ok());
        auto st = conn.prepare("SELECT * FROM FileList WHERE FilePath = ?");
        st->bind(1, f.dir.file(name));
        if (!*st->step()) return out;
        for (int i = 0; i < st->columnCount(); ++i)
            out[st->columnName(i)] = st->text(i);
        return out;
    }

    long rows() { return fncDbReadCount(f.state, "FileList"); }

    CatalogueFixture f;
};

TEST_F(RegistrationTest, AnId3v11FileGetsItsTrackAndTheGenreName) {
    Id3v1Fields v1{
        sjis("  タイトル  "), raw("Artist"), raw("Album"), raw("2003"), raw("comment  "), 7, 17};
    ASSERT_EQ(add("a.mp3", {}, id3v1Trailer(v1)).outcome, AddOutcome::Registered);
    Row r = row("a.mp3");
    EXPECT_EQ(r["Version"], "ID3v11");
    EXPECT_EQ(r["Title"], "タイトル");     // names are cleaned
    EXPECT_EQ(r["Comment"], "comment  ");  // the comment keeps its spaces
    EXPECT_EQ(r["Trak"], "7");
    EXPECT_EQ(r["Year"], "2003");
    EXPECT_EQ(r["GenreNo"], "17");
    EXPECT_EQ(r["Genre"], "ロック");
    EXPECT_EQ(r["Day"], " ");
    EXPECT_EQ(r["Encode"], " ");
    EXPECT_EQ(f.state.AudioStart, 1);
    EXPECT_TRUE(f.toolkit.messages.empty());
}

TEST_F(RegistrationTest, AnId3v1FileWithoutGenreOrYearKeepsTheStoredBytes) {
    Id3v1Fields v1{raw("t"), {}, {}, {}, {}, std::nullopt, 255};
    ASSERT_EQ(add("b.mp3", {}, id3v1Trailer(v1)).outcome, AddOutcome::Registered);
    Row r = row("b.mp3");
    EXPECT_EQ(r["Version"], "ID3v1");
    EXPECT_EQ(r["Genre"], " ");
    EXPECT_EQ(r["GenreNo"], "255");
    EXPECT_EQ(r["Trak"], " ");
    EXPECT_EQ(r["Artist"], " ");
    EXPECT_EQ(r["Comment"], " ");
    EXPECT_EQ(r["Year"], std::string(4, '\0'));  // four NUL characters, as read
    EXPECT_TRUE(f.toolkit.messages.empty());
}

TEST_F(RegistrationTest, AnUntaggedFileIsStoredWithSpacesAnd999) {
    ASSERT_EQ(add("c.mp3", {}).outcome, AddOutcome::Registered);
    Row r = row("c.mp3");
    EXPECT_EQ(r["Version"], "NONE");
    EXPECT_EQ(r["GenreNo"], "999");
    for (const char* column :
         {"Title", "Artist", "Album", "Trak", "Year", "Day", "Genre", "Comment", "Encode"}) {
        EXPECT_EQ(r[column], " ") << column;
    }
}

Bytes v23(std::initializer_list<Bytes> frames, std::size_t padding = 0) {
    Id3v2Builder b(3);
    for (const Bytes& fr : frames)
        b.frame(fr);
    b.padding(padding);
    return b.build();
}

TEST_F(RegistrationTest, AnId3v23FileMapsItsFramesAndGenreForms) {
    struct Case {
        const char* tcon;
        const char* genre;
        const char* number;
    };
    for (Case c : {Case{"(17)Rock", "Rock", "17"}, Case{"(17)", " ", "17"}, Case{"Rock", " ", "0"},
                   Case{nullptr, " ", "999"}}) {
        std::string name = std::string("g") + (c.tcon ? c.tcon : "none") + ".mp3";
        Bytes tag =
            c.tcon ? v23({frameV23("TIT2", sjisText(" 曲名 ")), frameV23("TCON", sjisText(c.tcon))})
                   : v23({frameV23("TIT2", sjisText(" 曲名 "))});
        ASSERT_EQ(add(name, tag).outcome, AddOutcome::Registered) << name;
        Row r = row(name);
        EXPECT_EQ(r["Version"], "ID3v23");
        EXPECT_EQ(r["Title"], "曲名");
        EXPECT_EQ(r["Genre"], c.genre) << name;
        EXPECT_EQ(r["GenreNo"], c.number) << name;
    }
    EXPECT_TRUE(f.toolkit.messages.empty());
}

TEST_F(RegistrationTest, AnId3v2FileKeepsTrackCommentEncodingAndWorksOutTheDay) {
    Bytes tag = v23({frameV23("TRCK", sjisText("5/12")), frameV23("TYER", sjisText("20031225")),
                     frameV23("COMM", commentBody(1, "jpn", utf16(""), utf16("こんにちは")))});
    ASSERT_EQ(add("d.mp3", tag).outcome, AddOutcome::Registered);
    Row r = row("d.mp3");
    EXPECT_EQ(r["Trak"], "5/12");
    EXPECT_EQ(r["Year"], "2003");  // eight digits: the year, then month and day
    EXPECT_EQ(r["Day"], "1225");
    EXPECT_EQ(r["Comment"], "こんにちは");
    EXPECT_EQ(r["Encode"], "1");

    Bytes v22 = Id3v2Builder(2)
                    .frame(frameV22("TT2", sjisText("二")))
                    .frame(frameV22("TYE", sjisText("1999")))
                    .frame(frameV22("TDA", sjisText("2512")))
                    .build();
    ASSERT_EQ(add("e.mp3", v22).outcome, AddOutcome::Registered);
    Row r2 = row("e.mp3");
    EXPECT_EQ(r2["Version"], "ID3v22");
    EXPECT_EQ(r2["Year"], "1999");
    EXPECT_EQ(r2["Day"], "1225");
    EXPECT_EQ(r2["Encode"], "0");
}

TEST_F(RegistrationTest, AudioStartFollowsTheTag) {
    Bytes tag = v23({frameV23("TIT2", sjisText("x"))}, 4086 - 13);  // a 13-byte frame
    ASSERT_EQ(tag.size(), 4096u);                                   // TagSize 4086
    ASSERT_EQ(add("f.mp3", tag).outcome, AddOutcome::Registered);
    EXPECT_EQ(f.state.AudioStart, 4097);
}

TEST_F(RegistrationTest, RowsTheCatalogueRefusesShowTwoMessagesAndLeaveNoRow) {
    Bytes badGenre = v23({frameV23("TCON", sjisText("(RX)Rock"))});
    EXPECT_EQ(add("h.mp3", badGenre).outcome, AddOutcome::Refused);
    EXPECT_EQ(f.toolkit.prompts(),
              (std::vector<std::string>{
                  "fncInDbID3v2 : エラー :  13が発生しました。 : 型が一致しません。TagShelf",
                  "データベースへ登録できませんでした"}));
    f.toolkit.messages.clear();

    Bytes longComment =
        v23({frameV23("COMM", commentBody(0, "eng", {}, raw(std::string(31, 'c'))))});
    EXPECT_EQ(add("i.mp3", longComment).outcome, AddOutcome::Refused);
    ASSERT_EQ(f.toolkit.messages.size(), 2u);
    EXPECT_EQ(f.toolkit.messages[0].prompt.rfind(
                  "fncInDbID3v2 : エラー :  275が発生しました。 : CHECK constraint failed", 0),
              0u);
    EXPECT_EQ(f.toolkit.messages[1].prompt, "データベースへ登録できませんでした");
    f.toolkit.messages.clear();

    std::string longName(210, 'n');
    EXPECT_EQ(add(longName + ".mp3", {}).outcome, AddOutcome::Refused);
    EXPECT_EQ(f.toolkit.messages[0].prompt.rfind("fncInDbID3None : ", 0), 0u);
    EXPECT_EQ(rows(), 0);
}

TEST_F(RegistrationTest, ACataloguedPathIsSkippedSilentlyQuoteIncluded) {
    ASSERT_EQ(add("it's.mp3", {}).outcome, AddOutcome::Registered);
    EXPECT_EQ(add("it's.mp3", {}).outcome, AddOutcome::AlreadyThere);
    EXPECT_EQ(rows(), 1);
    Result<bool> known = fncIsInDb(f.state, f.dir.file("it's.mp3"));
    ASSERT_TRUE(known.ok());
    EXPECT_TRUE(*known);
    EXPECT_FALSE(*fncIsInDb(f.state, f.dir.file("its.mp3")));
    EXPECT_TRUE(f.toolkit.messages.empty());
    f.state.CurrentFile.clear();
    EXPECT_EQ(subAddFile(f.state).outcome, AddOutcome::AlreadyThere);
}

TEST_F(RegistrationTest, AFileThatCannotBeReadIsReportedBackAndNotStored) {
    f.state.CurrentFile = f.dir.file("gone.mp3");
    AddResult r = subAddFile(f.state);
    EXPECT_EQ(r.outcome, AddOutcome::Unreadable);
    EXPECT_EQ(r.error.number, ENOENT);
    EXPECT_EQ(rows(), 0);
    EXPECT_TRUE(f.toolkit.messages.empty());
    EXPECT_FALSE(std::filesystem::exists(f.dir.file("gone.mp3")));
}

TEST(GenreText, SplitsNumberAndName) {
    EXPECT_EQ(fncTconName("(17)Rock"), "Rock");
    EXPECT_EQ(*fncTconNo("(17)Rock"), 17);
    EXPECT_EQ(fncTconName("(17)"), "");
    EXPECT_EQ(fncTconName("(1)(2)x"), "(2)x");  // the first ")" ends the number
    EXPECT_EQ(*fncTconNo("( 8 )x"), 8);
    EXPECT_EQ(fncTconName("Rock"), "");
    EXPECT_EQ(*fncTconNo("Rock"), 0);
    EXPECT_EQ(*fncTconNo("(17"), 0);  // no ")": no number
    EXPECT_FALSE(fncTconNo("()Rock").ok());
    EXPECT_FALSE(fncTconNo("(RX)").ok());
    EXPECT_FALSE(fncTconNo("(1.5)").ok());
    EXPECT_EQ(*fncTconNo("(-1)"), -1);
}

TEST(GenreText, GenreNumbersTurnIntoTheirNames) {
    CatalogueFixture f;
    EXPECT_EQ(fncGetGenre(f.state, 0), "ブルース");
    EXPECT_EQ(fncGetGenre(f.state, 125), "ダンスホール");
    EXPECT_EQ(fncGetGenre(f.state, 126), "");
    EXPECT_EQ(fncGetGenre(f.state, 255), "");
    EXPECT_TRUE(f.toolkit.messages.empty());
}

}  // namespace
}  // namespace tagshelf::test

#include <gtest/gtest.h>

#include "cataloguing/registration.h"
#include "tests/support/catalogue_fixture.h"
#include "tests/support/tag_builder.h"

namespace tagshelf::test {
namespace {

class RegistrationTest : public ::testing::Test {
  protected:
    // Writes an MP3 file of the given tag bytes around some audio and registers it.
    AddResult add(const std::string& name, const Bytes& front, const Bytes& back = {}) {
        writeFile(f.dir.file(name), concat({front, fakeAudio(2000), back}));
        return subAddFile(f.cat, f.dir.file(name));
    }

    // The stored row of a file, its columns joined by "|" (FilePath left out).
    std::string row(const std::string& name) {
        std::vector<std::string> v = f.column(
            "SELECT Version || '|' || Title || '|' || Artist || '|' || Album || '|' || Trak || "
            "'|' || Year || '|' || Day || '|' || Genre || '|' || GenreNo || '|' || Comment || "
            "'|' || Encode FROM FileList WHERE FilePath = '" +
            f.dir.file(name) + "'");
        return v.empty() ? "" : v[0];
    }

    CatalogueFixture f;
};

Bytes v23(std::initializer_list<Bytes> frames, std::size_t padding = 0) {
    Id3v2Builder b(3);
    for (const Bytes& fr : frames)
        b.frame(fr);
    return b.padding(padding).build();
}

TEST_F(RegistrationTest, EachTagKindFillsTheColumns) {
    struct Case {
        const char* name;
        Bytes front, back;
        std::string row;  // Version|Title|Artist|Album|Trak|Year|Day|Genre|GenreNo|Comment|Encode
    };
    const Case cases[] = {
        // Names are cleaned, the comment keeps its spaces, genre 17 has its name.
        {"v11.mp3",
         {},
         id3v1Trailer({sjis("  曲  "), raw("A"), {}, raw("2003"), raw("c  "), 7, 17}),
         "ID3v11|曲|A| |7|2003| |ロック|17|c  | "},
        {"v1.mp3",
         {},
         id3v1Trailer({raw("t"), {}, {}, {}, {}, std::nullopt, 255}),
         "ID3v1|t| | | |" + std::string(4, '\0') + "| | |255| | "},  // the year's NULs kept
        {"none.mp3", {}, {}, "NONE| | | | | | | |999| | "},
        // Western legacy text reads as ISO-8859-1 beside code page 932.
        {"latin1.mp3",
         v23({frameV23("TIT2", raw(std::string("\0Caf\xE9 cr\xE8me", 11))),
              frameV23("TPE1", sjisText("ビョーク"))}),
         {},
         "ID3v23|Caf\u00e9 cr\u00e8me|ビョーク| | | | | |999| |0"},
        {"latin1v1.mp3",
         {},
         id3v1Trailer({raw("Bj\xF6rk"), {}, {}, {}, {}, 1, 255}),
         "ID3v11|Bj\u00f6rk| | |1|" + std::string(4, '\0') + "| | |255| | "},
        {"rock.mp3",
         v23({frameV23("TIT2", sjisText(" 曲名 ")), frameV23("TCON", sjisText("(17)Rock"))}),
         {},
         "ID3v23|曲名| | | | | |Rock|17| |0"},
        {"n17.mp3",
         v23({frameV23("TCON", sjisText("(17)"))}),
         {},
         "ID3v23| | | | | | |ロック|17| |0"},
        {"name.mp3",
         v23({frameV23("TCON", sjisText("rock"))}),
         {},
         "ID3v23| | | | | | |rock|17| |0"},
        {"jpop.mp3",
         v23({frameV23("TCON", sjisText("J-Pop"))}),
         {},
         "ID3v23| | | | | | |J-Pop|999| |0"},
        {"v24.mp3",
         Id3v2Builder(4)
             .frame(frameV24("TIT2", {3, 'T', 0xC3, 0xA9}))
             .frame(frameV24("TCON", raw(std::string("\x03"
                                                     "17\0Pop",
                                                     7))))
             .frame(frameV24("TDRC", raw("\x03"
                                         "2004-05-06T12:00")))
             .build(),
         {},
         "ID3v24|T\u00e9| | | |2004|506|ロック/Pop|17| |1"},
        {"date.mp3",
         v23({frameV23("TRCK", sjisText("5/12")), frameV23("TYER", sjisText("20031225")),
              frameV23("COMM", commentBody(1, "jpn", utf16(""), utf16("こんにちは")))}),
         {},
         "ID3v23| | | |5/12|2003|1225| |999|こんにちは|1"},
        {"v22.mp3",
         Id3v2Builder(2)
             .frame(frameV22("TYE", sjisText("1999")))
             .frame(frameV22("TDA", sjisText("2512")))
             .build(),
         {},
         "ID3v22| | | | |1999|1225| |999| |0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(add(c.name, c.front, c.back).outcome, AddOutcome::Registered);
        EXPECT_EQ(row(c.name), c.row);
    }
    EXPECT_TRUE(f.toolkit.messages.empty());
}

TEST_F(RegistrationTest, AudioStartFollowsTheTag) {
    AddResult v1 = add("v1.mp3", {}, id3v1Trailer({raw("t"), {}, {}, {}, {}, 1, 1}));
    ASSERT_EQ(v1.outcome, AddOutcome::Registered);
    EXPECT_EQ(v1.AudioStart, 1);
    Bytes tag = v23({frameV23("TIT2", sjisText("x"))}, 4086 - 13);  // a 13-byte frame
    AddResult v2 = add("f.mp3", tag);                               // TagSize 4086
    ASSERT_EQ(v2.outcome, AddOutcome::Registered);
    EXPECT_EQ(v2.AudioStart, 4097);
}

TEST_F(RegistrationTest, LongValuesAreKeptWhole) {
    const std::string deep = std::string(120, 'd') + "/" + std::string(120, 'e') + "/";
    std::filesystem::create_directories(f.dir.file(deep));
    const std::string comment(200, 'c');
    ASSERT_EQ(add(deep + std::string(60, 'f') + ".mp3",
                  v23({frameV23("TRCK", sjisText("10/100")),
                       frameV23("COMM", commentBody(0, "eng", {}, raw(comment)))}))
                  .outcome,
              AddOutcome::Registered);
    EXPECT_EQ(f.column("SELECT Trak || '|' || length(Comment) || '|' || length(FilePath) FROM "
                       "FileList"),
              std::vector<std::string>{"10/100|200|" + std::to_string(f.dir.str().size() + 307)});
}

TEST_F(RegistrationTest, RefusedRowsNameTheFileAndAreShownOrGathered) {
    const std::string tooLong = "コメントが長すぎます（4097文字、最大4096文字）";
    const struct {
        Bytes tag;
        std::vector<std::string> shown;  // the last with {path} for the file's path
        std::string gathered;
    } cases[] = {
        {v23({frameV23("TCON", sjisText("(RX)Rock"))}),
         {"fncInDbID3v2 : エラー :  13が発生しました。 : 型が一致しません。TagShelf",
          "データベースへ登録できませんでした\n{path}"},
         "型が一致しません。"},
        {v23({frameV23("COMM", commentBody(0, "eng", {}, raw(std::string(4097, 'c'))))}),
         {"データベースへ登録できませんでした\n{path}\n" + tooLong},
         tooLong},
    };
    int i = 0;
    for (const auto& c : cases) {
        const std::string name = std::to_string(++i) + ".mp3";
        f.toolkit.messages.clear();
        EXPECT_EQ(add(name, c.tag).outcome, AddOutcome::Refused);
        std::vector<std::string> expected = c.shown;
        std::string& last = expected.back();
        last.replace(last.find("{path}"), 6, f.dir.file(name));
        EXPECT_EQ(f.toolkit.prompts(), expected);
        f.toolkit.messages.clear();
        AddResult gathered = subAddFile(f.cat, f.dir.file(name), Refusals::Gather);
        EXPECT_EQ(gathered.outcome, AddOutcome::Refused);
        EXPECT_EQ(gathered.refusal, c.gathered);
        EXPECT_TRUE(f.toolkit.messages.empty());
    }
    EXPECT_EQ(fncDbReadCount(f.cat, "FileList"), 0);
}

TEST_F(RegistrationTest, KnownPathsAreSkippedSilentlyAndUnreadableFilesReportedBack) {
    ASSERT_EQ(add("it's.mp3", {}).outcome, AddOutcome::Registered);
    EXPECT_EQ(add("it's.mp3", {}).outcome, AddOutcome::AlreadyThere);
    EXPECT_FALSE(*fncIsInDb(f.cat, f.dir.file("its.mp3")));

    AddResult r = subAddFile(f.cat, f.dir.file("gone.mp3"));
    EXPECT_EQ(r.outcome, AddOutcome::Unreadable);
    EXPECT_EQ(r.error.number, ENOENT);
    EXPECT_FALSE(std::filesystem::exists(f.dir.file("gone.mp3")));
    EXPECT_EQ(fncDbReadCount(f.cat, "FileList"), 1);
    EXPECT_TRUE(f.toolkit.messages.empty());
}

TEST(GenreText, SplitsNumberAndNameAndLooksUpNumbers) {
    const std::tuple<const char*, const char*, int> splits[] = {
        {"(17)Rock", "Rock", 17}, {"(17)", "", 17}, {"(1)(2)x", "(2)x", 1}, {"( 8 )x", "x", 8},
        {"Rock", "", 0},          {"(17", "", 0},   {"(-1)", "", -1}};
    for (const auto& [text, name, number] : splits) {
        EXPECT_EQ(fncTconName(text), name) << text;
        EXPECT_EQ(*fncTconNo(text), number) << text;
    }
    for (const char* bad : {"()Rock", "(RX)", "(1.5)"})
        EXPECT_FALSE(fncTconNo(bad).ok()) << bad;

    CatalogueFixture f;
    EXPECT_EQ(fncGetGenre(f.cat, 0), "ブルース");
    EXPECT_EQ(fncGetGenre(f.cat, 125), "ダンスホール");
    EXPECT_EQ(fncGetGenre(f.cat, 126), "");
    EXPECT_EQ(fncGetGenre(f.cat, 255), "");
    EXPECT_TRUE(f.toolkit.messages.empty());
}

}  // namespace
}  // namespace tagshelf::test

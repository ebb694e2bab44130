// tagshelf-cli add and list, on catalogues and trees made in the test.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/cli_run.h"
#include "tests/support/tag_builder.h"
#include "tests/support/test_support.h"

namespace tagshelf::test {
namespace {

namespace fs = std::filesystem;

using Outcome = CliOutcome;
constexpr auto cli = runCli;

class CliCatalogueTest : public ::testing::Test {
  protected:
    std::string mp3(const std::string& relative, const Bytes& front, const Bytes& back = {}) {
        fs::path p = dir.path() / "music" / relative;
        fs::create_directories(p.parent_path());
        writeFile(p.string(), concat({front, fakeAudio(600), back}));
        return p.string();
    }
    std::string catalogue() const { return dir.file("cat.db"); }
    TempDir dir;
};

TEST_F(CliCatalogueTest, AddRegistersLikeADropAndListPrintsTheRows) {
    std::string a =
        mp3("album/a.mp3", Id3v2Builder(3).frame(frameV23("TIT2", sjisText("曲"))).build());
    std::string b = mp3("b.mp3", {}, id3v1Trailer({raw("B"), {}, {}, raw("2003"), {}, 4, 17}));
    mp3("C.MP3", {});

    Outcome missing = cli({"add", "--catalogue", catalogue(), dir.file("music")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_FALSE(fs::exists(catalogue()));

    Outcome added = cli({"add", "--catalogue", catalogue(), "--create", dir.file("music"), b,
                         dir.file("music/C.MP3")});
    EXPECT_EQ(added.status, 0) << added.err;
    EXPECT_EQ(added.out, "registered 3, skipped 2, failed 0\n");  // C.MP3 and b given twice

    Outcome listed = cli({"list", "--catalogue", catalogue()});
    ASSERT_EQ(listed.status, 0);
    auto rows = listed.lines();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0]["FilePath"], a);  // subfolders first
    EXPECT_EQ(rows[0]["Title"], "曲");
    EXPECT_EQ(rows[0]["Version"], "ID3v23");
    EXPECT_EQ(rows[1]["FilePath"], dir.file("music/C.MP3"));
    EXPECT_EQ(rows[1]["Version"], "NONE");
    EXPECT_EQ(rows[2]["FilePath"], b);
    EXPECT_EQ(rows[2]["Trak"], "4");
    EXPECT_EQ(rows[2]["Genre"], "ロック");
    EXPECT_EQ(rows[2]["Day"], " ");
    EXPECT_EQ(rows[0].size(), 12u);

    Outcome again = cli({"add", "--catalogue", catalogue(), b});
    EXPECT_EQ(again.out, "registered 0, skipped 1, failed 0\n");
}

TEST_F(CliCatalogueTest, AddPrintsTheProgramsMessagesAndCountsFailures) {
    const std::string refused =
        mp3("long.mp3",
            Id3v2Builder(3)
                .frame(frameV23("COMM", commentBody(0, "eng", {}, raw(std::string(4097, 'x')))))
                .build());
    Outcome o = cli({"add", "--catalogue", catalogue(), "--create", dir.file("music")});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "registered 0, skipped 0, failed 1\n");
    EXPECT_EQ(o.err, "データベースへ登録できなかったファイルが1件あります。 | " + refused +
                         "（コメントが長すぎます（4097文字、最大4096文字））\n");
}

TEST_F(CliCatalogueTest, AddRefusesPathsThatAreNeitherMp3FilesNorFolders) {
    writeText(dir.file("notes.txt"), "");
    for (const auto& [path, why] :
         {std::pair{dir.file("no/such/folder"), "no such file or folder"},
          {"/dev/null", "neither a file nor a folder"},
          {dir.file("notes.txt"), "not an MP3 file (the name does not end in .mp3)"}}) {
        Outcome o = cli({"add", "--catalogue", catalogue(), "--create", path});
        EXPECT_EQ(o.status, 1) << path;
        EXPECT_EQ(o.err, "tagshelf-cli add: " + path + ": " + why + "\n");
        EXPECT_EQ(o.out, "");
    }
    EXPECT_FALSE(fs::exists(catalogue()));
}

TEST_F(CliCatalogueTest, TheDefaultCatalogueIsTheOneTheIniFileNames) {
    fs::path folder = dir.path() / "TagShelf";
    fs::create_directory(folder);
    writeText((folder / "TagShelf.ini").string(), "[DATABASE]\r\nNAME=\\list.db\r\n");
    std::string b = mp3("b.mp3", {});
    fs::path before = fs::current_path();
    fs::current_path(folder);
    Outcome added = cli({"add", "--create", b});
    Outcome listed = cli({"list", "--table", "FileList"});
    fs::current_path(dir.path());
    Outcome noIni = cli({"list"});
    fs::current_path(before);
    EXPECT_EQ(added.status, 0) << added.err;
    EXPECT_TRUE(fs::exists(folder / "list.db"));
    ASSERT_EQ(listed.lines().size(), 1u);
    EXPECT_EQ(listed.lines()[0]["FilePath"], b);
    EXPECT_EQ(noIni.status, 1);
    EXPECT_NE(noIni.err.find("データベース名の取得に失敗しました"), std::string::npos);
}

TEST_F(CliCatalogueTest, AddReportsACatalogueThatCannotBeOpenedOnce) {
    mp3("a.mp3", {});
    mp3("b.mp3", {});
    writeText(catalogue(), "not a database");
    Outcome o = cli({"add", "--catalogue", catalogue(), dir.file("music")});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "");
    // One readable line, not the window's run-together message.
    EXPECT_EQ(o.err, "fncDbOpen: error 26: file is not a database (SQLite)\n");
    EXPECT_EQ(readText(catalogue()), "not a database");
}

TEST_F(CliCatalogueTest, ListRefusesOtherTablesAndReportsAMissingCatalogue) {
    EXPECT_EQ(cli({"list", "--catalogue", catalogue(), "--table", "GENRE"}).status, 2);
    Outcome o = cli({"list", "--catalogue", catalogue()});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err.rfind("fncDbOpen: error 14: ", 0), 0u);
    EXPECT_FALSE(fs::exists(catalogue()));
}

TEST_F(CliCatalogueTest, SearchAndExportGiveWhatTheWindowShowsAndWrites) {
    std::string a =
        mp3("a.mp3", {}, id3v1Trailer({raw("Rain"), {}, raw("b"), raw("2003"), {}, 1, 17}));
    std::string b = mp3(
        "b.mp3", {}, id3v1Trailer({raw("Sun"), raw("rain man"), raw("a"), raw("2003"), {}, 4, 17}));
    mp3("c.mp3", {});
    ASSERT_EQ(cli({"add", "--catalogue", catalogue(), "--create", dir.file("music")}).status, 0);
    for (const auto& [sort, titles] :
         {std::pair{"タイトル", "Rain Sun "}, {"Album", "Sun Rain "}}) {
        Outcome o = cli({"search", "RAIN", "--catalogue", catalogue(), "--sort", sort});
        std::string got;
        for (const auto& line : o.lines())
            got += line["Title"].get<std::string>() + " ";
        EXPECT_EQ(got, titles) << o.err;
    }
    Outcome none = cli({"search", "zzz", "--catalogue", catalogue()});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.err, "検索結果0件です\n");
    EXPECT_EQ(cli({"search", "rain", "--sort", "GenreNo"}).status, 2);

    const std::string out = dir.file("out.csv");
    EXPECT_EQ(cli({"export", out, "--catalogue", catalogue(), "--search", "rain"}).status, 0);
    EXPECT_EQ(readText(out),
              "Rain, ,b,1,2003, ,\x83\x8d\x83\x62\x83N,17, , ,ID3v11," + a +
                  "\r\nSun,rain man,a,4,2003, ,\x83\x8d\x83\x62\x83N,17, , ,ID3v11," + b +
                  "\r\n\r\n");
    EXPECT_EQ(cli({"export", out, "--encoding", "latin1"}).status, 2);
}

}  // namespace
}  // namespace tagshelf::test

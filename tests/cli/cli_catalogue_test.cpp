// tagshelf-cli add, list, search and export, on catalogues and trees made in the test.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/cli_run.h"
#include "tests/support/tag_builder.h"
#include "tests/support/test_support.h"

namespace tagshelf::test {
namespace {

namespace fs = std::filesystem;

class CliCatalogueTest : public ::testing::Test {
  protected:
    std::string mp3(const std::string& relative, const Bytes& front, const Bytes& back = {}) {
        fs::path p = dir.path() / "music" / relative;
        fs::create_directories(p.parent_path());
        writeFile(p.string(), concat({front, fakeAudio(600), back}));
        return p.string();
    }
    CliOutcome cli(std::vector<std::string> args) {
        args.insert(args.begin() + 1, {"--catalogue", db});
        return runCli(args);
    }
    TempDir dir;
    const std::string db = dir.file("cat.db"), music = dir.file("music");
};

TEST_F(CliCatalogueTest, AddRegistersLikeADropAndListPrintsTheRows) {
    const std::string a = mp3("album/a.mp3", Id3v2Builder(3).frame(frameV23("TIT2", sjisText("曲"))).build());
    const std::string b = mp3("b.mp3", {}, id3v1Trailer({raw("B"), {}, {}, raw("2003"), {}, 4, 17}));
    const std::string c = mp3("C.MP3", {});
    EXPECT_EQ(cli({"add", music}).status, 1);  // no catalogue, none made
    EXPECT_FALSE(fs::exists(db));
    CliOutcome added = cli({"add", "--create", music, b, c});
    EXPECT_EQ(added.status, 0) << added.err;
    EXPECT_EQ(added.out, "registered 3, skipped 2, failed 0\n");  // C.MP3 and b given twice
    std::string rows;
    for (const auto& row : cli({"list"}).lines())
        rows += row["FilePath"].get<std::string>() + "|" + row["Title"].get<std::string>() + "|" +
                row["Genre"].get<std::string>() + "|" + std::to_string(row.size()) + "\n";
    EXPECT_EQ(rows, a + "|曲| |12\n" + c + "| | |12\n" + b + "|B|ロック|12\n");  // subfolders first
    EXPECT_EQ(cli({"add", b}).out, "registered 0, skipped 1, failed 0\n");
}

TEST_F(CliCatalogueTest, AddPrintsTheProgramsMessagesAndCountsFailures) {
    const std::string refused = mp3(
        "long.mp3",
        Id3v2Builder(3)
            .frame(frameV23("COMM", commentBody(0, "eng", {}, raw(std::string(4097, 'x')))))
            .build());
    CliOutcome o = cli({"add", "--create", music});
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
        CliOutcome o = cli({"add", "--create", path});
        EXPECT_EQ(o.status, 1) << path;
        EXPECT_EQ(o.err + o.out, "tagshelf-cli add: " + path + ": " + why + "\n");
    }
    EXPECT_FALSE(fs::exists(db));
}

TEST_F(CliCatalogueTest, TheDefaultCatalogueIsTheOneTheIniFileNames) {
    fs::path folder = dir.path() / "TagShelf";
    fs::create_directory(folder);
    writeText((folder / "TagShelf.ini").string(), "[DATABASE]\r\nNAME=\\list.db\r\n");
    std::string b = mp3("b.mp3", {});
    fs::path before = fs::current_path();
    fs::current_path(folder);
    CliOutcome added = runCli({"add", "--create", b});
    CliOutcome listed = runCli({"list", "--table", "FileList"});
    fs::current_path(dir.path());
    CliOutcome noIni = runCli({"list"});
    fs::current_path(before);
    EXPECT_EQ(added.status, 0) << added.err;
    EXPECT_TRUE(fs::exists(folder / "list.db"));
    EXPECT_EQ(listed.lines().at(0)["FilePath"], b);
    EXPECT_EQ(noIni.status, 1);
    EXPECT_NE(noIni.err.find("データベース名の取得に失敗しました"), std::string::npos);
}

TEST_F(CliCatalogueTest, ACatalogueThatCannotBeOpenedIsReportedOnceInOneLine) {
    mp3("a.mp3", {});
    mp3("b.mp3", {});
    EXPECT_EQ(cli({"list", "--table", "GENRE"}).status, 2);
    CliOutcome missing = cli({"list"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err.rfind("fncDbOpen: error 14: ", 0), 0u);
    EXPECT_FALSE(fs::exists(db));
    writeText(db, "not a database");
    CliOutcome o = cli({"add", music});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err + o.out, "fncDbOpen: error 26: file is not a database (SQLite)\n");
    EXPECT_EQ(readText(db), "not a database");
}

TEST_F(CliCatalogueTest, SearchAndExportGiveWhatTheWindowShowsAndWrites) {
    std::string a = mp3("a.mp3", {}, id3v1Trailer({raw("Rain"), {}, raw("b"), raw("2003"), {}, 1, 17}));
    std::string b = mp3("b.mp3", {}, id3v1Trailer({raw("Sun"), raw("rain man"), raw("a"), raw("2003"), {}, 4, 17}));
    mp3("c.mp3", {});
    ASSERT_EQ(cli({"add", "--create", music}).status, 0);
    for (const auto& [sort, titles] : {std::pair{"タイトル", "Rain Sun "}, {"Album", "Sun Rain "}}) {
        std::string got;
        for (const auto& line : cli({"search", "RAIN", "--sort", sort}).lines())
            got += line["Title"].get<std::string>() + " ";
        EXPECT_EQ(got, titles);
    }
    CliOutcome none = cli({"search", "zzz"});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.err, "検索結果0件です\n");
    EXPECT_EQ(cli({"search", "rain", "--sort", "GenreNo"}).status, 2);
    const std::string out = dir.file("out.csv");
    EXPECT_EQ(cli({"export", out, "--search", "rain"}).status, 0);
    EXPECT_EQ(readText(out), "Rain, ,b,1,2003, ,\x83\x8d\x83\x62\x83N,17, , ,ID3v11," + a +
                                 "\r\nSun,rain man,a,4,2003, ,\x83\x8d\x83\x62\x83N,17, , ,ID3v11," +
                                 b + "\r\n\r\n");
    EXPECT_EQ(cli({"export", out, "--encoding", "latin1"}).status, 2);
}

}  // namespace
}  // namespace tagshelf::test

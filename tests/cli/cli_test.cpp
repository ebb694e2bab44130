// tagshelf-cli tag and write (an edit read back, the fields not given kept, failures),
// and add, list, search and export on catalogues and trees made in the test. A scan
// killed at any moment (before each write or flush of the catalogue, then at random)
// leaves a sound catalogue with every committed row, and adding the folder again
// registers exactly the rest; through the command line and the window's path.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cerrno>
#include <filesystem>
#include <random>
#include <set>

#include "catalogue/catalogue.h"
#include "catalogue/db.h"
#include "catalogue/schema.h"
#include "cataloguing/registration.h"
#include "cataloguing/scan.h"
#include "cli/commands.h"
#include "core/file_ops.h"
#include "id3/reader.h"
#include "tests/support/catalogue_fixture.h"
#include "tests/support/cli_run.h"
#include "tests/support/faulty_vfs.h"
#include "tests/support/kill_support.h"
#include "tests/support/music_folder.h"
#include "tests/support/tag_builder.h"

namespace tagshelf::test {
namespace {

TEST(CliTag, OneLinePerFileForEachFamilyAndAnErrorLineForAnUnreadableOne) {
    TempDir dir;
    const std::string v1 = dir.file("v1.mp3"), v2 = dir.file("v2.mp3");
    writeFile(v1,
              concat({fakeAudio(1000), id3v1Trailer({sjis("題名"), {}, {}, {}, raw("c"), 7, 17})}));
    writeFile(v2, Id3v2Builder(3).frame(frameV23("TIT2", utf16Text("歌"))).build());
    const CliOutcome run = runCli({"tag", v1, v2, dir.file("missing.mp3")});
    EXPECT_EQ(run.status, cli::kExitFailure);
    const auto o = run.lines();
    ASSERT_EQ(o.size(), 3u);
    EXPECT_EQ(o[0].dump(), R"({"path":")" + v1 +
                               R"(","family":0,"tag":{"IsV11":1,"Title":"題名","Artist":"",)"
                               R"("Album":"","Year":"\u0000\u0000\u0000\u0000","Comment":"c",)"
                               R"("Track":7,"Genre":17}})");
    EXPECT_EQ(o[1]["family"].dump() + o[1]["tag"]["Title"].dump(), R"(2"歌")");
    EXPECT_TRUE(o[2]["error"].is_string() && !o[2].contains("tag"));
}

class CliWrite : public ::testing::Test {
  protected:
    void SetUp() override { writeFile(path, before); }
    CliOutcome write(std::vector<std::string> args) {
        args.insert(args.begin(), {"write", path});
        return runCli(args);
    }

    TempDir dir;
    const std::string path = dir.file("a.mp3");
    const Bytes audio = fakeAudio(4000, 5);
    const Bytes before = concat(
        {Id3v2Builder(3)
             .frames({frameV23("TIT2", utf16Text("Old")), frameV23("TRCK", utf16Text("5/12")),
                      frameV23("TCON", utf16Text("(17)Rock")), frameV23("TDAY", utf16Text("2512"))})
             .padding(500)
             .build(),
         audio});
};

TEST_F(CliWrite, EditsTheFileAndKeepsTheFieldsNotGiven) {
    const CliOutcome o = write({"--title", "題名", "--year=2003"});
    ASSERT_EQ(o.status, cli::kExitOk) << o.err;
    const Id3v2Tag tag = *fncReadID3v2(path);
    EXPECT_EQ(tag.Title + "|" + tag.Year + "|" + tag.Track + "|" + tag.Genre + "|" + tag.Day + "|" +
                  std::to_string(tag.Encode),
              "題名|2003|5/12|(17)Rock|1225|1");
}

TEST_F(CliWrite, RefusalsAndFailuresLeaveTheFileAsItWas) {
    struct : fileops::FileSystem {
        int rename(const char*, const char*) override { return errno = EIO, -1; }
    } noRename;
    CliOutcome failed;
    {
        fileops::ScopedFileSystem scoped(noRename);
        failed = write({"--title", "x"});
    }
    const struct {
        CliOutcome o;
        int status;
        const char* err;
    } cases[] = {
        {failed, cli::kExitFailure, "rename"},
        // Neither code page holds the whole text.
        {write({"--encoding", "0", "--title", "café日本", "--comment", "café日本"}),
         cli::kExitFailure, "characters of --title --comment can't be held"},
        {write({"--month", "13"}), cli::kExitUsage, "usage: tagshelf-cli write"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.o.status, c.status) << c.err;
        EXPECT_NE(c.o.err.find(c.err), std::string::npos) << c.o.err;
    }
    EXPECT_EQ(readFile(path), before);
    EXPECT_EQ(write({"--encoding", "0", "--title", "café日本", "--lossy"}).status, cli::kExitOk);
    EXPECT_EQ(fncReadID3v2(path)->Title, "caf?日本");
    // A text ISO-8859-1 holds is written in it, in ID3v1 cut at the width.
    const std::string thirty = std::string(29, 'x') + "é";
    ASSERT_EQ(write({"--version", "ID3v1", "--title", thirty + "z"}).status, cli::kExitOk);
    EXPECT_EQ(fncReadID3v1(path)->Title, thirty);
}

TEST_F(CliWrite, TheCatalogueRowIsUpdatedAsOkDoes) {
    CatalogueFixture f;
    ASSERT_EQ(subAddFile(f.cat, path).outcome, AddOutcome::Registered);
    CliOutcome o = write({"--version", "ID3v11", "--track", "4", "--catalogue", f.dbPath()});
    EXPECT_EQ(o.status, cli::kExitOk) << o.err;
    EXPECT_EQ(f.column("SELECT Version || Title || Trak || Genre || GenreNo FROM FileList"),
              std::vector<std::string>{"ID3v11Old4Rock17"});
}

class CliCatalogueTest : public ::testing::Test {
  protected:
    std::string mp3(const std::string& relative, const Bytes& front, const Bytes& back = {}) {
        return songs.add(relative, concat({front, fakeAudio(600), back}));
    }
    CliOutcome cli(std::vector<std::string> args) {
        args.insert(args.begin() + 1, {"--catalogue", db});
        return runCli(args);
    }
    TempDir dir;
    MusicFolder songs;
    const std::string db = dir.file("cat.db"), music = songs.root.str();
};

TEST_F(CliCatalogueTest, AddRegistersLikeADropAndListPrintsTheRows) {
    const std::string a =
        mp3("album/a.mp3", Id3v2Builder(3).frame(frameV23("TIT2", sjisText("曲"))).build());
    const std::string b =
        mp3("b.mp3", {}, id3v1Trailer({raw("B"), {}, {}, raw("2003"), {}, 4, 17}));
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
    const std::string refused =
        mp3("long.mp3",
            Id3v2Builder(3)
                .frame(frameV23("COMM", commentBody(0, "eng", {}, raw(std::string(4097, 'x')))))
                .build());
    CliOutcome o = cli({"add", refused});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "registered 0, skipped 0, failed 1\n");
    EXPECT_EQ(o.err, "データベースへ登録できなかったファイルが1件あります。 | " + refused +
                         "（コメントが長すぎます（4097文字、最大4096文字））\n");
}

TEST_F(CliCatalogueTest, SearchAndExportGiveWhatTheWindowShowsAndWrites) {
    std::string a =
        mp3("a.mp3", {}, id3v1Trailer({raw("Rain"), {}, raw("b"), raw("2003"), {}, 1, 17}));
    std::string b = mp3(
        "b.mp3", {}, id3v1Trailer({raw("Sun"), raw("rain man"), raw("a"), raw("2003"), {}, 4, 17}));
    mp3("c.mp3", {});
    ASSERT_EQ(cli({"add", "--create", music}).status, 0);
    std::string got;
    for (const auto& line : cli({"search", "RAIN", "--sort", "Album"}).lines())
        got += line["Title"].get<std::string>() + " ";
    EXPECT_EQ(got, "Sun Rain ");
    CliOutcome none = cli({"search", "zzz"});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.err, "検索結果0件です\n");
    const std::string out = dir.file("out.csv");
    EXPECT_EQ(cli({"export", out, "--search", "rain"}).status, 0);
    EXPECT_EQ(readText(out),
              "Rain, ,b,1,2003, ,\x83\x8d\x83\x62\x83N,17, , ,ID3v11," + a +
                  "\r\nSun,rain man,a,4,2003, ,\x83\x8d\x83\x62\x83N,17, , ,ID3v11," + b +
                  "\r\n\r\n");
}

struct Tree {
    explicit Tree(int files) { folder.addMany(files, 50); }
    MusicFolder folder;
    std::string db = folder.root.file("catalogue.db");
};

// An empty catalogue with its tables, as a start makes it.
void makeCatalogue(const std::string& db) {
    writeText(db, "");
    ScriptedToolkit toolkit;
    Catalogue cat(toolkit);
    cat.fileOverride = db;
    subCreateTables(cat);
}

// The paths held, opened as a start would (a journal is played back); sound or fails.
std::set<std::string> rowsAfterKill(const std::string& db) {
    sqlite3* conn = nullptr;
    EXPECT_EQ(sqlite3_open_v2(db.c_str(), &conn, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    std::vector<std::string> out;
    for (const char* sql : {"PRAGMA integrity_check", "SELECT FilePath FROM FileList"}) {
        sqlite3_stmt* st = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(conn, sql, -1, &st, nullptr), SQLITE_OK);
        while (sqlite3_step(st) == SQLITE_ROW)
            out.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        sqlite3_finalize(st);
    }
    sqlite3_close(conn);
    EXPECT_EQ(out.at(0), "ok");
    std::set<std::string> rows(out.begin() + 1, out.end());
    EXPECT_EQ(rows.size() + 1, out.size()) << "a file registered twice";
    return rows;
}

// The main window's way: the folder scan, then registration in batches.
long scanLikeTheWindow(const Tree& tree, std::chrono::milliseconds commitInterval) {
    ScriptedToolkit toolkit;
    Catalogue cat(toolkit);
    cat.fileOverride = tree.db;
    cat.engine().commitInterval = commitInterval;
    auto progress = toolkit.beginProgress("ファイルを登録しています");
    const std::string folder = tree.folder.root.str();
    return addFiles(
               cat,
               [&](Progress* p) {
                   FileCollection files;
                   subGetFiles(files, folder, true, p);
                   return files;
               },
               progress.get())
        .registered;
}

// tagshelf-cli add --catalogue DB FOLDER; gives the number it reports registered.
long addLikeTheCommandLine(const Tree& tree) {
    const std::string text = runCli({"add", "--catalogue", tree.db, tree.folder.root.str()}).out;
    const std::size_t at = text.rfind("registered ");
    return at == std::string::npos ? -1 : std::stol(text.substr(at + 11));
}

TEST(KilledScan, AtEveryWriteAndFlushOfTheCatalogue) {
    Tree tree(6);
    FaultyVfs vfs;
    const std::string empty = tree.folder.root.file("empty.db");
    makeCatalogue(empty);
    std::size_t kills = 0;
    for (std::size_t call = 1;; ++call) {
        fs::copy_file(empty, tree.db, fs::copy_options::overwrite_existing);
        const ChildEnd end = runAndKill([&] {
            vfs.calls = 0;
            vfs.before = [call](std::size_t n) {
                if (n == call) pauseHere();
            };
            return scanLikeTheWindow(tree, std::chrono::milliseconds(0)) == 6 ? 0 : 1;
        });
        SCOPED_TRACE("killed before call " + std::to_string(call));
        const std::set<std::string> kept = rowsAfterKill(tree.db);
        if (!end.killed) {
            EXPECT_EQ(end.exitCode, 0);
            EXPECT_EQ(kept.size(), 6u);
            break;
        }
        ++kills;
        EXPECT_EQ(scanLikeTheWindow(tree, std::chrono::milliseconds(0)),
                  6 - static_cast<long>(kept.size()));
        EXPECT_EQ(rowsAfterKill(tree.db).size(), 6u);
    }
    EXPECT_GE(kills, 12u);  // at least the journal and the file written, per file
}

TEST(KilledScan, AtRandomMomentsThroughTheCommandLineAndTheWindow) {
    const int total = 1500;
    Tree tree(total);
    makeCatalogue(tree.db);
    const std::string scratch = tree.db + ".scratch";
    fs::copy_file(tree.db, scratch);
    // Kills fall anywhere in the time a whole scan takes.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(addLikeTheCommandLine(tree), total);
    const auto took = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - start);
    fs::rename(scratch, tree.db);

    const unsigned seed = std::random_device()();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::uniform_int_distribution<long> moment(0, took.count());
    std::set<std::string> kept;
    for (int i = 0; i < 8; ++i) {
        const bool window = i % 2 == 1;
        const auto delay = std::chrono::microseconds(moment(random));
        SCOPED_TRACE(std::string(window ? "window" : "command line") + " killed after " +
                     std::to_string(delay.count()) + " µs");
        runAndKill(
            [&] {
                const long n = window ? scanLikeTheWindow(tree, std::chrono::milliseconds(20))
                                      : addLikeTheCommandLine(tree);
                return n >= 0 ? 0 : 1;
            },
            delay);
        const std::set<std::string> now = rowsAfterKill(tree.db);
        EXPECT_TRUE(std::includes(now.begin(), now.end(), kept.begin(), kept.end()));
        kept = now;
    }
    EXPECT_EQ(addLikeTheCommandLine(tree), total - static_cast<long>(kept.size()));
    EXPECT_EQ(rowsAfterKill(tree.db).size(), static_cast<std::size_t>(total));
}

}  // namespace
}  // namespace tagshelf::test

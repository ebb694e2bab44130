#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "id3/folder_scan.h"
#include "tests/id3/tag_builder.h"
#include "tests/support/catalogue_fixture.h"

namespace tagshelf::test {
namespace {

namespace fs = std::filesystem;

// A music folder with files made on request.
class Tree {
  public:
    std::string add(const std::string& relative, const Bytes& bytes = fakeAudio(500)) {
        fs::path p = root.path() / relative;
        fs::create_directories(p.parent_path());
        writeFile(p.string(), bytes);
        return p.string();
    }
    std::string dir(const std::string& relative) const { return (root.path() / relative).string(); }
    TempDir root;
};

std::vector<std::string> collect(const std::string& folder) {
    FileCollection c;
    subGetFiles(c, folder, true);
    return c.files;
}

TEST(FolderScan, SubfoldersComeFirstDepthFirstAndHiddenEntriesAreLeftOut) {
    Tree t;
    std::string a = t.add("a.mp3");
    std::string b = t.add("sub/b.mp3");
    std::string c = t.add("sub/deeper/c.MP3");
    std::string d = t.add("z/d.Mp3");
    std::string e = t.add("e.mp3");
    t.add("notes.txt");
    t.add("a.mp3.bak");
    t.add(".hidden.mp3");
    t.add(".folder/inside.mp3");
    fs::create_directories(t.dir("album.mp3"));  // a folder, not a file
    EXPECT_EQ(collect(t.root.str()), (std::vector<std::string>{c, b, d, a, e}));
    // The folder may be given with its trailing separator; without subfolders
    // only its own files count.
    FileCollection own;
    subGetFiles(own, t.root.str() + "/", false);
    EXPECT_EQ(own.files, (std::vector<std::string>{a, e}));
    EXPECT_EQ(a, t.root.str() + "/a.mp3");
}

TEST(FolderScan, LinksAreFollowedAndALoopIsScannedOnce) {
    Tree t;
    std::string a = t.add("music/a.mp3");
    fs::create_directory_symlink(t.dir("music"), t.dir("music/again"));  // a loop
    fs::create_symlink(a, t.dir("music/link.mp3"));
    fs::create_symlink(t.dir("missing.mp3"), t.dir("music/dangling.mp3"));
    std::vector<std::string> files = collect(t.dir("music"));
    EXPECT_EQ(files, (std::vector<std::string>{a, t.dir("music/link.mp3")}));
}

TEST(FolderScan, AFolderThatCannotBeReadIsCountedAndSkipped) {
    Tree t;
    std::string a = t.add("open/a.mp3");
    t.add("closed/b.mp3");
    ::chmod(t.dir("closed").c_str(), 0);
    openUp(t.dir("open"));
    int result = runUnprivileged([&] {
        FileCollection c;
        subGetFiles(c, t.root.str(), true);
        if (c.files != std::vector<std::string>{a}) return 1;
        if (c.unreadableFolders != std::vector<std::string>{t.dir("closed") + "/"}) return 2;
        return 0;
    });
    EXPECT_EQ(result, 0);
}

TEST(DropRules, Mp3NamesAndFolderLikeNames) {
    // A lower-case ".mp3" is a file; a name whose fourth character from the end
    // (characters, not bytes) is not "." is a folder; anything else is ignored.
    for (const char* accepted : {"/m/song.mp3", "/m/readme", "/m/アルバム", "/m"}) {
        EXPECT_TRUE(isDropAccepted(accepted)) << accepted;
    }
    for (const char* ignored : {"/m/SONG.MP3", "/m/notes.txt", "/m/曲.wav"}) {
        EXPECT_FALSE(isDropAccepted(ignored)) << ignored;
    }
    EXPECT_FALSE(isDroppedMp3("/m/SONG.MP3"));
}

TEST(DropRules, DroppedPathsExpandInOrder) {
    Tree t;
    std::string song = t.add("song.mp3");
    t.add("SONG2.MP3");
    std::string inTree = t.add("album/x.mp3");
    std::string readme = t.add("readme", raw("text"));
    FileCollection c = collectDropped(
        {t.dir("SONG2.MP3"), song, t.dir("album"), readme, t.dir("no such folder"), song});
    EXPECT_EQ(c.files, (std::vector<std::string>{song, inTree, song}));
    EXPECT_TRUE(c.unreadableFolders.empty());
}

TEST(Registering, EveryFileOnceSkippingWhatCannotBeRead) {
    CatalogueFixture f;
    Tree t;
    std::string a =
        t.add("a.mp3", concat({fakeAudio(300), id3v1Trailer({raw("A"), {}, {}, {}, {}, 1, 17})}));
    std::string b = t.add("b.mp3");
    std::vector<std::string> files{a, t.dir("vanished.mp3"), b, a};
    ScanReport r = registerFiles(f.state, files, nullptr);
    EXPECT_EQ(r.registered, 2);
    EXPECT_EQ(r.alreadyThere, 1);
    EXPECT_EQ(r.unreadable, std::vector<std::string>{t.dir("vanished.mp3")});
    EXPECT_FALSE(r.cancelled);
    EXPECT_EQ(f.column("SELECT FilePath FROM FileList ORDER BY rowid"),
              (std::vector<std::string>{a, b}));
    EXPECT_EQ(skippedMessage(r),
              "読み込めなかったファイルが1件あり、登録しませんでした。\n" + t.dir("vanished.mp3"));
    EXPECT_TRUE(f.toolkit.messages.empty());
}

TEST(Registering, CancellingStopsAfterTheCurrentFileAndKeepsWhatWasStored) {
    CatalogueFixture f;
    Tree t;
    std::vector<std::string> files;
    for (int i = 0; i < 5; ++i)
        files.push_back(t.add("f" + std::to_string(i) + ".mp3"));
    f.toolkit.cancelAfter = 3;  // the third report answers "stop"
    auto progress = f.toolkit.beginProgress("x");
    ScanReport r = registerFiles(f.state, files, progress.get());
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(r.registered, 2);
    f.state.engine().close();
    EXPECT_EQ(f.column("SELECT count(*) FROM FileList"), std::vector<std::string>{"2"});
}

TEST(Registering, RowsWhoseCommitFailsAreReportedLostNotRegistered) {
    CatalogueFixture f;
    Tree t;
    std::vector<std::string> files;
    for (int i = 0; i < 3; ++i)
        files.push_back(t.add("f" + std::to_string(i) + ".mp3"));
    f.state.engine().setBusyTimeout(std::chrono::milliseconds(10));
    // Another program reads the catalogue and keeps its read open, so the commit
    // can't take the file.
    sqlite3* reader = nullptr;
    ASSERT_EQ(sqlite3_open_v2(f.dbPath().c_str(), &reader, SQLITE_OPEN_READONLY, nullptr),
              SQLITE_OK);
    ASSERT_EQ(
        sqlite3_exec(reader, "BEGIN; SELECT count(*) FROM FileList", nullptr, nullptr, nullptr),
        SQLITE_OK);
    ScanReport r = registerFiles(f.state, files, nullptr);
    EXPECT_EQ(r.registered, 0);
    EXPECT_EQ(r.lost, 3);
    ASSERT_TRUE(r.commitError.has_value());
    EXPECT_EQ(r.commitError->number & 0xFF, SQLITE_BUSY);
    EXPECT_NE(skippedMessage(r).find("データベースへの書き込みに失敗したため、3件のファイルが"
                                     "登録されませんでした。"),
              std::string::npos);
    sqlite3_exec(reader, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(reader);

    EXPECT_EQ(fncDbReadCount(f.state, "FileList"), 0);
    ScanReport again = registerFiles(f.state, files, nullptr);
    EXPECT_EQ(again.registered, 3);
    EXPECT_FALSE(again.commitError.has_value());
    EXPECT_EQ(fncDbReadCount(f.state, "FileList"), 3);
}

TEST(Registering, AScanStopsWhenTheCatalogueCannotBeUsed) {
    CatalogueFixture f;
    Tree t;
    std::vector<std::string> files{t.add("a.mp3"), t.add("b.mp3"), t.add("c.mp3")};
    {
        DbConnection conn;
        ASSERT_TRUE(openCatalogue(f.state, conn).ok());
        ASSERT_TRUE(conn.exec("DROP TABLE FileList").ok());
    }
    ScanReport r = registerFiles(f.state, files, nullptr);
    EXPECT_TRUE(r.stopped);
    EXPECT_EQ(r.notDone, 2);
    EXPECT_TRUE(r.unreadable.empty());  // the files are not to blame
    ASSERT_EQ(f.toolkit.messages.size(), 1u);
    EXPECT_EQ(
        f.toolkit.messages[0].prompt.rfind("fncIsInDb : エラー :  1が発生しました。 : no such "
                                           "table: FileList",
                                           0),
        0u);
    EXPECT_EQ(skippedMessage(r),
              "データベースを使えないため登録を中止しました。残りの2件は登録していません。");
}

TEST(FolderScan, PseudoFileSystemsAreNotEnteredAndTheSearchCanBeCancelled) {
    FileCollection proc;
    subGetFiles(proc, "/proc", true);
    EXPECT_TRUE(proc.files.empty());
    EXPECT_TRUE(proc.unreadableFolders.empty());

    Tree t;
    for (int i = 0; i < 5; ++i)
        t.add("d" + std::to_string(i) + "/x.mp3");
    ScriptedToolkit tk;
    tk.cancelSearchAfter = 3;
    auto progress = tk.beginProgress("x");
    FileCollection c;
    subGetFiles(c, t.root.str(), true, progress.get());
    EXPECT_TRUE(c.cancelled);
    EXPECT_EQ(c.files.size(), 1u);  // the third folder reached asked to stop
    EXPECT_TRUE(isHiddenOrSystem(0x02));
    EXPECT_TRUE(isHiddenOrSystem(0x04));
    EXPECT_FALSE(isHiddenOrSystem(0x01 | 0x10 | 0x20));  // read-only, folder, archive
}

TEST(Registering, TheSkippedMessageShowsTheFirstFivePaths) {
    ScanReport r;
    for (int i = 1; i <= 7; ++i)
        r.unreadable.push_back("/f" + std::to_string(i));
    r.unreadableFolders.push_back("/locked/");
    EXPECT_EQ(skippedMessage(r),
              "読み込めなかったファイルが7件あり、登録しませんでした。\n/f1\n/f2\n/f3\n/f4\n/f5\n"
              "…ほか2件\n\n開けなかったフォルダが1件ありました。\n/locked/");
    EXPECT_EQ(skippedMessage(ScanReport{}), "");
}

}  // namespace
}  // namespace tagshelf::test

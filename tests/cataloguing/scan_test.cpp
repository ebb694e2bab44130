// The folder scan, registering what it found and a scan's report, also when the
// catalogue's writes fail.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "cataloguing/folder_scan.h"
#include "cataloguing/scan.h"
#include "tests/support/catalogue_fixture.h"
#include "tests/support/faulty_vfs.h"
#include "tests/support/music_folder.h"

namespace tagshelf::test {
namespace {

class Registering : public ::testing::Test {
  protected:
    CatalogueFixture f;
    MusicFolder t;
};

TEST_F(Registering, RowsWhoseCommitFailsAreReportedLostNotRegistered) {
    const Texts files = t.addMany(3);
    f.cat.engine().setBusyTimeout(std::chrono::milliseconds(10));
    // Another program's open read of the catalogue keeps the commit from the file.
    sqlite3* reader = nullptr;
    sqlite3_open_v2(f.dbPath().c_str(), &reader, SQLITE_OPEN_READONLY, nullptr);
    ASSERT_EQ(
        sqlite3_exec(reader, "BEGIN; SELECT count(*) FROM FileList", nullptr, nullptr, nullptr),
        SQLITE_OK);
    ScanReport r = registerFiles(f.cat, files, nullptr);
    EXPECT_EQ(r.registered, 0);
    EXPECT_NE(skippedMessage(r).find("データベースへの書き込みに失敗したため、3件のファイルが"
                                     "登録されませんでした。"),
              std::string::npos);
    sqlite3_close(reader);
    EXPECT_EQ(fncDbReadCount(f.cat, "FileList"), 0);
    EXPECT_EQ(registerFiles(f.cat, files, nullptr).registered, 3);
}

TEST_F(Registering, AScanStopsWhenTheCatalogueCannotBeUsed) {
    f.column("DROP TABLE FileList");
    ScanReport r = registerFiles(f.cat, t.addMany(3), nullptr);
    EXPECT_TRUE(r.unreadable.empty());        // the files are not to blame
    EXPECT_TRUE(f.toolkit.messages.empty());  // until the scan's report
    showScanReport(f.cat, r);
    EXPECT_EQ(
        f.toolkit.prompts(),
        (Texts{"fncIsInDb : エラー :  1が発生しました。 : no such table: FileListSQLite",
               "データベースを使えないため登録を中止しました。残りの2件は登録していません。"}));
}

TEST_F(Registering, EveryFileOnceWithNothingInterruptingAndTheReportAfterTheProgress) {
    const std::string refused =
        t.add("long.mp3",
              Id3v2Builder(3)
                  .frame(frameV23("COMM", commentBody(0, "eng", {}, raw(std::string(4097, 'c')))))
                  .build());
    const std::string fine = t.add("ok.mp3"), gone = t.dir("gone.mp3");
    ScanReport r;
    {
        auto progress = f.toolkit.beginProgress("x");
        r = registerFiles(f.cat, {fine, refused, gone, fine}, progress.get());
    }
    EXPECT_EQ(r.alreadyThere, 1);
    EXPECT_EQ(f.column("SELECT FilePath FROM FileList"), Texts{fine});
    EXPECT_TRUE(f.toolkit.messages.empty());
    showScanReport(f.cat, r);
    EXPECT_FALSE(f.toolkit.messages.at(0).duringProgress);
    EXPECT_EQ(f.toolkit.prompts().at(0),
              "データベースへ登録できなかったファイルが1件あります。\n" + refused +
                  "（コメントが長すぎます（4097文字、最大4096文字））\n\n"
                  "読み込めなかったファイルが1件あり、登録しませんでした。\n" +
                  gone);
}

TEST_F(Registering, TheSkippedMessageShowsTheFirstFivePaths) {
    ScanReport r;
    for (int i = 1; i <= 7; ++i)
        r.unreadable.push_back("/f" + std::to_string(i));
    r.unreadableFolders.push_back("/locked/");
    EXPECT_EQ(skippedMessage(r),
              "読み込めなかったファイルが7件あり、登録しませんでした。\n/f1\n/f2\n/f3\n/f4\n/f5\n"
              "…ほか2件\n\n開けなかったフォルダが1件ありました。\n/locked/");
}

Texts collect(const std::string& folder) {
    FileCollection c;
    subGetFiles(c, folder, true);
    return c.files;
}

TEST(FolderScan, SubfoldersComeFirstDepthFirstAndHiddenEntriesAreLeftOut) {
    MusicFolder t;
    std::string a = t.add("a.mp3"), b = t.add("sub/b.mp3"), c = t.add("sub/deeper/c.MP3");
    std::string d = t.add("z/d.Mp3"), e = t.add("e.mp3");
    for (const char* other : {"notes.txt", "a.mp3.bak", ".hidden.mp3", ".folder/inside.mp3"})
        t.add(other);
    fs::create_directories(t.dir("album.mp3"));  // a folder, not a file
    EXPECT_EQ(collect(t.root.str()), (Texts{c, b, d, a, e}));
    // A trailing separator is fine; without subfolders only its own files count.
    FileCollection own;
    subGetFiles(own, t.root.str() + "/", false);
    EXPECT_EQ(own.files, (Texts{a, e}));
}

TEST(FolderScan, LinksAreFollowedAndALoopIsScannedOnce) {
    MusicFolder t;
    std::string a = t.add("music/a.mp3");
    fs::create_directory_symlink(t.dir("music"), t.dir("music/again"));  // a loop
    fs::create_symlink(a, t.dir("music/link.mp3"));
    fs::create_symlink(t.dir("missing.mp3"), t.dir("music/dangling.mp3"));
    EXPECT_EQ(collect(t.dir("music")), (Texts{a, t.dir("music/link.mp3")}));
}

TEST(DropRules, Mp3NamesAndFolderLikeNamesExpandInOrder) {
    // A lower-case ".mp3" is a file; a name whose fourth character from the end
    // (characters, not bytes) is not "." is a folder; anything else is ignored.
    std::string accepted;
    for (const char* name : {"/m/song.mp3", "/m/アルバム", "/m", "/m/SONG.MP3", "/m/曲.wav"})
        accepted += isDropAccepted(name) ? 'Y' : '-';
    EXPECT_EQ(accepted, "YYY--");
    MusicFolder t;
    std::string song = t.add("song.mp3"), inTree = t.add("album/x.mp3");
    t.add("SONG2.MP3");
    FileCollection c =
        collectDropped({t.dir("SONG2.MP3"), song, t.dir("album"), t.add("readme", raw("text")),
                        t.dir("no such folder"), song});
    EXPECT_EQ(c.files, (Texts{song, inTree, song}));
}

// Each write, flush and truncation of a scan's catalogue fails in turn (and all
// after it, as a full disk stays full): one message, the committed rows kept and
// counted, a sound catalogue, and a later scan registers exactly the rest.
ScanReport scan(CatalogueFixture& f, const Texts& files) {
    f.cat.engine().commitInterval = std::chrono::milliseconds(0);  // a batch per file
    return registerFiles(f.cat, files, nullptr);
}

TEST(ScanFaults, EachFailingWriteIsReportedOnceAndLosesNoCommittedRow) {
    MusicFolder t;
    const Texts files = t.addMany(6);
    FaultyVfs vfs;
    std::size_t calls = 0;
    {
        CatalogueFixture f;
        f.cat.engine().close();
        vfs.calls = 0;
        ASSERT_EQ(scan(f, files).registered, 6);
        calls = vfs.calls;
        ASSERT_GE(calls, 12u);  // the journal and the file written, per file
    }
    for (int error : {SQLITE_FULL, SQLITE_IOERR}) {
        for (std::size_t n = 1; n <= calls; ++n) {
            SCOPED_TRACE("failing from call " + std::to_string(n) + " with " +
                         std::to_string(error));
            CatalogueFixture f;
            f.cat.engine().close();
            vfs.calls = 0;
            vfs.error = error;
            vfs.failFrom = n;
            const ScanReport r = scan(f, files);
            f.cat.engine().close();
            vfs.failFrom = 0;
            const auto stored = f.column("SELECT FilePath FROM FileList ORDER BY rowid");
            EXPECT_EQ(f.column("PRAGMA integrity_check"), Texts{"ok"});
            EXPECT_EQ(r.registered, static_cast<long>(stored.size()));
            EXPECT_TRUE(std::equal(stored.begin(), stored.end(), files.begin()));
            showScanReport(f.cat, r);
            const Texts shown = f.toolkit.prompts();
            const auto isError = [](const std::string& m) { return m.find("エラー : ") != m.npos; };
            EXPECT_EQ(std::count_if(shown.begin(), shown.end(), isError), r.registered < 6 ? 1 : 0)
                << testing::PrintToString(shown);
            f.toolkit.messages.clear();
            EXPECT_EQ(scan(f, files).registered, 6 - r.registered);
        }
    }
}

}  // namespace
}  // namespace tagshelf::test

#include <gtest/gtest.h>

#include "cataloguing/scan.h"
#include "tests/support/catalogue_fixture.h"
#include "tests/support/music_folder.h"

namespace tagshelf::test {
namespace {

using Texts = std::vector<std::string>;

TEST(Registering, EveryFileOnceSkippingWhatCannotBeRead) {
    CatalogueFixture f;
    MusicFolder t;
    const std::string a = t.add("a.mp3"), b = t.add("b.mp3"), gone = t.dir("vanished.mp3");
    ScanReport r = registerFiles(f.cat, {a, gone, b, a}, nullptr);
    EXPECT_EQ(r.registered, 2);
    EXPECT_EQ(r.alreadyThere, 1);
    EXPECT_FALSE(r.cancelled);
    EXPECT_EQ(f.column("SELECT FilePath FROM FileList ORDER BY rowid"), (Texts{a, b}));
    EXPECT_EQ(skippedMessage(r),
              "読み込めなかったファイルが1件あり、登録しませんでした。\n" + gone);
    EXPECT_TRUE(f.toolkit.messages.empty());
}

TEST(Registering, CancellingStopsAfterTheCurrentFileAndKeepsWhatWasStored) {
    CatalogueFixture f;
    MusicFolder t;
    f.toolkit.cancelAfter = 3;  // the third report answers "stop"
    auto progress = f.toolkit.beginProgress("x");
    ScanReport r = registerFiles(f.cat, t.addMany(5), progress.get());
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(r.registered, 2);
    f.cat.engine().close();
    EXPECT_EQ(f.column("SELECT count(*) FROM FileList"), Texts{"2"});
}

TEST(Registering, RowsWhoseCommitFailsAreReportedLostNotRegistered) {
    CatalogueFixture f;
    MusicFolder t;
    const Texts files = t.addMany(3);
    f.cat.engine().setBusyTimeout(std::chrono::milliseconds(10));
    // Another program keeps a read of the catalogue open, so the commit can't take
    // the file.
    sqlite3* reader = nullptr;
    sqlite3_open_v2(f.dbPath().c_str(), &reader, SQLITE_OPEN_READONLY, nullptr);
    ASSERT_EQ(
        sqlite3_exec(reader, "BEGIN; SELECT count(*) FROM FileList", nullptr, nullptr, nullptr),
        SQLITE_OK);
    ScanReport r = registerFiles(f.cat, files, nullptr);
    EXPECT_EQ(r.registered, 0);
    EXPECT_EQ(r.lost, 3);
    ASSERT_TRUE(r.commitError.has_value());
    EXPECT_EQ(r.commitError->number & 0xFF, SQLITE_BUSY);
    EXPECT_NE(skippedMessage(r).find("データベースへの書き込みに失敗したため、3件のファイルが"
                                     "登録されませんでした。"),
              std::string::npos);
    sqlite3_close(reader);
    EXPECT_EQ(fncDbReadCount(f.cat, "FileList"), 0);
    EXPECT_EQ(registerFiles(f.cat, files, nullptr).registered, 3);
}

TEST(Registering, AScanStopsWhenTheCatalogueCannotBeUsed) {
    CatalogueFixture f;
    MusicFolder t;
    f.exec("DROP TABLE FileList");
    ScanReport r = registerFiles(f.cat, t.addMany(3), nullptr);
    EXPECT_TRUE(r.stopped);
    EXPECT_EQ(r.notDone, 2);
    EXPECT_TRUE(r.unreadable.empty());        // the files are not to blame
    EXPECT_TRUE(f.toolkit.messages.empty());  // until the scan's report
    showScanReport(f.cat, r);
    EXPECT_EQ(
        f.toolkit.prompts(),
        (Texts{"fncIsInDb : エラー :  1が発生しました。 : no such table: FileListSQLite",
               "データベースを使えないため登録を中止しました。残りの2件は登録していません。"}));
}

TEST(Registering, NothingInterruptsAScanAndTheReportComesAfterItsProgress) {
    CatalogueFixture f;
    MusicFolder t;
    const std::string refused =
        t.add("long.mp3",
              Id3v2Builder(3)
                  .frame(frameV23("COMM", commentBody(0, "eng", {}, raw(std::string(4097, 'c')))))
                  .build());
    const std::string fine = t.add("ok.mp3"), gone = t.dir("gone.mp3");
    ScanReport r;
    {
        auto progress = f.toolkit.beginProgress("x");
        r = addFiles(
            f.cat,
            [&](Progress*) {
                FileCollection c;
                c.files = {refused, gone, fine};
                return c;
            },
            progress.get());
    }
    EXPECT_EQ(r.registered, 1);
    EXPECT_TRUE(f.toolkit.messages.empty());
    showScanReport(f.cat, r);
    ASSERT_EQ(f.toolkit.messages.size(), 1u);
    EXPECT_FALSE(f.toolkit.messages[0].duringProgress);
    EXPECT_EQ(f.toolkit.messages[0].prompt,
              "データベースへ登録できなかったファイルが1件あります。\n" + refused +
                  "（コメントが長すぎます（4097文字、最大4096文字））\n\n"
                  "読み込めなかったファイルが1件あり、登録しませんでした。\n" +
                  gone);
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

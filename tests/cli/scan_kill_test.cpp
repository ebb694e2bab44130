// A scan killed at any moment (before each write or flush of the catalogue, then at
// random) leaves a sound catalogue with every committed row, and adding the folder
// again registers exactly the rest; through the command line and the window's path.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <random>
#include <set>
#include <sstream>

#include "catalogue/catalogue.h"
#include "catalogue/db.h"
#include "catalogue/schema.h"
#include "cataloguing/scan.h"
#include "cli/commands.h"
#include "tests/support/faulty_vfs.h"
#include "tests/support/kill_support.h"
#include "tests/support/music_folder.h"

namespace tagshelf::test {
namespace {

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
    const std::string folder = tree.folder.root.str();
    const std::vector<std::string_view> args{"add", "--catalogue", tree.db, folder};
    std::ostringstream out, err;
    cli::run(args, out, err);
    const std::string text = out.str();
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
        std::filesystem::copy_file(empty, tree.db,
                                   std::filesystem::copy_options::overwrite_existing);
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
    std::filesystem::copy_file(tree.db, scratch);
    // Kills fall anywhere in the time a whole scan takes.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(addLikeTheCommandLine(tree), total);
    const auto took = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - start);
    std::filesystem::rename(scratch, tree.db);

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

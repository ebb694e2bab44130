// Fills a catalogue with 100,000 rows, then times what the main window does to
// show it: subDbRead followed by the grid's set-up and fill.
#include <QApplication>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/file_grid.h"
#include "app/toolkit.h"
#include "catalogue/catalogue_read.h"
#include "catalogue/db.h"
#include "catalogue/schema.h"
#include "catalogue/state.h"

using namespace tagshelf;
using Clock = std::chrono::steady_clock;

static double ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    long rows = argc > 1 ? std::stol(argv[1]) : 100000;

    std::string folder = (std::filesystem::temp_directory_path() / "tagshelf-bench-load").string();
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    std::FILE* f = std::fopen((folder + "/TagShelfList.mdb").c_str(), "w");
    std::fclose(f);

    ScriptedToolkit toolkit;
    AppState state(toolkit);
    state.gstrAppPath = folder;
    state.gstrDbName = "\\TagShelfList.mdb";
    if (!fncCreateTable(state, "FileList")) return 1;

    auto t0 = Clock::now();
    {
        BatchScope batch(state);
        DbConnection conn;
        if (!fncDbOpen(state, conn)) return 1;
        for (long i = 0; i < rows; ++i) {
            auto st = conn.prepare(
                "INSERT INTO FileList (Title, Artist, Album, Trak, Year, Day, Genre, GenreNo, "
                "Comment, Encode, Version, FilePath) VALUES (?,?,?,?,?,?,?,?,?,?,?,?)");
            std::string n = std::to_string(i);
            st->bind(1, "タイトル " + n)
                .bind(2, "アーティスト " + std::to_string(i % 500))
                .bind(3, "アルバム " + std::to_string(i % 2000))
                .bind(4, std::to_string(i % 20 + 1))
                .bind(5, "2003")
                .bind(6, "1225")
                .bind(7, "ロック")
                .bind(8, "17")
                .bind(9, "comment")
                .bind(10, std::to_string(i % 2))
                .bind(11, "ID3v23")
                .bind(12, "/home/user/Music/Artist " + std::to_string(i % 500) + "/Album/track " +
                              n + ".mp3");
            if (!st->run()) return 1;
        }
    }
    auto t1 = Clock::now();

    // Appends outside a batch: one commit (and its disk flushes) per row.
    auto c0 = Clock::now();
    constexpr int kSingles = 300;
    for (int i = 0; i < kSingles; ++i) {
        DbConnection conn;
        if (!fncDbOpen(state, conn)) return 1;
        auto st = conn.prepare("INSERT INTO FileList (Title, FilePath) VALUES (?, ?)");
        if (!st->bind(1, "single").bind(2, "/single/" + std::to_string(i)).run()) return 1;
    }
    auto c1 = Clock::now();
    std::printf("appends with a commit each (connection kept open): %.0f rows/s\n",
                kSingles / (ms(c1 - c0) / 1000.0));

    FileGrid grid(state);
    grid.resize(1000, 600);
    double best = 1e9;
    for (int run = 0; run < 5; ++run) {
        auto a = Clock::now();
        subDbRead(state);
        grid.subGridInit();
        grid.subGridFill();
        auto b = Clock::now();
        best = std::min(best, ms(b - a));
        std::printf("run %d: subDbRead + subGridInit + subGridFill of %d rows: %.1f ms\n", run,
                    state.glngRecordCount, ms(b - a));
    }
    std::printf("filled %ld rows in %.1f ms (%.0f rows/s)\n", rows, ms(t1 - t0),
                rows / (ms(t1 - t0) / 1000.0));
    std::printf("best load + grid fill: %.1f ms\n", best);
    std::filesystem::remove_all(folder);
    return toolkit.messages.empty() ? 0 : 1;
}

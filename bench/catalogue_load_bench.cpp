// Fills a catalogue with 100,000 rows, then times what the main window does to
// show it: the list's load followed by the grid's set-up and fill.
#include <QApplication>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/file_grid.h"
#include "bench/bench_catalogue.h"
#include "catalogue/catalogue.h"
#include "catalogue/db.h"
#include "core/toolkit.h"
#include "views/list_presenter.h"

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
    ScriptedToolkit toolkit;
    Catalogue state(toolkit);
    bench::makeCatalogue(state, folder, 0);
    auto t0 = Clock::now();
    bench::fillCatalogue(state, 0, rows);
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

    ListPresenter list(state);
    FileGrid grid(list);
    grid.resize(1000, 600);
    double best = 1e9;
    for (int run = 0; run < 5; ++run) {
        auto a = Clock::now();
        GridUpdate update = list.load();
        if (update.columns) grid.subGridInit();
        if (update.rows) grid.subGridFill();
        auto b = Clock::now();
        best = std::min(best, ms(b - a));
        std::printf("run %d: load + subGridInit + subGridFill of %d rows: %.1f ms\n", run,
                    list.count(), ms(b - a));
    }
    std::printf("filled %ld rows in %.1f ms (%.0f rows/s)\n", rows, ms(t1 - t0),
                rows / (ms(t1 - t0) / 1000.0));
    std::printf("best load + grid fill: %.1f ms\n", best);
    std::filesystem::remove_all(folder);
    return toolkit.messages.empty() ? 0 : 1;
}

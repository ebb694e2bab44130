// Registration benchmark: the path of "フォルダを開く" without the widgets (collect
// the tree's MP3 files, register each through subAddFile in batched transactions)
// into an empty catalogue, then into a catalogue already holding 100,000 other rows.
//
//   tagshelf-bench-register TREE [REPEATS]
//
// TREE is made with tagshelf-gen-tree (or written here when the folder is empty).
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "bench/bench_catalogue.h"
#include "bench/gen_tree.h"
#include "catalogue/catalogue.h"
#include "catalogue/db.h"
#include "cataloguing/scan.h"
#include "core/toolkit.h"

using namespace tagshelf;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

double registerTree(Catalogue& state, const std::string& tree, ScanReport& report) {
    auto t0 = Clock::now();
    FileCollection files;
    subGetFiles(files, tree, true);
    report = registerFiles(state, files.files, nullptr);
    state.engine().close();  // the last commit counts too
    return seconds(Clock::now() - t0);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: tagshelf-bench-register TREE [REPEATS]\n");
        return 2;
    }
    std::string tree = fs::absolute(argv[1]).string();
    int repeats = argc > 2 ? std::atoi(argv[2]) : 3;
    if (!fs::exists(tree) || fs::is_empty(tree)) {
        std::printf("writing the tree into %s\n", tree.c_str());
        bench::generateTree(tree);
    }
    std::string folder = (fs::temp_directory_path() / "tagshelf-bench-register").string();

    ScriptedToolkit toolkit;
    Catalogue state(toolkit);
    ScanReport report;

    double bestEmpty = 1e9;
    for (int r = 0; r < repeats; ++r) {
        bench::makeCatalogue(state, folder, 0);
        double s = registerTree(state, tree, report);
        bestEmpty = std::min(bestEmpty, s);
        std::printf("empty catalogue, run %d: %ld files in %.3f s = %.0f files/s\n", r,
                    report.registered, s, report.registered / s);
    }
    long files = report.registered;

    bench::makeCatalogue(state, folder, 100000);
    double bestFull = 1e9;
    for (int r = 0; r < repeats; ++r) {
        // Remove the tree's rows again so every run registers the same files.
        if (r > 0) {
            DbConnection conn;
            if (!fncDbOpen(state, conn)) return 1;
            auto st = conn.prepare("DELETE FROM FileList WHERE FilePath LIKE ? || '%'");
            if (!st->bind(1, tree).run()) return 1;
        }
        double s = registerTree(state, tree, report);
        bestFull = std::min(bestFull, s);
        std::printf("100,000-row catalogue, run %d: %ld files in %.3f s = %.0f files/s\n", r,
                    report.registered, s, report.registered / s);
    }
    std::printf(
        "best: %.0f files/s into an empty catalogue, %.0f files/s into 100,000 rows "
        "(%.2f times slower)\n",
        files / bestEmpty, report.registered / bestFull, bestFull / bestEmpty);
    std::printf("messages shown: %zu\n", toolkit.messages.size());
    fs::remove_all(folder);
    return 0;
}

// tagshelf-bench-edit [ROWS] [MEGABYTES] [REPEATS]: OK in the edit window after
// the confirmation, to the window closed, on a catalogue of ROWS other rows
// (default 100,000) for an ID3v2.3 file of MEGABYTES (default 5): the tag
// rewrite, the row update, the reload of the list and the grid fill, each timed,
// then the same through the whole OK operation (its checks, the confirmation
// answered at once, the write and the update) plus reload and fill. Reported:
// every run, and the median of REPEATS runs (default 5) per step.
#include <time.h>

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/file_grid.h"
#include "bench/bench_catalogue.h"
#include "catalogue/catalogue.h"
#include "cataloguing/edit_exec.h"
#include "cataloguing/edit_load.h"
#include "cataloguing/edit_update.h"
#include "cataloguing/registration.h"
#include "core/toolkit.h"
#include "id3/apply_edit.h"
#include "tests/support/tag_builder.h"
#include "views/list_presenter.h"

using namespace tagshelf;
using Clock = std::chrono::steady_clock;

namespace {

double ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// This process's processor time: what the steps cost without the waits of a
// machine shared with other work.
double cpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const long rows = argc > 1 ? std::stol(argv[1]) : 100000;
    const long megabytes = argc > 2 ? std::stol(argv[2]) : 5;
    const int repeats = argc > 3 ? std::stoi(argv[3]) : 5;

    const std::string folder =
        (std::filesystem::temp_directory_path() / "tagshelf-bench-edit").string();
    ScriptedToolkit toolkit;
    Catalogue cat(toolkit);
    bench::makeCatalogue(cat, folder, rows);
    const std::string path = folder + "/edited.mp3";
    {
        const test::Bytes bytes =
            test::concat({test::Id3v2Builder(3)
                              .frame(test::frameV23("TIT2", test::sjisText("start")))
                              .padding(1024)
                              .build(),
                          test::fakeAudio(static_cast<std::size_t>(megabytes) << 20)});
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    if (subAddFile(cat, path).outcome != AddOutcome::Registered) return 1;

    ListPresenter list(cat);
    FileGrid grid(list);
    grid.resize(1000, 600);
    list.load();
    grid.subGridInit();
    grid.subGridFill();
    const EditTarget target{path, path, "ID3v23"};
    EditFields fields = editFieldsFromRecord(list.records().at(list.count() - 1));
    auto draw = [&](const GridUpdate& update) {
        if (update.columns) grid.subGridInit();
        if (update.rows) grid.subGridFill();
    };

    std::vector<double> write, update, reload, fill, steps, whole, reloadCpu, wholeCpu;
    for (int run = 0; run < repeats; ++run) {
        fields.txtTIT2 = "title " + std::to_string(run);
        const auto t0 = Clock::now();
        Result<OldTag> old = fncOldTag(target.recordVersion, path);
        if (!old || !subWriteTag(path, path, kID3v23, old->oldCode, old->audioStart,
                                 std::move(old->v2Tag), fields)) {
            return 1;
        }
        const auto t1 = Clock::now();
        if (!fncUpDbAfterWrite(cat, path, fields, kID3v23)) return 1;
        const auto t2 = Clock::now();
        const double c2 = cpuMs();
        const GridUpdate shown = list.refreshAfterEdit("");
        reloadCpu.push_back(cpuMs() - c2);
        const auto t3 = Clock::now();
        draw(shown);
        const auto t4 = Clock::now();

        fields.txtTIT2 = "whole " + std::to_string(run);
        toolkit.answers = {MsgAnswer::Yes};
        const auto w0 = Clock::now();
        const double c0 = cpuMs();
        if (cmdExecApply(cat, target, kID3v23, fields) != ExecOutcome::Close) return 1;
        draw(list.refreshAfterEdit(""));
        wholeCpu.push_back(cpuMs() - c0);
        const auto w1 = Clock::now();

        write.push_back(ms(t1 - t0));
        update.push_back(ms(t2 - t1));
        reload.push_back(ms(t3 - t2));
        fill.push_back(ms(t4 - t3));
        steps.push_back(ms(t4 - t0));
        whole.push_back(ms(w1 - w0));
        std::printf(
            "run %d: write %.1f ms, update %.1f ms, reload %.1f ms, grid fill %.1f ms, "
            "sum %.1f ms; whole OK + reload + fill %.1f ms (processor time: reload %.1f ms, "
            "whole %.1f ms)\n",
            run, write.back(), update.back(), reload.back(), fill.back(), steps.back(),
            whole.back(), reloadCpu.back(), wholeCpu.back());
    }
    std::printf(
        "%ld rows, %ld MB ID3v2.3 file, median of %d: write %.1f ms, update %.1f ms, "
        "reload %.1f ms, grid fill %.1f ms, sum %.1f ms; whole %.1f ms (processor time: reload "
        "%.1f ms, whole %.1f ms)\n",
        list.count() + 0L, megabytes, repeats, median(write), median(update), median(reload),
        median(fill), median(steps), median(whole), median(reloadCpu), median(wholeCpu));
    std::filesystem::remove_all(folder);
    return toolkit.messages.size() == static_cast<std::size_t>(repeats) ? 0 : 1;
}

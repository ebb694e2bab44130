#include "cataloguing/scan.h"

#include <deque>
#include <utility>

#include "catalogue/catalogue.h"
#include "catalogue/db.h"
#include "cataloguing/registration.h"
#include "core/text.h"

namespace tagshelf {

ScanReport registerFiles(Catalogue& cat, const std::vector<std::string>& files,
                         Progress* progress) {
    ScanReport report;
    report.total = static_cast<long>(files.size());
    Engine& engine = cat.engine();
    BatchScope batch(cat);
    (void)engine.takeBatchFailure();
    // A row counts as registered once the commit that holds it has succeeded:
    // the connection's change count after each appended row, oldest first.
    std::deque<std::int64_t> uncommitted;
    auto settle = [&] {
        while (!uncommitted.empty() && uncommitted.front() <= engine.committedChanges()) {
            uncommitted.pop_front();
            ++report.registered;
        }
        if (std::optional<Error> failure = engine.takeBatchFailure()) {
            report.lost += static_cast<long>(uncommitted.size());
            uncommitted.clear();
            report.commitError = *failure;
        }
    };
    long done = 0;
    for (const std::string& path : files) {
        if (progress && !progress->step(done, report.total)) {
            report.cancelled = true;
            break;
        }
        AddResult r = subAddFile(cat, path, Refusals::Gather);
        switch (r.outcome) {
            case AddOutcome::Registered:
                uncommitted.push_back(engine.totalChanges());
                break;
            case AddOutcome::AlreadyThere:
                ++report.alreadyThere;
                break;
            case AddOutcome::Refused:
                report.refused.emplace_back(path, r.refusal);
                break;
            case AddOutcome::Unreadable:
                report.unreadable.push_back(path);
                break;
            case AddOutcome::NoCatalogue:
                if (!r.label.empty()) {
                    report.stopError = r.error;
                    report.stopLabel = r.label;
                }
                break;
        }
        ++done;
        settle();
        // Without a usable catalogue every further file would fail the same way.
        if (r.outcome == AddOutcome::NoCatalogue || report.commitError) {
            report.stopped = true;
            break;
        }
    }
    if (Status s = batch.finish(); !s && !report.commitError) report.commitError = s.error();
    settle();
    report.lost += static_cast<long>(uncommitted.size());  // only when the last commit failed
    report.notDone = report.total - done;
    if (progress && !report.cancelled && !report.stopped) progress->step(done, report.total);
    return report;
}

ScanReport addFiles(Catalogue& cat, const std::function<FileCollection(Progress*)>& collect,
                    Progress* progress) {
    FileCollection files = collect(progress);
    ScanReport report;
    if (files.cancelled) {
        report.cancelled = true;
    } else {
        report = registerFiles(cat, files.files, progress);
    }
    report.unreadableFolders = std::move(files.unreadableFolders);
    return report;
}

void showScanReport(Catalogue& cat, const ScanReport& report) {
    if (report.stopError) cat.toolkit.showError(report.stopLabel, *report.stopError);
    if (report.commitError) showDbError(cat, "subDbCommit : ", *report.commitError);
    if (std::string skipped = skippedMessage(report); !skipped.empty()) {
        cat.toolkit.notice(skipped);
    }
}

std::string skippedMessage(const ScanReport& report) {
    constexpr std::size_t kShown = 5;
    std::string text;
    auto paragraph = [&text](const std::string& line) {
        if (!text.empty()) text += "\n\n";
        text += line;
    };
    auto listPaths = [&text](const std::vector<std::string>& paths) {
        for (std::size_t i = 0; i < paths.size() && i < kShown; ++i)
            text += "\n" + pathForDisplay(paths[i]);
        if (paths.size() > kShown) {
            text += "\n…ほか" + std::to_string(paths.size() - kShown) + "件";
        }
    };
    if (!report.refused.empty()) {
        paragraph("データベースへ登録できなかったファイルが" +
                  std::to_string(report.refused.size()) + "件あります。");
        std::vector<std::string> lines;
        for (const auto& [path, reason] : report.refused)
            lines.push_back(path + "（" + reason + "）");
        listPaths(lines);
    }
    if (!report.unreadable.empty()) {
        paragraph("読み込めなかったファイルが" + std::to_string(report.unreadable.size()) +
                  "件あり、登録しませんでした。");
        listPaths(report.unreadable);
    }
    if (!report.unreadableFolders.empty()) {
        paragraph("開けなかったフォルダが" + std::to_string(report.unreadableFolders.size()) +
                  "件ありました。");
        listPaths(report.unreadableFolders);
    }
    if (report.lost > 0) {
        paragraph("データベースへの書き込みに失敗したため、" + std::to_string(report.lost) +
                  "件のファイルが登録されませんでした。");
    }
    if (report.stopped && report.notDone > 0) {
        paragraph("データベースを使えないため登録を中止しました。残りの" +
                  std::to_string(report.notDone) + "件は登録していません。");
    }
    return text;
}

}  // namespace tagshelf

#include "id3/folder_scan.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <set>
#include <utility>

#include "catalogue/db.h"
#include "catalogue/state.h"
#include "id3/registration.h"

namespace tagshelf {

namespace {

bool endsWithMp3AnyCase(std::string_view name) {
    if (name.size() < 4) return false;
    std::string_view ext = name.substr(name.size() - 4);
    return ext[0] == '.' && (ext[1] | 0x20) == 'm' && (ext[2] | 0x20) == 'p' && ext[3] == '3';
}

struct Entry {
    std::string name;
    bool directory;
};

class Scanner {
  public:
    explicit Scanner(FileCollection& list) : list_(list) {}

    void scan(const std::string& folder, bool withSubfolders) {
        std::string d = folder;
        if (d.empty() || d.back() != '/') d += '/';
        struct stat st {};
        if (::stat(d.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return;
        if (!visited_.insert({st.st_dev, st.st_ino}).second) return;

        std::vector<Entry> entries;
        if (!list(d, entries)) return;
        if (withSubfolders) {
            for (const Entry& e : entries) {
                if (e.directory) scan(d + e.name + "/", true);
            }
        }
        for (const Entry& e : entries) {
            if (!e.directory && endsWithMp3AnyCase(e.name)) list_.files.push_back(d + e.name);
        }
    }

  private:
    bool list(const std::string& d, std::vector<Entry>& entries) {
        DIR* dir = ::opendir(d.c_str());
        if (!dir) {
            if (errno != ENOENT && errno != ENOTDIR) list_.unreadableFolders.push_back(d);
            return false;
        }
        while (dirent* e = ::readdir(dir)) {
            std::string name = e->d_name;
            if (name.empty() || name[0] == '.') continue;  // hidden, "." and ".."
            bool directory = e->d_type == DT_DIR;
            if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
                struct stat st {};
                if (::stat((d + name).c_str(), &st) != 0) continue;  // a dangling link
                directory = S_ISDIR(st.st_mode);
                if (!directory && !S_ISREG(st.st_mode)) continue;
            } else if (!directory && e->d_type != DT_REG) {
                continue;  // devices, pipes, sockets
            }
            entries.push_back(Entry{std::move(name), directory});
        }
        ::closedir(dir);
        std::sort(entries.begin(), entries.end(),
                  [](const Entry& a, const Entry& b) { return a.name < b.name; });
        return true;
    }

    FileCollection& list_;
    std::set<std::pair<dev_t, ino_t>> visited_;
};

// The number of characters of a UTF-8 text and the character n from its end.
std::vector<std::string_view> lastCharacters(std::string_view s, std::size_t n) {
    std::vector<std::string_view> out;
    std::size_t end = s.size();
    while (end > 0 && out.size() < n) {
        std::size_t start = end - 1;
        while (start > 0 && (static_cast<unsigned char>(s[start]) & 0xC0) == 0x80)
            --start;
        out.push_back(s.substr(start, end - start));
        end = start;
    }
    return out;  // last character first
}

}  // namespace

void subGetFiles(FileCollection& list, const std::string& folder, bool withSubfolders) {
    Scanner(list).scan(folder, withSubfolders);
}

bool isDroppedMp3(std::string_view path) {
    return path.size() >= 4 && path.substr(path.size() - 4) == ".mp3";
}

bool isDropAccepted(std::string_view path) {
    std::vector<std::string_view> last = lastCharacters(path, 4);
    // A name of fewer than four characters has no "." in that place: a folder.
    bool folderLike = last.size() < 4 || last[3] != ".";
    return folderLike || isDroppedMp3(path);
}

FileCollection collectDropped(const std::vector<std::string>& paths) {
    FileCollection out;
    for (const std::string& path : paths) {
        if (!isDropAccepted(path)) continue;
        if (isDroppedMp3(path)) {
            out.files.push_back(path);
        } else {
            subGetFiles(out, path, true);
        }
    }
    return out;
}

ScanReport registerFiles(AppState& state, const std::vector<std::string>& files,
                         Progress* progress) {
    ScanReport report;
    report.total = static_cast<long>(files.size());
    BatchScope batch(state);
    long done = 0;
    for (const std::string& path : files) {
        if (progress && !progress->step(done, report.total)) {
            report.cancelled = true;
            break;
        }
        state.CurrentFile = path;
        AddResult r = subAddFile(state);
        switch (r.outcome) {
            case AddOutcome::Registered:
                ++report.registered;
                break;
            case AddOutcome::AlreadyThere:
                ++report.alreadyThere;
                break;
            case AddOutcome::Refused:
                ++report.refused;
                break;
            case AddOutcome::Unreadable:
                report.unreadable.push_back(path);
                break;
        }
        ++done;
    }
    if (progress && !report.cancelled) progress->step(done, report.total);
    return report;
}

std::string skippedMessage(const ScanReport& report) {
    constexpr std::size_t kShown = 5;
    std::string text;
    auto listPaths = [&text](const std::vector<std::string>& paths) {
        for (std::size_t i = 0; i < paths.size() && i < kShown; ++i)
            text += "\n" + paths[i];
        if (paths.size() > kShown) {
            text += "\n…ほか" + std::to_string(paths.size() - kShown) + "件";
        }
    };
    if (!report.unreadable.empty()) {
        text += "読み込めなかったファイルが" + std::to_string(report.unreadable.size()) +
                "件あり、登録しませんでした。";
        listPaths(report.unreadable);
    }
    if (!report.unreadableFolders.empty()) {
        if (!text.empty()) text += "\n\n";
        text += "開けなかったフォルダが" + std::to_string(report.unreadableFolders.size()) +
                "件ありました。";
        listPaths(report.unreadableFolders);
    }
    return text;
}

}  // namespace tagshelf

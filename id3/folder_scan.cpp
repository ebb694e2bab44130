#include "id3/folder_scan.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <deque>
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

// File systems that hold no user files: a scan never enters them (choosing the
// root folder would otherwise walk /proc and /sys).
bool isPseudoFileSystem(long type) {
    switch (static_cast<unsigned long>(type)) {
        case 0x9fa0:      // proc
        case 0x62656572:  // sysfs
        case 0x1cd1:      // devpts
        case 0x27e0eb:    // cgroup
        case 0x63677270:  // cgroup2
        case 0x64626720:  // debugfs
        case 0x74726163:  // tracefs
        case 0x73636673:  // securityfs
        case 0xcafe4a11:  // bpf
        case 0x6165676c:  // pstore
        case 0x19800202:  // mqueue
        case 0x62656570:  // configfs
        case 0x958458f6:  // hugetlbfs
        case 0x42494e4d:  // binfmt_misc
        case 0x6e736673:  // nsfs
        case 0xde5e81e4:  // efivarfs
        case 0xf97cff8c:  // selinuxfs
        case 0x65735543:  // fusectl
            return true;
        default:
            return false;
    }
}

// How a folder's file system marks entries hidden beyond the leading ".".
enum class HiddenMarks { None, FatAttributes, NtfsAttributes };

HiddenMarks hiddenMarksOf(long type) {
    switch (static_cast<unsigned long>(type)) {
        case 0x4d44:  // FAT (msdos, vfat)
            return HiddenMarks::FatAttributes;
        case 0x5346544e:  // ntfs
        case 0x7366746e:  // ntfs3
        case 0x65735546:  // FUSE, where ntfs-3g runs
            return HiddenMarks::NtfsAttributes;
        default:
            return HiddenMarks::None;
    }
}

bool markedHidden(const std::string& path, HiddenMarks marks) {
    std::uint32_t attributes = 0;
    if (marks == HiddenMarks::FatAttributes) {
        int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) return false;
        bool got = ::ioctl(fd, FAT_IOCTL_GET_ATTRIBUTES, &attributes) == 0;
        ::close(fd);
        if (!got) return false;
    } else if (marks == HiddenMarks::NtfsAttributes) {
        if (::getxattr(path.c_str(), "system.ntfs_attrib", &attributes, sizeof attributes) !=
            static_cast<ssize_t>(sizeof attributes)) {
            return false;
        }
    } else {
        return false;
    }
    return isHiddenOrSystem(attributes);
}

struct Entry {
    std::string name;
    bool directory;
};

class Scanner {
  public:
    Scanner(FileCollection& list, Progress* progress) : list_(list), progress_(progress) {}

    void scan(const std::string& folder, bool withSubfolders) {
        if (list_.cancelled) return;
        std::string d = folder;
        if (d.empty() || d.back() != '/') d += '/';
        struct stat st {};
        if (::stat(d.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return;
        if (!visited_.insert({st.st_dev, st.st_ino}).second) return;
        struct statfs fs {};
        HiddenMarks marks = HiddenMarks::None;
        if (::statfs(d.c_str(), &fs) == 0) {
            if (isPseudoFileSystem(fs.f_type)) return;
            marks = hiddenMarksOf(fs.f_type);
        }
        if (progress_ && !progress_->found(static_cast<long>(list_.files.size()))) {
            list_.cancelled = true;
            return;
        }

        std::vector<Entry> entries;
        if (!list(d, marks, entries)) return;
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
    bool list(const std::string& d, HiddenMarks marks, std::vector<Entry>& entries) {
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
            if (marks != HiddenMarks::None && markedHidden(d + name, marks)) continue;
            entries.push_back(Entry{std::move(name), directory});
        }
        ::closedir(dir);
        std::sort(entries.begin(), entries.end(),
                  [](const Entry& a, const Entry& b) { return a.name < b.name; });
        return true;
    }

    FileCollection& list_;
    Progress* progress_;
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

bool isHiddenOrSystem(std::uint32_t attributes) {
    return (attributes & (ATTR_HIDDEN | ATTR_SYS)) != 0;
}

void subGetFiles(FileCollection& list, const std::string& folder, bool withSubfolders,
                 Progress* progress) {
    Scanner(list, progress).scan(folder, withSubfolders);
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

FileCollection collectDropped(const std::vector<std::string>& paths, Progress* progress) {
    FileCollection out;
    for (const std::string& path : paths) {
        if (out.cancelled) break;
        if (!isDropAccepted(path)) continue;
        if (isDroppedMp3(path)) {
            out.files.push_back(path);
        } else {
            subGetFiles(out, path, true, progress);
        }
    }
    return out;
}

ScanReport registerFiles(AppState& state, const std::vector<std::string>& files,
                         Progress* progress) {
    ScanReport report;
    report.total = static_cast<long>(files.size());
    Engine& engine = state.engine();
    BatchScope batch(state);
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
        state.CurrentFile = path;
        AddResult r = subAddFile(state);
        switch (r.outcome) {
            case AddOutcome::Registered:
                uncommitted.push_back(engine.totalChanges());
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
            case AddOutcome::NoCatalogue:
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

std::string skippedMessage(const ScanReport& report) {
    constexpr std::size_t kShown = 5;
    std::string text;
    auto paragraph = [&text](const std::string& line) {
        if (!text.empty()) text += "\n\n";
        text += line;
    };
    auto listPaths = [&text](const std::vector<std::string>& paths) {
        for (std::size_t i = 0; i < paths.size() && i < kShown; ++i)
            text += "\n" + paths[i];
        if (paths.size() > kShown) {
            text += "\n…ほか" + std::to_string(paths.size() - kShown) + "件";
        }
    };
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

#include "cataloguing/folder_scan.h"

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
#include <set>
#include <utility>

#include "core/file_systems.h"
#include "core/text.h"

namespace tagshelf {

namespace {

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
            if (isPseudoFileSystemMagic(static_cast<unsigned long>(fs.f_type))) return;
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
            if (!e.directory && isMp3Name(e.name)) list_.files.push_back(d + e.name);
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

}  // namespace

bool isMp3Name(std::string_view name) {
    if (name.size() < 4) return false;
    std::string_view ext = name.substr(name.size() - 4);
    return ext[0] == '.' && (ext[1] | 0x20) == 'm' && (ext[2] | 0x20) == 'p' && ext[3] == '3';
}

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
    // The fourth character from the end; a name of fewer than four characters has
    // no "." in that place: a folder.
    const std::size_t n = utf8Length(path);
    const std::size_t from = n < 4 ? 0 : utf8PrefixBytes(path, n - 4);
    const bool folderLike = n < 4 || path.substr(from, utf8PrefixBytes(path, n - 3) - from) != ".";
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

}  // namespace tagshelf

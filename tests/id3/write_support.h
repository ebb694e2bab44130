// Helpers for the writer tests: a file system that fails one chosen call (or
// runs something just before it), the names and permissions of files, and
// edit-window fields for common cases.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "id3/file_ops.h"
#include "id3/writer.h"

namespace tagshelf::test {

// Counts every call and makes call number `failAt` (1-based; 0: none) fail with
// `error`. A failing write or copy first does half of its work, as a disk that
// fills up does. With `noCopyRange` the in-kernel copy is reported unsupported
// (and not counted), so the copy goes through reads and writes. `beforeCall`, when
// set, runs before each counted call with its number.
class FailingFileSystem : public fileops::FileSystem {
  public:
    int failAt = 0;
    int error = EIO;
    bool noCopyRange = false;
    std::function<void(int)> beforeCall;

    int calls = 0;
    std::vector<std::string> names;  // the kind of each call, in order
    std::string failedCall;          // the kind of the call made to fail

    int open(const char* path, int flags, mode_t mode) override {
        if (fails("open")) return -1;
        return FileSystem::open(path, flags, mode);
    }
    int close(int fd) override {
        // A close that reports an error has still released the descriptor.
        const bool fail = fails("close");
        FileSystem::close(fd);
        if (fail) errno = error;
        return fail ? -1 : 0;
    }
    ssize_t pread(int fd, void* buffer, std::size_t count, off_t offset) override {
        if (fails("read")) return -1;
        return FileSystem::pread(fd, buffer, count, offset);
    }
    ssize_t pwrite(int fd, const void* buffer, std::size_t count, off_t offset) override {
        if (fails("write")) {
            if (count > 1) (void)FileSystem::pwrite(fd, buffer, count / 2, offset);
            errno = error;
            return -1;
        }
        return FileSystem::pwrite(fd, buffer, count, offset);
    }
    ssize_t copyFileRange(int inFd, off_t* inOffset, int outFd, off_t* outOffset,
                          std::size_t count) override {
        if (noCopyRange) {
            errno = ENOSYS;
            return -1;
        }
        if (fails("copy")) {
            if (count > 1)
                (void)FileSystem::copyFileRange(inFd, inOffset, outFd, outOffset, count / 2);
            errno = error;
            return -1;
        }
        return FileSystem::copyFileRange(inFd, inOffset, outFd, outOffset, count);
    }
    int fsync(int fd) override { return fails("fsync") ? -1 : FileSystem::fsync(fd); }
    int fstat(int fd, struct stat* st) override {
        return fails("fstat") ? -1 : FileSystem::fstat(fd, st);
    }
    int lstat(const char* path, struct stat* st) override {
        return fails("lstat") ? -1 : FileSystem::lstat(path, st);
    }
    int fchmod(int fd, mode_t mode) override {
        return fails("fchmod") ? -1 : FileSystem::fchmod(fd, mode);
    }
    int fchown(int fd, uid_t owner, gid_t group) override {
        return fails("fchown") ? -1 : FileSystem::fchown(fd, owner, group);
    }
    int ftruncate(int fd, off_t length) override {
        return fails("truncate") ? -1 : FileSystem::ftruncate(fd, length);
    }
    int renameNoReplace(const char* from, const char* to) override {
        return fails("rename") ? -1 : FileSystem::renameNoReplace(from, to);
    }
    int rename(const char* from, const char* to) override {
        return fails("rename back") ? -1 : FileSystem::rename(from, to);
    }
    int unlink(const char* path) override {
        return fails("unlink") ? -1 : FileSystem::unlink(path);
    }

  private:
    bool fails(const char* name) {
        ++calls;
        names.emplace_back(name);
        if (beforeCall) beforeCall(calls);
        if (calls != failAt) return false;
        failedCall = name;
        errno = error;
        return true;
    }
};

// The names of the entries of a folder.
inline std::set<std::string> namesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

inline mode_t modeOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

// ID3v1 fields with a genre selected (the edit window insists on one).
inline EditFields v1Fields(std::string title, int genre = 12) {
    EditFields f;
    f.txtTitle = std::move(title);
    f.cmbGenre = genre;
    return f;
}

inline EditFields v2Fields(std::string title, int encoding = 0) {
    EditFields f;
    f.txtTIT2 = std::move(title);
    f.optEncode = encoding;
    return f;
}

}  // namespace tagshelf::test

#include "core/file_ops.h"

#include <stdio.h>
#include <unistd.h>

#include <cerrno>

namespace tagshelf::fileops {

// ---------------------------------------------------------------------------
// The real system calls.

int FileSystem::open(const char* path, int flags, mode_t mode) {
    int fd;
    do {
        fd = ::open(path, flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

int FileSystem::close(int fd) {
    return ::close(fd);
}

ssize_t FileSystem::pread(int fd, void* buffer, std::size_t count, off_t offset) {
    return ::pread(fd, buffer, count, offset);
}

ssize_t FileSystem::pwrite(int fd, const void* buffer, std::size_t count, off_t offset) {
    return ::pwrite(fd, buffer, count, offset);
}

ssize_t FileSystem::copyFileRange(int inFd, off_t* inOffset, int outFd, off_t* outOffset,
                                  std::size_t count) {
    return ::copy_file_range(inFd, inOffset, outFd, outOffset, count, 0);
}

int FileSystem::fsync(int fd) {
    return ::fsync(fd);
}

int FileSystem::fstat(int fd, struct stat* st) {
    return ::fstat(fd, st);
}

int FileSystem::lstat(const char* path, struct stat* st) {
    return ::lstat(path, st);
}

int FileSystem::fchmod(int fd, mode_t mode) {
    return ::fchmod(fd, mode);
}

int FileSystem::fchown(int fd, uid_t owner, gid_t group) {
    return ::fchown(fd, owner, group);
}

int FileSystem::ftruncate(int fd, off_t length) {
    return ::ftruncate(fd, length);
}

int FileSystem::renameNoReplace(const char* from, const char* to) {
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return -1;
    // A file system without the flag: test for the name, then rename. The window
    // between the two is the program's own (nothing else makes backup names).
    struct stat st {};
    if (::lstat(to, &st) == 0) {
        errno = EEXIST;
        return -1;
    }
    return ::rename(from, to);
}

int FileSystem::rename(const char* from, const char* to) {
    return ::rename(from, to);
}

int FileSystem::unlink(const char* path) {
    return ::unlink(path);
}

namespace {

FileSystem gSystem;
FileSystem* gCurrent = &gSystem;

}  // namespace

FileSystem& fileSystem() {
    return *gCurrent;
}

ScopedFileSystem::ScopedFileSystem(FileSystem& replacement) : previous_(gCurrent) {
    gCurrent = &replacement;
}

ScopedFileSystem::~ScopedFileSystem() {
    gCurrent = previous_;
}

// ---------------------------------------------------------------------------
// Open files.

File::File(File&& other) noexcept : fd_(other.fd_), path_(std::move(other.path_)) {
    other.fd_ = -1;
}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        release();
        fd_ = other.fd_;
        path_ = std::move(other.path_);
        other.fd_ = -1;
    }
    return *this;
}

File::~File() {
    release();
}

void File::release() {
    if (fd_ >= 0) fileSystem().close(fd_);
    fd_ = -1;
}

Result<File> File::open(const std::string& path, int flags, mode_t mode) {
    int fd = fileSystem().open(path.c_str(), flags | O_CLOEXEC, mode);
    if (fd < 0) return systemError(errno, "open " + path);
    return File(fd, path);
}

Result<struct stat> File::stat() const {
    struct stat st {};
    if (fileSystem().fstat(fd_, &st) != 0) return systemError(errno, "stat " + path_);
    return st;
}

Result<std::size_t> File::readAt(std::span<std::uint8_t> buffer, std::uint64_t offset) const {
    std::size_t done = 0;
    while (done < buffer.size()) {
        ssize_t n = fileSystem().pread(fd_, buffer.data() + done, buffer.size() - done,
                                       static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return systemError(errno, "read " + path_);
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

Status File::writeAt(std::span<const std::uint8_t> bytes, std::uint64_t offset) const {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = fileSystem().pwrite(fd_, bytes.data() + done, bytes.size() - done,
                                        static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return systemError(errno, "write " + path_);
        }
        // A write that takes nothing would loop for ever; the disk is full.
        if (n == 0) return systemError(ENOSPC, "write " + path_);
        done += static_cast<std::size_t>(n);
    }
    return {};
}

Status File::sync() const {
    if (fileSystem().fsync(fd_) != 0) return systemError(errno, "flush " + path_);
    return {};
}

Status File::truncate(std::uint64_t length) const {
    if (fileSystem().ftruncate(fd_, static_cast<off_t>(length)) != 0)
        return systemError(errno, "truncate " + path_);
    return {};
}

Status File::chmod(mode_t mode) const {
    if (fileSystem().fchmod(fd_, mode) != 0)
        return systemError(errno, "set the permissions of " + path_);
    return {};
}

Status File::close() {
    const int fd = fd_;
    fd_ = -1;
    if (fd >= 0 && fileSystem().close(fd) != 0) return systemError(errno, "close " + path_);
    return {};
}

// ---------------------------------------------------------------------------
// Paths and folders.

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

Status syncFolder(const std::string& folder) {
    Result<File> dir = File::open(folder, O_RDONLY | O_DIRECTORY);
    if (!dir) return dir.status();
    if (Status s = dir->sync(); !s) return s;
    return dir->close();
}

bool exists(const std::string& path) {
    struct stat st {};
    return fileSystem().lstat(path.c_str(), &st) == 0;
}

Error refusal(int errnoValue, std::string description, std::string step) {
    return Error{errnoValue, std::move(description), "TagShelf", std::move(step)};
}

}  // namespace tagshelf::fileops

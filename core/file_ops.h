// The file layer of the tag writers. Every call the writers make on the file
// system goes through one FileSystem object, one virtual function per system
// call, so that a test can put its own in place and make any single step fail.
// On top of it, File is an open file whose operations give a Status naming the
// step that failed and the system's error text.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <utility>

#include "core/error.h"

namespace tagshelf::fileops {

// The system calls, with their POSIX results: -1 (and errno set) on failure.
class FileSystem {
  public:
    virtual ~FileSystem() = default;

    virtual int open(const char* path, int flags, mode_t mode);
    virtual int close(int fd);
    virtual ssize_t pread(int fd, void* buffer, std::size_t count, off_t offset);
    virtual ssize_t pwrite(int fd, const void* buffer, std::size_t count, off_t offset);
    // copy_file_range(2): the kernel copies without a trip through user memory.
    virtual ssize_t copyFileRange(int inFd, off_t* inOffset, int outFd, off_t* outOffset,
                                  std::size_t count);
    virtual int fsync(int fd);
    virtual int fstat(int fd, struct stat* st);
    virtual int lstat(const char* path, struct stat* st);
    virtual int fchmod(int fd, mode_t mode);
    virtual int fchown(int fd, uid_t owner, gid_t group);
    virtual int ftruncate(int fd, off_t length);
    // Renames without replacing: fails with EEXIST when `to` exists.
    virtual int renameNoReplace(const char* from, const char* to);
    // Renames, replacing `to` when it exists (used to put a backup back).
    virtual int rename(const char* from, const char* to);
    virtual int unlink(const char* path);
};

// The file system the writers use: the real one unless a test has put another
// in place.
FileSystem& fileSystem();

// Puts `replacement` in place for the lifetime of this object.
class ScopedFileSystem {
  public:
    explicit ScopedFileSystem(FileSystem& replacement);
    ~ScopedFileSystem();
    ScopedFileSystem(const ScopedFileSystem&) = delete;
    ScopedFileSystem& operator=(const ScopedFileSystem&) = delete;

  private:
    FileSystem* previous_;
};

// An open file descriptor, closed (errors ignored) when it goes out of scope
// unless close() was called.
class File {
  public:
    File() = default;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    ~File();

    // open(2) with O_CLOEXEC added.
    static Result<File> open(const std::string& path, int flags, mode_t mode = 0);

    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    const std::string& path() const { return path_; }

    Result<struct stat> stat() const;
    // Reads `buffer.size()` bytes at `offset`; fewer only at the end of the file.
    Result<std::size_t> readAt(std::span<std::uint8_t> buffer, std::uint64_t offset) const;
    // Writes all of `bytes` at `offset`.
    Status writeAt(std::span<const std::uint8_t> bytes, std::uint64_t offset) const;
    Status sync() const;
    Status truncate(std::uint64_t length) const;
    Status chmod(mode_t mode) const;
    Status close();

  private:
    File(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    void release();

    int fd_ = -1;
    std::string path_;
};

// The folder part of a path ("." when it has none).
std::string folderOf(const std::string& path);

// Flushes a folder's entries (created, renamed and removed names) to disk.
Status syncFolder(const std::string& folder);

// True when something (a file, a folder, a link) has that name.
bool exists(const std::string& path);

// An error that is not a system call's: the program refuses the operation.
Error refusal(int errnoValue, std::string description, std::string step);

}  // namespace tagshelf::fileops

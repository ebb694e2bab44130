#include "id3/file_replace.h"

#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <vector>

#include "id3/writer.h"

namespace tagshelf {

using fileops::File;
using fileops::fileSystem;

namespace {

// Adds what the clean-up did not manage to the error of the step that failed.
Error withCleanupFailure(Error error, const Error& cleanup) {
    error.description += " (and then: " + cleanup.step + ": " + cleanup.description + ")";
    return error;
}

Result<File> openRegularFile(const std::string& path, int flags) {
    Result<File> file = File::open(path, flags | O_NOCTTY | O_NONBLOCK);
    if (!file) return file;
    Result<struct stat> st = file->stat();
    if (!st) return st.status();
    if (!S_ISREG(st->st_mode)) {
        return fileops::refusal(EINVAL, "not a regular file", "open " + path);
    }
    return file;
}

// The new file of a rewrite: made to match the original's permissions and owner,
// flushed, closed, and its name flushed with its folder. `made` is the new
// file's own status.
Status finishNewFile(File& target, const struct stat& made, const struct stat& like,
                     bool matchOwner) {
    if (matchOwner) {
        if (made.st_uid != like.st_uid || made.st_gid != like.st_gid) {
            // Only root may give a file away; a user who may rename the original
            // but not own it keeps the new file as theirs. Neither case is a
            // reason to give up the edit.
            if (fileSystem().fchown(target.fd(), like.st_uid, like.st_gid) != 0) {
                (void)fileSystem().fchown(target.fd(), static_cast<uid_t>(-1), like.st_gid);
            }
        }
        // Set after the owner: a change of owner clears the set-user-ID bits.
        if (Status s = target.chmod(like.st_mode & 07777); !s) return s;
    }
    if (Status s = target.sync(); !s) return s;
    const std::string path = target.path();
    if (Status s = target.close(); !s) return s;
    return fileops::syncFolder(fileops::folderOf(path));
}

}  // namespace

Result<std::string> resolveLink(const std::string& path) {
    struct stat st {};
    if (fileSystem().lstat(path.c_str(), &st) != 0) return systemError(errno, "open " + path);
    if (!S_ISLNK(st.st_mode)) return path;
    std::unique_ptr<char, decltype(&::free)> real(::realpath(path.c_str(), nullptr), &::free);
    if (!real) return systemError(errno, "follow the link " + path);
    return std::string(real.get());
}

Status checkChangeableFile(const std::string& path) {
    Result<File> file = openRegularFile(path, O_RDWR);
    if (!file) return file.status();
    (void)file->close();
    return {};
}

Status replaceFile(const std::string& givenPath, const ContentWriter& write) {
    Result<std::string> resolved = resolveLink(givenPath);
    if (!resolved) return resolved.status();
    const std::string& path = *resolved;

    // Opened for writing only to learn, before anything changes, that the user
    // may change this file; it is read from, never written.
    Result<File> source = openRegularFile(path, O_RDWR);
    if (!source) return source.status();
    Result<struct stat> sourceStat = source->stat();
    if (!sourceStat) return sourceStat.status();

    const std::string backup = fncOldName(path);
    if (fileSystem().renameNoReplace(path.c_str(), backup.c_str()) != 0) {
        return systemError(errno, "rename " + path + " to " + backup);
    }

    // From here on the original is at `backup`; every failure puts it back.
    File target;
    auto rollBack = [&](Error error) -> Status {
        target = File();
        if (fileSystem().rename(backup.c_str(), path.c_str()) != 0) {
            return withCleanupFailure(std::move(error),
                                      systemError(errno, "rename " + backup + " back to " + path));
        }
        (void)fileops::syncFolder(fileops::folderOf(path));
        return error;
    };

    Result<File> created = File::open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY, 0600);
    if (!created) return rollBack(created.error());
    target = std::move(*created);
    if (Status s = write(target, *source, *sourceStat); !s) return rollBack(s.error());
    Result<struct stat> made = target.stat();
    if (!made) return rollBack(made.error());
    if (Status s = finishNewFile(target, *made, *sourceStat, true); !s) return rollBack(s.error());

    // The backup goes only when the path holds the new file: had something else
    // removed or replaced it meanwhile, the original would be lost with it.
    struct stat now {};
    if (fileSystem().lstat(path.c_str(), &now) != 0 || now.st_dev != made->st_dev ||
        now.st_ino != made->st_ino) {
        return rollBack(fileops::refusal(
            ENOENT, "the new file was removed or replaced while it was written", "check " + path));
    }

    (void)source->close();
    if (fileSystem().unlink(backup.c_str()) != 0 && errno != ENOENT) {
        // The new file is complete, but a backup that cannot be removed would be
        // left behind: the original goes back in its place instead.
        return rollBack(systemError(errno, "delete " + backup));
    }
    return {};
}

Status createFileFrom(const std::string& target, const std::string& sourcePath,
                      const ContentWriter& write) {
    Result<File> source = openRegularFile(sourcePath, O_RDONLY);
    if (!source) return source.status();
    Result<struct stat> sourceStat = source->stat();
    if (!sourceStat) return sourceStat.status();

    if (fileops::exists(target)) {
        return fileops::refusal(EEXIST, "the file to write already exists", "create " + target);
    }
    Result<File> created =
        File::open(target, O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY, sourceStat->st_mode & 0777);
    if (!created) return created.status();

    auto removePartial = [&](Error error) -> Status {
        *created = File();
        if (fileSystem().unlink(target.c_str()) != 0) {
            return withCleanupFailure(std::move(error), systemError(errno, "delete " + target));
        }
        return error;
    };
    if (Status s = write(*created, *source, *sourceStat); !s) return removePartial(s.error());
    if (Status s = finishNewFile(*created, *sourceStat, *sourceStat, false); !s) {
        return removePartial(s.error());
    }
    return {};
}

Status replaceLastBytesInPlace(const std::string& path, std::span<const std::uint8_t> bytes,
                               std::span<const std::uint8_t> expectedStart) {
    Result<File> file = openRegularFile(path, O_RDWR);
    if (!file) return file.status();
    Result<struct stat> st = file->stat();
    if (!st) return st.status();
    const auto size = static_cast<std::uint64_t>(st->st_size);
    if (size < bytes.size()) {
        return fileops::refusal(EINVAL, "the file is shorter than the tag it should end with",
                                "read " + path);
    }
    const std::uint64_t at = size - bytes.size();

    std::vector<std::uint8_t> old(bytes.size());
    Result<std::size_t> got = file->readAt(old, at);
    if (!got) return got.status();
    if (*got != old.size() ||
        !std::equal(expectedStart.begin(), expectedStart.end(), old.begin())) {
        return fileops::refusal(EINVAL, "the file no longer ends with the tag to replace",
                                "read " + path);
    }

    auto restore = [&](Error error) -> Status {
        Status back = file->writeAt(old, at);
        if (back) back = file->sync();
        if (!back) return withCleanupFailure(std::move(error), back.error());
        return error;
    };
    if (Status s = file->writeAt(bytes, at); !s) return restore(s.error());
    if (Status s = file->sync(); !s) return restore(s.error());
    // The bytes are on disk: what close() could still report concerns nothing.
    (void)file->close();
    return {};
}

Status appendInPlace(const std::string& path, std::span<const std::uint8_t> bytes) {
    Result<File> file = openRegularFile(path, O_RDWR);
    if (!file) return file.status();
    Result<struct stat> st = file->stat();
    if (!st) return st.status();
    const auto size = static_cast<std::uint64_t>(st->st_size);

    auto cutBack = [&](Error error) -> Status {
        Status back = file->truncate(size);
        if (back) back = file->sync();
        if (!back) return withCleanupFailure(std::move(error), back.error());
        return error;
    };
    if (Status s = file->writeAt(bytes, size); !s) return cutBack(s.error());
    if (Status s = file->sync(); !s) return cutBack(s.error());
    (void)file->close();
    return {};
}

}  // namespace tagshelf

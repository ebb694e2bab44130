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

constexpr const char* kNewSuffix = ".tagshelf-new";
constexpr const char* kOldSuffix = ".tagshelf-old";
constexpr std::size_t kNameMax = 255;  // bytes in one name of a path

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

// The hidden name beside `path`: "." + its name + suffix, and a number from 1 on.
std::string hiddenName(const std::string& path, const std::string& suffix, int n) {
    const std::size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string name = path.substr(folder.size());
    const std::string tail = n == 0 ? suffix : suffix + std::to_string(n);
    // A long name is shortened so that the hidden one still fits.
    return folder + "." + name.substr(0, kNameMax - 1 - tail.size()) + tail;
}

// Creates a hidden file beside `path`, never over an existing name.
Result<File> createHidden(const std::string& path, const std::string& suffix, mode_t mode) {
    for (int n = 0; n < 1000; ++n) {
        Result<File> file =
            File::open(hiddenName(path, suffix, n), O_RDWR | O_CREAT | O_EXCL | O_NOCTTY, mode);
        if (file || file.error().number != EEXIST) return file;
    }
    return fileops::refusal(EEXIST, "no free name for a temporary file", "create beside " + path);
}

// Deletes the new files that writes of `path` which were killed left behind,
// so that at most one is ever there. (A copy of old bytes is never deleted this
// way: it may be all that is left of a file.)
void removeLeftovers(const std::string& path) {
    for (int n = 0; n < 1000; ++n) {
        const std::string name = hiddenName(path, kNewSuffix, n);
        if (!fileops::exists(name)) return;
        (void)fileSystem().unlink(name.c_str());
    }
}

// Deletes a file of ours after `error`, and reports both when that fails too.
Status removeAfter(Error error, File& file) {
    const std::string path = file.path();
    file = File();
    if (fileSystem().unlink(path.c_str()) != 0) {
        return withCleanupFailure(std::move(error), systemError(errno, "delete " + path));
    }
    return error;
}

// The new file of a rewrite: made to match the original's permissions and owner,
// flushed and closed. `made` is the new file's own status.
Status finishNewFile(File& target, const struct stat& made, const struct stat& like,
                     bool matchOwner) {
    if (matchOwner) {
        if (made.st_uid != like.st_uid || made.st_gid != like.st_gid) {
            // Only root may give a file away; a user who may rename over the
            // original but not own it keeps the new file as theirs. Neither case
            // is a reason to give up the edit.
            if (fileSystem().fchown(target.fd(), like.st_uid, like.st_gid) != 0) {
                (void)fileSystem().fchown(target.fd(), static_cast<uid_t>(-1), like.st_gid);
            }
        }
        // Set after the owner: a change of owner clears the set-user-ID bits.
        if (Status s = target.chmod(like.st_mode & 07777); !s) return s;
    }
    if (Status s = target.sync(); !s) return s;
    return target.close();
}

// The new content of a file with several names, written through its own inode
// (see the header): `file` is the open original, `st` its status.
Status rewriteLinkedFile(File& file, const struct stat& st, const ContentWriter& write) {
    const std::string folder = fileops::folderOf(file.path());
    Result<File> made = createHidden(file.path(), kOldSuffix, 0600);
    if (!made) return made.status();
    File copy = std::move(*made);
    const std::string copyPath = copy.path();
    auto removeCopy = [&](Error error) -> Status {
        Status s = removeAfter(std::move(error), copy);
        (void)fileops::syncFolder(folder);
        return s;
    };
    const auto length = static_cast<std::int64_t>(st.st_size);
    if (Result<std::uint64_t> r = subCopyTail(copy, 0, file, 1, length); !r) {
        return removeCopy(r.error());
    }
    if (Status s = copy.sync(); !s) return removeCopy(s.error());
    if (Status s = fileops::syncFolder(folder); !s) return removeCopy(s.error());

    // From here on the file's own bytes change; the copy holds the old ones.
    auto restore = [&](Error error) -> Status {
        Status back = file.truncate(0);
        if (back) back = subCopyTail(file, 0, copy, 1, length).status();
        if (back) back = file.sync();
        if (!back) {
            Error kept = back.error();
            kept.description += "; the old content is kept in " + copyPath;
            return withCleanupFailure(std::move(error), kept);
        }
        return removeCopy(std::move(error));
    };
    if (Status s = file.truncate(0); !s) return restore(s.error());
    if (Status s = write(file, copy, st); !s) return restore(s.error());
    if (Status s = file.sync(); !s) return restore(s.error());
    if (fileSystem().unlink(copyPath.c_str()) != 0) {
        // The new content is complete, but the copy would be left behind: the
        // old content goes back instead.
        return restore(systemError(errno, "delete " + copyPath));
    }
    (void)file.close();
    (void)fileops::syncFolder(folder);
    return {};
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
    // may change this file; it is read from, and written only when it has links.
    Result<File> source = openRegularFile(path, O_RDWR);
    if (!source) return source.status();
    Result<struct stat> sourceStat = source->stat();
    if (!sourceStat) return sourceStat.status();
    if (sourceStat->st_nlink > 1) return rewriteLinkedFile(*source, *sourceStat, write);

    removeLeftovers(path);
    Result<File> created = createHidden(path, kNewSuffix, 0600);
    if (!created) return created.status();
    File target = std::move(*created);
    const std::string temp = target.path();
    if (Status s = write(target, *source, *sourceStat); !s) return removeAfter(s.error(), target);
    Result<struct stat> made = target.stat();
    if (!made) return removeAfter(made.error(), target);
    if (Status s = finishNewFile(target, *made, *sourceStat, true); !s) {
        return removeAfter(s.error(), target);
    }

    // The new file goes over the path only while the path names the file it was
    // made from: had something else replaced it meanwhile, that would be lost.
    struct stat now {};
    Status replaced;
    if (fileSystem().lstat(path.c_str(), &now) != 0) {
        replaced = systemError(errno, "check " + path);
    } else if (now.st_dev != sourceStat->st_dev || now.st_ino != sourceStat->st_ino) {
        replaced =
            fileops::refusal(EBUSY, "the file was replaced while it was written", "check " + path);
    } else if (fileSystem().rename(temp.c_str(), path.c_str()) != 0) {
        replaced = systemError(errno, "rename " + temp + " to " + path);
    }
    // A closed File keeps its path: removeAfter deletes the new file by it.
    if (!replaced) return removeAfter(replaced.error(), target);
    (void)fileops::syncFolder(fileops::folderOf(path));
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
    removeLeftovers(target);
    Result<File> created = createHidden(target, kNewSuffix, sourceStat->st_mode & 0777);
    if (!created) return created.status();
    File out = std::move(*created);
    const std::string temp = out.path();
    if (Status s = write(out, *source, *sourceStat); !s) return removeAfter(s.error(), out);
    if (Status s = finishNewFile(out, *sourceStat, *sourceStat, false); !s) {
        return removeAfter(s.error(), out);
    }
    // Never over a file that appeared meanwhile.
    if (fileSystem().renameNoReplace(temp.c_str(), target.c_str()) != 0) {
        return removeAfter(systemError(errno, "rename " + temp + " to " + target), out);
    }
    (void)fileops::syncFolder(fileops::folderOf(target));
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

// Changing an MP3 file without ever losing it. Every function here either
// completes or leaves the file's original bytes at its original path, and leaves
// no backup or partial file behind when it fails.
//
// Rewriting a file in place of itself (replaceFile):
//  1. open the file (read and write: a file the user may not change is refused
//     before anything happens) and note its permissions and owner;
//  2. rename it to its backup name (fncOldName), never over an existing name;
//  3. create a new file at its path and write the new content into it, reading
//     the old content from the still-open original;
//  4. give the new file the original's permissions (and owner, where allowed),
//     flush it to disk, close it, and flush the folder, so that the new name and
//     content are on disk;
//  5. delete the backup.
// When any step after the rename fails, the backup is renamed back over the
// partial new file, which puts the original bytes at the path again in one step.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "core/error.h"
#include "core/file_ops.h"

namespace tagshelf {

// Writes the new content into `target`, a new empty file, reading from `source`
// (the file being replaced or copied, whose status is `sourceStat`).
using ContentWriter = std::function<Status(const fileops::File& target, const fileops::File& source,
                                           const struct stat& sourceStat)>;

// Rewrites the file at `path` through its backup (see above).
Status replaceFile(const std::string& path, const ContentWriter& write);

// Creates `target`, which must not exist yet, with content made from `source`,
// which stays unchanged. The new file gets the source's permission bits (less the
// process's umask). On failure the partial target is removed.
Status createFileFrom(const std::string& target, const std::string& source,
                      const ContentWriter& write);

// Replaces the last bytes.size() bytes of the file in place. The bytes replaced
// must start with `expectedStart` (the file must still end in what the caller
// believes it does). The bytes replaced are kept; if writing or flushing the new
// ones fails, they are written back.
Status replaceLastBytesInPlace(const std::string& path, std::span<const std::uint8_t> bytes,
                               std::span<const std::uint8_t> expectedStart);

// Appends bytes to the file in place and flushes it; on failure the file is cut
// back to its former length.
Status appendInPlace(const std::string& path, std::span<const std::uint8_t> bytes);

// Succeeds when `path` is a regular file that this process may change, without
// changing it.
Status checkChangeableFile(const std::string& path);

// Resolves a symbolic link to the file it names (the link itself is kept, its
// target rewritten); other paths are returned as they are.
Result<std::string> resolveLink(const std::string& path);

}  // namespace tagshelf

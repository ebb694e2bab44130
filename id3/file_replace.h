// Changing an MP3 file without ever losing it. At every moment the file's path
// holds either the whole old content or the whole new one, whatever stops the
// process (a failure, a kill, a crash) and, as far as the order of the flushes
// to disk can promise, a power cut. Every function here either completes or
// leaves the original bytes at the path and no file of its own beside it when it
// reports a failure; the Status names the step that failed.
//
// Files of ours beside the file have hidden names, so that no folder scan ever
// catalogues them: "." + the file's name + ".tagshelf-new" for a new content
// being written, ".tagshelf-old" for a copy of the old content (a number is added
// when the name is taken). A write that is killed may leave its new file behind;
// the next write of the same file deletes it first.
//
// Rewriting a file in place of itself (replaceFile):
//  1. open the file (read and write: a file the user may not change is refused
//     before anything happens) and note its permissions, owner and links;
//  2. create the hidden new file beside it (never over an existing name) and
//     write the new content into it, reading the old content from the original;
//  3. give the new file the original's permissions and owner (where allowed),
//     flush it to disk and close it;
//  4. check that the path still names the file opened in step 1, and rename the
//     new file over it: the one moment at which the path changes, from the whole
//     old file to the whole new one;
//  5. flush the folder, so that the rename itself is on disk.
// A failure in steps 2 to 4 deletes the hidden new file; the original was never
// changed. Once step 4 is done the file is written: a failing flush of the folder
// is not reported, since the path already holds the new file.
//
// A file with more than one name (hard links) stays one file: its new content
// goes through the same inode, so that every name sees it:
//  2. copy the whole old content to the hidden copy beside it, flush the copy
//     and the folder;
//  3. empty the file, write the new content into it reading from the copy, and
//     flush it;
//  4. delete the copy and flush the folder.
// A failure in step 3 writes the old content back from the copy, then deletes
// the copy. A crash in step 3 leaves the complete old content in the hidden copy.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "core/error.h"
#include "core/file_ops.h"

namespace tagshelf {

// Writes the new content into `target`, an empty file, reading from `source`
// (the file being replaced or copied, whose status is `sourceStat`).
using ContentWriter = std::function<Status(const fileops::File& target, const fileops::File& source,
                                           const struct stat& sourceStat)>;

// Rewrites the file at `path` (see above).
Status replaceFile(const std::string& path, const ContentWriter& write);

// Creates `target`, which must not exist yet, with content made from `source`,
// which stays unchanged: the content is written into a hidden new file beside
// `target`, flushed, and renamed to `target` only when it is complete (never
// over a file that appeared meanwhile). The new file gets the source's
// permission bits (less the process's umask). On failure nothing is left.
Status createFileFrom(const std::string& target, const std::string& source,
                      const ContentWriter& write);

// Replaces the last bytes.size() bytes of the file in place. The bytes replaced
// must start with `expectedStart` (the file must still end in what the caller
// believes it does). The old bytes are read first and the new ones written in one
// write, so that a kill leaves either of them; if writing or flushing the new
// ones fails, the old ones are written back.
Status replaceLastBytesInPlace(const std::string& path, std::span<const std::uint8_t> bytes,
                               std::span<const std::uint8_t> expectedStart);

// Appends bytes to the file in place in one write and flushes it; on failure the
// file is cut back to its former length.
Status appendInPlace(const std::string& path, std::span<const std::uint8_t> bytes);

// Succeeds when `path` is a regular file that this process may change, without
// changing it.
Status checkChangeableFile(const std::string& path);

// Resolves a symbolic link to the file it names (the link itself is kept, its
// target rewritten); other paths are returned as they are.
Result<std::string> resolveLink(const std::string& path);

}  // namespace tagshelf

// Collecting the MP3 files of a folder tree or of a drop of files and folders.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/toolkit.h"

namespace tagshelf {

struct FileCollection {
    std::vector<std::string> files;              // full paths, in scan order
    std::vector<std::string> unreadableFolders;  // folders that exist but can't be listed
    bool cancelled = false;                      // the user stopped the search
};

// Appends the MP3 files of `folder` to the list: with subfolders, those of every
// subfolder first (depth first, by name), then the folder's own. Hidden entries
// (names starting with ".") are left out; ".mp3" matches in any letter case. A
// folder reached twice (a symbolic link loop) is scanned once. Entries the file
// system marks hidden or system (FAT and NTFS attributes) are left out too, and
// pseudo file systems such as /proc are not entered. With `progress`, the search
// reports the files found so far and stops when the user cancels.
void subGetFiles(FileCollection& list, const std::string& folder, bool withSubfolders,
                 Progress* progress = nullptr);

// True for a name ending in ".mp3" in any letter case (how a scan picks files).
bool isMp3Name(std::string_view name);

// The FAT/NTFS attribute bits that hide an entry: hidden (2) and system (4).
bool isHiddenOrSystem(std::uint32_t attributes);

// Dropped paths: a name whose last four characters are exactly ".mp3" is a file
// to register; a name whose fourth character from the end is not "." is taken as
// a folder; anything else is ignored.
bool isDroppedMp3(std::string_view path);
bool isDropAccepted(std::string_view path);

// The files a drop of `paths` registers, in order.
FileCollection collectDropped(const std::vector<std::string>& paths, Progress* progress = nullptr);

}  // namespace tagshelf

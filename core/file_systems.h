// Kinds of mounted file systems: the kernel's own views (/proc, /sys, …), which
// hold no user files, so a folder scan never enters them and the folder dialog
// offers none of them as a drive; and memory file systems, which hold files but
// are no drive of their own.
#pragma once

#include <string_view>

namespace tagshelf {

// By the type name of the mounts file ("proc") or by statfs(2)'s f_type.
bool isPseudoFileSystemType(std::string_view type);
bool isPseudoFileSystemMagic(unsigned long magic);

// tmpfs and ramfs.
bool isMemoryFileSystemType(std::string_view type);

}  // namespace tagshelf

// Applying an edit to a file, without the window and without the catalogue: from
// the version the catalogue records for the file (or the version found in the
// file), work out the old version code, where the audio starts and the old ID3v2
// tag, then write the new tag with subWriteTag.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/error.h"
#include "id3/reader.h"
#include "id3/tags.h"
#include "id3/writer.h"

namespace tagshelf {

// What a write needs to know of the file's current tag.
struct OldTag {
    std::uint8_t oldCode = kNoTag;
    std::int64_t audioStart = 1;  // 1-based: the first byte after the ID3v2 tag
    Id3v2Tag v2Tag;               // the current ID3v2 tag, empty without one
};

// From a version text ("ID3v1", "ID3v11", "ID3v22", "ID3v23"; anything else
// counts as no tag): for the ID3v2 versions the file's tag is read and the audio
// starts at its TagSize + 11; otherwise at 1. Fails when the file cannot be read,
// and refuses an ID3v2 version for a file that does not start with an ID3v2 tag
// (its first bytes would otherwise be taken for a tag and dropped).
Result<OldTag> fncOldTag(std::string_view versionText, const std::string& path,
                         LegacyText legacy = LegacyText::Auto);

// Writes the tag of version `newCode` from `fields`: fncOldTag for sourcePath with
// oldVersionText, then subWriteTag.
Status fncApplyEdit(const std::string& targetPath, const std::string& sourcePath,
                    std::string_view oldVersionText, std::uint8_t newCode,
                    const EditFields& fields);

}  // namespace tagshelf

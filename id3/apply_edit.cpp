#include "id3/apply_edit.h"

#include <cerrno>

#include "id3/file_ops.h"
#include "id3/reader.h"

namespace tagshelf {

Result<OldTag> fncOldTag(std::string_view versionText, const std::string& path) {
    OldTag old;
    if (versionText == "ID3v1") {
        old.oldCode = kID3v1;
    } else if (versionText == "ID3v11") {
        old.oldCode = kID3v11;
    } else if (versionText == "ID3v22" || versionText == "ID3v23") {
        old.oldCode = versionText == "ID3v22" ? kID3v22 : kID3v23;
        Result<std::uint8_t> family = fncGetTagType(path);
        if (!family) return family.status();
        if (*family != kID3v22) {
            return fileops::refusal(EINVAL, "the file no longer starts with an ID3v2 tag",
                                    "read " + path);
        }
        Result<Id3v2Tag> tag = fncReadID3v2(path);
        if (!tag) return tag.status();
        old.v2Tag = std::move(*tag);
        old.audioStart = static_cast<std::int64_t>(old.v2Tag.TagSize) + 11;
    } else {
        old.oldCode = kNoTag;
    }
    return old;
}

Status fncApplyEdit(const std::string& targetPath, const std::string& sourcePath,
                    std::string_view oldVersionText, std::uint8_t newCode,
                    const EditFields& fields) {
    Result<OldTag> old = fncOldTag(oldVersionText, sourcePath);
    if (!old) return old.status();
    return subWriteTag(targetPath, sourcePath, newCode, old->oldCode, old->audioStart,
                       std::move(old->v2Tag), fields);
}

Result<FileTag> fncReadFileTag(const std::string& path) {
    Result<std::uint8_t> family = fncGetTagType(path);
    if (!family) return family.status();
    FileTag found;
    switch (*family) {
        case kID3v1: {
            Result<Id3v1Tag> tag = fncReadID3v1(path);
            if (!tag) return tag.status();
            found.v1 = std::move(*tag);
            found.versionText = found.v1.IsV11 == 1 ? "ID3v11" : "ID3v1";
            break;
        }
        case kID3v22: {
            Result<Id3v2Tag> tag = fncReadID3v2(path);
            if (!tag) return tag.status();
            found.v2 = std::move(*tag);
            found.versionText = found.v2.Version == 2 ? "ID3v22" : "ID3v23";
            break;
        }
        default:
            found.versionText = "NONE";
            break;
    }
    return found;
}

}  // namespace tagshelf

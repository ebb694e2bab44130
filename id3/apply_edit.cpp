#include "id3/apply_edit.h"

#include <cerrno>

#include "core/file_ops.h"
#include "id3/reader.h"

namespace tagshelf {

Result<OldTag> fncOldTag(std::string_view versionText, const std::string& path) {
    OldTag old;
    old.oldCode = versionCode(versionText).value_or(kNoTag);
    if (isID3v2Code(old.oldCode)) {
        Result<std::uint8_t> family = fncGetTagType(path);
        if (!family) return family.status();
        if (*family != kID3v22) {
            return fileops::refusal(EINVAL, "the file no longer starts with an ID3v2 tag",
                                    "read " + path);
        }
        Result<Id3v2Tag> tag = fncReadID3v2(path);
        if (!tag) return tag.status();
        old.v2Tag = std::move(*tag);
        old.audioStart = audioStartOf(old.v2Tag);
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

}  // namespace tagshelf

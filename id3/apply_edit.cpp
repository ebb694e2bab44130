#include "id3/apply_edit.h"

#include <cerrno>

#include "core/file_ops.h"
#include "id3/reader.h"

namespace tagshelf {

Result<OldTag> fncOldTag(std::string_view versionText, const std::string& path, LegacyText legacy) {
    OldTag old;
    old.oldCode = versionCode(versionText).value_or(kNoTag);
    if (isID3v2Code(old.oldCode)) {
        Result<std::uint8_t> family = fncGetTagType(path);
        if (!family) return family.status();
        if (*family != kID3v22) {
            return fileops::refusal(EINVAL, "the file no longer starts with an ID3v2 tag",
                                    "read " + path);
        }
        // Read whole: the frames the new tag keeps come from it.
        Result<std::vector<std::uint8_t>> bytes = fncReadID3v2Bytes(path);
        if (!bytes) return bytes.status();
        old.v2Tag = parseID3v2(*bytes, legacy);
        old.v2Tag.Frames = fncRawFrames(*bytes);
        old.v2Tag.FramesVersion = (*bytes)[3];
        old.audioStart = audioStartOf(old.v2Tag);
    }
    return old;
}

Status fncApplyEdit(const std::string& targetPath, const std::string& sourcePath,
                    std::string_view oldVersionText, std::uint8_t newCode,
                    const EditFields& fields) {
    Result<OldTag> old = fncOldTag(oldVersionText, sourcePath, fields.legacyText);
    if (!old) return old.status();
    return subWriteTag(targetPath, sourcePath, newCode, old->oldCode, old->audioStart,
                       std::move(old->v2Tag), fields);
}

}  // namespace tagshelf

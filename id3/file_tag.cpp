// Detecting a file's tag and reading it with the reader of its family: the one
// place that chooses the reader, for registration and the command line alike.
#include "id3/reader.h"

namespace tagshelf {

Result<FileTag> fncReadFileTag(const std::string& path) {
    Result<std::uint8_t> family = fncGetTagType(path);
    if (!family) return family.status();
    FileTag found;
    found.family = *family;
    if (*family == kID3v1) {
        Result<Id3v1Tag> tag = fncReadID3v1(path);
        if (!tag) return tag.status();
        found.v1 = std::move(*tag);
        found.version = versionOf(found.v1);
    } else if (*family == kID3v22) {
        Result<Id3v2Tag> tag = fncReadID3v2(path);
        if (!tag) return tag.status();
        found.v2 = std::move(*tag);
        found.version = versionOf(found.v2);
    }
    return found;
}

}  // namespace tagshelf

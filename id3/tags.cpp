#include "id3/tags.h"

namespace tagshelf {

const char* versionText(std::uint8_t code) {
    switch (code) {
        case kID3v1:
            return "ID3v1";
        case kID3v11:
            return "ID3v11";
        case kID3v22:
            return "ID3v22";
        case kID3v23:
            return "ID3v23";
        default:
            return "NONE";
    }
}

}  // namespace tagshelf

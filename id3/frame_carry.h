// Keeping what the user did not edit: the frames of an old ID3v2 tag that the
// writer does not write itself, in the form the new tag's version needs.
//  - same version: every such frame byte for byte, but for one that asks to be
//    discarded when the tag is altered;
//  - ID3v2.2 <-> ID3v2.3: frames with a standard counterpart renamed (PIC <->
//    APIC with the image format converted), the rest dropped;
//  - ID3v2.4 -> ID3v2.3: frames that ID3v2.3 has, texts in UTF-8 or UTF-16
//    big-endian re-encoded as UTF-16 with a byte-order mark, several values
//    joined with "/", compressed frames inflated; the rest dropped.
// The writer's own frames are never carried: the title, artist, album, track,
// genre and date frames, and the comment the readers show (the last one).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "id3/tags.h"

namespace tagshelf {

struct Carry {
    std::vector<RawFrame> frames;      // in the new version's form, in the old order
    std::vector<std::string> dropped;  // identifiers of the frames not kept
};

// The frames of an old tag (of major version `fromVersion`: 2, 3 or 4) a new tag
// of version `toVersion` (2 or 3) keeps.
Carry fncCarryFrames(const std::vector<RawFrame>& old, std::uint8_t fromVersion,
                     std::uint8_t toVersion);

// The identifiers a write of version `newCode` would drop from the file's
// current tag (nothing unless both are ID3v2), joined with ", ".
std::string fncDroppedFrames(const Id3v2Tag& old, std::uint8_t newCode);

// What a frame becomes in another version: the identifier (empty when the other
// version has no counterpart) and its body.
std::string counterpartId(std::string_view id, std::uint8_t fromVersion, std::uint8_t toVersion);
std::vector<std::uint8_t> pictureBodyFor(const std::vector<std::uint8_t>& body,
                                         std::uint8_t fromVersion, std::uint8_t toVersion);
// A version-4 body with its texts in encoding 0 or 1 (nothing when the frame's
// layout is not known and its encoding is 2 or 3).
std::optional<std::vector<std::uint8_t>> bodyForVersion3(std::string_view id,
                                                         const std::vector<std::uint8_t>& body);

}  // namespace tagshelf

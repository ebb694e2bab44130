// Tag detection and the ID3v1/ID3v1.1 and ID3v2.2/ID3v2.3 readers.
//
// The file functions open the file, read what they need and close it; they fail
// only when the file can't be opened or read. The parse functions work on bytes
// already in memory and never fail: bytes beyond the end of the buffer read as 0.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/error.h"
#include "id3/tags.h"

namespace tagshelf {

// 2 when the file starts with "ID3", else 0 when its last 128 bytes start with
// "TAG", else 4.
Result<std::uint8_t> fncGetTagType(const std::string& path);

// Reads the ID3v1 trailer (the last 128 bytes) of a file the detector gave 0 for.
Result<Id3v1Tag> fncReadID3v1(const std::string& path, LegacyText legacy = LegacyText::Auto);

// Reads the ID3v2 tag at the start of the file: the 10-byte header, then the whole
// tag (bounded by the file's size) in one read.
Result<Id3v2Tag> fncReadID3v2(const std::string& path, LegacyText legacy = LegacyText::Auto);

// A file's tag as detected and read: the detector's family (kID3v1, kID3v22 or
// kNoTag), the version of the tag found, and the record of that version (the
// other record stays empty).
struct FileTag {
    // Every member has its default below. A constructor of our own keeps a
    // FileTag made in place from being zero-filled first (value-initialised), a
    // cost paid for every file read.
    FileTag() {}

    std::uint8_t family = kNoTag;
    std::uint8_t version = kNoTag;  // kID3v1, kID3v11, kID3v22, kID3v23 or kNoTag
    Id3v1Tag v1;
    Id3v2Tag v2;
};

// Detects the file's tag and reads it with the reader of its family.
Result<FileTag> fncReadFileTag(const std::string& path, LegacyText legacy = LegacyText::Auto);

// The bytes of the ID3v2 tag at the start of the file: its header and the tag
// (bounded by the file's size), without a footer.
Result<std::vector<std::uint8_t>> fncReadID3v2Bytes(const std::string& path);

// Every frame of an ID3v2.2, ID3v2.3 or ID3v2.4 tag as stored (from its first
// byte, "ID3"), in order: bodies free of unsynchronisation, an extended header
// and padding left out.
std::vector<RawFrame> fncRawFrames(std::span<const std::uint8_t> tag);

// The detector over bytes: the first bytes of the file (at least 3 when the file
// has them), the last 128 bytes (empty when the file is shorter; only their first
// 3 are looked at) and the size.
std::uint8_t tagTypeOf(std::span<const std::uint8_t> head, std::span<const std::uint8_t> tail,
                       std::uint64_t fileSize);

// Parses a 128-byte ID3v1 trailer (shorter input reads as if padded with 0).
Id3v1Tag parseID3v1(std::span<const std::uint8_t> trailer, LegacyText legacy = LegacyText::Auto);

// Parses an ID3v2 tag from its first byte ("ID3"); the buffer holds the header
// and as much of the tag as the file holds. Nothing past the end of the tag (10 +
// the header's tag size) is read, so the whole file may be given as well.
Id3v2Tag parseID3v2(std::span<const std::uint8_t> tag, LegacyText legacy = LegacyText::Auto);

}  // namespace tagshelf

// A generated folder tree of MP3 files for the benchmarks: a realistic mix of
// ID3v2.3 tags (plain, with padding, with a picture frame), ID3v2.4 tags in UTF-8
// with a picture, ID3v2.2 tags, ID3v1.1
// and ID3v1 trailers and untagged files, with Japanese texts in Shift-JIS and
// UTF-16, each followed by a few dozen KB of fake MPEG audio frames. The same
// options always give the same tree, byte for byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "id3/tags.h"

namespace tagshelf::bench {

enum class FileKind : std::uint8_t {
    Id3v23,         // ID3v2.3, frames only
    Id3v23Padded,   // ID3v2.3 with padding after the frames
    Id3v23Picture,  // ID3v2.3 with an APIC picture of some KB, and padding
    Id3v24,         // ID3v2.4 in UTF-8, with TDRC, an APIC picture and padding
    Id3v22,         // ID3v2.2
    Id3v11,         // ID3v1.1 trailer (with a track number)
    Id3v1,          // ID3v1 trailer
    Untagged,
};
inline constexpr std::size_t kFileKindCount = 8;

std::string_view kindName(FileKind kind);

struct TreeOptions {
    std::size_t count = 10'000;
    std::uint64_t seed = 0x7A65'5368'656C'6621ULL;
    std::size_t minAudioBytes = 20 * 1024;
    std::size_t maxAudioBytes = 60 * 1024;
    // When not 0, every longEvery-th file has a long value: a comment of 200
    // characters (ID3v2 files) and a path of about 300 characters (all files).
    std::size_t longEvery = 0;
};

// One planned file: where it goes (relative to the tree's root), what it holds,
// and what a reader must find in it (texts as UTF-8).
struct PlannedFile {
    std::filesystem::path relativePath;
    FileKind kind = FileKind::Untagged;
    std::uint8_t family = kNoTag;   // what detection gives: 0, 2 or 4
    std::uint8_t version = kNoTag;  // the version code: 0 to 4
    bool utf16 = false;             // ID3v2 texts in encoding 1 (ID3v2.4: always UTF-8)
    bool unsync = false;            // ID3v2 tag stored unsynchronised
    std::string title;
    std::string artist;
    std::string album;
    std::string year;
    std::string comment;
    int track = 0;
    int genre = 0;
    std::size_t audioBytes = 0;
    std::size_t pictureBytes = 0;  // APIC content size, 0 without a picture
    std::size_t paddingBytes = 0;
};

// The files of a tree, without touching the disk.
std::vector<PlannedFile> planTree(const TreeOptions& options = {});

// The bytes of one planned file (tag and audio).
std::vector<std::uint8_t> fileBytes(const PlannedFile& file, const TreeOptions& options = {});

struct TreeSummary {
    std::vector<PlannedFile> files;
    std::size_t perKind[kFileKindCount] = {};
    std::uint64_t totalBytes = 0;
};

// Writes the tree under `root` (created when missing; existing files of the same
// names are replaced). Throws std::runtime_error when a file cannot be written.
TreeSummary generateTree(const std::filesystem::path& root, const TreeOptions& options = {});

}  // namespace tagshelf::bench

// The tag writers: the write dispatch subWriteTag, which turns the edit window's
// fields into a tag record and calls the writer of the chosen version; the
// ID3v1/ID3v1.1 writer; the writer that removes an ID3v2 tag; the ID3v2.2/ID3v2.3
// writer; and the file routines they share.
//
// Positions in files are 1-based where they stand for the tag layouts' positions
// (audioStart: the first byte after an old ID3v2 tag, 1 when there is none).
// Every writer returns a Status: on failure the file is as it was (see
// id3/file_replace.h) and the error names the step that failed.
#pragma once

#include <sys/stat.h>

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/error.h"
#include "core/file_ops.h"
#include "id3/tags.h"

namespace tagshelf {

// What the edit window holds when OK is pressed: one field per control the
// writers read, with the control's name. Texts are UTF-8.
struct EditFields {
    // The ID3v1/ID3v1.1 group.
    std::string txtTitle;
    std::string txtArtist;
    std::string txtAlbum;
    std::string txtTrack;  // ID3v1.1 only
    std::string txtYear;   // digits and "/"
    std::string txtComment;
    int cmbGenre = -1;  // selected position of the genre list (0..255), -1 for none

    // The ID3v2.2/ID3v2.3 group.
    std::string txtTIT2;
    std::string txtTPE1;
    std::string txtTALB;
    std::string txtTRCK1;  // track number
    std::string txtTRCK2;  // number of tracks
    std::string txtTYER;   // year
    std::string txtTDAT1;  // month
    std::string txtTDAT2;  // day
    std::string txtCOMM2;
    std::string txtTCON;    // genre name
    std::string txtTCONNo;  // genre number as text, may be empty
    int optEncode = 0;      // 0: legacy code page texts, 1: UTF-16 texts
    // How texts in the legacy code page (ID3v1, ID3v2 encoding 0) are written.
    LegacyText legacyText = LegacyText::Auto;
};

// ---------------------------------------------------------------------------
// The dispatch.

// Writes the tag of version `newCode` built from `fields` into the file.
// targetPath is the path the edit window shows, sourcePath the catalogue's path
// of the record (the same text in ordinary use). oldCode is the file's current
// version, audioStart the first byte after its ID3v2 tag (1 without one), and
// v2Tag its current ID3v2 tag as read (empty when it has none): the ID3v2 writer
// keeps its unsynchronisation flag and comment description.
Status subWriteTag(const std::string& targetPath, const std::string& sourcePath,
                   std::uint8_t newCode, std::uint8_t oldCode, std::int64_t audioStart,
                   Id3v2Tag v2Tag, const EditFields& fields);

// The dispatch's rules for ID3v1 (newCode 0) and ID3v1.1 (newCode 1): texts as
// they stand; Year "0" for an empty box or "00/00", else the box without "/" read
// as a number; Track the box read as a number and rounded; Genre the list
// position. Refused: no genre selected, and for ID3v1.1 a Track outside 0..255.
Result<Id3v1Tag> fncID3v1FromFields(const EditFields& fields, std::uint8_t newCode);

// The dispatch's rules for ID3v2.2 (newCode 2) and ID3v2.3 (newCode 3): fills the
// fields the writer uses (Version, Revision, Title, Artist, Album, Year, Day,
// Comment, Track, Genre, Encode); the others, Unsync and CommentDesc among them,
// keep what `tag` held. An empty year box gives an empty Year (no year frame);
// a genre number "999" (the catalogue's "no number") gives the name alone.
void subID3v2FromFields(const EditFields& fields, std::uint8_t newCode, Id3v2Tag& tag);

// ---------------------------------------------------------------------------
// The ID3v1 writer, the tag remover and the shared file routines.

// Writes one ID3v1 (newCode 0) or ID3v1.1 (newCode 1) block:
//  - targetPath differs from sourcePath: a new file targetPath (which must not
//    exist) holds the source from audioStart on, then the block;
//  - same path, old code 0 or 1: the last 128 bytes (the old block) are replaced;
//  - same path, old code 2 or 3: the file is rewritten as its bytes from
//    audioStart on, then the block (the ID3v2 tag is dropped);
//  - same path, any other old code: the block is appended.
Status subWriteID3v1(const std::string& targetPath, const std::string& sourcePath,
                     std::uint8_t newCode, std::uint8_t oldCode, const Id3v1Tag& tag,
                     std::int64_t audioStart);

// The 128-byte block: "TAG", the texts in code page 932 each cut to its field at
// a whole character, the Year as "####", for ID3v1.1 a 0 at offset 125 and the
// Track at 126, and the Genre byte at 127; every other byte 0.
std::array<std::uint8_t, 128> fncID3v1Block(const Id3v1Tag& tag, std::uint8_t newCode);

// Writes the file without an ID3v2 tag: its bytes from audioStart on.
Status subWriteNoTag(const std::string& targetPath, const std::string& sourcePath,
                     std::int64_t audioStart);

// Copies the source's bytes start..sourceLength (1-based, inclusive; nothing when
// start > sourceLength) to `target` at offset targetEnd, in pieces of bounded
// size. Gives the target's new end.
Result<std::uint64_t> subCopyTail(const fileops::File& target, std::uint64_t targetEnd,
                                  const fileops::File& source, std::int64_t start,
                                  std::int64_t sourceLength);

// Writes a new file's whole content into the empty `target`: `head`, then the
// source's bytes from `start` to its end (its length taken from sourceStat), then
// `tail`.
Status subCopyAudio(const fileops::File& target, const fileops::File& source,
                    const struct stat& sourceStat, std::int64_t start,
                    std::span<const std::uint8_t> head = {},
                    std::span<const std::uint8_t> tail = {});

// ---------------------------------------------------------------------------
// The ID3v2 writer.

// Writes an ID3v2.2 (tag.Version 2) or ID3v2.3 (tag.Version 3) tag followed by
// the source's bytes from audioStart on: in place of the file when the paths are
// the same, else into the new file targetPath (which must not exist). oldCode is
// not used.
Status subWriteID3v2(const std::string& targetPath, const std::string& sourcePath,
                     std::uint8_t newCode, std::uint8_t oldCode, const Id3v2Tag& tag,
                     std::int64_t audioStart);

using TagBytes = std::vector<std::uint8_t>;

// The whole tag: the 10-byte header and the frames, with no padding. Refused
// when a frame or the tag is too large for its size field.
Result<TagBytes> fncID3v2TagBytes(const Id3v2Tag& tag);

// Append one frame to `out` (the tag being built; its end is the write
// position). A frame whose identifier starts with "T" is a text frame, left out
// when `text` is empty; "COMM"/"COM" is the comment (description from tag),
// left out when both its texts are empty; any other identifier writes nothing.
// With tag.Unsync the size, flag and body bytes are unsynchronised.
void subPutFrameV23(std::string_view id, const Id3v2Tag& tag, std::string_view text, TagBytes& out);
void subPutFrameV22(std::string_view id, const Id3v2Tag& tag, std::string_view text, TagBytes& out);

// A text frame body: encoding 1 gives 01 FF FE, the text in UTF-16 little-endian
// and 00 00; any other encoding 00, the text in code page 932 and 00.
TagBytes fncTextBody(std::uint8_t encoding, std::string_view text,
                     LegacyText legacy = LegacyText::Cp932);

// A comment frame body: the encoding byte, "jpn", the description and its
// terminator, the comment text (each CR LF turned into LF) with nothing after it.
// In encoding 1 the description and the text each start with FF FE.
TagBytes fncCommBody(std::uint8_t encoding, std::string_view description, std::string_view comment,
                     LegacyText legacy = LegacyText::Cp932);

// Appends `value` big-endian in byteCount (3 or 4) bytes; with `unsync` a 0x00
// goes before each byte that is 0x00 or 0xE0..0xFF when the byte before it
// (`previous` for the first) is 0xFF. Gives the last byte written.
std::uint8_t fncPutSize(std::uint32_t value, int byteCount, TagBytes& out, bool unsync,
                        std::uint8_t previous);

}  // namespace tagshelf

// Tag detection and the ID3v1/ID3v1.1 reader, over files and over bytes.
#include <sys/stat.h>

#include <cerrno>

#include <gtest/gtest.h>

#include "id3/reader.h"
#include "tests/id3/read_support.h"
#include "tests/id3/tag_builder.h"
#include "tests/support/test_support.h"

namespace tagshelf {
namespace {

using test::Bytes;
using test::concat;
using test::id3v1Trailer;
using test::raw;

std::string utf8(const char8_t* s) {
    return reinterpret_cast<const char*>(s);
}

Bytes audio() {
    return test::fakeAudio(2000, 7);
}

class FileTest : public ::testing::Test {
  protected:
    std::string write(const Bytes& bytes) {
        std::string path = dir_.file("f" + std::to_string(count_++) + ".mp3");
        test::writeFile(path, bytes);
        return path;
    }

    std::uint8_t detect(const Bytes& bytes) {
        Result<std::uint8_t> r = fncGetTagType(write(bytes));
        EXPECT_TRUE(r.ok()) << (r.ok() ? "" : r.error().description);
        return r.ok() ? *r : 0xEE;
    }

    // Reads the trailer through the file and checks the parse over bytes agrees.
    Id3v1Tag readV1(const Bytes& bytes) {
        Result<Id3v1Tag> r = fncReadID3v1(write(bytes));
        EXPECT_TRUE(r.ok()) << (r.ok() ? "" : r.error().description);
        if (!r.ok()) return {};
        if (bytes.size() >= 128) {
            Id3v1Tag fromBytes = parseID3v1({bytes.data() + bytes.size() - 128, 128});
            EXPECT_TRUE(sameTag(*r, fromBytes)) << describe(*r) << "\n" << describe(fromBytes);
        }
        return *r;
    }

    test::TempDir dir_;
    int count_ = 0;
};

// ---------------------------------------------------------------------------
// Detection

using DetectTest = FileTest;

TEST_F(DetectTest, TagTypeOfFiles) {
    const Bytes trailer = id3v1Trailer({});
    auto marked = [&](const char* marker) {
        Bytes t = trailer;
        std::copy_n(marker, 3, t.begin());
        return concat({audio(), t});
    };
    const struct {
        const char* name;
        Bytes file;
        std::uint8_t expected;
    } cases[] = {
        {"empty", {}, kNoTag},
        {"ID", raw("ID"), kNoTag},
        {"TA", raw("TA"), kNoTag},
        {"127 bytes starting with TAG", concat({raw("TAG"), Bytes(124, 'x')}), kNoTag},
        {"ID3 alone", raw("ID3"), kID3v22},
        {"trailer of exactly 128 bytes", trailer, kID3v1},
        {"audio and trailer", concat({audio(), trailer}), kID3v1},
        {"ID3v2 wins over a trailer",
         concat({test::Id3v2Builder(3).padding(20).build(), audio(), trailer}), kID3v22},
        {"tag", marked("tag"), kNoTag},
        {"Tag", marked("Tag"), kNoTag},
        {"TAg", marked("TAg"), kNoTag},
        {"id3", concat({raw("id3"), audio()}), kNoTag},
        {"ID2", concat({raw("ID2"), audio()}), kNoTag},
        {"trailer one byte before the end", concat({audio(), trailer, raw("x")}), kNoTag},
        {"untagged audio", audio(), kNoTag},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(detect(c.file), c.expected) << c.name;
    }
}

TEST(DetectBytesTest, DetectorOverBytes) {
    Bytes id3 = raw("ID3");
    Bytes tag = raw("TAG");
    EXPECT_EQ(tagTypeOf(id3, tag, 1000), kID3v22);
    EXPECT_EQ(tagTypeOf(raw("abc"), tag, 1000), kID3v1);
    EXPECT_EQ(tagTypeOf(raw("abc"), tag, 127), kNoTag);
    EXPECT_EQ(tagTypeOf(raw("ID"), {}, 2), kNoTag);
    EXPECT_EQ(tagTypeOf({}, {}, 0), kNoTag);
}

TEST(FileErrorTest, MissingFileAndFolderFail) {
    test::TempDir dir;
    for (const auto& [path, number] :
         {std::pair{dir.file("absent.mp3"), ENOENT}, std::pair{dir.str(), EISDIR}}) {
        SCOPED_TRACE(path);
        Result<std::uint8_t> t = fncGetTagType(path);
        ASSERT_FALSE(t.ok());
        EXPECT_EQ(t.error().number, number);
        EXPECT_FALSE(t.error().description.empty());
        EXPECT_FALSE(fncReadID3v1(path).ok());
        EXPECT_FALSE(fncReadID3v2(path).ok());
    }
}

TEST(FileErrorTest, UnreadableFileFails) {
    test::TempDir dir;
    chmod(dir.str().c_str(), 0755);
    std::string path = dir.file("locked.mp3");
    test::writeFile(path, id3v1Trailer({}));
    chmod(path.c_str(), 0);
    // As root (which may read anything) the readers run as the unprivileged user.
    const int result = test::runUnprivileged([&path] {
        Result<std::uint8_t> t = fncGetTagType(path);
        Result<Id3v1Tag> v1 = fncReadID3v1(path);
        Result<Id3v2Tag> v2 = fncReadID3v2(path);
        if (t.ok() || v1.ok() || v2.ok()) return 1;
        const bool denied = t.error().number == EACCES && v1.error().number == EACCES &&
                            v2.error().number == EACCES;
        return denied ? 0 : 2;
    });
    EXPECT_EQ(result, 0);
}

// ---------------------------------------------------------------------------
// ID3v1 fields and the ID3v1.1 track rule

// A whole expected tag; what is not named is as an all-zero trailer with genre
// 255 reads.
struct Want {
    std::int16_t IsV11 = 0;
    std::string Title{}, Artist{}, Album{}, Year = std::string(4, '\0'), Comment{};
    std::int16_t Track = 0;
    std::uint8_t Genre = 0xFF;

    Id3v1Tag tag() const { return {IsV11, Title, Artist, Album, Year, Comment, Track, Genre}; }
};

// Trailer fields as stored, every one defaulted (for designated initializers).
struct Stored {
    Bytes title{}, artist{}, album{}, year{}, comment{};
    std::optional<std::uint8_t> track{};
    std::uint8_t genre = 0xFF;
};
Bytes trailer(const Stored& f) {
    return id3v1Trailer({f.title, f.artist, f.album, f.year, f.comment, f.track, f.genre});
}

// A trailer whose 30 comment bytes are given whole, then byte 126 set.
Bytes trailerWithComment(Bytes comment30, std::uint8_t byte126) {
    Bytes t = id3v1Trailer({});
    std::copy(comment30.begin(), comment30.end(), t.begin() + 97);
    t[126] = byte126;
    return t;
}

using Id3v1Test = FileTest;

TEST_F(Id3v1Test, Fields) {
    const std::string full1 = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123";  // 30 bytes, no NUL
    const std::string full2 = "abcdefghijklmnopqrstuvwxyz4567";
    const std::string full3 = "123456789012345678901234567890";
    const std::string fifteen = utf8(u8"日本語の題名を十五文字で書く例");
    ASSERT_EQ(test::sjis(fifteen).size(), 30u);
    const std::string artist = utf8(u8"アーティスト");
    const std::string halfWidth = utf8(u8"ｺﾒﾝﾄ");  // one byte each
    const std::string spaced = "Song" + std::string(26, ' ');
    const std::string c28(28, 'c');
    const std::string comment28 = "28 bytes of comment text....";
    const std::string comment30 = "thirty bytes of comment text!!";
    Bytes early(30, 'e');  // an early NUL with text after it (byte 125 not NUL)
    early[3] = 0;
    const struct {
        const char* name;
        Bytes file;
        Want expected;
    } cases[] = {
        {"all fields at their offsets",
         concat({audio(), trailer({raw("Title"), raw("Artist"), raw("Album"), raw("2003"),
                                   raw("Comment"), std::nullopt, 17})}),
         {0, "Title", "Artist", "Album", "2003", "Comment", 0, 17}},
        {"full-width fields",
         trailer({.title = raw(full1), .artist = raw(full2), .album = raw(full3)}),
         {.Title = full1, .Artist = full2, .Album = full3}},
        {"fields end at the first NUL and keep spaces",
         trailer(
             {.title = raw("AB"), .artist = raw("Band   "), .album = raw(std::string("X\0Y", 3))}),
         {.Title = "AB", .Artist = "Band   ", .Album = "X"}},
        {"space-padded field", trailer({.title = raw(spaced)}), {.Title = spaced}},
        {"empty trailer", id3v1Trailer({}), {}},
        {"year keeps all four bytes",
         trailer({.year = raw(std::string("99\0\0", 4))}),
         {.Year = std::string("99\0\0", 4)}},
        {"15 double-byte characters", trailer({.title = test::sjis(fifteen)}), {.Title = fifteen}},
        {"Shift-JIS title, artist and half-width comment",
         trailer({.title = test::sjis(fifteen),
                  .artist = test::sjis(artist),
                  .comment = test::sjis(halfWidth)}),
         {.Title = fifteen, .Artist = artist, .Comment = halfWidth}},
        {"invalid Shift-JIS", trailer({.title = Bytes{'A', 0xFD, 'B'}}), {.Title = "A?B"}},
        {"genre 0", trailer({.genre = 0}), {.Genre = 0}},
        {"genre 17", trailer({.genre = 17}), {.Genre = 17}},
        {"genre 125", trailer({.genre = 125}), {.Genre = 125}},
        {"genre 126", trailer({.genre = 126}), {.Genre = 126}},
        // The reader is only called after detection, which needs 128 bytes; a
        // shorter file still reads as if zeros preceded it.
        {"100-byte file",
         [] {
             Bytes t = trailer({.title = raw("Cut")});
             return Bytes(t.begin() + 28, t.end());
         }(),
         {}},
        // ID3v1.1: a zero at offset 125 and a track at 126.
        {"writer's form gives the track",
         trailer({.comment = raw(comment28), .track = 5}),
         {.IsV11 = 1, .Comment = comment28, .Track = 5}},
        {"30-byte comment", trailer({.comment = raw(comment30)}), {.Comment = comment30}},
        {"zero track byte", trailer({.comment = raw("abc")}), {.Comment = "abc"}},
        {"track 1", trailerWithComment(raw("x"), 1), {.IsV11 = 1, .Comment = "x", .Track = 1}},
        {"track 99", trailerWithComment(raw("x"), 99), {.IsV11 = 1, .Comment = "x", .Track = 99}},
        {"track 255",
         trailerWithComment(raw("x"), 255),
         {.IsV11 = 1, .Comment = "x", .Track = 255}},
        {"NUL at offset 125",
         trailerWithComment(concat({raw(c28), {0, 0}}), 9),
         {.IsV11 = 1, .Comment = c28, .Track = 9}},
        {"early NUL", trailerWithComment(early, 7), {.IsV11 = 1, .Comment = "eee", .Track = 7}},
        // Count 29: the NUL sits at offset 126 itself, so the byte there is 0
        // anyway; the track test is not made and the comment keeps its 29 bytes.
        {"29-byte comment",
         trailerWithComment(concat({Bytes(29, 'n'), {0}}), 0),
         {.Comment = std::string(29, 'n')}},
        {"28-byte comment is the last to take a track",
         trailerWithComment(concat({Bytes(28, 'k'), {0, 'k'}}), 0x41),
         {.IsV11 = 1, .Comment = std::string(28, 'k'), .Track = 0x41}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(describe(readV1(c.file)), describe(c.expected.tag())) << c.name;
    }
    // A file of no bytes reads as 128 zeros.
    EXPECT_TRUE(sameTag(readV1({}), parseID3v1(Bytes(128, 0))));
}

TEST(Id3v1BytesTest, ShortTrailerReadsAsPaddedWithZeros) {
    Bytes start = trailer({.title = raw("Start")});
    EXPECT_EQ(describe(parseID3v1({start.data(), 40})),
              describe(Want{.Title = "Start", .Genre = 0}.tag()));
}

}  // namespace
}  // namespace tagshelf

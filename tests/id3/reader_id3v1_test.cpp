// Tag detection and the ID3v1/ID3v1.1 reader, over files and over bytes.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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
using test::Id3v1Fields;
using test::raw;

std::string utf8(const char8_t* s) {
    return reinterpret_cast<const char*>(s);
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

Bytes audio() {
    return test::fakeAudio(2000, 7);
}

// ---------------------------------------------------------------------------
// Detection

using DetectTest = FileTest;

TEST_F(DetectTest, ShortFilesHaveNoTag) {
    EXPECT_EQ(detect({}), kNoTag);
    EXPECT_EQ(detect(raw("ID")), kNoTag);
    EXPECT_EQ(detect(raw("TA")), kNoTag);
    // 127 bytes starting with TAG: too short for a trailer.
    EXPECT_EQ(detect(concat({raw("TAG"), Bytes(124, 'x')})), kNoTag);
}

TEST_F(DetectTest, ThreeBytesId3IsEnough) {
    EXPECT_EQ(detect(raw("ID3")), kID3v22);
}

TEST_F(DetectTest, TrailerOfExactly128Bytes) {
    EXPECT_EQ(detect(test::id3v1Trailer({})), kID3v1);
    EXPECT_EQ(detect(concat({audio(), test::id3v1Trailer({})})), kID3v1);
}

TEST_F(DetectTest, Id3v2WinsOverATrailer) {
    Bytes file =
        concat({test::Id3v2Builder(3).padding(20).build(), audio(), test::id3v1Trailer({})});
    EXPECT_EQ(detect(file), kID3v22);
}

TEST_F(DetectTest, MarkersAreCaseSensitive) {
    Bytes trailer = test::id3v1Trailer({});
    for (const char* marker : {"tag", "Tag", "TAg"}) {
        Bytes t = trailer;
        std::copy_n(marker, 3, t.begin());
        EXPECT_EQ(detect(concat({audio(), t})), kNoTag) << marker;
    }
    EXPECT_EQ(detect(concat({raw("id3"), audio()})), kNoTag);
    EXPECT_EQ(detect(concat({raw("ID2"), audio()})), kNoTag);
}

TEST_F(DetectTest, TrailerMustSitExactly128BytesFromTheEnd) {
    Bytes file = concat({audio(), test::id3v1Trailer({}), raw("x")});
    EXPECT_EQ(detect(file), kNoTag);
}

TEST_F(DetectTest, UntaggedAudio) {
    EXPECT_EQ(detect(audio()), kNoTag);
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

TEST(FileErrorTest, MissingFileFails) {
    test::TempDir dir;
    std::string path = dir.file("absent.mp3");
    Result<std::uint8_t> t = fncGetTagType(path);
    ASSERT_FALSE(t.ok());
    EXPECT_EQ(t.error().number, ENOENT);
    EXPECT_FALSE(t.error().description.empty());
    EXPECT_FALSE(fncReadID3v1(path).ok());
    EXPECT_FALSE(fncReadID3v2(path).ok());
}

TEST(FileErrorTest, FolderFails) {
    test::TempDir dir;
    Result<std::uint8_t> t = fncGetTagType(dir.str());
    ASSERT_FALSE(t.ok());
    EXPECT_EQ(t.error().number, EISDIR);
    EXPECT_FALSE(fncReadID3v1(dir.str()).ok());
    EXPECT_FALSE(fncReadID3v2(dir.str()).ok());
}

// The readers' answer for a file without read permission; as root (which may read
// anything) in a child process that has become the unprivileged user.
int unreadableFileError(const std::string& path) {
    auto check = [&path] {
        Result<std::uint8_t> t = fncGetTagType(path);
        Result<Id3v1Tag> v1 = fncReadID3v1(path);
        Result<Id3v2Tag> v2 = fncReadID3v2(path);
        if (t.ok() || v1.ok() || v2.ok()) return 1;
        return t.error().number == EACCES && v1.error().number == EACCES &&
                       v2.error().number == EACCES
                   ? 0
                   : 2;
    };
    if (geteuid() != 0) return check();
    pid_t pid = fork();
    if (pid == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0) _exit(90);
        _exit(check());
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 99;
}

TEST(FileErrorTest, UnreadableFileFails) {
    test::TempDir dir;
    chmod(dir.str().c_str(), 0755);
    std::string path = dir.file("locked.mp3");
    test::writeFile(path, test::id3v1Trailer({}));
    chmod(path.c_str(), 0);
    EXPECT_EQ(unreadableFileError(path), 0);
}

// ---------------------------------------------------------------------------
// ID3v1 fields

using Id3v1Test = FileTest;

TEST_F(Id3v1Test, AllFieldsAtTheirOffsets) {
    Id3v1Fields f;
    f.title = raw("Title");
    f.artist = raw("Artist");
    f.album = raw("Album");
    f.year = raw("2003");
    f.comment = raw("Comment");
    f.genre = 17;
    Id3v1Tag t = readV1(concat({audio(), test::id3v1Trailer(f)}));
    EXPECT_EQ(t.Title, "Title");
    EXPECT_EQ(t.Artist, "Artist");
    EXPECT_EQ(t.Album, "Album");
    EXPECT_EQ(t.Year, "2003");
    EXPECT_EQ(t.Comment, "Comment");
    EXPECT_EQ(t.Genre, 17);
    EXPECT_EQ(t.IsV11, 0);
    EXPECT_EQ(t.Track, 0);
}

TEST_F(Id3v1Test, FullWidthFieldsAreReadWhole) {
    Id3v1Fields f;
    f.title = raw("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123");  // 30 bytes, no NUL
    f.artist = raw("abcdefghijklmnopqrstuvwxyz4567");
    f.album = raw("123456789012345678901234567890");
    Id3v1Tag t = readV1(test::id3v1Trailer(f));
    EXPECT_EQ(t.Title, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123");
    EXPECT_EQ(t.Artist, "abcdefghijklmnopqrstuvwxyz4567");
    EXPECT_EQ(t.Album, "123456789012345678901234567890");
}

TEST_F(Id3v1Test, FieldsEndAtTheFirstNulAndKeepSpaces) {
    Id3v1Fields f;
    f.title = raw("AB");
    f.artist = raw("Band   ");
    f.album = raw(std::string("X\0Y", 3));
    Id3v1Tag t = readV1(test::id3v1Trailer(f));
    EXPECT_EQ(t.Title, "AB");
    EXPECT_EQ(t.Artist, "Band   ");
    EXPECT_EQ(t.Album, "X");
}

TEST_F(Id3v1Test, SpacePaddedFieldsKeepTheirSpaces) {
    Id3v1Fields f;
    f.title = raw("Song" + std::string(26, ' '));
    Id3v1Tag t = readV1(test::id3v1Trailer(f));
    EXPECT_EQ(t.Title, "Song" + std::string(26, ' '));
}

TEST_F(Id3v1Test, YearKeepsAllFourBytes) {
    Id3v1Tag empty = readV1(test::id3v1Trailer({}));
    EXPECT_EQ(empty.Year, std::string(4, '\0'));
    Id3v1Fields f;
    f.year = raw(std::string("99\0\0", 4));
    EXPECT_EQ(readV1(test::id3v1Trailer(f)).Year, std::string("99\0\0", 4));
}

TEST_F(Id3v1Test, ShiftJisTitleOf15DoubleByteCharacters) {
    std::string title = utf8(u8"日本語の題名を十五文字で書く例");
    Id3v1Fields f;
    f.title = test::sjis(title);
    ASSERT_EQ(f.title.size(), 30u);
    Id3v1Tag t = readV1(test::id3v1Trailer(f));
    EXPECT_EQ(t.Title, title);
    f.artist = test::sjis(utf8(u8"アーティスト"));
    f.comment = test::sjis(utf8(u8"ｺﾒﾝﾄ"));  // half-width katakana: one byte each
    t = readV1(test::id3v1Trailer(f));
    EXPECT_EQ(t.Artist, utf8(u8"アーティスト"));
    EXPECT_EQ(t.Comment, utf8(u8"ｺﾒﾝﾄ"));
}

TEST_F(Id3v1Test, InvalidShiftJisBecomesQuestionMarks) {
    Id3v1Fields f;
    f.title = Bytes{'A', 0xFD, 'B'};
    EXPECT_EQ(readV1(test::id3v1Trailer(f)).Title, "A?B");
}

TEST_F(Id3v1Test, GenreByteIsTakenWhole) {
    for (std::uint8_t g : {0, 17, 125, 126, 255}) {
        Id3v1Fields f;
        f.genre = g;
        EXPECT_EQ(readV1(test::id3v1Trailer(f)).Genre, g);
    }
}

TEST_F(Id3v1Test, ShortFileReadsAsIfZerosPrecededIt) {
    // The reader is only called after detection, which needs 128 bytes; a shorter
    // file still reads without failing.
    Id3v1Fields f;
    f.title = raw("Cut");
    Bytes trailer = test::id3v1Trailer(f);
    Id3v1Tag t = readV1(Bytes(trailer.begin() + 28, trailer.end()));  // 100 bytes
    EXPECT_EQ(t.Title, "");
    EXPECT_EQ(t.Genre, 0xFF);
    EXPECT_TRUE(sameTag(readV1({}), parseID3v1(Bytes(128, 0))));
}

TEST(Id3v1BytesTest, ShortTrailerReadsAsPaddedWithZeros) {
    Id3v1Fields f;
    f.title = raw("Start");
    Bytes trailer = test::id3v1Trailer(f);
    Id3v1Tag t = parseID3v1({trailer.data(), 40});
    EXPECT_EQ(t.Title, "Start");
    EXPECT_EQ(t.Year, std::string(4, '\0'));
    EXPECT_EQ(t.Genre, 0);
}

// ---------------------------------------------------------------------------
// ID3v1.1 track rule

using Id3v11Test = FileTest;

Bytes trailerWithComment(const Bytes& comment30, std::uint8_t byte126) {
    Bytes t = test::id3v1Trailer({});
    std::copy(comment30.begin(), comment30.end(), t.begin() + 97);
    t[126] = byte126;
    return t;
}

TEST_F(Id3v11Test, WriterFormGivesTheTrack) {
    Id3v1Fields f;
    f.comment = raw("28 bytes of comment text....");
    f.track = 5;
    ASSERT_EQ(f.comment.size(), 28u);
    Id3v1Tag t = readV1(test::id3v1Trailer(f));
    EXPECT_EQ(t.IsV11, 1);
    EXPECT_EQ(t.Track, 5);
    EXPECT_EQ(t.Comment, "28 bytes of comment text....");
}

TEST_F(Id3v11Test, ThirtyByteCommentIsVersion1) {
    Id3v1Fields f;
    f.comment = raw("thirty bytes of comment text!!");
    Id3v1Tag t = readV1(test::id3v1Trailer(f));
    EXPECT_EQ(t.IsV11, 0);
    EXPECT_EQ(t.Track, 0);
    EXPECT_EQ(t.Comment, "thirty bytes of comment text!!");
}

TEST_F(Id3v11Test, ZeroTrackByteIsVersion1) {
    Id3v1Fields f;
    f.comment = raw("abc");
    Id3v1Tag t = readV1(test::id3v1Trailer(f));
    EXPECT_EQ(t.IsV11, 0);
    EXPECT_EQ(t.Track, 0);
    EXPECT_EQ(t.Comment, "abc");
}

TEST_F(Id3v11Test, TrackByteRangeUpTo255) {
    for (std::uint8_t track : {1, 99, 255}) {
        Id3v1Tag t = readV1(trailerWithComment(raw("x"), track));
        EXPECT_EQ(t.IsV11, 1);
        EXPECT_EQ(t.Track, track);
    }
}

TEST_F(Id3v11Test, NulAnywhereInTheFirst29BytesEnablesTheTrack) {
    // Comment of 28 bytes then the NUL at offset 125: track read.
    Bytes c28(30, 'c');
    c28[28] = 0;
    c28[29] = 0;
    EXPECT_EQ(readV1(trailerWithComment(c28, 9)).Track, 9);
    // An early NUL with text after it (byte 125 not NUL): still a track.
    Bytes early(30, 'e');
    early[3] = 0;
    Id3v1Tag t = readV1(trailerWithComment(early, 7));
    EXPECT_EQ(t.IsV11, 1);
    EXPECT_EQ(t.Track, 7);
    EXPECT_EQ(t.Comment, "eee");
}

TEST_F(Id3v11Test, Comment29BytesLongLeavesNoRoomForATrack) {
    // Count 29: the NUL sits at offset 126 itself, so the byte there is 0 anyway;
    // the track test is not made and the comment keeps its 29 bytes.
    Bytes c29(30, 'n');
    c29[29] = 0;
    Id3v1Tag t = readV1(trailerWithComment(c29, 0));
    EXPECT_EQ(t.IsV11, 0);
    EXPECT_EQ(t.Comment, std::string(29, 'n'));
}

TEST_F(Id3v11Test, Comment28BytesLongIsTheLastToTakeATrack) {
    Bytes c(30, 'k');
    c[28] = 0;  // count 28
    Id3v1Tag t = readV1(trailerWithComment(c, 0x41));
    EXPECT_EQ(t.IsV11, 1);
    EXPECT_EQ(t.Track, 0x41);
    EXPECT_EQ(t.Comment, std::string(28, 'k'));
}

}  // namespace
}  // namespace tagshelf

// The writers on real files: where the ID3v1 block goes, removing an ID3v2 tag,
// writing an ID3v2 tag in front of the audio, the backup name, permissions,
// refused targets, round trips through the readers, and working out the old tag
// of a file before a write.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include <gtest/gtest.h>

#include "id3/apply_edit.h"
#include "id3/reader.h"
#include "id3/writer.h"
#include "tests/id3/read_support.h"
#include "tests/id3/tag_builder.h"
#include "tests/id3/write_support.h"
#include "tests/support/test_support.h"

namespace tagshelf {
namespace {

using test::Bytes;
using test::concat;
using test::raw;
using test::readFile;

std::string utf8(const char8_t* s) {
    return reinterpret_cast<const char*>(s);
}

Bytes tail(const Bytes& b, std::size_t n) {
    return Bytes(b.end() - static_cast<long>(n), b.end());
}
Bytes head(const Bytes& b, std::size_t n) {
    return Bytes(b.begin(), b.begin() + static_cast<long>(n));
}

class WriterFiles : public ::testing::Test {
  protected:
    std::string put(const std::string& name, const Bytes& bytes) {
        std::string path = dir.file(name);
        test::writeFile(path, bytes);
        return path;
    }

    test::TempDir dir;
    const Bytes audio = test::fakeAudio(20000, 7);
    const Bytes v1Block = test::id3v1Trailer({raw("Old"), raw("Artist"), raw("Album"), raw("1999"),
                                              raw("comment"), std::uint8_t{3}, 17});
    const Bytes v2Tag =
        test::Id3v2Builder(3)
            .frame(test::frameV23("TIT2", test::sjisText("Old title")))
            .frame(test::frameV23("COMM", test::commentBody(0, "eng", raw("desc"), raw("old"))))
            .padding(300)
            .build();
};

// ---------------------------------------------------------------------------
// ID3v1 placements.

TEST_F(WriterFiles, Id3v11OverId3v11ReplacesOnlyTheLast128Bytes) {
    const Bytes before = concat({audio, v1Block});
    std::string path = put("a.mp3", before);
    EditFields f = test::v1Fields("New", 17);
    f.txtTrack = "7";
    ASSERT_TRUE(subWriteTag(path, path, kID3v11, kID3v11, 1, {}, f).ok());
    Bytes after = readFile(path);
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(head(after, audio.size()), audio);
    Id3v1Tag tag;
    tag.Title = "New";
    tag.Genre = 17;
    tag.Track = 7;
    tag.Year = "0";
    auto block = fncID3v1Block(tag, kID3v11);
    EXPECT_EQ(tail(after, 128), Bytes(block.begin(), block.end()));
    EXPECT_EQ(test::namesIn(dir.str()), std::set<std::string>{"a.mp3"});
}

TEST_F(WriterFiles, Id3v1OverAFileThatNoLongerEndsWithATagIsRefused) {
    const Bytes before = concat({audio, Bytes(128, 0x55)});
    std::string path = put("a.mp3", before);
    Status s = subWriteTag(path, path, kID3v1, kID3v1, 1, {}, test::v1Fields("x"));
    EXPECT_FALSE(s.ok());
    EXPECT_EQ(readFile(path), before);
    std::string tiny = put("tiny.mp3", raw("TAG"));
    EXPECT_FALSE(subWriteTag(tiny, tiny, kID3v1, kID3v1, 1, {}, test::v1Fields("x")).ok());
    EXPECT_EQ(readFile(tiny), raw("TAG"));
}

TEST_F(WriterFiles, Id3v1OnAFileWithoutTagIsAppended) {
    std::string path = put("a.mp3", audio);
    ASSERT_TRUE(subWriteTag(path, path, kID3v1, kNoTag, 1, {}, test::v1Fields("T")).ok());
    Bytes after = readFile(path);
    ASSERT_EQ(after.size(), audio.size() + 128);
    EXPECT_EQ(head(after, audio.size()), audio);
    EXPECT_EQ(Bytes(after.end() - 128, after.end() - 124), raw("TAGT"));
}

TEST_F(WriterFiles, Id3v1OnAnId3v2FileDropsTheId3v2TagThroughABackup) {
    std::string path = put("a.mp3", concat({v2Tag, audio}));
    const std::int64_t audioStart = static_cast<std::int64_t>(v2Tag.size()) + 1;
    ASSERT_TRUE(subWriteTag(path, path, kID3v1, kID3v23, audioStart, {}, test::v1Fields("T")).ok());
    Bytes after = readFile(path);
    // Old length - (audioStart - 1) + 128.
    ASSERT_EQ(after.size(), v2Tag.size() + audio.size() - (audioStart - 1) + 128);
    EXPECT_EQ(head(after, audio.size()), audio);
    EXPECT_EQ(Bytes(after.end() - 128, after.end() - 124), raw("TAGT"));
    EXPECT_EQ(test::namesIn(dir.str()), std::set<std::string>{"a.mp3"});
}

TEST_F(WriterFiles, Id3v1OnAFileWithBothTagsKeepsTheOldBlockBeforeTheNewOne) {
    std::string path = put("a.mp3", concat({v2Tag, audio, v1Block}));
    const std::int64_t audioStart = static_cast<std::int64_t>(v2Tag.size()) + 1;
    ASSERT_TRUE(subWriteTag(path, path, kID3v1, kID3v23, audioStart, {}, test::v1Fields("T")).ok());
    Bytes after = readFile(path);
    EXPECT_EQ(head(after, audio.size() + 128), concat({audio, v1Block}));
    EXPECT_EQ(after.size(), audio.size() + 256);
}

TEST_F(WriterFiles, Id3v1IntoAnotherPathMakesANewFileAndLeavesTheSource) {
    const Bytes before = concat({v2Tag, audio});
    std::string source = put("a.mp3", before);
    std::string target = dir.file("b.mp3");
    const std::int64_t audioStart = static_cast<std::int64_t>(v2Tag.size()) + 1;
    ASSERT_TRUE(
        subWriteTag(target, source, kID3v1, kID3v23, audioStart, {}, test::v1Fields("T")).ok());
    EXPECT_EQ(readFile(source), before);
    Bytes after = readFile(target);
    EXPECT_EQ(after.size(), audio.size() + 128);
    EXPECT_EQ(head(after, audio.size()), audio);
}

TEST_F(WriterFiles, AnExistingDifferentTargetIsRefusedForEveryVersion) {
    const Bytes before = concat({audio, v1Block});
    std::string source = put("a.mp3", before);
    const Bytes other = raw("someone else's file");
    std::string target = put("b.mp3", other);
    EditFields f = test::v1Fields("T");
    for (std::uint8_t code : {kID3v1, kID3v11, kID3v22, kID3v23, kNoTag}) {
        Status s = subWriteTag(target, source, code, kID3v1, 1, {}, f);
        ASSERT_FALSE(s.ok()) << int{code};
        EXPECT_EQ(s.error().number, EEXIST);
        EXPECT_EQ(readFile(target), other);
        EXPECT_EQ(readFile(source), before);
    }
    EXPECT_EQ(test::namesIn(dir.str()), (std::set<std::string>{"a.mp3", "b.mp3"}));
}

TEST_F(WriterFiles, RefusedFieldsWriteNothing) {
    const Bytes before = concat({audio, v1Block});
    std::string path = put("a.mp3", before);
    EditFields f = test::v1Fields("T");
    f.txtTrack = "256";
    Status s = subWriteTag(path, path, kID3v11, kID3v11, 1, {}, f);
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(s.error().number, ERANGE);
    f.txtTrack = "1";
    f.cmbGenre = -1;
    EXPECT_FALSE(subWriteTag(path, path, kID3v11, kID3v11, 1, {}, f).ok());
    EXPECT_EQ(readFile(path), before);
    Id3v1Tag direct;
    direct.Track = 300;
    EXPECT_FALSE(subWriteID3v1(path, path, kID3v11, kID3v11, direct, 1).ok());
    EXPECT_EQ(readFile(path), before);
    EXPECT_FALSE(subWriteTag(path, path, 9, kID3v11, 1, {}, f).ok());
}

// ---------------------------------------------------------------------------
// Removing a tag.

TEST_F(WriterFiles, NoTagRemovesTheId3v2Tag) {
    std::string path = put("a.mp3", concat({v2Tag, audio}));
    const std::int64_t audioStart = static_cast<std::int64_t>(v2Tag.size()) + 1;
    ASSERT_TRUE(subWriteTag(path, path, kNoTag, kID3v23, audioStart, {}, {}).ok());
    EXPECT_EQ(readFile(path), audio);
    EXPECT_EQ(test::namesIn(dir.str()), std::set<std::string>{"a.mp3"});
}

TEST_F(WriterFiles, NoTagLeavesAnId3v1FileAsItIs) {
    const Bytes before = concat({audio, v1Block});
    std::string path = put("a.mp3", before);
    ASSERT_TRUE(subWriteTag(path, path, kNoTag, kID3v1, 1, {}, {}).ok());
    EXPECT_EQ(readFile(path), before);
    EXPECT_FALSE(
        subWriteTag(dir.file("missing.mp3"), dir.file("missing.mp3"), kNoTag, kNoTag, 1, {}, {})
            .ok());
}

TEST_F(WriterFiles, NoTagIntoAnotherPath) {
    const Bytes before = concat({v2Tag, audio, v1Block});
    std::string source = put("a.mp3", before);
    std::string target = dir.file("b.mp3");
    ASSERT_TRUE(subWriteNoTag(target, source, static_cast<std::int64_t>(v2Tag.size()) + 1).ok());
    EXPECT_EQ(readFile(target), concat({audio, v1Block}));
    EXPECT_EQ(readFile(source), before);
}

TEST_F(WriterFiles, AnAudioStartBeyondTheEndCopiesNothing) {
    std::string path = put("a.mp3", concat({v2Tag, audio}));
    ASSERT_TRUE(subWriteNoTag(path, path, 1'000'000).ok());
    EXPECT_TRUE(readFile(path).empty());
}

// ---------------------------------------------------------------------------
// ID3v2.

TEST_F(WriterFiles, Id3v2OnAnId3v1FileGoesInFrontOfTheWholeOldFile) {
    const Bytes before = concat({audio, v1Block});
    std::string path = put("a.mp3", before);
    ASSERT_TRUE(subWriteTag(path, path, kID3v23, kID3v1, 1, {}, test::v2Fields("abc")).ok());
    Id3v2Tag expectedTag;
    expectedTag.Version = 3;
    expectedTag.Title = "abc";
    expectedTag.Year = "0";
    Bytes tagBytes = *fncID3v2TagBytes(expectedTag);
    EXPECT_EQ(readFile(path), concat({tagBytes, before}));
}

TEST_F(WriterFiles, Id3v2ReplacesTheOldTagWithItsPaddingAndExtendedHeader) {
    Bytes old = test::Id3v2Builder(3)
                    .extendedHeader(test::extendedHeaderV23(100))
                    .frame(test::frameV23("TXXX", test::sjisText("kept nowhere")))
                    .padding(100)
                    .build();
    std::string path = put("a.mp3", concat({old, audio}));
    const std::int64_t audioStart = static_cast<std::int64_t>(old.size()) + 1;
    ASSERT_TRUE(
        subWriteTag(path, path, kID3v22, kID3v23, audioStart, {}, test::v2Fields("abc")).ok());
    Bytes after = readFile(path);
    Id3v2Tag expectedTag;
    expectedTag.Version = 2;
    expectedTag.Title = "abc";
    expectedTag.Year = "0";
    Bytes tagBytes = *fncID3v2TagBytes(expectedTag);
    EXPECT_EQ(after, concat({tagBytes, audio}));
    // The first audio byte is at 10 + the tag size.
    Id3v2Tag read = *fncReadID3v2(path);
    EXPECT_EQ(after[10 + static_cast<std::size_t>(read.TagSize)], audio[0]);
}

TEST_F(WriterFiles, Id3v2IntoAnotherPath) {
    const Bytes before = concat({v2Tag, audio});
    std::string source = put("a.mp3", before);
    std::string target = dir.file("b.mp3");
    ASSERT_TRUE(subWriteTag(target, source, kID3v23, kID3v23,
                            static_cast<std::int64_t>(v2Tag.size()) + 1, {}, test::v2Fields("x"))
                    .ok());
    EXPECT_EQ(readFile(source), before);
    Bytes after = readFile(target);
    EXPECT_EQ(tail(after, audio.size()), audio);
    EXPECT_EQ(fncReadID3v2(target)->Title, "x");
}

TEST_F(WriterFiles, TheOldCommentDescriptionAndUnsyncFlagAreKeptThroughTheDispatch) {
    std::string path = put("a.mp3", concat({v2Tag, audio}));
    Result<OldTag> old = fncOldTag("ID3v23", path);
    ASSERT_TRUE(old.ok());
    old->v2Tag.Unsync = true;  // as if the old tag had been unsynchronised
    EditFields f = test::v2Fields("t");
    f.txtCOMM2 = "new";
    ASSERT_TRUE(
        subWriteTag(path, path, kID3v23, old->oldCode, old->audioStart, old->v2Tag, f).ok());
    Id3v2Tag read = *fncReadID3v2(path);
    EXPECT_TRUE(read.Unsync);
    EXPECT_EQ(read.CommentDesc, "desc");
    EXPECT_EQ(read.Comment, "new");
    EXPECT_EQ(tail(readFile(path), audio.size()), audio);
}

TEST_F(WriterFiles, LargeAudioIsCopiedInBoundedPiecesWithTheSameBytes) {
    const Bytes big = test::fakeAudio((5u << 20) / 2, 9);  // 2.5 MiB
    const Bytes before = concat({v2Tag, big});
    for (bool inKernel : {true, false}) {
        SCOPED_TRACE(inKernel ? "in the kernel" : "through a buffer");
        std::string path = put("big.mp3", before);
        test::FailingFileSystem fs;
        fs.noCopyRange = !inKernel;
        {
            fileops::ScopedFileSystem scoped(fs);
            ASSERT_TRUE(
                subWriteNoTag(path, path, static_cast<std::int64_t>(v2Tag.size()) + 1).ok());
        }
        EXPECT_EQ(readFile(path), big);
        // Through the buffer 1 MiB at a time (in the kernel the file system
        // decides, and may itself fall back to this).
        if (!inKernel) {
            EXPECT_EQ(std::count(fs.names.begin(), fs.names.end(), "read"), 3);
            EXPECT_EQ(std::count(fs.names.begin(), fs.names.end(), "write"), 3);
        }
    }
}

// ---------------------------------------------------------------------------
// Round trips through the readers.

struct RoundTrip {
    std::uint8_t version;
    int encoding;
    bool unsync;
};

class Id3v2RoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(Id3v2RoundTrip, EveryFieldReadsBackAsWritten) {
    const RoundTrip p = GetParam();
    test::TempDir dir;
    const Bytes audio = test::fakeAudio(5000, 3);
    std::string path = dir.file("a.mp3");
    test::writeFile(path, audio);

    EditFields f;
    f.txtTIT2 = utf8(u8"夜明けのうた");
    f.txtTPE1 = p.encoding == 1 ? utf8(u8"Ünïcødé アーティスト") : utf8(u8"アーティスト");
    f.txtTALB = "Album";
    f.txtTRCK1 = "3";
    f.txtTRCK2 = "12";
    f.txtTYER = "2003";
    f.txtTDAT1 = "10";
    f.txtTDAT2 = "5";
    f.txtCOMM2 = utf8(u8"コメント\r\n二行目");
    f.txtTCON = "Rock";
    f.txtTCONNo = "17";
    f.optEncode = p.encoding;
    Id3v2Tag old;
    old.Unsync = p.unsync;
    old.CommentDesc = utf8(u8"説明");
    ASSERT_TRUE(subWriteTag(path, path, p.version, kNoTag, 1, old, f).ok());

    Result<Id3v2Tag> read = fncReadID3v2(path);
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(read->Version, p.version);
    EXPECT_EQ(read->Unsync, p.unsync);
    EXPECT_EQ(read->Title, f.txtTIT2);
    EXPECT_EQ(read->Artist, f.txtTPE1);
    EXPECT_EQ(read->Album, "Album");
    EXPECT_EQ(read->Track, "3/12");
    EXPECT_EQ(read->Year, "2003");
    EXPECT_EQ(read->Day, "1005");  // the reader keeps month then day
    EXPECT_EQ(read->CommentDesc, utf8(u8"説明"));
    EXPECT_EQ(read->Comment, utf8(u8"コメント\n二行目"));
    EXPECT_EQ(read->Genre, "(17)Rock");
    EXPECT_EQ(read->Encode, p.encoding);
    Bytes after = readFile(path);
    EXPECT_EQ(tail(after, audio.size()), audio);
    EXPECT_EQ(after.size(), 10 + static_cast<std::size_t>(read->TagSize) + audio.size());
}

INSTANTIATE_TEST_SUITE_P(
    VersionsAndEncodings, Id3v2RoundTrip,
    ::testing::Values(RoundTrip{kID3v22, 0, false}, RoundTrip{kID3v22, 1, false},
                      RoundTrip{kID3v23, 0, false}, RoundTrip{kID3v23, 1, false},
                      RoundTrip{kID3v22, 1, true}, RoundTrip{kID3v23, 1, true}));

TEST_F(WriterFiles, UnsynchronisedTextWithFfBytesReadsBack) {
    std::string path = put("a.mp3", audio);
    Id3v2Tag old;
    old.Unsync = true;
    EditFields f = test::v2Fields(utf8(u8"ｱ￣ｲ\uFFFF"), 1);
    f.txtCOMM2 = utf8(u8"￣");
    ASSERT_TRUE(subWriteTag(path, path, kID3v23, kNoTag, 1, old, f).ok());
    Id3v2Tag read = *fncReadID3v2(path);
    EXPECT_EQ(read.Title, f.txtTIT2);
    EXPECT_EQ(read.Comment, f.txtCOMM2);
    EXPECT_EQ(tail(readFile(path), audio.size()), audio);
}

TEST_F(WriterFiles, Id3v1RoundTripWithJapaneseText) {
    for (std::uint8_t code : {kID3v1, kID3v11}) {
        std::string path = put("a.mp3", audio);
        EditFields f;
        f.txtTitle = utf8(u8"夜明けのうた");
        f.txtArtist = utf8(u8"歌手");
        f.txtAlbum = "Album";
        f.txtYear = "2003";
        f.txtComment = utf8(u8"コメント");
        f.txtTrack = "12";
        f.cmbGenre = 146;
        ASSERT_TRUE(subWriteTag(path, path, code, kNoTag, 1, {}, f).ok());
        ASSERT_EQ(*fncGetTagType(path), kID3v1);
        Id3v1Tag read = *fncReadID3v1(path);
        EXPECT_EQ(read.IsV11, code == kID3v11 ? 1 : 0);
        EXPECT_EQ(read.Title, f.txtTitle);
        EXPECT_EQ(read.Artist, f.txtArtist);
        EXPECT_EQ(read.Album, "Album");
        EXPECT_EQ(read.Year, "2003");
        EXPECT_EQ(read.Comment, f.txtComment);
        EXPECT_EQ(read.Track, code == kID3v11 ? 12 : 0);
        EXPECT_EQ(read.Genre, 146);
    }
}

// ---------------------------------------------------------------------------
// Backup names.

TEST_F(WriterFiles, OldNameSkipsExistingBackups) {
    std::string path = dir.file("a.mp3");
    EXPECT_EQ(fncOldName(path), dir.file("a_old.mp3"));
    put("a_old.mp3", {});
    EXPECT_EQ(fncOldName(path), dir.file("a_old1.mp3"));
    put("a_old1.mp3", {});
    EXPECT_EQ(fncOldName(path), dir.file("a_old2.mp3"));
    EXPECT_EQ(fncOldName(dir.file("x.y.mp3")), dir.file("x.y_old.mp3"));
}

TEST_F(WriterFiles, OldNameOfAFileNameWithoutADot) {
    std::filesystem::create_directory(dir.path() / "music.d");
    std::string path = (dir.path() / "music.d" / "song").string();
    EXPECT_EQ(fncOldName(path), path + "_old");
    test::writeFile(path + "_old", {});
    EXPECT_EQ(fncOldName(path), path + "_old1");
    EXPECT_EQ(fncOldName("song"), "song_old");
}

TEST_F(WriterFiles, ARewriteLeavesTheUsersOwnOldNamedFilesAlone) {
    const Bytes mine = raw("my own file");
    put("a_old.mp3", mine);
    std::string path = put("a.mp3", concat({v2Tag, audio}));
    ASSERT_TRUE(subWriteTag(path, path, kID3v23, kID3v23,
                            static_cast<std::int64_t>(v2Tag.size()) + 1, {}, test::v2Fields("x"))
                    .ok());
    EXPECT_EQ(readFile(dir.file("a_old.mp3")), mine);
    EXPECT_EQ(test::namesIn(dir.str()), (std::set<std::string>{"a.mp3", "a_old.mp3"}));
}

TEST_F(WriterFiles, AFileWithoutADotIsRewrittenToo) {
    std::string path = put("song", concat({v2Tag, audio}));
    ASSERT_TRUE(subWriteNoTag(path, path, static_cast<std::int64_t>(v2Tag.size()) + 1).ok());
    EXPECT_EQ(readFile(path), audio);
    EXPECT_EQ(test::namesIn(dir.str()), std::set<std::string>{"song"});
}

// ---------------------------------------------------------------------------
// What the file keeps.

TEST_F(WriterFiles, PermissionsSurviveARewriteWhateverTheUmask) {
    std::string path = put("a.mp3", concat({v2Tag, audio}));
    ::chmod(path.c_str(), 0604);
    const mode_t oldMask = ::umask(077);
    Status s = subWriteTag(path, path, kID3v23, kID3v23,
                           static_cast<std::int64_t>(v2Tag.size()) + 1, {}, test::v2Fields("x"));
    ::umask(oldMask);
    ASSERT_TRUE(s.ok());
    EXPECT_EQ(test::modeOf(path), 0604u);
}

TEST_F(WriterFiles, AWriteThroughASymbolicLinkRewritesTheFileAndKeepsTheLink) {
    std::string real = put("real.mp3", concat({v2Tag, audio}));
    std::string link = dir.file("link.mp3");
    ASSERT_EQ(::symlink("real.mp3", link.c_str()), 0);
    ASSERT_TRUE(subWriteNoTag(link, link, static_cast<std::int64_t>(v2Tag.size()) + 1).ok());
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(readFile(real), audio);
    EXPECT_EQ(test::namesIn(dir.str()), (std::set<std::string>{"link.mp3", "real.mp3"}));
}

TEST_F(WriterFiles, AFolderIsNotAFileToWrite) {
    std::filesystem::create_directory(dir.path() / "d.mp3");
    std::string path = dir.file("d.mp3");
    EXPECT_FALSE(subWriteNoTag(path, path, 11).ok());
    EXPECT_FALSE(subWriteTag(path, path, kID3v1, kNoTag, 1, {}, test::v1Fields("x")).ok());
    EXPECT_TRUE(std::filesystem::is_directory(path));
}

// ---------------------------------------------------------------------------
// The old tag of a file, and applying an edit.

TEST_F(WriterFiles, OldTagFromTheVersionText) {
    std::string v2 = put("v2.mp3", concat({v2Tag, audio}));
    std::string v1 = put("v1.mp3", concat({audio, v1Block}));
    for (const char* text : {"ID3v22", "ID3v23"}) {
        Result<OldTag> old = fncOldTag(text, v2);
        ASSERT_TRUE(old.ok());
        EXPECT_EQ(old->oldCode, std::string(text) == "ID3v22" ? kID3v22 : kID3v23);
        EXPECT_EQ(old->audioStart, static_cast<std::int64_t>(v2Tag.size()) + 1);
        EXPECT_EQ(old->audioStart, old->v2Tag.TagSize + 11);
        EXPECT_EQ(old->v2Tag.Title, "Old title");
    }
    EXPECT_EQ(fncOldTag("ID3v1", v1)->oldCode, kID3v1);
    EXPECT_EQ(fncOldTag("ID3v11", v1)->oldCode, kID3v11);
    EXPECT_EQ(fncOldTag("NONE", v1)->oldCode, kNoTag);
    EXPECT_EQ(fncOldTag("id3v1", v1)->oldCode, kNoTag);  // exact comparison
    EXPECT_EQ(fncOldTag("ID3v11", v1)->audioStart, 1);
    // The catalogue says ID3v2, the file has none: refused rather than guessed.
    EXPECT_FALSE(fncOldTag("ID3v23", v1).ok());
    EXPECT_FALSE(fncOldTag("ID3v23", dir.file("missing.mp3")).ok());
}

TEST_F(WriterFiles, ApplyingAnEditWritesTheFileFromItsOldVersion) {
    std::string path = put("a.mp3", concat({v2Tag, audio}));
    EditFields f = test::v1Fields("New", 17);
    f.txtTrack = "4";
    ASSERT_TRUE(fncApplyEdit(path, path, "ID3v23", kID3v11, f).ok());
    Bytes after = readFile(path);
    EXPECT_EQ(after.size(), audio.size() + 128);
    Id3v1Tag read = *fncReadID3v1(path);
    EXPECT_EQ(read.Title, "New");
    EXPECT_EQ(read.Track, 4);

    Result<FileTag> now = fncReadFileTag(path);
    ASSERT_TRUE(now.ok());
    EXPECT_EQ(now->versionText, "ID3v11");
}

TEST_F(WriterFiles, FileTagVersionTexts) {
    EXPECT_EQ(fncReadFileTag(put("a.mp3", audio))->versionText, "NONE");
    EXPECT_EQ(fncReadFileTag(put("b.mp3", concat({v2Tag, audio})))->versionText, "ID3v23");
    Bytes v22 = test::Id3v2Builder(2).frame(test::frameV22("TT2", test::sjisText("x"))).build();
    EXPECT_EQ(fncReadFileTag(put("c.mp3", concat({v22, audio})))->versionText, "ID3v22");
    test::Id3v1Fields plain;
    plain.comment = raw(std::string(30, 'c'));
    EXPECT_EQ(fncReadFileTag(put("d.mp3", concat({audio, test::id3v1Trailer(plain)})))->versionText,
              "ID3v1");
    EXPECT_EQ(fncReadFileTag(put("e.mp3", concat({audio, v1Block})))->versionText, "ID3v11");
    EXPECT_FALSE(fncReadFileTag(dir.file("missing.mp3")).ok());
}

}  // namespace
}  // namespace tagshelf

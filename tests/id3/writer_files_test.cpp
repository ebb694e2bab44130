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
    const std::int64_t afterV2 = static_cast<std::int64_t>(v2Tag.size()) + 1;
};

// ---------------------------------------------------------------------------
// Where each kind of write puts the tag.

// The ID3v1 block and the ID3v2 tag the writers make for a title (year "0").
Bytes v1BlockOf(std::string title, std::uint8_t code, std::uint8_t genre, std::int16_t track = 0) {
    auto block = fncID3v1Block({0, std::move(title), "", "", "0", "", track, genre}, code);
    return Bytes(block.begin(), block.end());
}
Bytes v2BytesOf(std::uint8_t version, std::string title) {
    Id3v2Tag tag;
    tag.Version = version;
    tag.Title = std::move(title);
    tag.Year = "0";
    return *fncID3v2TagBytes(tag);
}

TEST_F(WriterFiles, EachKindOfWritePutsTheTagInItsPlace) {
    const Bytes extended = test::Id3v2Builder(3)
                               .extendedHeader(test::extendedHeaderV23(100))
                               .frame(test::frameV23("TXXX", test::sjisText("kept nowhere")))
                               .padding(100)
                               .build();
    EditFields v11 = test::v1Fields("New", 17);
    v11.txtTrack = "7";
    const EditFields t = test::v1Fields("T");
    const EditFields none;
    const Bytes blockT = v1BlockOf("T", kID3v1, 12);
    const struct {
        const char* name;
        Bytes before;
        std::uint8_t newCode, oldCode;
        std::int64_t audioStart;
        EditFields fields;
        Bytes expected;           // the target's bytes afterwards
        std::string target = "";  // another file; the source must stay as it was
        std::string file = "a.mp3";
    } cases[] = {
        {"ID3v1.1 over ID3v1.1 replaces the last 128 bytes", concat({audio, v1Block}), kID3v11,
         kID3v11, 1, v11, concat({audio, v1BlockOf("New", kID3v11, 17, 7)})},
        {"ID3v1 on a file without tag is appended", audio, kID3v1, kNoTag, 1, t,
         concat({audio, blockT})},
        {"ID3v1 on an ID3v2 file drops the ID3v2 tag", concat({v2Tag, audio}), kID3v1, kID3v23,
         afterV2, t, concat({audio, blockT})},
        {"ID3v1 on a file with both keeps the old block", concat({v2Tag, audio, v1Block}), kID3v1,
         kID3v23, afterV2, t, concat({audio, v1Block, blockT})},
        {"ID3v1 into another path", concat({v2Tag, audio}), kID3v1, kID3v23, afterV2, t,
         concat({audio, blockT}), "b.mp3"},
        {"no tag removes the ID3v2 tag", concat({v2Tag, audio}), kNoTag, kID3v23, afterV2, none,
         audio},
        {"no tag leaves an ID3v1 file as it is", concat({audio, v1Block}), kNoTag, kID3v1, 1, none,
         concat({audio, v1Block})},
        {"no tag into another path", concat({v2Tag, audio, v1Block}), kNoTag, kID3v23, afterV2,
         none, concat({audio, v1Block}), "b.mp3"},
        {"an audio start beyond the end copies nothing", concat({v2Tag, audio}), kNoTag, kID3v23,
         1'000'000, none, Bytes()},
        {"a file without a dot", concat({v2Tag, audio}), kNoTag, kID3v23, afterV2, none, audio, "",
         "song"},
        {"ID3v2 on an ID3v1 file goes in front of the whole old file", concat({audio, v1Block}),
         kID3v23, kID3v1, 1, test::v2Fields("abc"), concat({v2BytesOf(3, "abc"), audio, v1Block})},
        {"ID3v2 replaces the old tag with its padding and extended header",
         concat({extended, audio}), kID3v22, kID3v23,
         static_cast<std::int64_t>(extended.size()) + 1, test::v2Fields("abc"),
         concat({v2BytesOf(2, "abc"), audio})},
        {"ID3v2 into another path", concat({v2Tag, audio}), kID3v23, kID3v23, afterV2,
         test::v2Fields("x"), concat({v2BytesOf(3, "x"), audio}), "b.mp3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir folder;
        const std::string source = folder.file(c.file);
        test::writeFile(source, c.before);
        const std::string target = c.target.empty() ? source : folder.file(c.target);
        ASSERT_TRUE(
            subWriteTag(target, source, c.newCode, c.oldCode, c.audioStart, {}, c.fields).ok());
        EXPECT_EQ(readFile(target), c.expected);
        std::set<std::string> names{c.file};
        if (!c.target.empty()) {
            names.insert(c.target);
            EXPECT_EQ(readFile(source), c.before);
        }
        EXPECT_EQ(test::namesIn(folder.str()), names);
    }
}

TEST_F(WriterFiles, RefusedWritesWriteNothing) {
    // An ID3v1 write over a file that no longer ends with a tag.
    const Bytes untagged = concat({audio, Bytes(128, 0x55)});
    std::string path = put("a.mp3", untagged);
    EXPECT_FALSE(subWriteTag(path, path, kID3v1, kID3v1, 1, {}, test::v1Fields("x")).ok());
    EXPECT_EQ(readFile(path), untagged);
    std::string tiny = put("tiny.mp3", raw("TAG"));
    EXPECT_FALSE(subWriteTag(tiny, tiny, kID3v1, kID3v1, 1, {}, test::v1Fields("x")).ok());
    EXPECT_EQ(readFile(tiny), raw("TAG"));
    const std::string missing = dir.file("missing.mp3");
    EXPECT_FALSE(subWriteTag(missing, missing, kNoTag, kNoTag, 1, {}, {}).ok());

    // Fields the dispatch refuses.
    const Bytes before = concat({audio, v1Block});
    path = put("a.mp3", before);
    EditFields f = test::v1Fields("T");
    f.txtTrack = "256";
    Status s = subWriteTag(path, path, kID3v11, kID3v11, 1, {}, f);
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(s.error().number, ERANGE);
    f.txtTrack = "1";
    f.cmbGenre = -1;
    EXPECT_FALSE(subWriteTag(path, path, kID3v11, kID3v11, 1, {}, f).ok());
    Id3v1Tag direct;
    direct.Track = 300;
    EXPECT_FALSE(subWriteID3v1(path, path, kID3v11, kID3v11, direct, 1).ok());
    EXPECT_FALSE(subWriteTag(path, path, 9, kID3v11, 1, {}, f).ok());
    EXPECT_EQ(readFile(path), before);

    // An existing different target, for every version.
    const Bytes other = raw("someone else's file");
    std::string target = put("b.mp3", other);
    for (std::uint8_t code : {kID3v1, kID3v11, kID3v22, kID3v23, kNoTag}) {
        s = subWriteTag(target, path, code, kID3v1, 1, {}, test::v1Fields("T"));
        ASSERT_FALSE(s.ok()) << int{code};
        EXPECT_EQ(s.error().number, EEXIST);
        EXPECT_EQ(readFile(target), other);
        EXPECT_EQ(readFile(path), before);
    }
    EXPECT_EQ(test::namesIn(dir.str()), (std::set<std::string>{"a.mp3", "b.mp3", "tiny.mp3"}));
}

TEST_F(WriterFiles, TheOldCommentDescriptionAndUnsyncFlagAreKeptThroughTheDispatch) {
    std::string path = put("a.mp3", concat({v2Tag, audio}));
    Result<OldTag> old = fncOldTag("ID3v23", path);
    ASSERT_TRUE(old.ok());
    old->v2Tag.Unsync = true;  // as if the old tag had been unsynchronised
    // UTF-16 texts full of FF bytes, which unsynchronisation must bring back.
    EditFields f = test::v2Fields(utf8(u8"ｱ￣ｲ\uFFFF"), 1);
    f.txtCOMM2 = utf8(u8"￣");
    ASSERT_TRUE(
        subWriteTag(path, path, kID3v23, old->oldCode, old->audioStart, old->v2Tag, f).ok());
    const std::string want =
        "Unsync=1|CommentDesc=desc|Comment=" + f.txtCOMM2 + "|Title=" + f.txtTIT2;
    EXPECT_EQ(namedFields(*fncReadID3v2(path), want), want);
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
            ASSERT_TRUE(subWriteNoTag(path, path, afterV2).ok());
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

TEST_F(WriterFiles, Id3v2RoundTripInEachVersionAndEncoding) {
    const struct {
        std::uint8_t version;
        int encoding;
        bool unsync;
    } cases[] = {{kID3v22, 0, false}, {kID3v22, 1, false}, {kID3v23, 0, false},
                 {kID3v23, 1, false}, {kID3v22, 1, true},  {kID3v23, 1, true}};
    for (const auto& p : cases) {
        SCOPED_TRACE(testing::Message() << "version " << int{p.version} << ", encoding "
                                        << p.encoding << (p.unsync ? ", unsynchronised" : ""));
        std::string path = put("a.mp3", audio);
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
        // The reader keeps month then day.
        const std::string want =
            "Version=" + std::to_string(p.version) + "|Unsync=" + std::to_string(p.unsync) +
            "|Title=" + f.txtTIT2 + "|Artist=" + f.txtTPE1 + "|Album=Album|Track=3/12|Year=2003|" +
            "Day=1005|CommentDesc=" + utf8(u8"説明") + "|Comment=" + utf8(u8"コメント\n二行目") +
            "|Genre=(17)Rock|Encode=" + std::to_string(p.encoding);
        EXPECT_EQ(namedFields(*read, want), want);
        Bytes after = readFile(path);
        EXPECT_EQ(tail(after, audio.size()), audio);
        EXPECT_EQ(after.size(), 10 + static_cast<std::size_t>(read->TagSize) + audio.size());
    }
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
        const std::string want = "IsV11=" + std::to_string(code == kID3v11) +
                                 "|Title=" + f.txtTitle + "|Artist=" + f.txtArtist +
                                 "|Album=Album|Year=2003|Comment=" + f.txtComment +
                                 "|Track=" + (code == kID3v11 ? "12" : "0") + "|Genre=146";
        EXPECT_EQ(namedFields(*fncReadID3v1(path), want), want);
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
    // A file name without a dot, in a folder with one.
    std::filesystem::create_directory(dir.path() / "music.d");
    path = (dir.path() / "music.d" / "song").string();
    EXPECT_EQ(fncOldName(path), path + "_old");
    test::writeFile(path + "_old", {});
    EXPECT_EQ(fncOldName(path), path + "_old1");
    EXPECT_EQ(fncOldName("song"), "song_old");
}

TEST_F(WriterFiles, ARewriteLeavesTheUsersOwnOldNamedFilesAlone) {
    const Bytes mine = raw("my own file");
    put("a_old.mp3", mine);
    std::string path = put("a.mp3", concat({v2Tag, audio}));
    ASSERT_TRUE(subWriteTag(path, path, kID3v23, kID3v23, afterV2, {}, test::v2Fields("x")).ok());
    EXPECT_EQ(readFile(dir.file("a_old.mp3")), mine);
    EXPECT_EQ(test::namesIn(dir.str()), (std::set<std::string>{"a.mp3", "a_old.mp3"}));
}

// ---------------------------------------------------------------------------
// What the file keeps.

TEST_F(WriterFiles, PermissionsSurviveARewriteWhateverTheUmask) {
    std::string path = put("a.mp3", concat({v2Tag, audio}));
    ::chmod(path.c_str(), 0604);
    const mode_t oldMask = ::umask(077);
    Status s = subWriteTag(path, path, kID3v23, kID3v23, afterV2, {}, test::v2Fields("x"));
    ::umask(oldMask);
    ASSERT_TRUE(s.ok());
    EXPECT_EQ(test::modeOf(path), 0604u);
}

TEST_F(WriterFiles, AWriteThroughASymbolicLinkRewritesTheFileAndKeepsTheLink) {
    std::string real = put("real.mp3", concat({v2Tag, audio}));
    std::string link = dir.file("link.mp3");
    ASSERT_EQ(::symlink("real.mp3", link.c_str()), 0);
    ASSERT_TRUE(subWriteNoTag(link, link, afterV2).ok());
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
        EXPECT_EQ(old->audioStart, afterV2);
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

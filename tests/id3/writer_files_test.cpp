// The writers on real files: where the ID3v1 block goes, removing an ID3v2 tag,
// the permissions kept, and round trips through the readers.
#include <sys/stat.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "id3/reader.h"
#include "id3/writer.h"
#include "tests/support/tag_builder.h"
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

TEST(Placement, Id3v1BlockAndTagRemoval) {
    const Bytes audio = test::fakeAudio(20000, 7);
    const Bytes oldV1 =
        test::id3v1Trailer({raw("Old"), {}, {}, raw("1999"), {}, std::uint8_t{3}, 17});
    const Bytes oldV2 = test::Id3v2Builder(3)
                            .frame(test::frameV23("TIT2", test::sjisText("Old")))
                            .padding(300)
                            .build();
    const std::int64_t afterV2 = static_cast<std::int64_t>(oldV2.size()) + 1;
    EditFields fields;
    fields.txtTitle = "New";
    fields.txtTrack = "7";
    fields.cmbGenre = 12;
    const auto newBlock = fncID3v1Block({1, "New", "", "", "0", "", 7, 12}, kID3v11);
    const Bytes block(newBlock.begin(), newBlock.end());
    const struct {
        const char* name;
        Bytes before;
        std::uint8_t newCode, oldCode;
        std::int64_t audioStart;
        Bytes expected;
        const char* target = "a.mp3";
    } cases[] = {
        {"replaces the last 128 bytes", concat({audio, oldV1}), kID3v11, kID3v1, 1,
         concat({audio, block})},
        {"appended", audio, kID3v11, kNoTag, 1, concat({audio, block})},
        {"drops the ID3v2 tag", concat({oldV2, audio}), kID3v11, kID3v23, afterV2,
         concat({audio, block})},
        {"into another file", concat({oldV2, audio}), kID3v11, kID3v23, afterV2,
         concat({audio, block}), "b.mp3"},
        {"no tag removes the ID3v2 tag", concat({oldV2, audio, oldV1}), kNoTag, kID3v23, afterV2,
         concat({audio, oldV1})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        const std::string source = dir.file("a.mp3");
        const std::string target = dir.file(c.target);
        test::writeFile(source, c.before);
        ::chmod(source.c_str(), 0604);
        const mode_t mask = ::umask(077);
        Status s = subWriteTag(target, source, c.newCode, c.oldCode, c.audioStart, {}, fields);
        ::umask(mask);
        ASSERT_TRUE(s.ok()) << s.error().description;
        EXPECT_EQ(readFile(target), c.expected);
        if (target != source) {
            EXPECT_EQ(readFile(source), c.before);
        }
        struct stat st {};
        ::stat(source.c_str(), &st);
        EXPECT_EQ(st.st_mode & 07777, 0604u);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}),
                  target == source ? 1 : 2);
    }
}

TEST(RoundTrip, EachVersionAndEncodingReadsBackWhatWasWritten) {
    const struct {
        std::uint8_t version;
        int encoding;
        bool unsync;
        std::string read;  // Title|Artist|Track|Year|Day|Comment|Genre, Encode
    } cases[] = {
        {kID3v1, 0, false, "夜明けのうた|歌手|0|2003||コメント|146"},
        {kID3v11, 0, false, "夜明けのうた|歌手|12|2003||コメント|146"},
        {kID3v22, 0, false, "夜明けのうた|歌手|3/12|2003|1005|コメント\n二行目|(17)Rock 0"},
        {kID3v22, 1, false, "夜明けのうた|Ünïcødé|3/12|2003|1005|コメント\n二行目|(17)Rock 1"},
        {kID3v23, 0, false, "夜明けのうた|歌手|3/12|2003|1005|コメント\n二行目|(17)Rock 0"},
        {kID3v23, 1, true, "夜明けのうた|Ünïcødé|3/12|2003|1005|コメント\n二行目|(17)Rock 1"},
    };
    const Bytes audio = test::fakeAudio(4000, 3);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.read);
        test::TempDir dir;
        const std::string path = dir.file("a.mp3");
        test::writeFile(path, audio);
        EditFields f;
        f.txtTitle = f.txtTIT2 = utf8(u8"夜明けのうた");
        f.txtArtist = f.txtTPE1 = c.encoding ? utf8(u8"Ünïcødé") : utf8(u8"歌手");
        f.txtYear = f.txtTYER = "2003";
        f.txtComment = utf8(u8"コメント");
        f.txtCOMM2 = utf8(u8"コメント\r\n二行目");
        f.txtTrack = f.txtTRCK2 = "12";
        f.txtTRCK1 = "3";
        f.txtTDAT1 = "10";
        f.txtTDAT2 = "5";
        f.cmbGenre = 146;
        f.txtTCON = "Rock";
        f.txtTCONNo = "17";
        f.optEncode = c.encoding;
        Id3v2Tag old;
        old.Unsync = c.unsync;
        old.CommentDesc = utf8(u8"説明");
        ASSERT_TRUE(subWriteTag(path, path, c.version, kNoTag, 1, old, f).ok());
        const FileTag tag = *fncReadFileTag(path);
        const Id3v1Tag& v1 = tag.v1;
        const Id3v2Tag& v2 = tag.v2;
        EXPECT_EQ(tag.version, c.version);
        EXPECT_EQ(c.version <= kID3v11
                      ? v1.Title + "|" + v1.Artist + "|" + std::to_string(v1.Track) + "|" +
                            v1.Year + "||" + v1.Comment + "|" + std::to_string(v1.Genre)
                      : v2.Title + "|" + v2.Artist + "|" + v2.Track + "|" + v2.Year + "|" + v2.Day +
                            "|" + v2.Comment + "|" + v2.Genre + " " + std::to_string(v2.Encode),
                  c.read);
        if (c.version <= kID3v11) continue;
        EXPECT_EQ(v2.Unsync, c.unsync);
        EXPECT_EQ(v2.CommentDesc, old.CommentDesc);
        const Bytes after = readFile(path);
        ASSERT_EQ(after.size(), 10 + static_cast<std::size_t>(v2.TagSize) + audio.size());
        EXPECT_EQ(Bytes(after.end() - static_cast<long>(audio.size()), after.end()), audio);
    }
}

}  // namespace
}  // namespace tagshelf

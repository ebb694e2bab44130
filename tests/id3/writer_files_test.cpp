// The writers on real files: where the ID3v1 block goes, removing an ID3v2 tag,
// the permissions kept, and the frames the writer does not write kept across a
// rewrite.
#include <sys/stat.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "id3/apply_edit.h"
#include "id3/frame_carry.h"
#include "id3/reader.h"
#include "id3/writer.h"
#include "tests/support/edit_fields.h"
#include "tests/support/tag_builder.h"
#include "tests/support/test_support.h"

namespace tagshelf::test {
namespace {

TEST(Placement, Id3v1BlockAndTagRemoval) {
    const Bytes audio = fakeAudio(20000, 7);
    const Bytes oldV1 = id3v1Trailer({raw("Old"), {}, {}, raw("1999"), {}, std::uint8_t{3}, 17});
    const Bytes oldV2 =
        Id3v2Builder(3).frame(frameV23("TIT2", sjisText("Old"))).padding(300).build();
    const std::int64_t afterV2 = static_cast<std::int64_t>(oldV2.size()) + 1;
    const EditFields fields = editFields("txtTitle=New|txtTrack=7|cmbGenre=12");
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
        TempDir dir;
        const std::string source = dir.file("a.mp3");
        const std::string target = dir.file(c.target);
        writeFile(source, c.before);
        ::chmod(source.c_str(), 0604);
        const mode_t mask = ::umask(077);
        Status s = subWriteTag(target, source, c.newCode, c.oldCode, c.audioStart, {}, fields);
        ::umask(mask);
        ASSERT_TRUE(s.ok()) << s.error().description;
        EXPECT_EQ(readFile(target), c.expected);
        EXPECT_EQ(target != source ? readFile(source) : c.before, c.before);
        struct stat st {};
        ::stat(source.c_str(), &st);
        EXPECT_EQ(st.st_mode & 07777, 0604u);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}),
                  target == source ? 1 : 2);
    }
}

// The frames of a tag as "ID:body bytes as text" (non-printable bytes as ".").
std::vector<std::string> describe(const std::vector<RawFrame>& frames) {
    std::vector<std::string> out;
    for (const RawFrame& f : frames) {
        std::string body;
        for (std::uint8_t b : f.body)
            body.push_back(b >= 0x20 && b < 0x7F ? static_cast<char>(b) : '.');
        out.push_back(f.id + ":" + body);
    }
    return out;
}

TEST(FrameCarry, ARewriteKeepsTheOtherFramesByteForByte) {
    const Bytes apic =
        frameV23("APIC", concat({raw(std::string("\0image/png\0\3\0", 13)), fakeAudio(3000, 2)}));
    const Bytes uslt = frameV23("USLT", commentBody(1, "jpn", utf16(""), utf16(u8s(u8"歌詞"))));
    const Bytes other = frameV23("COMM", commentBody(0, "eng", raw("other"), raw("kept")));
    const Bytes txxx = frameV23("TXXX", concat({{0}, raw("REPLAYGAIN"), {0}, raw("-6 dB")}));
    FrameOptions discard;
    discard.statusFlags = 0x80;
    const Bytes gone = frameV23("TXXX", sjisText("gone"), discard);
    TempDir dir;
    const std::string path = dir.file("a.mp3");
    writeFile(path, concat({Id3v2Builder(3)
                                .frames({apic, other, uslt, gone, txxx,
                                         frameV23("COMM", commentBody(0, "jpn", {}, raw("shown"))),
                                         frameV23("TIT2", sjisText("old"))})
                                .unsync()
                                .build(),
                            fakeAudio(2000)}));
    ASSERT_TRUE(
        fncApplyEdit(path, path, "ID3v23", kID3v23, editFields("txtTIT2=new|txtCOMM2=mine")).ok());

    const Bytes after = *fncReadID3v2Bytes(path);
    const std::vector<RawFrame> frames = fncRawFrames(after);
    ASSERT_GE(frames.size(), 4u);
    const std::vector<Bytes> expected = {apic, other, uslt, txxx};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const RawFrame& f = frames[i];
        const auto size = static_cast<std::uint32_t>(f.body.size());
        EXPECT_EQ(concat({raw(f.id), be32(size), Bytes{f.status, f.format}, f.body}), expected[i])
            << f.id;
    }
    const Id3v2Tag tag = parseID3v2(after);
    EXPECT_EQ(tag.Title, "new");
    EXPECT_EQ(tag.Comment, "mine");  // the writer's comment replaced the one shown
}

TEST(FrameCarry, EachConversionKeepsItsCounterpartsAndNamesTheRest) {
    const Bytes jpeg = raw("\xFF\xD8\xFF");
    const std::vector<RawFrame> v4 = {
        {"TXXX", 0, 0, concat({{3}, raw("KEY"), {0}, raw("v")})},
        {"TPE2", 0, 0, concat({{3}, raw(std::string("A\0B", 3))})},
        {"TDRC", 0, 0, concat({{0}, raw("2004")})},
        {"TSOP", 0, 0, concat({{0}, raw("sort")})},
        {"TALB", 0, 0x09, concat({syncsafe(3), zlibCompress(raw("\0zz"))})},
        {"PRIV", 0, 0x09, concat({syncsafe(4), zlibCompress(raw("data"))})},
        {"GRP1", 0, 0, raw("x")}};
    const std::vector<RawFrame> v2 = {{"PIC", 0, 0, concat({{0}, raw("JPG"), {3, 0}, jpeg})},
                                      {"ULT", 0, 0, concat({{0}, raw("eng"), {0}, raw("la")})},
                                      {"CRM", 0, 0, raw("x")}};
    const std::vector<RawFrame> v3 = {
        {"APIC", 0, 0, concat({{0}, raw("image/png"), {0, 3, 0}, jpeg})},
        {"PRIV", 0, 0, raw("x")},
        {"TXXX", 0, 0x40, concat({{1}, raw("x")})}};
    const struct {
        std::uint8_t from, to;
        const std::vector<RawFrame>& old;
        std::vector<std::string> kept;
        std::string dropped;
    } cases[] = {
        {4, 3, v4, {"TXXX:...K.E.Y.....v.", "TPE2:...A./.B.", "PRIV:data"}, "TSOP, GRP1"},
        {2, 3, v2, {"APIC:.image/jpeg......", "USLT:.eng.la"}, "CRM"},
        {3, 2, v3, {"PIC:.PNG....."}, "PRIV, TXXX"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.from) + " to " + std::to_string(c.to));
        const Carry carry = fncCarryFrames(c.old, c.from, c.to);
        EXPECT_EQ(describe(carry.frames), c.kept);
        std::string dropped;
        for (const std::string& id : carry.dropped)
            dropped += (dropped.empty() ? "" : ", ") + id;
        EXPECT_EQ(dropped, c.dropped);
    }
}

}  // namespace
}  // namespace tagshelf::test

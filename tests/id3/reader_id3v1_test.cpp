// Tag detection and the ID3v1/ID3v1.1 reader, over files and over bytes.
#include <cstring>

#include <gtest/gtest.h>

#include "id3/reader.h"
#include "tests/id3/read_support.h"
#include "tests/support/tag_builder.h"
#include "tests/support/test_support.h"

namespace tagshelf {
namespace {

using namespace test;

TEST(ReaderFileTest, Detection) {
    const Bytes audio = fakeAudio(2000, 7), trailer = id3v1Trailer({});
    Bytes lower = trailer;
    std::copy_n("tag", 3, lower.begin());
    const std::pair<Bytes, std::uint8_t> cases[] = {
        {{}, kNoTag},
        {raw("ID"), kNoTag},
        {raw("ID3"), kID3v22},
        {concat({raw("TAG"), Bytes(124, 'x')}), kNoTag},  // 127 bytes
        {trailer, kID3v1},
        {concat({Id3v2Builder(3).padding(20).build(), audio, trailer}), kID3v22},  // ID3 wins
        {concat({audio, lower}), kNoTag},
        {concat({audio, trailer, raw("x")}), kNoTag},
        {audio, kNoTag},
    };
    TempDir dir;
    for (const auto& [file, want] : cases) {
        writeFile(dir.file("f.mp3"), file);
        EXPECT_EQ(*fncGetTagType(dir.file("f.mp3")), want) << file.size();
    }
    EXPECT_EQ(tagTypeOf(raw("abc"), raw("TAG"), 127), kNoTag);
}

// A trailer with these title and comment bytes and, when given, byte 126 set.
Bytes trailer(const Bytes& title, const Bytes& comment, int byte126 = -1) {
    Bytes t = id3v1Trailer({title, {}, {}, {}, comment, std::nullopt, 0xFF});
    if (byte126 >= 0) t[126] = static_cast<std::uint8_t>(byte126);
    return t;
}

TEST(ReaderFileTest, Id3v1) {
    const std::string full = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123";       // 30 bytes, no NUL
    const std::string jp = u8s(u8"日本語の題名を十五文字で書く例");  // 30 bytes
    const std::string c28(28, 'c');
    Bytes fields = trailer(raw(full), raw("Comment"));
    for (auto [offset, text] : {std::pair{33, "Artist"}, {63, "X"}, {65, "Y"}, {93, "2003"}})
        std::copy_n(text, std::strlen(text), fields.begin() + offset);
    fields[127] = 17;
    Bytes cut = trailer(raw("Cut"), {});
    cut.erase(cut.begin(), cut.begin() + 28);
    const std::pair<Bytes, std::string> cases[] = {
        {concat({fakeAudio(2000, 7), fields}),
         "IsV11=0|Title=" + full + "|Artist=Artist|Album=X|Year=2003|Comment=Comment|Genre=17"},
        {id3v1Trailer({}), "Title=|Year=" + std::string(4, '\0') + "|Genre=255"},
        {trailer(sjis(jp), {}), "Title=" + jp},
        {cut, "Title="},  // a file shorter than a trailer
        // ID3v1.1: a NUL within the first 29 comment bytes and a track byte not 0.
        {trailer({}, raw(c28), 5), "IsV11=1|Comment=" + c28 + "|Track=5"},
        {trailer({}, concat({raw(c28), {0, 'k'}})), "IsV11=1|Comment=" + c28 + "|Track=107"},
        {trailer({}, raw(std::string("eee\0eeee", 8)), 7), "IsV11=1|Comment=eee|Track=7"},
        {trailer({}, raw(full)), "IsV11=0|Comment=" + full + "|Track=0"},
        {trailer({}, raw("abc"), 0), "IsV11=0|Comment=abc|Track=0"},
    };
    TempDir dir;
    for (const auto& [file, want] : cases) {
        writeFile(dir.file("f.mp3"), file);
        const Id3v1Tag tag = *fncReadID3v1(dir.file("f.mp3"));
        EXPECT_EQ(namedFields(tag, want), want);
        if (file.size() >= 128) {
            EXPECT_TRUE(sameTag(tag, parseID3v1({file.data() + file.size() - 128, 128})));
        }
    }
}

}  // namespace
}  // namespace tagshelf

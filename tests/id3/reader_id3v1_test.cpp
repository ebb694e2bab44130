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

class ReaderFileTest : public ::testing::Test {
  protected:
    std::string write(const Bytes& bytes) {
        const std::string path = dir_.file("f" + std::to_string(count_++) + ".mp3");
        writeFile(path, bytes);
        return path;
    }
    TempDir dir_;
    int count_ = 0;
};

TEST_F(ReaderFileTest, Detection) {
    const Bytes audio = fakeAudio(2000, 7), trailer = id3v1Trailer({});
    Bytes lower = trailer;
    std::copy_n("tag", 3, lower.begin());
    const struct {
        const char* name;
        Bytes file;
        std::uint8_t want;
    } cases[] = {
        {"empty", {}, kNoTag},
        {"ID", raw("ID"), kNoTag},
        {"ID3 alone", raw("ID3"), kID3v22},
        {"127 bytes starting with TAG", concat({raw("TAG"), Bytes(124, 'x')}), kNoTag},
        {"trailer alone", trailer, kID3v1},
        {"ID3 wins over a trailer", concat({Id3v2Builder(3).padding(20).build(), audio, trailer}),
         kID3v22},
        {"tag", concat({audio, lower}), kNoTag},
        {"trailer one byte before the end", concat({audio, trailer, raw("x")}), kNoTag},
        {"untagged", audio, kNoTag},
    };
    for (const auto& c : cases) {
        Result<std::uint8_t> r = fncGetTagType(write(c.file));
        EXPECT_TRUE(r.ok() && *r == c.want) << c.name;
    }
    // Over bytes: the start wins, and the trailer needs 128 bytes.
    EXPECT_EQ(tagTypeOf(raw("ID3"), raw("TAG"), 1000), kID3v22);
    EXPECT_EQ(tagTypeOf(raw("abc"), raw("TAG"), 127), kNoTag);
}

// A trailer with these title and comment bytes and, when given, byte 126 set.
Bytes trailer(const Bytes& title, const Bytes& comment, int byte126 = -1) {
    Bytes t = id3v1Trailer({});
    std::copy(title.begin(), title.end(), t.begin() + 3);
    std::copy(comment.begin(), comment.end(), t.begin() + 97);
    if (byte126 >= 0) t[126] = static_cast<std::uint8_t>(byte126);
    return t;
}

TEST_F(ReaderFileTest, Id3v1) {
    const std::string full = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123";       // 30 bytes, no NUL
    const std::string jp = u8s(u8"日本語の題名を十五文字で書く例");  // 30 bytes
    const std::string c28(28, 'c');
    Bytes fields = trailer(raw(full), raw("Comment"));
    for (auto [offset, text] : {std::pair{33, "Artist"}, {63, "X"}, {65, "Y"}, {93, "2003"}})
        std::copy_n(text, std::strlen(text), fields.begin() + offset);
    fields[127] = 17;
    Bytes cut = trailer(raw("Cut"), {});
    cut.erase(cut.begin(), cut.begin() + 28);
    const struct {
        const char* name;
        Bytes file;
        std::string want;
    } cases[] = {
        {"fields", concat({fakeAudio(2000, 7), fields}),
         "IsV11=0|Title=" + full + "|Artist=Artist|Album=X|Year=2003|Comment=Comment|Genre=17"},
        {"year of four NULs", id3v1Trailer({}),
         "Title=|Year=" + std::string(4, '\0') + "|Genre=255"},
        {"Shift-JIS title", trailer(sjis(jp), {}), "Title=" + jp},
        {"a file shorter than a trailer", cut, "Title="},
        // ID3v1.1: a NUL within the first 29 comment bytes and a track byte not 0.
        {"28 bytes, NUL, track", trailer({}, raw(c28), 5), "IsV11=1|Comment=" + c28 + "|Track=5"},
        {"28 bytes, NUL, text", trailer({}, concat({raw(c28), {0, 'k'}})),
         "IsV11=1|Comment=" + c28 + "|Track=107"},
        {"early NUL", trailer({}, raw(std::string("eee\0eeee", 8)), 7),
         "IsV11=1|Comment=eee|Track=7"},
        {"30 bytes without NUL", trailer({}, raw(full)), "IsV11=0|Comment=" + full + "|Track=0"},
        {"track byte 0", trailer({}, raw("abc"), 0), "IsV11=0|Comment=abc|Track=0"},
    };
    for (const auto& c : cases) {
        Result<Id3v1Tag> r = fncReadID3v1(write(c.file));
        ASSERT_TRUE(r.ok()) << c.name;
        EXPECT_EQ(namedFields(*r, c.want), c.want) << c.name;
        if (c.file.size() >= 128) {
            EXPECT_TRUE(sameTag(*r, parseID3v1({c.file.data() + c.file.size() - 128, 128})));
        }
    }
}

}  // namespace
}  // namespace tagshelf

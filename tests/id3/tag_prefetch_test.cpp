// Reading a tag longer than the first read without the frames the readers don't
// use: the tag read so equals the tag read whole, and a picture is not read.
#include "id3/tag_prefetch.h"

#include <gtest/gtest.h>

#include <cstring>

#include "id3/reader.h"
#include "id3/reader_frames.h"
#include "tests/id3/read_support.h"
#include "tests/support/tag_builder.h"
#include "tests/support/test_support.h"

namespace tagshelf {
namespace {

using namespace test;

TEST(TagPrefetch, ATagReadsAsWholeAndItsPictureIsNotRead) {
    const Bytes picture = concat({raw(std::string("\0image/png\0\3\0", 13)), fakeAudio(20000, 7)});
    const auto t3 = [](std::string_view id, std::string_view text) {
        return frameV23(id, sjisText(text));
    };
    const auto t4 = [](std::string_view id, std::string_view text, FrameV24Options o = {}) {
        return frameV24(id, concat({{3}, raw(text)}), o);
    };
    const struct {
        const char* name;
        Bytes tag;
        bool predicted;
    } cases[] = {
        {"v3",
         Id3v2Builder(3)
             .frame(t3("TIT2", "before"))
             .frame(frameV23("APIC", picture))
             .frame(frameV23("COMM", commentBody(0, "jpn", {}, raw("after"))))
             .frame(frameV23("TALB", sjisText("packed"), FrameOptions().compressed()))
             // Its flags add more bytes than its size holds: the next frame follows them.
             .frame(concat({raw("PRIV"), be32(1), {0, 0x80}, be32(0)}))
             .frame(frameV23("GEOB", fakeAudio(3000, 4)))
             .frame(t3("TPE1", "artist"))
             .padding(300)
             .build(),
         true},
        {"v3 extended header with CRC",
         Id3v2Builder(3)
             .extendedHeader(extendedHeaderV23(0, 99))
             .frame(frameV23("APIC", picture))
             .frame(t3("TPE1", "artist"))
             .build(),
         true},
        {"v2",
         Id3v2Builder(2)
             .frame(frameV22("PIC", picture))
             .frame(frameV22("TT2", sjisText("t")))
             .build(),
         true},
        {"v4 plain sizes, unsynchronised frame, data length",
         Id3v2Builder(4)
             .frame(frameV24("APIC", picture, FrameV24Options().plain()))
             .frame(t4("TIT2", "\xC3\xA9t\xC3\xA9",
                       FrameV24Options().unsynchronised().withDataLength()))
             .frame(t4("TDRC", "2004-05-06"))
             .footer()
             .build(),
         true},
        {"an identifier cut by the tag's end",
         Id3v2Builder(3)
             .frame(t3("TIT2", "t"))
             .frame(frameV23("APIC", picture))
             .frame(raw("TI"))
             .build(),
         true},
        {"v3 unsynchronised: read whole",
         Id3v2Builder(3).frame(frameV23("APIC", picture)).frame(t3("TIT2", "u")).unsync().build(),
         false},
        {"identifier of code page 932 after the picture: read whole",
         Id3v2Builder(3)
             .frame(t3("TIT2", "t"))
             .frame(frameV23("APIC", picture))
             .frame(frameV23("\x82\xA0TI", sjisText("x")))
             .build(),
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes file = concat({c.tag, fakeAudio(3000, 2)});
        std::size_t readBytes = 0;
        const ReadAt read = [&](std::uint8_t* out, std::size_t length, std::uint64_t offset) {
            const std::size_t n = std::min<std::size_t>(length, file.size() - offset);
            std::memcpy(out, file.data() + offset, n);
            readBytes += n;
            return Result<std::size_t>(n);
        };
        const std::size_t total = 10 + static_cast<std::size_t>(synchsafe(file, 6));
        auto sparse = fncPrefetchTag(file.data(), 4096, total, read);
        ASSERT_TRUE(sparse);
        ASSERT_EQ(sparse->has_value(), c.predicted);
        const Id3v2Tag whole = parseID3v2(file);
        if (c.predicted) {
            EXPECT_LT(readBytes, 2000u);
            EXPECT_TRUE(sameTag(parseID3v2(**sparse), whole)) << fieldTexts(whole)["Title"];
        }
        // Through the file, predicted or not.
        TempDir dir;
        writeFile(dir.file("a.mp3"), file);
        EXPECT_TRUE(sameTag(*fncReadID3v2(dir.file("a.mp3")), whole));
        EXPECT_NE(whole.Title + whole.Artist, "");
    }
}

}  // namespace
}  // namespace tagshelf

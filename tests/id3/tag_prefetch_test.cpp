// A tag read without the frames the readers don't use reads as the tag read whole.
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
    const Bytes apic = frameV23("APIC", picture), title = frameV23("TIT2", sjisText("t"));
    const auto t4 = [](std::string_view id, std::string_view text, FrameV24Options o = {}) {
        return frameV24(id, concat({{3}, raw(text)}), o);
    };
    const struct {
        const char* name;
        Id3v2Builder tag;
        bool predicted;
    } cases[] = {
        {"v3",
         Id3v2Builder(3)
             // A used frame after the picture longer than one read brings along.
             .frames({title, apic,
                      frameV23("COMM", commentBody(0, "jpn", {}, raw(std::string(900, 'c')))),
                      frameV23("TALB", sjisText("packed"), FrameOptions().compressed()),
                      // Its flags add more bytes than its size holds: the next frame follows them.
                      concat({raw("PRIV"), be32(1), {0, 0x80}, be32(0)}),
                      frameV23("GEOB", fakeAudio(3000, 4)), frameV23("TPE1", sjisText("a"))})
             .padding(300),
         true},
        {"v3 extended header with CRC",
         Id3v2Builder(3).extendedHeader(extendedHeaderV23(0, 99)).frames({apic, title}), true},
        {"v2", Id3v2Builder(2).frames({frameV22("PIC", picture), frameV22("TT2", sjisText("t"))}),
         true},
        {"v4 plain sizes, unsynchronised frame, data length",
         Id3v2Builder(4)
             .frames({frameV24("APIC", picture, FrameV24Options().plain()),
                      t4("TIT2", "\xC3\xA9", FrameV24Options().unsynchronised().withDataLength()),
                      t4("TDRC", "2004-05-06")})
             .footer(),
         true},
        {"an identifier cut by the tag's end", Id3v2Builder(3).frames({title, apic, raw("TI")}),
         true},
        {"v3 unsynchronised: read whole", Id3v2Builder(3).frames({apic, title}).unsync(), false},
        {"identifier of code page 932: read whole",
         Id3v2Builder(3).frames({title, apic, frameV23("\x82\xA0TI", sjisText("x"))}), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes file = concat({c.tag.build(), fakeAudio(3000, 2)});
        std::size_t readBytes = 0;
        const ReadAt read = [&](std::uint8_t* out, std::size_t length, std::uint64_t offset) {
            const std::size_t n = std::min<std::size_t>(length, file.size() - offset);
            std::memcpy(out, file.data() + offset, n);
            readBytes += n;
            return Result<std::size_t>(n);
        };
        auto sparse = fncPrefetchTag(file.data(), 4096, 10 + synchsafe(file, 6), read);
        ASSERT_TRUE(sparse && sparse->has_value() == c.predicted);
        const Id3v2Tag whole = parseID3v2(file);
        EXPECT_NE(whole.Title, "");
        EXPECT_TRUE(!c.predicted || (readBytes < 3000 && sameTag(parseID3v2(**sparse), whole)));
        TempDir dir;
        writeFile(dir.file("a.mp3"), file);
        EXPECT_TRUE(sameTag(*fncReadID3v2(dir.file("a.mp3")), whole));
    }
}

}  // namespace
}  // namespace tagshelf

// The readers over files built byte by byte: tag detection, ID3v1/ID3v1.1, and
// ID3v2.2 to ID3v2.4, every ID3v2 file read both through the file and from memory
// with the two results agreeing; a tag read without the frames the readers don't
// use reads as the tag read whole.
#include <fcntl.h>
#include <sys/stat.h>

#include <cstring>

#include <gtest/gtest.h>

#include "id3/reader.h"
#include "id3/reader_detail.h"
#include "id3/reader_frames.h"
#include "id3/tag_prefetch.h"
#include "tests/id3/read_support.h"
#include "tests/support/tag_builder.h"
#include "tests/support/test_support.h"

namespace tagshelf::test {
namespace {

TEST(ReaderFileTest, Detection) {
    const Bytes audio = fakeAudio(2000, 7), trailer = id3v1Trailer({});
    const std::pair<Bytes, std::uint8_t> cases[] = {
        {{}, kNoTag},
        {raw("ID"), kNoTag},
        {raw("ID3"), kID3v22},
        {concat({raw("TAG"), Bytes(124, 'x')}), kNoTag},  // 127 bytes
        {trailer, kID3v1},
        {concat({Id3v2Builder(3).padding(20).build(), audio, trailer}), kID3v22},  // ID3 wins
        {concat({audio, raw("tag"), Bytes(trailer.begin() + 3, trailer.end())}), kNoTag},
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

// Reading a tag is no access of the file: its access time stays, also where the
// file system would update it (relatime, with the access time older than the
// modification time).
TEST(ReaderFileTest, ReadingLeavesTheAccessTime) {
    TempDir dir;
    const std::string path = dir.file("f.mp3");
    writeFile(path, concat({Id3v2Builder(3).padding(20).build(), fakeAudio(3000, 7)}));
    const timespec old[2] = {{1000000000, 0}, {0, UTIME_OMIT}};
    auto accessTime = [&] {
        struct stat st {};
        ::stat(path.c_str(), &st);
        return st.st_atim.tv_sec;
    };
    // Where a plain read leaves it too, the file system doesn't keep access times.
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), old, 0), 0);
    readFile(path);
    if (accessTime() == old[0].tv_sec) GTEST_SKIP() << "no access times here";
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), old, 0), 0);
    ASSERT_TRUE(fncReadFileTag(path));
    ASSERT_TRUE(fncGetTagType(path));
    EXPECT_EQ(accessTime(), old[0].tv_sec);
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
        EXPECT_TRUE(file.size() < 128 || sameTag(tag, parseID3v1({file.end() - 128, file.end()})));
    }
}

Id3v2Tag readV2(const Bytes& file) {
    TempDir dir;
    writeFile(dir.file("tag.mp3"), file);
    const Id3v2Tag tag = *fncReadID3v2(dir.file("tag.mp3"));
    EXPECT_TRUE(sameTag(tag, parseID3v2(file)));
    return tag;
}

const auto f3 = [](std::string_view id, std::string_view t) { return frameV23(id, sjisText(t)); };
const auto f2 = [](std::string_view id, std::string_view t) { return frameV22(id, sjisText(t)); };
const auto u3 = [](std::string_view id, std::string_view t) { return frameV23(id, utf16Text(t)); };

// The tag, then audio that must never be read as tag.
Bytes file(const Id3v2Builder& b) {
    return concat({b.build(), fakeAudio(5000, 3)});
}
Bytes tagOf(std::uint8_t version, std::initializer_list<Bytes> frames, std::size_t padding = 0,
            bool unsync = false) {
    return file(Id3v2Builder(version).frames(frames).padding(padding).unsync(unsync));
}

struct Case {
    std::string name;
    Bytes file;
    std::string want;  // "Field=value|..."
};

void check(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(namedFields(readV2(c.file), c.want), c.want);
    }
}

TEST(Id3v2ReaderTest, TextFramesYearDayAndComment) {
    const std::string jp = u8s(u8"日本語のタイトル～①");
    auto comm = [](const Bytes& body) { return tagOf(3, {frameV23("COMM", body)}); };
    const std::string desc = u8s(u8"説明"), text = u8s(u8"コメント\n二行目");
    check({
        {"version 2.3 texts",
         tagOf(3, {f3("TIT2", jp), f3("TPE1", "Artist"), f3("TALB", "Album"), f3("TRCK", "5/12"),
                   f3("TCON", "(17)Rock")}),
         "Version=3|Title=" + jp + "|Artist=Artist|Album=Album|Track=5/12|Genre=(17)Rock|Encode=0"},
        {"version 2.2 frames",
         tagOf(2,
               {f2("TT2", "Title"), f2("TP1", "Artist"), f2("TAL", "Album"), f2("TRK", "3"),
                f2("TCO", "Pop"), f2("TYE", "1998"), f2("TDA", "0304"),
                frameV22("COM", commentBody(0, "eng", raw("d"), raw("c")))},
               30),
         "Version=2|Title=Title|Artist=Artist|Album=Album|Track=3|Genre=Pop|Year=1998|Day=403|"
         "CommentDesc=d|Comment=c"},
        {"TDAT and IDs of the other version or case",
         tagOf(3, {f3("TT2 ", "no"), f3("TDAT", "2512"), f3("tit2", "no"), f3("TPE1", "yes")}),
         "Title=|Day=|Artist=yes"},
        {"UTF-16 FF FE is little-endian",
         tagOf(3, {frameV23("TIT2", {1, 0xFF, 0xFE, 0x41, 0, 0x42, 0})}), "Title=AB|Encode=1"},
        {"UTF-16 FE FF is big-endian",
         tagOf(3, {frameV23("TIT2", {1, 0xFE, 0xFF, 0, 0x41, 0, 0x42, 0, 0})}),
         "Title=AB|Encode=1"},
        // The year: the leading number, blanks ignored. The day: stored day first,
        // read month first, padded to 4 digits.
        {"year and day", tagOf(3, {f3("TYER", " 1 9\t9\n9x"), f3("TDAY", "2512")}),
         "Year=1999|Day=1225"},
        {"short day", tagOf(3, {f3("TDAY", "105")}), "Day=501"},
        {"comment", comm(commentBody(0, "jpn", sjis(desc), sjis(text))),
         "CommentDesc=" + desc + "|Comment=" + text},
        {"UTF-16, each text with its own mark",
         comm(commentBody(1, "jpn", utf16(desc), utf16(text, true), true)),
         "CommentDesc=" + desc + "|Comment=" + text + "|Encode=1"},
    });
}

TEST(Id3v2ReaderTest, Encode) {
    // The last comment frame's encoding decides (1 gives 1, any other 0); without
    // one the last text frame of the table. Empty frames tell nothing.
    const Bytes comm0 = frameV23("COMM", commentBody(0, "jpn", {}, raw("b")));
    const Bytes comm1 = frameV23("COMM", commentBody(1, "jpn", {}, utf16("a")));
    const Bytes comm2 = frameV23("COMM", commentBody(2, "jpn", {}, raw("c")));
    check({
        {"comment over text frames", tagOf(3, {comm0, u3("TIT2", "wide")}), "Encode=0"},
        {"comment encoding 2", tagOf(3, {comm1, u3("TIT2", "x"), comm2}), "Encode=0"},
        {"last text frame wide", tagOf(3, {f3("TIT2", "n"), u3("TPE1", "w")}), "Encode=1"},
        {"frames outside the table", tagOf(3, {f3("TIT2", "n"), u3("TPE2", "w")}), "Encode=0"},
        {"empty frames", tagOf(3, {u3("TIT2", "w"), frameV23("COMM", {}), frameV23("TALB", {})}),
         "Encode=1"},
    });
}

TEST(Id3v2ReaderTest, UnsynchronisedAndCompressedFrames) {
    const std::string jp = u8s(u8"圧縮されたタイトル");
    // A frame whose declared size is wrong is skipped, not counted as the last text frame.
    auto declared = [](std::uint32_t size) {
        const Bytes bad = frameV23("TIT2", sjisText("bad"), FrameOptions().compressed(size));
        return tagOf(3, {u3("TIT2", "kept"), bad});
    };
    check({
        // 00 'A' 00 FF E0 'Z' is stored with FF 00 E0; its size stays 6.
        {"frame size counts decoded bytes",
         tagOf(3, {frameV23("TIT2", {0, 'A', 0, 0xFF, 0xE0, 'Z'}), f3("TPE1", "after")}, 0, true),
         "Unsync=1|Title=A|Artist=after"},
        // A frame ending in FF: the next frame's ID follows with no zero between.
        {"across a frame boundary",
         tagOf(3, {frameV23("TIT2", {0, 'a', 0, 0xFF}), frameV23("TALB", {0, 'b', 0, 0xFF})}, 8,
               true),
         "Title=a|Album=b"},
        {"inflated, unsynchronised",
         tagOf(3, {frameV23("TIT2", sjisText(jp), FrameOptions().compressed()), f3("TPE1", "p")}, 0,
               true),
         "Title=" + jp + "|Artist=p"},
        {"declared too small", declared(3), "Title=kept|Encode=1"},
        {"declared too large", declared(std::uint32_t(kMaxInflatedSize + 1)),
         "Title=kept|Encode=1"},
    });
}

TEST(Id3v2ReaderTest, Version4) {
    auto t4 = [](std::string_view id, std::uint8_t encoding, const Bytes& text,
                 const FrameV24Options& o = {}) {
        return frameV24(id, concat({{encoding}, text}), o);
    };
    const std::string long200(200, 'x');  // a size above 127: synchsafe differs from plain
    const Bytes ffText = {0xFF, 0xFE, 'A', 0, 0xFF, 0xFE};  // UTF-16 with FF bytes
    check({
        {"encodings 0 to 3",
         tagOf(4,
               {t4("TIT2", 0, sjis(u8s(u8"題"))), t4("TPE1", 1, utf16(u8s(u8"歌"))),
                t4("TALB", 2, utf16(u8s(u8"盤"), true, false)), t4("TRCK", 3, raw(u8s(u8"５")))}),
         "Version=4|Title=" + u8s(u8"題") + "|Artist=" + u8s(u8"歌") + "|Album=" + u8s(u8"盤") +
             "|Track=" + u8s(u8"５") + "|Encode=1"},
        {"several values joined, a byte not UTF-8 replaced",
         tagOf(4, {t4("TPE1", 3, raw(std::string("A\0B\xFF\0", 5)))}),
         "Artist=A/B" + u8s(u8"\uFFFD") + "|Encode=1"},
        {"synchsafe size above 127",
         tagOf(4, {t4("TIT2", 0, raw(long200)), t4("TPE1", 0, raw("n"))}),
         "Title=" + long200 + "|Artist=n|Encode=0"},
        {"plain size some taggers write",
         tagOf(4,
               {t4("TIT2", 0, raw(long200), FrameV24Options().plain()), t4("TPE1", 0, raw("n"))}),
         "Title=" + long200 + "|Artist=n"},
        {"flags: group, compression, unsync, data length",
         tagOf(4, {t4("TIT2", 0, raw("g"), FrameV24Options().grouped(7)),
                   t4("TALB", 0, raw("zip"), FrameV24Options().compressed()),
                   t4("TPE1", 1, ffText, FrameV24Options().unsynchronised().withDataLength()),
                   t4("TRCK", 0, raw("9"))}),
         "Title=g|Album=zip|Artist=A" + u8s(u8"\uFEFF") + "|Track=9"},
        {"tag-level unsynchronisation",
         file(Id3v2Builder(4).flags(0x80).frame(
             frameV24("TPE1", unsynchronise(concat({{1}, ffText}))))),
         "Unsync=1|Artist=A" + u8s(u8"\uFEFF")},
        {"TDRC with a time", tagOf(4, {t4("TDRC", 0, raw("2004-05-06T12:00"))}),
         "Year=2004|Day=506"},
    });
    const Bytes withFooter = Id3v2Builder(4).frame(t4("TIT2", 0, raw("x"))).footer().build();
    EXPECT_EQ(audioStartOf(readV2(concat({withFooter, fakeAudio(100)}))),
              static_cast<std::int64_t>(withFooter.size()) + 1);
}

TEST(Id3v2ReaderTest, TheWalk) {
    // The walk goes on while the next frame's 0-based offset is below TagSize + 9 -
    // padding: the padding puts its end just after or on the second frame's header.
    const Bytes one = f3("TIT2", "one"), two = f3("TPE1", "two");
    auto padded = [&](std::size_t p) {  // the padding size is read 7 bits a byte
        const auto weighted = static_cast<std::uint32_t>(((p / 128) << 8) | (p % 128));
        return file(Id3v2Builder(3)
                        .extendedHeader(extendedHeaderV23(weighted))
                        .frames({one, two})
                        .padding(400));
    };
    const std::size_t largest = two.size() + 400 - 2;
    ASSERT_GT(largest, 255u);
    const Bytes inside = f3("TIT2", "inside");
    check({
        {"padding: second frame just inside", padded(largest), "Title=one|Artist=two"},
        {"padding: second frame on the end", padded(largest + 1), "Title=one|Artist="},
        {"frames after the tag",
         file(Id3v2Builder(3)
                  .frames({inside, f3("TPE1", "out")})
                  .sizeField(static_cast<std::uint32_t>(inside.size()))),
         "Title=inside|Artist="},
        {"200 KB frame skipped whole",
         tagOf(3, {frameV23("APIC", fakeAudio(200000, 5)), f3("TIT2", "after")}, 1024),
         "Title=after"},
    });
}

TEST(Id3v2ReaderTest, CutAndCorruptTags) {
    // The file ends in FF: the zero it looks for lies past the end.
    const Bytes endsInFf = concat({raw("TIT2"), be32(6), {0, 0}, {1, 0xFF, 0xFE, 'A', 0, 0xFF}});
    check({
        {"unsynchronised, ending in FF", concat({id3v2Header(3, 0, 0x80, 16), endsInFf}),
         "Title=A"},
        // The file ends inside a UTF-16 unit: its missing byte reads as 0.
        {"UTF-16 cut in a unit",
         concat({id3v2Header(3, 0, 0, 30), raw("TIT2"), be32(10),
                 Bytes{0, 0, 1, 0xFF, 0xFE, 'A', 0, 'B'}}),
         "Title=AB"},
        {"huge frame size",
         tagOf(3, {concat({raw("TIT2"), be32(0xFFFFFFFF), {0, 0}, sjisText("big")})}, 0, true),
         "Title=big"},
    });
    // The file ends anywhere: in the header, the extended header or any frame.
    const Bytes tag =
        Id3v2Builder(3)
            .extendedHeader(extendedHeaderV23(0, 1))
            .frames({f3("TIT2", "title"),
                     frameV23("COMM", commentBody(1, "jpn", utf16("d"), utf16("c"))),
                     frameV23("TALB", sjisText("album"), FrameOptions().compressed())})
            .build();
    for (std::size_t n = 3; n < tag.size(); ++n)
        readV2(Bytes(tag.begin(), tag.begin() + static_cast<std::ptrdiff_t>(n)));
    const Id3v2Tag whole = readV2(tag);
    EXPECT_EQ(whole.Title + whole.Comment + whole.Album, "titlecalbum");
    // Tags ending around the largest tag read whole, before and after their audio.
    for (std::size_t end : {4095u, 4096u, 4097u}) {
        const Bytes last = f3("TIT2", "end");
        const Bytes tag = Id3v2Builder(3)
                              .frames({frameV23("PRIV", Bytes(end - 20 - last.size(), 'f')), last})
                              .build();
        EXPECT_EQ(readV2(tag).Title, "end") << end;
        EXPECT_EQ(readV2(concat({tag, fakeAudio(5000)})).Title, "end") << end;
    }
}

TEST(TagPrefetch, ATagReadsAsWholeAndItsPictureIsNotRead) {
    const Bytes picture = concat({raw(std::string("\0image/png\0\3\0", 13)), fakeAudio(20000, 7)});
    const Bytes apic = frameV23("APIC", picture), title = frameV23("TIT2", sjisText("t"));
    const auto t4 = [](std::string_view id, std::string_view text, FrameV24Options o = {}) {
        return frameV24(id, concat({{3}, raw(text)}), o);
    };
    const struct {
        bool predicted;
        const char* name;
        Id3v2Builder tag;
    } cases[] = {
        {true, "v3",
         Id3v2Builder(3)
             // A used frame after the picture longer than one read brings along.
             .frames({title, apic,
                      frameV23("COMM", commentBody(0, "jpn", {}, raw(std::string(900, 'c')))),
                      frameV23("TALB", sjisText("packed"), FrameOptions().compressed()),
                      // Its flags add more bytes than its size holds: the next frame follows them.
                      concat({raw("PRIV"), be32(1), {0, 0x80}, be32(0)}),
                      frameV23("GEOB", fakeAudio(3000, 4)), frameV23("TPE1", sjisText("a"))})
             .padding(300)},
        // Its picture covers where the first case's frames were loaded.
        {true, "v3 extended header with CRC",
         Id3v2Builder(3)
             .extendedHeader(extendedHeaderV23(0, 99))
             .frames({frameV23("APIC", fakeAudio(30000, 5)), title})},
        {true, "v2",
         Id3v2Builder(2).frames({frameV22("PIC", picture), frameV22("TT2", sjisText("t"))})},
        {true, "v4 plain sizes, unsynchronised frame, data length",
         Id3v2Builder(4)
             .frames({frameV24("APIC", picture, FrameV24Options().plain()),
                      t4("TIT2", "\xC3\xA9", FrameV24Options().unsynchronised().withDataLength()),
                      t4("TDRC", "2004-05-06")})
             .footer()},
        {true, "an identifier cut by the tag's end",
         Id3v2Builder(3).frames({title, apic, raw("TI")})},
        {false, "v3 unsynchronised: read whole", Id3v2Builder(3).frames({apic, title}).unsync()},
        {false, "identifier of code page 932: read whole",
         Id3v2Builder(3).frames({title, apic, frameV23("\x82\xA0TI", sjisText("x"))})},
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
        const Id3v2Tag whole = readV2(file);
        EXPECT_NE(whole.Title, "");
        EXPECT_TRUE(!c.predicted || (readBytes < 3000 && sameTag(parseID3v2(**sparse), whole)));
        // A byte not loaded reads as 0, also where an earlier tag's bytes were.
        const std::span<const std::uint8_t> got =
            c.predicted ? std::span<const std::uint8_t>(**sparse) : std::span<const std::uint8_t>();
        EXPECT_TRUE(std::equal(got.begin(), got.end(), file.begin(),
                               [](std::uint8_t g, std::uint8_t f) { return g == 0 || g == f; }));
        // The file ends inside the tag: in the picture, or anywhere in the last frames.
        const std::size_t tagEnd = 10 + synchsafe(file, 6);
        for (std::size_t n = 2500; n < tagEnd;
             n = n + 40 < tagEnd ? std::min(n + 4999, tagEnd - 40) : n + 1)
            readV2(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(n)));
    }
}

}  // namespace
}  // namespace tagshelf::test

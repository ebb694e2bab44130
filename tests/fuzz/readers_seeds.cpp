// Writes the seed corpus of the readers' fuzzer: small files of every kind the
// readers know, built with the same byte builders as the tests.
//   fuzz_readers_seeds OUTDIR
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/tag_builder.h"

namespace {

using namespace tagshelf::test;

std::vector<std::pair<std::string, Bytes>> seeds() {
    const Bytes audio = fakeAudio(600, 11);
    const std::string jp = reinterpret_cast<const char*>(u8"日本語のタイトル");
    Id3v1Fields v1{sjis(jp), raw("Artist"), raw("Album"), raw("2003"), raw("comment"), {}, 17};
    const Bytes v1Only = concat({audio, id3v1Trailer(v1)});
    v1.track = 5;

    // Every frame of the table: Shift-JIS, or UTF-16 with both byte orders.
    auto allFrames = [&](std::uint8_t version, bool wide, bool extended = false) {
        const bool v3 = version == 3;
        auto frame = [v3](const char* id3, const char* id2, const Bytes& body) {
            return v3 ? frameV23(id3, body) : frameV22(id2, body);
        };
        auto text = [wide](const std::string& t) { return wide ? utf16Text(t) : sjisText(t); };
        Id3v2Builder b(version);
        if (extended) b.extendedHeader(extendedHeaderV23(16, 0x12345678));
        b.frame(frame("TIT2", "TT2", text(jp)))
            .frame(frame("TPE1", "TP1", text("Artist")))
            .frame(frame("TALB", "TAL", wide ? textBody(1, utf16("Album", true)) : text("Album")))
            .frame(frame("TRCK", "TRK", text("5/12")))
            .frame(frame("TCON", "TCO", text("(17)Rock")))
            .frame(frame("TYER", "TYE", text("2003")))
            .frame(frame("TDAY", "TDA", text("2512")))
            .frame(frame("COMM", "COM",
                         wide ? commentBody(1, "jpn", utf16("d"), utf16("c"))
                              : commentBody(0, "jpn", raw("d"), raw("c"))));
        return b;
    };
    const Bytes odd = concat({raw("TIT2"), be32(0xFFFFFFF0), Bytes{0, 0}, sjisText("x")});
    return {
        {"v1", v1Only},
        {"v11", concat({audio, id3v1Trailer(v1)})},
        {"v23-sjis", concat({allFrames(3, false).padding(32).build(), audio})},
        {"v23-utf16", concat({allFrames(3, true).build(), audio})},
        {"v23-ext-unsync", concat({allFrames(3, true, true).padding(16).unsync().build(), audio})},
        {"v23-compressed",
         concat({Id3v2Builder(3)
                     .frame(frameV23("TIT2", sjisText(jp), FrameOptions().compressed()))
                     .frame(frameV23("COMM", commentBody(1, "eng", utf16(""), utf16("z")),
                                     FrameOptions().compressed().grouped(1)))
                     .frame(frameV23("TPE1", sjisText("e"), FrameOptions().encrypted(2)))
                     .build(),
                 audio})},
        {"v22", concat({allFrames(2, true).padding(8).build(), audio})},
        {"v24", concat({Id3v2Builder(4)
                            .extendedHeader(concat({syncsafe(6), {1, 0}}))
                            .frame(frameV24("TIT2", concat({{3}, raw(jp)})))
                            .frame(frameV24("TPE1", concat({{2}, utf16("A", true, false)}),
                                            FrameV24Options().unsynchronised().withDataLength()))
                            .frame(frameV24("TALB", sjisText("Album"),
                                            FrameV24Options().compressed().grouped(3)))
                            .frame(frameV24("TCON", raw(std::string("\x03"
                                                                    "17\0Pop",
                                                                    7))))
                            .frame(frameV24("TDRC", raw("\x00"
                                                        "2004-05-06")))
                            .frame(frameV24("COMM", commentBody(3, "jpn", raw("d"), raw("c"))))
                            .padding(8)
                            .footer()
                            .build(),
                        audio})},
        {"v24-plain-sizes", concat({Id3v2Builder(4)
                                        .frame(frameV24("TIT2", sjisText(std::string(300, 't')),
                                                        FrameV24Options().plain()))
                                        .frame(frameV24("TPE1", sjisText("a")))
                                        .build(),
                                    audio})},
        {"v23-huge-frame", Id3v2Builder(3).frame(odd).build()},
        {"v23-size0", Id3v2Builder(3).frame(frameV23("TIT2", sjisText("x"))).sizeField(0).build()},
        {"both", concat({allFrames(3, false).build(), v1Only})},
        {"untagged", audio},
    };
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_readers_seeds OUTDIR\n");
        return 2;
    }
    std::filesystem::create_directories(argv[1]);
    for (const auto& [name, bytes] : seeds()) {
        std::ofstream out(std::filesystem::path(argv[1]) / (name + ".mp3"), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::fprintf(stderr, "fuzz_readers_seeds: cannot write %s\n", name.c_str());
            return 1;
        }
    }
    return 0;
}

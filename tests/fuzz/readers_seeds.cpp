// Writes the seed corpus of the readers' fuzzer: small files of every kind the
// readers know, built with the same byte builders as the tests.
//   fuzz_readers_seeds OUTDIR
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/id3/tag_builder.h"

namespace {

using namespace tagshelf::test;

std::string utf8(const char8_t* s) {
    return reinterpret_cast<const char*>(s);
}

std::vector<std::pair<std::string, Bytes>> seeds() {
    std::vector<std::pair<std::string, Bytes>> s;
    const Bytes audio = fakeAudio(600, 11);
    const std::string jp = utf8(u8"日本語のタイトル");

    // ID3v1 and ID3v1.1 trailers.
    Id3v1Fields v1;
    v1.title = sjis(jp);
    v1.artist = raw("Artist");
    v1.album = raw("Album");
    v1.year = raw("2003");
    v1.comment = raw("comment");
    v1.genre = 17;
    s.emplace_back("v1", concat({audio, id3v1Trailer(v1)}));
    v1.track = 5;
    s.emplace_back("v11", concat({audio, id3v1Trailer(v1)}));
    s.emplace_back("v1-bare", id3v1Trailer({}));

    // ID3v2.3: every frame of the table in both encodings.
    auto allFrames = [&](Id3v2Builder& b, bool wide) {
        auto text = [wide](const std::string& t) { return wide ? utf16Text(t) : sjisText(t); };
        b.frame(frameV23("TIT2", text(jp)))
            .frame(frameV23("TPE1", text("Artist")))
            .frame(frameV23("TALB", text("Album")))
            .frame(frameV23("TRCK", text("5/12")))
            .frame(frameV23("TCON", text("(17)Rock")))
            .frame(frameV23("TYER", text("2003")))
            .frame(frameV23("TDAY", text("2512")))
            .frame(frameV23("COMM", wide ? commentBody(1, "jpn", utf16("d"), utf16("c"))
                                         : commentBody(0, "jpn", raw("d"), raw("c"))));
    };
    {
        Id3v2Builder b(3);
        allFrames(b, false);
        s.emplace_back("v23-sjis", concat({b.padding(32).build(), audio}));
    }
    {
        Id3v2Builder b(3);
        allFrames(b, true);
        s.emplace_back("v23-utf16", concat({b.build(), audio}));
    }
    {
        Id3v2Builder b(3);
        b.extendedHeader(extendedHeaderV23(16, 0x12345678));
        allFrames(b, true);
        s.emplace_back("v23-ext-unsync", concat({b.padding(16).unsync().build(), audio}));
    }
    s.emplace_back("v23-compressed",
                   concat({Id3v2Builder(3)
                               .frame(frameV23("TIT2", sjisText(jp), FrameOptions().compressed()))
                               .frame(frameV23("COMM", commentBody(1, "eng", utf16(""), utf16("z")),
                                               FrameOptions().compressed().grouped(1)))
                               .frame(frameV23("TPE1", sjisText("e"), FrameOptions().encrypted(2)))
                               .build(),
                           audio}));
    s.emplace_back("v23-picture",
                   concat({Id3v2Builder(3)
                               .frame(frameV23("APIC", concat({Bytes{0}, raw("image/png"),
                                                               Bytes{0, 3, 0}, fakeAudio(300, 2)})))
                               .frame(frameV23("TIT2", utf16Text("after")))
                               .padding(64)
                               .build(),
                           audio}));

    // ID3v2.2 and the other major versions.
    auto v22 = [&](std::uint8_t version) {
        return Id3v2Builder(version)
            .frame(frameV22("TT2", sjisText(jp)))
            .frame(frameV22("TP1", utf16Text("Artist")))
            .frame(frameV22("TAL", textBody(1, utf16("Album", true))))
            .frame(frameV22("TRK", sjisText("3")))
            .frame(frameV22("TCO", sjisText("Pop")))
            .frame(frameV22("TYE", sjisText("1998")))
            .frame(frameV22("TDA", sjisText("0304")))
            .frame(frameV22("COM", commentBody(0, "eng", raw("d"), raw("c"))))
            .padding(8)
            .build();
    };
    s.emplace_back("v22", concat({v22(2), audio}));
    s.emplace_back("v24", concat({v22(4), audio}));
    s.emplace_back("v22-unsync",
                   concat({Id3v2Builder(2)
                               .frame(frameV22("TT2", textBody(1, utf16(utf8(u8"ÿÿ")))))
                               .unsync()
                               .build(),
                           audio}));

    // Corrupt shapes: sizes beyond the file, a tag of size 0, both tags.
    s.emplace_back(
        "v23-huge-frame",
        concat({Id3v2Builder(3)
                    .frame(concat({raw("TIT2"), be32(0xFFFFFFF0), Bytes{0, 0}, sjisText("x")}))
                    .build()}));
    s.emplace_back(
        "v23-size0",
        concat({Id3v2Builder(3).frame(frameV23("TIT2", sjisText("x"))).sizeField(0).build()}));
    s.emplace_back("both", concat({Id3v2Builder(3).frame(frameV23("TIT2", sjisText("x"))).build(),
                                   audio, id3v1Trailer(v1)}));
    s.emplace_back("untagged", audio);
    return s;
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

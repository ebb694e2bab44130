// tagshelf-cli tag: one JSON line per file, over files built in the test.
#include <sstream>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "tests/support/tag_builder.h"
#include "tests/support/test_support.h"

namespace tagshelf::cli {
namespace {

using namespace test;

std::string u8s(const char8_t* s) {
    return reinterpret_cast<const char*>(s);
}

struct Outcome {
    int status = -1;
    std::string out;
    std::vector<nlohmann::ordered_json> lines;
};

Outcome runTag(const std::vector<std::string>& args) {
    std::vector<std::string_view> views(args.begin(), args.end());
    std::ostringstream out, err;
    Outcome o;
    o.status = cmd_tag(Invocation{views, out, err});
    o.out = out.str();
    std::istringstream lines(o.out);
    for (std::string line; std::getline(lines, line);)
        o.lines.push_back(nlohmann::ordered_json::parse(line));
    return o;
}

TEST(CliTagTest, OneLinePerFileForEachFamily) {
    TempDir dir;
    const std::string v1 = dir.file("v1.mp3"), v2 = dir.file("v2.mp3"), none = dir.file("n.mp3");
    writeFile(v1, concat({fakeAudio(1000),
                          id3v1Trailer({sjis(u8s(u8"題名")), {}, {}, {}, raw("c"), 7, 17})}));
    writeFile(v2, Id3v2Builder(3)
                      .extendedHeader(extendedHeaderV23(0, 5))
                      .frame(frameV23("TIT2", utf16Text(u8s(u8"歌"))))
                      .frame(frameV23("TDAY", utf16Text("2512")))
                      .unsync()
                      .build());
    writeFile(none, fakeAudio(1000));
    const Outcome o = runTag({v1, v2, none});
    EXPECT_EQ(o.status, kExitOk);
    ASSERT_EQ(o.lines.size(), 3u);

    EXPECT_EQ(o.lines[0].dump(), nlohmann::ordered_json({{"path", v1},
                                                         {"family", 0},
                                                         {"tag",
                                                          {{"IsV11", 1},
                                                           {"Title", u8s(u8"題名")},
                                                           {"Artist", ""},
                                                           {"Album", ""},
                                                           {"Year", std::string(4, '\0')},
                                                           {"Comment", "c"},
                                                           {"Track", 7},
                                                           {"Genre", 17}}}})
                                     .dump());
    EXPECT_NE(o.out.find(R"("Year":"\u0000\u0000\u0000\u0000")"), std::string::npos);

    EXPECT_EQ(o.lines[1]["family"], 2);
    const auto& t = o.lines[1]["tag"];
    EXPECT_EQ(t.size(), 18u);
    EXPECT_EQ(t["Version"], 3);
    EXPECT_EQ(t["Unsync"], true);
    EXPECT_EQ(t["CrcPresent"], true);
    EXPECT_EQ(t["Crc"], 5);
    EXPECT_EQ(t["Title"], u8s(u8"歌"));
    EXPECT_EQ(t["Day"], "1225");
    EXPECT_EQ(t["Encode"], 1);

    EXPECT_EQ(o.lines[2].dump(), R"({"path":")" + none + R"(","family":4,"tag":null})");
}

TEST(CliTagTest, UnreadableFileGivesAnErrorLineAndExit1) {
    TempDir dir;
    const std::string good = dir.file("good.mp3"), missing = dir.file("missing.mp3");
    writeFile(good, id3v1Trailer({}));
    const Outcome o = runTag({missing, good});
    EXPECT_EQ(o.status, kExitFailure);
    ASSERT_EQ(o.lines.size(), 2u);
    EXPECT_EQ(o.lines[0]["path"], missing);
    EXPECT_TRUE(o.lines[0]["error"].is_string());
    EXPECT_FALSE(o.lines[0].contains("tag"));
    EXPECT_EQ(o.lines[1]["family"], 0);
}

}  // namespace
}  // namespace tagshelf::cli

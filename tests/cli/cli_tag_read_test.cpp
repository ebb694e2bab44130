// tagshelf-cli tag: one JSON line per file, over files built in the test.
#include <sstream>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "tests/support/cli_run.h"
#include "tests/support/tag_builder.h"
#include "tests/support/test_support.h"

namespace tagshelf::cli {
namespace {

using namespace test;

CliOutcome runTag(std::vector<std::string> args) {
    args.insert(args.begin(), "tag");
    return runCli(args);
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
    const CliOutcome run = runTag({v1, v2, none});
    const auto o = run.lines();
    EXPECT_EQ(run.status, kExitOk);
    ASSERT_EQ(o.size(), 3u);

    EXPECT_EQ(o[0].dump(), nlohmann::ordered_json({{"path", v1},
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
    EXPECT_NE(run.out.find(R"("Year":"\u0000\u0000\u0000\u0000")"), std::string::npos);

    EXPECT_EQ(o[1]["family"], 2);
    const auto& t = o[1]["tag"];
    EXPECT_EQ(t.size(), 18u);
    EXPECT_EQ(t["Version"], 3);
    EXPECT_EQ(t["Unsync"], true);
    EXPECT_EQ(t["CrcPresent"], true);
    EXPECT_EQ(t["Crc"], 5);
    EXPECT_EQ(t["Title"], u8s(u8"歌"));
    EXPECT_EQ(t["Day"], "1225");
    EXPECT_EQ(t["Encode"], 1);

    EXPECT_EQ(o[2].dump(), R"({"path":")" + none + R"(","family":4,"tag":null})");
}

TEST(CliTagTest, UnreadableFileGivesAnErrorLineAndExit1) {
    TempDir dir;
    const std::string good = dir.file("good.mp3"), missing = dir.file("missing.mp3");
    writeFile(good, id3v1Trailer({}));
    const CliOutcome run = runTag({missing, good});
    const auto o = run.lines();
    EXPECT_EQ(run.status, kExitFailure);
    ASSERT_EQ(o.size(), 2u);
    EXPECT_EQ(o[0]["path"], missing);
    EXPECT_TRUE(o[0]["error"].is_string());
    EXPECT_FALSE(o[0].contains("tag"));
    EXPECT_EQ(o[1]["family"], 0);
}

}  // namespace
}  // namespace tagshelf::cli

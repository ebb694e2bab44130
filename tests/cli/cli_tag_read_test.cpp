// tagshelf-cli tag: one JSON line per file, over files built in the test.
#include <sstream>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "tests/id3/tag_builder.h"
#include "tests/support/test_support.h"

namespace tagshelf::cli {
namespace {

using test::Bytes;
using test::concat;
using test::raw;

std::string utf8(const char8_t* s) {
    return reinterpret_cast<const char*>(s);
}

struct Outcome {
    int status = -1;
    std::vector<nlohmann::ordered_json> lines;
    std::string out;
    std::string err;
};

Outcome runTag(const std::vector<std::string>& args) {
    std::vector<std::string_view> views(args.begin(), args.end());
    std::ostringstream out;
    std::ostringstream err;
    Outcome o;
    o.status = cmd_tag(Invocation{views, out, err});
    o.out = out.str();
    o.err = err.str();
    std::istringstream lines(o.out);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with('{')) o.lines.push_back(nlohmann::ordered_json::parse(line));
    }
    return o;
}

class CliTagTest : public ::testing::Test {
  protected:
    std::string write(const std::string& name, const Bytes& bytes) {
        std::string path = dir_.file(name);
        test::writeFile(path, bytes);
        return path;
    }
    test::TempDir dir_;
};

TEST_F(CliTagTest, Id3v1FieldsUnderTheirNames) {
    test::Id3v1Fields f;
    f.title = test::sjis(utf8(u8"題名"));
    f.comment = raw("c");
    f.track = 7;
    f.genre = 17;
    std::string path = write("v1.mp3", concat({test::fakeAudio(1000), test::id3v1Trailer(f)}));
    Outcome o = runTag({path});
    EXPECT_EQ(o.status, kExitOk);
    ASSERT_EQ(o.lines.size(), 1u);
    const auto& line = o.lines[0];
    EXPECT_EQ(line["path"], path);
    EXPECT_EQ(line["family"], 0);
    const auto& tag = line["tag"];
    EXPECT_EQ(tag["IsV11"], 1);
    EXPECT_EQ(tag["Title"], utf8(u8"題名"));
    EXPECT_EQ(tag["Artist"], "");
    EXPECT_EQ(tag["Track"], 7);
    EXPECT_EQ(tag["Genre"], 17);
    std::vector<std::string> keys;
    for (const auto& [key, value] : tag.items())
        keys.push_back(key);
    EXPECT_EQ(keys, (std::vector<std::string>{"IsV11", "Title", "Artist", "Album", "Year",
                                              "Comment", "Track", "Genre"}));
}

TEST_F(CliTagTest, NulYearIsFourNulCharacters) {
    std::string path = write("nul.mp3", test::id3v1Trailer({}));
    Outcome o = runTag({path});
    ASSERT_EQ(o.lines.size(), 1u);
    EXPECT_EQ(o.lines[0]["tag"]["Year"].get<std::string>(), std::string(4, '\0'));
    EXPECT_NE(o.out.find(R"("Year":"\u0000\u0000\u0000\u0000")"), std::string::npos) << o.out;
}

TEST_F(CliTagTest, Id3v2FieldsWithNumbersAndFlags) {
    Bytes tag = test::Id3v2Builder(3)
                    .extendedHeader(test::extendedHeaderV23(0, 5))
                    .frame(test::frameV23("TIT2", test::utf16Text(utf8(u8"歌"))))
                    .frame(test::frameV23("TDAY", test::utf16Text("2512")))
                    .unsync()
                    .build();
    std::string path = write("v2.mp3", concat({tag, test::fakeAudio(1000)}));
    Outcome o = runTag({path});
    EXPECT_EQ(o.status, kExitOk);
    ASSERT_EQ(o.lines.size(), 1u);
    EXPECT_EQ(o.lines[0]["family"], 2);
    const auto& t = o.lines[0]["tag"];
    EXPECT_EQ(t["Version"], 3);
    EXPECT_EQ(t["Unsync"], true);
    EXPECT_EQ(t["ExtHeader"], true);
    EXPECT_EQ(t["Experimental"], false);
    EXPECT_EQ(t["CrcPresent"], true);
    EXPECT_EQ(t["Crc"], 5);
    EXPECT_TRUE(t["TagSize"].is_number_integer());
    EXPECT_EQ(t["Title"], utf8(u8"歌"));
    EXPECT_EQ(t["Day"], "1225");
    EXPECT_EQ(t["Encode"], 1);
    EXPECT_EQ(t.size(), 18u);
}

TEST_F(CliTagTest, UntaggedFileHasANullTag) {
    std::string path = write("none.mp3", test::fakeAudio(1000));
    Outcome o = runTag({path});
    EXPECT_EQ(o.status, kExitOk);
    ASSERT_EQ(o.lines.size(), 1u);
    EXPECT_EQ(o.lines[0]["family"], 4);
    EXPECT_TRUE(o.lines[0]["tag"].is_null());
}

TEST_F(CliTagTest, UnreadableFileGivesAnErrorLineAndFailureAtTheEnd) {
    std::string good = write("good.mp3", test::id3v1Trailer({}));
    std::string missing = dir_.file("missing.mp3");
    Outcome o = runTag({missing, good});
    EXPECT_EQ(o.status, kExitFailure);
    ASSERT_EQ(o.lines.size(), 2u);
    EXPECT_EQ(o.lines[0]["path"], missing);
    EXPECT_TRUE(o.lines[0]["error"].is_string());
    EXPECT_FALSE(o.lines[0].contains("tag"));
    EXPECT_EQ(o.lines[1]["family"], 0);
}

TEST_F(CliTagTest, FolderIsAnError) {
    Outcome o = runTag({dir_.str()});
    EXPECT_EQ(o.status, kExitFailure);
    ASSERT_EQ(o.lines.size(), 1u);
    EXPECT_TRUE(o.lines[0].contains("error"));
}

TEST_F(CliTagTest, NamesThatAreNotUtf8StillGiveValidJson) {
    std::string path = write("bad\xFFname.mp3", test::id3v1Trailer({}));
    Outcome o = runTag({path});
    EXPECT_EQ(o.status, kExitOk);
    ASSERT_EQ(o.lines.size(), 1u);
    EXPECT_EQ(o.lines[0]["path"], dir_.file(utf8(u8"bad\uFFFDname.mp3")));
}

TEST_F(CliTagTest, DashesAndUsage) {
    std::string path = write("-dash.mp3", test::id3v1Trailer({}));
    Outcome o = runTag({"--", path});
    EXPECT_EQ(o.status, kExitOk);
    EXPECT_EQ(o.lines.size(), 1u);
    EXPECT_EQ(runTag({}).status, kExitUsage);
    EXPECT_EQ(runTag({"--bogus"}).status, kExitUsage);
    Outcome help = runTag({"--help"});
    EXPECT_EQ(help.status, kExitOk);
    EXPECT_NE(help.out.find("usage: tagshelf-cli tag"), std::string::npos);
}

}  // namespace
}  // namespace tagshelf::cli

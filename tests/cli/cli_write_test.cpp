// tagshelf-cli write: an edit read back from the file, with the fields not given
// kept as they were; a failed write; a wrong command line.
#include <cerrno>
#include <sstream>

#include <gtest/gtest.h>

#include "cataloguing/registration.h"
#include "core/file_ops.h"
#include "id3/reader.h"
#include "tests/support/catalogue_fixture.h"
#include "tests/support/cli_run.h"
#include "tests/support/tag_builder.h"
#include "tests/support/test_support.h"

namespace tagshelf {
namespace {

using test::Bytes;
using test::readFile;

test::CliOutcome runWrite(std::vector<std::string> args) {
    args.insert(args.begin(), "write");
    return test::runCli(args);
}

class CliWrite : public ::testing::Test {
  protected:
    void SetUp() override { test::writeFile(path, before); }

    test::TempDir dir;
    const std::string path = dir.file("a.mp3");
    const Bytes audio = test::fakeAudio(4000, 5);
    const Bytes before =
        test::concat({test::Id3v2Builder(3)
                          .frame(test::frameV23("TIT2", test::utf16Text("Old")))
                          .frame(test::frameV23("TRCK", test::utf16Text("5/12")))
                          .frame(test::frameV23("TCON", test::utf16Text("(17)Rock")))
                          .frame(test::frameV23("TDAY", test::utf16Text("2512")))
                          .padding(500)
                          .build(),
                      audio});
};

TEST_F(CliWrite, EditsTheFileAndKeepsTheFieldsNotGiven) {
    const std::string title = reinterpret_cast<const char*>(u8"題名");
    const test::CliOutcome o = runWrite({path, "--title", title, "--year=2003"});
    ASSERT_EQ(o.status, cli::kExitOk) << o.err;
    const Id3v2Tag tag = *fncReadID3v2(path);
    EXPECT_EQ(tag.Title, title);
    EXPECT_EQ(tag.Year, "2003");
    EXPECT_EQ(tag.Track, "5/12");
    EXPECT_EQ(tag.Genre, "(17)Rock");
    EXPECT_EQ(tag.Day, "1225");
    EXPECT_EQ(tag.Encode, 1);
    const Bytes after = readFile(path);
    ASSERT_EQ(after.size(), 10 + static_cast<std::size_t>(tag.TagSize) + audio.size());
    EXPECT_EQ(Bytes(after.end() - static_cast<long>(audio.size()), after.end()), audio);
}

TEST_F(CliWrite, AFailedWriteGivesStatus1AndTheErrorOnStderr) {
    struct : fileops::FileSystem {
        int rename(const char*, const char*) override {
            errno = EIO;
            return -1;
        }
    } noRename;
    test::CliOutcome o;
    {
        fileops::ScopedFileSystem scoped(noRename);
        o = runWrite({path, "--title", "x"});
    }
    EXPECT_EQ(o.status, cli::kExitFailure);
    EXPECT_NE(o.err.find("rename"), std::string::npos) << o.err;
    EXPECT_EQ(readFile(path), before);
}

TEST_F(CliWrite, AnEncodingThatLosesCharactersNeedsLossy) {
    // Neither code page holds the whole text.
    const std::string cafe = reinterpret_cast<const char*>(u8"café日本");
    test::CliOutcome o = runWrite({path, "--encoding", "0", "--title", cafe, "--comment", cafe});
    EXPECT_EQ(o.status, cli::kExitFailure);
    EXPECT_NE(o.err.find("characters of --title --comment can't be held"), std::string::npos)
        << o.err;
    EXPECT_EQ(readFile(path), before);
    o = runWrite({path, "--encoding", "0", "--title", cafe, "--lossy"});
    EXPECT_EQ(o.status, cli::kExitOk) << o.err;
    EXPECT_EQ(fncReadID3v2(path)->Title, reinterpret_cast<const char*>(u8"caf?日本"));
    // A text ISO-8859-1 holds is written in it, and read back.
    const std::string bjork = reinterpret_cast<const char*>(u8"Björk");
    ASSERT_EQ(runWrite({path, "--encoding", "0", "--title", bjork}).status, cli::kExitOk);
    const Bytes after = readFile(path);
    EXPECT_NE(std::string(after.begin(), after.end()).find("\0Bj\xF6rk"), std::string::npos);
    EXPECT_EQ(fncReadID3v2(path)->Title, bjork);
}

TEST_F(CliWrite, TheCatalogueRowIsUpdatedAsOkDoes) {
    test::CatalogueFixture f;
    const std::string other = dir.file("other.mp3");
    test::writeFile(other, before);
    ASSERT_EQ(subAddFile(f.cat, path).outcome, AddOutcome::Registered);
    test::CliOutcome o =
        runWrite({path, "--version", "ID3v11", "--track", "4", "--catalogue", f.dbPath()});
    EXPECT_EQ(o.status, cli::kExitOk) << o.err;
    EXPECT_EQ(f.column("SELECT Version || Title || Trak || Genre || GenreNo FROM FileList"),
              std::vector<std::string>{"ID3v11Old4Rock17"});
    // A file the catalogue does not hold is not written.
    o = runWrite({other, "--title", "x", "--catalogue", f.dbPath()});
    EXPECT_EQ(o.status, cli::kExitFailure);
    EXPECT_NE(o.err.find("holds no row for the file"), std::string::npos) << o.err;
    EXPECT_EQ(readFile(other), before);
}

TEST_F(CliWrite, AVersion4TagBecomesID3v23AndTheFramesItLacksAreNamed) {
    test::writeFile(path, test::concat({test::Id3v2Builder(4)
                                            .frame(test::frameV24("TIT2", test::sjisText("v4")))
                                            .frame(test::frameV24("TSOP", test::sjisText("s")))
                                            .frame(test::frameV24("PRIV", test::raw("kept")))
                                            .build(),
                                        audio}));
    const test::CliOutcome o = runWrite({path, "--title", "new"});
    EXPECT_EQ(o.status, cli::kExitOk) << o.err;
    EXPECT_EQ(o.err, "tagshelf-cli write: " + path + ": frames not kept: TSOP\n");
    Result<FileTag> tag = fncReadFileTag(path);
    EXPECT_EQ(tag->version, kID3v23);
    EXPECT_EQ(tag->v2.Title, "new");
    EXPECT_EQ(fncRawFrames(*fncReadID3v2Bytes(path)).at(0).id, "PRIV");
}

TEST_F(CliWrite, AWrongCommandLineGivesStatus2) {
    const test::CliOutcome o = runWrite({path, "--month", "13"});
    EXPECT_EQ(o.status, cli::kExitUsage);
    EXPECT_NE(o.err.find("usage: tagshelf-cli write"), std::string::npos) << o.err;
    EXPECT_EQ(readFile(path), before);
}

}  // namespace
}  // namespace tagshelf

#include <gtest/gtest.h>

#include <filesystem>

#include "catalogue/startup.h"
#include "core/ini.h"
#include "tests/support/catalogue_fixture.h"

namespace tagshelf::test {
namespace {

// A start in a program folder: a scripted toolkit, an empty process list apart
// from this copy.
class StartupTest : public ::testing::Test {
  protected:
    StartupTest() : state(toolkit) {}

    StartResult start(const std::string& folder) { return fncStartup(state, folder, proc.str()); }

    void thisCopyRuns() {
        std::filesystem::create_directory(proc.path() / "100");
        std::filesystem::create_symlink("/opt/TagShelf/TagShelf", proc.path() / "100" / "exe");
    }

    TempDir proc;
    ScriptedToolkit toolkit;
    Catalogue state;
};

TEST_F(StartupTest, FirstStartInTheProgramFolderWritesTheIniAndCreatesTheTables) {
    thisCopyRuns();
    TempDir dir("TagShelf");
    writeText(dir.file("TagShelfList.mdb"), "");
    ASSERT_EQ(start(dir.str()), StartResult::Run);
    EXPECT_EQ(readText(dir.file("TagShelf.ini")),
              "[APP]\r\nPATH=" + dir.str() + "\r\n[DATABASE]\r\nNAME=\\TagShelfList.mdb\r\n");
    EXPECT_EQ(state.gstrAppPath, dir.str());
    EXPECT_EQ(state.gstrDbName, "\\TagShelfList.mdb");
    EXPECT_EQ(state.path(), dir.file("TagShelfList.mdb"));
    EXPECT_FALSE(fncNoTable(state, "FileList"));
    EXPECT_EQ(fncDbReadCount(state, "GENRE"), 126);
    EXPECT_TRUE(toolkit.messages.empty());
}

TEST_F(StartupTest, AnIniWithPathIsNeverRewritten) {
    thisCopyRuns();
    TempDir dir("TagShelf");
    writeText(dir.file("TagShelfList.mdb"), "");
    std::string ini = "[APP]\nPATH=elsewhere\n[DATABASE]\nNAME=  \\other.db  \n";
    writeText(dir.file("TagShelf.ini"), ini);
    writeText(dir.file("other.db"), "");
    ASSERT_EQ(start(dir.str()), StartResult::Run);
    EXPECT_EQ(readText(dir.file("TagShelf.ini")), ini);
    EXPECT_EQ(state.gstrDbName, "\\other.db");
    EXPECT_EQ(fncDbReadCount(state, "GENRE"), 126);
}

TEST_F(StartupTest, WithoutIniOutsideTheProgramFolderItEndsWithAMessage) {
    thisCopyRuns();
    TempDir dir("Music");
    EXPECT_EQ(start(dir.str()), StartResult::NoDatabaseName);
    EXPECT_EQ(toolkit.prompts(), std::vector<std::string>{"データベース名の取得に失敗しました"});
    EXPECT_FALSE(std::filesystem::exists(dir.file("TagShelf.ini")));
    // The folder name test is case-sensitive.
    TempDir lower("tagshelf");
    EXPECT_EQ(start(lower.str()), StartResult::NoDatabaseName);
}

TEST_F(StartupTest, ASecondCopyEndsSilently) {
    thisCopyRuns();
    std::filesystem::create_directory(proc.path() / "200");
    std::filesystem::create_symlink("/usr/local/TagShelf.bin", proc.path() / "200" / "exe");
    TempDir dir("TagShelf");
    EXPECT_EQ(start(dir.str()), StartResult::AlreadyRunning);
    EXPECT_TRUE(toolkit.messages.empty());
    EXPECT_FALSE(std::filesystem::exists(dir.file("TagShelf.ini")));
}

TEST_F(StartupTest, AMissingCatalogueIsNotCreatedAndStartGoesOn) {
    thisCopyRuns();
    TempDir dir("TagShelf");
    ASSERT_EQ(start(dir.str()), StartResult::Run);
    EXPECT_FALSE(std::filesystem::exists(dir.file("TagShelfList.mdb")));
    EXPECT_TRUE(toolkit.messages.empty());
}

TEST_F(StartupTest, ATableInOtherLetterCaseIsReportedAndStartGoesOn) {
    thisCopyRuns();
    TempDir dir("TagShelf");
    writeText(dir.file("TagShelfList.mdb"), "");
    {
        sqlite3* db = nullptr;
        sqlite3_open(dir.file("TagShelfList.mdb").c_str(), &db);
        sqlite3_exec(db, "CREATE TABLE filelist (x TEXT)", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    ASSERT_EQ(start(dir.str()), StartResult::Run);
    ASSERT_EQ(toolkit.messages.size(), 2u);
    EXPECT_EQ(toolkit.messages[0].prompt,
              "fncCreateTable : エラー :  1が発生しました。 : table \"FileList\" already "
              "existsSQLite");
    EXPECT_EQ(toolkit.messages[1].prompt, "テーブルの作成に失敗しました（FileList）");
    EXPECT_EQ(fncDbReadCount(state, "GENRE"), 126);
}

}  // namespace
}  // namespace tagshelf::test

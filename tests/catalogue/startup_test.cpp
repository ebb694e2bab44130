#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "catalogue/catalogue_file.h"
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
              "[APP]\r\nPATH=" + dir.str() +
                  "\r\nLEGACYTEXT=auto\r\n[DATABASE]\r\nNAME=\\TagShelfList.mdb\r\n");
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

TEST_F(StartupTest, AFileThatIsNotACatalogueGetsOneMessageAndIsLeftAsItIs) {
    thisCopyRuns();
    // A real catalogue, cut short after its first page (which its schema is in).
    TempDir made;
    writeText(made.file("c.db"), "");
    {
        Catalogue c(toolkit);
        c.fileOverride = made.file("c.db");
        subCreateTables(c);
    }
    Bytes whole = readFile(made.file("c.db"));
    const Bytes cut(whole.begin(), whole.begin() + 4096);
    Bytes noise(5000);
    for (std::size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<std::uint8_t>(i * 7919 % 251);
    for (const Bytes& content : {noise, cut, Bytes{}}) {
        for (bool readable : {true, false}) {
            TempDir dir("TagShelf");
            const std::string file = dir.file("TagShelfList.mdb");
            writeText(dir.file("TagShelf.ini"),
                      "[APP]\r\nPATH=x\r\n[DATABASE]\r\nNAME=\\TagShelfList.mdb\r\n");
            const bool folder = content.empty();
            if (folder) {
                std::filesystem::create_directory(file);
            } else {
                writeFile(file, content);
            }
            if (!readable) ::chmod(file.c_str(), 0);
            openUp(dir.path());
            openUp(proc.path());
            toolkit.messages.clear();
            const int wrong = runUnprivileged([&] {
                if (start(dir.str()) != StartResult::NotACatalogue) return 1;
                return toolkit.prompts() == std::vector<std::string>{notACatalogueMessage(file)}
                           ? 0
                           : 2;
            });
            EXPECT_EQ(wrong, 0) << content.size() << " " << readable;
            ::chmod(file.c_str(), 0755);
            EXPECT_EQ(folder ? Bytes{} : readFile(file), content);
            EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
        }
    }
}

}  // namespace
}  // namespace tagshelf::test

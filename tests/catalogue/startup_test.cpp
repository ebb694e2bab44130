#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "catalogue/catalogue_file.h"
#include "catalogue/startup.h"
#include "tests/support/catalogue_fixture.h"

namespace tagshelf::test {
namespace {

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

// A start in a program folder ".../TagShelf" holding an empty catalogue file, with
// a process list holding this copy only.
class StartupTest : public ::testing::Test {
  protected:
    StartupTest() : state(toolkit) {
        fs::create_directory(proc.path() / "100");
        fs::create_symlink("/opt/TagShelf/TagShelf", proc.path() / "100" / "exe");
        writeText(db, "");
    }
    StartResult start(const std::string& folder) { return fncStartup(state, folder, proc.str()); }

    TempDir proc, dir{"TagShelf"};
    const std::string db = dir.file("TagShelfList.mdb"), ini = dir.file("TagShelf.ini");
    ScriptedToolkit toolkit;
    Catalogue state;
};

TEST_F(StartupTest, FirstStartInTheProgramFolderWritesTheIniAndCreatesTheTables) {
    ASSERT_EQ(start(dir.str()), StartResult::Run);
    EXPECT_EQ(readText(ini),
              "[APP]\r\nPATH=" + dir.str() +
                  "\r\nLEGACYTEXT=auto\r\n[DATABASE]\r\nNAME=\\TagShelfList.mdb\r\n");
    EXPECT_EQ(state.path(), db);
    EXPECT_FALSE(fncNoTable(state, "FileList"));
    EXPECT_EQ(fncDbReadCount(state, "GENRE"), 126);
    EXPECT_TRUE(toolkit.messages.empty());
}

TEST_F(StartupTest, AnIniWithPathIsNeverRewritten) {
    const std::string text = "[APP]\nPATH=elsewhere\n[DATABASE]\nNAME=  \\other.db  \n";
    writeText(ini, text);
    writeText(dir.file("other.db"), "");
    ASSERT_EQ(start(dir.str()), StartResult::Run);
    EXPECT_EQ(readText(ini), text);
    EXPECT_EQ(state.gstrDbName, "\\other.db");
    EXPECT_EQ(fncDbReadCount(state, "GENRE"), 126);
}

TEST_F(StartupTest, WithoutIniOutsideTheProgramFolderItEndsWithAMessage) {
    TempDir music("Music"), lower("tagshelf");  // the folder name test is case-sensitive
    EXPECT_EQ(start(music.str()), StartResult::NoDatabaseName);
    EXPECT_EQ(toolkit.prompts(), Texts{"データベース名の取得に失敗しました"});
    EXPECT_FALSE(fs::exists(music.file("TagShelf.ini")));
    EXPECT_EQ(start(lower.str()), StartResult::NoDatabaseName);
}

TEST_F(StartupTest, ASecondCopyEndsSilently) {
    fs::create_directory(proc.path() / "200");
    fs::create_symlink("/usr/local/TagShelf.bin", proc.path() / "200" / "exe");
    EXPECT_EQ(start(dir.str()), StartResult::AlreadyRunning);
    EXPECT_TRUE(toolkit.messages.empty());
    EXPECT_FALSE(fs::exists(ini));
}

TEST_F(StartupTest, AMissingCatalogueIsNotCreatedAndStartGoesOn) {
    fs::remove(db);
    ASSERT_EQ(start(dir.str()), StartResult::Run);
    EXPECT_FALSE(fs::exists(db));
    EXPECT_TRUE(toolkit.messages.empty());
}

TEST_F(StartupTest, ATableInOtherLetterCaseIsReportedAndStartGoesOn) {
    sqlite3* conn = nullptr;
    sqlite3_open(db.c_str(), &conn);
    sqlite3_exec(conn, "CREATE TABLE filelist (x TEXT)", nullptr, nullptr, nullptr);
    sqlite3_close(conn);
    ASSERT_EQ(start(dir.str()), StartResult::Run);
    EXPECT_EQ(toolkit.prompts(),
              (Texts{"fncCreateTable : エラー :  1が発生しました。 : table \"FileList\" already "
                     "existsSQLite",
                     "テーブルの作成に失敗しました（FileList）"}));
    EXPECT_EQ(fncDbReadCount(state, "GENRE"), 126);
}

TEST_F(StartupTest, AFileThatIsNotACatalogueGetsOneMessageAndIsLeftAsItIs) {
    // A real catalogue, cut short after its first page (which its schema is in).
    {
        Catalogue c(toolkit);
        c.fileOverride = db;
        subCreateTables(c);
    }
    const Bytes whole = readFile(db), cut(whole.begin(), whole.begin() + 4096);
    Bytes noise(5000);
    for (std::size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<std::uint8_t>(i * 7919 % 251);
    openUp(proc.path());
    for (const Bytes& content : {noise, cut, Bytes{}}) {
        for (bool readable : {true, false}) {
            TempDir other("TagShelf");
            const std::string file = other.file("TagShelfList.mdb");
            writeText(other.file("TagShelf.ini"),
                      "[APP]\r\nPATH=x\r\n[DATABASE]\r\nNAME=\\TagShelfList.mdb\r\n");
            const bool folder = content.empty();
            folder ? (void)fs::create_directory(file) : writeFile(file, content);
            if (!readable) ::chmod(file.c_str(), 0);
            openUp(other.path());
            toolkit.messages.clear();
            EXPECT_EQ(runUnprivileged([&] {
                          return start(other.str()) == StartResult::NotACatalogue &&
                                         toolkit.prompts() == Texts{notACatalogueMessage(file)}
                                     ? 0
                                     : 1;
                      }),
                      0)
                << content.size() << " " << readable;
            ::chmod(file.c_str(), 0755);
            EXPECT_EQ(folder ? Bytes{} : readFile(file), content);
            EXPECT_EQ(std::distance(fs::directory_iterator(other.path()), {}), 2);
        }
    }
}

}  // namespace
}  // namespace tagshelf::test

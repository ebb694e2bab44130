// The catalogue's tables, its connection, batches, the reads of its rows, and the
// program's start.
#include <gtest/gtest.h>

#include <filesystem>

#include "catalogue/catalogue_file.h"
#include "catalogue/startup.h"
#include "tests/support/catalogue_fixture.h"

namespace tagshelf::test {
namespace {

TEST(Schema, TableNamesAreComparedExactlyAndOnlyTablesCount) {
    CatalogueFixture f(false);
    for (const char* sql : {"CREATE TABLE filelist (x TEXT)", "CREATE VIEW Shown AS SELECT 1",
                            "CREATE TABLE counter (id INTEGER PRIMARY KEY AUTOINCREMENT)",
                            "INSERT INTO counter DEFAULT VALUES"})
        f.column(sql);
    std::string absent;
    for (const char* name : {"filelist", "FileList", "Shown", "sqlite_sequence"})
        absent += fncNoTable(f.cat, name) ? 'Y' : '-';
    EXPECT_EQ(absent, "-YYY");  // the engine's refusal of FileList beside it: StartupTest
}

TEST(Schema, ColumnMaximaAreEnforcedInCharacters) {
    CatalogueFixture f;
    std::string title;
    for (int i = 0; i < 4096; ++i)
        title += "あ";  // 4,096 characters, 12,288 bytes
    EXPECT_NO_THROW(f.addRow({title}));
    EXPECT_THROW(f.addRow({title + "あ"}), std::runtime_error);
    EXPECT_THROW(f.addRow({"", "", "", "", "", "", "", "1000"}), std::runtime_error);  // GenreNo
    EXPECT_EQ(f.column("SELECT count(*) FROM FileList"), Texts{"1"});
    Record r;  // the comment's message is pinned by the registration tests
    r.GenreNo = "1234";
    EXPECT_EQ(tooLongValue(r), "ジャンル番号が長すぎます（4文字、最大3文字）");
}

TEST(Schema, ACatalogueOfAnEarlierBuildIsMigratedWithItsRows) {
    CatalogueFixture f(false);
    std::string old = "CREATE TABLE FileList (";
    for (const Column& c : kColumns) {
        const std::string n(c.name);
        old += n + " TEXT CHECK (length(" + n + ") <= " + (n == "Comment" ? "30" : "200") + "), ";
    }
    old.replace(old.size() - 2, 2, ")");
    const std::string other = "CREATE TABLE List (Title TEXT CHECK (length(Title) <= 1))";
    f.column(old);
    f.column(other);
    const Texts longComment{"long", "", "", "", "", "", "", "", std::string(31, 'c')};
    f.addRow({"kept"});
    EXPECT_THROW(f.addRow(longComment), std::runtime_error);
    ASSERT_TRUE(subCreateTables(f.cat));
    f.addRow(longComment);
    EXPECT_EQ(f.column("SELECT Title FROM FileList ORDER BY rowid"), (Texts{"kept", "long"}));
    // A table of other columns is not ours to rebuild.
    EXPECT_EQ(f.column("SELECT sql FROM sqlite_master WHERE name = 'List'"), Texts{other});
    EXPECT_TRUE(f.toolkit.messages.empty());
}

TEST(Connection, AMissingCatalogueIsNeverCreatedAndOneNotADatabaseIsLeftAlone) {
    CatalogueFixture f(false);
    fs::remove(f.dbPath());
    DbConnection conn;
    EXPECT_FALSE(fncDbOpen(f.cat, conn));
    EXPECT_EQ(
        f.toolkit.prompts(),
        Texts{"fncDbOpen : エラー :  14が発生しました。 : unable to open database fileSQLite"});
    EXPECT_FALSE(fs::exists(f.dbPath()));
    writeText(f.dbPath(), "This is a text file, not a catalogue.\n");
    EXPECT_FALSE(fncDbOpen(f.cat, conn));
    EXPECT_NE(f.toolkit.prompts().back().find("file is not a database"), std::string::npos);
    EXPECT_EQ(readText(f.dbPath()), "This is a text file, not a catalogue.\n");
}

TEST(Connection, ACatalogueRemovedOrReplacedWhileOpenIsNoticed) {
    CatalogueFixture f;
    f.addRow({"kept"});
    EXPECT_EQ(fncDbReadCount(f.cat, "FileList"), 1);
    fs::remove(f.dbPath());
    EXPECT_EQ(fncDbReadCount(f.cat, "FileList"), 0);
    EXPECT_EQ(f.toolkit.prompts().at(0).rfind("fncDbOpen : ", 0), 0u);
    // A new file in its place is a new catalogue, also when it was moved there.
    writeText(f.dbPath(), "");
    EXPECT_TRUE(fncNoTable(f.cat, "FileList"));
    ASSERT_TRUE(fncCreateTable(f.cat, "FileList").ok());
    fs::copy_file(f.dbPath(), f.dbPath() + ".other");
    f.addRow({"only in the first"});
    fs::rename(f.dbPath() + ".other", f.dbPath());
    EXPECT_EQ(fncDbReadCount(f.cat, "FileList"), 0);
}

TEST(RecordList, LoadsEveryRowInStoredOrderWithASpareEntryAndCountsRows) {
    CatalogueFixture f;
    const Texts first = {"b",      "artist b", "album", "1", "2001",   "1225",
                         "ロック", "17",       "c",     "0", "ID3v23", "/m/b.mp3"};
    f.addRow(first);
    f.column("INSERT INTO FileList (Title, FilePath) VALUES ('x', '/a.mp3')");  // NULLs
    f.addRow({"a"});
    RecordList list;
    EXPECT_EQ(subDbRead(f.cat, list), 3);
    ASSERT_EQ(list.entries.size(), 4u);
    for (std::size_t c = 0; c < kColumns.size(); ++c)
        EXPECT_EQ(list.entries[0].*kColumns[c].member, first[c]) << kColumns[c].name;
    EXPECT_EQ(list.entries[1].Artist + "|" + list.entries[2].Artist, "| ");  // NULL; not trimmed
    // The rows of a table or of a select statement counted; a missing table is reported.
    EXPECT_EQ(fncDbReadCount(f.cat, "FileList"), 3);
    EXPECT_EQ(fncDbReadCount(f.cat, "SELECT * FROM FileList WHERE Artist = ' '"), 1);
    EXPECT_EQ(fncDbReadCount(f.cat, "List"), 0);
    EXPECT_EQ(f.toolkit.prompts().at(0).rfind("fncDbReadCount : エラー :  1が発生しました。", 0),
              0u);
}

// A start in ".../TagShelf" with an empty catalogue file and this copy running alone.
class StartupTest : public ::testing::Test {
  protected:
    StartupTest() : state(toolkit) {
        fs::create_directory(proc.path() / "100");
        fs::create_symlink("/opt/TagShelf/TagShelf", proc.path() / "100" / "exe");
        writeText(db, "");
    }
    StartResult start(const std::string& folder) { return fncStartup(state, folder, proc.str()); }

    TempDir proc, dir{"TagShelf"};
    const std::string db = dir.file("TagShelfList.mdb");
    ScriptedToolkit toolkit;
    Catalogue state;
};

TEST_F(StartupTest, WithoutIniOutsideTheProgramFolderItEndsWithAMessage) {
    TempDir music("Music"), lower("tagshelf");  // the folder name test is case-sensitive
    EXPECT_EQ(start(music.str()), StartResult::NoDatabaseName);
    EXPECT_EQ(toolkit.prompts(), Texts{"データベース名の取得に失敗しました"});
    EXPECT_FALSE(fs::exists(music.file("TagShelf.ini")));
    EXPECT_EQ(start(lower.str()), StartResult::NoDatabaseName);
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
}

TEST_F(StartupTest, AFileThatIsNotACatalogueGetsOneMessageAndIsLeftAsItIs) {
    Bytes noise(5000);
    for (std::size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<std::uint8_t>(i * 7919 % 251);
    for (const Bytes& content : {noise, Bytes{}}) {  // random bytes, or a folder
        TempDir other("TagShelf");
        const std::string file = other.file("TagShelfList.mdb");
        writeText(other.file("TagShelf.ini"),
                  "[APP]\r\nPATH=x\r\n[DATABASE]\r\nNAME=\\TagShelfList.mdb\r\n");
        content.empty() ? (void)fs::create_directory(file) : writeFile(file, content);
        toolkit.messages.clear();
        EXPECT_EQ(start(other.str()), StartResult::NotACatalogue);
        EXPECT_EQ(toolkit.prompts(), Texts{notACatalogueMessage(file)});
        EXPECT_EQ(content.empty() ? Bytes{} : readFile(file), content);
    }
}

}  // namespace
}  // namespace tagshelf::test

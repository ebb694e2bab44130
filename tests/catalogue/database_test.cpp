#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include <filesystem>

#include "tests/support/catalogue_fixture.h"

namespace tagshelf::test {
namespace {

TEST(Schema, CreatesFileListWithItsColumnsInOrderAndTheGenreTable) {
    CatalogueFixture f;
    std::vector<std::string> names = f.column("SELECT name FROM pragma_table_info('FileList')");
    std::vector<std::string> expected;
    for (const Column& c : kColumns)
        expected.emplace_back(c.name);
    EXPECT_EQ(names, expected);

    EXPECT_EQ(f.column("SELECT count(*) FROM GENRE"), std::vector<std::string>{"126"});
    EXPECT_EQ(f.column("SELECT min(GenreNo) || '-' || max(GenreNo) FROM GENRE"),
              std::vector<std::string>{"0-125"});
    GenreNames genres = subSetGenreName();
    std::vector<std::string> stored = f.column("SELECT Genre FROM GENRE ORDER BY GenreNo");
    ASSERT_EQ(stored.size(), 126u);
    for (std::size_t i = 0; i < stored.size(); ++i)
        EXPECT_EQ(stored[i], genres[i]) << i;
    EXPECT_EQ(stored[0], "ブルース");
    EXPECT_EQ(stored[29], "ジャズ＋ファンク");
    EXPECT_EQ(stored[85], "べボブ");
    EXPECT_EQ(stored[125], "ダンスホール");
    EXPECT_TRUE(genres[126].empty());
    EXPECT_TRUE(genres[127].empty());
    EXPECT_TRUE(f.toolkit.messages.empty());
}

TEST(Schema, ASecondStartChangesNothingInTheFile) {
    CatalogueFixture f;
    f.addRow({"t"});
    f.cat.engine().close();
    Bytes before = readFile(f.dbPath());
    ASSERT_TRUE(fncCreateTable(f.cat, "FileList").ok());
    ASSERT_TRUE(fncCreateGenre(f.cat));
    f.cat.engine().close();
    EXPECT_EQ(readFile(f.dbPath()), before);
    EXPECT_EQ(f.column("SELECT count(*) FROM GENRE"), std::vector<std::string>{"126"});
}

TEST(Schema, TableNamesAreComparedExactlyAndOnlyTablesCount) {
    CatalogueFixture f(false);
    {
        DbConnection conn;
        ASSERT_TRUE(openCatalogue(f.cat, conn).ok());
        ASSERT_TRUE(conn.exec("CREATE TABLE filelist (x TEXT)").ok());
        ASSERT_TRUE(conn.exec("CREATE VIEW Shown AS SELECT 1").ok());
        ASSERT_TRUE(conn.exec("CREATE TABLE counter (id INTEGER PRIMARY KEY AUTOINCREMENT)").ok());
        ASSERT_TRUE(conn.exec("INSERT INTO counter DEFAULT VALUES").ok());
    }
    EXPECT_FALSE(fncNoTable(f.cat, "filelist"));
    EXPECT_TRUE(fncNoTable(f.cat, "FileList"));
    EXPECT_TRUE(fncNoTable(f.cat, "Shown"));
    EXPECT_TRUE(fncNoTable(f.cat, "sqlite_sequence"));
    // The engine refuses the table whose name differs only in case.
    Status s = fncCreateTable(f.cat, "FileList");
    ASSERT_FALSE(s.ok());
    EXPECT_NE(s.error().description.find("already exists"), std::string::npos);
}

TEST(Schema, ColumnMaximaAreEnforcedInCharacters) {
    CatalogueFixture f;
    std::string title;
    for (int i = 0; i < 4096; ++i)
        title += "あ";  // 4,096 characters, 12,288 bytes
    EXPECT_NO_THROW(f.addRow({title}));
    EXPECT_THROW(f.addRow({title + "あ"}), std::runtime_error);
    EXPECT_NO_THROW(f.addRow({"", "", "", std::string(20, '1'), "2004-05-06"}));
    EXPECT_THROW(f.addRow({"", "", "", std::string(21, '1')}), std::runtime_error);
    EXPECT_THROW(f.addRow({"", "", "", "", "", "", "", "1000"}), std::runtime_error);  // GenreNo
    EXPECT_EQ(f.column("SELECT count(*) FROM FileList"), std::vector<std::string>{"2"});
    Record r;
    r.Comment = std::string(4097, 'c');
    EXPECT_EQ(tooLongValue(r), "コメントが長すぎます（4097文字、最大4096文字）");
    r.Comment.clear();
    r.GenreNo = "1234";
    EXPECT_EQ(tooLongValue(r), "ジャンル番号が長すぎます（4文字、最大3文字）");
}

TEST(Schema, ACatalogueOfAnEarlierBuildIsMigratedWithItsRows) {
    CatalogueFixture f(false);
    {
        DbConnection conn;
        ASSERT_TRUE(openCatalogue(f.cat, conn).ok());
        std::string old = "CREATE TABLE FileList (";
        for (const Column& c : kColumns) {
            const std::string n(c.name);
            old +=
                n + " TEXT CHECK (length(" + n + ") <= " + (n == "Comment" ? "30" : "200") + "), ";
        }
        old.replace(old.size() - 2, 2, ")");
        ASSERT_TRUE(conn.exec(old).ok());
        ASSERT_TRUE(conn.exec("CREATE TABLE List (Title TEXT CHECK (length(Title) <= 1))").ok());
    }
    f.addRow({"kept", "", "", "", "", "", "", "", "c"});
    EXPECT_THROW(f.addRow({"long", "", "", "", "", "", "", "", std::string(31, 'c')}),
                 std::runtime_error);
    ASSERT_TRUE(subCreateTables(f.cat));
    f.addRow({"long", "", "", "", "", "", "", "", std::string(31, 'c')});
    EXPECT_EQ(f.column("SELECT Title FROM FileList ORDER BY rowid"),
              (std::vector<std::string>{"kept", "long"}));
    EXPECT_EQ(f.column("SELECT count(*) FROM sqlite_master WHERE name = 'FileList_FilePath'"),
              std::vector<std::string>{"1"});
    // A table of other columns is not ours to rebuild.
    EXPECT_EQ(
        f.column("SELECT sql FROM sqlite_master WHERE name = 'List'"),
        std::vector<std::string>{"CREATE TABLE List (Title TEXT CHECK (length(Title) <= 1))"});
    EXPECT_TRUE(f.toolkit.messages.empty());
}

TEST(Connection, AMissingCatalogueIsReportedAndNeverCreated) {
    CatalogueFixture f(false);
    std::filesystem::remove(f.dbPath());
    EXPECT_FALSE(fncNoTable(f.cat, "FileList"));  // nothing to create in a missing file
    EXPECT_TRUE(f.toolkit.messages.empty());
    DbConnection conn;
    EXPECT_FALSE(fncDbOpen(f.cat, conn));
    ASSERT_EQ(f.toolkit.messages.size(), 1u);
    EXPECT_EQ(f.toolkit.messages[0].prompt,
              "fncDbOpen : エラー :  14が発生しました。 : unable to open database fileSQLite");
    EXPECT_EQ(f.toolkit.messages[0].buttons, MsgButtons::Ok);
    EXPECT_FALSE(std::filesystem::exists(f.dbPath()));
    EXPECT_EQ(fncDbReadCount(f.cat, "FileList"), 0);
}

TEST(Connection, AFileThatIsNotADatabaseIsReportedAndLeftAlone) {
    CatalogueFixture f(false);
    writeText(f.dbPath(), "This is a text file, not a catalogue.\n");
    Bytes before = readFile(f.dbPath());
    DbConnection conn;
    EXPECT_FALSE(fncDbOpen(f.cat, conn));
    ASSERT_EQ(f.toolkit.messages.size(), 1u);
    EXPECT_NE(f.toolkit.messages[0].prompt.find("file is not a database"), std::string::npos);
    // An unreadable catalogue counts as holding the table, so nothing is created.
    EXPECT_FALSE(fncNoTable(f.cat, "FileList"));
    EXPECT_TRUE(fncCreateTable(f.cat, "FileList").ok());
    EXPECT_EQ(readFile(f.dbPath()), before);
}

TEST(Connection, ACatalogueRemovedWhileOpenIsReportedOnTheNextOpen) {
    CatalogueFixture f;
    f.addRow({"kept"});
    EXPECT_EQ(fncDbReadCount(f.cat, "FileList"), 1);
    std::filesystem::remove(f.dbPath());
    EXPECT_EQ(fncDbReadCount(f.cat, "FileList"), 0);
    ASSERT_EQ(f.toolkit.messages.size(), 1u);
    EXPECT_EQ(f.toolkit.messages[0].prompt.rfind("fncDbOpen : ", 0), 0u);
    // A new file in its place is a new catalogue, also when it was moved there.
    writeText(f.dbPath(), "");
    EXPECT_TRUE(fncNoTable(f.cat, "FileList"));
    ASSERT_TRUE(fncCreateTable(f.cat, "FileList").ok());
    std::filesystem::copy_file(f.dbPath(), f.dbPath() + ".other");
    f.addRow({"only in the first"});
    std::filesystem::rename(f.dbPath() + ".other", f.dbPath());
    EXPECT_EQ(fncDbReadCount(f.cat, "FileList"), 0);
}

TEST(Connection, AReadOnlyCatalogueCanBeReadButNotChanged) {
    CatalogueFixture f;
    f.addRow({"a"});
    f.cat.engine().close();
    openUp(f.dir.path());
    std::filesystem::permissions(f.dbPath(), std::filesystem::perms::owner_read |
                                                 std::filesystem::perms::group_read |
                                                 std::filesystem::perms::others_read);
    Bytes before = readFile(f.dbPath());
    int result = runUnprivileged([&] {
        ScriptedToolkit tk;
        Catalogue cat(tk);
        cat.gstrAppPath = f.cat.gstrAppPath;
        cat.gstrDbName = f.cat.gstrDbName;
        if (fncDbReadCount(cat, "FileList") != 1) return 1;
        if (!tk.messages.empty()) return 2;
        Status created = fncCreateTable(cat, "List");
        if (created.ok()) return 3;
        if (created.error().description.find("readonly") == std::string::npos) return 4;
        return 0;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(readFile(f.dbPath()), before);
}

TEST(Batch, RowsOfABatchAreStoredAndAFailedRowLeavesTheOthers) {
    CatalogueFixture f;
    {
        BatchScope batch(f.cat);
        f.addRow({"one"});
        EXPECT_THROW(f.addRow({"", "", "", "", "", "", "", "", std::string(4097, 'x')}),
                     std::runtime_error);
        f.addRow({"two"});
    }
    f.cat.engine().close();
    EXPECT_EQ(f.column("SELECT Title FROM FileList ORDER BY rowid"),
              (std::vector<std::string>{"one", "two"}));
}

TEST(Batch, CommitsWhileItRunsSoOtherConnectionsSeeTheRows) {
    CatalogueFixture f;
    f.cat.engine().commitInterval = std::chrono::milliseconds(0);
    BatchScope batch(f.cat);
    f.addRow({"early"});
    // A separate SQLite connection sees only committed rows.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open_v2(f.dbPath().c_str(), &other, SQLITE_OPEN_READONLY, nullptr),
              SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(other, "SELECT count(*) FROM FileList", -1, &st, nullptr);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(st, 0), 1);
    sqlite3_finalize(st);
    sqlite3_close(other);
}

}  // namespace
}  // namespace tagshelf::test

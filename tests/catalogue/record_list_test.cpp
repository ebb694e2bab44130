#include <gtest/gtest.h>

#include "tests/support/catalogue_fixture.h"

namespace tagshelf::test {
namespace {

TEST(RecordList, LoadsEveryRowInStoredOrderWithASpareEntry) {
    CatalogueFixture f;
    f.addRow({"b", "artist b", "album", "1", "2001", "1225", "ロック", "17", "c", "0", "ID3v23",
              "/m/b.mp3"});
    f.addRow({"a"});
    f.addRow({"日本語", "", "", "", "", "", "", "999", "", "1", "ID3v22", "/m/c.mp3"});
    subDbRead(f.state);
    EXPECT_EQ(f.state.glngRecordCount, 3);
    ASSERT_EQ(f.state.records.entries.size(), 4u);
    const Record& r = f.state.records.entries[0];
    EXPECT_EQ(r.Title, "b");
    EXPECT_EQ(r.Artist, "artist b");
    EXPECT_EQ(r.Trak, "1");
    EXPECT_EQ(r.Year, "2001");
    EXPECT_EQ(r.Day, "1225");
    EXPECT_EQ(r.Genre, "ロック");
    EXPECT_EQ(r.GenreNo, "17");
    EXPECT_EQ(r.Comment, "c");
    EXPECT_EQ(r.Encode, "0");
    EXPECT_EQ(r.Version, "ID3v23");
    EXPECT_EQ(r.FilePath, "/m/b.mp3");
    EXPECT_EQ(f.state.records.entries[1].Title, "a");
    EXPECT_EQ(f.state.records.entries[1].Artist, " ");  // stored values are not trimmed
    EXPECT_EQ(f.state.records.entries[2].Title, "日本語");
    EXPECT_EQ(f.state.records.entries[3].FilePath, "");  // the spare entry
    EXPECT_TRUE(f.toolkit.messages.empty());
}

TEST(RecordList, AnEmptyTableLeavesTheListAsItWas) {
    CatalogueFixture f;
    f.state.records.entries.assign(2, Record{});
    f.state.records.entries[0].Title = "kept";
    f.state.glngRecordCount = 5;
    subDbRead(f.state);
    EXPECT_EQ(f.state.glngRecordCount, 0);
    ASSERT_EQ(f.state.records.entries.size(), 2u);
    EXPECT_EQ(f.state.records.entries[0].Title, "kept");
}

TEST(RecordList, AValueLeftOutByAnotherProgramReadsAsEmptyAndTheLoadGoesOn) {
    CatalogueFixture f;
    {
        DbConnection conn;
        ASSERT_TRUE(openCatalogue(f.state, conn).ok());
        ASSERT_TRUE(
            conn.exec("INSERT INTO FileList (Title, FilePath) VALUES ('x', '/a.mp3')").ok());
    }
    f.addRow({"second"});
    subDbRead(f.state);
    EXPECT_EQ(f.state.glngRecordCount, 2);
    EXPECT_EQ(f.state.records.entries[0].Artist, "");
    EXPECT_EQ(f.state.records.entries[0].FilePath, "/a.mp3");
    EXPECT_EQ(f.state.records.entries[1].Title, "second");
    EXPECT_TRUE(f.toolkit.messages.empty());
}

TEST(RecordList, CountsTablesAndSelectStatements) {
    CatalogueFixture f;
    f.addRow({"a", "x"});
    f.addRow({"b", "y"});
    f.addRow({"c", "x"});
    EXPECT_EQ(fncDbReadCount(f.state, "FileList"), 3);
    EXPECT_EQ(fncDbReadCount(f.state, "SELECT * FROM FileList WHERE Artist = 'x'"), 2);
    EXPECT_EQ(fncDbReadCount(f.state, "GENRE"), 126);
    EXPECT_TRUE(f.toolkit.messages.empty());
    EXPECT_EQ(fncDbReadCount(f.state, "List"), 0);
    ASSERT_EQ(f.toolkit.messages.size(), 1u);
    EXPECT_EQ(f.toolkit.messages[0].prompt.rfind("fncDbReadCount : エラー :  1が発生しました。", 0),
              0u);
}

TEST(RecordList, ClearEmptiesTheListAndTheCount) {
    CatalogueFixture f;
    f.addRow({"a"});
    subDbRead(f.state);
    subListClear(f.state);
    EXPECT_EQ(f.state.glngRecordCount, 0);
    EXPECT_TRUE(f.state.records.entries.empty());
}

}  // namespace
}  // namespace tagshelf::test

#include <gtest/gtest.h>

#include "tests/support/catalogue_fixture.h"

namespace tagshelf::test {
namespace {

TEST(RecordList, LoadsEveryRowInStoredOrderWithASpareEntry) {
    CatalogueFixture f;
    const std::vector<std::string> first = {"b",    "artist b", "album",  "1",
                                            "2001", "1225",     "ロック", "17",
                                            "c",    "0",        "ID3v23", "/m/b.mp3"};
    f.addRow(first);
    f.addRow({"a"});
    RecordList list;
    EXPECT_EQ(subDbRead(f.cat, list), 2);
    ASSERT_EQ(list.entries.size(), 3u);
    for (std::size_t c = 0; c < kColumns.size(); ++c)
        EXPECT_EQ(list.entries[0].*kColumns[c].member, first[c]) << kColumns[c].name;
    EXPECT_EQ(list.entries[1].Artist, " ");   // stored values are not trimmed
    EXPECT_EQ(list.entries[2].FilePath, "");  // the spare entry
    EXPECT_TRUE(f.toolkit.messages.empty());
}

TEST(RecordList, AnEmptyTableLeavesTheListAsItWasAndNullsReadAsEmpty) {
    CatalogueFixture f;
    RecordList list;
    list.entries.assign(2, Record{});
    list.entries[0].Title = "kept";
    EXPECT_EQ(subDbRead(f.cat, list), 0);
    EXPECT_EQ(list.entries[0].Title, "kept");
    {
        DbConnection conn;
        ASSERT_TRUE(openCatalogue(f.cat, conn).ok());
        ASSERT_TRUE(
            conn.exec("INSERT INTO FileList (Title, FilePath) VALUES ('x', '/a.mp3')").ok());
    }
    f.addRow({"second"});
    EXPECT_EQ(subDbRead(f.cat, list), 2);
    EXPECT_EQ(list.entries[0].Artist, "");
    EXPECT_EQ(list.entries[1].Title, "second");
    EXPECT_TRUE(f.toolkit.messages.empty());
}

TEST(RecordList, CountsTablesAndSelectStatements) {
    CatalogueFixture f;
    f.addRow({"a", "x"});
    f.addRow({"b", "y"});
    f.addRow({"c", "x"});
    EXPECT_EQ(fncDbReadCount(f.cat, "FileList"), 3);
    EXPECT_EQ(fncDbReadCount(f.cat, "SELECT * FROM FileList WHERE Artist = 'x'"), 2);
    EXPECT_EQ(fncDbReadCount(f.cat, "GENRE"), 126);
    EXPECT_TRUE(f.toolkit.messages.empty());
    EXPECT_EQ(fncDbReadCount(f.cat, "List"), 0);
    ASSERT_EQ(f.toolkit.messages.size(), 1u);
    EXPECT_EQ(f.toolkit.messages[0].prompt.rfind("fncDbReadCount : エラー :  1が発生しました。", 0),
              0u);
}

}  // namespace
}  // namespace tagshelf::test

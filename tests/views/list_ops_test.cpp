#include <gtest/gtest.h>

#include "tests/support/catalogue_fixture.h"
#include "views/list_ops.h"

namespace tagshelf::test {
namespace {

class ListOpsTest : public ::testing::Test {
  protected:
    ListOpsTest() {
        f.addRow({"a", "", "", "", "", "", "", "", "", "", "", "/m/a.mp3"});
        f.addRow({"b", "", "", "", "", "", "", "", "", "", "", "/m/it's.mp3"});
        f.addRow({"c", "", "", "", "", "", "", "", "", "", "", "/m/c.mp3"});
    }
    std::vector<std::string> titles() {
        return f.column("SELECT Title FROM FileList ORDER BY rowid");
    }
    CatalogueFixture f;
};

TEST_F(ListOpsTest, DeletingARecordAsksWithTheQuestionIconAndActsOnYesOnly) {
    f.toolkit.answers = {MsgAnswer::No, MsgAnswer::Yes};
    subDbDelete(f.cat, "/m/it's.mp3", "FileList");
    EXPECT_EQ(titles(), (std::vector<std::string>{"a", "b", "c"}));
    subDbDelete(f.cat, "/m/it's.mp3", "FileList");
    EXPECT_EQ(titles(), (std::vector<std::string>{"a", "c"}));
    ASSERT_EQ(f.toolkit.messages.size(), 2u);
    const auto& m = f.toolkit.messages[0];
    EXPECT_EQ(m.prompt, "/m/it's.mp3のレコードを削除しますか？");
    EXPECT_EQ(m.buttons, MsgButtons::YesNo);
    EXPECT_EQ(m.icon, MsgIcon::Question);
    EXPECT_EQ(m.defaultAnswer, MsgAnswer::Yes);
}

TEST_F(ListOpsTest, NothingIsAskedWhenNothingCarriesThePath) {
    subDbDelete(f.cat, "/m/other.mp3", "FileList");
    EXPECT_TRUE(f.toolkit.messages.empty());
    EXPECT_EQ(titles().size(), 3u);
}

TEST_F(ListOpsTest, EmptyingATableAsksByItsNameButTheResultTableIsEmptiedSilently) {
    f.toolkit.answers = {MsgAnswer::No};
    subDbDelete(f.cat, "", "FileList");
    EXPECT_EQ(f.toolkit.prompts(), std::vector<std::string>{"FileListのテーブルを削除しますか？"});
    EXPECT_EQ(titles().size(), 3u);
    f.toolkit.answers = {MsgAnswer::Yes};
    subDbDelete(f.cat, "", "FileList");
    EXPECT_TRUE(titles().empty());
    EXPECT_EQ(fncDbReadCount(f.cat, "GENRE"), 126);  // only FileList's rows go

    ASSERT_TRUE(fncCreateTable(f.cat, "List").ok());
    f.addRow({"x"}, "List");
    f.toolkit.messages.clear();
    subDbDelete(f.cat, "", "List");
    EXPECT_TRUE(f.toolkit.messages.empty());
    EXPECT_EQ(fncDbReadCount(f.cat, "List"), 0);
}

TEST_F(ListOpsTest, AnEmptyTableAsksNothing) {
    f.toolkit.answers = {MsgAnswer::Yes};
    subDbDelete(f.cat, "", "FileList");
    f.toolkit.messages.clear();
    subDbDelete(f.cat, "", "FileList");
    subDbDelete(f.cat, "/m/a.mp3", "FileList");
    EXPECT_TRUE(f.toolkit.messages.empty());
}

TEST_F(ListOpsTest, DroppingTheResultTable) {
    ASSERT_TRUE(fncCreateTable(f.cat, "List").ok());
    subDbDropTable(f.cat, "List");
    EXPECT_TRUE(fncNoTable(f.cat, "List"));
    subDbDropTable(f.cat, "List");  // absent: nothing happens
    EXPECT_TRUE(f.toolkit.messages.empty());
    EXPECT_FALSE(fncNoTable(f.cat, "FileList"));
}

}  // namespace
}  // namespace tagshelf::test

#include <gtest/gtest.h>

#include "tests/support/catalogue_fixture.h"
#include "views/list_ops.h"

namespace tagshelf::test {
namespace {

using Texts = std::vector<std::string>;

class ListOpsTest : public ::testing::Test {
  protected:
    ListOpsTest() {
        for (const char* path : {"/m/a.mp3", "/m/it's.mp3", "/m/c.mp3"})
            f.addRow({path + 3, "", "", "", "", "", "", "", "", "", "", path});
    }
    Texts titles() { return f.column("SELECT Title FROM FileList ORDER BY rowid"); }
    CatalogueFixture f;
};

TEST_F(ListOpsTest, DeletingARecordAsksWithTheQuestionIconAndActsOnYesOnly) {
    f.toolkit.answers = {MsgAnswer::No, MsgAnswer::Yes};
    subDbDelete(f.cat, "/m/it's.mp3", "FileList");
    EXPECT_EQ(titles().size(), 3u);
    subDbDelete(f.cat, "/m/it's.mp3", "FileList");
    EXPECT_EQ(titles(), (Texts{"a.mp3", "c.mp3"}));
    ASSERT_EQ(f.toolkit.messages.size(), 2u);
    const auto& m = f.toolkit.messages[0];
    EXPECT_EQ(m.prompt, "/m/it's.mp3のレコードを削除しますか？");
    EXPECT_EQ(m.buttons, MsgButtons::YesNo);
    EXPECT_EQ(m.icon, MsgIcon::Question);
    EXPECT_EQ(m.defaultAnswer, MsgAnswer::Yes);
}

TEST_F(ListOpsTest, EmptyingATableAsksByItsNameButTheResultTableIsEmptiedSilently) {
    subDbDelete(f.cat, "/m/other.mp3", "FileList");  // no row carries it: nothing asked
    EXPECT_TRUE(f.toolkit.messages.empty());
    f.toolkit.answers = {MsgAnswer::No, MsgAnswer::Yes};
    subDbDelete(f.cat, "", "FileList");
    EXPECT_EQ(titles().size(), 3u);
    subDbDelete(f.cat, "", "FileList");
    EXPECT_TRUE(titles().empty());
    EXPECT_EQ(f.toolkit.prompts(), Texts(2, "FileListのテーブルを削除しますか？"));
    EXPECT_EQ(fncDbReadCount(f.cat, "GENRE"), 126);  // only FileList's rows go
    subDbDelete(f.cat, "", "FileList");  // an empty table: nothing asked
    subDbDelete(f.cat, "/m/a.mp3", "FileList");
    EXPECT_EQ(f.toolkit.messages.size(), 2u);

    ASSERT_TRUE(fncCreateTable(f.cat, "List").ok());
    f.addRow({"x"}, "List");
    subDbDelete(f.cat, "", "List");
    EXPECT_EQ(f.toolkit.messages.size(), 2u);
    EXPECT_EQ(fncDbReadCount(f.cat, "List"), 0);
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

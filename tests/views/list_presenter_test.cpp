#include <gtest/gtest.h>

#include "tests/support/catalogue_fixture.h"
#include "views/list_ops.h"
#include "views/list_presenter.h"

namespace tagshelf::test {
namespace {

using Texts = std::vector<std::string>;

class ListPresenterTest : public ::testing::Test {
  protected:
    void addPaths(std::initializer_list<const char*> paths, const char* title = "t") {
        for (const char* p : paths)
            f.addRow({title, "", "", "", "", "", "", "", "", "", "", p});
    }
    Texts shownPaths() const {
        Texts out;
        for (std::int64_t r = 1; r <= list.count(); ++r)
            out.push_back(list.recordAt(r)->FilePath);
        return out;
    }
    CatalogueFixture f;
    ListPresenter list{f.cat};
};

TEST_F(ListPresenterTest, LoadShowsEveryColumnAndTheCatalogueInStoredOrder) {
    GridUpdate empty = list.load();
    EXPECT_TRUE(empty.columns && empty.countLabel && !empty.rows);
    EXPECT_EQ(list.countText(), "レコード件数：0件");
    EXPECT_EQ(list.visibleColumns(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    addPaths({"/b.mp3", "/a.mp3"});
    GridUpdate full = list.load();
    EXPECT_TRUE(full.columns && full.rows && full.countLabel);
    EXPECT_EQ(shownPaths(), (Texts{"/b.mp3", "/a.mp3"}));
    EXPECT_EQ(list.countText(), "レコード件数：2件");
    EXPECT_EQ(list.recordAt(0), nullptr);
    EXPECT_EQ(list.recordAt(3), nullptr);
}

TEST_F(ListPresenterTest, AClickShowsThePathAndDeletingAsksAndReloads) {
    addPaths({"/m/a.mp3", "/m/it's.mp3"});
    list.load();
    EXPECT_EQ(list.statusTextFor(2), "/m/it's.mp3");
    EXPECT_EQ(list.statusTextFor(3), "");
    f.toolkit.answers = {MsgAnswer::Yes, MsgAnswer::Yes};
    GridUpdate update = list.deleteRecord(2);
    EXPECT_EQ(f.toolkit.prompts(), Texts{"/m/it's.mp3のレコードを削除しますか？"});
    EXPECT_TRUE(update.columns && update.rows && update.countLabel);
    EXPECT_EQ(shownPaths(), Texts{"/m/a.mp3"});
    EXPECT_EQ(list.countText(), "レコード件数：1件");
    // Deleting the only record empties the grid; with no record nothing is asked.
    update = list.deleteRecord(1);
    EXPECT_TRUE(update.columns && !update.rows);
    EXPECT_EQ(list.countText(), "レコード件数：0件");
    EXPECT_FALSE(list.deleteRecord(1).columns);
    EXPECT_EQ(list.statusTextFor(1), "");
    EXPECT_EQ(f.toolkit.messages.size(), 2u);
}

TEST_F(ListPresenterTest, EmptyingAnsweredNoReloadsAndYesEmptiesTheView) {
    addPaths({"/1.mp3", "/2.mp3", "/3.mp3"});
    list.load();
    f.toolkit.answers = {MsgAnswer::No, MsgAnswer::Yes};
    GridUpdate no = list.emptyCatalogue();
    EXPECT_EQ(f.toolkit.prompts(), Texts{"FileListのテーブルを削除しますか？"});
    EXPECT_TRUE(no.rows && no.clearStatus && !no.countLabel);
    EXPECT_EQ(list.count(), 3);
    GridUpdate yes = list.emptyCatalogue();
    EXPECT_TRUE(yes.columns && yes.countLabel && yes.clearStatus && !yes.rows);
    EXPECT_EQ(fncDbReadCount(f.cat, "FileList"), 0);
    EXPECT_EQ(list.countText(), "レコード件数：0件");
    list.emptyCatalogue();  // on an empty catalogue nothing is asked
    EXPECT_EQ(f.toolkit.messages.size(), 2u);
}

TEST_F(ListPresenterTest, RefreshingShowsRowsAddedAndEmptiesWithTheCatalogue) {
    list.load();
    EXPECT_FALSE(list.refresh().columns);  // nothing shown, nothing to show
    addPaths({"/a.mp3"});
    EXPECT_TRUE(list.refresh().rows);
    EXPECT_EQ(shownPaths(), Texts{"/a.mp3"});
    f.exec("DELETE FROM FileList");
    EXPECT_TRUE(list.showWholeCatalogue().countLabel);
    EXPECT_EQ(list.count(), 0);
    EXPECT_FALSE(list.searchMode());
}

TEST_F(ListPresenterTest, AnEditRefreshesASearchResultByRunningTheSearchAgain) {
    addPaths({"/1.mp3"}, "apple");
    addPaths({"/2.mp3"}, "banana");
    addPaths({"/3.mp3"}, "cherry");
    list.load();
    ASSERT_TRUE(list.search("an").rows);
    ASSERT_EQ(shownPaths(), Texts{"/2.mp3"});
    f.exec("UPDATE FileList SET Title = 'mango' WHERE FilePath = '/3.mp3'");
    GridUpdate update = list.refreshAfterEdit("an");
    EXPECT_TRUE(update.columns && update.rows && list.searchMode());
    EXPECT_EQ(shownPaths(), (Texts{"/2.mp3", "/3.mp3"}));
    EXPECT_EQ(list.countText(), "レコード件数：3件");  // a search leaves the label alone
}

class ListOpsTest : public ListPresenterTest {
  protected:
    ListOpsTest() { addPaths({"/m/a.mp3", "/m/it's.mp3", "/m/c.mp3"}); }
    Texts paths() { return f.column("SELECT FilePath FROM FileList ORDER BY rowid"); }
};

TEST_F(ListOpsTest, DeletingARecordAsksWithTheQuestionIconAndActsOnYesOnly) {
    f.toolkit.answers = {MsgAnswer::No, MsgAnswer::Yes};
    subDbDelete(f.cat, "/m/it's.mp3", "FileList");
    EXPECT_EQ(paths().size(), 3u);
    subDbDelete(f.cat, "/m/it's.mp3", "FileList");
    EXPECT_EQ(paths(), (Texts{"/m/a.mp3", "/m/c.mp3"}));
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
    EXPECT_EQ(paths().size(), 3u);
    subDbDelete(f.cat, "", "FileList");
    EXPECT_TRUE(paths().empty());
    EXPECT_EQ(f.toolkit.prompts(), Texts(2, "FileListのテーブルを削除しますか？"));
    EXPECT_EQ(fncDbReadCount(f.cat, "GENRE"), 126);  // only FileList's rows go
    subDbDelete(f.cat, "", "FileList");              // an empty table: nothing asked
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

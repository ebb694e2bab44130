// Search and sort through the list presenter, on a small catalogue.
#include <gtest/gtest.h>

#include "tests/support/catalogue_fixture.h"
#include "views/list_ops.h"
#include "views/list_presenter.h"
#include "views/sort.h"

namespace tagshelf::test {
namespace {

using Titles = std::vector<std::string>;

class SearchSortTest : public ::testing::Test {
  protected:
    SearchSortTest() {
        // Title, Artist, Album, Trak, Year, Day, Genre, GenreNo, Comment, Encode,
        // Version, FilePath.
        f.addRow({"Rain", "Rainbow", "b", "2", "", "", "", "1", "", "0", "ID3v1", "/a.mp3"});
        f.addRow({"Sun", "rain man", "a", "", "", "", "", "", "", "1", "NONE", "/b.mp3"});
        f.addRow(
            {"100% Pure", "a_b", "c", "10", "", "", "", "", "it's *", "0", "ID3v23", "/c.mp3"});
        f.addRow({"ÄRGER", "Ｒａｉｎ", "a", "2", "", "", "", "", "", " ", "NONE", "/rain.mp3"});
        // Another program stored /a.mp3 twice.
        f.addRow({"Twin", "", "rain", "", "", "", "", "", "", "", "", "/a.mp3"});
        list.load();
    }
    Titles shown() const {
        Titles out;
        for (std::int64_t r = 1; r <= list.count(); ++r)
            out.push_back(list.recordAt(r)->Title);
        return out;
    }
    Titles resultTable() { return f.column("SELECT Title FROM List ORDER BY rowid"); }

    CatalogueFixture f;
    ListPresenter list{f.cat};
};

TEST_F(SearchSortTest, HitsComeInPassOrderOncePerPathMatchedLiterally) {
    const std::pair<const char*, Titles> cases[] = {
        // Title pass first, then the artist hits not yet listed; the album hit
        // "Twin" carries a path already listed; full-width letters don't fold.
        {"rain", {"Rain", "Sun"}},
        {"RAIN", {"Rain", "Sun"}},
        // Encode "1" and the Version names are searched as stored; GenreNo isn't.
        {"1", {"100% Pure", "Sun", "Rain"}},
        {"ID3", {"Rain", "100% Pure"}},
        {"%", {"100% Pure"}},
        {"_", {"100% Pure"}},
        {"*", {"100% Pure"}},
        {"'", {"100% Pure"}},
        {"Ä", {"ÄRGER"}},
        {"ä", {}},  // only ASCII letters ignore their case
        {"a%", {}},
    };
    for (const auto& [text, titles] : cases) {
        f.toolkit.messages.clear();
        list.showWholeCatalogue();
        GridUpdate update = list.search(text);
        if (titles.empty()) {
            EXPECT_EQ(f.toolkit.prompts(), std::vector<std::string>{"検索結果0件です"}) << text;
            EXPECT_FALSE(list.searchMode()) << text;
            EXPECT_EQ(list.count(), 5) << text;
            continue;
        }
        EXPECT_TRUE(update.rows && !update.columns && !update.countLabel) << text;
        EXPECT_TRUE(list.searchMode()) << text;
        EXPECT_EQ(shown(), titles) << text;
        EXPECT_EQ(resultTable(), titles) << text;
        EXPECT_TRUE(f.toolkit.messages.empty()) << text;
    }
    EXPECT_EQ(list.countText(), "レコード件数：5件");
}

TEST_F(SearchSortTest, AnEmptyTextOrCatalogueDoesNothing) {
    EXPECT_FALSE(list.search("").rows);
    CatalogueFixture empty;
    ListPresenter none(empty.cat);
    EXPECT_FALSE(none.search("rain").rows);
    EXPECT_TRUE(f.toolkit.messages.empty() && empty.toolkit.messages.empty());
    EXPECT_TRUE(fncNoTable(f.cat, "List"));
}

TEST_F(SearchSortTest, WhenNothingIsFoundOrAStepFailsTheListShownStays) {
    ASSERT_TRUE(list.search("rain").rows);
    const auto checkStill = [&](const char* step) {
        EXPECT_TRUE(list.searchMode()) << step;
        EXPECT_EQ(shown(), (Titles{"Rain", "Sun"})) << step;
        EXPECT_EQ(resultTable(), (Titles{"Rain", "Sun"})) << step;
    };
    EXPECT_FALSE(list.search("zzz").rows);
    checkStill("nothing found");

    // The result table refuses a row half-way: none of the new rows stay.
    {
        DbConnection conn;
        ASSERT_TRUE(openCatalogue(f.cat, conn).ok());
        ASSERT_TRUE(conn.exec("CREATE TRIGGER refuse BEFORE INSERT ON List WHEN NEW.Title = "
                              "'Sun' BEGIN SELECT RAISE(ABORT, 'refused'); END")
                        .ok());
    }
    f.toolkit.messages.clear();
    EXPECT_FALSE(list.search("1").rows);
    ASSERT_EQ(f.toolkit.messages.size(), 2u);
    EXPECT_EQ(f.toolkit.messages[0].prompt.rfind("fncInWk : エラー : ", 0), 0u);
    EXPECT_EQ(f.toolkit.messages[1].prompt, "ワークテーブルへのデータ挿入に失敗しました");
    checkStill("fill failed");

    // From the whole catalogue: a result table that can't be made.
    list.showWholeCatalogue();
    subDbDropTable(f.cat, "List");
    {
        DbConnection conn;
        ASSERT_TRUE(openCatalogue(f.cat, conn).ok());
        ASSERT_TRUE(conn.exec("CREATE TABLE list (x)").ok());
    }
    f.toolkit.messages.clear();
    EXPECT_FALSE(list.search("rain").rows);
    EXPECT_EQ(f.toolkit.prompts().back(), "テーブルの作成に失敗しました（#WK_List）");
    EXPECT_FALSE(list.searchMode());
    EXPECT_EQ(list.count(), 5);
}

TEST_F(SearchSortTest, SortingReadsTheListShownInTextOrderAndTheChoiceStays) {
    const std::pair<const char*, Titles> cases[] = {
        // "10" before "2"; equal values keep their stored order.
        {"トラック", {"Sun", "Twin", "100% Pure", "Rain", "ÄRGER"}},
        {"アルバム", {"Sun", "ÄRGER", "Rain", "100% Pure", "Twin"}},
        {"ファイルパス", {"Rain", "Twin", "Sun", "100% Pure", "ÄRGER"}},
    };
    for (const auto& [caption, titles] : cases) {
        GridUpdate update = list.sort(caption);
        EXPECT_TRUE(update.columns && update.rows) << caption;
        EXPECT_EQ(shown(), titles) << caption;
        EXPECT_EQ(list.sortCaption(), caption);
    }
    // A search sorts its hits by the remembered column; a sort in search mode
    // sorts only the hits.
    list.search("rain");
    EXPECT_EQ(shown(), (Titles{"Rain", "Sun"}));
    list.sort("アルバム");
    EXPECT_EQ(shown(), (Titles{"Sun", "Rain"}));
    list.search("1");
    EXPECT_EQ(shown(), (Titles{"Sun", "Rain", "100% Pure"}));
    // Going back shows the stored order and keeps the column for the next search.
    list.showWholeCatalogue();
    EXPECT_EQ(shown(), (Titles{"Rain", "Sun", "100% Pure", "ÄRGER", "Twin"}));
    EXPECT_EQ(list.sortCaption(), "アルバム");
}

TEST_F(SearchSortTest, NewColumnsRedrawASearchResultAndReloadTheCatalogueOtherwise) {
    list.search("rain");
    std::array<bool, kDataColumns> visible{};
    visible[2] = true;
    GridUpdate update = list.showColumns(visible);
    EXPECT_TRUE(update.columns && update.rows && !update.countLabel);
    EXPECT_TRUE(list.searchMode());
    EXPECT_EQ(shown(), (Titles{"Rain", "Sun"}));
    EXPECT_EQ(list.visibleCaptions(), std::vector<std::string>{"アルバム"});
    list.showWholeCatalogue();
    EXPECT_TRUE(list.showColumns(visible).countLabel);
    EXPECT_EQ(list.count(), 5);
}

TEST(FieldNames, CaptionsMapToTheirColumnsAndNothingElse) {
    EXPECT_EQ(fncFieldName("アルバム"), "Album");
    EXPECT_EQ(fncFieldName("Version"), "Version");
    EXPECT_EQ(fncFieldName("ファイルパス"), "FilePath");
    EXPECT_EQ(fncFieldName("Album"), "");
    EXPECT_EQ(fncFieldName(""), "");  // GenreNo has no caption
    EXPECT_EQ(captionOf("Trak"), "トラック");
    EXPECT_EQ(captionOf("GenreNo"), "");
}

}  // namespace
}  // namespace tagshelf::test

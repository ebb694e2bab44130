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
        // Version, FilePath; the last row repeats the first one's path.
        f.addRow({"Rain", "Rainbow", "b", "2", "", "", "", "1", "", "0", "ID3v1", "/a.mp3"});
        f.addRow({"Sun", "rain man", "a", "", "", "", "", "", "", "1", "NONE", "/b.mp3"});
        f.addRow(
            {"100% Pure", "a_b", "c", "10", "", "", "", "", "it's *", "0", "ID3v23", "/c.mp3"});
        f.addRow({"ÄRGER", "Ｒａｉｎ", "a", "2", "", "", "", "", "", " ", "NONE", "/rain.mp3"});
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
    const Titles stored{"Rain", "Sun", "100% Pure", "ÄRGER", "Twin"};
};

TEST_F(SearchSortTest, HitsComeInPassOrderOncePerPathMatchedLiterally) {
    const std::pair<const char*, Titles> cases[] = {
        // Titles first, then the artist hits not yet listed; "Twin" (album) has a
        // path already listed; full-width letters don't fold; paths aren't searched.
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
        const GridUpdate update = list.search(text);
        const bool found = !titles.empty();
        EXPECT_TRUE(update.rows == found && list.searchMode() == found) << text;
        EXPECT_FALSE(update.columns || update.countLabel) << text;
        EXPECT_EQ(shown(), found ? titles : stored) << text;
        EXPECT_EQ(found ? resultTable() : titles, titles) << text;
        EXPECT_EQ(f.toolkit.messages.size(), found ? 0u : 1u) << text;
    }
    // Nothing happens for an empty text or catalogue.
    EXPECT_FALSE(list.search("").rows);
    CatalogueFixture empty;
    EXPECT_FALSE(ListPresenter(empty.cat).search("rain").rows);
    EXPECT_TRUE(empty.toolkit.messages.empty() && fncNoTable(empty.cat, "List"));
}

TEST_F(SearchSortTest, WhenNothingIsFoundOrAStepFailsTheListShownStays) {
    ASSERT_TRUE(list.search("rain").rows);
    EXPECT_FALSE(list.search("zzz").rows);
    EXPECT_EQ(f.toolkit.prompts(), std::vector<std::string>{"検索結果0件です"});
    // The result table refuses a row half-way: none of the new rows stay.
    f.exec(
        "CREATE TRIGGER refuse BEFORE INSERT ON List WHEN NEW.Title = 'Sun' "
        "BEGIN SELECT RAISE(ABORT, 'refused'); END");
    EXPECT_FALSE(list.search("1").rows);
    EXPECT_EQ(f.toolkit.messages[1].prompt.rfind("fncInWk : エラー : ", 0), 0u);
    EXPECT_EQ(f.toolkit.prompts().back(), "ワークテーブルへのデータ挿入に失敗しました");
    EXPECT_TRUE(list.searchMode());
    EXPECT_EQ(shown(), (Titles{"Rain", "Sun"}));
    EXPECT_EQ(resultTable(), (Titles{"Rain", "Sun"}));

    // A result table that can't be made, from the whole catalogue.
    list.showWholeCatalogue();
    subDbDropTable(f.cat, "List");
    f.exec("CREATE TABLE list (x)");
    EXPECT_FALSE(list.search("rain").rows);
    EXPECT_EQ(f.toolkit.prompts().back(), "テーブルの作成に失敗しました（#WK_List）");
    EXPECT_FALSE(list.searchMode());
    EXPECT_EQ(list.count(), 5);
}

TEST_F(SearchSortTest, SortingShowsTheListInTextOrderAndTheChoiceStays) {
    const std::pair<const char*, Titles> cases[] = {
        // "10" before "2"; equal values keep their stored order.
        {"トラック", {"Sun", "Twin", "100% Pure", "Rain", "ÄRGER"}},
        {"アルバム", {"Sun", "ÄRGER", "Rain", "100% Pure", "Twin"}},
        {"ファイルパス", {"Rain", "Twin", "Sun", "100% Pure", "ÄRGER"}},
    };
    for (const auto& [caption, titles] : cases) {
        EXPECT_TRUE(list.sort(caption).columns) << caption;
        EXPECT_EQ(shown(), titles) << caption;
    }
    // A search sorts its hits by the remembered column; a sort in search mode
    // sorts only the hits.
    list.search("rain");
    EXPECT_EQ(shown(), (Titles{"Rain", "Sun"}));
    list.sort("アルバム");
    EXPECT_EQ(shown(), (Titles{"Sun", "Rain"}));
    list.search("1");
    EXPECT_EQ(shown(), (Titles{"Sun", "Rain", "100% Pure"}));
    // Going back shows the stored order and keeps the column.
    list.showWholeCatalogue();
    EXPECT_EQ(shown(), stored);
    EXPECT_EQ(list.sortCaption(), "アルバム");
    EXPECT_EQ(fncFieldName("アルバム") + fncFieldName("Album") + fncFieldName(""), "Album");
    // New columns redraw a search result (and keep it); otherwise the catalogue.
    list.search("rain");
    std::array<bool, kDataColumns> visible{};
    visible[2] = true;
    GridUpdate update = list.showColumns(visible);
    EXPECT_TRUE(update.columns && update.rows && !update.countLabel && list.searchMode());
    EXPECT_EQ(shown(), (Titles{"Sun", "Rain"}));
    EXPECT_EQ(list.visibleCaptions(), std::vector<std::string>{"アルバム"});
    list.showWholeCatalogue();
    EXPECT_TRUE(list.showColumns(visible).countLabel);
    EXPECT_EQ(captionOf("Trak") + captionOf("GenreNo"), "トラック");
}

}  // namespace
}  // namespace tagshelf::test

// The list presenter and the list operations on small catalogues: loading,
// deleting, emptying, refreshing, search, sort, columns and the CSV file (byte for
// byte, and when it can't be written).
#include <sys/stat.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "core/file_ops.h"

#include "tests/id3/write_scenarios.h"
#include "tests/support/catalogue_fixture.h"
#include "views/list_ops.h"
#include "views/list_presenter.h"
#include "views/sort.h"

namespace tagshelf::test {
namespace {

class ListPresenterTest : public ::testing::Test {
  protected:
    void addPaths(std::initializer_list<const char*> paths) {
        for (const char* p : paths)
            f.addRow({"t", "", "", "", "", "", "", "", "", "", "", p});
    }
    // The values of one column of the rows shown.
    Texts shown(std::string Record::*column = &Record::Title) const {
        Texts out;
        for (std::int64_t r = 1; r <= list.count(); ++r)
            out.push_back(list.recordAt(r)->*column);
        return out;
    }
    CatalogueFixture f;
    ListPresenter list{f.cat};
};

TEST_F(ListPresenterTest, LoadShowsEveryColumnInStoredOrderAndEmptyingAsksFirst) {
    EXPECT_FALSE(list.load().rows);
    addPaths({"/b.mp3", "/a.mp3"});
    GridUpdate full = list.load();
    EXPECT_TRUE(full.columns && full.rows && full.countLabel);
    EXPECT_EQ(list.visibleColumns(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(shown(&Record::FilePath), (Texts{"/b.mp3", "/a.mp3"}));
    EXPECT_EQ(list.countText(), "レコード件数：2件");
    EXPECT_TRUE(!list.recordAt(0) && !list.recordAt(3));
    // Emptying the catalogue answered No reloads; Yes empties the view.
    f.toolkit.answers = {MsgAnswer::No, MsgAnswer::Yes};
    GridUpdate no = list.emptyCatalogue();
    EXPECT_TRUE(no.rows && no.clearStatus && !no.countLabel);
    GridUpdate yes = list.emptyCatalogue();
    EXPECT_TRUE(yes.columns && yes.countLabel && yes.clearStatus && !yes.rows);
    EXPECT_EQ(list.countText(), "レコード件数：0件");
}

TEST_F(ListPresenterTest, DeletingAsksWithTheQuestionIconAndActsOnYesOnly) {
    addPaths({"/m/a.mp3", "/m/it's.mp3", "/m/c.mp3"});
    auto paths = [&] { return f.column("SELECT FilePath FROM FileList ORDER BY rowid"); };
    subDbDelete(f.cat, "/m/other.mp3", "FileList");  // no row carries it: nothing asked
    f.toolkit.answers = {MsgAnswer::No, MsgAnswer::Yes, MsgAnswer::Yes};
    subDbDelete(f.cat, "/m/it's.mp3", "FileList");
    subDbDelete(f.cat, "/m/it's.mp3", "FileList");
    EXPECT_EQ(paths(), (Texts{"/m/a.mp3", "/m/c.mp3"}));
    const auto& m = f.toolkit.messages.at(0);
    EXPECT_TRUE(m.buttons == MsgButtons::YesNo && m.icon == MsgIcon::Question &&
                m.defaultAnswer == MsgAnswer::Yes);
    // A whole table is asked about by its name; the result table is emptied silently.
    subDbDelete(f.cat, "", "FileList");
    EXPECT_TRUE(paths().empty());
    EXPECT_EQ(f.toolkit.prompts(), (Texts{"/m/it's.mp3のレコードを削除しますか？",
                                          "/m/it's.mp3のレコードを削除しますか？",
                                          "FileListのテーブルを削除しますか？"}));
    EXPECT_EQ(fncDbReadCount(f.cat, "GENRE"), 126);
    ASSERT_TRUE(fncCreateTable(f.cat, "List").ok());
    f.addRow({"x"}, "List");
    subDbDelete(f.cat, "", "List");
    EXPECT_EQ(f.toolkit.messages.size(), 3u);
    EXPECT_EQ(fncDbReadCount(f.cat, "List"), 0);
}

class SearchSortTest : public ListPresenterTest {
  protected:
    SearchSortTest() {
        // The last row repeats the first one's path.
        f.addRow({"Rain", "Rainbow", "b", "2", "", "", "", "1", "", "0", "ID3v1", "/a.mp3"});
        f.addRow({"Sun", "rain man", "a", "", "", "", "", "", "", "1", "NONE", "/b.mp3"});
        f.addRow(
            {"100% Pure", "a_b", "c", "10", "", "", "", "", "it's *", "0", "ID3v23", "/c.mp3"});
        f.addRow({"ÄRGER", "Ｒａｉｎ", "a", "2", "", "", "", "", "", " ", "NONE", "/rain.mp3"});
        f.addRow({"Twin", "", "rain", "", "", "", "", "", "", "", "", "/a.mp3"});
        list.load();
    }
    Texts resultTable() { return f.column("SELECT Title FROM List ORDER BY rowid"); }

    const Texts stored{"Rain", "Sun", "100% Pure", "ÄRGER", "Twin"};
};

TEST_F(SearchSortTest, HitsComeInPassOrderOncePerPathMatchedLiterally) {
    const std::pair<const char*, Texts> cases[] = {
        // Texts first, then the artist hits not yet listed; "Twin" (album) has a
        // path already listed; full-width letters don't fold; paths aren't searched.
        {"rain", {"Rain", "Sun"}},
        {"RAIN", {"Rain", "Sun"}},
        // Encode "1" and the Version names are searched as stored; GenreNo isn't.
        {"1", {"100% Pure", "Sun", "Rain"}},
        {"ID3", {"Rain", "100% Pure"}},
        {"%", {"100% Pure"}},
        {"ä", {}},  // only ASCII letters ignore their case
    };
    for (const auto& [text, titles] : cases) {
        f.toolkit.messages.clear();
        list.showWholeCatalogue();
        const GridUpdate update = list.search(text);
        const bool found = !titles.empty();
        EXPECT_TRUE(update.rows == found && list.searchMode() == found) << text;
        EXPECT_EQ(shown(), found ? titles : stored) << text;
        EXPECT_EQ(found ? resultTable() : titles, titles) << text;
        EXPECT_EQ(f.toolkit.messages.size(), found ? 0u : 1u) << text;
    }
}

TEST_F(SearchSortTest, WhenNothingIsFoundOrAStepFailsTheListShownStays) {
    ASSERT_TRUE(list.search("rain").rows);
    EXPECT_FALSE(list.search("zzz").rows);
    EXPECT_EQ(f.toolkit.prompts(), Texts{"検索結果0件です"});
    // The result table refuses a row half-way: none of the new rows stay.
    f.column(
        "CREATE TRIGGER refuse BEFORE INSERT ON List WHEN NEW.Title = 'Sun' "
        "BEGIN SELECT RAISE(ABORT, 'refused'); END");
    EXPECT_FALSE(list.search("1").rows);
    EXPECT_EQ(f.toolkit.messages[1].prompt.rfind("fncInWk : エラー : ", 0), 0u);
    EXPECT_EQ(f.toolkit.prompts().back(), "ワークテーブルへのデータ挿入に失敗しました");
    EXPECT_TRUE(list.searchMode());
    EXPECT_EQ(shown(), (Texts{"Rain", "Sun"}));
    EXPECT_EQ(resultTable(), (Texts{"Rain", "Sun"}));

    // A result table that can't be made, from the whole catalogue.
    list.showWholeCatalogue();
    subDbDropTable(f.cat, "List");
    f.column("CREATE TABLE list (x)");
    EXPECT_FALSE(list.search("rain").rows);
    EXPECT_EQ(f.toolkit.prompts().back(), "テーブルの作成に失敗しました（#WK_List）");
    EXPECT_FALSE(list.searchMode());
    EXPECT_EQ(list.count(), 5);
}

TEST_F(SearchSortTest, SortingShowsTheListInTextOrderAndTheChoiceStays) {
    const std::pair<const char*, Texts> cases[] = {
        // "10" before "2"; equal values keep their stored order.
        {"トラック", {"Sun", "Twin", "100% Pure", "Rain", "ÄRGER"}},
        {"アルバム", {"Sun", "ÄRGER", "Rain", "100% Pure", "Twin"}},
    };
    for (const auto& [caption, titles] : cases) {
        EXPECT_TRUE(list.sort(caption).columns) << caption;
        EXPECT_EQ(shown(), titles) << caption;
    }
    // A search sorts its hits by the column chosen; going back shows the stored order.
    list.search("rain");
    EXPECT_EQ(shown(), (Texts{"Sun", "Rain"}));
    list.showWholeCatalogue();
    EXPECT_EQ(shown(), stored);
    EXPECT_EQ(list.sortCaption(), "アルバム");
    // New columns redraw a search result (and keep it); otherwise the catalogue.
    list.search("rain");
    std::array<bool, kDataColumns> visible{};
    visible[2] = true;
    GridUpdate update = list.showColumns(visible);
    EXPECT_TRUE(update.columns && update.rows && !update.countLabel && list.searchMode());
    EXPECT_EQ(shown(), (Texts{"Sun", "Rain"}));
    EXPECT_EQ(list.visibleCaptions(), Texts{"アルバム"});
}

class CsvExportTest : public ListPresenterTest {
  protected:
    CsvExportTest() {
        f.addRow({"Blue", "歌手", " ", "1", "2003", "1225", "ロック", "17", " ", "0", "ID3v23",
                  "/m/b.mp3"});
        f.addRow({"Amber", "a,b", " ", "2", " ", " ", " ", "255", "say \"hi\"\r\nbye", "1",
                  "ID3v22", "/m/a.mp3"});
        f.addRow({"Coral", "😀", " ", "10", " ", " ", " ", "255", " ", " ", "NONE", "/m/c.mp3"});
        list.load();
    }
    std::string out() const { return f.dir.file("out.csv"); }
};

const std::string kAmber =
    "Amber,\"a,b\", ,2, , , ,255,\"say \"\"hi\"\"\r\nbye\",1,ID3v22,/m/a.mp3\r\n";
const std::string kBlue = "Blue,歌手, ,1,2003,1225,ロック,17, ,0,ID3v23,/m/b.mp3\r\n";

TEST_F(CsvExportTest, WritesEveryColumnInTitleOrderQuotedWhereNeededOverTheChosenFile) {
    std::array<bool, kDataColumns> one{};
    one[0] = true;
    list.showColumns(one);  // hidden columns are written all the same
    list.sort("トラック");  // whatever order the grid shows
    const std::pair<CsvEncoding, std::string> cases[] = {
        {CsvEncoding::Cp932, kAmber +
                                 "Blue,\x89\xcc\x8e\xe8, ,1,2003,1225,\x83\x8d\x83\x62\x83N,17, "
                                 ",0,ID3v23,/m/b.mp3\r\n"
                                 "Coral,?, ,10, , , ,255, , ,NONE,/m/c.mp3\r\n\r\n"},
        {CsvEncoding::Utf8, kAmber + kBlue + "Coral,😀, ,10, , , ,255, , ,NONE,/m/c.mp3\r\n\r\n"},
    };
    for (const auto& [encoding, bytes] : cases) {
        ASSERT_TRUE(list.writeCsv(out(), encoding));
        EXPECT_EQ(readText(out()), bytes);
    }
    // The menu item asks for the file and overwrites it without a question.
    writeText(out(), "old");
    ::chmod(out().c_str(), 0640);
    f.toolkit.fileAnswers = {std::nullopt, out()};
    list.saveCsv();  // cancelled
    EXPECT_EQ(readText(out()), "old");
    list.saveCsv();
    EXPECT_EQ(f.toolkit.fileDialogFilters, Texts(2, "CSVファイル(*.csv)|*.csv"));
    EXPECT_EQ(readText(out()).substr(0, kAmber.size()), kAmber);
    EXPECT_EQ(fs::status(out()).permissions(), fs::perms(0640));
}

TEST_F(CsvExportTest, AFileThatCantBeWrittenIsNamedAndNeverLeftHalfWritten) {
    const std::string missing = f.dir.file("no-folder/out.csv");
    EXPECT_FALSE(list.writeCsv(missing, CsvEncoding::Cp932));
    EXPECT_EQ(f.toolkit.prompts(), Texts{"CSVファイルを保存できませんでした。\n" + missing +
                                         "\nNo such file or directory"});
    writeText(out(), "old");
    StepFileSystem full;  // every write fails half-way, as on a full disk
    full.before = [&](std::size_t n) { return full.names[n - 1] == "write"; };
    fileops::ScopedFileSystem scoped(full);
    EXPECT_FALSE(list.writeCsv(out(), CsvEncoding::Cp932));
    EXPECT_EQ(readText(out()), "old");
    EXPECT_FALSE(fs::exists(out() + ".part"));
    EXPECT_EQ(f.toolkit.prompts().back(),
              "CSVファイルを保存できませんでした。\n" + out() + "\nNo space left on device");
}

}  // namespace
}  // namespace tagshelf::test

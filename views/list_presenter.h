// The list the main window shows, without widgets: the record list and its count,
// whether it is a search result (SearchMode), the remembered sort column
// (SortCaption), the visible columns and the record-count label's text. Each
// operation changes the list and gives back what the window must draw; the
// window draws nothing else. The grid's row r shows entry r - 1, so a grid row
// number is also the record's number.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "catalogue/columns.h"
#include "catalogue/record_list.h"
#include "views/csv_export.h"

namespace tagshelf {

class Catalogue;

// What an operation asks the window to draw.
struct GridUpdate {
    bool columns = false;      // rebuild the header and columns (the grid is emptied)
    bool rows = false;         // fill one row per record
    bool countLabel = false;   // set the record-count label from countText()
    bool clearStatus = false;  // empty the status bar
};

// The record-count text: "レコード件数：" + n + "件".
std::string recordCountText(std::int64_t count);

class ListPresenter {
  public:
    explicit ListPresenter(Catalogue& cat);

    // The window opens: all columns, no search, no sort column, the whole catalogue.
    GridUpdate load();
    // After files were added: the whole catalogue again (also after a search).
    GridUpdate refresh();
    // After the edit window wrote a file and its row: the search is run again
    // with `searchText` (the search box) while a search result is shown, else
    // the whole catalogue is read again.
    GridUpdate refreshAfterEdit(const std::string& searchText);
    // "元に戻す": leaves search mode and shows the whole catalogue.
    GridUpdate showWholeCatalogue();
    // "レコード件数" and the Delete key: deletes the record of grid row `row` after
    // the question, then shows the whole catalogue.
    GridUpdate deleteRecord(std::int64_t row);
    // "DBの初期化": empties FileList after the question.
    GridUpdate emptyCatalogue();
    // Shows the data columns whose flag is set (k = 0..10): the whole catalogue
    // again, or, while a search result is shown, that result.
    GridUpdate showColumns(const std::array<bool, kDataColumns>& visible);

    // "検索" (after its two silent checks, which this repeats): shows the records
    // in which a searched field contains `text`, in the order of the passes, or of
    // the remembered sort column, as a search result kept in the table List. When
    // nothing is found or a step fails, the list shown before stays, with its
    // search mode. The record-count label keeps the catalogue's count.
    GridUpdate search(const std::string& text);
    // "ソート": remembers the column with the header caption `caption` and shows
    // the list shown (the catalogue or the search result) in its order. An empty
    // caption only redraws.
    GridUpdate sort(const std::string& caption);
    // "CSVへ保存": the list shown, from its table, into a file the user chooses.
    void saveCsv();
    // The same CSV into `path`; false after the message when it can't be written.
    bool writeCsv(const std::string& path, CsvEncoding encoding);

    // The record shown in grid row `row` (1, 2, …); null when there is none.
    const Record* recordAt(std::int64_t row) const;
    // The status bar text for a click on grid row `row`.
    std::string statusTextFor(std::int64_t row);

    const RecordList& records() const { return records_; }
    // Rows the grid shows.
    std::int32_t count() const { return count_; }
    bool searchMode() const { return searchMode_; }
    const std::string& sortCaption() const { return sortCaption_; }
    const std::string& countText() const { return countText_; }
    // The data columns shown (k = 0..10), in grid order.
    std::vector<int> visibleColumns() const;
    // Their header captions, in grid order (the options of the sort dialog).
    std::vector<std::string> visibleCaptions() const;
    const std::array<bool, kDataColumns>& columnVisible() const { return columnVisible_; }
    // True when FileList holds a row (the menu items do nothing otherwise).
    bool catalogueHasRows();

  private:
    // Loads FileList and asks for everything to be redrawn; an empty catalogue
    // empties the list and the grid.
    GridUpdate reloadCatalogue();
    GridUpdate showEmpty();
    // The record list holds `count` rows in the order of their table.
    void showInTableOrder(std::int32_t count);
    const char* shownTable() const { return searchMode_ ? "List" : "FileList"; }
    // Runs the search for `text` again and shows its result.
    GridUpdate rerunSearch(const std::string& text);

    Catalogue& cat_;
    RecordList records_;
    std::int32_t count_ = 0;
    // Each entry's place in its table (FileList, or List in search mode).
    std::vector<std::int32_t> position_;
    bool searchMode_ = false;
    std::string sortCaption_;
    std::array<bool, kDataColumns> columnVisible_{};
    std::string countText_;
};

}  // namespace tagshelf

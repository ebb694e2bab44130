#include "views/list_presenter.h"

#include <numeric>

#include "catalogue/catalogue.h"
#include "catalogue/db.h"
#include "catalogue/records.h"
#include "catalogue/schema.h"
#include "core/text.h"
#include "views/list_ops.h"
#include "views/search.h"
#include "views/sort.h"

namespace tagshelf {

std::string recordCountText(std::int64_t count) {
    return "レコード件数：" + std::to_string(count) + "件";
}

ListPresenter::ListPresenter(Catalogue& cat) : cat_(cat), countText_(recordCountText(0)) {
    columnVisible_.fill(true);
}

bool ListPresenter::catalogueHasRows() {
    return fncDbReadCount(cat_, "FileList") >= 1;
}

std::vector<int> ListPresenter::visibleColumns() const {
    std::vector<int> shown;
    for (int k = 0; k < kDataColumns; ++k) {
        if (columnVisible_[static_cast<std::size_t>(k)]) shown.push_back(k);
    }
    return shown;
}

std::vector<std::string> ListPresenter::visibleCaptions() const {
    std::vector<std::string> captions;
    for (int k : visibleColumns())
        captions.emplace_back(gridColumn(k).caption);
    return captions;
}

const Record* ListPresenter::recordAt(std::int64_t row) const {
    if (row < 1 || row > count_) return nullptr;
    return &records_.at(row - 1);
}

std::string ListPresenter::statusTextFor(std::int64_t row) {
    const Record* r = catalogueHasRows() ? recordAt(row) : nullptr;
    return r ? pathForDisplay(r->FilePath) : std::string();
}

void ListPresenter::showInTableOrder(std::int32_t count) {
    count_ = count;
    position_.resize(static_cast<std::size_t>(count));
    std::iota(position_.begin(), position_.end(), 0);
}

GridUpdate ListPresenter::showEmpty() {
    showInTableOrder(0);
    records_.entries.clear();
    countText_ = recordCountText(0);
    return GridUpdate{.columns = true, .countLabel = true};
}

GridUpdate ListPresenter::reloadCatalogue() {
    searchMode_ = false;
    std::int32_t counted = subDbRead(cat_, records_);
    if (counted == 0) return showEmpty();
    countText_ = recordCountText(counted);
    showInTableOrder(static_cast<std::int32_t>(records_.entries.size()) - 1);
    return GridUpdate{.columns = true, .rows = count_ > 0, .countLabel = true};
}

GridUpdate ListPresenter::load() {
    sortCaption_.clear();
    columnVisible_.fill(true);
    return reloadCatalogue();
}

GridUpdate ListPresenter::refresh() {
    // An empty catalogue while the grid shows nothing needs no redraw.
    if (!catalogueHasRows() && count_ == 0) {
        searchMode_ = false;
        return {};
    }
    return reloadCatalogue();
}

GridUpdate ListPresenter::refreshAfterEdit(const std::string& searchText) {
    if (searchMode_) return rerunSearch(searchText);
    return reloadCatalogue();
}

GridUpdate ListPresenter::rerunSearch(const std::string& text) {
    // As a click on "検索" does, with the text then in the search box; the grid is
    // rebuilt with the new result.
    GridUpdate update = search(text);
    update.columns = update.columns || update.rows;
    return update;
}

GridUpdate ListPresenter::showWholeCatalogue() {
    return refresh();
}

GridUpdate ListPresenter::deleteRecord(std::int64_t row) {
    if (!catalogueHasRows()) return {};
    const Record* r = recordAt(row);
    if (!r) return {};  // no data row: nothing to delete
    const std::string path = r->FilePath;
    subDbDelete(cat_, path, "FileList");
    return reloadCatalogue();
}

GridUpdate ListPresenter::emptyCatalogue() {
    subDbDelete(cat_, "", "FileList");
    GridUpdate update;
    if (catalogueHasRows()) {
        // Answered No: the list is read again and the label keeps its text.
        const std::string label = countText_;
        update = reloadCatalogue();
        countText_ = label;
        update.countLabel = false;
    } else {
        sortCaption_.clear();
        searchMode_ = false;
        update = showEmpty();
    }
    update.clearStatus = true;
    return update;
}

GridUpdate ListPresenter::showColumns(const std::array<bool, kDataColumns>& visible) {
    columnVisible_ = visible;
    if (searchMode_) return GridUpdate{.columns = true, .rows = count_ > 0};
    GridUpdate update = refresh();
    update.columns = true;
    return update;
}

GridUpdate ListPresenter::search(const std::string& text) {
    if (text.empty() || !catalogueHasRows()) return {};
    RecordList hits;
    const std::int32_t n = fncDbSearch(cat_, text, hits);
    if (n == 0) {
        cat_.toolkit.notice("検索結果0件です");
        return {};
    }
    if (Status made = fncCreateTable(cat_, "List"); !made) {
        showDbError(cat_, "fncCreateTable : ", made.error());
        cat_.toolkit.notice("テーブルの作成に失敗しました（#WK_List）");
        return {};
    }
    DbConnection conn;
    if (!fncDbOpen(cat_, conn)) return {};
    // Emptying List and filling it are stored together or not at all: when a
    // step fails, List still holds the list shown.
    const char* failure = nullptr;
    Status done = conn.atomically([&]() -> Status {
        if (!subDbDelete(cat_, "", "List")) {
            failure = "テーブルの作成に失敗しました（#WK_List）";
        } else if (!fncInWk(cat_, "List", hits, n)) {
            failure = "ワークテーブルへのデータ挿入に失敗しました";
        }
        return failure ? Status(Error{}) : Status();
    });
    if (!done && !failure) {
        showDbError(cat_, "fncInWk : ", done.error());
        failure = "ワークテーブルへのデータ挿入に失敗しました";
    }
    if (failure) {
        cat_.toolkit.notice(failure);
        return {};
    }
    records_ = std::move(hits);
    showInTableOrder(n);
    searchMode_ = true;
    if (!sortCaption_.empty()) fncDbSortRead(records_, position_, fncFieldName(sortCaption_));
    return GridUpdate{.rows = true};
}

GridUpdate ListPresenter::sort(const std::string& caption) {
    if (!caption.empty()) {
        sortCaption_ = caption;
        fncDbSortRead(records_, position_, fncFieldName(caption));
    }
    return GridUpdate{.columns = true, .rows = count_ > 0};
}

void ListPresenter::saveCsv() {
    subCsvSave(cat_, shownTable());
}

bool ListPresenter::writeCsv(const std::string& path, CsvEncoding encoding) {
    return subWriteCsv(cat_, shownTable(), path, encoding);
}

}  // namespace tagshelf

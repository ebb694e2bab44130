#include "views/list_presenter.h"

#include "catalogue/catalogue.h"
#include "catalogue/records.h"
#include "views/list_ops.h"

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

const Record* ListPresenter::recordAt(std::int64_t row) const {
    if (row < 1 || row > count_) return nullptr;
    return &records_.at(row - 1);
}

std::string ListPresenter::statusTextFor(std::int64_t row) {
    const Record* r = catalogueHasRows() ? recordAt(row) : nullptr;
    return r ? r->FilePath : std::string();
}

GridUpdate ListPresenter::showEmpty() {
    count_ = 0;
    records_.entries.clear();
    countText_ = recordCountText(0);
    return GridUpdate{.columns = true, .countLabel = true};
}

GridUpdate ListPresenter::reloadCatalogue() {
    searchMode_ = false;
    std::int32_t counted = subDbRead(cat_, records_);
    if (counted == 0) return showEmpty();
    countText_ = recordCountText(counted);
    count_ = static_cast<std::int32_t>(records_.entries.size()) - 1;
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

GridUpdate ListPresenter::rerunSearch(const std::string& /*text*/) {
    // Until the search exists the whole catalogue stands in for its result.
    return reloadCatalogue();
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
    GridUpdate update = refresh();
    update.columns = true;
    return update;
}

}  // namespace tagshelf

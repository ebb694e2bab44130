#include "app/file_grid.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include "app/text.h"
#include "catalogue/catalogue_read.h"
#include "catalogue/state.h"

namespace tagshelf {

const char* const kColumnCaptions[11] = {
    "タイトル", "アーティスト", "アルバム", "トラック",   "西暦",         "月日",
    "ジャンル", "コメント",     "Version",  "エンコード", "ファイルパス",
};

namespace {

constexpr int kDataColumnTwips = 1500;

// The record list field each data column shows.
const std::string& fieldOf(const Record& r, int k) {
    switch (k) {
        case 0:
            return r.Title;
        case 1:
            return r.Artist;
        case 2:
            return r.Album;
        case 3:
            return r.Trak;
        case 4:
            return r.Year;
        case 5:
            return r.Day;
        case 6:
            return r.Genre;
        case 7:
            return r.Comment;
        case 8:
            return r.Version;
        case 9:
            return r.Encode;
        default:
            return r.FilePath;
    }
}

bool rightAligned(int k) {
    return k == 3 || k == 4 || k == 5;
}

}  // namespace

std::string recordCountText(long count) {
    return "レコード件数：" + std::to_string(count) + "件";
}

std::string encodeDisplayText(const std::string& stored) {
    std::string clean = fncCleanText(stored);
    if (clean == "0") return "Latin1(ISO-8859-1)";
    if (clean == "1") return "Unicode(ISO-10646-1)";
    return stored;
}

int numberColumnTwips(long records) {
    if (records < 100) return 300;
    if (records < 1000) return 400;
    if (records < 10000) return 500;
    if (records < 100000) return 600;
    return 0;
}

// ---- FileListModel ------------------------------------------------------------

FileListModel::FileListModel(AppState& state, QObject* parent)
    : QAbstractTableModel(parent), state_(state) {}

int FileListModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    return rows_ > 0 ? static_cast<int>(rows_) : 1;
}

int FileListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size()) + 1;
}

int FileListModel::dataColumnAt(int column) const {
    if (column < 1 || column > static_cast<int>(columns_.size())) return -1;
    return columns_[static_cast<std::size_t>(column - 1)];
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    int k = dataColumnAt(index.column());
    if (role == Qt::TextAlignmentRole) {
        bool right = index.column() == 0 || rightAligned(k);
        return QVariant::fromValue(
            Qt::Alignment((right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter));
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    if (rows_ == 0) return QString();
    if (index.column() == 0) return QString::number(index.row() + 1);
    const Record& r = state_.records.at(index.row());
    const std::string& value = fieldOf(r, k);
    if (k == 9) return QString::fromStdString(encodeDisplayText(value));
    return QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size()));
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) return {};
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    if (role != Qt::DisplayRole) return {};
    if (section == 0) return QStringLiteral("No");
    int k = dataColumnAt(section);
    return k < 0 ? QVariant() : QVariant(QString::fromUtf8(kColumnCaptions[k]));
}

void FileListModel::setColumns(std::vector<int> dataColumns) {
    beginResetModel();
    columns_ = std::move(dataColumns);
    rows_ = 0;
    endResetModel();
}

void FileListModel::setRows(long count) {
    beginResetModel();
    rows_ = count;
    endResetModel();
}

// ---- FileGrid -----------------------------------------------------------------

FileGrid::FileGrid(AppState& state, QWidget* parent)
    : QTableView(parent), state_(state), model_(state) {
    setModel(&model_);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    horizontalHeader()->setHighlightSections(false);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
}

int FileGrid::twipsToPixels(int twips) const {
    return static_cast<int>(twips * logicalDpiX() / 1440.0 + 0.5);
}

void FileGrid::applyWidths() {
    for (std::size_t c = 0; c < widthsTwips_.size(); ++c) {
        setColumnWidth(static_cast<int>(c), twipsToPixels(widthsTwips_[c]));
    }
}

void FileGrid::subGridInit() {
    std::vector<int> shown;
    for (int k = 0; k < kDataColumns; ++k) {
        if (state_.view.ColumnVisible[static_cast<std::size_t>(k)]) shown.push_back(k);
    }
    if (int w = numberColumnTwips(state_.glngRecordCount); w > 0) numberWidthTwips_ = w;
    widthsTwips_.assign(shown.size() + 1, kDataColumnTwips);
    widthsTwips_[0] = numberWidthTwips_;
    model_.setColumns(std::move(shown));
    applyWidths();
}

void FileGrid::subGridFill() {
    const char* table = state_.view.SearchMode ? "List" : "FileList";
    state_.glngRecordCount = fncDbReadCount(state_, table);
    if (state_.glngRecordCount == 0) return;
    model_.setRows(state_.glngRecordCount);
    applyWidths();
}

QString FileGrid::cellText(int row, int column) const {
    if (row == 0) return model_.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    return model_.data(model_.index(row - 1, column), Qt::DisplayRole).toString();
}

int FileGrid::columnWidthTwips(int column) const {
    if (column < 0 || static_cast<std::size_t>(column) >= widthsTwips_.size()) return 0;
    return widthsTwips_[static_cast<std::size_t>(column)];
}

long FileGrid::recordNumberAt(long gridRow) const {
    if (gridRow < 1 || !model_.filled()) return 0;
    return cellText(static_cast<int>(gridRow), 0).toLong();
}

long FileGrid::currentGridRow() const {
    QModelIndex index = currentIndex();
    return index.isValid() ? index.row() + 1 : 0;
}

void FileGrid::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void FileGrid::dragMoveEvent(QDragMoveEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void FileGrid::dropEvent(QDropEvent* event) {
    std::vector<std::string> paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            QString path = url.toLocalFile();
            // A dropped folder may come with a trailing separator.
            while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
                path.chop(1);
            paths.push_back(path.toStdString());
        }
    }
    event->acceptProposedAction();
    // Register after the drop has been acknowledged, so the program the files came
    // from is not held up for the length of the scan.
    if (!paths.empty()) {
        QTimer::singleShot(0, this, [this, paths] { emit pathsDropped(paths); });
    }
}

void FileGrid::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete) {
        emit deleteKeyPressed();
        return;
    }
    QTableView::keyPressEvent(event);
}

}  // namespace tagshelf

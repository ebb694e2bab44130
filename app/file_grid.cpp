#include "app/file_grid.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include "catalogue/columns.h"
#include "core/text.h"
#include "views/list_presenter.h"
#include "windows/twips.h"

namespace tagshelf {

namespace {
constexpr int kDataColumnTwips = 1500;
}  // namespace

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

FileListModel::FileListModel(const ListPresenter& list, QObject* parent)
    : QAbstractTableModel(parent), list_(list) {}

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
        bool right = index.column() == 0 || (k >= 0 && gridColumn(k).align == Align::Right);
        return QVariant::fromValue(
            Qt::Alignment((right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter));
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    if (rows_ == 0) return QString();
    if (index.column() == 0) return QString::number(index.row() + 1);
    if (k < 0) return {};
    const Column& column = gridColumn(k);
    const std::string& value = list_.records().at(index.row()).*column.member;
    if (column.member == &Record::Encode) return QString::fromStdString(encodeDisplayText(value));
    return QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size()));
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) return {};
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    if (role != Qt::DisplayRole) return {};
    if (section == 0) return QStringLiteral("No");
    int k = dataColumnAt(section);
    if (k < 0) return {};
    std::string_view caption = gridColumn(k).caption;
    return QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size()));
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

FileGrid::FileGrid(const ListPresenter& list, QWidget* parent)
    : QTableView(parent), list_(list), model_(list) {
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
    return tagshelf::twipsToPixels(*this, twips);
}

void FileGrid::applyWidths() {
    for (std::size_t c = 0; c < widthsTwips_.size(); ++c) {
        setColumnWidth(static_cast<int>(c), twipsToPixels(widthsTwips_[c]));
    }
}

void FileGrid::subGridInit() {
    std::vector<int> shown = list_.visibleColumns();
    if (int w = numberColumnTwips(list_.count()); w > 0) numberWidthTwips_ = w;
    widthsTwips_.assign(shown.size() + 1, kDataColumnTwips);
    widthsTwips_[0] = numberWidthTwips_;
    model_.setColumns(std::move(shown));
    applyWidths();
}

void FileGrid::subGridFill() {
    if (list_.count() == 0) return;
    model_.setRows(list_.count());
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

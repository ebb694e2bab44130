// The main window's grid: a header row, the "No" column and one column per data
// column the user chose to see, over the record list. The model reads the record
// list when the view asks for a cell, so filling the grid costs nothing per row.
#pragma once

#include <QAbstractTableModel>
#include <QTableView>
#include <string>
#include <vector>

namespace tagshelf {

class ListPresenter;

// The text the grid shows for a stored Encode value.
std::string encodeDisplayText(const std::string& stored);

// Width of the "No" column in twips for a record count; 0 means "leave it".
int numberColumnTwips(long records);

class FileListModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit FileListModel(const ListPresenter& list, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The header and columns of the visible data columns, and one empty row.
    void setColumns(std::vector<int> dataColumns);
    // One row per record of the record list, from entry 0.
    void setRows(long count);

    // The data column index k shown in grid column `column` (1, 2, …), or -1.
    int dataColumnAt(int column) const;
    bool filled() const { return rows_ > 0; }

  private:
    const ListPresenter& list_;
    std::vector<int> columns_;  // k of each grid column after "No"
    long rows_ = 0;             // 0: the single empty row
};

// The grid control: the view, its model and the column widths in twips.
class FileGrid : public QTableView {
    Q_OBJECT
  public:
    explicit FileGrid(const ListPresenter& list, QWidget* parent = nullptr);

    FileListModel& model() { return model_; }

    // Rebuilds header and columns from the visible columns (no rows).
    void subGridInit();
    // Shows one row per record of the list.
    void subGridFill();

    // The text of a cell as the grid shows it (row 0 is the header row).
    QString cellText(int row, int column) const;
    int columnWidthTwips(int column) const;

    // The record number in column 0 of a grid row (1-based), or 0.
    long recordNumberAt(long gridRow) const;

    int twipsToPixels(int twips) const;
    // The width in pixels the "No" column needs for its header and row numbers up
    // to `largest`.
    int numberColumnPixels(long largest) const;

    // The grid row (1, 2, …) of the current cell; 0 when there is none.
    long currentGridRow() const;

    // What a drop brings: its local paths, with their bytes, are handed on by
    // pathsDropped once the drop has been acknowledged.
    void takeDrop(const QMimeData& data);

  signals:
    // Files and folders dropped from the desktop, as local paths in their order.
    void pathsDropped(const std::vector<std::string>& paths);
    void deleteKeyPressed();

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void applyWidths();

    const ListPresenter& list_;
    FileListModel model_;
    std::vector<int> widthsTwips_;
    int numberWidthTwips_ = 300;
};

}  // namespace tagshelf

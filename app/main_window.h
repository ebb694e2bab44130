// frm_Main, the program's only top-level window: the menus, the record-count
// label, the search box with its two buttons, the catalogue grid and the status
// bar. Positions and sizes are kept in twips (1/1440 inch), as the layout is
// designed, and turned into pixels through the screen's resolution.
#pragma once

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <functional>

#include "app/file_grid.h"
#include "app/search_box.h"
#include "views/list_presenter.h"

namespace tagshelf {

class Catalogue;
struct FileCollection;
class Progress;

class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    explicit MainWindow(Catalogue& cat, QWidget* parent = nullptr);

    // Controls.
    QLabel* lbl_Record;
    SearchBox* txtSearch;
    QPushButton* cmd_Search;
    QPushButton* cmd_Redo;
    FileGrid* grd_FileList;
    QFrame* Line_sepa;
    QStatusBar* StatusBar1;

    // Menus and their items.
    QMenu* File;
    QAction* FileOpen;
    QAction* FolderOpen;
    QAction* ListSave;
    QAction* Quit;
    QMenu* Edit;
    QAction* Initial;
    QAction* Delete;
    QMenu* View;
    QAction* ViewSelect;
    QAction* Sort;
    QMenu* Help;
    QAction* Info;

    void Form_Load();
    void Form_Resize();
    void Form_Unload();
    void Quit_Click();

    // Adding files.
    void FileOpen_Click();
    void FolderOpen_Click();
    void grd_FileList_Drop(const std::vector<std::string>& paths);

    // The grid and the list operations.
    void grd_FileList_Click();
    void grd_FileList_DblClick();
    void grd_FileList_KeyDown(int keyCode);
    void Delete_Click();
    void Initial_Click();
    void cmd_Redo_Click();

    // Search, sort, columns, CSV export and the About box.
    void cmd_Search_Click();
    void txtSearch_GotFocus();
    void txtSearch_KeyDown(int keyCode);
    void Sort_Click();
    void ViewSelect_Click();
    void ListSave_Click();
    void Info_Click();

    // The list the window shows.
    const ListPresenter& list() const { return list_; }

    int twips(int value) const;     // twips to pixels
    int toTwips(int pixels) const;  // pixels to twips

    // The smallest window the layout allows, in twips.
    static constexpr int kMinWidthTwips = 6270;
    static constexpr int kMinHeightTwips = 3600;

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildMenus();
    void buildControls();
    // Draws what a list operation changed.
    void draw(const GridUpdate& update);
    // Collects the files to add and registers them under one progress dialog, then
    // refreshes and reports what was skipped.
    void scanAndRegister(const std::function<FileCollection(Progress*)>& collect);

    Catalogue& cat_;
    ListPresenter list_;
    std::string lastFolder_ = "/";  // the folder chosen last in "フォルダを開く"
    bool unloaded_ = false;
};

}  // namespace tagshelf

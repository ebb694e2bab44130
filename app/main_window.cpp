#include "app/main_window.h"

#include <QCloseEvent>
#include <QMenuBar>
#include <QResizeEvent>
#include <functional>

#include "catalogue/catalogue.h"
#include "catalogue/db.h"
#include "cataloguing/registration.h"
#include "cataloguing/scan.h"
#include "views/list_ops.h"
#include "windows/data_edit_window.h"
#include "windows/select_dialog.h"
#include "windows/twips.h"

namespace tagshelf {

namespace {
QString qs(const std::string& s) {
    return QString::fromStdString(s);
}
}  // namespace

MainWindow::MainWindow(Catalogue& cat, QWidget* parent)
    : QMainWindow(parent), cat_(cat), list_(cat) {
    setObjectName(QStringLiteral("frm_Main"));
    setWindowTitle(QStringLiteral("TagShelf"));
    buildControls();
    buildMenus();
    setMinimumSize(twips(kMinWidthTwips), twips(kMinHeightTwips));
    Form_Load();
}

int MainWindow::twips(int value) const {
    return twipsToPixels(*this, value);
}

int MainWindow::toTwips(int pixels) const {
    return pixelsToTwips(*this, pixels);
}

void MainWindow::buildControls() {
    auto* client = new QWidget(this);
    setCentralWidget(client);

    lbl_Record = new QLabel(QStringLiteral("レコード件数：0件"), client);
    lbl_Record->setObjectName(QStringLiteral("lbl_Record"));
    lbl_Record->setGeometry(twips(240), twips(240), twips(1815), twips(255));

    txtSearch = new SearchBox(client);
    txtSearch->setObjectName(QStringLiteral("txtSearch"));
    txtSearch->setGeometry(twips(2280), twips(240), twips(1455), twips(270));
    connect(txtSearch, &SearchBox::gotFocus, this, &MainWindow::txtSearch_GotFocus);
    connect(txtSearch, &SearchBox::keyDown, this, &MainWindow::txtSearch_KeyDown);

    cmd_Search = new QPushButton(QStringLiteral("検索"), client);
    cmd_Search->setObjectName(QStringLiteral("cmd_Search"));
    cmd_Search->setGeometry(twips(3720), twips(240), twips(975), twips(300));
    // Not the window's default button, but Enter presses it when it has the focus.
    cmd_Search->setAutoDefault(true);
    connect(cmd_Search, &QPushButton::clicked, this, &MainWindow::cmd_Search_Click);

    cmd_Redo = new QPushButton(QStringLiteral("元に戻す"), client);
    cmd_Redo->setObjectName(QStringLiteral("cmd_Redo"));
    cmd_Redo->setGeometry(twips(4800), twips(240), twips(1095), twips(300));
    cmd_Redo->setAutoDefault(false);
    connect(cmd_Redo, &QPushButton::clicked, this, &MainWindow::cmd_Redo_Click);

    grd_FileList = new FileGrid(list_, client);
    grd_FileList->setObjectName(QStringLiteral("grd_FileList"));
    grd_FileList->setGeometry(twips(240), twips(600), twips(5655), twips(1935));
    QFont gridFont(QStringLiteral("ＭＳ Ｐゴシック"));
    gridFont.setPointSize(9);
    grd_FileList->setFont(gridFont);
    connect(grd_FileList, &FileGrid::pathsDropped, this, &MainWindow::grd_FileList_Drop);
    connect(grd_FileList, &QTableView::clicked, this, [this] { grd_FileList_Click(); });
    connect(grd_FileList, &QTableView::doubleClicked, this, [this] { grd_FileList_DblClick(); });
    connect(grd_FileList, &FileGrid::deleteKeyPressed, this, [this] { grd_FileList_KeyDown(46); });

    Line_sepa = new QFrame(client);
    Line_sepa->setObjectName(QStringLiteral("Line_sepa"));
    Line_sepa->setFrameShape(QFrame::HLine);
    Line_sepa->setFrameShadow(QFrame::Sunken);
    Line_sepa->setGeometry(0, 0, twips(5655), 2);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    setStatusBar(StatusBar1);
}

void MainWindow::buildMenus() {
    auto item = [this](QMenu* menu, const char* name, const char* caption,
                       QKeySequence shortcut = {}) {
        QAction* a = menu->addAction(QString::fromUtf8(caption));
        a->setObjectName(QString::fromUtf8(name));
        if (!shortcut.isEmpty()) a->setShortcut(shortcut);
        return a;
    };

    File = menuBar()->addMenu(QStringLiteral("ファイル"));
    File->setObjectName(QStringLiteral("File"));
    FileOpen = item(File, "FileOpen", "ファイルを開く", QKeySequence(Qt::CTRL | Qt::Key_O));
    FolderOpen = item(File, "FolderOpen", "フォルダを開く", QKeySequence(Qt::CTRL | Qt::Key_D));
    connect(FileOpen, &QAction::triggered, this, &MainWindow::FileOpen_Click);
    connect(FolderOpen, &QAction::triggered, this, &MainWindow::FolderOpen_Click);
    File->addSeparator()->setObjectName(QStringLiteral("Line1"));
    ListSave = item(File, "ListSave", "CSVへ保存");
    connect(ListSave, &QAction::triggered, this, &MainWindow::ListSave_Click);
    File->addSeparator()->setObjectName(QStringLiteral("Line2"));
    Quit = item(File, "Quit", "終了", QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(Quit, &QAction::triggered, this, &MainWindow::Quit_Click);

    Edit = menuBar()->addMenu(QStringLiteral("編集"));
    Edit->setObjectName(QStringLiteral("Edit"));
    Initial = item(Edit, "Initial", "DBの初期化");
    Delete = item(Edit, "Delete", "レコードの削除");
    connect(Initial, &QAction::triggered, this, &MainWindow::Initial_Click);
    connect(Delete, &QAction::triggered, this, &MainWindow::Delete_Click);

    View = menuBar()->addMenu(QStringLiteral("表示"));
    View->setObjectName(QStringLiteral("View"));
    ViewSelect = item(View, "ViewSelect", "表示項目選択");
    Sort = item(View, "Sort", "ソート");
    connect(ViewSelect, &QAction::triggered, this, &MainWindow::ViewSelect_Click);
    connect(Sort, &QAction::triggered, this, &MainWindow::Sort_Click);

    Help = menuBar()->addMenu(QStringLiteral("ヘルプ"));
    Help->setObjectName(QStringLiteral("Help"));
    Info = item(Help, "Info", "バージョン情報");
    connect(Info, &QAction::triggered, this, &MainWindow::Info_Click);
}

void MainWindow::draw(const GridUpdate& update) {
    if (update.columns) grd_FileList->subGridInit();
    if (update.rows) grd_FileList->subGridFill();
    if (update.countLabel) {
        // The label grows with its text; its designed width is its least.
        lbl_Record->setText(qs(list_.countText()));
        lbl_Record->resize(std::max(twips(1815), lbl_Record->sizeHint().width()),
                           lbl_Record->height());
    }
    if (update.clearStatus) cat_.toolkit.setStatusText("");
}

void MainWindow::Form_Load() {
    lbl_Record->setText(QStringLiteral("レコード件数：0件"));
    resize(twips(10000), twips(6000));
    draw(list_.load());
}

void MainWindow::Form_Resize() {
    // The minimum size keeps the window at least 6270 × 3600 twips.
    int w = std::max(width(), twips(kMinWidthTwips));
    int h = std::max(height(), twips(kMinHeightTwips));
    grd_FileList->resize(std::max(0, w - twips(600)), std::max(0, h - twips(1650)));
    cmd_Redo->move(w - twips(1470), cmd_Redo->y());
    cmd_Search->move(w - twips(2550), cmd_Search->y());
    txtSearch->move(w - twips(3990), txtSearch->y());
    Line_sepa->setGeometry(0, Line_sepa->y(), w, Line_sepa->height());
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void MainWindow::Form_Unload() {
    if (unloaded_) return;
    unloaded_ = true;
    subDbDropTable(cat_, "List");
}

void MainWindow::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

void MainWindow::Quit_Click() {
    close();
}

// ---- Adding files -------------------------------------------------------------

void MainWindow::scanAndRegister(const std::function<FileCollection(Progress*)>& collect) {
    ScanReport report;
    {
        // The progress keeps the window painted; its controls and menus stay
        // disabled so nothing else starts while the scan runs.
        centralWidget()->setEnabled(false);
        menuBar()->setEnabled(false);
        std::unique_ptr<Progress> progress = cat_.toolkit.beginProgress("ファイルを登録しています");
        report = addFiles(cat_, collect, progress.get());
        progress.reset();
        centralWidget()->setEnabled(true);
        menuBar()->setEnabled(true);
    }
    // The grid shows the whole catalogue again, also after a search.
    draw(list_.refresh());
    showScanReport(cat_, report);
}

void MainWindow::FileOpen_Click() {
    std::optional<std::string> path = cat_.toolkit.openFileDialog("MP3ファイル (*.mp3)|*.mp3");
    if (!path) return;
    AddResult result;
    {
        BatchScope batch(cat_);
        result = subAddFile(cat_, *path);
        if (Status s = batch.finish(); !s) showDbError(cat_, "subDbCommit : ", s.error());
    }
    // A file whose tag can't be read ends the operation without a refresh.
    if (result.outcome == AddOutcome::Unreadable) return;
    draw(list_.refresh());
}

void MainWindow::FolderOpen_Click() {
    std::string folder;
    {
        SelectDialog dialog(cat_.toolkit, this, lastFolder_);
        if (cat_.toolkit.showModal(dialog)) folder = dialog.chosenFolder();
    }
    if (folder.empty()) return;
    lastFolder_ = folder;  // the dialog opens there next time
    scanAndRegister([folder](Progress* progress) {
        FileCollection files;
        subGetFiles(files, folder, true, progress);
        return files;
    });
}

void MainWindow::grd_FileList_Drop(const std::vector<std::string>& paths) {
    scanAndRegister([&paths](Progress* progress) { return collectDropped(paths, progress); });
}

// ---- Grid and list operations -------------------------------------------------

void MainWindow::grd_FileList_Click() {
    cat_.toolkit.setStatusText(list_.statusTextFor(grd_FileList->currentGridRow()));
}

void MainWindow::grd_FileList_DblClick() {
    const long selectedRow = grd_FileList->currentGridRow();
    const Record* r = list_.recordAt(selectedRow);
    if (!r || r->FilePath.empty()) return;
    bool applied = false;
    {
        DataEditWindow window(cat_, list_, selectedRow, this);
        applied = cat_.toolkit.showModal(window) == QDialog::Accepted;
    }
    // The edit was written: the list is read again (the search run again).
    if (applied) draw(list_.refreshAfterEdit(txtSearch->text().toStdString()));
}

void MainWindow::grd_FileList_KeyDown(int keyCode) {
    if (keyCode == 46) Delete_Click();
}

void MainWindow::Delete_Click() {
    draw(list_.deleteRecord(grd_FileList->currentGridRow()));
}

void MainWindow::Initial_Click() {
    draw(list_.emptyCatalogue());
}

void MainWindow::cmd_Redo_Click() {
    draw(list_.showWholeCatalogue());
    txtSearch->clear();
}

}  // namespace tagshelf

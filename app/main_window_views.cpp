// The main window's views of the catalogue: search, sort, column choice, CSV
// export and the About box.
#include "app/main_window.h"
#include "catalogue/catalogue.h"
#include "windows/info_dialog.h"
#include "windows/sort_dialog.h"
#include "windows/view_dialog.h"

namespace tagshelf {

void MainWindow::cmd_Search_Click() {
    draw(list_.search(txtSearch->text().toStdString()));
}

void MainWindow::txtSearch_GotFocus() {
    txtSearch->clear();
}

void MainWindow::txtSearch_KeyDown(int keyCode) {
    // Enter only moves to "検索"; a second Enter presses it.
    if (keyCode == 13) cmd_Search->setFocus(Qt::OtherFocusReason);
}

void MainWindow::Sort_Click() {
    if (!list_.catalogueHasRows()) return;
    SortDialog dialog(list_.visibleCaptions(), this);
    if (cat_.toolkit.showModal(dialog)) draw(list_.sort(dialog.chosenCaption()));
}

void MainWindow::ViewSelect_Click() {
    ViewDialog dialog(cat_.toolkit, this);
    const bool chosen = cat_.toolkit.showModal(dialog);
    // Cancel keeps the columns but still shows the list again.
    draw(list_.showColumns(chosen ? dialog.chosen() : list_.columnVisible()));
}

void MainWindow::ListSave_Click() {
    list_.saveCsv();
}

void MainWindow::Info_Click() {
    InfoDialog gfrmInfo(cat_.toolkit, this);
    cat_.toolkit.showModal(gfrmInfo);
}

}  // namespace tagshelf

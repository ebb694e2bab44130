// The main window's search box and button, the sort and column dialogs on the
// grid, and the CSV and About menu items.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>

#include "app/main_window.h"
#include "tests/support/catalogue_fixture.h"
#include "windows/sort_dialog.h"
#include "windows/view_dialog.h"

namespace tagshelf::test {
namespace {

using Cells = std::vector<std::string>;

class MainWindowViewsTest : public ::testing::Test {
  protected:
    bool seed() {
        f.addRow({"Rain", "Bob", "b", "", "", "", "", "", "", "0", "ID3v1", "/a.mp3"});
        f.addRow({"Sun", "rain man", "a", "", "", "", "", "", "", "1", "NONE", "/b.mp3"});
        f.addRow({"Sky", "Ann", "c", "", "", "", "", "", "", "0", "ID3v1", "/c.mp3"});
        return true;
    }
    Cells column(int c) {
        Cells out;
        for (int r = 0; r <= w.grd_FileList->model().rowCount(); ++r)
            out.push_back(w.grd_FileList->cellText(r, c).toStdString());
        return out;
    }
    void send(QWidget* target, QEvent&& event) { QApplication::sendEvent(target, &event); }

    CatalogueFixture f;
    bool seeded = seed();  // before the window loads the catalogue
    MainWindow w{f.cat};
};

TEST_F(MainWindowViewsTest, EnterMovesToSearchAndASecondEnterShowsTheHits) {
    w.txtSearch->setText(QStringLiteral("RAIN"));
    send(w.txtSearch, QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier));
    EXPECT_EQ(w.focusWidget(), w.cmd_Search);
    EXPECT_EQ(column(1), (Cells{"タイトル", "Rain", "Sun", "Sky"}));
    send(w.cmd_Search, QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier));
    EXPECT_EQ(column(1), (Cells{"タイトル", "Rain", "Sun"}));
    EXPECT_EQ(w.lbl_Record->text(), QStringLiteral("レコード件数：3件"));

    // Going back to the box by hand empties it; coming back from another window
    // does not.
    send(w.txtSearch, QFocusEvent(QEvent::FocusIn, Qt::ActiveWindowFocusReason));
    EXPECT_EQ(w.txtSearch->text(), QStringLiteral("RAIN"));
    send(w.txtSearch, QFocusEvent(QEvent::FocusIn, Qt::MouseFocusReason));
    EXPECT_EQ(w.txtSearch->text(), QString());
    w.cmd_Search->click();  // an empty box: nothing happens
    EXPECT_EQ(column(1).size(), 3u);
    EXPECT_TRUE(f.toolkit.messages.empty());
}

TEST_F(MainWindowViewsTest, TheSortDialogOffersTheColumnsLeftByTheColumnDialog) {
    f.toolkit.dialogScripts.push_back([](ModalDialog& d) {
        auto& dialog = dynamic_cast<ViewDialog&>(d);
        dialog.chk_Item[1]->setChecked(false);  // アーティスト
        dialog.cmd_Ok->click();
        return dialog.result();
    });
    w.ViewSelect_Click();
    EXPECT_EQ(column(2)[0] + std::to_string(w.grd_FileList->model().columnCount()), "アルバム11");
    // The options: the visible columns, the first selected; Cancel changes nothing.
    for (bool ok : {true, false}) {
        f.toolkit.dialogScripts.push_back([ok](ModalDialog& d) {
            auto& dialog = dynamic_cast<SortDialog&>(d);
            EXPECT_EQ(dialog.windowTitle() + dialog.Label1->text() + dialog.optSort[1]->text(),
                      QStringLiteral("ソートソートする項目を選択して下さいアルバム"));
            EXPECT_TRUE(dialog.optSort[0]->isChecked() && dialog.optSort[10]->isHidden());
            dialog.optSort[ok ? 1 : 0]->setChecked(true);
            (ok ? dialog.cmdOK : dialog.cmdCansel)->click();
            return dialog.result();
        });
        w.Sort->trigger();
        EXPECT_EQ(column(1), (Cells{"タイトル", "Sun", "Rain", "Sky"}));
    }
    EXPECT_EQ(w.list().sortCaption(), "アルバム");

    // Cancelling the column dialog keeps the columns and shows the stored order.
    w.ViewSelect->trigger();
    EXPECT_EQ(w.grd_FileList->model().columnCount(), 11);
    EXPECT_EQ(column(1), (Cells{"タイトル", "Rain", "Sun", "Sky"}));

    const std::string out = f.dir.file("list.csv");
    f.toolkit.fileAnswers = {out};
    w.ListSave->trigger();
    EXPECT_EQ(readText(out).substr(0, 5), "Rain,");
    w.Info->trigger();
    EXPECT_EQ(f.toolkit.dialogsShown, (Cells{"frm_ViewSelect", "frm_SortSelect", "frm_SortSelect",
                                             "frm_ViewSelect", "frm_Info"}));
}

}  // namespace
}  // namespace tagshelf::test

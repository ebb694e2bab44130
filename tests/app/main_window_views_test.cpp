// The main window's search box and buttons, the sort and column dialogs on the
// grid, the CSV menu item and the About box.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>

#include "app/main_window.h"
#include "tests/support/catalogue_fixture.h"
#include "windows/info_dialog.h"
#include "windows/sort_dialog.h"
#include "windows/view_dialog.h"

namespace tagshelf::test {
namespace {

class MainWindowViewsTest : public ::testing::Test {
  protected:
    bool seed() {
        f.addRow({"Rain", "Bob", "b", "", "", "", "", "", "", "0", "ID3v1", "/a.mp3"});
        f.addRow({"Sun", "rain man", "a", "", "", "", "", "", "", "1", "NONE", "/b.mp3"});
        f.addRow({"Sky", "Ann", "c", "", "", "", "", "", "", "0", "ID3v1", "/c.mp3"});
        return true;
    }
    std::vector<std::string> column(int c) {
        std::vector<std::string> out;
        for (int r = 0; r <= w.grd_FileList->model().rowCount(); ++r)
            out.push_back(w.grd_FileList->cellText(r, c).toStdString());
        return out;
    }
    void key(QWidget* target, int code) {
        QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
    }
    void focusIn(Qt::FocusReason reason) {
        QFocusEvent in(QEvent::FocusIn, reason);
        QApplication::sendEvent(w.txtSearch, &in);
    }

    CatalogueFixture f;
    bool seeded = seed();  // before the window loads the catalogue
    MainWindow w{f.cat};
};

TEST_F(MainWindowViewsTest, EnterMovesToSearchAndASecondEnterShowsTheHits) {
    w.txtSearch->setText(QStringLiteral("RAIN"));
    key(w.txtSearch, Qt::Key_Return);
    EXPECT_EQ(w.focusWidget(), w.cmd_Search);
    EXPECT_EQ(column(1), (std::vector<std::string>{"タイトル", "Rain", "Sun", "Sky"}));
    key(w.cmd_Search, Qt::Key_Return);
    EXPECT_EQ(column(1), (std::vector<std::string>{"タイトル", "Rain", "Sun"}));
    EXPECT_EQ(column(0), (std::vector<std::string>{"No", "1", "2"}));
    EXPECT_EQ(w.lbl_Record->text(), QStringLiteral("レコード件数：3件"));

    // Going back to the box by hand empties it; coming back from another window
    // does not.
    focusIn(Qt::ActiveWindowFocusReason);
    EXPECT_EQ(w.txtSearch->text(), QStringLiteral("RAIN"));
    focusIn(Qt::MouseFocusReason);
    EXPECT_EQ(w.txtSearch->text(), QString());
    w.cmd_Search->click();  // an empty box: nothing happens
    EXPECT_EQ(column(1).size(), 3u);
    EXPECT_TRUE(f.toolkit.messages.empty());
}

TEST_F(MainWindowViewsTest, TheSortDialogOffersTheColumnsLeftAfterTheColumnDialog) {
    f.toolkit.dialogScripts.push_back([](ModalDialog& d) {
        auto& dialog = dynamic_cast<ViewDialog&>(d);
        dialog.chk_Item[1]->setChecked(false);  // アーティスト
        dialog.cmd_Ok->click();
        return dialog.result();
    });
    w.ViewSelect_Click();
    EXPECT_EQ(column(2)[0], "アルバム");
    EXPECT_EQ(w.grd_FileList->model().columnCount(), 11);

    f.toolkit.dialogScripts.push_back([](ModalDialog& d) {
        auto& dialog = dynamic_cast<SortDialog&>(d);
        EXPECT_EQ(dialog.optSort[1]->text(), QStringLiteral("アルバム"));
        EXPECT_TRUE(dialog.optSort[10]->isHidden());
        dialog.optSort[1]->setChecked(true);
        dialog.cmdOK->click();
        return dialog.result();
    });
    w.Sort_Click();
    EXPECT_EQ(column(1), (std::vector<std::string>{"タイトル", "Sun", "Rain", "Sky"}));

    // Cancelling the column dialog keeps the columns and shows the stored order.
    w.ViewSelect_Click();
    EXPECT_EQ(w.grd_FileList->model().columnCount(), 11);
    EXPECT_EQ(column(1), (std::vector<std::string>{"タイトル", "Rain", "Sun", "Sky"}));
    EXPECT_EQ(f.toolkit.dialogsShown,
              (std::vector<std::string>{"frm_ViewSelect", "frm_SortSelect", "frm_ViewSelect"}));
}

TEST_F(MainWindowViewsTest, TheMenusSaveTheCsvAndShowTheAboutBox) {
    const std::string out = f.dir.file("list.csv");
    f.toolkit.fileAnswers = {out};
    w.ListSave->trigger();
    EXPECT_EQ(readText(out).substr(0, 5), "Rain,");
    w.Info->trigger();
    EXPECT_EQ(f.toolkit.dialogsShown, std::vector<std::string>{"frm_Info"});
}

}  // namespace
}  // namespace tagshelf::test

// The main window's actions: open, drop, the grid's click, Delete and double-click,
// search, sort, columns, the CSV file and the About box.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMimeData>

#include "app/main_window.h"
#include "cataloguing/registration.h"
#include "tests/support/catalogue_fixture.h"
#include "tests/support/music_folder.h"
#include "windows/data_edit_window.h"
#include "windows/select_dialog.h"
#include "windows/sort_dialog.h"
#include "windows/view_dialog.h"

namespace tagshelf::test {
namespace {

using Texts = std::vector<std::string>;

// The grid's cells of one column, the header row included when asked.
Texts gridColumn(const MainWindow& w, int column, bool header = false) {
    Texts out;
    if (!w.grd_FileList->model().filled()) return out;
    for (int r = header ? 0 : 1; r <= w.grd_FileList->model().rowCount(); ++r)
        out.push_back(w.grd_FileList->cellText(r, column).toStdString());
    return out;
}

void send(QWidget* target, QEvent&& event) {
    QApplication::sendEvent(target, &event);
}

class MainWindowActionsTest : public ::testing::Test {
  protected:
    CatalogueFixture f;
    MusicFolder music;
};

TEST_F(MainWindowActionsTest, FolderOpenRegistersTheChosenTreeAndShowsIt) {
    const std::string a = music.addTitled("a.mp3", "エー"),
                      b = music.addTitled("sub/b.mp3", "ビー");
    MainWindow w(f.cat);
    for (bool choose : {false, true}) {
        f.toolkit.dialogScripts.push_back([&, choose](ModalDialog& d) {
            auto& dialog = dynamic_cast<SelectDialog&>(d);
            EXPECT_TRUE(dialog.Dir1->setPath(music.root.str()));
            (choose ? dialog.cmd_Decision : dialog.cmd_Cansel)->click();
            return dialog.result();
        });
        w.FolderOpen_Click();
        EXPECT_EQ(f.toolkit.progressDialogs, choose ? 1 : 0);  // cancelled: nothing to add
    }
    EXPECT_EQ(w.lbl_Record->text(), QStringLiteral("レコード件数：2件"));
    EXPECT_EQ(gridColumn(w, 1), (Texts{"ビー", "エー"}));
    EXPECT_EQ(gridColumn(w, 11), (Texts{b, a}));
    EXPECT_TRUE(f.toolkit.messages.empty());
    // The dialog opens at the folder chosen last.
    f.toolkit.dialogScripts.push_back([&](ModalDialog& d) {
        EXPECT_EQ(dynamic_cast<SelectDialog&>(d).Dir1->path(), music.root.str());
        return 0;
    });
    w.FolderOpen_Click();
    EXPECT_EQ(f.toolkit.dialogsShown, Texts(3, "frm_Select"));
}

TEST_F(MainWindowActionsTest, FileOpenRegistersOneChosenFile) {
    const std::string a = music.addTitled("a.mp3", "one");
    MainWindow w(f.cat);
    f.toolkit.fileAnswers = {std::nullopt, music.dir("missing.mp3"), a};
    w.FileOpen_Click();  // cancelled
    w.FileOpen_Click();  // a path that does not exist
    EXPECT_EQ(w.lbl_Record->text(), QStringLiteral("レコード件数：0件"));
    w.FileOpen_Click();
    EXPECT_EQ(f.toolkit.fileDialogFilters[0], "MP3ファイル (*.mp3)|*.mp3");
    EXPECT_EQ(w.lbl_Record->text(), QStringLiteral("レコード件数：1件"));
    EXPECT_EQ(gridColumn(w, 1), Texts{"one"});
    EXPECT_TRUE(f.toolkit.messages.empty());
}

TEST_F(MainWindowActionsTest, DroppingFilesAndFoldersRegistersThemAndReportsSkippedOnes) {
    const std::string a = music.addTitled("album/a.mp3", "a"), b = music.addTitled("b.mp3", "b");
    music.addTitled("C.MP3", "c");
    MainWindow w(f.cat);
    f.toolkit.cancelSearchAfter = 1;  // looking for files is cancelled: nothing registered
    w.grd_FileList_Drop({music.root.str()});
    EXPECT_GE(f.toolkit.searchSteps, 1);
    EXPECT_EQ(f.toolkit.progressSteps, 0);
    f.toolkit.cancelSearchAfter.reset();
    const std::string vanished = music.dir("vanished.mp3");
    w.grd_FileList_Drop({b, music.dir("album"), music.dir("C.MP3"), vanished, b});
    EXPECT_EQ(gridColumn(w, 11), (Texts{b, a}));
    EXPECT_EQ(f.toolkit.prompts(),
              Texts{"読み込めなかったファイルが1件あり、登録しませんでした。\n" + vanished});
}

TEST_F(MainWindowActionsTest, ANameThatIsNotUtf8IsDroppedStoredAndShownReadably) {
    // A folder "曲" holding "あい.mp3", named in Shift-JIS as on an old disc.
    const std::string file = music.addTitled("\x8b\xc8/\x82\xa0\x82\xa2.mp3", "t");
    MainWindow w(f.cat);
    QMimeData data;
    data.setData("text/uri-list",
                 "file://" +
                     QByteArray::fromStdString(music.dir("\x8b\xc8/")).toPercentEncoding("/") +
                     "\r\n");
    w.grd_FileList->takeDrop(data);
    QApplication::processEvents();
    EXPECT_EQ(f.column("SELECT FilePath FROM FileList"), Texts{file});
    EXPECT_EQ(gridColumn(w, 11), Texts{music.dir("曲/あい.mp3")});
}

TEST_F(MainWindowActionsTest, ClickShowsThePathDeleteKeyRemovesTheRecordAndDoubleClickEdits) {
    subAddFile(f.cat, music.addTitled("a.mp3", "before"));
    f.addRow({"b", "", "", "", "", "", "", "", "", "", "", "/m/it's.mp3"});
    MainWindow w(f.cat);
    w.grd_FileList->setCurrentIndex(w.grd_FileList->model().index(1, 1));
    w.grd_FileList_Click();
    EXPECT_EQ(f.toolkit.statusText, "/m/it's.mp3");
    f.toolkit.answers = {MsgAnswer::Yes};
    send(w.grd_FileList, QKeyEvent(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier));
    EXPECT_EQ(f.toolkit.prompts(), Texts{"/m/it's.mp3のレコードを削除しますか？"});
    EXPECT_EQ(w.lbl_Record->text(), QStringLiteral("レコード件数：1件"));

    w.grd_FileList->setCurrentIndex(w.grd_FileList->model().index(0, 1));
    for (const char* title : {"cancelled", "after"}) {
        f.toolkit.answers = {MsgAnswer::Yes};
        f.toolkit.dialogScripts.push_back([title](ModalDialog& d) {
            auto& edit = dynamic_cast<DataEditWindow&>(d);
            edit.txtTIT2->setValue(title);
            (std::string(title) == "after" ? edit.cmdExec : edit.cmdCancel)->click();
            return edit.result();
        });
        w.grd_FileList_DblClick();
    }
    EXPECT_EQ(gridColumn(w, 1), Texts{"after"});

    // "DBの初期化" empties the grid, the label and the status bar together.
    f.toolkit.answers = {MsgAnswer::Yes};
    w.Initial_Click();
    EXPECT_EQ(w.lbl_Record->text(), QStringLiteral("レコード件数：0件"));
    EXPECT_FALSE(w.grd_FileList->model().filled());
    EXPECT_EQ(f.toolkit.statusText, "");
}

class MainWindowViewsTest : public ::testing::Test {
  protected:
    bool seed() {
        f.addRow({"Rain", "Bob", "b", "", "", "", "", "", "", "0", "ID3v1", "/a.mp3"});
        f.addRow({"Sun", "rain man", "a", "", "", "", "", "", "", "1", "NONE", "/b.mp3"});
        f.addRow({"Sky", "Ann", "c", "", "", "", "", "", "", "0", "ID3v1", "/c.mp3"});
        return true;
    }
    CatalogueFixture f;
    bool seeded = seed();  // before the window loads the catalogue
    MainWindow w{f.cat};
};

TEST_F(MainWindowViewsTest, EnterMovesToSearchAndASecondEnterShowsTheHits) {
    w.txtSearch->setText(QStringLiteral("RAIN"));
    send(w.txtSearch, QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier));
    EXPECT_EQ(w.focusWidget(), w.cmd_Search);
    EXPECT_EQ(gridColumn(w, 1), (Texts{"Rain", "Sun", "Sky"}));
    send(w.cmd_Search, QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier));
    EXPECT_EQ(gridColumn(w, 1), (Texts{"Rain", "Sun"}));
    EXPECT_EQ(w.lbl_Record->text(), QStringLiteral("レコード件数：3件"));
    // Going back to the box by hand empties it; coming back from another window
    // does not.
    send(w.txtSearch, QFocusEvent(QEvent::FocusIn, Qt::ActiveWindowFocusReason));
    EXPECT_EQ(w.txtSearch->text(), QStringLiteral("RAIN"));
    send(w.txtSearch, QFocusEvent(QEvent::FocusIn, Qt::MouseFocusReason));
    EXPECT_EQ(w.txtSearch->text(), QString());
    w.cmd_Search->click();  // an empty box: nothing happens
    EXPECT_EQ(gridColumn(w, 1).size(), 2u);
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
    EXPECT_EQ(gridColumn(w, 2, true)[0] + std::to_string(w.grd_FileList->model().columnCount()),
              "アルバム11");
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
        EXPECT_EQ(gridColumn(w, 1), (Texts{"Sun", "Rain", "Sky"}));
    }
    EXPECT_EQ(w.list().sortCaption(), "アルバム");
    // Cancelling the column dialog keeps the columns and shows the stored order.
    w.ViewSelect->trigger();
    EXPECT_EQ(w.grd_FileList->model().columnCount(), 11);
    EXPECT_EQ(gridColumn(w, 1), (Texts{"Rain", "Sun", "Sky"}));
    const std::string out = f.dir.file("list.csv");
    f.toolkit.fileAnswers = {out};
    w.ListSave->trigger();
    EXPECT_EQ(readText(out).substr(0, 5), "Rain,");
    w.Info->trigger();
    EXPECT_EQ(f.toolkit.dialogsShown, (Texts{"frm_ViewSelect", "frm_SortSelect", "frm_SortSelect",
                                             "frm_ViewSelect", "frm_Info"}));
}

}  // namespace
}  // namespace tagshelf::test

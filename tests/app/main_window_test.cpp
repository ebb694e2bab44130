// The main window: its controls, the grid, sizes, and its actions (open, drop,
// the grid's keys and clicks, search, sort, columns, CSV and About).
#include <gtest/gtest.h>

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>

#include "app/main_window.h"
#include "app/qt_toolkit.h"
#include "cataloguing/registration.h"
#include "tests/support/catalogue_fixture.h"
#include "tests/support/music_folder.h"
#include "windows/data_edit_window.h"
#include "windows/select_dialog.h"
#include "windows/sort_dialog.h"
#include "windows/view_dialog.h"

namespace tagshelf::test {
namespace {

Texts row(const MainWindow& w, int r) {
    Texts out;
    for (int c = 0; c < w.grd_FileList->model().columnCount(); ++c)
        out.push_back(w.grd_FileList->cellText(r, c).toStdString());
    return out;
}

TEST(MainWindow, ShowsTheCatalogueWithItsCaptionsNumbersAndEncodingNames) {
    CatalogueFixture f;
    f.addRow(
        {"曲", "歌手", "盤", "3/12", "2003", "1225", "Rock", "17", "c", "0", "ID3v23", "/a.mp3"});
    f.addRow({"b", "", "", "", "", "", "", "999", "", "1", "ID3v22", "/b.mp3"});
    f.addRow({"c", "", "", "", "", "", "", "255", "", " ", "ID3v1", "/c.mp3"});
    MainWindow w(f.cat);
    EXPECT_EQ(w.windowTitle() + w.lbl_Record->text(), QStringLiteral("TagShelfレコード件数：3件"));
    EXPECT_EQ(row(w, 0),
              (Texts{"No", "タイトル", "アーティスト", "アルバム", "トラック", "西暦", "月日",
                     "ジャンル", "コメント", "Version", "エンコード", "ファイルパス"}));
    EXPECT_EQ(w.FileOpen->shortcut().toString() + w.FolderOpen->shortcut().toString() +
                  w.Quit->shortcut().toString(),
              "Ctrl+OCtrl+DCtrl+Q");
    ASSERT_EQ(w.grd_FileList->model().rowCount(), 3);
    EXPECT_EQ(row(w, 1), (Texts{"1", "曲", "歌手", "盤", "3/12", "2003", "1225", "Rock", "c",
                                "ID3v23", "Latin1(ISO-8859-1)", "/a.mp3"}));
    EXPECT_EQ(w.grd_FileList->cellText(2, 10) + "|" + w.grd_FileList->cellText(3, 10) + "|" +
                  w.grd_FileList->cellText(3, 0),
              QStringLiteral("Unicode(ISO-10646-1)| |3"));
}

TEST(MainWindow, NumberColumnWidthFollowsTheRecordCount) {
    std::string twips;  // 0: left as it was
    for (long records : {99, 100, 999, 1000, 10000, 99999, 100000})
        twips += std::to_string(numberColumnTwips(records)) + " ";
    EXPECT_EQ(twips, "300 400 400 500 600 600 0 ");
    // The designed width is the least: the largest number and the count show whole.
    CatalogueFixture f;
    {
        BatchScope batch(f.cat);
        for (int i = 0; i < 1234; ++i)
            f.addRow({"t"});
    }
    MainWindow w(f.cat);
    FileGrid& g = *w.grd_FileList;
    EXPECT_EQ(g.columnWidthTwips(0), 500);
    EXPECT_GE(g.columnWidth(0), g.numberColumnPixels(1234));
    EXPECT_GT(g.numberColumnPixels(1234), g.twipsToPixels(500));
    EXPECT_EQ(w.lbl_Record->text(), QStringLiteral("レコード件数：1234件"));
}

TEST(MainWindow, QtsOwnDialogsAndButtonsReadInJapanese) {
    ASSERT_TRUE(installJapaneseQtTexts());
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Yes)->text() + box.button(QMessageBox::No)->text() +
                  box.button(QMessageBox::Cancel)->text(),
              QStringLiteral("はい(&Y)いいえ(&N)キャンセル"));
}

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

TEST_F(MainWindowActionsTest, FileAndFolderOpenRegisterWhatIsChosenAndShowIt) {
    const std::string a = music.addTitled("a.mp3", "エー"),
                      b = music.addTitled("sub/b.mp3", "ビー");
    MainWindow w(f.cat);
    f.toolkit.fileAnswers = {std::nullopt, music.dir("missing.mp3"), a};
    w.FileOpen_Click();  // cancelled
    w.FileOpen_Click();  // a path that does not exist
    EXPECT_EQ(w.lbl_Record->text(), QStringLiteral("レコード件数：0件"));
    w.FileOpen_Click();
    EXPECT_EQ(f.toolkit.fileDialogFilters[0], "MP3ファイル (*.mp3)|*.mp3");
    EXPECT_EQ(gridColumn(w, 1), Texts{"エー"});
    const int progress = f.toolkit.progressDialogs;
    for (bool choose : {false, true}) {
        f.toolkit.dialogScripts.push_back([&, choose](ModalDialog& d) {
            auto& dialog = dynamic_cast<SelectDialog&>(d);
            EXPECT_TRUE(dialog.Dir1->setPath(music.root.str()));
            (choose ? dialog.cmd_Decision : dialog.cmd_Cansel)->click();
            return dialog.result();
        });
        w.FolderOpen_Click();
        EXPECT_EQ(f.toolkit.progressDialogs, progress + choose);  // cancelled: nothing to add
    }
    EXPECT_EQ(w.lbl_Record->text(), QStringLiteral("レコード件数：2件"));
    EXPECT_EQ(gridColumn(w, 11), (Texts{a, b}));
    // The dialog opens at the folder chosen last.
    f.toolkit.dialogScripts.push_back([&](ModalDialog& d) {
        EXPECT_EQ(dynamic_cast<SelectDialog&>(d).Dir1->path(), music.root.str());
        return 0;
    });
    w.FolderOpen_Click();
    EXPECT_EQ(f.toolkit.dialogsShown, Texts(3, "frm_Select"));
}

TEST_F(MainWindowActionsTest, DroppingFilesAndFoldersRegistersThemAndReportsSkippedOnes) {
    const std::string a = music.addTitled("album/a.mp3", "a"), b = music.addTitled("b.mp3", "b");
    music.addTitled("C.MP3", "c");
    MainWindow w(f.cat);
    const std::string vanished = music.dir("vanished.mp3");
    w.grd_FileList_Drop({b, music.dir("album"), music.dir("C.MP3"), vanished, b});
    EXPECT_EQ(gridColumn(w, 11), (Texts{b, a}));
    EXPECT_EQ(f.toolkit.prompts(),
              Texts{"読み込めなかったファイルが1件あり、登録しませんでした。\n" + vanished});
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
    f.toolkit.answers = {MsgAnswer::Yes};
    f.toolkit.dialogScripts.push_back([](ModalDialog& d) {
        auto& edit = dynamic_cast<DataEditWindow&>(d);
        edit.txtTIT2->setValue("after");
        edit.cmdExec->click();
        return edit.result();
    });
    w.grd_FileList_DblClick();
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
    // Going back to the box by hand empties it; from another window it does not.
    send(w.txtSearch, QFocusEvent(QEvent::FocusIn, Qt::ActiveWindowFocusReason));
    EXPECT_EQ(w.txtSearch->text(), QStringLiteral("RAIN"));
    send(w.txtSearch, QFocusEvent(QEvent::FocusIn, Qt::MouseFocusReason));
    EXPECT_EQ(w.txtSearch->text(), QString());
    w.Quit_Click();  // drops the search's result table
    EXPECT_TRUE(fncNoTable(f.cat, "List") && !fncNoTable(f.cat, "FileList"));
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
    // The options: the visible columns.
    f.toolkit.dialogScripts.push_back([](ModalDialog& d) {
        auto& dialog = dynamic_cast<SortDialog&>(d);
        EXPECT_EQ(dialog.windowTitle() + dialog.Label1->text() + dialog.optSort[1]->text(),
                  QStringLiteral("ソートソートする項目を選択して下さいアルバム"));
        dialog.optSort[1]->setChecked(true);
        dialog.cmdOK->click();
        return dialog.result();
    });
    w.Sort->trigger();
    EXPECT_EQ(gridColumn(w, 1), (Texts{"Sun", "Rain", "Sky"}));
    EXPECT_EQ(w.list().sortCaption(), "アルバム");
    w.Info->trigger();
    EXPECT_EQ(f.toolkit.dialogsShown, (Texts{"frm_ViewSelect", "frm_SortSelect", "frm_Info"}));
}

}  // namespace
}  // namespace tagshelf::test

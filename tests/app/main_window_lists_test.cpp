#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <filesystem>

#include "app/main_window.h"
#include "cataloguing/registration.h"
#include "tests/support/catalogue_fixture.h"
#include "tests/support/music_folder.h"
#include "windows/data_edit_window.h"
#include "windows/select_dialog.h"

namespace tagshelf::test {
namespace {

namespace fs = std::filesystem;

class MainWindowListsTest : public ::testing::Test {
  protected:
    std::string mp3(const std::string& relative, const std::string& title) {
        return music.addTitled(relative, title);
    }

    std::vector<std::string> gridColumn(MainWindow& w, int column) {
        std::vector<std::string> out;
        if (!w.grd_FileList->model().filled()) return out;
        for (int r = 1; r <= w.grd_FileList->model().rowCount(); ++r) {
            out.push_back(w.grd_FileList->cellText(r, column).toStdString());
        }
        return out;
    }

    void selectRow(MainWindow& w, int gridRow) {
        w.grd_FileList->setCurrentIndex(w.grd_FileList->model().index(gridRow - 1, 1));
    }

    CatalogueFixture f;
    MusicFolder music;
};

TEST_F(MainWindowListsTest, FolderOpenRegistersTheChosenTreeAndShowsIt) {
    std::string a = mp3("a.mp3", "エー");
    std::string b = mp3("sub/b.mp3", "ビー");
    MainWindow w(f.cat);
    f.toolkit.dialogScripts.push_back([&](ModalDialog& d) {
        auto& dialog = dynamic_cast<SelectDialog&>(d);
        EXPECT_TRUE(dialog.Dir1->setPath(music.root.str()));
        dialog.cmd_Decision->click();
        return dialog.result();
    });
    w.FolderOpen_Click();
    EXPECT_EQ(f.toolkit.dialogsShown, std::vector<std::string>{"frm_Select"});
    EXPECT_EQ(w.lbl_Record->text(), QStringLiteral("レコード件数：2件"));
    EXPECT_EQ(gridColumn(w, 1), (std::vector<std::string>{"ビー", "エー"}));
    EXPECT_EQ(gridColumn(w, 11), (std::vector<std::string>{b, a}));
    EXPECT_EQ(f.toolkit.progressDialogs, 1);
    EXPECT_TRUE(f.toolkit.messages.empty());
    // The dialog opens at the folder chosen last.
    f.toolkit.dialogScripts.push_back([&](ModalDialog& d) {
        EXPECT_EQ(dynamic_cast<SelectDialog&>(d).Dir1->path(), music.root.str());
        return 0;
    });
    w.FolderOpen_Click();
    EXPECT_EQ(f.toolkit.dialogsShown.size(), 2u);
}

TEST_F(MainWindowListsTest, CancellingTheFolderDialogAddsNothing) {
    mp3("a.mp3", "x");
    MainWindow w(f.cat);
    f.toolkit.dialogScripts.push_back([](ModalDialog& d) {
        dynamic_cast<SelectDialog&>(d).cmd_Cansel->click();
        return dynamic_cast<SelectDialog&>(d).result();
    });
    w.FolderOpen_Click();
    EXPECT_EQ(fncDbReadCount(f.cat, "FileList"), 0);
    EXPECT_EQ(f.toolkit.progressDialogs, 0);
}

TEST_F(MainWindowListsTest, FileOpenRegistersOneChosenFile) {
    std::string a = mp3("a.mp3", "one");
    MainWindow w(f.cat);
    f.toolkit.fileAnswers = {std::nullopt, music.dir("missing.mp3"), a};
    w.FileOpen_Click();  // cancelled
    w.FileOpen_Click();  // a path that does not exist
    EXPECT_FALSE(fs::exists(music.dir("missing.mp3")));
    EXPECT_EQ(w.lbl_Record->text(), QStringLiteral("レコード件数：0件"));
    w.FileOpen_Click();
    EXPECT_EQ(f.toolkit.fileDialogFilters[0], "MP3ファイル (*.mp3)|*.mp3");
    EXPECT_EQ(w.lbl_Record->text(), QStringLiteral("レコード件数：1件"));
    EXPECT_EQ(gridColumn(w, 1), std::vector<std::string>{"one"});
    EXPECT_TRUE(f.toolkit.messages.empty());
}

TEST_F(MainWindowListsTest, DroppingFilesAndFoldersRegistersThemAndReportsSkippedOnes) {
    std::string a = mp3("album/a.mp3", "a");
    std::string b = mp3("b.mp3", "b");
    mp3("C.MP3", "c");
    MainWindow w(f.cat);
    std::string vanished = music.dir("vanished.mp3");
    w.grd_FileList_Drop({b, music.root.str() + "/album", music.dir("C.MP3"), vanished, b});
    EXPECT_EQ(gridColumn(w, 11), (std::vector<std::string>{b, a}));
    EXPECT_EQ(f.toolkit.prompts(),
              std::vector<std::string>{"読み込めなかったファイルが1件あり、登録しませんでした。\n" +
                                       vanished});
}

TEST_F(MainWindowListsTest, ClickShowsThePathAndDeleteKeyRemovesTheRecord) {
    f.addRow({"a", "", "", "", "", "", "", "", "", "", "", "/m/a.mp3"});
    f.addRow({"b", "", "", "", "", "", "", "", "", "", "", "/m/it's.mp3"});
    MainWindow w(f.cat);
    selectRow(w, 2);
    w.grd_FileList_Click();
    EXPECT_EQ(f.toolkit.statusText, "/m/it's.mp3");

    f.toolkit.answers = {MsgAnswer::Yes};
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(w.grd_FileList, &del);
    EXPECT_EQ(f.toolkit.prompts(),
              std::vector<std::string>{"/m/it's.mp3のレコードを削除しますか？"});
    EXPECT_EQ(w.lbl_Record->text(), QStringLiteral("レコード件数：1件"));
    EXPECT_EQ(gridColumn(w, 11), std::vector<std::string>{"/m/a.mp3"});

    // "DBの初期化" empties the grid, the label and the status bar together.
    f.toolkit.answers = {MsgAnswer::Yes};
    w.Initial_Click();
    EXPECT_EQ(w.lbl_Record->text(), QStringLiteral("レコード件数：0件"));
    EXPECT_FALSE(w.grd_FileList->model().filled());
    EXPECT_EQ(f.toolkit.statusText, "");
}

TEST_F(MainWindowListsTest, DoubleClickEditsTheRowAndTheGridShowsTheEdit) {
    std::string a = mp3("a.mp3", "before");
    subAddFile(f.cat, a);
    MainWindow w(f.cat);
    selectRow(w, 1);
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
    EXPECT_EQ(f.toolkit.dialogsShown, (std::vector<std::string>{"frm_DataEdit", "frm_DataEdit"}));
    EXPECT_EQ(gridColumn(w, 1), std::vector<std::string>{"after"});
}

TEST_F(MainWindowListsTest, CancellingWhileFilesAreLookedForRegistersNothing) {
    mp3("a/1.mp3", "1");
    mp3("b/2.mp3", "2");
    MainWindow w(f.cat);
    f.toolkit.cancelSearchAfter = 2;
    w.grd_FileList_Drop({music.root.str()});
    EXPECT_GE(f.toolkit.searchSteps, 2);
    EXPECT_EQ(f.toolkit.progressSteps, 0);
    EXPECT_EQ(fncDbReadCount(f.cat, "FileList"), 0);
    EXPECT_TRUE(f.toolkit.messages.empty());
}

TEST_F(MainWindowListsTest, ANameThatIsNotUtf8IsDroppedStoredAndShownReadably) {
    // A folder "曲" holding "あい.mp3", named in Shift-JIS as on an old disc.
    const std::string file = mp3("\x8b\xc8/\x82\xa0\x82\xa2.mp3", "t");
    MainWindow w(f.cat);
    QMimeData data;
    data.setData("text/uri-list",
                 "file://" +
                     QByteArray::fromStdString(music.dir("\x8b\xc8/")).toPercentEncoding("/") +
                     "\r\n");
    w.grd_FileList->takeDrop(data);
    QApplication::processEvents();
    EXPECT_EQ(f.column("SELECT FilePath FROM FileList"), std::vector<std::string>{file});
    EXPECT_EQ(gridColumn(w, 11), std::vector<std::string>{music.dir("曲/あい.mp3")});
}

}  // namespace
}  // namespace tagshelf::test

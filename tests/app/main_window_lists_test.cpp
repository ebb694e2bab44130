#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <filesystem>

#include "app/main_window.h"
#include "tests/id3/tag_builder.h"
#include "tests/support/catalogue_fixture.h"
#include "windows/select_dialog.h"

namespace tagshelf::test {
namespace {

namespace fs = std::filesystem;

class MainWindowListsTest : public ::testing::Test {
  protected:
    std::string mp3(const std::string& relative, const std::string& title) {
        fs::path p = music.path() / relative;
        fs::create_directories(p.parent_path());
        writeFile(p.string(),
                  concat({Id3v2Builder(3).frame(frameV23("TIT2", sjisText(title))).build(),
                          fakeAudio(800)}));
        return p.string();
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
    TempDir music;
};

TEST_F(MainWindowListsTest, FolderOpenRegistersTheChosenTreeAndShowsIt) {
    std::string a = mp3("a.mp3", "エー");
    std::string b = mp3("sub/b.mp3", "ビー");
    MainWindow w(f.state);
    f.toolkit.dialogScripts.push_back([&](ModalDialog& d) {
        auto& dialog = dynamic_cast<SelectDialog&>(d);
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("フォルダを開く"));
        EXPECT_EQ(dialog.Dir1->path(), "/");  // it always opens at the root
        EXPECT_EQ(dialog.Drive1->currentText(), QStringLiteral("/"));
        EXPECT_TRUE(dialog.Dir1->setPath(music.str()));
        dialog.cmd_Decision->click();
        return dialog.result();
    });
    w.FolderOpen_Click();
    EXPECT_EQ(f.toolkit.dialogsShown, std::vector<std::string>{"frm_Select"});
    EXPECT_EQ(f.state.CurrentFile, a);  // the last file registered
    EXPECT_EQ(w.lbl_Record->text(), QStringLiteral("レコード件数：2件"));
    EXPECT_EQ(gridColumn(w, 1), (std::vector<std::string>{"ビー", "エー"}));
    EXPECT_EQ(gridColumn(w, 11), (std::vector<std::string>{b, a}));
    EXPECT_EQ(f.toolkit.progressDialogs, 1);
    EXPECT_TRUE(f.toolkit.messages.empty());
}

TEST_F(MainWindowListsTest, TheFolderDialogPassesFoldersWithATrailingSeparator) {
    SelectDialog dialog(f.state);
    dialog.cmd_Decision->click();
    EXPECT_EQ(f.state.CurrentFile, "/");
    dialog.Dir1->setPath(music.str());
    dialog.cmd_Decision->click();
    EXPECT_EQ(f.state.CurrentFile, music.str() + "/");
    // A double-click opens a subfolder; its items show the way from the root.
    fs::create_directory(music.path() / "sub");
    dialog.Dir1->setPath(music.str());
    QListWidgetItem* last = dialog.Dir1->item(dialog.Dir1->count() - 1);
    EXPECT_EQ(DirList::itemPath(last), music.str() + "/sub");
    EXPECT_EQ(DirList::itemPath(dialog.Dir1->item(0)), "/");
}

TEST_F(MainWindowListsTest, CancellingTheFolderDialogAddsNothing) {
    mp3("a.mp3", "x");
    MainWindow w(f.state);
    f.toolkit.dialogScripts.push_back([](ModalDialog& d) {
        dynamic_cast<SelectDialog&>(d).cmd_Cansel->click();
        return dynamic_cast<SelectDialog&>(d).result();
    });
    w.FolderOpen_Click();
    EXPECT_TRUE(f.state.CurrentFile.empty());
    EXPECT_EQ(fncDbReadCount(f.state, "FileList"), 0);
    EXPECT_EQ(f.toolkit.progressDialogs, 0);
}

TEST_F(MainWindowListsTest, AFailedDriveChangeOffersRetryThenGoesBack) {
    SelectDialog dialog(f.state, nullptr, {"/", "/no-such-drive"});
    f.toolkit.answers = {MsgAnswer::Retry, MsgAnswer::Cancel};
    dialog.Drive1->setCurrentIndex(1);
    ASSERT_EQ(f.toolkit.messages.size(), 2u);
    EXPECT_EQ(
        f.toolkit.messages[0].prompt,
        "ドライブの変更時にエラーが発生しました。\n使用可能なドライブであるかを確認してください。");
    EXPECT_EQ(f.toolkit.messages[0].buttons, MsgButtons::RetryCancel);
    EXPECT_EQ(f.toolkit.messages[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(dialog.Drive1->currentText(), QStringLiteral("/"));
    EXPECT_EQ(dialog.Dir1->path(), "/");
}

TEST_F(MainWindowListsTest, FileOpenRegistersOneChosenFile) {
    std::string a = mp3("a.mp3", "one");
    MainWindow w(f.state);
    f.toolkit.fileAnswers = {std::nullopt, music.file("missing.mp3"), a};
    w.FileOpen_Click();  // cancelled
    w.FileOpen_Click();  // a path that does not exist
    EXPECT_FALSE(fs::exists(music.file("missing.mp3")));
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
    MainWindow w(f.state);
    std::string vanished = music.file("vanished.mp3");
    w.grd_FileList_Drop({b, music.str() + "/album", music.file("C.MP3"), vanished, b});
    EXPECT_EQ(gridColumn(w, 11), (std::vector<std::string>{b, a}));
    EXPECT_EQ(f.toolkit.prompts(),
              std::vector<std::string>{"読み込めなかったファイルが1件あり、登録しませんでした。\n" +
                                       vanished});
}

TEST_F(MainWindowListsTest, ClickShowsThePathAndDeleteKeyRemovesTheRecord) {
    f.addRow({"a", "", "", "", "", "", "", "", "", "", "", "/m/a.mp3"});
    f.addRow({"b", "", "", "", "", "", "", "", "", "", "", "/m/it's.mp3"});
    MainWindow w(f.state);
    selectRow(w, 2);
    w.grd_FileList_Click();
    EXPECT_EQ(f.toolkit.statusText, "/m/it's.mp3");
    w.grd_FileList_DblClick();
    EXPECT_EQ(f.state.view.SelectedRow, 2);

    f.toolkit.answers = {MsgAnswer::Yes};
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(w.grd_FileList, &del);
    EXPECT_EQ(f.toolkit.prompts(),
              std::vector<std::string>{"/m/it's.mp3のレコードを削除しますか？"});
    EXPECT_EQ(w.lbl_Record->text(), QStringLiteral("レコード件数：1件"));
    EXPECT_EQ(gridColumn(w, 11), std::vector<std::string>{"/m/a.mp3"});

    // Deleting the only record leaves the header and one empty row.
    selectRow(w, 1);
    f.toolkit.answers = {MsgAnswer::Yes};
    w.Delete_Click();
    EXPECT_EQ(w.lbl_Record->text(), QStringLiteral("レコード件数：0件"));
    EXPECT_EQ(w.grd_FileList->model().rowCount(), 1);
    EXPECT_FALSE(w.grd_FileList->model().filled());

    // With no record, deleting and clicking touch nothing and ask nothing.
    f.toolkit.messages.clear();
    w.Delete_Click();
    w.grd_FileList_KeyDown(46);
    w.grd_FileList_Click();
    EXPECT_TRUE(f.toolkit.messages.empty());
    EXPECT_EQ(f.toolkit.statusText, "");
}

TEST_F(MainWindowListsTest, InitialiseAnsweredNoReloadsAndYesEmptiesTheView) {
    for (const char* p : {"/1.mp3", "/2.mp3", "/3.mp3"}) {
        f.addRow({"t", "", "", "", "", "", "", "", "", "", "", p});
    }
    MainWindow w(f.state);
    f.state.view.SortCaption = "タイトル";
    f.toolkit.statusText = "/1.mp3";
    f.toolkit.answers = {MsgAnswer::No};
    w.Initial_Click();
    EXPECT_EQ(f.toolkit.prompts(), std::vector<std::string>{"FileListのテーブルを削除しますか？"});
    EXPECT_EQ(f.toolkit.messages[0].icon, MsgIcon::Question);
    EXPECT_EQ(gridColumn(w, 11).size(), 3u);
    EXPECT_EQ(f.toolkit.statusText, "");
    EXPECT_EQ(f.state.view.SortCaption, "タイトル");

    f.toolkit.answers = {MsgAnswer::Yes};
    f.toolkit.statusText = "/1.mp3";
    w.Initial_Click();
    EXPECT_EQ(fncDbReadCount(f.state, "FileList"), 0);
    EXPECT_EQ(w.lbl_Record->text(), QStringLiteral("レコード件数：0件"));
    EXPECT_EQ(f.toolkit.statusText, "");
    EXPECT_EQ(f.state.view.SortCaption, "");
    EXPECT_EQ(f.state.glngRecordCount, 0);

    // On an empty catalogue it asks nothing.
    f.toolkit.messages.clear();
    w.Initial_Click();
    EXPECT_TRUE(f.toolkit.messages.empty());
}

TEST_F(MainWindowListsTest, ListOperationsLeaveSearchModeSoGridAndListAgree) {
    f.addRow({"a", "", "", "", "", "", "", "", "", "", "", "/m/a.mp3"});
    f.addRow({"b", "", "", "", "", "", "", "", "", "", "", "/m/b.mp3"});
    f.addRow({"c", "", "", "", "", "", "", "", "", "", "", "/m/c.mp3"});
    MainWindow w(f.state);
    // A search result of one record is on display.
    ASSERT_TRUE(fncCreateTable(f.state, "List").ok());
    f.addRow({"c", "", "", "", "", "", "", "", "", "", "", "/m/c.mp3"}, "List");
    f.state.view.SearchMode = true;
    f.state.records.entries.assign(2, Record{});
    f.state.records.entries[0].FilePath = "/m/c.mp3";
    w.grd_FileList->subGridInit();
    w.grd_FileList->subGridFill();
    ASSERT_EQ(f.state.glngRecordCount, 1);
    w.txtSearch->setText(QStringLiteral("c"));

    selectRow(w, 1);
    f.toolkit.answers = {MsgAnswer::Yes};
    w.Delete_Click();
    EXPECT_FALSE(f.state.view.SearchMode);
    EXPECT_EQ(gridColumn(w, 11), (std::vector<std::string>{"/m/a.mp3", "/m/b.mp3"}));
    EXPECT_EQ(f.state.glngRecordCount, 2);
    EXPECT_EQ(f.state.records.entries[1].FilePath, "/m/b.mp3");

    // The redo button shows the whole catalogue and empties the search box.
    f.state.view.SearchMode = true;
    w.cmd_Redo->click();
    EXPECT_FALSE(f.state.view.SearchMode);
    EXPECT_EQ(w.txtSearch->text(), QString());
    EXPECT_EQ(w.lbl_Record->text(), QStringLiteral("レコード件数：2件"));

    // Adding files leaves search mode too.
    f.state.view.SearchMode = true;
    w.grd_FileList_Drop({mp3("d.mp3", "d")});
    EXPECT_FALSE(f.state.view.SearchMode);
    EXPECT_EQ(gridColumn(w, 11).size(), 3u);
}

TEST_F(MainWindowListsTest, InitialiseAndRedoEmptyASearchResultTogetherWithTheList) {
    f.addRow({"a", "", "", "", "", "", "", "", "", "", "", "/m/a.mp3"});
    MainWindow w(f.state);
    ASSERT_TRUE(fncCreateTable(f.state, "List").ok());
    f.addRow({"a", "", "", "", "", "", "", "", "", "", "", "/m/a.mp3"}, "List");
    f.state.view.SearchMode = true;
    w.grd_FileList->subGridFill();
    f.toolkit.answers = {MsgAnswer::Yes};
    w.Initial_Click();
    EXPECT_FALSE(f.state.view.SearchMode);
    EXPECT_FALSE(w.grd_FileList->model().filled());
    EXPECT_EQ(f.state.glngRecordCount, 0);

    // The result table still holds the record, the catalogue is empty: going back
    // to the whole catalogue empties the grid as well.
    f.state.view.SearchMode = true;
    f.state.records.entries.assign(2, Record{});
    f.state.records.entries[0].FilePath = "/m/a.mp3";
    w.grd_FileList->subGridFill();
    ASSERT_TRUE(w.grd_FileList->model().filled());
    w.cmd_Redo_Click();
    EXPECT_FALSE(w.grd_FileList->model().filled());
    EXPECT_EQ(w.lbl_Record->text(), QStringLiteral("レコード件数：0件"));
    EXPECT_EQ(f.state.glngRecordCount, 0);
}

TEST_F(MainWindowListsTest, CancellingWhileFilesAreLookedForRegistersNothing) {
    mp3("a/1.mp3", "1");
    mp3("b/2.mp3", "2");
    MainWindow w(f.state);
    f.toolkit.cancelSearchAfter = 2;
    w.grd_FileList_Drop({music.str()});
    EXPECT_GE(f.toolkit.searchSteps, 2);
    EXPECT_EQ(f.toolkit.progressSteps, 0);
    EXPECT_EQ(fncDbReadCount(f.state, "FileList"), 0);
    EXPECT_TRUE(f.toolkit.messages.empty());
}

}  // namespace
}  // namespace tagshelf::test

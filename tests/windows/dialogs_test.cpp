// The folder dialog, the open dialog and file names that are not UTF-8, the
// column dialog and the About box (the sort dialog is tried on the main window).
#include <gtest/gtest.h>

#include <QFile>
#include <QMimeData>
#include <QTest>
#include <filesystem>
#include <memory>

#include "core/toolkit.h"
#include "tests/support/test_support.h"
#include "windows/file_names.h"
#include "windows/file_open_dialog.h"
#include "windows/info_dialog.h"
#include "windows/select_dialog.h"
#include "windows/view_dialog.h"

namespace tagshelf::test {
namespace {

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

TEST(SelectDialog, PassesTheChosenFolderWithATrailingSeparator) {
    ScriptedToolkit toolkit;
    TempDir music;
    SelectDialog dialog(toolkit);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("フォルダを開く"));
    EXPECT_EQ(dialog.Dir1->path() + dialog.Drive1->currentText().toStdString(), "//");
    dialog.cmd_Decision->click();  // it always opens at the root
    EXPECT_EQ(dialog.chosenFolder(), "/");
    // The items show the way from the root, then the subfolders.
    fs::create_directory(music.path() / "sub");
    dialog.Dir1->setPath(music.str());
    EXPECT_EQ(DirList::itemPath(dialog.Dir1->item(0)), "/");
    EXPECT_EQ(DirList::itemPath(dialog.Dir1->item(dialog.Dir1->count() - 1)), music.str() + "/sub");
    dialog.cmd_Decision->click();
    EXPECT_EQ(dialog.chosenFolder(), music.str() + "/");
}

TEST(SelectDialog, ChoosesTheHighlightedFolderAndEnterOnlyOpensIt) {
    ScriptedToolkit toolkit;
    TempDir music;
    fs::create_directories(music.path() / "music2" / "inner");
    SelectDialog dialog(toolkit, nullptr, music.str());
    dialog.show();
    dialog.Dir1->setFocus();
    dialog.Dir1->setCurrentRow(dialog.Dir1->count() - 1);  // music2, below the open folder
    QTest::keyClick(dialog.Dir1, Qt::Key_Return);
    EXPECT_EQ(dialog.Dir1->path(), music.str() + "/music2");
    EXPECT_TRUE(dialog.chosenFolder().empty());            // Enter chose nothing
    dialog.Dir1->setCurrentRow(dialog.Dir1->count() - 1);  // inner
    dialog.cmd_Decision->click();
    EXPECT_EQ(dialog.chosenFolder(), music.str() + "/music2/inner/");
    EXPECT_EQ(SelectDialog(toolkit, nullptr, "/no/such/folder").Dir1->path(), "/");
}

TEST(SelectDialog, AFailedDriveChangeOffersRetryThenGoesBack) {
    ScriptedToolkit toolkit;
    SelectDialog dialog(toolkit, nullptr, "/", {"/", "/no-such-drive"});
    toolkit.answers = {MsgAnswer::Retry, MsgAnswer::Cancel};
    dialog.Drive1->setCurrentIndex(1);
    EXPECT_EQ(toolkit.prompts(), Texts(2,
                                       "ドライブの変更時にエラーが発生しました。\n"
                                       "使用可能なドライブであるかを確認してください。"));
    EXPECT_EQ(toolkit.messages[0].buttons, MsgButtons::RetryCancel);
    EXPECT_EQ(toolkit.messages[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(dialog.Drive1->currentText(), QStringLiteral("/"));
    EXPECT_EQ(dialog.Dir1->path(), "/");
    // The drives: the mounted file systems that hold files.
    TempDir dir;
    writeText(dir.file("mounts"),
              "/dev/sda1 / ext4 rw 0 0\nproc /proc proc rw 0 0\ntmpfs /run tmpfs rw 0 0\n"
              "/dev/sdb1 /media/My\\040Disc vfat rw 0 0\nsysfs /sys sysfs rw 0 0\n");
    EXPECT_EQ(mountedFileSystems(dir.file("mounts")), (Texts{"/", "/media/My Disc"}));
}

TEST(FileNames, ADialogsAnswerFindsTheBytesQtCouldNotShow) {
    TempDir dir;
    // "あい" and "あう" in Shift-JIS: Qt shows both as four replacement characters.
    const std::string ai = dir.file("\x8b\xc8/\x82\xa0\x82\xa2.mp3");
    fs::create_directory(dir.file("\x8b\xc8"));
    writeText(ai, "");
    // A new name typed into a folder whose name is not UTF-8 keeps the folder's bytes.
    for (const std::string& chosen : {ai, dir.file("utf8.mp3"), dir.file("\x8b\xc8/新.mp3")})
        EXPECT_EQ(localPathBytes(QFile::decodeName(QByteArray::fromStdString(chosen))), chosen);
    // Two names Qt shows alike: neither is taken for the other.
    writeText(dir.file("\x8b\xc8/\x82\xa0\x82\xa4.mp3"), "");
    EXPECT_NE(localPathBytes(QFile::decodeName(QByteArray::fromStdString(ai))), ai);
}

TEST(FileNames, DroppedPathsKeepTheirBytesAndShowReadably) {
    QMimeData data;
    data.setData("text/uri-list",
                 "# a comment\r\nfile:///m/%82%A0.mp3\r\nfile://localhost/m/dir/\r\n"
                 "http://example.com/x.mp3\r\nfile://elsewhere/y.mp3\r\n");
    EXPECT_EQ(droppedPaths(data), (Texts{"/m/\x82\xa0.mp3", "/m/dir"}));
    EXPECT_EQ(displayPath("/\xe6\x9b\xb2/\x82\xa0\x82\xa2.mp3"), QStringLiteral("/曲/あい.mp3"));
    EXPECT_EQ(displayPath("/m/\xff.mp3"), QStringLiteral("/m/?.mp3"));
}

TEST(FileNames, TheOpenDialogListsAndGivesNamesThatAreNotUtf8) {
    TempDir dir;
    for (const char* name : {"\x82\xa0\x82\xa2.mp3", "b.MP3", ".hidden.mp3", "c.txt"})
        writeText(dir.file(name), "");
    fs::create_directory(dir.file("sub.mp3"));
    FileOpenDialog dialog("MP3ファイル (*.mp3)|*.mp3", dir.str());
    ASSERT_EQ(dialog.File1->count(), 2);
    EXPECT_EQ(dialog.File1->item(0)->text() + "|" + dialog.File1->item(1)->text(),
              QStringLiteral("b.MP3|あい.mp3"));
    dialog.File1->setCurrentRow(1);
    dialog.cmd_Open->click();
    EXPECT_EQ(dialog.chosenFile(), dir.file("\x82\xa0\x82\xa2.mp3"));
}

std::string text(const QWidget* w) {
    if (auto* label = qobject_cast<const QLabel*>(w)) return label->text().toStdString();
    return qobject_cast<const QAbstractButton*>(w)->text().toStdString();
}

TEST(ViewDialog, OpensWithEveryColumnTickedAndRefusesToShowNone) {
    ScriptedToolkit toolkit;
    ViewDialog dialog(toolkit);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("表示項目選択"));
    std::string captions = text(dialog.Label1);
    for (int i = 0; i < kDataColumns; ++i) {
        EXPECT_TRUE(dialog.chk_Item[i]->isChecked() && !dialog.chk_Item[i]->isHidden());
        captions += " " + text(dialog.chk_Item[i]);
    }
    EXPECT_EQ(captions,
              "表示する項目を選択して下さい タイトル アーティスト アルバム トラック 西暦 月日 "
              "ジャンル コメント Version エンコード ファイルパス");
    EXPECT_TRUE(dialog.chk_Item[11]->isHidden());
    for (QCheckBox* box : dialog.chk_Item)
        box->setChecked(false);
    dialog.cmd_Ok->click();
    EXPECT_EQ(toolkit.prompts(), Texts{"表示する項目を1つ以上選択して下さい"});
    EXPECT_NE(dialog.result(), QDialog::Accepted);
}

TEST(InfoDialog, ShowsTheVersionAndOpensTheAddressInABrowserEachClick) {
    ScriptedToolkit toolkit;
    auto dialog = std::make_unique<InfoDialog>(toolkit);
    EXPECT_EQ(text(dialog->Label3), "TagShelf v0.9");
    EXPECT_EQ(dialog->Label2->text().count(QLatin1Char('\n')), 1);
    const std::string url = InfoDialog::homeUrl();
    EXPECT_NE(text(dialog->Label4).find(url), std::string::npos);
    for (int click = 1; click <= 2; ++click) {
        emit dialog->Label4->linkActivated(QString::fromStdString(url));
        ASSERT_EQ(toolkit.browsers.size(), static_cast<std::size_t>(click));
        EXPECT_EQ(toolkit.browsers.back().url, url);
        EXPECT_EQ(dialog->ie(), click);
    }
    toolkit.browsers[0].ended();  // let go of by the second click
    EXPECT_EQ(dialog->ie(), 2);
    toolkit.browsers[1].ended();
    EXPECT_EQ(dialog->ie(), 0);
    toolkit.browserFails = true;
    dialog->Label4_Click();
    EXPECT_EQ(toolkit.prompts(), Texts{"ブラウザを起動できませんでした。\n" + url});
    // A browser closed after the About box does no harm.
    toolkit.browserFails = false;
    dialog->Label4_Click();
    dialog->cmd_OK->click();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    dialog.reset();
    toolkit.browsers.back().ended();
}

}  // namespace
}  // namespace tagshelf::test

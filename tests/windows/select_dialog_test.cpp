#include <gtest/gtest.h>

#include <QTest>
#include <filesystem>

#include "core/toolkit.h"
#include "tests/support/test_support.h"
#include "windows/select_dialog.h"

namespace tagshelf::test {
namespace {

namespace fs = std::filesystem;

TEST(SelectDialog, PassesTheChosenFolderWithATrailingSeparator) {
    ScriptedToolkit toolkit;
    TempDir music;
    SelectDialog dialog(toolkit);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("フォルダを開く"));
    EXPECT_EQ(dialog.Dir1->path(), "/");  // it always opens at the root
    EXPECT_EQ(dialog.Drive1->currentText(), QStringLiteral("/"));
    dialog.cmd_Decision->click();
    EXPECT_EQ(dialog.chosenFolder(), "/");
    dialog.Dir1->setPath(music.str());
    dialog.cmd_Decision->click();
    EXPECT_EQ(dialog.chosenFolder(), music.str() + "/");
    // The items show the way from the root, then the subfolders.
    fs::create_directory(music.path() / "sub");
    dialog.Dir1->setPath(music.str());
    EXPECT_EQ(DirList::itemPath(dialog.Dir1->item(dialog.Dir1->count() - 1)), music.str() + "/sub");
    EXPECT_EQ(DirList::itemPath(dialog.Dir1->item(0)), "/");
}

TEST(SelectDialog, ChoosesTheHighlightedFolderAndEnterOnlyOpensIt) {
    ScriptedToolkit toolkit;
    TempDir music;
    fs::create_directories(music.path() / "music2" / "inner");
    SelectDialog dialog(toolkit, nullptr, music.str());
    ASSERT_EQ(dialog.Dir1->path(), music.str());
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
    ASSERT_EQ(toolkit.messages.size(), 2u);
    EXPECT_EQ(
        toolkit.messages[0].prompt,
        "ドライブの変更時にエラーが発生しました。\n使用可能なドライブであるかを確認してください。");
    EXPECT_EQ(toolkit.messages[0].buttons, MsgButtons::RetryCancel);
    EXPECT_EQ(toolkit.messages[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(dialog.Drive1->currentText(), QStringLiteral("/"));
    EXPECT_EQ(dialog.Dir1->path(), "/");
}

TEST(SelectDialog, DrivesAreTheMountedFileSystemsThatHoldFiles) {
    TempDir dir;
    writeText(dir.file("mounts"),
              "/dev/sda1 / ext4 rw 0 0\nproc /proc proc rw 0 0\ntmpfs /run tmpfs rw 0 0\n"
              "/dev/sdb1 /media/My\\040Disc vfat rw 0 0\nsysfs /sys sysfs rw 0 0\n");
    EXPECT_EQ(mountedFileSystems(dir.file("mounts")),
              (std::vector<std::string>{"/", "/media/My Disc"}));
}

}  // namespace
}  // namespace tagshelf::test

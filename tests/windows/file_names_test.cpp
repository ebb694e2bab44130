// File names that are not UTF-8 keep their bytes between Qt and the file system.
#include <gtest/gtest.h>

#include <QFile>
#include <QMimeData>

#include "tests/support/test_support.h"
#include "windows/file_names.h"
#include "windows/file_open_dialog.h"

namespace tagshelf::test {
namespace {

TEST(FileNames, ADialogsAnswerFindsTheBytesQtCouldNotShow) {
    TempDir dir;
    // "あい" and "あう" in Shift-JIS: Qt shows both as four replacement characters.
    const std::string ai = dir.file("\x8b\xc8/\x82\xa0\x82\xa2.mp3");
    std::filesystem::create_directory(dir.file("\x8b\xc8"));
    writeText(ai, "");
    const struct {
        std::string chosen;
        std::string expected;
    } cases[] = {
        {ai, ai},
        {dir.file("utf8.mp3"), dir.file("utf8.mp3")},
        // A new name typed into a folder whose name is not UTF-8.
        {dir.file("\x8b\xc8/新.mp3"), dir.file("\x8b\xc8/新.mp3")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(localPathBytes(QFile::decodeName(QByteArray::fromStdString(c.chosen))),
                  c.expected);
    }
    // Two names Qt shows alike: neither is taken for the other.
    writeText(dir.file("\x8b\xc8/\x82\xa0\x82\xa4.mp3"), "");
    EXPECT_NE(localPathBytes(QFile::decodeName(QByteArray::fromStdString(ai))), ai);
}

TEST(FileNames, DroppedPathsKeepTheirBytes) {
    QMimeData data;
    data.setData("text/uri-list",
                 "# a comment\r\nfile:///m/%82%A0.mp3\r\nfile://localhost/m/dir/\r\n"
                 "http://example.com/x.mp3\r\nfile://elsewhere/y.mp3\r\n");
    EXPECT_EQ(droppedPaths(data), (std::vector<std::string>{"/m/\x82\xa0.mp3", "/m/dir"}));
}

TEST(FileNames, ShownReadably) {
    EXPECT_EQ(displayPath("/\xe6\x9b\xb2/\x82\xa0\x82\xa2.mp3"), QStringLiteral("/曲/あい.mp3"));
    EXPECT_EQ(displayPath("/m/\xff.mp3"), QStringLiteral("/m/?.mp3"));
}

TEST(FileNames, TheOpenDialogListsAndGivesNamesThatAreNotUtf8) {
    TempDir dir;
    for (const char* name : {"\x82\xa0\x82\xa2.mp3", "b.MP3", ".hidden.mp3", "c.txt"})
        writeText(dir.file(name), "");
    std::filesystem::create_directory(dir.file("sub.mp3"));
    FileOpenDialog dialog("MP3ファイル (*.mp3)|*.mp3", dir.str());
    ASSERT_EQ(dialog.File1->count(), 2);
    EXPECT_EQ(dialog.File1->item(0)->text(), QStringLiteral("b.MP3"));
    EXPECT_EQ(dialog.File1->item(1)->text(), QStringLiteral("あい.mp3"));
    dialog.File1->setCurrentRow(1);
    dialog.cmd_Open->click();
    EXPECT_EQ(dialog.chosenFile(), dir.file("\x82\xa0\x82\xa2.mp3"));
}

}  // namespace
}  // namespace tagshelf::test

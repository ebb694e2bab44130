#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <filesystem>

#include "app/main_window.h"
#include "app/qt_toolkit.h"
#include "tests/support/catalogue_fixture.h"

namespace tagshelf::test {
namespace {

QString qs(const char* s) {
    return QString::fromUtf8(s);
}

std::vector<std::string> row(const MainWindow& w, int r) {
    std::vector<std::string> out;
    for (int c = 0; c < w.grd_FileList->model().columnCount(); ++c)
        out.push_back(w.grd_FileList->cellText(r, c).toStdString());
    return out;
}

TEST(MainWindow, OpensOnAnEmptyCatalogueWithItsControlsAndMenus) {
    CatalogueFixture f;
    MainWindow w(f.cat);
    EXPECT_EQ(w.windowTitle(), qs("TagShelf"));
    EXPECT_EQ(w.lbl_Record->text(), qs("レコード件数：0件"));
    EXPECT_EQ(row(w, 0),
              (std::vector<std::string>{"No", "タイトル", "アーティスト", "アルバム", "トラック",
                                        "西暦", "月日", "ジャンル", "コメント", "Version",
                                        "エンコード", "ファイルパス"}));
    // The header row and one empty row.
    EXPECT_EQ(w.grd_FileList->model().rowCount(), 1);
    EXPECT_EQ(w.grd_FileList->cellText(1, 0), QString());
    EXPECT_TRUE(w.cmd_Search->isEnabled() && !w.cmd_Search->isDefault());
    EXPECT_EQ(w.FileOpen->shortcut().toString() + w.FolderOpen->shortcut().toString() +
                  w.Quit->shortcut().toString(),
              "Ctrl+OCtrl+DCtrl+Q");
    EXPECT_TRUE(f.toolkit.messages.empty());
    EXPECT_EQ(w.size(), QSize(w.twips(10000), w.twips(6000)));
}

TEST(MainWindow, ShowsTheCatalogueWithNumbersAlignmentsAndEncodingNames) {
    CatalogueFixture f;
    f.addRow(
        {"曲", "歌手", "盤", "3/12", "2003", "1225", "Rock", "17", "c", "0", "ID3v23", "/a.mp3"});
    f.addRow({"b", "", "", "", "", "", "", "999", "", "1", "ID3v22", "/b.mp3"});
    f.addRow({"c", "", "", "", "", "", "", "255", "", " ", "ID3v1", "/c.mp3"});
    MainWindow w(f.cat);
    EXPECT_EQ(w.lbl_Record->text(), qs("レコード件数：3件"));
    ASSERT_EQ(w.grd_FileList->model().rowCount(), 3);
    EXPECT_EQ(row(w, 1),
              (std::vector<std::string>{"1", "曲", "歌手", "盤", "3/12", "2003", "1225", "Rock",
                                        "c", "ID3v23", "Latin1(ISO-8859-1)", "/a.mp3"}));
    EXPECT_EQ(w.grd_FileList->cellText(2, 10) + "|" + w.grd_FileList->cellText(3, 10) + "|" +
                  w.grd_FileList->cellText(3, 0),
              qs("Unicode(ISO-10646-1)| |3"));

    // Right-aligned: No, トラック, 西暦 and 月日; the header's captions centred.
    std::string sides;
    for (int c = 0; c < 12; ++c) {
        const QModelIndex cell = w.grd_FileList->model().index(1, c);
        sides +=
            cell.data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight ? 'R' : 'L';
    }
    EXPECT_EQ(sides, "RLLLRRRLLLLL");
    EXPECT_EQ(w.grd_FileList->model()
                  .headerData(3, Qt::Horizontal, Qt::TextAlignmentRole)
                  .value<Qt::Alignment>(),
              Qt::Alignment(Qt::AlignCenter));
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
    EXPECT_GE(g.columnWidth(0), g.twipsToPixels(500));
    EXPECT_GE(g.columnWidth(0), g.numberColumnPixels(1234));
    EXPECT_GT(g.numberColumnPixels(1234), g.numberColumnPixels(12));
    EXPECT_EQ(g.columnWidth(1), g.twipsToPixels(1500));
    EXPECT_EQ(w.lbl_Record->text(), qs("レコード件数：1234件"));
    EXPECT_GE(w.lbl_Record->width(), w.lbl_Record->sizeHint().width());
}

TEST(MainWindow, HiddenColumnsLeaveOnlyTheChosenOnesInOrder) {
    CatalogueFixture f;
    f.addRow({"t", "a", "al", "1", "2000"});
    ListPresenter list(f.cat);
    FileGrid grid(list);
    std::array<bool, kDataColumns> shown{};
    list.showColumns(shown);
    grid.subGridInit();
    EXPECT_EQ(grid.model().columnCount(), 1);
    EXPECT_EQ(grid.cellText(0, 0), qs("No"));

    shown.fill(true);
    shown[2] = shown[3] = false;
    list.showColumns(shown);
    grid.subGridInit();
    grid.subGridFill();
    EXPECT_EQ(grid.cellText(0, 3), qs("西暦"));
    EXPECT_EQ(grid.cellText(1, 3), qs("2000"));
}

TEST(MainWindow, QtsOwnDialogsAndButtonsReadInJapanese) {
    ASSERT_TRUE(installJapaneseQtTexts());
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Yes)->text(), qs("はい(&Y)"));
    EXPECT_EQ(box.button(QMessageBox::No)->text(), qs("いいえ(&N)"));
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), qs("キャンセル"));
}

TEST(MainWindow, ResizingKeepsTheFloorAndAnchorsTheButtonsRight) {
    CatalogueFixture f;
    MainWindow w(f.cat);
    w.show();
    w.resize(w.twips(12000), w.twips(8000));
    QApplication::processEvents();
    // Distances from the right and bottom edges, in twips.
    EXPECT_EQ(
        QList<int>({w.width() - w.grd_FileList->width(), w.height() - w.grd_FileList->height(),
                    w.width() - w.cmd_Redo->x(), w.width() - w.cmd_Search->x(),
                    w.width() - w.txtSearch->x(), w.width() - w.Line_sepa->width()}),
        QList<int>({w.twips(600), w.twips(1650), w.twips(1470), w.twips(2550), w.twips(3990), 0}));
    EXPECT_EQ(w.grd_FileList->pos(), QPoint(w.twips(240), w.twips(600)));
    w.resize(100, 100);
    QApplication::processEvents();
    EXPECT_EQ(w.width(), w.twips(MainWindow::kMinWidthTwips));
    EXPECT_EQ(w.height(), w.twips(MainWindow::kMinHeightTwips));
    EXPECT_EQ(w.cmd_Redo->x(), w.width() - w.twips(1470));
    w.close();
}

TEST(MainWindow, ClosingDropsTheResultTable) {
    CatalogueFixture f;
    ASSERT_TRUE(fncCreateTable(f.cat, "List").ok());
    MainWindow w(f.cat);
    w.show();
    w.Quit_Click();
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(fncNoTable(f.cat, "List"));
    EXPECT_FALSE(fncNoTable(f.cat, "FileList"));
}

TEST(MainWindow, AMissingCatalogueIsReportedOnceAndTheWindowStillOpens) {
    CatalogueFixture f(false);
    std::filesystem::remove(f.dbPath());
    MainWindow w(f.cat);
    ASSERT_EQ(f.toolkit.messages.size(), 1u);
    EXPECT_EQ(f.toolkit.prompts()[0].rfind("fncDbOpen : ", 0), 0u);
    EXPECT_EQ(w.lbl_Record->text(), qs("レコード件数：0件"));
    EXPECT_EQ(w.grd_FileList->model().rowCount(), 1);
}

}  // namespace
}  // namespace tagshelf::test

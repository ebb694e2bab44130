// The sort and column dialogs and the About box.
#include <gtest/gtest.h>

#include <memory>

#include "core/toolkit.h"
#include "windows/info_dialog.h"
#include "windows/sort_dialog.h"
#include "windows/view_dialog.h"

namespace tagshelf::test {
namespace {

std::string text(const QAbstractButton* b) {
    return b->text().toStdString();
}

TEST(SortDialog, OffersTheCaptionsGivenWithTheFirstSelected) {
    SortDialog dialog({"タイトル", "アルバム", "西暦"});
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("ソート"));
    EXPECT_EQ(dialog.Label1->text(), QStringLiteral("ソートする項目を選択して下さい"));
    EXPECT_EQ(text(dialog.optSort[2]), "西暦");
    EXPECT_TRUE(dialog.optSort[0]->isChecked());
    EXPECT_FALSE(dialog.optSort[2]->isHidden());
    EXPECT_TRUE(dialog.optSort[3]->isHidden() && dialog.optSort[19]->isHidden());
    EXPECT_EQ(text(dialog.cmdOK) + text(dialog.cmdCansel), "OKキャンセル");
    dialog.optSort[1]->setChecked(true);
    dialog.cmdOK->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.chosenCaption(), "アルバム");

    SortDialog cancelled({"タイトル"});
    cancelled.cmdCansel->click();
    EXPECT_EQ(cancelled.result(), QDialog::Rejected);
    EXPECT_EQ(cancelled.chosenCaption(), "");
}

TEST(ViewDialog, OpensWithEveryColumnTickedAndRefusesToShowNone) {
    ScriptedToolkit toolkit;
    ViewDialog dialog(toolkit);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("表示項目選択"));
    EXPECT_EQ(dialog.Label1->text(), QStringLiteral("表示する項目を選択して下さい"));
    std::string captions;
    for (int i = 0; i < kDataColumns; ++i) {
        EXPECT_TRUE(dialog.chk_Item[i]->isChecked() && !dialog.chk_Item[i]->isHidden());
        captions += text(dialog.chk_Item[i]) + " ";
    }
    EXPECT_EQ(captions,
              "タイトル アーティスト アルバム トラック 西暦 月日 ジャンル コメント Version "
              "エンコード ファイルパス ");
    EXPECT_TRUE(dialog.chk_Item[11]->isHidden());

    for (QCheckBox* box : dialog.chk_Item)
        box->setChecked(false);
    dialog.cmd_Ok->click();
    EXPECT_EQ(toolkit.prompts(), std::vector<std::string>{"表示する項目を1つ以上選択して下さい"});
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    dialog.chk_Item[2]->setChecked(true);
    dialog.cmd_Ok->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    std::array<bool, kDataColumns> album{};
    album[2] = true;
    EXPECT_EQ(dialog.chosen(), album);
}

TEST(InfoDialog, ShowsTheVersionAndOpensTheAddressInABrowserEachClick) {
    ScriptedToolkit toolkit;
    auto dialog = std::make_unique<InfoDialog>(toolkit);
    EXPECT_EQ(dialog->Label3->text(), QStringLiteral("TagShelf v0.9"));
    EXPECT_EQ(dialog->Label2->text().count(QLatin1Char('\n')), 1);
    const std::string url = InfoDialog::homeUrl();
    EXPECT_TRUE(dialog->Label4->text().contains(QString::fromStdString(url)));

    for (int click = 1; click <= 2; ++click) {
        emit dialog->Label4->linkActivated(QString::fromStdString(url));
        ASSERT_EQ(toolkit.browsers.size(), static_cast<std::size_t>(click));
        EXPECT_EQ(toolkit.browsers.back().url, url);
        EXPECT_EQ(dialog->ie(), click);
    }
    toolkit.browsers[0].ended();  // no longer held
    EXPECT_EQ(dialog->ie(), 2);
    toolkit.browsers[1].ended();
    EXPECT_EQ(dialog->ie(), 0);

    toolkit.browserFails = true;
    dialog->Label4_Click();
    EXPECT_EQ(toolkit.prompts(),
              std::vector<std::string>{"ブラウザを起動できませんでした。\n" + url});
    EXPECT_EQ(dialog->ie(), 0);

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

// The column dialog and the About box (the sort dialog is tried on the main window).
#include <gtest/gtest.h>

#include <memory>

#include "core/toolkit.h"
#include "windows/info_dialog.h"
#include "windows/view_dialog.h"

namespace tagshelf::test {
namespace {

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
    EXPECT_EQ(toolkit.prompts(), std::vector<std::string>{"表示する項目を1つ以上選択して下さい"});
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
    EXPECT_EQ(toolkit.prompts(),
              std::vector<std::string>{"ブラウザを起動できませんでした。\n" + url});
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

// The dialogs (folder, open, columns, About, genre), file names that are not UTF-8,
// and the tag edit window: its groups, a write for each pair of versions, the
// version question and the checks.
#include <gtest/gtest.h>

#include <QFile>
#include <QMimeData>
#include <QTest>
#include <filesystem>
#include <memory>

#include "cataloguing/edit_exec.h"
#include "cataloguing/registration.h"
#include "id3/reader.h"
#include "tests/support/catalogue_fixture.h"
#include "tests/support/tag_builder.h"
#include "views/list_presenter.h"
#include "windows/data_edit_window.h"
#include "windows/file_names.h"
#include "windows/file_open_dialog.h"
#include "windows/genre_select_dialog.h"
#include "windows/info_dialog.h"
#include "windows/select_dialog.h"
#include "windows/view_dialog.h"

namespace tagshelf::test {
namespace {

TEST(SelectDialog, ChoosesTheHighlightedFolderEnterOnlyOpensItAFailedDriveGoesBack) {
    ScriptedToolkit toolkit;
    TempDir music;
    fs::create_directories(music.path() / "music2" / "inner");
    SelectDialog dialog(toolkit, nullptr, music.str());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("フォルダを開く"));
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
    // A failed drive change offers a retry, then goes back.
    SelectDialog drives(toolkit, nullptr, "/", {"/", "/no-such-drive"});
    toolkit.answers = {MsgAnswer::Retry, MsgAnswer::Cancel};
    drives.Drive1->setCurrentIndex(1);
    EXPECT_EQ(toolkit.prompts(), Texts(2,
                                       "ドライブの変更時にエラーが発生しました。\n"
                                       "使用可能なドライブであるかを確認してください。"));
    EXPECT_EQ(drives.Dir1->path() + drives.Drive1->currentText().toStdString(), "//");
}

TEST(FileNames, ADialogsAnswerFindsTheBytesQtCouldNotShow) {
    TempDir dir;
    // "あい" and "あう" in Shift-JIS: Qt shows both as four replacement characters.
    const std::string ai = dir.file("\x8b\xc8/\x82\xa0\x82\xa2.mp3");
    fs::create_directory(dir.file("\x8b\xc8"));
    writeText(ai, "");
    // A new name typed into a folder whose name is not UTF-8 keeps the folder's bytes.
    for (const std::string& chosen : {ai, dir.file("\x8b\xc8/新.mp3")})
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

TEST(ViewDialog, OpensWithEveryColumnTickedAndRefusesToShowNone) {
    ScriptedToolkit toolkit;
    ViewDialog dialog(toolkit);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("表示項目選択"));
    EXPECT_EQ(dialog.Label1->text(), QStringLiteral("表示する項目を選択して下さい"));
    EXPECT_TRUE(dialog.chk_Item[10]->isChecked() && dialog.chk_Item[11]->isHidden());
    for (QCheckBox* box : dialog.chk_Item)
        box->setChecked(false);
    dialog.cmd_Ok->click();
    EXPECT_EQ(toolkit.prompts(), Texts{"表示する項目を1つ以上選択して下さい"});
    EXPECT_NE(dialog.result(), QDialog::Accepted);
}

TEST(InfoDialog, ShowsTheVersionAndOpensTheAddressInABrowserEachClick) {
    ScriptedToolkit toolkit;
    auto dialog = std::make_unique<InfoDialog>(toolkit);
    EXPECT_EQ(dialog->Label3->text(), QStringLiteral("TagShelf v0.9"));
    const std::string url = InfoDialog::homeUrl();
    EXPECT_TRUE(dialog->Label4->text().contains(QString::fromStdString(url)));
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
    toolkit.browserFails = false;
    dialog->Label4_Click();
    dialog.reset();  // a browser closed after the About box does no harm
    toolkit.browsers.back().ended();
}

const Bytes kAudio = fakeAudio(3000, 3);

// A file of each version with the title "old" and genre 17.
Bytes fileOf(std::uint8_t version) {
    const bool v3 = version == kID3v23;
    const Bytes title = sjisText("old"), genre = sjisText("(17)Rock");
    if (version == kNoTag) return kAudio;
    if (version > kID3v11)
        return concat({Id3v2Builder(version)
                           .frames({v3 ? frameV23("TIT2", title) : frameV22("TT2", title),
                                    v3 ? frameV23("TCON", genre) : frameV22("TCO", genre)})
                           .build(),
                       kAudio});
    const auto track = version == kID3v11 ? std::optional<std::uint8_t>(7) : std::nullopt;
    return concat({kAudio, id3v1Trailer({raw("old"), {}, {}, raw("2003"), {}, track, 17})});
}

class DataEditTest : public ::testing::Test {
  protected:
    // Registers a file of the version and opens the window on its row.
    std::unique_ptr<DataEditWindow> open(const Bytes& file, const std::string& name = "a.mp3") {
        path = f.dir.file(name);
        writeFile(path, file);
        EXPECT_EQ(subAddFile(f.cat, path).outcome, AddOutcome::Registered);
        list.load();  // in stored order: the file's row is the last
        return std::make_unique<DataEditWindow>(f.cat, list, list.count());
    }
    // Columns of the row registered last.
    std::string catalogued(const std::string& columns) {
        return f.column("SELECT " + columns + " FROM FileList ORDER BY rowid DESC LIMIT 1").at(0);
    }

    CatalogueFixture f;
    ListPresenter list{f.cat};
    std::string path;
};

TEST_F(DataEditTest, WritesVersionPairsAndTheirRows) {
    const char* names[] = {"ID3v1", "ID3v11", "ID3v22", "ID3v23", "NONE"};
    // Every version written and rewritten once, and a removal of either kind of tag.
    const std::pair<std::uint8_t, std::uint8_t> pairs[] = {
        {kID3v1, kID3v11}, {kID3v11, kID3v23}, {kID3v22, kID3v1}, {kID3v23, kID3v22},
        {kNoTag, kID3v11}, {kID3v23, kNoTag},  {kID3v1, kNoTag},  {kNoTag, kID3v23}};
    for (const auto& [from, to] : pairs) {
        SCOPED_TRACE(std::string(names[from]) + " to " + names[to]);
        auto w = open(fileOf(from), std::string(names[from]) + "-" + names[to] + " it's.mp3");
        w->cmbVersion->setCurrentIndex(to);
        const bool v1 = to == kID3v1 || to == kID3v11;
        if (v1 && w->cmbGenre->currentIndex() < 0) w->cmbGenre->setCurrentIndex(17);
        if (to == kID3v11 && w->txtTrack->text().isEmpty()) w->txtTrack->setValue("5");
        if (to != kNoTag) (v1 ? w->txtTitle : w->txtTIT2)->setValue("new");
        f.toolkit.answers = {MsgAnswer::Yes};
        w->cmdExec->click();
        EXPECT_EQ(w->result(), QDialog::Accepted);
        // A write without a tag keeps an ID3v1 trailer.
        const std::uint8_t expected = to == kNoTag && from <= kID3v11 ? from : to;
        const std::string title = to != kNoTag ? "new" : from <= kID3v11 ? "old" : " ";
        const FileTag tag = *fncReadFileTag(path);
        EXPECT_EQ(tag.version, expected);
        const std::string read = expected <= kID3v11 ? tag.v1.Title : tag.v2.Title;
        EXPECT_EQ(expected == kNoTag ? " " : read, title);
        EXPECT_EQ(catalogued("Version || '|' || Title"),
                  std::string(names[expected]) + "|" + title);
    }
    EXPECT_EQ(f.toolkit.prompts(), Texts(8, std::string(kConfirmWrite)));
}

TEST_F(DataEditTest, AVersion4TagIsEditedAndWrittenAsID3v23) {
    auto w = open(
        concat({Id3v2Builder(4)
                    .frames({frameV24("TIT2", sjisText("old")), frameV24("TSOP", sjisText("sort"))})
                    .footer()
                    .build(),
                kAudio}));
    EXPECT_EQ(w->cmbVersion->currentText(), QStringLiteral("ID3v23"));
    w->txtTIT2->setText(QStringLiteral("new"));
    f.toolkit.answers = {MsgAnswer::Yes};
    w->cmdExec->click();
    EXPECT_EQ(f.toolkit.prompts().at(0),
              "次のフレームは保存されません：TSOP\r\n" + std::string(kConfirmWrite));
    // One ID3v2.3 tag without the frame it lacks in place of the version-4 tag.
    EXPECT_EQ(readFile(path),
              concat({Id3v2Builder(3).frame(frameV23("TIT2", sjisText("new"))).build(), kAudio}));
    EXPECT_EQ(catalogued("Version || '|' || Title"), "ID3v23|new");
}

TEST_F(DataEditTest, OpensInItsGroupAndEditedFieldsAskBeforeTheSwitch) {
    auto w = open(fileOf(kID3v23));
    EXPECT_EQ(w->windowTitle(), QStringLiteral("ID3タグ情報編集"));
    EXPECT_TRUE(w->fraID3v1->isHidden() && !w->fraID3v2->isHidden());
    w->txtTIT2->setValue("edited");
    f.toolkit.answers = {MsgAnswer::No};
    w->cmbVersion->setCurrentIndex(kID3v1);
    EXPECT_EQ(f.toolkit.prompts(),
              Texts{"変更前バージョンの情報が変更されています\r\n"
                    "変更前バージョンの編集は適用されませんがよろしいですか？"});
    EXPECT_EQ(w->cmbVersion->currentIndex(), kID3v23);

    f.toolkit.answers = {MsgAnswer::Yes};
    w->cmbVersion->setCurrentIndex(kID3v11);
    EXPECT_FALSE(w->fraID3v1->isHidden());
    EXPECT_EQ(w->txtTitle->text() + "|" + w->cmbGenre->currentText(),
              QStringLiteral("edited|Rock"));
}

TEST_F(DataEditTest, RefusedValuesAndNoWriteNothing) {
    auto w = open(fileOf(kID3v23));
    const Bytes before = readFile(path);
    w->cmbVersion->setCurrentIndex(kID3v1);
    w->cmbGenre->setCurrentIndex(-1);
    w->cmdExec->click();
    w->cmbVersion->setCurrentIndex(kID3v23);
    w->txtTDAT1->setValue("13");
    w->cmdExec->click();
    w->txtTDAT1->setValue("12");
    w->cmdExec->click();  // answered No
    EXPECT_EQ(f.toolkit.prompts(), (Texts{std::string(kChooseGenre), "月の値が不適格です。",
                                          std::string(kConfirmWrite)}));
    EXPECT_EQ(w->result(), QDialog::Rejected);
    EXPECT_EQ(readFile(path), before);
}

TEST_F(DataEditTest, ATextTheEncodingCannotHoldIsOfferedInUnicode) {
    auto w = open(fileOf(kID3v23));
    w->txtTIT2->setValue(u8s(u8"café日本"));
    f.toolkit.answers = {MsgAnswer::Yes};
    w->cmdExec->click();
    EXPECT_NE(f.toolkit.prompts()[0].find("：タイトル\r\nUnicode(ISO-10646-1)で書き込みますか？"),
              std::string::npos);
    EXPECT_EQ(fncReadID3v2(path)->Title, u8s(u8"café日本"));
    EXPECT_EQ(catalogued("Encode || Title"), u8s(u8"1café日本"));
}

TEST_F(DataEditTest, GenreDialogPreselectsAndWritesBack) {
    auto w = open(fileOf(kID3v23));
    // Choose position 255; then, from "999" (nothing selected), OK is refused and
    // Cancel changes nothing.
    for (int choice : {255, -1}) {
        f.toolkit.dialogScripts.push_back([choice](ModalDialog& d) {
            auto& g = dynamic_cast<GenreSelectDialog&>(d);
            EXPECT_EQ(g.cmbGenreName->currentIndex(), choice < 0 ? -1 : 17);
            g.cmbGenreName->setCurrentIndex(choice);
            g.cmd_OK->click();
            if (choice < 0) g.cmd_Cansel->click();
            return g.result();
        });
        w->cmdGenreSelect->click();
        EXPECT_EQ(w->txtTCONNo->text().toStdString() + "|" + w->txtTCON->text().toStdString(),
                  choice < 0 ? "999|Tokusatsu Anime" : "255|Tokusatsu Anime");
        w->txtTCONNo->setValue("999");
    }
    EXPECT_EQ(f.toolkit.prompts(), Texts{std::string(kChooseGenre)});
}

}  // namespace
}  // namespace tagshelf::test

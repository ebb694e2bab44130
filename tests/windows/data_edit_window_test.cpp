// The tag edit window: its groups, a write for each pair of versions, the version
// question, the checks, the genre dialog and the typing rules.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>

#include "cataloguing/edit_exec.h"
#include "cataloguing/registration.h"
#include "id3/reader.h"
#include "tests/support/catalogue_fixture.h"
#include "tests/support/tag_builder.h"
#include "views/list_presenter.h"
#include "windows/data_edit_window.h"
#include "windows/genre_select_dialog.h"

namespace tagshelf::test {
namespace {

const Bytes kAudio = fakeAudio(3000, 3);

// A file of each version with the title "old" and genre 17.
Bytes fileOf(std::uint8_t version) {
    if (version == kNoTag) return kAudio;
    if (version > kID3v11) {
        const bool v3 = version == kID3v23;
        Id3v2Builder b(version);
        b.frame(v3 ? frameV23("TIT2", sjisText("old")) : frameV22("TT2", sjisText("old")));
        b.frame(v3 ? frameV23("TCON", sjisText("(17)Rock"))
                   : frameV22("TCO", sjisText("(17)Rock")));
        return concat({b.build(), kAudio});
    }
    Id3v1Fields v1{raw("old"), {}, {}, raw("2003"), {}, std::nullopt, 17};
    if (version == kID3v11) v1.track = 7;
    return concat({kAudio, id3v1Trailer(v1)});
}

class DataEditTest : public ::testing::Test {
  protected:
    // Registers a file of the version and opens the window on its row.
    std::unique_ptr<DataEditWindow> open(std::uint8_t version, const std::string& name = "a.mp3") {
        path = f.dir.file(name);
        writeFile(path, fileOf(version));
        EXPECT_EQ(subAddFile(f.cat, path).outcome, AddOutcome::Registered);
        list.load();
        long row = 0;
        while (list.recordAt(row + 1) && list.recordAt(row + 1)->FilePath != path)
            ++row;
        return std::make_unique<DataEditWindow>(f.cat, list, row + 1);
    }
    // Columns of the row registered last.
    std::string catalogued(const std::string& columns) {
        return f.column("SELECT " + columns + " FROM FileList ORDER BY rowid DESC LIMIT 1").at(0);
    }

    CatalogueFixture f;
    ListPresenter list{f.cat};
    std::string path;
};

TEST_F(DataEditTest, OpensInTheGroupOfTheRecordsVersion) {
    // Version: ID3v1 group, track, ID3v2 group shown; height.
    for (auto [version, shown] : {std::pair{kID3v1, "100 4485"},
                                  {kID3v11, "110 4485"},
                                  {kID3v23, "001 5505"},
                                  {kNoTag, "000 4485"}}) {
        auto w = open(version, std::to_string(version) + ".mp3");
        EXPECT_EQ(w->cmbVersion->currentIndex(), version);
        EXPECT_EQ(
            std::to_string(!w->fraID3v1->isHidden()) + std::to_string(!w->txtTrack->isHidden()) +
                std::to_string(!w->fraID3v2->isHidden()) + " " + std::to_string(w->designHeight()),
            shown);
    }
    auto w = open(kID3v23, "g.mp3");
    EXPECT_EQ(w->windowTitle() + w->txtFilePath->text(),
              QStringLiteral("ID3タグ情報編集") + path.c_str());
    EXPECT_EQ(w->fraID3v1->geometry().topLeft(), w->fraID3v2->geometry().topLeft());
    EXPECT_EQ(w->txtTIT2->text() + "|" + w->txtTCON->text() + "|" + w->txtTCONNo->text(),
              QStringLiteral("old|Rock|17"));
}

TEST_F(DataEditTest, WritesVersionPairsAndTheirRows) {
    const char* names[] = {"ID3v1", "ID3v11", "ID3v22", "ID3v23", "NONE"};
    // Every version written and rewritten once, and a removal of either kind of tag.
    const std::pair<std::uint8_t, std::uint8_t> pairs[] = {
        {kID3v1, kID3v11}, {kID3v11, kID3v23}, {kID3v22, kID3v1}, {kID3v23, kID3v22},
        {kNoTag, kID3v11}, {kID3v23, kNoTag},  {kID3v1, kNoTag},  {kNoTag, kID3v23}};
    for (const auto& [from, to] : pairs) {
        SCOPED_TRACE(std::string(names[from]) + " to " + names[to]);
        auto w = open(from, std::string(names[from]) + "-" + names[to] + " it's.mp3");
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
    EXPECT_EQ(f.toolkit.prompts(), std::vector<std::string>(8, std::string(kConfirmWrite)));
}

TEST_F(DataEditTest, AVersion4TagIsEditedAndWrittenAsID3v23) {
    path = f.dir.file("v4.mp3");
    writeFile(path, concat({Id3v2Builder(4)
                                .frame(frameV24("TIT2", sjisText("old")))
                                .frame(frameV24("TSOP", sjisText("sort")))
                                .footer()
                                .build(),
                            kAudio}));
    ASSERT_EQ(subAddFile(f.cat, path).outcome, AddOutcome::Registered);
    list.load();
    DataEditWindow w(f.cat, list, 1);
    EXPECT_EQ(w.cmbVersion->currentText(), QStringLiteral("ID3v23"));
    EXPECT_FALSE(w.fraID3v2->isHidden());
    EXPECT_EQ(w.cmbVersion->findText(QStringLiteral("ID3v24")), -1);
    w.txtTIT2->setText(QStringLiteral("new"));
    f.toolkit.answers = {MsgAnswer::Yes};
    w.cmdExec->click();
    EXPECT_EQ(f.toolkit.prompts().at(0),
              "次のフレームは保存されません：TSOP\r\n" + std::string(kConfirmWrite));
    // The version-4 tag, its footer and the frame version 3 lacks give way to one
    // ID3v2.3 tag; the audio stays.
    EXPECT_EQ(readFile(path),
              concat({Id3v2Builder(3).frame(frameV23("TIT2", sjisText("new"))).build(), kAudio}));
    EXPECT_EQ(catalogued("Version || '|' || Title"), "ID3v23|new");
}

TEST_F(DataEditTest, EditedFieldsAskBeforeTheSwitchAndNoKeepsThem) {
    auto w = open(kID3v23);
    w->txtTIT2->setValue("edited");
    f.toolkit.answers = {MsgAnswer::No};
    w->cmbVersion->setCurrentIndex(kID3v1);
    EXPECT_EQ(f.toolkit.prompts(),
              std::vector<std::string>{"変更前バージョンの情報が変更されています\r\n"
                                       "変更前バージョンの編集は適用されませんがよろしいですか？"});
    EXPECT_EQ(w->cmbVersion->currentIndex(), kID3v23);
    EXPECT_FALSE(w->fraID3v2->isHidden());
    EXPECT_EQ(w->txtTIT2->text(), QStringLiteral("edited"));

    f.toolkit.answers = {MsgAnswer::Yes};
    w->cmbVersion->setCurrentIndex(kID3v11);
    EXPECT_FALSE(w->fraID3v1->isHidden());
    EXPECT_EQ(w->txtTitle->text() + "|" + w->cmbGenre->currentText(),
              QStringLiteral("edited|Rock"));
}

TEST_F(DataEditTest, RefusedValuesAndNoWriteNothing) {
    auto w = open(kID3v23);
    const Bytes before = readFile(path);
    w->cmbVersion->setCurrentIndex(kID3v1);
    w->cmbGenre->setCurrentIndex(-1);
    w->cmdExec->click();
    w->cmbVersion->setCurrentIndex(kID3v23);
    w->txtTDAT1->setValue("13");
    w->cmdExec->click();
    w->txtTDAT1->setValue("12");
    w->cmdExec->click();  // answered No
    EXPECT_EQ(f.toolkit.prompts(),
              (std::vector<std::string>{std::string(kChooseGenre), "月の値が不適格です。",
                                        std::string(kConfirmWrite)}));
    EXPECT_EQ(w->result(), QDialog::Rejected);
    EXPECT_EQ(readFile(path), before);
}

TEST_F(DataEditTest, ATextTheEncodingCannotHoldIsOfferedInUnicode) {
    auto w = open(kID3v23);
    w->txtTIT2->setValue(u8s(u8"café日本"));
    f.toolkit.answers = {MsgAnswer::Yes};
    w->cmdExec->click();
    EXPECT_EQ(f.toolkit.messages.at(0).buttons, MsgButtons::YesNoCancel);
    EXPECT_NE(f.toolkit.prompts()[0].find("：タイトル\r\nUnicode(ISO-10646-1)で書き込みますか？"),
              std::string::npos);
    EXPECT_EQ(fncReadID3v2(path)->Title, u8s(u8"café日本"));
    EXPECT_EQ(catalogued("Encode || Title"), u8s(u8"1café日本"));
}

TEST_F(DataEditTest, GenreDialogPreselectsAndWritesBack) {
    auto w = open(kID3v23);
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
    EXPECT_EQ(f.toolkit.prompts(), std::vector<std::string>{std::string(kChooseGenre)});
}

TEST_F(DataEditTest, KeysAndFocusChecks) {
    auto w = open(kID3v23);
    for (auto [box, typed] : {std::pair<QWidget*, const char*>{w->txtTYER, "2a0/03x"},
                              {w->txtYear, "20/03"},
                              {w->txtTDAT1, "123"}}) {
        for (QChar c : QString(typed)) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(box, &press);
        }
    }
    EXPECT_EQ(w->txtTYER->text() + "|" + w->txtYear->text() + "|" + w->txtTDAT1->text(),
              QStringLiteral("2003|20/03|12"));

    w->txtTDAT1->setValue("13");
    w->txtTDAT1_LostFocus();
    w->txtTDAT1->setValue("2");
    w->txtTDAT2->setValue("32");
    w->txtTDAT2_LostFocus();
    EXPECT_EQ(f.toolkit.prompts(),
              (std::vector<std::string>{"月の値が不適格です。", "日の値が不適格です。"}));
}

}  // namespace
}  // namespace tagshelf::test

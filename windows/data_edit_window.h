// frm_DataEdit, "ID3タグ情報編集": the tag of one catalogued file for editing. The
// record comes from the catalogue (the table the grid shows); the window shows
// the group of fields of its version, carries values over when the version is
// switched, filters and checks the input, and on OK hands the fields to the
// edit operation (cataloguing/edit_exec.h), closing once the file and its row
// are written.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <array>
#include <string>

#include "cataloguing/edit_exec.h"
#include "core/toolkit.h"
#include "id3/writer.h"
#include "windows/limited_edit.h"

namespace tagshelf {

class Catalogue;
class ListPresenter;

class DataEditWindow : public QDialog, public ModalDialog {
    Q_OBJECT
  public:
    // The record shown in grid row `selectedRow` of the list.
    DataEditWindow(Catalogue& cat, const ListPresenter& list, long selectedRow,
                   QWidget* parent = nullptr);

    int execModal() override { return exec(); }
    std::string dialogName() const override { return "frm_DataEdit"; }

    // Controls, by their names.
    QLabel* Label7;
    LimitedLineEdit* txtFilePath;
    QLabel* Label8;
    QComboBox* cmbVersion;

    QGroupBox* fraID3v1;
    QLabel *Label1, *Label2, *Label3, *lblTrack, *Label6, *Label4, *Label9;
    LimitedLineEdit *txtTitle, *txtArtist, *txtAlbum, *txtTrack, *txtYear, *txtComment;
    QComboBox* cmbGenre;

    QGroupBox* fraID3v2;
    QLabel *Label16, *Label15, *Label14, *Label12, *Label17, *Label11, *Label5, *Label18, *Label13,
        *Label10;
    LimitedLineEdit *txtTIT2, *txtTPE1, *txtTALB, *txtTRCK1, *txtTRCK2, *txtTYER, *txtTDAT1,
        *txtTDAT2, *txtTCON, *txtTCONNo;
    LimitedTextEdit* txtCOMM2;
    QPushButton* cmdGenreSelect;
    QGroupBox* Frame1;
    QLabel* Label23;
    std::array<QRadioButton*, 2> optEncode;

    QPushButton* cmdExec;
    QPushButton* cmdCancel;

    // Handlers.
    // Fills the window for the record (from List while a search result is shown).
    void Form_Load(bool searchMode);
    void subV1Clear();
    void subV2Clear();
    void cmbVersion_Click();
    void cmdExec_Click();
    void cmdCancel_Click();
    void cmdGenreSelect_Click();
    // The month and day checks made when the boxes lose the focus.
    void txtTDAT1_LostFocus();
    void txtTDAT2_LostFocus();

    // What the boxes hold, and filling them.
    EditFields fields() const;
    void setFields(const EditFields& fields);

    // The window's height in twips as designed (the title bar and borders
    // included): 4485 for the ID3v1 group or none, 5505 for the ID3v2 group.
    int designHeight() const { return designHeight_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildControls();
    // Shows the group of a version position (0..4; -1 none) and sizes the window.
    void showGroup(int position);
    // The version list's position for a version text ("NONE" for any other).
    static int versionPosition(const std::string& versionText);
    int tw(int twips) const;

    Catalogue& cat_;
    EditTarget target_;
    EditFields loaded_;  // the record's values as first shown
    int designHeight_ = 4485;
    bool checking_ = false;
};

}  // namespace tagshelf

// frm_GenreSelect, "ジャンル選択": picks an ID3v2 genre from the genre list. It
// opens on the edit window's genre number and, on OK, gives back the chosen
// position and name for the edit window's number and name boxes.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QPushButton>
#include <string>

#include "core/toolkit.h"

namespace tagshelf {

class GenreSelectDialog : public QDialog, public ModalDialog {
    Q_OBJECT
  public:
    // `genreNumber`: the edit window's genre number box.
    GenreSelectDialog(Toolkit& toolkit, const std::string& genreNumber, QWidget* parent = nullptr);

    int execModal() override { return exec(); }
    std::string dialogName() const override { return "frm_GenreSelect"; }

    QComboBox* cmbGenreName;
    QPushButton* cmd_OK;
    QPushButton* cmd_Cansel;

    void Form_Load(const std::string& genreNumber);
    void cmd_OK_Click();
    void cmd_Cansel_Click();

    // After OK: the chosen position in decimal and its name.
    const std::string& genreNumber() const { return number_; }
    const std::string& genreName() const { return name_; }

  private:
    Toolkit& toolkit_;
    std::string number_;
    std::string name_;
};

}  // namespace tagshelf

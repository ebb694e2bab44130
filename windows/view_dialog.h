// frm_ViewSelect, the dialog of "表示項目選択": one check box per data column
// the grid can show, all ticked when it opens; OK takes the ticked ones.
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <array>
#include <string>

#include "catalogue/columns.h"
#include "core/toolkit.h"

namespace tagshelf {

class ViewDialog : public QDialog, public ModalDialog {
    Q_OBJECT
  public:
    explicit ViewDialog(Toolkit& toolkit, QWidget* parent = nullptr);

    int execModal() override { return exec(); }
    std::string dialogName() const override { return "frm_ViewSelect"; }

    QLabel* Label1;
    // Room for 20 (0–9 on the left, 10–19 on the right); 0–10 are the columns.
    std::array<QCheckBox*, 20> chk_Item{};
    QPushButton* cmd_Ok;
    QPushButton* cmd_Cancel;

    void Form_Load();
    // Takes the ticked columns and closes; refuses (with a message) when none is.
    void cmd_OK_Click();
    void cmd_Cancel_Click();

    // The columns chosen with OK (k = 0..10).
    const std::array<bool, kDataColumns>& chosen() const { return chosen_; }

  private:
    Toolkit& toolkit_;
    std::array<bool, kDataColumns> chosen_{};
};

}  // namespace tagshelf

// frm_SortSelect, the dialog of "ソート": one option per column the grid shows,
// captioned as its header, the first one selected; OK takes the choice.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <array>
#include <string>
#include <vector>

#include "core/toolkit.h"

namespace tagshelf {

class SortDialog : public QDialog, public ModalDialog {
    Q_OBJECT
  public:
    // `captions`: the header captions of the grid's data columns, in grid order.
    explicit SortDialog(const std::vector<std::string>& captions, QWidget* parent = nullptr);

    int execModal() override { return exec(); }
    std::string dialogName() const override { return "frm_SortSelect"; }

    QLabel* Label1;
    std::array<QRadioButton*, 20> optSort{};  // 0–9 on the left, 10–19 on the right
    QPushButton* cmdOK;
    QPushButton* cmdCansel;

    void Form_Load(const std::vector<std::string>& captions);
    void cmdOK_Click();
    void cmdCansel_Click();

    // The caption chosen with OK; empty when none was.
    const std::string& chosenCaption() const { return chosen_; }

  private:
    std::string chosen_;
};

}  // namespace tagshelf

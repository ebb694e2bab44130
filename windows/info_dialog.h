// frm_Info, the About box: the program's name and version, a freeware notice and
// the project's home address as a link that opens it in the desktop's browser.
#pragma once

#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <string>

#include "core/toolkit.h"

namespace tagshelf {

class InfoDialog : public QDialog, public ModalDialog {
    Q_OBJECT
  public:
    explicit InfoDialog(Toolkit& toolkit, QWidget* parent = nullptr);

    int execModal() override { return exec(); }
    std::string dialogName() const override { return "frm_Info"; }

    // The project's home address (a build setting).
    static std::string homeUrl();

    QGroupBox* Frame1;
    QLabel* Label3;  // name and version
    QLabel* Label2;  // the notice
    QLabel* Label4;  // the address, a link
    QPushButton* cmd_OK;

    void Form_Load();
    void cmd_OK_Click();
    // Starts a browser on the address, held in ie() until it ends; a second click
    // starts another and lets go of the first.
    void Label4_Click();
    // The browser `browser` has ended.
    void ie_OnQuit(int browser);

    // The browser held (numbered from 1 in the order started); 0 when none.
    int ie() const { return ie_; }

  private:
    Toolkit& toolkit_;
    int ie_ = 0;
    int started_ = 0;
};

}  // namespace tagshelf

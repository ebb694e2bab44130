// The main window's search box: a line edit that reports getting the focus and
// the Enter key instead of acting on them itself.
#pragma once

#include <QLineEdit>

namespace tagshelf {

class SearchBox : public QLineEdit {
    Q_OBJECT
  public:
    using QLineEdit::QLineEdit;

  signals:
    // The user moved the focus here (not a return from another window or menu).
    void gotFocus();
    // Enter was pressed (key code 13).
    void keyDown(int keyCode);

  protected:
    void focusInEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace tagshelf

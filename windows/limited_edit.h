// Text boxes with the edit window's input rules: a key filter (digits only,
// digits and "/") and a limit in bytes of code page 932. A change the user makes
// by typing, pasting or through an input method that breaks a rule is undone;
// text the program sets is taken as it is, however long.
#pragma once

#include <QLineEdit>
#include <QPlainTextEdit>
#include <string>

#include "id3/edit_rules.h"

namespace tagshelf {

class LimitedLineEdit : public QLineEdit {
    Q_OBJECT
  public:
    LimitedLineEdit(std::size_t maxBytes, KeyFilter filter, QWidget* parent);

    // The box's text as UTF-8, and setting it from the program.
    std::string value() const { return text().toStdString(); }
    void setValue(const std::string& text);

  private:
    void checkEdit(const QString& edited);

    std::size_t maxBytes_;
    KeyFilter filter_;
    QString accepted_;
};

// The several-line comment box.
class LimitedTextEdit : public QPlainTextEdit {
    Q_OBJECT
  public:
    LimitedTextEdit(std::size_t maxBytes, QWidget* parent);

    std::string value() const { return toPlainText().toStdString(); }
    void setValue(const std::string& text);

  private:
    void checkEdit();

    std::size_t maxBytes_;
    QString accepted_;
    bool programChange_ = false;
};

}  // namespace tagshelf

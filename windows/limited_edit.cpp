#include "windows/limited_edit.h"

#include <QSignalBlocker>
#include <QTextCursor>

namespace tagshelf {

namespace {

QString qs(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

bool accepted(const QString& before, const QString& after, KeyFilter filter, std::size_t maxBytes) {
    return fncEditAccepted(before.toStdString(), after.toStdString(), filter, maxBytes);
}

}  // namespace

LimitedLineEdit::LimitedLineEdit(std::size_t maxBytes, KeyFilter filter, QWidget* parent)
    : QLineEdit(parent), maxBytes_(maxBytes), filter_(filter) {
    connect(this, &QLineEdit::textEdited, this, &LimitedLineEdit::checkEdit);
}

void LimitedLineEdit::setValue(const std::string& text) {
    accepted_ = qs(text);
    setText(accepted_);
}

void LimitedLineEdit::checkEdit(const QString& edited) {
    if (accepted(accepted_, edited, filter_, maxBytes_)) {
        accepted_ = edited;
        return;
    }
    // Put the text back with the cursor where the refused change began.
    const int cursor =
        std::max(0, cursorPosition() - static_cast<int>(edited.size() - accepted_.size()));
    setText(accepted_);
    setCursorPosition(std::min(cursor, static_cast<int>(accepted_.size())));
}

LimitedTextEdit::LimitedTextEdit(std::size_t maxBytes, QWidget* parent)
    : QPlainTextEdit(parent), maxBytes_(maxBytes) {
    connect(this, &QPlainTextEdit::textChanged, this, &LimitedTextEdit::checkEdit);
}

void LimitedTextEdit::setValue(const std::string& text) {
    accepted_ = qs(text);
    programChange_ = true;
    setPlainText(accepted_);
    programChange_ = false;
}

void LimitedTextEdit::checkEdit() {
    if (programChange_) return;
    const QString now = toPlainText();
    if (accepted(accepted_, now, KeyFilter::Any, maxBytes_)) {
        accepted_ = now;
        return;
    }
    const int cursor =
        std::max(0, textCursor().position() - static_cast<int>(now.size() - accepted_.size()));
    programChange_ = true;
    setPlainText(accepted_);
    programChange_ = false;
    QTextCursor c = textCursor();
    c.setPosition(std::min(cursor, static_cast<int>(accepted_.size())));
    setTextCursor(c);
}

}  // namespace tagshelf

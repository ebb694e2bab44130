#include "app/search_box.h"

#include <QFocusEvent>
#include <QKeyEvent>

namespace tagshelf {

void SearchBox::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    // Coming back from another window, a message box or the box's own context
    // menu leaves the text alone.
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason) {
        emit gotFocus();
    }
}

void SearchBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        emit keyDown(13);
        return;
    }
    QLineEdit::keyPressEvent(event);
}

}  // namespace tagshelf

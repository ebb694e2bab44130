#include "windows/twips.h"

namespace tagshelf {

int twipsToPixels(const QWidget& widget, int twips) {
    return static_cast<int>(twips * widget.logicalDpiX() / 1440.0 + 0.5);
}

int pixelsToTwips(const QWidget& widget, int pixels) {
    return static_cast<int>(pixels * 1440.0 / widget.logicalDpiX() + 0.5);
}

void setTwipsGeometry(QWidget& widget, int left, int top, int width, int height) {
    widget.setGeometry(twipsToPixels(widget, left), twipsToPixels(widget, top),
                       twipsToPixels(widget, width), twipsToPixels(widget, height));
}

}  // namespace tagshelf

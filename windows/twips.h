// Window layouts are designed in twips (1/1440 inch) and turned into pixels
// through the resolution of the screen a widget is on.
#pragma once

#include <QWidget>

namespace tagshelf {

int twipsToPixels(const QWidget& widget, int twips);
int pixelsToTwips(const QWidget& widget, int pixels);

// Places a widget inside its parent at a position and size given in twips.
void setTwipsGeometry(QWidget& widget, int left, int top, int width, int height);

}  // namespace tagshelf

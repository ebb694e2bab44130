// Layouts are designed in twips (1/1440 inch) and turned into pixels through the
// screen's logical resolution, the same way in every window.
#pragma once

#include <QPaintDevice>

namespace tagshelf {

inline int twipsToPixels(const QPaintDevice& device, int twips) {
    return static_cast<int>(twips * device.logicalDpiX() / 1440.0 + 0.5);
}

inline int pixelsToTwips(const QPaintDevice& device, int pixels) {
    return static_cast<int>(pixels * 1440.0 / device.logicalDpiX() + 0.5);
}

}  // namespace tagshelf

#pragma once

#include <QSize>

class QWidget;

namespace orvane {

// Gives a window the size it wants, but no more than the available area of its screen
// leaves (with room for the frame), so that its buttons stay on screen on small displays
// and at large scale factors; a window placed past the area's edge is moved back into it.
void resizeWithinScreen(QWidget& window, QSize wanted);

} // namespace orvane

#include "ui/ScreenFit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace orvane {

namespace {

// What a window manager's frame and title bar usually take around a window.
constexpr QSize kFrame(16, 48);

} // namespace

void resizeWithinScreen(QWidget& window, QSize wanted) {
    QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!screen) {
        window.resize(wanted);
        return;
    }
    const QRect area = screen->availableGeometry();
    const QSize room = (area.size() - kFrame).expandedTo(QSize(1, 1));
    // A layout's minimum wider than the screen would push the buttons off it; the window's
    // contents scroll or squeeze instead.
    window.setMinimumSize(window.minimumSize().boundedTo(room));
    const QSize size = wanted.boundedTo(room);
    window.resize(size);
    const QPoint at(
        std::clamp(window.x(), area.left(), std::max(area.left(), area.right() - size.width())),
        std::clamp(window.y(), area.top(), std::max(area.top(), area.bottom() - size.height())));
    if (at != window.pos())
        window.move(at);
}

} // namespace orvane

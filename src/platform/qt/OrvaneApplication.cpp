#include "platform/qt/OrvaneApplication.h"

#include "app/UncaughtException.h"

namespace orvane {

bool OrvaneApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        logUncaughtException(std::current_exception());
        return false;
    }
}

} // namespace orvane

#include "platform/qt/OrvaneApplication.h"

namespace orvane {

bool OrvaneApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        if (exceptionHandler_)
            exceptionHandler_(std::current_exception());
        return false;
    }
}

} // namespace orvane

#pragma once

#include <QApplication>

namespace orvane {

// The application object: an exception that escapes an event handler is logged as
// uncaught, and the event loop goes on with the next event.
class OrvaneApplication : public QApplication {
  public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace orvane

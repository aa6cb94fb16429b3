#pragma once

#include <QApplication>
#include <exception>
#include <functional>

namespace orvane {

// The application object: an exception that escapes an event handler goes to the
// exception handler (the application logs it as uncaught), and the event loop goes on with
// the next event.
class OrvaneApplication : public QApplication {
  public:
    using QApplication::QApplication;
    using ExceptionHandler = std::function<void(const std::exception_ptr&)>;
    void setExceptionHandler(ExceptionHandler handler) { exceptionHandler_ = std::move(handler); }
    bool notify(QObject* receiver, QEvent* event) override;

  private:
    ExceptionHandler exceptionHandler_;
};

} // namespace orvane

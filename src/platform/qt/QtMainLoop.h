#pragma once

#include "platform/MainLoop.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace orvane {

// Queued work runs once the event being handled and those already posted are done.
class QtMainLoop : public MainLoop {
  public:
    void performLater(std::function<void()> task) override {
        QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(task),
                                  Qt::QueuedConnection);
    }
};

} // namespace orvane

#pragma once

#include "platform/Services.h"

#include <ctime>
#include <functional>
#include <string>

namespace orvane {

class HttpClient;
class UserDefaults;

// Finds out whether a newer version exists by asking the project's web site: a version is
// out of date when the site publishes a file named after it; the ping file tells an
// unreachable site apart from an up-to-date version. Runs on the main thread.
class UpdateChecker {
  public:
    using Clock = std::function<std::time_t()>;

    UpdateChecker(UserDefaults& defaults, AlertService& alerts, Workspace& workspace,
                  HttpClient& http);

    // The reminder of every start but the first: asks whether to check once more than
    // OVCheckUpdateFrequency days have passed since the last check.
    void updateReminder();

    // Checks now and tells the user the outcome. A check that cannot reach the site still
    // counts as a check.
    void doUpdateCheck();

    // Test seams: the running version and the current time.
    void setVersion(std::string version) { version_ = std::move(version); }
    void setClock(Clock clock) { clock_ = std::move(clock); }

  private:
    UserDefaults& defaults_;
    AlertService& alerts_;
    Workspace& workspace_;
    HttpClient& http_;
    std::string version_;
    Clock clock_;
};

} // namespace orvane

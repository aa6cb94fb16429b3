#pragma once

#include <optional>
#include <string>
#include <vector>

namespace orvane {

class DropWell;
struct ProgressStatus;

// What the run control and the selection need of the main window. Everything but the
// progress meter and the button has a default that does nothing, so that front ends
// without fields or wells (the command line) implement only what they show.
class MainView {
  public:
    virtual ~MainView() = default;
    virtual void setProgressMaximum(double maximum) = 0;
    virtual void setProgressValue(double value) = 0;
    // The organise button's title and key ("\r" for Return, "" for none).
    virtual void setGoButton(const std::string& title, const std::string& keyEquivalent) = 0;

    // The texts of the source and destination fields.
    virtual void setFromField(const std::string& text) {}
    virtual void setToField(const std::string& text) {}
    // The two drop wells, or none.
    virtual DropWell* fromWell() { return nullptr; }
    virtual DropWell* toWell() { return nullptr; }

    // The progress line beside the bar, at every status tick of a run.
    virtual void setProgressStatus(const ProgressStatus& status) {}
    // Told when a run starts and after the tick that ends it: the choose commands, the
    // preferences and the wells are off meanwhile.
    virtual void setRunning(bool running) {}
    // Whether the organise button can start a run: only with sources and a destination.
    virtual void setGoButtonEnabled(bool enabled) {}
    // Whether the user is looking at the window (it is the active one).
    virtual bool isWindowActive() const { return true; }
    // The "Job" field: whether the window has one, the recent codes its pop-up offers (newest
    // first), its text, and a question for a code when a template needs one (none: the user
    // declined).
    virtual bool hasJobField() const { return false; }
    virtual void setRecentJobCodes(const std::vector<std::string>& codes) {}
    virtual void setJobField(const std::string& code) {}
    virtual std::optional<std::string> askJobCode() { return std::nullopt; }
};

} // namespace orvane

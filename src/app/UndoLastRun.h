#pragma once

#include "history/RunHistory.h"

#include <optional>
#include <string>

namespace orvane {

class Controller;
struct UndoResult;

// The window's "Undo Last Organize…": takes back the latest run that has ended, after the
// user has confirmed how many files will be removed from where, then says what was removed
// and what was kept. Asks and tells through the controller's alerts.
class UndoLastRun {
  public:
    explicit UndoLastRun(Controller& controller) : controller_(controller) {}

    // Whether the command is available: no run under way, and an ended run that copied
    // something has not been undone.
    bool canUndo();
    // The command's title naming the run it would take back ("Undo the organize of 8 Dec
    // 14:02: 42 files…"); none when no run can be.
    std::optional<std::string> commandTitle();
    static constexpr const char* kPlainTitle = "Undo Last Organize\u2026";
    void undo();

    static std::string confirmationText(size_t files, const std::string& destination, size_t kept);
    static std::string reportText(const UndoResult& result, const std::string& destination);
    // "8 Dec 14:02" in local time, from a journal's "2026-12-08T14:02:11Z"; empty when the
    // text is not such a time.
    static std::string startedText(const std::string& started);

  private:
    // The latest ended run that copied something or removed originals and is not undone: a
    // later run that found everything there already and freed nothing does not hide the
    // import before it.
    std::optional<RunRecord> undoableRun();

    Controller& controller_;
};

} // namespace orvane

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

    // Whether the command is available: no run under way, and the latest run has copies and
    // has not been undone.
    bool canUndo();
    void undo();

    static std::string confirmationText(size_t files, const std::string& destination, size_t kept);
    static std::string reportText(const UndoResult& result, const std::string& destination);

  private:
    // The latest run that has ended, when the command is available for it.
    std::optional<RunRecord> undoableRun();

    Controller& controller_;
};

} // namespace orvane

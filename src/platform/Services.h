#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace orvane {

// The operating-system services the controllers need, behind small interfaces: the
// desktop provides Qt implementations, the command line and tests their own.

class AlertService {
  public:
    virtual ~AlertService() = default;
    // A modal alert with up to three buttons (empty titles are left out). Answers the index
    // of the pressed button: 0 for the first (default), 1 and 2 for the others.
    virtual int runAlert(const std::string& title, const std::string& message,
                         const std::string& defaultButton, const std::string& alternateButton = {},
                         const std::string& otherButton = {}) = 0;
};

class Beeper {
  public:
    virtual ~Beeper() = default;
    virtual void beep() = 0;
};

class RecentDocuments {
  public:
    virtual ~RecentDocuments() = default;
    virtual void noteNewRecentDocument(const std::string& path) = 0;
};

class Workspace {
  public:
    virtual ~Workspace() = default;
    // Tells file browsers that the file system changed.
    virtual void noteFileSystemChanged() = 0;
    virtual bool openURL(const std::string& url) = 0;
    // Opens a file or folder with the user's application for it.
    virtual bool openPath(const std::string& path) = 0;
    // Shows the item selected in its folder in the file manager, or else opens its folder.
    virtual bool showInFolder(const std::string& path) = 0;
};

// Desktop notifications; nothing is shown where no notification service runs.
class Notifier {
  public:
    virtual ~Notifier() = default;
    // `activated` runs on the main thread when the user clicks the notification.
    virtual void notify(const std::string& title, const std::string& body,
                        std::function<void()> activated) = 0;
};

// Repeating timers on the main thread.
class TimerService {
  public:
    using TimerId = int;
    virtual ~TimerService() = default;
    virtual TimerId startRepeating(double intervalSeconds, std::function<void()> callback) = 0;
    virtual void stop(TimerId id) = 0;
};

// The choose panel: a modal dialog that answers the chosen paths in the order shown, or
// none when the user cancelled.
struct OpenPanelOptions {
    std::string title;
    bool allowsMultipleSelection = false;
    bool canChooseFiles = true;
    bool canChooseDirectories = false;
    std::string directory;
};

class OpenPanelService {
  public:
    virtual ~OpenPanelService() = default;
    virtual std::optional<std::vector<std::string>>
    runOpenPanel(const OpenPanelOptions& options) = 0;
};

class FileSystemProbe;

// The services a controller is given; any may be null where a front end lacks it (a null
// file-system probe means the real file system).
struct PlatformServices {
    AlertService* alerts = nullptr;
    Beeper* beeper = nullptr;
    RecentDocuments* recents = nullptr;
    Workspace* workspace = nullptr;
    TimerService* timers = nullptr;
    OpenPanelService* panels = nullptr;
    FileSystemProbe* fileSystem = nullptr;
    Notifier* notifier = nullptr;
    // How many copies a run makes at once into a folder when the preference leaves it to the
    // program; null: one at a time.
    std::function<unsigned(const std::string& folder)> automaticCopyJobs = {};
};

} // namespace orvane

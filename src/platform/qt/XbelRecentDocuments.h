#pragma once

#include "platform/Services.h"

#include <QDateTime>
#include <optional>
#include <string>

namespace orvane {

// Recent documents in the freedesktop list that file choosers and file managers read,
// recently-used.xbel: adds or refreshes the document's bookmark with Orvane among its
// applications and keeps every other entry as it was. A list that cannot be read is left
// untouched rather than replaced.
class XbelRecentDocuments : public RecentDocuments {
  public:
    // $XDG_DATA_HOME/recently-used.xbel, else ~/.local/share/recently-used.xbel.
    static std::string defaultFile();

    explicit XbelRecentDocuments(std::string file = defaultFile()) : file_(std::move(file)) {}
    void noteNewRecentDocument(const std::string& path) override;

    // Adds `path` to the list in `file`; answers the error text when nothing was written.
    static std::optional<std::string>
    addRecentDocument(const std::string& file, const std::string& path, const QDateTime& now);

  private:
    std::string file_;
};

} // namespace orvane

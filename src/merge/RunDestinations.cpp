#include "merge/RunDestinations.h"

#include "platform/UserDefaults.h"
#include "prefs/PrefKeys.h"

#include <algorithm>

namespace orvane {

PathList RunDestinations::others() const {
    PathList roots;
    if (!videos.empty())
        roots.push_back(videos);
    roots.insert(roots.end(), backups.begin(), backups.end());
    return roots;
}

RunDestinations runDestinationsOf(const UserDefaults& defaults, const std::string& main) {
    RunDestinations destinations{
        main, defaults.stringForKey(keys::kVideoDestination).value_or(""), {}};
    if (destinations.videos == main)
        destinations.videos.clear();
    const StringList disabled =
        defaults.stringArrayForKey(keys::kDisabledBackups).value_or(StringList{});
    for (const std::string& backup :
         defaults.stringArrayForKey(keys::kBackupDestinations).value_or(StringList{}))
        if (!backup.empty() &&
            std::find(disabled.begin(), disabled.end(), backup) == disabled.end() &&
            std::find(destinations.backups.begin(), destinations.backups.end(), backup) ==
                destinations.backups.end() &&
            backup != main)
            destinations.backups.push_back(backup);
    return destinations;
}

} // namespace orvane

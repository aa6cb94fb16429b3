#include "app/CardOffers.h"

#include "app/Controller.h"
#include "base/Log.h"
#include "base/NumberText.h"
#include "base/StringHelpers.h"
#include "base/WindowText.h"
#include "history/ImportHistory.h"
#include "platform/RemoteSources.h"
#include "platform/VolumeIdentity.h"

#include <filesystem>
#include <sys/stat.h>

namespace orvane {
namespace {

// The files a camera wrote below its DCIM folder; hidden files are not photos. With a
// history, `seen` counts those it knows by place, size and time (their contents are not read:
// the offer comes at once).
size_t countFiles(const std::string& folder, ImportHistory* history, size_t& seen) {
    namespace fs = std::filesystem;
    size_t count = 0;
    VolumeIdentities volumes;
    std::error_code error;
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied,
                                        error);
    for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        const std::string name = it->path().filename();
        if (!name.empty() && name[0] == '.') {
            if (it->is_directory(error))
                it.disable_recursion_pending();
            continue;
        }
        if (!it->is_regular_file(error))
            continue;
        ++count;
        struct stat status;
        if (history && ::stat(it->path().c_str(), &status) == 0) {
            const VolumePlace place = volumes.placeOf(it->path().string(), status.st_dev);
            seen += history
                        ->knows({place.volume, place.path, static_cast<int64_t>(status.st_size),
                                 static_cast<int64_t>(status.st_mtim.tv_sec) * 1000000000 +
                                     status.st_mtim.tv_nsec})
                        .value_or(false);
        }
    }
    return count;
}

// "Card 'X' (120 photos, 30 new) inserted", "Phone 'Pixel 7' (1 photo) connected": whole
// sentences, so that each translates whole.
std::string offerText(const MountedVolume& volume, size_t photos, std::optional<size_t> fresh) {
    const bool one = photos == 1;
    const char* text = nullptr;
    if (volume.phone)
        text = one ? ORVANE_TRANSLATE_NOOP("Orvane", "Phone %1 (%2 photo) connected")
                   : ORVANE_TRANSLATE_NOOP("Orvane", "Phone %1 (%2 photos) connected");
    else if (isCameraPath(volume.mountPoint))
        text = one ? ORVANE_TRANSLATE_NOOP("Orvane", "Camera %1 (%2 photo) connected")
                   : ORVANE_TRANSLATE_NOOP("Orvane", "Camera %1 (%2 photos) connected");
    else if (fresh)
        text = one ? ORVANE_TRANSLATE_NOOP("Orvane", "Card %1 (%2 photo, %3 new) inserted")
                   : ORVANE_TRANSLATE_NOOP("Orvane", "Card %1 (%2 photos, %3 new) inserted");
    else
        text = one ? ORVANE_TRANSLATE_NOOP("Orvane", "Card %1 (%2 photo) inserted")
                   : ORVANE_TRANSLATE_NOOP("Orvane", "Card %1 (%2 photos) inserted");
    return fillValues(
        text, {"'" + volume.label + "'", groupedNumber(photos), groupedNumber(fresh.value_or(0))});
}

} // namespace

void CardOffers::volumeMounted(const MountedVolume& volume) {
    if (dismissed_.count(volume.mountPoint))
        return;
    Offer offer;
    offer.volume = volume;
    std::string problem;
    std::unique_ptr<ImportHistory> history;
    size_t seen = 0;
    if (isCameraPath(volume.mountPoint)) {
        // A device on a cable is its own source. One that cannot be listed (a file manager
        // holds it) is offered through the mount the file manager makes of it, if any.
        offer.cameraFolder = volume.mountPoint;
        if (volume.photos) {
            offer.photos = *volume.photos;
        } else {
            std::vector<std::string> entries;
            RemoteSources* remote = remoteSources();
            if (!remote || remote->list(volume.mountPoint, entries))
                return;
            remote->release(volume.mountPoint);
            offer.photos = entries.size();
        }
    } else {
        offer.cameraFolder = cameraFolderOf(volume.mountPoint);
        if (offer.cameraFolder.empty())
            return;
        if (!controller_.importHistoryFile().empty())
            history = ImportHistory::open(controller_.importHistoryFile(), problem);
        offer.photos = countFiles(offer.cameraFolder, history.get(), seen);
    }
    offer.text = offerText(volume, offer.photos,
                           history ? std::optional(offer.photos - seen) : std::nullopt);
    logMessage(LOG_DEBUG, "Offering card '%s' at '%s'", safeCString(volume.label).c_str(),
               safeCString(volume.mountPoint).c_str());
    offer_ = std::move(offer);
    if (view_)
        view_->showCardOffer(offer_->text);
}

void CardOffers::volumeUnmounted(const std::string& mountPoint) {
    dismissed_.erase(mountPoint);
    if (offer_ && offer_->volume.mountPoint == mountPoint) {
        offer_.reset();
        if (view_)
            view_->hideCardOffer();
    }
}

void CardOffers::scanMounted(const std::vector<std::string>& roots) {
    const std::vector<MountedVolume> volumes = cameraVolumesUnder(roots);
    if (!volumes.empty())
        volumeMounted(volumes.back());
}

void CardOffers::useAsSource() {
    if (!offer_)
        return;
    // The source is chosen as with the choose command: not while a run is in progress.
    if (controller_.runInProgress()) {
        if (controller_.services().beeper)
            controller_.services().beeper->beep();
        return;
    }
    controller_.setFromPaths({offer_->cameraFolder});
    dismiss();
}

void CardOffers::dismiss() {
    if (!offer_)
        return;
    dismissed_.insert(offer_->volume.mountPoint);
    offer_.reset();
    if (view_)
        view_->hideCardOffer();
}

} // namespace orvane

#include "app/CardOffers.h"

#include "app/Controller.h"
#include "base/Log.h"
#include "base/NumberText.h"
#include "base/StringHelpers.h"
#include "base/WindowText.h"

#include <filesystem>

namespace orvane {
namespace {

// The files a camera wrote below its DCIM folder; hidden files are not photos.
size_t countFiles(const std::string& folder) {
    namespace fs = std::filesystem;
    size_t count = 0;
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
        if (it->is_regular_file(error))
            ++count;
    }
    return count;
}

} // namespace

void CardOffers::volumeMounted(const MountedVolume& volume) {
    if (dismissed_.count(volume.mountPoint))
        return;
    const std::string camera = cameraFolderOf(volume.mountPoint);
    if (camera.empty())
        return;
    Offer offer;
    offer.volume = volume;
    offer.cameraFolder = camera;
    offer.photos = countFiles(camera);
    offer.text = fillValues(offer.photos == 1
                                ? ORVANE_TRANSLATE_NOOP("Orvane", "Card %1 (%2 photo) inserted")
                                : ORVANE_TRANSLATE_NOOP("Orvane", "Card %1 (%2 photos) inserted"),
                            {"'" + volume.label + "'", groupedNumber(offer.photos)});
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

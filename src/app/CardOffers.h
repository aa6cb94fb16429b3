#pragma once

#include "platform/Volumes.h"

#include <optional>
#include <set>
#include <string>
#include <vector>

namespace orvane {

class Controller;

// The bar that offers a memory card or camera as the source.
class CardOfferView {
  public:
    virtual ~CardOfferView() = default;
    // "Card 'EOS_DIGITAL' (1,234 photos, 30 new) inserted" (the new ones where there is an
    // import history); the bar's commands are "Use as source"
    // and "Dismiss".
    virtual void showCardOffer(const std::string& text) = 0;
    virtual void hideCardOffer() = 0;
};

// Offers a volume with a DCIM folder when it is mounted (or found mounted at start-up), and
// a camera or phone on a cable when it is connected (a volume whose mount point is its
// source, "camera:PORT"). "Use as source" makes its DCIM folder, or the device, the source;
// nothing is copied until the user organises. A dismissed card is not offered again until
// it has been unmounted. Main thread.
class CardOffers : public VolumeListener {
  public:
    explicit CardOffers(Controller& controller) : controller_(controller) {}

    void setView(CardOfferView* view) { view_ = view; }

    void volumeMounted(const MountedVolume& volume) override;
    void volumeUnmounted(const std::string& mountPoint) override;
    // Offers the last of the cameras already mounted under `roots`.
    void scanMounted(const std::vector<std::string>& roots = {"/media", "/run/media"});

    void useAsSource();
    void dismiss();

    struct Offer {
        MountedVolume volume;
        std::string cameraFolder; // or the device's source
        size_t photos = 0;
        std::string text;
    };
    const std::optional<Offer>& offer() const { return offer_; }

  private:
    Controller& controller_;
    CardOfferView* view_ = nullptr;
    std::optional<Offer> offer_;
    std::set<std::string> dismissed_; // mount points
};

} // namespace orvane

#include "platform/RemoteSources.h"

#include <atomic>

namespace orvane {
namespace {
std::atomic<RemoteSources*> installed{nullptr};
}

RemoteSources* remoteSources() {
    return installed.load();
}

void setRemoteSources(RemoteSources* sources) {
    installed.store(sources);
}

} // namespace orvane

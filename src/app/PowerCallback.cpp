#include "app/PowerCallback.h"

#include "base/Log.h"
#include "base/RunStatus.h"

namespace orvane {

PowerAnswer powerCallback(uint32_t messageType, int mergeState) {
    switch (messageType) {
    case kIOMessageCanSystemSleep:
        if (mergeState != kMergeIdle) {
            logMessage(LOG_DEBUG, "Cancelling sleep because merge state is %d", mergeState);
            return PowerAnswer::kCancel;
        }
        logMessage(LOG_DEBUG, "Allowing sleep because merge state is %d", mergeState);
        return PowerAnswer::kAllow;
    case kIOMessageSystemWillSleep:
        logMessage(LOG_DEBUG, "System will sleep");
        return PowerAnswer::kAllow;
    case kIOMessageSystemHasPoweredOn:
        logMessage(LOG_DEBUG, "System is back");
        return PowerAnswer::kNone;
    default:
        logMessage(LOG_DEBUG, "System power state change. Code = %08lx",
                   static_cast<unsigned long>(messageType));
        return PowerAnswer::kAllow;
    }
}

} // namespace orvane

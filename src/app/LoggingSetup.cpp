#include "app/LoggingSetup.h"

#include "base/Log.h"
#include "platform/UserDefaults.h"
#include "prefs/PrefKeys.h"

namespace orvane {

void setUpLogging(const UserDefaults& defaults, const char* version) {
    configureLogging(defaults.integerForKey(keys::kDebug));
    createLogLock();
    if (trackingEnabled()) {
        logMessage(LOG_NOTICE, "Orvane starting. Version: %s", version);
        logMessage(LOG_DEBUG, "Preferences dictionary follows");
        logText(LOG_DEBUG, defaults.description());
    }
}

} // namespace orvane

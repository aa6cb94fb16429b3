#pragma once

#include "platform/Services.h"
#include "support/Fakes.h"

#include <string>
#include <vector>

namespace orvane::test {

using RecordingAlerts = FakeAlerts;

} // namespace orvane::test

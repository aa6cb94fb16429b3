// Feeds arbitrary bytes as a run journal to the reader that undo and the clean-up after
// killed runs trust: it must answer (or refuse) without crashing or growing without bound, and
// never hand on a path holding a NUL (a path cut there names another file than the one checked).

#include "QuietUtcSetup.h"
#include "history/RunHistory.h"

#include <cstdint>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

namespace {

void requireNoNul(const std::string& path) {
    if (path.find('\0') != std::string::npos)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const int fd = memfd_create("journal", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size))
        return 0;
    for (bool whole : {false, true}) {
        const std::optional<orvane::RunRecord> run = orvane::readRunFrom(
            fd, "20261208T003645.123Z-1.jsonl", static_cast<off_t>(size), whole);
        if (!run)
            continue;
        requireNoNul(run->destination);
        for (const orvane::RunRecord::Copy& copy : run->copies)
            requireNoNul(copy.destination);
        for (const orvane::RunRecord::Intent& intent : run->intents) {
            requireNoNul(intent.temporary);
            requireNoNul(intent.destination);
        }
        for (const orvane::RunRecord::Placeholder& placeholder : run->placeholders)
            requireNoNul(placeholder.path);
    }
    return 0;
}

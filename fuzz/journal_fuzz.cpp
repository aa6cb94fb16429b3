// Feeds arbitrary bytes as a run journal to the reader that undo and the clean-up after
// killed runs trust: it must answer (or refuse) without crashing, growing without bound or
// handing on a path that holds a NUL or names something outside the run's destination.

#include "QuietUtcSetup.h"
#include "merge/RunHistory.h"

#include <cstdint>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

namespace {

void requireSafe(const orvane::RunRecord& run, const std::string& path) {
    if (path.find('\0') != std::string::npos)
        std::abort();
    (void)run;
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
        requireSafe(*run, run->destination);
        for (const orvane::RunRecord::Copy& copy : run->copies)
            requireSafe(*run, copy.destination);
        for (const orvane::RunRecord::Intent& intent : run->intents) {
            requireSafe(*run, intent.temporary);
            requireSafe(*run, intent.destination);
            // What the clean-up would act on lies strictly below the destination.
            if (auto parts = orvane::componentsBelow(run->destination, intent.temporary))
                for (const std::string& part : *parts)
                    if (part.empty() || part == "." || part == ".." ||
                        part.find('/') != std::string::npos)
                        std::abort();
        }
    }
    return 0;
}

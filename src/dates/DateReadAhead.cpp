#include "dates/DateReadAhead.h"

namespace orvane {

unsigned dateReadAheadThreads() {
    const unsigned cores = std::thread::hardware_concurrency();
    return std::clamp(cores, 1u, 4u);
}

bool sameFileState(const struct stat& a, const struct stat& b) {
    // The change time moves with every write and every change of the file's attributes.
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mode == b.st_mode && a.st_mtim.tv_sec == b.st_mtim.tv_sec &&
           a.st_mtim.tv_nsec == b.st_mtim.tv_nsec && a.st_ctim.tv_sec == b.st_ctim.tv_sec &&
           a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

} // namespace orvane

// How many copies a run makes at once when the user leaves the choice to the program: several
// on solid-state storage, where they overlap well, one on spinning disks, where they would
// make the heads seek between files, and one wherever the kind of storage cannot be told.
#pragma once

#include <optional>
#include <string>
#include <sys/types.h>

namespace orvane {

// Whether the block device holding `folder` has rotating media, from
// SYS/dev/block/MAJOR:MINOR/queue/rotational (or its parent's, for a partition); none when it
// cannot be told (network and virtual file systems, a missing /sys). A hypervisor's disk
// counts as solid state, whatever its flag says; a loop device as the disk its file is on.
std::optional<bool> isOnRotatingDisk(const std::string& folder,
                                     const std::string& sysRoot = "/sys");

// The same for a block device by its number (tests give their own `sysRoot`).
std::optional<bool> isRotatingDevice(dev_t device, const std::string& sysRoot);

// The most copies made at once when the choice is left to the program.
inline constexpr unsigned kMaxAutomaticCopyJobs = 4;

// The copies to make at once into `folder`: 1 on a rotating or unknown disk, else up to
// kMaxAutomaticCopyJobs and no more than the processor cores.
unsigned automaticCopyJobs(const std::string& folder, const std::string& sysRoot = "/sys");

} // namespace orvane

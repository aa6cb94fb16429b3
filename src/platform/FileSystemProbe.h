// What the checks before a run ask of the file system that receives the copies. Tests give a
// fake to play a read-only or full destination, which a process running as root could not
// otherwise be refused.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace orvane {

class FileSystemProbe {
  public:
    virtual ~FileSystemProbe() = default;
    // 0 when this process may create names in the folder: it passes access(W_OK) and a probe
    // file is created there exclusively and removed again (so that a read-only mount is caught
    // too); else the errno that refused it.
    virtual int writeProbe(const std::string& folder) = 0;
    // The bytes this process may still write on the folder's file system, or none when that
    // cannot be told.
    virtual std::optional<uint64_t> freeBytes(const std::string& folder) = 0;
};

// The real file system.
class PosixFileSystemProbe : public FileSystemProbe {
  public:
    int writeProbe(const std::string& folder) override;
    std::optional<uint64_t> freeBytes(const std::string& folder) override;
};

} // namespace orvane

#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace orvane {

// An XXH3-128 digest of a file's bytes: what tells two contents apart without comparing them.
struct ContentHash {
    uint64_t high = 0;
    uint64_t low = 0;

    auto operator<=>(const ContentHash&) const = default;
    // 16 bytes, high half first, as stored and compared.
    std::string bytes() const;
    static std::optional<ContentHash> fromBytes(std::string_view bytes);
    std::string hex() const;
};

// A file's edges: its first and its last this many bytes, each byte once (all of a file up
// to twice this size). Their hash is what a later run compares without reading the whole file.
inline constexpr off_t kEdgeBytes = 64 * 1024;

// The hashes of one file's bytes fed in order as a copy reads them: of the whole contents and,
// in the same pass, of its edges.
class StreamingHash {
  public:
    explicit StreamingHash(off_t size);
    ~StreamingHash();
    StreamingHash(const StreamingHash&) = delete;
    StreamingHash& operator=(const StreamingHash&) = delete;

    void update(const void* data, size_t length);
    // A hole of a sparse file reads as zeros.
    void updateZeros(size_t length);

    // Both answer none unless exactly the announced size was fed.
    std::optional<ContentHash> full() const;
    std::optional<ContentHash> edges() const;

  private:
    struct State;
    State* state_;
    off_t size_;
    off_t fed_ = 0;
};

// The edge hash of the open regular file `fd` of `size` bytes (two reads of kEdgeBytes at
// most), or none when it cannot be read.
[[nodiscard]] std::optional<ContentHash> edgeHashOf(int fd, off_t size);
// The hash of all of the open file `fd` of `size` bytes, or none when it cannot be read or
// its length is not `size`.
[[nodiscard]] std::optional<ContentHash> fullHashOf(int fd, off_t size);
// The hash of the regular file at `path` (not followed when it is a link) of `size` bytes as
// the disk holds it: its cached pages are dropped first, so that the bytes are read from the
// device and not from memory. The file's data must be durable already (fdatasync or syncfs),
// else dirty pages stay cached and are what is read. None when it cannot be read.
[[nodiscard]] std::optional<ContentHash> storedHashOf(const std::string& path, off_t size);

} // namespace orvane

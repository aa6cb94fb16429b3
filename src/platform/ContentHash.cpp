#include "platform/ContentHash.h"

#include "platform/FileDescriptor.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <unistd.h>
#include <xxhash.h>

namespace orvane {

struct StreamingHash::State {
    XXH3_state_t* full = XXH3_createState();
    XXH3_state_t* edges = XXH3_createState();
    State() {
        XXH3_128bits_reset(full);
        XXH3_128bits_reset(edges);
    }
    ~State() {
        XXH3_freeState(full);
        XXH3_freeState(edges);
    }
};

namespace {

ContentHash fromDigest(XXH128_hash_t digest) {
    return {digest.high64, digest.low64};
}

// Where the second edge begins: never inside the first, so that no byte counts twice.
off_t lastEdgeStart(off_t size) {
    return std::max(kEdgeBytes, size - kEdgeBytes);
}

bool readFully(int fd, char* buffer, size_t length, off_t offset) {
    size_t done = 0;
    while (done < length) {
        const ssize_t n = ::pread(fd, buffer + done, length - done, offset + off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

} // namespace

std::string ContentHash::bytes() const {
    std::string out(16, '\0');
    for (int i = 0; i < 8; ++i) {
        out[static_cast<size_t>(i)] = static_cast<char>(high >> (56 - 8 * i));
        out[static_cast<size_t>(8 + i)] = static_cast<char>(low >> (56 - 8 * i));
    }
    return out;
}

std::optional<ContentHash> ContentHash::fromBytes(std::string_view bytes) {
    if (bytes.size() != 16)
        return std::nullopt;
    ContentHash hash;
    for (size_t i = 0; i < 8; ++i) {
        hash.high = (hash.high << 8) | static_cast<unsigned char>(bytes[i]);
        hash.low = (hash.low << 8) | static_cast<unsigned char>(bytes[8 + i]);
    }
    return hash;
}

std::string ContentHash::hex() const {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes()) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

StreamingHash::StreamingHash(off_t size) : state_(new State), size_(size) {}

StreamingHash::~StreamingHash() {
    delete state_;
}

void StreamingHash::update(const void* data, size_t length) {
    const char* bytes = static_cast<const char*>(data);
    XXH3_128bits_update(state_->full, bytes, length);
    const off_t begin = fed_, end = fed_ + off_t(length);
    if (begin < kEdgeBytes) {
        const off_t upTo = std::min(end, kEdgeBytes);
        XXH3_128bits_update(state_->edges, bytes, size_t(upTo - begin));
    }
    const off_t tail = lastEdgeStart(size_);
    if (end > tail) {
        const off_t from = std::max(begin, tail);
        XXH3_128bits_update(state_->edges, bytes + (from - begin), size_t(end - from));
    }
    fed_ = end;
}

void StreamingHash::updateZeros(size_t length) {
    static const char zeros[64 * 1024] = {};
    while (length > 0) {
        const size_t now = std::min(length, sizeof zeros);
        update(zeros, now);
        length -= now;
    }
}

std::optional<ContentHash> StreamingHash::full() const {
    if (fed_ != size_)
        return std::nullopt;
    return fromDigest(XXH3_128bits_digest(state_->full));
}

std::optional<ContentHash> StreamingHash::edges() const {
    if (fed_ != size_)
        return std::nullopt;
    return fromDigest(XXH3_128bits_digest(state_->edges));
}

std::optional<ContentHash> edgeHashOf(int fd, off_t size) {
    auto buffer = std::make_unique<char[]>(size_t(kEdgeBytes));
    XXH3_state_t* state = XXH3_createState();
    std::unique_ptr<XXH3_state_t, XXH_errorcode (*)(XXH3_state_t*)> guard(state, XXH3_freeState);
    XXH3_128bits_reset(state);
    const off_t head = std::min(size, kEdgeBytes);
    if (!readFully(fd, buffer.get(), size_t(head), 0))
        return std::nullopt;
    XXH3_128bits_update(state, buffer.get(), size_t(head));
    const off_t tail = lastEdgeStart(size);
    if (size > tail) {
        if (!readFully(fd, buffer.get(), size_t(size - tail), tail))
            return std::nullopt;
        XXH3_128bits_update(state, buffer.get(), size_t(size - tail));
    }
    return fromDigest(XXH3_128bits_digest(state));
}

std::optional<ContentHash> fullHashOf(int fd, off_t size) {
    // One byte more than the size, so that growth is seen; not cleared, since it is read into.
    const size_t chunk = static_cast<size_t>(std::clamp<off_t>(size + 1, 1, off_t{1} << 20));
    std::unique_ptr<char[]> buffer(new char[chunk]);
    StreamingHash hash(size);
    for (off_t offset = 0;;) {
        const ssize_t n = ::pread(fd, buffer.get(), chunk, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::nullopt;
        if (n == 0 || offset + n > size)
            break;
        hash.update(buffer.get(), size_t(n));
        offset += n;
        // A regular file read short at its size has ended: no read is needed to be told so.
        if (size_t(n) < chunk && offset == size)
            break;
    }
    return hash.full();
}

std::optional<ContentHash> storedHashOf(const std::string& path, off_t size) {
    const UniqueFd fd = openSourceFile(AT_FDCWD, path.c_str());
    if (fd.get() < 0)
        return std::nullopt;
    // Clean pages are dropped at once.
    (void)::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_DONTNEED);
    return fullHashOf(fd.get(), size);
}

} // namespace orvane

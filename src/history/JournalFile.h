#pragma once

// Opening and reading run journals as the untrusted input they are: the journal folder may be
// shared, or read by another user (sudo with the user's HOME), and anything in it may have
// been put there or changed by someone else.

#include "platform/FileDescriptor.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <sys/stat.h>

namespace orvane::journal {

// The start line names the sources, which may be many; other lines hold one entry, except
// that of a folder copied whole, which lists everything inside it.
inline constexpr size_t kMaxStartLine = size_t{16} << 20;
inline constexpr size_t kMaxLine = size_t{64} << 20;
inline constexpr off_t kMaxJournalBytes = off_t{2} << 30;

// Whether `name` is one this program gives its journals, "20261208T003645.123Z-1234.jsonl":
// nothing else in the folder is read, pruned or acted on.
bool isJournalName(std::string_view name);

// Opens a journal with `flags` (O_RDONLY, or O_WRONLY | O_APPEND) only when it is a regular
// file owned by the user running, of at most kMaxJournalBytes: never through a link, never a
// FIFO or a device (which could block or never end). Answers an invalid descriptor otherwise.
UniqueFd openJournal(const std::string& path, int flags, struct stat* status = nullptr);

// The one way lines reach a journal, the run's own as it goes and the lines undo and the
// clean-up add later: appended whole (the kernel may take less at a time), and with
// makeDurable on the disk before a caller relies on them. False with errno set on failure.
[[nodiscard]] bool appendLines(int fd, std::string_view lines);
[[nodiscard]] bool makeDurable(int fd);
[[nodiscard]] inline bool appendDurably(int fd, std::string_view lines) {
    return appendLines(fd, lines) && makeDurable(fd);
}

// Ends the last line of the journal open on `fd` (`size` bytes) when it has no end: one cut
// short by a crash, or longer than any line is read. Lines appended after it then read as lines
// of their own rather than as the rest of a line passed over, which would leave a run that was
// marked interrupted listed as running for ever. False with errno set on failure.
[[nodiscard]] bool endLastLine(int fd, off_t size);

// Reads lines from a descriptor through a buffer, each at most `maxLine` bytes: a longer one
// is passed over without being kept, and reads as damaged.
class LineReader {
  public:
    explicit LineReader(int fd) : fd_(fd) {}

    // The next line without its end; false at the end of the file (a last line without an
    // end is a line cut short and not answered). `tooLong` tells a line passed over.
    bool next(std::string& line, size_t maxLine, bool& tooLong);
    // Goes on from `offset`, at the start of the next line after it.
    void skipTo(off_t offset);

  private:
    bool fill();

    int fd_;
    std::string buffer_;
    size_t position_ = 0;
    bool ended_ = false;
};

} // namespace orvane::journal

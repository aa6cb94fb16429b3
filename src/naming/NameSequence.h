#pragma once

#include <cstdint>
#include <ctime>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace orvane {

// Where {seq} counts from.
enum class SequenceScope {
    Run,    // 1, 2, 3 … in each run
    Day,    // 1, 2, 3 … for each capture day of a run
    Stored, // on from the number the settings keep, across runs
};

// The stored names of the scopes ("run", "day", "stored"), and back; an unknown name is Run.
std::string_view sequenceScopeName(SequenceScope scope);
SequenceScope sequenceScopeNamed(std::string_view name);

// The numbers {seq} gives, in the order entries are named. A stored counter moves on only by
// the numbers copies were published with: a run that fails or stops leaves it claiming no
// number past the last one used.
class NameSequence {
  public:
    NameSequence(SequenceScope scope, uint64_t firstStored);

    // The next number for an entry dated `date` (local time decides the day).
    uint64_t take(time_t date);
    // The number just taken for `date` is not used after all: the next entry takes it.
    void giveBack(uint64_t number, time_t date);
    // A copy was published under a name with `number`.
    void used(uint64_t number);
    // For a stored counter, the number the next run starts at, when this run used any.
    std::optional<uint64_t> nextStored() const;

  private:
    SequenceScope scope_;
    uint64_t next_;
    uint64_t highestUsed_ = 0;
    std::map<long, uint64_t> nextOfDay_;
};

// A number wider than any {seq:N} pads to: the name it gives shows where the number stands.
inline constexpr uint64_t kWidestSequenceNumber = 999'999'999'999;

// The names a name template gives one entry whatever its {seq} number: the text before and
// after the number and the number's least width. A file that holds the entry's bytes under
// one of them is the entry's copy under another number, from a run that counted otherwise.
class SequencedName {
  public:
    // From the entry's name with the number 1 and its name with kWidestSequenceNumber; none
    // when they do not differ in one run of digits (no {seq}, or a name cut to fit).
    static std::optional<SequencedName> between(std::string_view withOne,
                                                std::string_view withWidest);
    // The number with which the template gives the entry `name`; none when it never does.
    std::optional<uint64_t> numberIn(std::string_view name) const;
    const std::string& prefix() const { return prefix_; }

  private:
    std::string prefix_;
    std::string suffix_;
    size_t width_ = 0;
};

} // namespace orvane

#pragma once

#include <cstdint>
#include <ctime>
#include <map>
#include <optional>
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

} // namespace orvane

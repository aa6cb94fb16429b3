#include "naming/NameSequence.h"

#include <algorithm>

namespace orvane {

std::string_view sequenceScopeName(SequenceScope scope) {
    switch (scope) {
    case SequenceScope::Day:
        return "day";
    case SequenceScope::Stored:
        return "stored";
    default:
        return "run";
    }
}

SequenceScope sequenceScopeNamed(std::string_view name) {
    if (name == "day")
        return SequenceScope::Day;
    if (name == "stored")
        return SequenceScope::Stored;
    return SequenceScope::Run;
}

NameSequence::NameSequence(SequenceScope scope, uint64_t firstStored)
    : scope_(scope),
      next_(scope == SequenceScope::Stored ? std::max<uint64_t>(firstStored, 1) : 1) {}

uint64_t NameSequence::take(time_t date) {
    if (scope_ != SequenceScope::Day)
        return next_++;
    struct tm local = {};
    localtime_r(&date, &local);
    const long day = (local.tm_year + 1900L) * 10000 + (local.tm_mon + 1) * 100 + local.tm_mday;
    auto [it, added] = nextOfDay_.emplace(day, 1);
    return it->second++;
}

void NameSequence::used(uint64_t number) {
    highestUsed_ = std::max(highestUsed_, number);
}

std::optional<uint64_t> NameSequence::nextStored() const {
    if (scope_ != SequenceScope::Stored || highestUsed_ == 0)
        return std::nullopt;
    return highestUsed_ + 1;
}

} // namespace orvane

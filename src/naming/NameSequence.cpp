#include "naming/NameSequence.h"

#include <algorithm>
#include <charconv>
#include <cstddef>

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

namespace {

long dayOf(time_t date) {
    struct tm local = {};
    localtime_r(&date, &local);
    return (local.tm_year + 1900L) * 10000 + (local.tm_mon + 1) * 100 + local.tm_mday;
}

} // namespace

uint64_t NameSequence::take(time_t date) {
    if (scope_ != SequenceScope::Day)
        return next_++;
    auto [it, added] = nextOfDay_.emplace(dayOf(date), 1);
    return it->second++;
}

void NameSequence::giveBack(uint64_t number, time_t date) {
    uint64_t& next = scope_ != SequenceScope::Day ? next_ : nextOfDay_[dayOf(date)];
    if (number + 1 == next)
        next = number;
}

void NameSequence::used(uint64_t number) {
    highestUsed_ = std::max(highestUsed_, number);
}

std::optional<uint64_t> NameSequence::nextStored() const {
    if (scope_ != SequenceScope::Stored || highestUsed_ == 0)
        return std::nullopt;
    return highestUsed_ + 1;
}

namespace {

bool allDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

std::optional<SequencedName> SequencedName::between(std::string_view withOne,
                                                    std::string_view withWidest) {
    // The number is what the two names do not share at either end; a text next to it that
    // looks like its digits ("1{seq}") is shared by both and stays outside.
    const size_t shortest = std::min(withOne.size(), withWidest.size());
    size_t front = 0;
    while (front < shortest && withOne[front] == withWidest[front])
        ++front;
    size_t back = 0;
    while (back < shortest - front &&
           withOne[withOne.size() - 1 - back] == withWidest[withWidest.size() - 1 - back])
        ++back;
    const std::string_view one = withOne.substr(front, withOne.size() - front - back);
    const std::string_view widest = withWidest.substr(front, withWidest.size() - front - back);
    if (!allDigits(one) || !allDigits(widest))
        return std::nullopt;
    SequencedName name;
    name.prefix_ = withOne.substr(0, front);
    name.suffix_ = withOne.substr(withOne.size() - back);
    name.width_ = one.size();
    return name;
}

std::optional<uint64_t> SequencedName::numberIn(std::string_view name) const {
    if (name.size() < prefix_.size() + width_ + suffix_.size() ||
        name.substr(0, prefix_.size()) != prefix_ ||
        name.substr(name.size() - suffix_.size()) != suffix_)
        return std::nullopt;
    const std::string_view digits =
        name.substr(prefix_.size(), name.size() - prefix_.size() - suffix_.size());
    // Padding is only ever up to the width: "0012" is not what {seq:3} makes of 12.
    if (!allDigits(digits) || (digits.size() > width_ && digits.front() == '0'))
        return std::nullopt;
    uint64_t number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    return number;
}

} // namespace orvane

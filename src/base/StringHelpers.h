#pragma once

#include <string>
#include <type_traits>
#include <vector>

namespace orvane {

// The text of a path for log lines: valid UTF-8, with every byte that is not part of a
// valid UTF-8 sequence written as \xNN so that nothing is dropped or garbled.
std::string safeCString(const std::string& text);

// Length of the valid UTF-8 sequence starting at byte `i` of `text`, or 0 when the byte there
// does not begin one.
size_t utf8SequenceLength(const std::string& text, size_t i);

// `text` without as many leading bytes as `prefix` has, when the two share a non-empty
// common prefix; `text` unchanged otherwise. Callers pass a prefix of `text`.
std::string stringByRemovingCommonPrefixWith(const std::string& text, const std::string& prefix);

// A new list holding `operation` applied to each element, in order.
template <typename T, typename Operation>
auto collectWithSelector(const std::vector<T>& items, Operation operation) {
    std::vector<std::decay_t<std::invoke_result_t<Operation, const T&>>> result;
    result.reserve(items.size());
    for (const T& item : items)
        result.push_back(operation(item));
    return result;
}

} // namespace orvane

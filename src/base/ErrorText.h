#pragma once

#include <optional>
#include <string>
#include <utility>

namespace orvane {

// The outcome of an operation on one entry: none on success, else the ready error text that
// goes unchanged into the run result. The compiler insists that it is looked at.
class [[nodiscard]] ErrorText {
  public:
    ErrorText() = default;
    ErrorText(std::nullopt_t) {}
    ErrorText(std::string text) : text_(std::move(text)) {}
    ErrorText(const char* text) : text_(text) {}

    explicit operator bool() const { return text_.has_value(); }
    const std::string& operator*() const { return *text_; }
    const std::string* operator->() const { return &*text_; }

  private:
    std::optional<std::string> text_;
};

} // namespace orvane

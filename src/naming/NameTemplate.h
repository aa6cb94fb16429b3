#pragma once

#include "base/ErrorText.h"

#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

// The tokens a folder or name template may hold besides the strftime date codes.
enum class NameToken {
    Job,      // {job}: the run's job code
    Camera,   // {camera}: the tidied EXIF make and model
    Kind,     // {kind}: "Photos", "Videos" or "Other"
    Ext,      // {ext}: the extension without its dot, in lower case
    ExtUpper, // {EXT}: the same in upper case
    Name,     // {name}: the original name without its extension
    Seq,      // {seq}, {seq:4}: the entry's number in its sequence, padded to a width
};

// What one entry's names are made of.
struct NameFacts {
    time_t date = 0;
    std::string_view job;
    std::string_view camera; // tidied; empty when the file names none
    std::string_view kind;
    std::string_view extension; // as in the original name, without its dot; may be "CR2.xmp"
    std::string_view name;      // the original name without its extension
    uint64_t sequence = 0;
};

// Renders a strftime format with the date codes of a locale: the engine's DateLocale.
using DateCodes = std::function<std::string(time_t date, const std::string& format)>;

// A folder or name template: text with strftime date codes ("%Y") and tokens ("{camera}"),
// parsed once per run. A brace that does not open a known token is kept as text.
class NameTemplate {
  public:
    NameTemplate() = default;

    // The parsed template, or the reason it is refused (a token this program doesn't know,
    // a sequence width out of range).
    static std::optional<NameTemplate> parse(std::string_view text, std::string* error = nullptr);

    bool empty() const { return parts_.empty(); }
    bool uses(NameToken token) const;
    const std::string& text() const { return text_; }

    // The template with each token's value in place and the date codes rendered. Token values
    // are made safe first (see safeTokenValue), so that a token never adds a folder level or
    // leaves one; the date codes render as the folder formats always have.
    std::string render(const NameFacts& facts, const DateCodes& dateCodes) const;

  private:
    struct Part {
        std::optional<NameToken> token; // none: `text` is literal, date codes included
        std::string text;
        int width = 0; // of {seq:N}
    };
    std::string text_;
    std::vector<Part> parts_;
};

// The error of a template that names an unknown token.
inline constexpr const char* kUnknownToken = "Unknown token \"%@\" in the template \"%s\"";
// The error of a template whose {seq:N} has a width other than 1 to 12.
inline constexpr const char* kSequenceWidth =
    "The width of {seq} must be 1 to 12: \"%@\" in the template \"%s\"";

} // namespace orvane

#pragma once

#include "platform/UserDefaults.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

struct pcre2_real_code_8;
struct pcre2_real_match_data_8;

namespace orvane {

class AlertService;

// The words that name a pattern list in messages: when it is compiled, and when it is matched.
namespace patterns {
inline constexpr const char* kFolderCopyingType = "folder copying";
inline constexpr const char* kFileCopyingType = "file copying";
inline constexpr const char* kFolderPurpose = "folder";
inline constexpr const char* kFilePurpose = "file";
// The lists as the preferences window titles them.
inline constexpr const char* kFolderCopyingList = "Intact Folders";
inline constexpr const char* kFileCopyingList = "File Copying Rules";
} // namespace patterns

// Takes the user to a pattern that did not compile: the list's type word and the index of
// the pattern in it.
using PatternFixer = std::function<void(const std::string& type, size_t index)>;

// The expression text for a list of name patterns: "^(" one alternative per pattern, in list
// order, separated by "|", then ")$". A pattern whose first and last bytes are both "/" is a
// raw regular expression (the text between the slashes, unchanged); any other is a wildcard
// pattern, where "?" is one byte, "*" one or more bytes, ASCII letters and digits stand for
// themselves and every other byte is escaped.
std::string regularExpressionForArray(const StringList& patterns);

// The compiled form of one pattern list, matched case-insensitively (ASCII letters only)
// against single names as bytes. Not for use by two threads at once.
class CompiledPattern {
  public:
    ~CompiledPattern();
    CompiledPattern(const CompiledPattern&) = delete;
    CompiledPattern& operator=(const CompiledPattern&) = delete;

    // The library's result: >= 0 for a match, PCRE2_ERROR_NOMATCH (-1), or another negative
    // error code.
    int match(std::string_view subject) const;

  private:
    friend std::unique_ptr<CompiledPattern> compiledRegexForPatterns(const StringList&,
                                                                     const std::string&,
                                                                     AlertService*,
                                                                     const PatternFixer&);
    CompiledPattern(pcre2_real_code_8* code, pcre2_real_match_data_8* matchData, bool jit);

    pcre2_real_code_8* code_;
    pcre2_real_match_data_8* matchData_;
    bool jit_;
};

// Compiles a pattern list. When it does not compile: logs the error, shows the "Pattern Error"
// alert (when `alerts` is given) naming the list and the pattern that failed, and answers null.
// `type` is the list's type word. With a `fixer` the alert also offers "Open Preferences",
// which hands it the failed pattern.
std::unique_ptr<CompiledPattern> compiledRegexForPatterns(const StringList& patterns,
                                                          const std::string& type,
                                                          AlertService* alerts,
                                                          const PatternFixer& fixer = {});

// The index of the first pattern of a list that does not compile on its own, or none.
std::optional<size_t> failingPattern(const StringList& patterns);

// Whether a name matches. Logs one DEBUG line for a match or a non-match; on a matcher error
// logs at ERR and answers `onErrorReturn`.
bool matchPathComponent(std::string_view component, const CompiledPattern& regex,
                        const char* purpose, bool onErrorReturn);

// Whether the matching mode admits only the files that match the copy-file patterns (the mode
// "only files that match:"), rather than all files except those. Read at every call.
bool filePatternMatchAcceptsCopy(const UserDefaults& defaults);

} // namespace orvane

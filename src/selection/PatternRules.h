#pragma once

#include "platform/UserDefaults.h"

#include <memory>
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
} // namespace patterns

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
    friend std::unique_ptr<CompiledPattern>
    compiledRegexForPatterns(const StringList&, const std::string&, AlertService*);
    CompiledPattern(pcre2_real_code_8* code, pcre2_real_match_data_8* matchData, bool jit);

    pcre2_real_code_8* code_;
    pcre2_real_match_data_8* matchData_;
    bool jit_;
};

// Compiles a pattern list. When it does not compile: logs the error, shows the "Pattern Error"
// alert (when `alerts` is given) and answers null. `type` is the list's type word.
std::unique_ptr<CompiledPattern>
compiledRegexForPatterns(const StringList& patterns, const std::string& type, AlertService* alerts);

// Whether a name matches. Logs one DEBUG line for a match or a non-match; on a matcher error
// logs at ERR and answers `onErrorReturn`.
bool matchPathComponent(std::string_view component, const CompiledPattern& regex,
                        const char* purpose, bool onErrorReturn);

// Whether the matching mode admits only the files that match the copy-file patterns (the mode
// "only files that match:"), rather than all files except those. Read at every call.
bool filePatternMatchAcceptsCopy(const UserDefaults& defaults);

} // namespace orvane

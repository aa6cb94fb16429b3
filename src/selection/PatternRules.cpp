#define PCRE2_CODE_UNIT_WIDTH 8
#include "selection/PatternRules.h"

#include "base/Log.h"
#include "base/StringHelpers.h"
#include "platform/Services.h"
#include "prefs/MatchingModes.h"
#include "prefs/PrefKeys.h"

#include <cstdlib>
#include <new>
#include <pcre2.h>

namespace orvane {
namespace {

constexpr size_t kInitialRoom = 1024;

bool isAsciiLetterOrDigit(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

void appendPattern(std::string& text, std::string_view pattern) {
    const bool raw = !pattern.empty() && pattern.front() == '/' && pattern.back() == '/';
    if (raw) {
        // "/" and "//" leave nothing.
        pattern.remove_suffix(1);
        if (!pattern.empty())
            pattern.remove_prefix(1);
        text.append(pattern);
        return;
    }
    for (const char byte : pattern) {
        const auto c = static_cast<unsigned char>(byte);
        if (isAsciiLetterOrDigit(c)) {
            text += byte;
        } else if (c == '?') {
            text += '.';
        } else if (c == '*') {
            text += ".+";
        } else {
            // PCRE takes a backslash before any byte that is not a letter or digit as that
            // byte itself, also before non-ASCII bytes and control characters.
            text += '\\';
            text += byte;
        }
    }
}

std::string errorMessage(int errorCode) {
    PCRE2_UCHAR buffer[256];
    if (pcre2_get_error_message(errorCode, buffer, sizeof buffer) < 0)
        return "error " + std::to_string(errorCode);
    return reinterpret_cast<const char*>(buffer);
}

} // namespace

std::string regularExpressionForArray(const StringList& patterns) {
    std::string text;
    try {
        text.reserve(kInitialRoom);
    } catch (const std::bad_alloc&) {
        logMessage(LOG_ERR, "Couldn't malloc for regex buffer");
        std::exit(1);
    }
    try {
        text += "^(";
        for (size_t i = 0; i < patterns.size(); ++i) {
            if (i > 0)
                text += '|';
            appendPattern(text, patterns[i]);
        }
        text += ")$";
    } catch (const std::bad_alloc&) {
        logMessage(LOG_ERR, "Couldn't realloc for regex buffer");
        std::exit(1);
    }
    if (logThreshold() >= LOG_DEBUG)
        logMessage(LOG_DEBUG, "Assembed regular expression: '%s' from patterns: %s",
                   safeCString(text).c_str(), safeCString(describePrefValue(patterns)).c_str());
    return text;
}

CompiledPattern::CompiledPattern(pcre2_real_code_8* code, pcre2_real_match_data_8* matchData,
                                 bool jit)
    : code_(code), matchData_(matchData), jit_(jit) {}

CompiledPattern::~CompiledPattern() {
    pcre2_match_data_free(matchData_);
    pcre2_code_free(code_);
}

int CompiledPattern::match(std::string_view subject) const {
    const auto* bytes = reinterpret_cast<PCRE2_SPTR>(subject.data());
    int rc = pcre2_match(code_, bytes, subject.size(), 0, 0, matchData_, nullptr);
    // The JIT has resource limits of its own; where it gives up, the interpreter answers, so
    // that using it never changes a result.
    if (jit_ && rc < 0 && rc != PCRE2_ERROR_NOMATCH)
        rc = pcre2_match(code_, bytes, subject.size(), 0, PCRE2_NO_JIT, matchData_, nullptr);
    return rc;
}

std::optional<size_t> failingPattern(const StringList& patterns) {
    for (size_t i = 0; i < patterns.size(); ++i) {
        // Built without the translation's log line: this only looks for the culprit.
        std::string text = "^(";
        appendPattern(text, patterns[i]);
        text += ")$";
        int errorCode = 0;
        PCRE2_SIZE errorOffset = 0;
        pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(text.data()), text.size(),
                                         PCRE2_CASELESS, &errorCode, &errorOffset, nullptr);
        if (!code)
            return i;
        pcre2_code_free(code);
    }
    return std::nullopt;
}

std::unique_ptr<CompiledPattern> compiledRegexForPatterns(const StringList& patterns,
                                                          const std::string& type,
                                                          AlertService* alerts,
                                                          const PatternFixer& fixer) {
    const std::string text = regularExpressionForArray(patterns);
    int errorCode = 0;
    PCRE2_SIZE errorOffset = 0;
    pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(text.data()), text.size(),
                                     PCRE2_CASELESS, &errorCode, &errorOffset, nullptr);
    if (!code) {
        const std::string error = errorMessage(errorCode);
        const std::string shownText = regularExpressionForArray(patterns);
        logMessage(LOG_ERR, "Error preparing %s patterns at character %d of '%s': %s", type.c_str(),
                   static_cast<int>(errorOffset), safeCString(shownText).c_str(), error.c_str());
        if (alerts) {
            std::string message = "The pattern matching system had trouble preparing the " + type +
                                  " patterns for use.\n\nError: " + error +
                                  ".\n\nPlease check your patterns for errors.\n";
            const std::optional<size_t> failed = failingPattern(patterns);
            const char* list = type == patterns::kFolderCopyingType ? patterns::kFolderCopyingList
                                                                    : patterns::kFileCopyingList;
            if (failed)
                message += "\nThe pattern \"" + safeCString(patterns[*failed]) + "\" in the \"" +
                           list + "\" list is the one that failed.\n";
            const int answer =
                alerts->runAlert("Pattern Error", message, "OK", fixer ? "Open Preferences" : "");
            if (answer == 1 && fixer)
                fixer(type, failed.value_or(0));
        }
        return nullptr;
    }
    pcre2_match_data* matchData = pcre2_match_data_create(1, nullptr);
    if (!matchData) {
        pcre2_code_free(code);
        throw std::bad_alloc();
    }
    const bool jit = pcre2_jit_compile(code, PCRE2_JIT_COMPLETE) == 0;
    return std::unique_ptr<CompiledPattern>(new CompiledPattern(code, matchData, jit));
}

bool matchPathComponent(std::string_view component, const CompiledPattern& regex,
                        const char* purpose, bool onErrorReturn) {
    const int rc = regex.match(component);
    if (rc >= 0 || rc == PCRE2_ERROR_NOMATCH) {
        if (logThreshold() >= LOG_DEBUG)
            logMessage(LOG_DEBUG, "Matching '%s' against %s regex: %s",
                       safeCString(std::string(component)).c_str(), purpose,
                       rc >= 0 ? "Match" : "No Match");
        return rc >= 0;
    }
    logMessage(LOG_ERR, "Error in %s regex for path component '%s' error: %d", purpose,
               safeCString(std::string(component)).c_str(), rc);
    return onErrorReturn;
}

bool filePatternMatchAcceptsCopy(const UserDefaults& defaults) {
    const std::optional<std::string> mode = defaults.stringForKey(keys::kMatchingMode);
    return mode && *mode == kOnlyMatching;
}

} // namespace orvane

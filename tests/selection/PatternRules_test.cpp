#include "platform/UserDefaults.h"
#include "prefs/Defaults.h"
#include "prefs/MatchingModes.h"
#include "prefs/PrefKeys.h"
#include "selection/PatternRules.h"
#include "selection/SelectionTestSupport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

std::unique_ptr<CompiledPattern> compile(const StringList& patterns,
                                         test::RecordingAlerts* alerts = nullptr) {
    return compiledRegexForPatterns(patterns, patterns::kFileCopyingType, alerts);
}

bool matches(const StringList& patterns, const std::string& name) {
    auto regex = compile(patterns);
    EXPECT_TRUE(regex);
    return regex && matchPathComponent(name, *regex, patterns::kFilePurpose, false);
}

size_t count(const std::string& text, const std::string& fragment) {
    size_t n = 0;
    for (size_t at = text.find(fragment); at != std::string::npos; at = text.find(fragment, at + 1))
        ++n;
    return n;
}

TEST(PatternTranslation, TableOfBytes) {
    EXPECT_EQ(regularExpressionForArray({"aZ09"}), "^(aZ09)$");
    EXPECT_EQ(regularExpressionForArray({"?"}), "^(.)$");
    EXPECT_EQ(regularExpressionForArray({"*"}), "^(.+)$");
    EXPECT_EQ(regularExpressionForArray({"a+b(1).txt"}), "^(a\\+b\\(1\\)\\.txt)$");
    EXPECT_EQ(regularExpressionForArray({" _-[]$^/\\|"}), "^(\\ \\_\\-\\[\\]\\$\\^\\/\\\\\\|)$");
    // Every byte of a non-ASCII character, and control characters, are escaped one by one.
    EXPECT_EQ(regularExpressionForArray({"\xC3\xA9\t"}), "^(\\\xC3\\\xA9\\\t)$");
}

TEST(PatternTranslation, WorkedExamples) {
    EXPECT_EQ(regularExpressionForArray({"*.jpg", "IMG_????.*", "/^raw[0-9]+$/"}),
              "^(.+\\.jpg|IMG\\_....\\..+|^raw[0-9]+$)$");
    EXPECT_EQ(regularExpressionForArray({"Thumbs.db", ".DS_Store"}),
              "^(Thumbs\\.db|\\.DS\\_Store)$");
    EXPECT_EQ(regularExpressionForArray({}), "^()$");
}

TEST(PatternTranslation, RawPatternsAndTheirLimits) {
    // "/" and "//" leave empty text; a separator still comes before each later pattern.
    EXPECT_EQ(regularExpressionForArray({"/", "//", ""}), "^(||)$");
    EXPECT_EQ(regularExpressionForArray({"/a|b/"}), "^(a|b)$");
    // Without a closing slash a pattern is a wildcard pattern.
    EXPECT_EQ(regularExpressionForArray({"/abc"}), "^(\\/abc)$");
    EXPECT_EQ(regularExpressionForArray({"abc/"}), "^(abc\\/)$");
}

TEST(PatternTranslation, LongPatternAndThousandsOfPatternsAreTranslatedWhole) {
    const std::string longPattern(5000, 'x');
    EXPECT_EQ(regularExpressionForArray({longPattern + "."}), "^(" + longPattern + "\\.)$");

    StringList many;
    for (int i = 0; i < 10000; ++i)
        many.push_back("name" + std::to_string(i) + ".*");
    const std::string text = regularExpressionForArray(many);
    EXPECT_EQ(count(text, "|"), 9999u);
    EXPECT_EQ(text.substr(text.size() - 15), "|name9999\\..+)$");
}

TEST(PatternCompilation, ThousandsOfPatternsWithinTheLibrarysLimit) {
    StringList many;
    for (int i = 0; i < 2000; ++i)
        many.push_back("name" + std::to_string(i) + ".*");
    auto regex = compile(many);
    ASSERT_TRUE(regex);
    EXPECT_TRUE(matchPathComponent("NAME1234.jpg", *regex, "file", false));
    EXPECT_FALSE(matchPathComponent("name2000.jpg", *regex, "file", false));
}

TEST(PatternCompilation, ListTooLargeForTheLibraryIsRefusedWithTheAlert) {
    StringList many;
    for (int i = 0; i < 10000; ++i)
        many.push_back("name" + std::to_string(i) + ".*");
    test::RecordingAlerts alerts;
    test::LogCapture log;
    EXPECT_FALSE(compile(many, &alerts));
    ASSERT_EQ(alerts.calls.size(), 1u);
    EXPECT_NE(alerts.calls[0].message.find("Error: regular expression is too large."),
              std::string::npos)
        << alerts.calls[0].message;
}

TEST(PatternTranslation, LogsTheExpressionAndThePatterns) {
    test::LogCapture log;
    regularExpressionForArray({"*.jpg", "a\"b"});
    EXPECT_TRUE(log.contains("DEBUG: Assembed regular expression: '^(.+\\.jpg|a\\\"b)$' from "
                             "patterns: (\"*.jpg\", \"a\\\"b\")"))
        << log.text();
}

TEST(PatternMatching, WorkedExample) {
    const StringList list = {"*.jpg", "IMG_????.*", "/^raw[0-9]+$/"};
    for (const char* name : {"photo.JPG", "IMG_0001.CR2", "RAW123"})
        EXPECT_TRUE(matches(list, name)) << name;
    for (const char* name : {".jpg", "x.jpgx", "img_12.jpeg", "raw12a"})
        EXPECT_FALSE(matches(list, name)) << name;
}

TEST(PatternMatching, CaselessForAsciiLettersOnly) {
    EXPECT_TRUE(matches({"*.jpg"}, "A.JPG"));
    EXPECT_TRUE(matches({"a+b(1).txt"}, "A+B(1).TXT"));
    EXPECT_FALSE(matches({"a+b(1).txt"}, "a+b(1)xtxt"));
    // É and é differ in their bytes: no case folding beyond ASCII.
    EXPECT_TRUE(matches({"\xC3\xA9t\xC3\xA9"}, "\xC3\xA9T\xC3\xA9"));
    EXPECT_FALSE(matches({"\xC3\xA9t\xC3\xA9"}, "\xC3\x89t\xC3\x89"));
}

TEST(PatternMatching, WildcardsCountBytes) {
    EXPECT_TRUE(matches({"*"}, "x"));
    EXPECT_FALSE(matches({"*.jpg"}, ".jpg"));
    EXPECT_FALSE(matches({"IMG*"}, "IMG"));
    EXPECT_TRUE(matches({"IMG*"}, "IMG1"));
    // A two-byte character needs two "?".
    EXPECT_FALSE(matches({"?.txt"}, "\xC3\xA9.txt"));
    EXPECT_TRUE(matches({"??.txt"}, "\xC3\xA9.txt"));
    // A literal "?" or "*" needs a raw pattern; in a wildcard pattern they stay wildcards.
    EXPECT_TRUE(matches({"/a\\?/"}, "a?"));
    EXPECT_FALSE(matches({"/a\\?/"}, "ab"));
}

TEST(PatternMatching, EmptyListsMatchNoName) {
    for (const StringList& list : {StringList{}, StringList{"", ""}, StringList{"/", "//"}}) {
        EXPECT_EQ(regularExpressionForArray(list).find_first_not_of("^(|)$"), std::string::npos);
        EXPECT_FALSE(matches(list, "a.jpg"));
        EXPECT_FALSE(matches(list, "x"));
    }
    // Only a text holding the slash could match, and no name holds one.
    EXPECT_FALSE(matches({"/abc"}, "abc"));
    EXPECT_TRUE(matches({"/abc"}, "/ABC"));
}

TEST(PatternMatching, NamesWithOddBytes) {
    // Compiled with the caseless option alone, "." does not stand for a line break.
    EXPECT_FALSE(matches({"*"}, "line\nbreak"));
    EXPECT_TRUE(matches({"/(?s).+/"}, "line\nbreak"));
    EXPECT_TRUE(matches({"bad\xFF*"}, "BAD\xFFname"));
    EXPECT_TRUE(matches({"a b.jpg"}, "A B.JPG"));
    EXPECT_TRUE(matches({"*"}, std::string(255, 'n')));
}

TEST(PatternMatching, LogsOneLinePerName) {
    auto regex = compile({"*.jpg"});
    ASSERT_TRUE(regex);
    test::LogCapture log;
    EXPECT_TRUE(matchPathComponent("a.jpg", *regex, "file", false));
    EXPECT_FALSE(matchPathComponent("a.png", *regex, "folder", true));
    const std::string text = log.text();
    EXPECT_EQ(count(text, "\n"), 2u) << text;
    EXPECT_NE(text.find("DEBUG: Matching 'a.jpg' against file regex: Match\n"), std::string::npos);
    EXPECT_NE(text.find("DEBUG: Matching 'a.png' against folder regex: No Match\n"),
              std::string::npos);
}

TEST(PatternMatching, MatcherErrorGivesTheFallbackAndOneErrLine) {
    // Nested repetition over a name that almost matches runs into the library's match limit.
    auto regex = compile({"/(a+)+/"});
    ASSERT_TRUE(regex);
    const std::string name = std::string(40, 'a') + "X";
    test::LogCapture log;
    EXPECT_TRUE(matchPathComponent(name, *regex, "file", true));
    EXPECT_FALSE(matchPathComponent(name, *regex, "folder", false));
    const std::string text = log.text();
    EXPECT_EQ(count(text, "\n"), 2u) << text;
    EXPECT_NE(text.find("ERR: Error in file regex for path component '" + name + "' error: -47"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("DEBUG"), std::string::npos);
}

TEST(PatternCompilation, ListThatDoesNotCompileAlertsAndAnswersNull) {
    test::RecordingAlerts alerts;
    test::LogCapture log;
    auto regex = compiledRegexForPatterns({"*.jpg", "/[/"}, patterns::kFolderCopyingType, &alerts);
    EXPECT_FALSE(regex);
    ASSERT_EQ(alerts.calls.size(), 1u);
    const auto& alert = alerts.calls[0];
    EXPECT_EQ(alert.title, "Pattern Error");
    EXPECT_EQ(alert.message,
              "The pattern matching system had trouble preparing the folder copying patterns for "
              "use.\n\nError: missing terminating ] for character class.\n\nPlease check your "
              "patterns for errors.\n\nThe pattern \"/[/\" in the \"Intact Folders\" list is "
              "the one that failed.\n");
    EXPECT_EQ(alert.defaultButton, "OK");
    EXPECT_EQ(alert.alternateButton, "");
    EXPECT_EQ(alert.otherButton, "");
    const std::string text = log.text();
    EXPECT_NE(text.find("ERR: Error preparing folder copying patterns at character 13 of "
                        "'^(.+\\.jpg|[)$': missing terminating ] for character class\n"),
              std::string::npos)
        << text;
    // The expression is translated a second time for the message.
    EXPECT_EQ(count(text, "Assembed regular expression"), 2u);
}

TEST(PatternCompilation, TypeWordNamesTheList) {
    test::RecordingAlerts alerts;
    test::LogCapture log;
    EXPECT_FALSE(compiledRegexForPatterns({"/(/"}, patterns::kFileCopyingType, &alerts));
    ASSERT_EQ(alerts.calls.size(), 1u);
    EXPECT_NE(alerts.calls[0].message.find("preparing the file copying patterns"),
              std::string::npos);
    EXPECT_TRUE(log.contains("ERR: Error preparing file copying patterns at character"));
}

TEST(MatchingMode, OnlyTheExactTitleAdmitsMatchingFilesOnly) {
    test::TempDir tmp;
    UserDefaults defaults(tmp / "p.json");
    EXPECT_FALSE(filePatternMatchAcceptsCopy(defaults)) << "a missing value";
    defaults.setObject(keys::kMatchingMode, std::string(kOnlyMatching));
    EXPECT_TRUE(filePatternMatchAcceptsCopy(defaults));
    for (const char* other :
         {"only files that match", "Only files that match:", "", kAllExceptMatching}) {
        defaults.setObject(keys::kMatchingMode, std::string(other));
        EXPECT_FALSE(filePatternMatchAcceptsCopy(defaults)) << other;
    }
    defaults.setObject(keys::kMatchingMode, int64_t{1});
    EXPECT_FALSE(filePatternMatchAcceptsCopy(defaults)) << "a value of another type";
}

} // namespace
} // namespace orvane

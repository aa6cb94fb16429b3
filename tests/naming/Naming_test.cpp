#include "naming/CameraName.h"
#include "naming/FileKind.h"
#include "naming/NameSequence.h"
#include "naming/NameTemplate.h"
#include "naming/SafeNames.h"
#include "platform/FileSystemType.h"
#include "prefs/DateRendering.h"
#include "support/LocaleScope.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

struct RenderCase {
    const char* text;
    const char* expected;
};

TEST(NameTemplateTest, TokensAndDateCodesRender) {
    const DateLocale locale("C");
    const DateCodes codes = [&](time_t date, const std::string& format) {
        return locale.render(date, format);
    };
    NameFacts facts;
    facts.date = test::localTime(2026, 12, 8, 14, 5, 9);
    facts.job = "Wedding Smith";
    facts.camera = "Canon EOS R5";
    facts.kind = kPhotosKind;
    facts.extension = "CR2";
    facts.name = "IMG_0042";
    facts.sequence = 7;
    const RenderCase cases[] = {
        {"%Y/%Y-%m-%d {job}", "2026/2026-12-08 Wedding Smith"},
        {"{camera}/{kind}/{ext}", "Canon EOS R5/Photos/cr2"},
        {"%Y%m%d-%H%M%S-{name}.{EXT}", "20261208-140509-IMG_0042.CR2"},
        {"{seq}-{seq:4}", "7-0007"},
        {"{ {x {2026} 100%%", "{ {x {2026} 100%"}, // not tokens: kept as text
    };
    for (const RenderCase& c : cases) {
        const std::optional<NameTemplate> parsed = NameTemplate::parse(c.text);
        ASSERT_TRUE(parsed) << c.text;
        EXPECT_EQ(parsed->render(facts, codes), c.expected) << c.text;
    }

    // What a token gives is one safe piece: no level, no "..", no strftime code.
    NameFacts odd = facts;
    const RenderCase unsafe[] = {
        {"AC/DC", "AC_DC"}, {"..", "_"}, {"", "_"}, {"a\nb", "a_b"}, {"%Y", "%Y"}};
    for (const RenderCase& c : unsafe) {
        odd.job = c.text;
        EXPECT_EQ(NameTemplate::parse("{job}")->render(odd, codes), c.expected) << c.text;
    }
    odd.camera = "";
    EXPECT_EQ(NameTemplate::parse("{camera}")->render(odd, codes), "Unknown camera");

    std::string error;
    EXPECT_FALSE(NameTemplate::parse("%Y {nmae}", &error));
    EXPECT_EQ(error, "Unknown token \"{nmae}\" in the template \"%Y {nmae}\"");
    EXPECT_FALSE(NameTemplate::parse("{job:3}"));
}

// One rule for the width of {seq}: 1 to 12 digits, anything else between the colon and the
// brace refused with the same error, never kept as text.
TEST(NameTemplateTest, SequenceWidthsOutsideOneToTwelveAreRefused) {
    struct WidthCase {
        const char* text;
        const char* rendered; // nullptr: refused
    };
    const WidthCase cases[] = {
        {"{seq:1}", "7"},       {"{seq:3}", "007"},    {"{seq:12}", "000000000007"},
        {"{seq:03}", "007"},    {"{seq:0}", nullptr},  {"{seq:13}", nullptr},
        {"{seq:999}", nullptr}, {"{seq:-1}", nullptr}, {"{seq:}", nullptr},
        {"{seq:4a}", nullptr},  {"{seq: 4}", nullptr}, {"{seq:40}", nullptr},
        {"{seq:1{x}", nullptr}, // "{x}" is no token
    };
    NameFacts facts;
    facts.sequence = 7;
    const DateCodes asWritten = [](time_t, const std::string& format) { return format; };
    for (const WidthCase& c : cases) {
        std::string error;
        const std::optional<NameTemplate> parsed = NameTemplate::parse(c.text, &error);
        if (c.rendered) {
            ASSERT_TRUE(parsed) << c.text << ": " << error;
            EXPECT_EQ(parsed->render(facts, asWritten), c.rendered) << c.text;
        } else {
            EXPECT_FALSE(parsed) << c.text;
        }
    }
    std::string error;
    EXPECT_FALSE(NameTemplate::parse("{seq:999}-{name}", &error));
    EXPECT_EQ(
        error,
        "The width of {seq} must be 1 to 12: \"{seq:999}\" in the template \"{seq:999}-{name}\"");
}

TEST(SafeNamesTest, NarrowFileSystemsAndLongNames) {
    EXPECT_EQ(fitName("12:30 \"a\"?.jpg", NameRules::Posix), "12:30 \"a\"?.jpg");
    EXPECT_EQ(fitName("12:30 \"a\"?.jpg", NameRules::Narrow), "12_30 _a__.jpg");
    EXPECT_EQ(fitName("a<b>c|d*e\\f. ", NameRules::Narrow), "a_b_c_d_e_f__");
    EXPECT_EQ(fitName("%D made/this", NameRules::Posix), "%D made_this");
    EXPECT_EQ(fitFolder("2026/a:b/../x.", NameRules::Narrow), "2026/a_b/../x_");

    // Cut to 255 bytes, the extension kept, no UTF-8 character split.
    std::string longName;
    for (int i = 0; i < 200; ++i)
        longName += "\xe2\x82\xac"; // €
    const std::string fitted = fitName(longName + ".jpeg", NameRules::Posix, 5);
    EXPECT_LE(fitted.size(), kLongestName);
    EXPECT_EQ(fitted.substr(fitted.size() - 5), ".jpeg");
    EXPECT_EQ(fitted.size(), 254u) << "one byte short rather than a third of a €";

    EXPECT_EQ(nameRulesForFileSystem(0x4d44), NameRules::Narrow);               // FAT
    EXPECT_EQ(nameRulesForFileSystem(0x2011bab0), NameRules::Narrow);           // exFAT
    EXPECT_EQ(nameRulesForFileSystem(kFuseBlockFileSystem), NameRules::Narrow); // ntfs-3g
    EXPECT_EQ(nameRulesForFileSystem(0xef53), NameRules::Posix);                // ext4
}

TEST(CameraNameTest, MakeAndModelAreTidied) {
    EXPECT_EQ(tidyCameraName("Canon", "Canon EOS R5"), "Canon EOS R5");
    EXPECT_EQ(tidyCameraName("NIKON CORPORATION", "NIKON D850"), "NIKON D850");
    EXPECT_EQ(tidyCameraName("OLYMPUS IMAGING CORP.  ", "E-M5   Mark II\0\0"),
              "OLYMPUS E-M5 Mark II");
    EXPECT_EQ(tidyCameraName("Apple", "iPhone 12"), "Apple iPhone 12");
    EXPECT_EQ(tidyCameraName("", "  "), "");

    const CameraCatch outer;
    {
        const CameraCatch unwanted(false);
        EXPECT_FALSE(cameraWanted());
        noteCamera("SONY", "ILCE-7M3");
    }
    EXPECT_TRUE(cameraWanted());
    noteCamera("SONY", "ILCE-7M3");
    noteCamera("Canon", "EOS R5"); // the first noted stays
    EXPECT_EQ(outer.camera(), "SONY ILCE-7M3");
}

TEST(NameSequenceTest, ScopesCountAndAStoredCounterClaimsOnlyUsedNumbers) {
    const time_t day1 = test::localTime(2026, 12, 7, 23, 0, 0);
    const time_t day2 = test::localTime(2026, 12, 8, 1, 0, 0);
    NameSequence perDay(SequenceScope::Day, 40);
    EXPECT_EQ(perDay.take(day1), 1u);
    EXPECT_EQ(perDay.take(day2), 1u);
    EXPECT_EQ(perDay.take(day1), 2u);
    EXPECT_EQ(perDay.nextStored(), std::nullopt);

    NameSequence stored(SequenceScope::Stored, 40);
    EXPECT_EQ(stored.take(day1), 40u);
    EXPECT_EQ(stored.take(day1), 41u);
    EXPECT_EQ(stored.take(day1), 42u);
    EXPECT_EQ(stored.nextStored(), std::nullopt) << "nothing published: nothing claimed";
    stored.used(41);
    EXPECT_EQ(stored.nextStored(), 42u);

    EXPECT_EQ(sequenceScopeNamed("stored"), SequenceScope::Stored);
    EXPECT_EQ(sequenceScopeNamed("bogus"), SequenceScope::Run);
}

TEST(FileKindTest, KindsByExtension) {
    EXPECT_STREQ(fileKindOf("IMG_1.CR3"), kPhotosKind);
    EXPECT_STREQ(fileKindOf("clip.MTS"), kVideosKind);
    EXPECT_STREQ(fileKindOf("IMG_1.xmp"), kOtherKind);
    EXPECT_STREQ(fileKindOf(".jpg"), kOtherKind);
}

// Extensions, camera names and templates are cased by ASCII rules: under Turkish, tolower('I')
// is not 'i', which once made "AVI" no video and "Nikon" no brand of "NIKON D90".
TEST(FileKindTest, NamesReadTheSameUnderEveryLocale) {
    struct KindCase {
        const char* name;
        const char* kind;
    };
    const KindCase kinds[] = {{"MVI_4823.AVI", kVideosKind},
                              {"IMG_1.TIF", kPhotosKind},
                              {"IMG_1.HEIC", kPhotosKind},
                              {"clip.MKV", kVideosKind},
                              {"IMG_1.XMP", kOtherKind}};
    NameFacts facts;
    facts.extension = "AVI";
    const DateCodes asWritten = [](time_t, const std::string& format) { return format; };
    for (const char* name : test::kForeignLocales) {
        test::LocaleScope locale(name);
        if (!locale.active())
            GTEST_SKIP() << "the locale " << name << " is not installed (scripts/deps.sh makes it)";
        SCOPED_TRACE(name);
        for (const KindCase& c : kinds)
            EXPECT_STREQ(fileKindOf(c.name), c.kind) << c.name;
        EXPECT_EQ(tidyCameraName("Nikon", "NIKON D90"), "NIKON D90");
        EXPECT_EQ(tidyCameraName("RICOH", "Ricoh GR III"), "Ricoh GR III");
        EXPECT_EQ(NameTemplate::parse("{ext}.{EXT}")->render(facts, asWritten), "avi.AVI");
        facts.extension = "avi";
        EXPECT_EQ(NameTemplate::parse("{EXT}")->render(facts, asWritten), "AVI");
        facts.extension = "AVI";
    }
}

} // namespace
} // namespace orvane

#include "naming/NameSequence.h"
#include "naming/NameTemplate.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

// The name a template gives an entry with a number, rendered as the run renders it.
std::string named(const std::string& text, uint64_t number) {
    const std::optional<NameTemplate> parsed = NameTemplate::parse(text);
    NameFacts facts;
    facts.date = 1577966400; // 2020-01-02 12:00 UTC
    facts.name = "IMG_1";
    facts.extension = "jpg";
    facts.sequence = number;
    return parsed->render(facts, [](time_t, const std::string& format) { return format; });
}

// Which names a template could give the same entry under another number: digits next to
// the number, padding and names of other entries must not confuse it.
TEST(SequencedName, KnowsTheNamesATemplateGivesAnEntry) {
    struct Row {
        const char* text;
        const char* name;
        std::optional<uint64_t> number;
    };
    const Row rows[] = {
        {"{seq:3}-{name}", "003-IMG_1", 3},
        {"{seq:3}-{name}", "1234-IMG_1", 1234},
        {"{seq:3}-{name}", "03-IMG_1", std::nullopt},    // narrower than the padding
        {"{seq:3}-{name}", "0003-IMG_1", std::nullopt},  // padded past the width
        {"{seq:3}-{name}", "003-IMG_2", std::nullopt},   // another entry's name
        {"{seq:3}-{name}", "003-IMG_1-1", std::nullopt}, // kept beside another file
        {"{seq:3}-{name}", "00a-IMG_1", std::nullopt},
        {"1{seq}", "17", 7},
        {"1{seq}", "1", std::nullopt},
        {"{seq}9", "129", 12},
        {"9{seq:2}", "905", 5},
        {"{seq:2}0", "050", 5},
        {"{name}_{seq:4}", "IMG_1_0042", 42},
        {"{name}_{seq:4}", "IMG_1_99999999999999999999", std::nullopt}, // past 64 bits
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.text) + " / " + row.name);
        const std::optional<SequencedName> shape =
            SequencedName::between(named(row.text, 1), named(row.text, kWidestSequenceNumber));
        ASSERT_TRUE(shape);
        EXPECT_EQ(shape->numberIn(row.name), row.number);
        if (row.number)
            EXPECT_EQ(named(row.text, *row.number), row.name) << "the template gives that name";
    }
    // Without a number there is nothing to look for.
    EXPECT_FALSE(
        SequencedName::between(named("{name}", 1), named("{name}", kWidestSequenceNumber)));
}

} // namespace
} // namespace orvane

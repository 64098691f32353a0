// The help centre: topics in name order, the twenty-entry page and its "Next", the keys, and an
// empty help directory.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>

#include "play/help_centre.hpp"
#include "play/town_fixture.hpp"

namespace vorn {
namespace {

// Topics written in reverse order, so a listing in directory order would show them wrongly.
void WriteTopics(int count, bool with_texts = true) {
    ::mkdir("help", 0775);
    for (int n = count; n >= 1; --n) {
        char name[16];
        std::snprintf(name, sizeof name, "help/%02d", n);
        test::WriteFile(std::string(name) + ".dsc", "Topic " + std::to_string(n) + "\nmore\n");
        if (with_texts) test::WriteFile(std::string(name) + ".hlp", "Text of " + std::to_string(n));
    }
}

TEST(HelpCentre, NoTextsMeansNoHelp) {
    test::Town t;
    WriteTopics(3, false);
    HelpCentre(t.session);
    EXPECT_EQ(test::RowText(t.session.writer, 12), "No Help Available!");
    EXPECT_EQ(test::CellAttribute(t.session.writer, 1, 12), 4);
}

TEST(HelpCentre, ListsTwentyTopicsInNameOrderWithNext) {
    test::Town t;
    WriteTopics(25);
    t.terminal.type("Q");
    HelpCentre(t.session);
    EXPECT_EQ(test::RowText(t.session.writer, 4), "    Topic 1");
    EXPECT_EQ(test::RowText(t.session.writer, 23), "    Topic 20");
    EXPECT_EQ(test::RowText(t.session.writer, 24), "    Next");
    EXPECT_EQ(t.screen().find("Topic 21"), std::string::npos);
}

TEST(HelpCentre, AKeyShowsItsTopicAndMissingTopicsAreIgnored) {
    test::Town t;
    WriteTopics(3);
    t.terminal.type("SDQ");  // no topic 19; D is topic 3, then the list again
    HelpCentre(t.session);
    EXPECT_TRUE(t.sent("Text of 3"));
    EXPECT_FALSE(t.sent("Text of 1"));
    EXPECT_EQ(test::RowText(t.session.writer, 4), "    Topic 1");

    test::Town few;
    WriteTopics(2);
    few.terminal.type("Q");
    HelpCentre(few.session);
    EXPECT_EQ(few.screen().find("Next"), std::string::npos);
}

}  // namespace
}  // namespace vorn

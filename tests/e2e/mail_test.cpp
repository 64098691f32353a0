// Two callers on two nodes of a fresh game write to each other through the game's own menus:
// a letter with its notice, a reply quoting it from the full-screen editor (its receiver, playing
// on the other node, hears of it at once), the letter deleted and the mail packed; and a message
// on a public board that the other reads.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "common/message_area_record.hpp"
#include "support/caller_scripts.hpp"
#include "support/game_process.hpp"

namespace vorn::test {
namespace {

TEST(MailBetweenNodes, ALetterItsReplyAndABoardMessage) {
    GameDirectory dir;
    ASSERT_TRUE(dir.make_game());
    SetUpDoorNode(dir, 1, "Ann Caller");
    SetUpDoorNode(dir, 2, "Bob Caller");
    {
        GameProcess bob("game", dir, {.args = {"2"}});
        EnterTheForest(bob, "Bob");
        bob.type("*");
        ASSERT_EQ(bob.wait_exit(), 0);
    }

    GameProcess ann("game", dir, {.args = {"1"}});
    EnterTheForest(ann, "Ann");
    // A message on the first board of the installation...
    ann.type("@b");
    ASSERT_TRUE(Answer(ann, "Read which board?", "1\r")) << ann.screen_text();
    ASSERT_TRUE(Answer(ann, "Post in this area?", "y"));
    WriteMessage(ann, "", "Wolves", "The wolves are back at the north gate.");  // to "All"
    ASSERT_TRUE(Answer(ann, "Message posted in", "\r"));
    ASSERT_TRUE(ann.wait_for_text("Read which board?"));
    // Her own message is no news to her.
    EXPECT_TRUE(std::regex_search(ann.screen_text(),
                                  std::regex(R"(1 +The Split Shield Common Room +1 +0\n)")))
        << ann.screen_text();
    ann.type("\r");
    // ...and a letter to Bob.
    ASSERT_TRUE(ann.wait_for_text("No mail waiting"));
    ann.type("@s");
    WriteMessage(ann, "Bob", "Supper", "Meet me at the inn tonight.");
    ASSERT_TRUE(Answer(ann, "Email sent to Bob.", "\r"));

    // Bob comes back on node 2 while Ann plays on.
    GameProcess bob("game", dir, {.args = {"2"}});
    EnterTheForest(bob);
    ASSERT_TRUE(bob.wait_for_text("1  msg ! read"));
    EXPECT_EQ(bob.cell(39, 23).text, "1");  // the notice stands at column 39
    ReadFirstLetter(bob, "Meet me at the inn tonight.");
    // The reply quotes the letter from the editor's menu (ESC Q, lines 1 to 1).
    ASSERT_TRUE(Answer(bob, "Reading Email 1 of 1", "r"));
    ASSERT_TRUE(Answer(bob, "Subject : Re: Supper", "\x1b"));
    ASSERT_TRUE(Answer(bob, "Command", "q"));
    ASSERT_TRUE(Answer(bob, "Enter first line", "\r"));
    ASSERT_TRUE(Answer(bob, "Enter second line", "\r"));
    ASSERT_TRUE(bob.wait_for_text("An> Meet me at the inn tonight."));
    bob.type("I will bring the bread.\x18");
    ASSERT_TRUE(Answer(bob, "Destroy orignal message?", "y"));
    // Ann, on the map of node 1, hears of the reply at once.
    ASSERT_TRUE(ann.wait_for_text("New mail for you from Bob!")) << ann.screen_text();
    ASSERT_TRUE(Answer(bob, "Whack The Damn Key!", "\r"));
    ASSERT_TRUE(bob.wait_for_text("No mail waiting"));
    // Only the reply is left, its two lines packed to the front of the files.
    EXPECT_EQ(dir.file_size("EMAIL.jhr"), static_cast<long long>(sizeof(MessageHeader)));
    EXPECT_EQ(dir.file_size("EMAIL.jdt"), static_cast<long long>(2 * sizeof(MessageTextLine)));
    EXPECT_NE(dir.read_file("EMAIL.jdt").find("An> Meet me at the inn tonight."),
              std::string::npos);

    // Bob reads the board: one new message.
    bob.type("@b");
    ASSERT_TRUE(bob.wait_for_text("Read which board?"));
    EXPECT_NE(bob.screen_text().find("The Split Shield Common Room"), std::string::npos);
    bob.type("1\r");
    ASSERT_TRUE(Answer(bob, "Start reading at", "\r"));
    ASSERT_TRUE(bob.wait_for_text("The wolves are back at the north gate."));
    EXPECT_NE(bob.screen_text().find("Wolves"), std::string::npos);
    ASSERT_TRUE(Answer(bob, "reading message", "\r"));
    ASSERT_TRUE(Answer(bob, "Post in this area?", "n"));
    ASSERT_TRUE(Answer(bob, "Read which board?", "\r"));
    bob.type("*");
    EXPECT_EQ(bob.wait_exit(), 0);

    // Ann reads the reply and lets it go.
    ReadFirstLetter(ann, "I will bring the bread.");
    ASSERT_TRUE(Answer(ann, "Reading Email 1 of 1", "q"));
    ASSERT_TRUE(Answer(ann, "Delete all read mail?", "y"));
    ASSERT_TRUE(Answer(ann, "Whack The Damn Key!", "\r"));
    ASSERT_TRUE(ann.wait_for_text("No mail waiting"));
    ann.type("*");
    EXPECT_EQ(ann.wait_exit(), 0);
    EXPECT_EQ(dir.file_size("EMAIL.jhr"), 0);
    EXPECT_EQ(UserNamed(dir, "Ann").emails, 1);
    EXPECT_EQ(UserNamed(dir, "Ann").posts, 1);
    EXPECT_EQ(UserNamed(dir, "Bob").emails, 1);
}

}  // namespace
}  // namespace vorn::test

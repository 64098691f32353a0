// Three callers on three nodes of one game directory: they meet in the forest, see each other in
// the list of who is online, send a line across; a node killed and started again at once goes on
// alone; the sysop lists the nodes with his tool and chats with a caller, in both chat forms.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "common/node_records.hpp"
#include "support/caller_scripts.hpp"
#include "support/game_process.hpp"

namespace vorn::test {
namespace {

std::unique_ptr<GameProcess> StartNode(const GameDirectory& dir, int node) {
    return std::make_unique<GameProcess>("game", dir,
                                         LaunchOptions{.args = {std::to_string(node)}});
}

// Ann and Bob meet at the forest's edge.
void MeetAtTheForestEdge(GameProcess& ann, GameProcess& bob) {
    ann.type("f");
    ASSERT_TRUE(Answer(ann, "Do you take the", "y"));
    ASSERT_TRUE(ann.wait_for_text("Your command?"));
    bob.type("f");
    ASSERT_TRUE(Answer(bob, "Do you take the", "y"));
    EXPECT_TRUE(bob.wait_for_text("You see a Male ")) << bob.screen_text();
    EXPECT_TRUE(ann.wait_for_text("Bob arrives.")) << ann.screen_text();
    EXPECT_TRUE(ann.wait_for_text("You see a Male ")) << ann.screen_text();
}

// Who is online: all three, with race and what they are doing.
void ListWhoIsOnline(GameProcess& ann) {
    ann.type("@n");
    ASSERT_TRUE(ann.wait_for_text("Who Walks the Realm"));
    ASSERT_TRUE(ann.wait_for_text("Vorn Ville")) << ann.screen_text();
    const std::string list = ann.screen_text();
    for (const char* name : {"Ann", "Bob", "Cy"}) {
        EXPECT_NE(list.find(std::string(" ") + name + " "), std::string::npos) << list;
    }
    EXPECT_NE(list.find("Human"), std::string::npos) << list;
    EXPECT_NE(list.find("Forest Edge"), std::string::npos) << list;
    EXPECT_NE(list.find("38400"), std::string::npos) << list;
    ann.type("\r");
    ASSERT_TRUE(ann.wait_for_text("Your command?"));
}

// A line from node 2 shows on node 1 within a second.
void SendALineAcross(GameProcess& bob, GameProcess& ann) {
    bob.type("@t");
    ASSERT_TRUE(Answer(bob, "Enter node # or username", "1\r"));
    ASSERT_TRUE(Answer(bob, "Enter message to send:", "Hail Ann, well met\r"));
    EXPECT_TRUE(ann.wait_for_text("Bob (2): Hail Ann, well met", 1000)) << ann.screen_text();
    EXPECT_TRUE(bob.wait_for_text("Message sent to Ann on node 1"));
}

// Node 2 dies and is started again at once: its heartbeat still beats, so it plays alone.
void RestartTheNodeThatDied(const GameDirectory& dir, std::unique_ptr<GameProcess>& bob) {
    ::kill(bob->pid(), SIGKILL);
    bob->wait_exit();
    bob = StartNode(dir, 2);
    EnterGame(*bob, "Bob", false);
    EXPECT_TRUE(bob->wait_for_output("Node 2 is already running!"));
    EXPECT_NE(AllLogs(dir).find("Node 2 is already running (heartbeat active)"), std::string::npos);
    bob->type("@n");
    EXPECT_TRUE(bob->wait_for_text("not a multi-node BBS")) << bob->screen_text();
}

// The sysop's tool lists the nodes.
void ListTheNodes(const GameDirectory& dir) {
    const ProgramResult listed = RunProgram("nodes", dir.path(), {});
    EXPECT_EQ(listed.exit_code, 0);
    EXPECT_NE(listed.output.find("Ann"), std::string::npos) << listed.output;
    EXPECT_NE(listed.output.find("Cy"), std::string::npos) << listed.output;
    EXPECT_NE(listed.output.find("Local"), std::string::npos) << listed.output;
}

// A node's socket that is a link to Cy's, or Cy's own under another node's name, opens no chat
// with Cy.
void RefuseChatsThroughLinks(const GameDirectory& dir, GameProcess& cy) {
    namespace fs = std::filesystem;
    const std::string cys = dir.file(NodeControlSocketPath("temp/", 3));
    for (const int node : {4, 5}) {
        const std::string other = dir.file(NodeControlSocketPath("temp/", node));
        fs::create_directories(fs::path(other).parent_path());
        node == 4 ? fs::create_symlink(cys, other) : fs::create_hard_link(cys, other);
        const ProgramResult refused =
            RunProgram("nodes", dir.path(), {.args = {"chat", std::to_string(node)}});
        EXPECT_EQ(refused.exit_code, 1);
        EXPECT_NE(refused.error_output.find(node == 4 ? "is a link" : "leads to node 3"),
                  std::string::npos)
            << refused.error_output;
    }
    EXPECT_EQ(cy.screen_text().find("Keeper"), std::string::npos) << cy.screen_text();
}

// The sysop breaks in on Ann: his words in the upper window, hers in the lower, on both screens.
void ChatOnTheChatScreen(const GameDirectory& dir, GameProcess& ann) {
    GameProcess sysop("nodes", dir, {.args = {"chat", "1"}});
    ASSERT_TRUE(ann.wait_for_text("The Keeper of the Hall speaks"));
    ASSERT_TRUE(sysop.wait_for_text("The Keeper of the Hall speaks"));
    sysop.type("Hello Ann\r");
    ASSERT_TRUE(ann.wait_for_text("Hello Ann"));
    ann.type("Hi keeper");
    for (GameProcess* screen : {&ann, &sysop}) {
        ASSERT_TRUE(screen->wait_for_text("Hi keeper"));
        EXPECT_NE(screen->row_text(2).find("Hello Ann"), std::string::npos);
        EXPECT_NE(screen->row_text(14).find("Hi keeper"), std::string::npos);
    }
    sysop.type(
        "\x1b"
        "c");
    EXPECT_EQ(sysop.wait_exit(), 0);
    EXPECT_TRUE(ann.wait_for_text("Your command?"));
}

// Without the chat screen it is a line chat, with the sysop's commands.
void ChatLineByLine(const GameDirectory& dir, GameProcess& ann) {
    std::filesystem::remove(dir.file("ansi/chatmode.ans"));
    GameProcess sysop("nodes", dir, {.args = {"chat", "1"}});
    ASSERT_TRUE(ann.wait_for_text("Chat mode initiated"));
    sysop.type("/time\r");
    ASSERT_TRUE(ann.wait_for_text("Chatting for:"));
    // The chat lasts a second at least, so the time given back shows in whole seconds.
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    sysop.type(std::string(100, 'x') + "\rFarewell\r");
    ASSERT_TRUE(ann.wait_for_text("Farewell"));
    const std::string screen = ann.screen_text();
    EXPECT_NE(screen.find(std::string(79, 'x') + "\n" + std::string(21, 'x') + "\n"),
              std::string::npos)
        << screen;
    sysop.type(
        "\x1b"
        "c");
    EXPECT_EQ(sysop.wait_exit(), 0);
    EXPECT_TRUE(ann.wait_for_text("Your command?"));
}

// The time spent talking is given back: the sysop's information page on the local node.
void CheckTheTalkGivenBack(GameProcess& ann) {
    ann.type("\x1bi");
    ASSERT_TRUE(ann.wait_for_text("Extra seconds"));
    const std::string info = ann.screen_text();
    const std::size_t at = info.find("Extra seconds: ");
    ASSERT_NE(at, std::string::npos) << info;
    EXPECT_GE(std::stol(info.substr(at + 15)), 1) << info;
    ann.type("\r");
    EXPECT_TRUE(ann.wait_for_text("Your command?"));
}

TEST(Multinode, ThreeCallersPlayTogetherAndTheSysopChats) {
    GameDirectory dir;
    ASSERT_TRUE(dir.make_game());
    SetUpDoorNode(dir, 1, "Ann Alpha", 0, true);
    SetUpDoorNode(dir, 2, "Bob Beta", 38400);
    SetUpDoorNode(dir, 3, "Cy Gamma");
    auto ann = StartNode(dir, 1);
    auto bob = StartNode(dir, 2);
    auto cy = StartNode(dir, 3);
    EnterGame(*ann, "Ann", true);
    EnterGame(*bob, "Bob", true);
    EnterGame(*cy, "Cy", true);
    ASSERT_NO_FATAL_FAILURE(MeetAtTheForestEdge(*ann, *bob));
    ASSERT_NO_FATAL_FAILURE(ListWhoIsOnline(*ann));
    ASSERT_NO_FATAL_FAILURE(SendALineAcross(*bob, *ann));
    RestartTheNodeThatDied(dir, bob);
    ListTheNodes(dir);
    RefuseChatsThroughLinks(dir, *cy);
    ASSERT_NO_FATAL_FAILURE(ChatOnTheChatScreen(dir, *ann));
    ASSERT_NO_FATAL_FAILURE(ChatLineByLine(dir, *ann));
    ASSERT_NO_FATAL_FAILURE(CheckTheTalkGivenBack(*ann));
}

// The same caller on two nodes: the second logon is refused while the first session plays, and
// let in once the first node is killed: its hold ends with it, nothing is left for a sysop.
TEST(Multinode, APlayerPlaysOnOneNodeAtATime) {
    GameDirectory dir;
    ASSERT_TRUE(dir.make_game());
    SetUpDoorNode(dir, 1, "Ann Alpha");
    SetUpDoorNode(dir, 2, "Ann Alpha");
    auto first = StartNode(dir, 1);
    EnterGame(*first, "Ann", true);
    auto second = StartNode(dir, 2);
    ASSERT_TRUE(Answer(*second, "Whack The Damn Key!", "\r"));
    ASSERT_TRUE(Answer(*second, "Step into the snows", "s"));
    ASSERT_TRUE(second->wait_for_text("You are already playing on another node."))
        << second->screen_text();
    EXPECT_NE(AllLogs(dir).find("Ann is already playing on another node: logon refused"),
              std::string::npos);
    second->type("\r");
    ::kill(first->pid(), SIGKILL);
    first->wait_exit();
    ASSERT_TRUE(Answer(*second, "Step into the snows", "s"));
    EXPECT_TRUE(second->wait_for_text("Do you want to read the news?")) << second->screen_text();
}

// A player whose name was stored with codes before names were checked founds a city: the caller
// on the other node sees him in the announcement, the list of who is online and the news, and
// nothing of it clears her screen or stops it for a key. The city's name is checked as typed.
TEST(Multinode, ANameWithCodesNeverClearsOrPausesAnotherCallersScreen) {
    GameDirectory dir;
    ASSERT_TRUE(dir.make_game());
    SetUpDoorNode(dir, 1, "Ann Alpha");
    SetUpDoorNode(dir, 2, "Bob Beta");
    {
        auto bob = StartNode(dir, 2);
        EnterGame(*bob, "Bob", true);
        LeaveFromTheMap(*bob);
    }
    ChangeUser(dir, "Bob", [](UserRecord& u) {
        u.name = "|14Bob|CS%PA|PA";
        u.gold = 20'000;
    });
    auto ann = StartNode(dir, 1);
    EnterGame(*ann, "Ann", true);
    ann->type("f");
    ASSERT_TRUE(Answer(*ann, "Do you take the", "y"));
    ASSERT_TRUE(ann->wait_for_text("Your command?"));
    auto bob = StartNode(dir, 2);
    EnterGame(*bob, "", false);
    bob->type("f");
    ASSERT_TRUE(Answer(*bob, "Do you take the", "y"));
    ASSERT_TRUE(Answer(*bob, "Cast spell", "y"));
    ASSERT_TRUE(Answer(*bob, "do you accept?", "\r"));
    // A refused name is told by the code that stops it.
    ASSERT_TRUE(Answer(*bob, "Enter city name:", "Smith&Co\r"));
    ASSERT_TRUE(Answer(*bob, "The \"&\" of \"&Co\" begins a code.", "Frost|CSholm\r"));
    ASSERT_TRUE(Answer(*bob, "The \"|\" of \"|CS\" begins a code.", "Frostholm\r"));
    ASSERT_TRUE(bob->wait_for_text("The city of Frostholm is present here")) << bob->screen_text();

    EXPECT_TRUE(ann->wait_for_text("BobCSPAPA has founded the city of Frostholm!"))
        << ann->screen_text();
    ann->type("@n");
    ASSERT_TRUE(ann->wait_for_text("Whack The Damn Key!")) << ann->screen_text();
    const std::string list = ann->screen_text();
    EXPECT_NE(list.find("Who Walks the Realm"), std::string::npos) << list;
    EXPECT_NE(list.find("BobCSPAPA"), std::string::npos) << list;
    ann->type("\r");
    ASSERT_TRUE(Answer(*ann, "Your command?", "#n"));
    ASSERT_TRUE(ann->wait_for_text("City of Frostholm founded by BobCSPAPA")) << ann->screen_text();
    EXPECT_NE(ann->screen_text().find("Vornhold Global News"), std::string::npos)
        << ann->screen_text();
}

}  // namespace
}  // namespace vorn::test

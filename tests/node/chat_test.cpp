// The sysop's chat on a manual clock: the line chat's commands, a long line wrapped and the time
// given back; the split-screen windows placed by the installation's chatmode screen, with the
// sysop tool's keys in the upper window and the caller's in the lower one.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "core/session.hpp"
#include "node/chat.hpp"
#include "node/node_control.hpp"
#include "support/game_directory.hpp"
#include "support/key_fixture.hpp"
#include "support/session_fixture.hpp"

namespace vorn {
namespace {

using test::KeyFixture;
using test::RowText;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The sysop tool attached to the node, his first keys sent; returns his end of the line.
int AttachSysop(KeyFixture& f, std::string_view keys) {
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, ends) != 0) return -1;
    f.session.chat.sysop_fd = ends[0];
    if (::write(ends[1], keys.data(), keys.size()) != static_cast<ssize_t>(keys.size())) return -1;
    return ends[1];
}

int RowWith(const Writer& w, std::string_view text) {
    for (int row = 1; row <= kScreenRows; ++row) {
        if (RowText(w, row).find(text) != std::string::npos) return row;
    }
    return 0;
}

TEST(LineChat, CommandsALongLineAndTheTimeGivenBack) {
    KeyFixture f;
    f.session.users.current.name = "Ann";
    f.session.users.current.real_name = "Ann Alpha";
    f.session.users.held_player = 1;
    f.terminal.type("hello\r/type\r/time\r");
    // Five minutes into the chat, a line of 100 characters without a space.
    f.terminal.type(std::string(100, 'x') + "\r", 300'000);
    f.terminal.hang_up(10);
    LineChat(f.session);

    EXPECT_NEAR(f.session.time.extra_seconds, 300, 1);
    EXPECT_FALSE(f.session.chat.running);
    const Writer& w = f.session.writer;
    const int time_row = RowWith(w, "-- Current time: ");
    ASSERT_GT(time_row, 1);
    EXPECT_NE(RowText(w, time_row).find("Chatting for: 0:00"), std::string::npos);
    EXPECT_EQ(RowText(w, time_row - 1), "/type");  // no name: nothing shown
    // No blank line after /time; the long line breaks after 79 characters.
    EXPECT_EQ(RowText(w, time_row + 1), std::string(79, 'x'));
    EXPECT_EQ(RowText(w, time_row + 2), std::string(21, 'x'));

    const std::string log = ReadAll(f.directory + "logs/chatlog.001");
    EXPECT_NE(log.find("-- Line chat with user: Ann (Ann Alpha)\n"), std::string::npos);
    EXPECT_NE(log.find("\nSy> hello\nSy> /type\nSy> /time\nSy> " + std::string(79, 'x') + "\nSy> " +
                       std::string(21, 'x') + "\n"),
              std::string::npos)
        << log;
    EXPECT_NE(f.system_log().find("Chat mode initiated"), std::string::npos);
    EXPECT_NE(f.system_log().find("Chat mode terminated"), std::string::npos);
}

TEST(SplitChat, TheSysopsKeysInTheUpperWindowTheCallersInTheLower) {
    KeyFixture f;
    f.session.users.current.name = "Ann";
    f.session.users.held_player = 1;
    f.session.system.text_path = f.directory;
    std::filesystem::copy_file(test::SourceDir() + "/data/ansi/chatmode.ans",
                               f.directory + "chatmode.ans");
    f.session.codes.slots[1] = TemplateSlot{true, 12, 2, 9, 0, false};
    const int sysop = AttachSysop(f, "Hello\r");
    ASSERT_GE(sysop, 0);
    f.terminal.type("Hi there", 1000);
    f.terminal.hang_up(1000);
    SplitChat(f.session);

    const Writer& w = f.session.writer;
    EXPECT_EQ(RowText(w, 2).substr(1, 6), "Hello ");
    EXPECT_EQ(RowText(w, 14).substr(1, 9), "Hi there ");
    EXPECT_EQ(w.screen_image()[1][1].attribute, 14);  // the window's colour from its marker
    // The slots the chat used are the screen's own again.
    EXPECT_EQ(f.session.codes.slots[1].column, 12);
    EXPECT_NEAR(f.session.time.extra_seconds, 2, 0.5);

    const std::string log = ReadAll(f.directory + "logs/chatlog.001");
    EXPECT_NE(log.find("Sy> Hello\nAn> Hi there\n"), std::string::npos) << log;
    // The sysop's terminal was sent what the caller saw.
    char seen[16384];
    const ssize_t n = ::recv(sysop, seen, sizeof seen, MSG_DONTWAIT);
    ASSERT_GT(n, 0);
    EXPECT_NE(std::string(seen, static_cast<std::size_t>(n)).find("Hi there"), std::string::npos);
    ::close(f.session.chat.sysop_fd);
    ::close(sysop);
}

// A chat may begin before the caller has a character, even before he has logged on: the log
// names him as far as he is known, never by the placeholder player the record holds till then.
TEST(LineChat, TheLogNamesTheCallerAsFarAsHeIsKnownAndWhoSaidEachLine) {
    const struct {
        std::uint16_t held_player;
        bool logged_on;
        const char* header;
        const char* caller_said;
    } cases[] = {
        {1, true, "Ann (Ann Alpha)", "An> Hi keeper"},
        {0, true, "Ann Alpha (no character yet)", "AA> Hi keeper"},
        {0, false, "a caller not logged on yet", "?\?> Hi keeper"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.header);
        KeyFixture f;
        f.session.users.current.name = c.held_player != 0 ? "Ann" : "Joe";
        f.session.users.current.real_name = "Ann Alpha";
        f.session.users.held_player = c.held_player;
        f.session.logged_on = c.logged_on;
        f.session.system.text_path = f.directory;  // no chatmode screen: a line chat
        const int sysop = AttachSysop(f, "Hello\r");
        ASSERT_GE(sysop, 0);
        f.terminal.type("Hi keeper\r", 1000);
        f.terminal.hang_up(1000);
        LineChat(f.session);
        const std::string log = ReadAll(f.directory + "logs/chatlog.001");
        EXPECT_NE(log.find(std::string("-- Line chat with user: ") + c.header + "\n"),
                  std::string::npos)
            << log;
        EXPECT_NE(log.find(std::string("\nSy> Hello\n") + c.caller_said + "\n"), std::string::npos)
            << log;
        ::close(f.session.chat.sysop_fd);
        ::close(sysop);
    }
}

// The sysop tool knocks while the caller idles at a prompt; they talk for seven minutes. The
// wait goes on afterwards: talking is no inactivity.
TEST(SysopChat, ALongTalkThroughTheNodesSocketIsNoInactivity) {
    KeyFixture f;
    f.session.system.text_path = f.directory;  // no chatmode screen: a line chat
    OpenNodeControl(f.session);
    const int sysop = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = f.session.nodes.control_path;
    ASSERT_LT(path.size(), sizeof address.sun_path);
    path.copy(address.sun_path, path.size());
    ASSERT_EQ(::connect(sysop, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    const std::string request = ControlChatRequest(f.session.nodes.number);
    ASSERT_EQ(::write(sysop, request.data(), request.size()), static_cast<ssize_t>(request.size()));
    // The caller answers seven minutes in; when his words show, the sysop ends the chat.
    f.terminal.type("y", 420'000);
    f.terminal.type("z", 1000);
    f.terminal.on_write = [&](std::string_view bytes) {
        if (bytes.find('y') != std::string_view::npos && f.session.chat.running) {
            ASSERT_EQ(::write(sysop,
                              "\x1b"
                              "c",
                              2),
                      2);
        }
    };
    EXPECT_EQ(f.keys.read_key(), 'z');
    EXPECT_FALSE(f.session.time.ended);
    EXPECT_NEAR(f.session.time.extra_seconds, 420, 1);
    EXPECT_EQ(f.system_log().find("Inactivity"), std::string::npos);
    ::close(sysop);
    CloseNodeControl(f.session);
}

}  // namespace
}  // namespace vorn

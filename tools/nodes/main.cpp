// nodes: the sysop's view of the running nodes. `nodes` prints who is online from nodeinfo.dat as
// a plain table of 80 columns (fit for cron and ssh); `nodes chat N` attaches to node N and opens
// the split-screen chat there: the sysop's keys go to the upper window, the caller's to the lower,
// and this terminal shows what the caller sees, in its own character set. Alt-C (Esc c) ends the
// chat.
#include <getopt.h>
#include <langinfo.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "common/clock.hpp"
#include "common/cp437.hpp"
#include "common/cp437_text.hpp"
#include "common/node_records.hpp"
#include "common/record_file.hpp"
#include "common/system_log.hpp"
#include "common/whole_option.hpp"
#include "node/node_control.hpp"
#include "node/typed_cp437.hpp"

namespace {

constexpr const char* kTempPath = "./temp/";
// A node busy with something that is not a key wait answers when it gets to one.
constexpr int kReplyWaitMs = 10000;

void Usage() {
    std::fputs(
        "usage: nodes [-d GAME_DIR] [list]\n"
        "       nodes [-d GAME_DIR] chat NODE\n"
        "  list (the default) prints the nodes in play from nodeinfo.dat.\n"
        "  chat attaches to a running node and opens the split-screen chat with its caller;\n"
        "  Alt-C (Esc c) ends it.\n",
        stderr);
}

// A field of the table: colour codes dropped, code page 437 shown in UTF-8, cut or padded.
std::string Field(std::string_view text, std::size_t width) {
    const std::string plain = vorn::StripColourCodes(text);
    std::string out;
    std::size_t shown = 0;
    for (std::size_t i = 0; i < plain.size() && shown < width; ++i, ++shown) {
        out += vorn::Cp437Utf8(static_cast<std::uint8_t>(plain[i]));
    }
    return out + std::string(width - shown, ' ');
}

// One row of the table: the node number (at most 4 digits) to the right of its column, then each
// cell cut or padded to its own.
void PrintRow(const std::array<std::string, 6>& cells) {
    static constexpr std::size_t kWidths[] = {4, 15, 10, 18, 5, 21};
    std::string row =
        std::string(kWidths[0] - std::min(cells[0].size(), kWidths[0]), ' ') + cells[0];
    for (std::size_t i = 1; i < cells.size(); ++i) row += " " + Field(cells[i], kWidths[i]);
    while (!row.empty() && row.back() == ' ') row.pop_back();
    std::puts(row.c_str());
}

// Where the node's caller is: the address a socket call left in the node's work directory, else
// "Local" or the speed of the line.
std::string CallerPlace(const vorn::NodeInfoRecord& r, bool waiting) {
    std::ifstream file(vorn::NodeAddressPath(kTempPath, r.node));
    std::string address;
    if (file && std::getline(file, address) && !address.empty()) return address;
    if (waiting) return "---";
    return r.speed == 0 ? "Local" : std::to_string(static_cast<int>(r.speed)) + " bps";
}

int List() {
    vorn::SystemClock clock;
    const vorn::DateTime now = clock.now();
    const std::vector<vorn::NodeInfoRecord> live =
        vorn::ReadLiveNodes(vorn::kNodeInfoFileName, now);
    if (live.empty()) {
        std::puts("No node is in play.");
        return 0;
    }
    // At most 78 columns: node 4, player 15, race 10, activity 18, time on 5, caller 21.
    PrintRow({"Node", "Player", "Race", "Activity", "On", "Caller"});
    for (const vorn::NodeInfoRecord& r : live) {
        const bool waiting = r.user_name.view() == "---" && r.user_location.view() == "---";
        const std::string race =
            waiting ? "---" : std::string(r.sex_letter == 'F' ? "F " : "M ") + r.race_name.str();
        const std::string on =
            waiting ? "--:--" : vorn::NodeTimeOnText(vorn::NodeSecondsOn(r, now));
        PrintRow({std::to_string(r.node), r.user_name.str(), race,
                  waiting ? "Waiting for user" : r.activity.str(), on, CallerPlace(r, waiting)});
    }
    return 0;
}

// The node's first answer, one line.
std::string ReadReply(int fd) {
    std::string reply;
    struct pollfd p {
        fd, POLLIN, 0
    };
    char c = 0;
    while (reply.size() < 16 && ::poll(&p, 1, kReplyWaitMs) > 0 && ::read(fd, &c, 1) == 1) {
        reply += c;
        if (c == '\n') break;
    }
    return reply;
}

// The sysop's terminal, raw while he chats: every key goes to the node as it is typed.
class RawTerminal {
  public:
    RawTerminal() : tty_(::isatty(STDIN_FILENO) && ::tcgetattr(STDIN_FILENO, &saved_) == 0) {
        if (!tty_) return;
        struct termios raw = saved_;
        ::cfmakeraw(&raw);
        ::tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    }
    ~RawTerminal() {
        if (tty_) ::tcsetattr(STDIN_FILENO, TCSANOW, &saved_);
    }
    RawTerminal(const RawTerminal&) = delete;
    RawTerminal& operator=(const RawTerminal&) = delete;

  private:
    struct termios saved_ {};
    bool tty_;
};

// True when this terminal's locale says UTF-8.
bool TerminalIsUtf8() {
    std::setlocale(LC_CTYPE, "");
    return std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
}

// Sysop's keys to the node, the caller's screen to this terminal, until the node ends the chat.
// With `cp437`, the node speaks its caller's code page 437 and this terminal UTF-8: each
// character is translated on its way.
void Relay(int fd, bool cp437) {
    vorn::TypedCp437 typed;
    bool input_open = true;
    char buffer[4096];
    for (;;) {
        struct pollfd p[2] = {{fd, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
        if (::poll(p, input_open ? 2 : 1, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (p[0].revents != 0) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n <= 0) break;
            const std::string_view screen(buffer, static_cast<std::size_t>(n));
            const std::string shown = cp437 ? vorn::Cp437ToUtf8(screen) : std::string(screen);
            if (!vorn::WriteAll(STDOUT_FILENO, shown.data(), shown.size())) break;
        }
        if (input_open && p[1].revents != 0) {
            const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
            if (n <= 0) {
                // Nothing more to say: the node ends the chat when it sees the end.
                ::shutdown(fd, SHUT_WR);
                input_open = false;
            } else {
                const std::string_view keys(buffer, static_cast<std::size_t>(n));
                const std::string sent = cp437 ? typed.feed(keys) : std::string(keys);
                if (!vorn::WriteAll(fd, sent.data(), sent.size())) break;
            }
        }
    }
}

// The node's own socket, connected: no link, owned by the user who listens on it. -1 (with the
// reason printed) otherwise.
int ConnectToNode(long node, const std::string& path) {
    struct stat file {};
    if (::lstat(path.c_str(), &file) != 0) {
        std::fprintf(stderr, "nodes: node %ld is not running (%s: %s)\n", node, path.c_str(),
                     std::strerror(errno));
        return -1;
    }
    if (!S_ISSOCK(file.st_mode)) {
        std::fprintf(stderr, "nodes: node %ld: %s is %s, not the node's own socket\n", node,
                     path.c_str(), S_ISLNK(file.st_mode) ? "a link" : "no socket");
        return -1;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        // The socket (or the node's work directory) belongs to the game's user alone.
        if (errno == EACCES || errno == EPERM) {
            std::fprintf(stderr,
                         "nodes: node %ld: permission denied on %s: run nodes as the game's user\n",
                         node, path.c_str());
        } else {
            std::fprintf(stderr, "nodes: node %ld is not running (%s: %s)\n", node, path.c_str(),
                         std::strerror(errno));
        }
        if (fd >= 0) ::close(fd);
        return -1;
    }
    // Whoever listens must own the socket file: a node made it, and no one else may answer.
    struct ucred peer {};
    socklen_t size = sizeof peer;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || peer.uid != file.st_uid) {
        std::fprintf(stderr, "nodes: node %ld: %s is answered by another user than its owner\n",
                     node, path.c_str());
        ::close(fd);
        return -1;
    }
    return fd;
}

int Chat(const std::string& node_text) {
    char* end = nullptr;
    const long node = std::strtol(node_text.c_str(), &end, 10);
    if (node_text.empty() || *end != '\0' || node < 0 || node > 255) {
        std::fprintf(stderr, "nodes: %s is not a node number (0 to 255)\n", node_text.c_str());
        return 2;
    }
    const std::string path = vorn::NodeControlSocketPath(kTempPath, static_cast<int>(node));
    const int fd = ConnectToNode(node, path);
    if (fd < 0) return 1;
    std::string reply;
    {
        // Raw before the node opens the chat, so no key typed at its first sight is held back.
        const RawTerminal raw;
        const std::string request = vorn::ControlChatRequest(static_cast<int>(node));
        vorn::WriteAll(fd, request.data(), request.size());
        reply = ReadReply(fd);
        if (reply == vorn::kControlAccepted) Relay(fd, false);
        if (reply == vorn::kControlAcceptedCp437) Relay(fd, TerminalIsUtf8());
    }
    ::close(fd);
    if (reply.starts_with(vorn::kControlOtherNode)) {
        std::string other = reply.substr(vorn::kControlOtherNode.size());
        if (!other.empty() && other.back() == '\n') other.pop_back();
        std::fprintf(stderr, "nodes: %s leads to node %s, not to node %ld: no chat opened\n",
                     path.c_str(), other.c_str(), node);
        return 1;
    }
    if (reply == vorn::kControlBusy) {
        std::fprintf(stderr, "nodes: node %ld is already in a chat\n", node);
        return 1;
    }
    if (reply != vorn::kControlAccepted && reply != vorn::kControlAcceptedCp437) {
        std::fprintf(stderr, "nodes: node %ld did not open a chat\n", node);
        return 1;
    }
    std::printf("\r\nThe chat with node %ld has ended.\r\n", node);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    static const option kLongOptions[] = {{"help", no_argument, nullptr, 'h'},
                                          {nullptr, 0, nullptr, 0}};
    std::vector<std::string> words;
    std::string directory;
    // Options and words in any order. An argument that is no option of ours (an unknown one,
    // one not given whole, "-d" with nothing after it, "--" and all that follows) is a word like
    // any other.
    opterr = 0;
    optind = 0;
    int next = 1;   // the argument getopt_long looks at
    int taken = 0;  // the last one taken as a word
    int index = -1;
    for (int c; (c = getopt_long(argc, argv, "-:d:h", kLongOptions, &index)) != -1;
         next = optind, index = -1) {
        const bool whole = vorn::IsWholeOption(argv[next], c, kLongOptions, index);
        if (c == 1) {
            words.push_back(optarg);
        } else if (c == 'd' && whole) {
            directory = optarg;
        } else if (c == 'h' && whole) {
            Usage();
            return 0;
        } else if (next != taken) {
            words.push_back(argv[next]);
            taken = next;
        }
    }
    for (int i = next; i < argc; ++i) words.push_back(argv[i]);
    if (!directory.empty() && ::chdir(directory.c_str()) != 0) {
        std::fprintf(stderr, "nodes: %s: %s\n", directory.c_str(), std::strerror(errno));
        return 1;
    }
    if (words.empty() || (words.size() == 1 && words[0] == "list")) return List();
    if (words.size() == 2 && words[0] == "chat") return Chat(words[1]);
    Usage();
    return 2;
}

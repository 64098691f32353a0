// The main sequence of the game: each step prints its progress as plain lines on standard output
// until the title screen, and fatal errors end with their own lines and exit codes.
#include "play/main_sequence.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "common/config_files.hpp"
#include "common/directories.hpp"
#include "common/file_calls.hpp"
#include "common/node_records.hpp"
#include "common/record_file.hpp"
#include "common/world_records.hpp"
#include "core/node_paths.hpp"
#include "core/session.hpp"
#include "core/startup.hpp"
#include "node/node_control.hpp"
#include "node/node_table.hpp"
#include "play/league_screen.hpp"
#include "play/title_menu.hpp"
#include "term/caller_line.hpp"
#include "term/drop_files.hpp"

namespace vorn {

namespace {

const std::string* FirstArgument(const Session& session) {
    return session.command.node ? &*session.command.node : nullptr;
}

}  // namespace

void InstallCallHooks(Session& session) {
    session.hooks.node_round = [&session] { NodeRound(session); };
    session.hooks.closing = [&session](bool show_credits) { Terminate(session, show_credits); };
    if (InLeague()) InstallLeagueMail(session);
}

void LoadConfiguration(Session& session) {
    Writer& out = session.writer;
    session.node = NodeConfig{};
    session.settings = GameSettings{};
    session.system = SystemInfo{};
    session.line.comm_device.clear();
    session.line.baud = 0;

    out.plain("Loading config...");
    session.command = ParseCommandLine(session.command.args);
    if (!session.command.error.empty()) {
        out.plain_line("");
        out.plain_line("game: " + session.command.error);
        out.plain_line("usage: game [NODE] [-D DROP_FILE] [--connect HOST:PORT]");
        session.exit(kExitConfig);
    }
    session.nodes.text = NodeTextOf(FirstArgument(session));
    session.log(">Node " + session.nodes.text + " loaded");

    const std::string node_file = NodeConfigFileName(session.nodes.text);
    if (!ReadNodeConfig(node_file, session.node)) {
        out.plain_line("");
        out.plain_line(node_file + " couldn't be read, check file size and permissions");
        out.plain_line("Try recreating a new one with setup");
        out.plain_line(kContactLine);
        out.plain_line("With the following details:");
        out.plain_line("    Linux distribution");
        out.plain_line("    the file : " + node_file);
        out.plain_line("    and the permissions on " + node_file);
        session.exit(kExitConfig);
    }
    out.plain(".");

    std::string path = session.node.door_file_path.str();
    if (path.empty() || path.back() != '\\') session.node.door_file_path = path + "\\";
    // A drop file named on the command line tells by its name which kind it is.
    if (!session.command.drop_file.empty()) {
        session.node.door_type = static_cast<std::uint8_t>(
            DoorTypeForDropArgument(session.command.drop_file, session.node.door_type));
    }
    out.plain(".");

    session.line.comm_device = session.node.comm_device.str();
    out.plain(".");

    session.system.bbs_name = session.node.bbs_name.str();
    session.system.sysop_name = session.node.sysop_name.str();
    session.nodes.multinode = session.node.multinode;
    // Node 0 of a daemon installation (inetd, systemd, socat) takes the first free node for each
    // caller, all of them with the settings of vorn0.dat.
    session.system.dynamic_node = session.nodes.text == "0" && session.node.daemon_mode;

    if (!ReadGameSettings("setup.dat", session.settings)) {
        out.plain_line("");
        out.plain_line("setup.dat couldn't be read, check file size and permissions");
        out.plain_line("Try using setup to create a new one");
        out.plain_line(kContactLine);
        session.exit(kExitConfig);
    }
    out.plain_line("");
}

void InitializeSession(Session& session) {
    session.writer.plain("Initializing variables");
    SetDefaultUser(session);
    session.users.current = UserRecord{};

    char cwd[4096];
    session.command.start_directory = ::getcwd(cwd, sizeof cwd) != nullptr ? cwd : ".";
    if (session.command.start_directory.back() != '/') session.command.start_directory += '/';

    session.logged_on = false;
    session.play = PlayState{};
    session.time.ended = false;
    session.chat.running = false;
    session.time.extra_seconds = 0;
    session.time.adjust = 0;

    if (session.system.dynamic_node) {
        session.nodes.multinode = true;
        if (!TakeFreeNode(session.nodes.hold)) {
            session.writer.plain_line("");
            session.writer.plain_line(std::string(kNodeLockFile) +
                                      " couldn't be written, check its permissions");
            session.writer.plain_line("Try recreating it with setup");
            session.writer.plain_line(kContactLine);
            session.exit(kExitConfig);
        }
        session.nodes.number = static_cast<std::uint8_t>(session.nodes.hold.node());
    } else {
        session.nodes.number = NodeNumberOf(FirstArgument(session));
    }
    session.writer.plain_line("");
}

namespace {

// A game directory the game may not write (a read-only mount, files of another owner) ends the
// call here, before anything in it is changed, with the reason on the screen: the first save
// would end it half-way, and rooms.dat opened for reading only would end it without a word.
// A rooms.dat that is missing is left to the opening of the data files below.
void RefuseReadOnlyDirectory(Session& session) {
    const auto denied = [](int error) {
        return error == EACCES || error == EPERM || error == EROFS;
    };
    std::string what = kRoomsFile;
    const int fd = sys::Open(kRoomsFile, O_RDWR | O_CLOEXEC);
    int error = fd < 0 ? errno : 0;
    if (fd >= 0) sys::Close(fd);
    if (!denied(error) && ::access(".", W_OK | X_OK) != 0) {
        error = errno;
        what = "the game directory";
    }
    if (!denied(error)) return;
    Writer& out = session.writer;
    out.plain_line("");
    out.plain_line("The game cannot write to " + what + ": " + std::strerror(error));
    out.plain_line("It keeps the players and the world there; give the user the game runs as");
    out.plain_line("write access to the game directory and its files.");
    session.log("xCannot write to " + what + ": " + std::strerror(error));
    session.exit(kExitDataFiles);
}

}  // namespace

void OpenDataFiles(Session& session) {
    Writer& out = session.writer;
    out.plain("initializing paths ");
    session.system.data_path.clear();
    session.system.text_path.clear();
    session.system.message_path.clear();
    session.system.temp_path = "./temp/";
    session.system.log_path = "./logs/";
    if (!DirectoryExists("logs")) CreateDirectoryPath("logs", true);
    out.plain_line("Done");
    RefuseReadOnlyDirectory(session);

    PrepareUserFiles(session);

    // strings.dat refused with "access denied": another node may hold it. Wait a little and
    // try again, but give up after a few seconds rather than spin for ever on a bad permission.
    const auto retry_wait = [&session] {
        session.keys.check_time_limit();
        session.keys.delay(100);
    };
    if (session.strings.open(session.system.data_path, retry_wait, 30) !=
        SystemStrings::OpenResult::kOpened) {
        session.log("xCould not access " + session.system.data_path + "strings.dat" +
                    ", terminating");
        session.exit(kExitStrings);
    }

    OpenUserFileHandles(session);
}

void OpenCallerLine(Session& session) {
    TerminalIo& line = session.platform.terminal;
    const std::uint8_t mode = session.node.line_mode;
    if (!session.command.connect.empty()) {
        std::string host;
        std::string port;
        std::string error = "give it as HOST:PORT";
        int fd = -1;
        if (SplitHostPort(session.command.connect, host, port)) {
            fd = ConnectToBoard(host, port, kConnectTimeoutMs, error);
        } else {
            host = session.command.connect;
        }
        if (fd < 0 || !line.open_line(fd, LineOrigin::kConnected, mode)) {
            const std::string text =
                "Cannot connect to " + host + (port.empty() ? "" : " port " + port) + ": " + error;
            session.writer.plain_line("");
            session.writer.plain_line(text);
            session.log("x" + text);
            session.exit(kExitNoDropFile);
        }
        return;
    }
    const Door32Info& door32 = session.line.door32;
    if (session.node.door_type == kDoorTypeDoor32 && door32.comm_type == 2) {
        if (door32.handle >= 0 && line.open_line(door32.handle, LineOrigin::kBoardSocket, mode)) {
            return;
        }
        session.log(">DOOR32.SYS socket handle " + std::to_string(door32.handle) +
                    (door32.handle < 0 ? " names no socket" : " is no open socket") +
                    ": playing on standard input and output");
    }
    line.open_line(-1, LineOrigin::kStandard, mode);
}

void NoteCallerAddress(Session& session) {
    const std::string line = session.platform.terminal.describe();
    if (!line.empty()) session.log(">Caller line: " + line);
    NodeWorkDirectory(session, '-');
    const std::string path = NodeAddressPath(session.system.temp_path, session.nodes.number);
    const std::string address = session.platform.terminal.peer_address();
    ::unlink(path.c_str());
    if (address.empty()) return;
    // A caller's address is for the sysop and his group, not for every account of the machine.
    const int fd = sys::Open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, kGameFileMode);
    if (fd < 0 || !WriteAll(fd, address + "\n")) session.log("xCould not write " + path);
    if (fd >= 0) sys::Close(fd);
}

// 999 minutes, or the node's time limit when it is 1..998.
double LocalAllowance(const Session& session) {
    const int limit = session.node.time_limit;
    return limit >= 1 && limit <= 998 ? limit : 999;
}

void SetUpLocalSession(Session& session) {
    session.writer.clear_screen();
    session.line.baud = 0;
    session.line.comm_device.clear();
    session.line.local = true;
    session.time.minutes_allowed = LocalAllowance(session);
}

void CheckDoorType(Session& session) {
    if (!session.nodes.multinode) session.nodes.number = 1;
    if (!session.system.dynamic_node && !HoldNode(session.nodes.hold, session.nodes.number)) {
        // Two callers on one node share its work directory and its place in the node table.
        session.log("xNode " + std::to_string(session.nodes.number) +
                    " is in use by another game: check the board's node numbers");
    }
    if (session.system.dynamic_node && !session.nodes.hold.held()) {
        session.log("*No free node in " + std::string(kNodeLockFile) + ": sharing node " +
                    std::to_string(session.nodes.number));
    }
    switch (session.node.door_type) {
        case 1:
            ReadDoorSys(session);
            break;
        case 2:
            ReadDoorfileSr(session);
            break;
        case 3:
            SetUpLocalSession(session);
            break;
        case kDoorTypeDoor32:
            ReadDoor32Sys(session);
            break;
        case 4:
            // The game's own logon: no drop file grants time, so the node's limit (or the
            // local allowance) does; with none the caller's time would be over at once.
            session.time.minutes_allowed = LocalAllowance(session);
            break;
        default:
            session.writer.clear_screen();
            session.writer.plain_line("Invalid Door File type");
            session.writer.plain_line("Check your node configuration");
            session.log("Invalid Door File type");
            session.exit(kExitConfig);
    }
}

[[noreturn]] void RunGame(Session& session) {
    InstallCallHooks(session);
    Writer& out = session.writer;
    out.plain_line("Randomizing");
    const DateTime now = session.clock.now();
    session.rng.seed(static_cast<std::uint64_t>(session.clock.monotonic_ms()) * 1000003u ^
                     static_cast<std::uint64_t>(now.seconds_of_day() * 100) ^
                     static_cast<std::uint64_t>(::getpid()) << 32);

    out.plain("Setting up stuff");
    session.play.exploring = false;
    out.plain(".");
    session.play.in_battle = false;
    out.plain(".");
    session.play.redraw = false;
    out.plain(".");
    session.play.quit = false;
    out.plain_line(".");

    LoadConfiguration(session);
    InitializeSession(session);
    // A door32 board may hand over its socket, and a board that listens for its door is
    // connected to: the terminal is first spoken to there, once the drop file has been read and
    // the log has its folder.
    const bool door32 = session.node.door_type == kDoorTypeDoor32;
    const bool board_line = door32 || !session.command.connect.empty();
    if (!board_line) {
        OpenCallerLine(session);
        session.writer.initialize();
    }
    OpenDataFiles(session);
    if (board_line) {
        if (door32) ReadDoor32File(session);
        OpenCallerLine(session);
        session.writer.initialize();
    }
    session.log(">Initiated Files");
    session.log(">Character set: " + session.writer.character_set());
    SetDefaultUser(session);
    CheckDoorType(session);
    OpenNodeControl(session);
    NoteCallerAddress(session);
    session.log(std::string(">Vornhold version ") + kLongVersion + " loaded");

    session.time.running = true;
    session.logged_on = session.node.door_type == 1 || session.node.door_type == 2 ||
                        session.node.door_type == kDoorTypeDoor32;
    session.time.adjust = 0;
    session.time.extra_seconds = 0;
    session.time.start = session.clock.now();
    session.time.start_ms = session.clock.monotonic_ms();

    DetectAnsi(session);
    DetectVornTerm(session);

    out.show_display_file("title.ans", 28);
    out.new_lines(1);
    session.keys.pause_key();

    TitleMenu(session, true);
    Terminate(session, true);
}

std::string TerminateBanner(int exit_level) {
    std::string text = std::string(" Vornhold version ") + kLongVersion +
                       " terminated - errorlevel " + std::to_string(exit_level);
    for (std::size_t p = text.find(' '); p != std::string::npos; p = text.find(' ')) {
        text.erase(p, 1);
        text.insert(p, "\xFF|12");
        // The character that followed the space now stands at p + 4.
        if (p + 4 < text.size()) text.insert(p + 5, "|04");
    }
    return text;
}

[[noreturn]] void Terminate(Session& session, bool show_credits) {
    Writer& out = session.writer;
    session.world.rooms.close();
    session.users.users_read.close();
    session.users.extra_read.close();
    session.play.exploring = false;
    session.play.in_battle = false;

    if (show_credits) {
        out.show_display_file("cred2.ans", 25);
        session.keys.pause_key();
    }

    // A caller who hangs up or runs out of time leaves the node table as one who quits.
    LeaveNodeTable(session);
    CloseNodeControl(session);
    ::unlink(NodeAddressPath(session.system.temp_path, session.nodes.number).c_str());
    session.nodes.hold.release();
    const int exit_level = kExitNormal;
    session.log(">End of call: " +
                (session.time.end_reason.empty() ? "quit" : session.time.end_reason));
    session.log(">Vornhold va20 terminated (errorlevel " + std::to_string(exit_level) + ").");

    out.set_attribute(7, 0, false);
    out.clear_screen();
    out.print_at(1, 1, "|08%|07:|08%");
    out.print_at(77, 1, "|08%|07:|08%");
    const std::string banner = TerminateBanner(exit_level);
    int visible = 0;
    for (std::size_t i = 0; i < banner.size(); ++i) {
        if (banner[i] == '|' && i + 2 < banner.size() &&
            std::isdigit(static_cast<unsigned char>(banner[i + 1]))) {
            i += 2;
            continue;
        }
        ++visible;
    }
    out.print_at(40 - visible / 2, 1, banner);

    out.set_attribute(7, 0, false);
    // Leave the cursor below the banner for whatever the caller's terminal shows next.
    out.plain("\r\n");
    session.strings.close();
    NodeWorkDirectory(session, '-');
    if (::chdir(session.command.start_directory.c_str()) != 0) {
        // Nothing left to do about it: the process is ending anyway.
    }
    session.exit(exit_level);
}

}  // namespace vorn

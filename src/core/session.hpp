// The session: everything one call of the game knows, created by main and passed by reference to
// every part of the program. No part keeps session state of its own anywhere else.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/city_files.hpp"
#include "common/clock.hpp"
#include "common/config_records.hpp"
#include "common/file_watch.hpp"
#include "common/node_lock_table.hpp"
#include "common/random.hpp"
#include "common/system_log.hpp"
#include "core/startup.hpp"
#include "core/system_strings.hpp"
#include "mail/mail_state.hpp"
#include "node/node_state.hpp"
#include "play/play_state.hpp"
#include "player/user_files.hpp"
#include "term/drop_files.hpp"
#include "term/key_reader.hpp"
#include "term/terminal_io.hpp"
#include "term/text_codes.hpp"
#include "term/writer.hpp"
#include "world/world_files.hpp"

namespace vorn {

// How the process ends. The game exits; a test may instead unwind to its own frame.
class ProcessExit {
  public:
    virtual ~ProcessExit() = default;
    virtual void exit_process(int code) = 0;
};

// The real thing: flushes C stdio and ends the process (atexit handlers run).
class RealProcessExit final : public ProcessExit {
  public:
    void exit_process(int code) override;
};

// The replaceable parts of the outside world.
struct Platform {
    Clock& clock;
    Random& random;
    TerminalIo& terminal;
    ProcessExit& exit;
};

// In memory only: board and sysop names and the paths of the installation.
struct SystemInfo {
    std::string bbs_name = "Board";
    std::string sysop_name = "Sysop";
    std::string data_path;
    std::string text_path;
    std::string message_path;
    std::string temp_path;
    std::string log_path;
    bool dynamic_node = false;
    // The chat log (logs/chatlog.nnn) records line and split-screen chats.
    bool log_line_chat = true;
    bool log_split_chat = true;
    // The board's network addresses, used by networked message areas; none is set up yet.
    std::array<NetworkAddress, kNetworkAddressCount> network_addresses{};
};

struct Session {
    explicit Session(Platform& p);
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    Platform& platform;
    Clock& clock;
    Random& rng;

    CommandLine command;     // how the game was started
    bool logged_on = false;  // the caller is known: by the drop file or at the game's logon

    NodeConfig node{};
    GameSettings settings{};
    SystemInfo system;
    LineState line;  // the caller's line and door

    KeyClock time;  // the call's time, kept by the key reader
    CallHooks hooks;
    // Word of changes to the files a move would otherwise look at again; begun by the game.
    FileWatch watch;
    ChatState chat;
    TextCodeState codes;  // pending width and parameter, template slots, list forms

    // The state of the parts of the game, one object each.
    NodeState nodes;  // the node's identity, the node table, the messages between nodes
    UserFiles users;
    WorldBuffers world;
    // The city being shown or governed: its three records, some 130 KB, so kept on the heap.
    std::unique_ptr<CityBuffers> city = std::make_unique<CityBuffers>();
    MailState mail;  // the message areas; %MA names the current one
    PlayState play;
    SystemStrings strings;
    Writer writer;
    KeyReader keys;

    // Logs one line in the day's system log with the session's current log path and node.
    void log(std::string_view message);
    LogTarget log_target() const;

    // Ends the process: output flushed first, a node taken from lockfile.lck given back. Never
    // returns.
    [[noreturn]] void exit(int code);

    // Ends the call through the `closing` hook (credits first when `show_credits`); without it,
    // only the exit with code 0. Never returns.
    [[noreturn]] void end_call(bool show_credits);
};

// The world files' loaders with the session's buffers and its rooms handle (world/world_files.hpp
// has them for any buffers).
// Rooms read during the call are kept while the file watch tells rooms.dat has not been written
// since (by a city founded on any node); without the watch every move reads its room.
bool LoadRoom(Session& session, std::int32_t number);
bool SaveRoom(Session& session, std::int32_t number);
bool SaveRoom(Session& session, std::int32_t number, const RoomRecord& room);
bool LoadEvent(Session& session, std::int32_t number);
bool LoadMonster(Session& session, std::int32_t number);
bool LoadWeapon(Session& session, std::int32_t number);
bool LoadArmor(Session& session, std::int32_t number);
bool LoadItem(Session& session, std::int32_t number);
bool LoadLevel(Session& session, std::int32_t number);
bool LoadUnitType(Session& session, std::int32_t number);
bool LoadBuildingType(Session& session, std::int32_t number);

}  // namespace vorn

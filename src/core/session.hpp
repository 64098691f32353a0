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
    bool multinode = false;
    bool dynamic_node = false;
    // The chat log (logs/chatlog.nnn) records line and split-screen chats.
    bool log_line_chat = true;
    bool log_split_chat = true;
    // The board's network addresses, used by networked message areas; none is set up yet.
    std::array<NetworkAddress, kNetworkAddressCount> network_addresses{};
};

struct CommSettings {
    std::string comm_device;
    std::int32_t baud = 0;
};

struct Session {
    explicit Session(Platform& p);
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    Platform& platform;
    Clock& clock;
    Random& rng;

    std::vector<std::string> args;
    CommandLine command;  // args as LoadConfiguration reads them
    std::string node_text = "0";
    std::uint8_t node_number = 0;
    std::string start_directory;
    bool multinode = false;  // the session's flag: names log files, may be switched off later
    bool logged_on = false;
    int wrong_passwords = 0;  // typed at the game's logon during this call
    PlayState play;

    NodeConfig node{};
    GameSettings settings{};
    SystemInfo system;
    CommSettings comm;

    // Door session values.
    bool local_session = false;
    bool comm_active = false;
    bool ansi_terminal = false;
    bool vornterm_detected = false;
    Door32Info door32;  // door type 5: read before the terminal is first spoken to

    // Key reader state: time accounting and the state of every wait.
    double minutes_allowed = 0;  // the caller's time from the drop file or the node
    DateTime session_start;
    std::int64_t session_start_ms = 0;  // the same moment on the steady clock
    double extra_seconds = 0;           // sysop keys and chat time
    double time_adjust = 0;             // set at logon
    bool session_running = false;       // start-up done; sysop keys other than Alt-H need it
    bool session_ended = false;         // closing: every wait returns at once
    bool in_chat = false;               // a sysop chat runs: no inactivity limit
    bool key_seen = false;              // a key was read this session
    // How the call ended, for the log ("hang-up", "time-out"): the first reason given counts, and
    // a call that ends with none was quit.
    std::string call_end;
    void note_call_end(std::string_view how) {
        if (call_end.empty()) call_end = how;
    }
    // Called on every 150 ms round of a wait while the caller is not idle; empty at start.
    std::function<void()> timed_effects;
    // Started by the sysop's chat key; while empty the key goes to the caller like any other.
    std::function<void()> sysop_chat;
    // Set by the main sequence above the layers that wait for keys: one round of the node table
    // (the other nodes' messages, the sysop's knock), run on every 150 ms round of a wait, and the
    // orderly end of the call, which end_call runs. Empty until then.
    std::function<void()> node_round;
    std::function<void(bool show_credits)> closing;

    // The last texts of the hit-point and mana bars, for the text codes.
    std::string hp_state;
    std::string mana_state;

    // The node's byte of lockfile.lck, held for the call (and taken there for dynamic nodes).
    NodeHold node_hold;

    // Writer and text-code state
    TextCodeState codes;             // pending width and parameter, template slots, list forms
    std::string input_string;        // shown by %IS; no part of the game fills it yet
    bool remote_connection = false;  // access conditions B and =, set from the drop file

    // The node table, the messages between nodes and the sysop's way in.
    NodeState nodes;

    UserFiles users;
    WorldBuffers world;
    // The city being shown or governed: its three records, some 130 KB, so kept on the heap.
    std::unique_ptr<CityBuffers> city = std::make_unique<CityBuffers>();
    MailState mail;  // the message areas; %MA names the current one
    SystemStrings strings;
    Writer writer;
    KeyReader keys;

    // Logs one line in the day's system log with the session's current log path and node.
    void log(std::string_view message);
    LogTarget log_target() const;

    // Ends the process: output flushed first, a node taken from lockfile.lck given back. Never
    // returns.
    [[noreturn]] void exit(int code);

    // Ends the call through `closing` (credits first when `show_credits`); without it, only the
    // exit with code 0. Never returns.
    [[noreturn]] void end_call(bool show_credits);
};

// The world files' loaders with the session's buffers and its rooms handle (world/world_files.hpp
// has them for any buffers).
bool LoadRoom(Session& session, std::int32_t number);
bool SaveRoom(Session& session, std::int32_t number);
bool LoadEvent(Session& session, std::int32_t number);
bool LoadMonster(Session& session, std::int32_t number);
bool LoadWeapon(Session& session, std::int32_t number);
bool LoadArmor(Session& session, std::int32_t number);
bool LoadItem(Session& session, std::int32_t number);
bool LoadLevel(Session& session, std::int32_t number);
bool LoadUnitType(Session& session, std::int32_t number);
bool LoadBuildingType(Session& session, std::int32_t number);

}  // namespace vorn

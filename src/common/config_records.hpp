// The three configuration records: one node file per node (vorn<n>.dat), the game settings
// (setup.dat) and the maintenance settings (maint.dat). setup writes them; game and maint read.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/record_types.hpp"

namespace vorn {

// line_mode of a node: whether the caller's line is spoken as telnet. Auto speaks telnet on a
// standard input that is a TCP socket (inetd, systemd, socat) and never on a line a board has
// already negotiated (a door32 handle, a connection made with --connect). Other values count as
// auto.
enum NodeLineMode : std::uint8_t { kLineAuto = 0, kLineTelnet = 1, kLineRaw = 2 };
// encoding of a node: auto asks the caller's terminal at start-up; the other two are for boards
// whose host already knows (or translates) the caller's character set. Other values count as auto.
enum NodeEncoding : std::uint8_t { kEncodingAuto = 0, kEncodingCp437 = 1, kEncodingUtf8 = 2 };

#pragma pack(push, 1)

struct NodeConfig {
    ShortString<20> comm_device;
    std::uint8_t door_type;
    ShortString<40> bbs_name;
    ShortString<36> sysop_name;
    ShortString<40> door_file_path;
    Bool8 multinode;
    U16 pause_delay_ms;
    std::uint8_t reserved_144;
    Bool8 daemon_mode;
    Bool8 wfc_mode;
    ShortString<20> modem_answer;
    ShortString<20> modem_init;
    U16 time_limit;
    Bool8 sysop_keys;
    std::uint8_t line_mode;  // NodeLineMode: how a socket line is spoken
    std::uint8_t encoding;   // NodeEncoding: the caller's character set
};

struct GameSettings {
    ShortString<255> build_points_formula;
    Bool8 stat_bar;
    std::uint8_t mana_recovery_secs;
    std::uint8_t mana_recovery_temple_secs;
    std::uint8_t mana_recovery_same_align_secs;
    std::uint8_t mana_recovery_opposite_align_secs;
    std::uint8_t mana_recovery_real_god_secs;
    std::uint8_t hp_recovery_secs;
    std::uint8_t reserved_263[93];
};

struct MaintSettings {
    Bool8 heal_everything;
    std::uint8_t reserved_1[511];
};

#pragma pack(pop)

static_assert(sizeof(NodeConfig) == 194);
static_assert(offsetof(NodeConfig, comm_device) == 0);
static_assert(offsetof(NodeConfig, door_type) == 21);
static_assert(offsetof(NodeConfig, bbs_name) == 22);
static_assert(offsetof(NodeConfig, sysop_name) == 63);
static_assert(offsetof(NodeConfig, door_file_path) == 100);
static_assert(offsetof(NodeConfig, multinode) == 141);
static_assert(offsetof(NodeConfig, pause_delay_ms) == 142);
static_assert(offsetof(NodeConfig, reserved_144) == 144);
static_assert(offsetof(NodeConfig, daemon_mode) == 145);
static_assert(offsetof(NodeConfig, wfc_mode) == 146);
static_assert(offsetof(NodeConfig, modem_answer) == 147);
static_assert(offsetof(NodeConfig, modem_init) == 168);
static_assert(offsetof(NodeConfig, time_limit) == 189);
static_assert(offsetof(NodeConfig, sysop_keys) == 191);
static_assert(offsetof(NodeConfig, line_mode) == 192);
static_assert(offsetof(NodeConfig, encoding) == 193);

static_assert(sizeof(GameSettings) == 356);
static_assert(offsetof(GameSettings, build_points_formula) == 0);
static_assert(offsetof(GameSettings, stat_bar) == 256);
static_assert(offsetof(GameSettings, mana_recovery_secs) == 257);
static_assert(offsetof(GameSettings, mana_recovery_temple_secs) == 258);
static_assert(offsetof(GameSettings, mana_recovery_same_align_secs) == 259);
static_assert(offsetof(GameSettings, mana_recovery_opposite_align_secs) == 260);
static_assert(offsetof(GameSettings, mana_recovery_real_god_secs) == 261);
static_assert(offsetof(GameSettings, hp_recovery_secs) == 262);
static_assert(offsetof(GameSettings, reserved_263) == 263);

static_assert(sizeof(MaintSettings) == 512);
static_assert(offsetof(MaintSettings, heal_everything) == 0);
static_assert(offsetof(MaintSettings, reserved_1) == 1);

// The records as setup writes them for a new node or a missing or short settings file.
NodeConfig DefaultNodeConfig();
GameSettings DefaultGameSettings();
MaintSettings DefaultMaintSettings();

}  // namespace vorn

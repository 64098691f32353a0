// The node table: nodeinfo.dat holds one 208-byte record per node (record n-1 for node n), each
// node's own record rewritten by that node with a heartbeat. game writes it; setup, maint and the
// sysop tools read it to learn who is playing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/clock.hpp"
#include "common/record_types.hpp"

namespace vorn {

#pragma pack(push, 1)

struct NodeInfoRecord {
    std::uint8_t node;  // 0 = empty slot
    ShortString<36> user_name;
    ShortString<36> user_location;
    std::uint8_t reserved_75;
    U16 user_number;
    char sex_letter;
    std::uint8_t reserved_79;
    I32 speed;
    I32 logon_time[4];  // day number counted from 1985, hour, minute, second
    std::uint8_t reserved_100[9];
    ShortString<50> activity;
    U32 data_size;
    I32 room;
    ShortString<16> race_name;
    ShortString<16> subrace_name;
    std::uint8_t reserved_202[2];
    U32 heartbeat;  // NodeSecondsStamp of the last write
};

#pragma pack(pop)

static_assert(sizeof(NodeInfoRecord) == 208);
static_assert(offsetof(NodeInfoRecord, node) == 0);
static_assert(offsetof(NodeInfoRecord, user_name) == 1);
static_assert(offsetof(NodeInfoRecord, user_location) == 38);
static_assert(offsetof(NodeInfoRecord, reserved_75) == 75);
static_assert(offsetof(NodeInfoRecord, user_number) == 76);
static_assert(offsetof(NodeInfoRecord, sex_letter) == 78);
static_assert(offsetof(NodeInfoRecord, reserved_79) == 79);
static_assert(offsetof(NodeInfoRecord, speed) == 80);
static_assert(offsetof(NodeInfoRecord, logon_time) == 84);
static_assert(offsetof(NodeInfoRecord, reserved_100) == 100);
static_assert(offsetof(NodeInfoRecord, activity) == 109);
static_assert(offsetof(NodeInfoRecord, data_size) == 160);
static_assert(offsetof(NodeInfoRecord, room) == 164);
static_assert(offsetof(NodeInfoRecord, race_name) == 168);
static_assert(offsetof(NodeInfoRecord, subrace_name) == 185);
static_assert(offsetof(NodeInfoRecord, reserved_202) == 202);
static_assert(offsetof(NodeInfoRecord, heartbeat) == 204);

inline constexpr const char* kNodeInfoFileName = "nodeinfo.dat";
// A node whose heartbeat is younger than this counts as alive.
inline constexpr std::uint32_t kNodeAliveSeconds = 120;

// The heartbeat stamp: day of the month * 86400 + whole seconds since midnight. It restarts with
// every month.
std::uint32_t NodeSecondsStamp(const DateTime& t);

// Seconds between a heartbeat stamp and now. A stamp whose day lies ahead of today's is taken
// from the last month that had that day (the 31st seen in December is from October), so a node
// that died at the end of a month ages across the boundary. A stamp a little ahead of now (clocks
// of two machines sharing the directory) has age 0.
std::uint32_t NodeHeartbeatAge(std::uint32_t heartbeat, const DateTime& now);

// True when the record names a node whose heartbeat is younger than kNodeAliveSeconds.
bool NodeRecordAlive(const NodeInfoRecord& record, const DateTime& now);

// The day number of the node table's logon time: 1 on 1 January 1985, one more each day.
std::int32_t NodeDayNumber(const DateTime& t);

// Seconds a record's player has been on at `now` (from its logon_time); 0 when the logon time
// lies ahead.
std::int64_t NodeSecondsOn(const NodeInfoRecord& record, const DateTime& now);

// "hh:mm" of a time on: hours with days counted in, at most 99; both parts two digits.
std::string NodeTimeOnText(std::int64_t seconds);

// The data file of node n: "nodedata." + n with three digits (nodedata.007).
std::string NodeDataFileName(int node);

// The sysop's way into a running node: a Unix-domain socket in the node's work directory
// (temp_path + "NODE.nnn/"), which only the game's user may use.
inline constexpr const char* kNodeControlSocketName = "sysop.sock";
std::string NodeControlSocketPath(const std::string& temp_path, int node);

// Where a socket caller comes from ("203.0.113.5:51234", "[2001:db8::7]:40022"), one line in the
// node's work directory, for the sysop's view of the nodes. Written when a call on a socket
// starts; a call on any other line removes it.
inline constexpr const char* kNodeAddressFileName = "address";
std::string NodeAddressPath(const std::string& temp_path, int node);

// The live nodes of the node table at `path` (usually kNodeInfoFileName in the game directory).
// A missing or unreadable file has no live nodes.
std::vector<NodeInfoRecord> ReadLiveNodes(const std::string& path, const DateTime& now);

}  // namespace vorn

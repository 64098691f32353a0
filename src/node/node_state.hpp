// What one node knows of the others: its own record of the node table, how far it has read every
// other node's data file, the messages it has queued for them, the lines waiting for the caller's
// screen and the sysop's way in. The session holds one of these.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "common/file_stamp.hpp"
#include "common/node_lock_table.hpp"
#include "common/node_records.hpp"
#include "common/record_file.hpp"
#include "term/writer.hpp"

namespace vorn {

inline constexpr int kNodeSlots = 255;
inline constexpr std::size_t kNodeBufferSize = 1024;

// Message kinds in the node data files.
inline constexpr std::uint8_t kNodeMessageText = 1;      // a caller's line; target node, 0 = all
inline constexpr std::uint8_t kNodeMessageAnnounce = 2;  // news for every node; target 0
inline constexpr std::uint8_t kNodeMessageNotice = 3;    // the game's word to one node's caller

// Another node as this one last saw it in the node table.
struct NodePeer {
    bool present = false;                 // alive with a record in its own slot
    std::array<std::int32_t, 4> logon{};  // its session's logon time: a new one means a restart
    std::int32_t room = -1;
    bool playing = false;  // a caller is on (not "Waiting for user")
    std::string name;
    bool access_error_logged = false;
};

// A line for the caller's screen: a part with pipe colour codes written by the game, then a
// part shown as typed (another caller's words). `presence` lines (someone arrived or left) make
// way for the fresh list of the players in the room.
struct NodeLine {
    std::string coded;
    std::string plain;
    bool presence = false;
};

struct NodeState {
    NodeState() = default;
    NodeState(const NodeState&) = delete;
    NodeState& operator=(const NodeState&) = delete;
    ~NodeState();

    // --- the node's identity
    std::string text = "0";   // the node argument as given: names vorn<text>.dat
    std::uint8_t number = 0;  // the node number (modulo 256)
    bool multinode = false;   // names log files; may be switched off later
    NodeHold hold;            // the node's byte of lockfile.lck, held for the call

    // --- the node table and the data files
    NodeInfoRecord own{};
    std::string activity;  // the last activity written, kept by the heartbeat
    bool joined = false;
    bool node_data_ready = false;
    RecordFile info;  // nodeinfo.dat, kept open; opened again when it has been replaced
    // The table as last read, the file's stamp at the last read the round made, and whether that
    // read may stand while the stamp stays (see SettledAtRead).
    std::vector<NodeInfoRecord> table = std::vector<NodeInfoRecord>(kNodeSlots);
    std::size_t table_count = 0;  // records of `table` the file held
    FileStamp table_stamp;
    bool table_settled = false;
    int data_fd = -1;  // our nodedata.nnn, held with an exclusive lock for the whole stay
    std::array<std::uint32_t, kNodeSlots> read_positions{};  // entry n-1: node n's data file
    std::array<NodePeer, kNodeSlots> peers{};
    std::array<std::uint8_t, kNodeBufferSize> outgoing{};
    std::size_t outgoing_fill = 0;
    std::int64_t last_write_ms = 0;  // our record last written (the heartbeat)
    std::int64_t last_exchange_ms = -1;

    // --- lines for the screen
    std::deque<NodeLine> pending;
    // The row lines go to while the caller waits at a full-screen command prompt (the
    // exploration screen's message row); 0 lets the screen decide.
    int message_row = 0;
    // While above 0 lines wait in `pending`: the caller writes on the full-screen editor.
    int lines_wait = 0;
    bool showing = false;  // a line is on the screen
    bool shown_presence = false;
    bool toast = false;  // the line covers a row whose cells are kept in `covered`
    int shown_row = 0;
    std::int64_t shown_ms = 0;
    std::array<ScreenCell, kScreenColumns> covered{};
    std::array<ScreenCell, kScreenColumns> shown_cells{};

    // --- the sysop's way in
    int control_fd = -1;  // listening socket in the node's work directory
    std::string control_path;
};

}  // namespace vorn

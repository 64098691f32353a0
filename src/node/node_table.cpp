// The data file is the node's lock: it is opened and locked (an open-file-description lock)
// before it is truncated, so a second copy of a running node is refused without touching the
// first one's files, and the lock dies with the process that holds it. The heartbeat in the table
// covers the rest: a slot written less than two minutes ago belongs to a live node.
//
// Delivery runs in the key reader's round: the queued messages are appended to our data file
// with one write and our record publishes the new size; then the table is read in one piece and
// every other node's file is read from where we stopped up to the size its record publishes,
// so a message is seen only once it is complete, and each is taken exactly once.
#include "node/node_table.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "common/file_calls.hpp"
#include "common/file_stamp.hpp"
#include "common/player_text.hpp"
#include "common/record_file.hpp"
#include "core/session.hpp"
#include "node/node_control.hpp"
#include "node/node_lines.hpp"
#include "term/text_codes.hpp"

namespace vorn {

namespace {

// Our record is rewritten at least this often, far inside the two minutes that keep it alive.
constexpr std::int64_t kHeartbeatMs = 30'000;
// The round runs every 150 ms; a chat calls it more often, delivery needs no more.
constexpr std::int64_t kExchangeMs = 100;
// After the last message is written, the node stays in the table this long before it leaves,
// so the others' rounds read it first.
constexpr std::int64_t kLeaveGraceMs = 400;
constexpr int kEraseRetries = 30;
constexpr int kEraseRetryMs = 100;
constexpr std::size_t kReadChunk = 16384;
// Lines beyond this wait in the other nodes' files until the screen has shown the ones before.
constexpr std::size_t kMaxPendingLines = 64;

std::string NodeInfoPath(const Session& session) {
    return session.system.data_path + kNodeInfoFileName;
}
std::string DataFilePath(const Session& session, int node) {
    return session.system.data_path + NodeDataFileName(node);
}

void SwitchMultinodeOff(Session& session) {
    session.nodes.multinode = false;
}

void Isolate(Session& session, const std::string& what);

// The whole table in one read into the node's copy: the read asks for every slot, and what it
// brings ends at the file's end.
void ReadWholeTable(NodeState& ns) {
    const ssize_t got =
        sys::Pread(ns.info.fd(), ns.table.data(), ns.table.size() * sizeof(NodeInfoRecord), 0);
    ns.table_count = got > 0 ? static_cast<std::size_t>(got) / sizeof(NodeInfoRecord) : 0;
}

// nodeinfo.dat open for the call, opened again when it has been removed or replaced; its stamp
// in `stamp`. False (and the node isolated when it had joined) when it cannot be opened.
bool NodeInfoOpen(Session& session, FileStamp& stamp) {
    NodeState& ns = session.nodes;
    if (ns.info.is_open() && StampOf(ns.info.fd(), stamp) && stamp.links > 0) return true;
    ns.table_settled = false;
    if (OpenNodeInfo(session) == 0 && StampOf(ns.info.fd(), stamp)) return true;
    ns.table_count = 0;
    if (ns.joined) Isolate(session, "Could not access " + NodeInfoPath(session));
    return false;
}

}  // namespace

// The round asks for the table every 150 ms: it is read again only when its stamp has changed
// since the last read, or that read came too close to a write to be sure of it.
std::span<const NodeInfoRecord> ReadNodeTable(Session& session) {
    NodeState& ns = session.nodes;
    FileStamp stamp;
    if (NodeInfoOpen(session, stamp) && !(ns.table_settled && stamp == ns.table_stamp)) {
        ns.table_settled = SettledAtRead(stamp);
        ns.table_stamp = stamp;
        ReadWholeTable(ns);
    }
    return {ns.table.data(), ns.table_count};
}

namespace {

bool Playing(const NodeInfoRecord& r) {
    return !(r.user_name.view() == "---" && r.user_location.view() == "---");
}

std::array<std::int32_t, 4> LogonOf(const NodeInfoRecord& r) {
    return {r.logon_time[0], r.logon_time[1], r.logon_time[2], r.logon_time[3]};
}

// Leaves the table after a failure in the middle of a stay: the slot is emptied and the data
// file removed where that still works, and the session goes on alone.
void Isolate(Session& session, const std::string& what) {
    NodeState& ns = session.nodes;
    const std::string n = std::to_string(session.nodes.number);
    session.log("x" + what);
    session.log("xMultinode stopped, node " + n + " continues in isolation");
    if (ns.info.is_open()) {
        const NodeInfoRecord empty{};
        ns.info.write_record(static_cast<std::uint64_t>(session.nodes.number - 1), empty);
        ns.info.close();
    }
    if (ns.data_fd >= 0) {
        sys::Unlink(DataFilePath(session, session.nodes.number).c_str());
        sys::Close(ns.data_fd);
        ns.data_fd = -1;
    }
    ns.joined = false;
    ns.node_data_ready = false;
    ns.outgoing_fill = 0;
    SwitchMultinodeOff(session);
}

// Makes sure the table holds `count` records. Under a lock, so that two nodes growing it at the
// same moment never write zeros over a record another node has just claimed.
bool GrowTable(Session& session, int count) {
    const int fd = session.nodes.info.fd();
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    while (::fcntl(fd, F_OFD_SETLKW, &lock) != 0) {
        if (errno != EINTR) return false;
    }
    const off_t wanted = static_cast<off_t>(count) * static_cast<off_t>(sizeof(NodeInfoRecord));
    const off_t size = ::lseek(fd, 0, SEEK_END);
    const bool ok = size >= wanted || sys::Truncate(fd, wanted) == 0;
    lock.l_type = F_UNLCK;
    ::fcntl(fd, F_OFD_SETLK, &lock);
    return ok;
}

void InitNodeData(Session& session) {
    NodeState& ns = session.nodes;
    ns.read_positions.fill(0);
    ns.peers = {};
    ns.outgoing_fill = 0;
    ns.own.data_size = 0;
    UpdateNodeInfo(session, "");
    if (!ns.joined) return;
    const std::span<const NodeInfoRecord> table = ReadNodeTable(session);
    const DateTime now = session.clock.now();
    for (std::size_t i = 0; i < table.size(); ++i) {
        const NodeInfoRecord& r = table[i];
        if (r.node == 0 || static_cast<int>(i) + 1 == session.nodes.number) continue;
        // Messages already in the other nodes' files are not ours.
        ns.read_positions[i] = r.data_size;
        NodePeer& peer = ns.peers[i];
        peer.logon = LogonOf(r);
        peer.present = r.node == static_cast<int>(i) + 1 && NodeRecordAlive(r, now);
        peer.playing = peer.present && Playing(r);
        peer.room = r.room;
        peer.name = r.user_name.str();
    }
    ns.node_data_ready = true;
}

void TakeMessage(Session& session, const NodeInfoRecord& sender, std::uint8_t kind,
                 std::uint8_t target, std::string_view text) {
    const int own = session.nodes.number;
    if (kind == kNodeMessageText && (target == own || target == 0)) {
        QueueNodeLine(session,
                      NodeLine{NodeLinePrefix(sender.user_name.view(), sender.node, target == 0),
                               std::string(text), false});
    } else if (kind == kNodeMessageAnnounce || (kind == kNodeMessageNotice && target == own)) {
        // Made by the other node from names and such: its colours show, no other code acts here.
        QueueNodeLine(session, NodeLine{KeepOnlyColourCodes(text), "", false});
    }
}

// Reads node m's file from where we stopped up to the size its record publishes.
void ReadMessagesOf(Session& session, const NodeInfoRecord& r) {
    NodeState& ns = session.nodes;
    const std::size_t slot = r.node - 1u;
    NodePeer& peer = ns.peers[slot];
    std::uint32_t& position = ns.read_positions[slot];
    const std::string name = DataFilePath(session, r.node);
    const int fd = sys::Open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        // Logged once, not on every round while the file stays away.
        if (!peer.access_error_logged) session.log("xError accessing node data file: " + name);
        peer.access_error_logged = true;
        return;
    }
    peer.access_error_logged = false;
    std::vector<std::uint8_t> data(std::min<std::size_t>(r.data_size - position, kReadChunk));
    const ssize_t got = sys::Pread(fd, data.data(), data.size(), position);
    sys::Close(fd);
    if (got <= 0) return;
    std::size_t at = 0;
    const auto end = static_cast<std::size_t>(got);
    while (at + 4 <= end && ns.pending.size() < kMaxPendingLines) {
        const std::size_t length = data[at + 3];
        if (at + 4 + length > end) break;
        TakeMessage(session, r, data[at + 1], data[at + 2],
                    std::string_view(reinterpret_cast<const char*>(data.data()) + at + 4, length));
        at += 4 + length;
    }
    // Everything the record publishes is complete; bytes that never make a message are skipped.
    if (at == 0 && position + end >= r.data_size && ns.pending.size() < kMaxPendingLines) {
        at = end;
    }
    position += static_cast<std::uint32_t>(at);
}

void PresenceLine(Session& session, const std::string& name, const char* what) {
    QueueNodeLine(session, NodeLine{"|11" + KeepOnlyColourCodes(name) + "|03 " + what, "", true});
}

void ReadOtherNodes(Session& session) {
    NodeState& ns = session.nodes;
    const std::span<const NodeInfoRecord> table = ReadNodeTable(session);
    if (!ns.joined) return;
    const DateTime now = session.clock.now();
    const std::int32_t here = session.users.current.room;
    // Arrivals and departures are told while the caller stands at the command prompt.
    const bool watching = ns.message_row != 0;
    for (std::size_t i = 0; i < static_cast<std::size_t>(kNodeSlots); ++i) {
        if (static_cast<int>(i) + 1 == session.nodes.number) continue;
        NodePeer& peer = ns.peers[i];
        const bool was_here = peer.present && peer.playing && peer.room == here;
        if (i >= table.size() || table[i].node != static_cast<int>(i) + 1 ||
            !NodeRecordAlive(table[i], now)) {
            if (watching && was_here) PresenceLine(session, peer.name, "leaves.");
            peer.present = false;
            peer.playing = false;
            continue;
        }
        const NodeInfoRecord& r = table[i];
        std::uint32_t& position = ns.read_positions[i];
        // A new session of that node started its file afresh.
        if (LogonOf(r) != peer.logon || r.data_size < position) position = 0;
        peer.logon = LogonOf(r);
        if (r.data_size > position) ReadMessagesOf(session, r);
        const bool playing = Playing(r);
        const bool is_here = playing && r.room == here;
        if (watching && is_here && !was_here) PresenceLine(session, r.user_name.str(), "arrives.");
        if (watching && was_here && !is_here) PresenceLine(session, peer.name, "leaves.");
        peer.present = true;
        peer.playing = playing;
        peer.room = r.room;
        peer.name = r.user_name.str();
    }
}

}  // namespace

NodeState::~NodeState() {
    if (data_fd >= 0) sys::Close(data_fd);
    if (control_fd >= 0) sys::Close(control_fd);
}

int OpenNodeInfo(Session& session) {
    RecordFile& info = session.nodes.info;
    info.close();
    if (info.open(NodeInfoPath(session), sizeof(NodeInfoRecord), RecordFile::Access::kReadWrite)) {
        return 0;
    }
    return info.error() != 0 ? info.error() : EIO;
}

void JoinNodeTable(Session& session) {
    NodeState& ns = session.nodes;
    if (!session.nodes.multinode) return;
    const int n = session.nodes.number;
    const std::string n_text = std::to_string(n);
    // Back from the title menu: the slot and the data file are still ours.
    if (ns.joined) {
        UpdateNodeInfo(session, ns.activity);
        return;
    }
    const auto isolate = [&] {
        session.log("xMultinode not possible, node " + n_text + " loaded in isolation");
        SwitchMultinodeOff(session);
    };
    if (n == 0) {
        session.log("xNode 0 has no slot in the node table");
        isolate();
        return;
    }

    const std::string data_name = DataFilePath(session, n);
    const int fd =
        sys::Open(data_name.c_str(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, kGameFileMode);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    if (fd < 0 || ::fcntl(fd, F_OFD_SETLK, &lock) != 0) {
        const int error = errno;
        if (fd >= 0) sys::Close(fd);
        if (fd >= 0 && (error == EAGAIN || error == EACCES)) {
            session.log("xNode " + n_text + " is already running (locked)!");
            session.writer.print_line("Node " + n_text + " is already running!");
        } else {
            session.log("xError initializing " + data_name);
        }
        isolate();
        return;
    }
    // Only now, with the lock held, is the file ours to empty.
    if (sys::Truncate(fd, 0) != 0) {
        sys::Close(fd);
        session.log("xError initializing " + data_name);
        isolate();
        return;
    }

    const std::string info_name = NodeInfoPath(session);
    if (OpenNodeInfo(session) != 0) {
        const int created =
            sys::Open(info_name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, kGameFileMode);
        if (created >= 0) sys::Close(created);
    }
    if ((ns.info.is_open() || OpenNodeInfo(session) == 0) && !GrowTable(session, n)) {
        ns.info.close();
    }
    if (!ns.info.is_open()) {
        sys::Unlink(data_name.c_str());
        sys::Close(fd);
        session.log("xCould not access " + info_name);
        isolate();
        return;
    }

    NodeInfoRecord slot{};
    ns.info.read_record(static_cast<std::uint64_t>(n - 1), slot);
    // NodeHeartbeatAge counts across the month's end: a node that died on the last day of a
    // month is not taken for alive for a month.
    if (slot.node == n && NodeRecordAlive(slot, session.clock.now())) {
        session.log("xNode " + n_text + " is already running (heartbeat active)");
        session.writer.print_line("Node " + n_text + " is already running!");
        ns.info.close();
        sys::Unlink(data_name.c_str());
        sys::Close(fd);
        SwitchMultinodeOff(session);
        return;
    }
    ns.data_fd = fd;
    ns.joined = true;
    InitNodeData(session);
}

void UpdateNodeInfo(Session& session, std::string_view activity) {
    NodeState& ns = session.nodes;
    if (!session.nodes.multinode || !ns.joined) return;
    NodeInfoRecord& r = ns.own;
    r.node = session.nodes.number;
    const UserRecord& user = session.users.current;
    const DateTime& start = session.time.start;
    r.logon_time[0] = NodeDayNumber(start);
    r.logon_time[1] = start.hour;
    r.logon_time[2] = start.minute;
    r.logon_time[3] = start.second;
    if (session.time.running) {
        r.user_name = user.name.view();
        r.user_location = user.location.view().substr(0, 36);
        r.user_number = user.number;
        r.sex_letter = user.sex ? 'M' : 'F';
        r.activity = activity.substr(0, 50);
        r.room = user.room;
        r.race_name = user.race_name.view();
        r.subrace_name = user.subrace_name.view();
        // What the list shows under Baud: 0 reads "Local".
        r.speed = session.line.local ? 0 : session.line.baud;
    } else {
        r.user_name = "---";
        r.user_location = "---";
        r.user_number = 0;
        r.sex_letter = '-';
        r.speed = 0;
        r.activity = "Waiting for user";
        r.room = -1;
        r.race_name = "---";
        r.subrace_name = "---";
    }
    ns.activity = std::string(activity);
    r.heartbeat = NodeSecondsStamp(session.clock.now());
    ns.last_write_ms = session.clock.monotonic_ms();
    if (!ns.info.is_open() && OpenNodeInfo(session) != 0) {
        Isolate(session, "Could not access " + NodeInfoPath(session));
        return;
    }
    if (!ns.info.write_record(static_cast<std::uint64_t>(session.nodes.number - 1), r)) {
        Isolate(session, "Error writing " + NodeInfoPath(session));
    }
}

bool ReadNodeRecord(Session& session, int n, NodeInfoRecord& record) {
    record = NodeInfoRecord{};
    if (n < 1 || n > kNodeSlots || OpenNodeInfo(session) != 0) return false;
    if (session.nodes.info.record_count() < static_cast<std::uint64_t>(n)) return false;
    return session.nodes.info.read_record(static_cast<std::uint64_t>(n - 1), record) &&
           record.node == n;
}

void LeaveNodeTable(Session& session) {
    NodeState& ns = session.nodes;
    if (!session.nodes.multinode || !ns.joined) return;
    FlushNodeMessages(session);
    if (!ns.joined) return;
    // Anything written just now is read by the others' next round before the slot goes.
    const std::int64_t since = session.clock.monotonic_ms() - ns.last_write_ms;
    if (ns.own.data_size > 0 && since < kLeaveGraceMs) {
        session.writer.flush();
        session.clock.sleep_ms(static_cast<int>(kLeaveGraceMs - since));
    }
    ns.joined = false;
    ns.node_data_ready = false;
    const NodeInfoRecord empty{};
    ns.info.write_record(static_cast<std::uint64_t>(session.nodes.number - 1), empty);
    ns.info.close();
    // Removed while the lock is still held, so a node starting meanwhile keeps its new file.
    const std::string name = DataFilePath(session, session.nodes.number);
    for (int round = 0;; ++round) {
        if (sys::Unlink(name.c_str()) == 0 || errno == ENOENT) break;
        if ((errno != EACCES && errno != EPERM) || round >= kEraseRetries) {
            session.log("xError erasing node data file upon termination");
            break;
        }
        session.keys.check_time_limit();
        session.writer.flush();
        session.clock.sleep_ms(kEraseRetryMs);
    }
    sys::Close(ns.data_fd);
    ns.data_fd = -1;
    ns.outgoing_fill = 0;
}

void PostNodeMessage(Session& session, std::uint8_t kind, std::uint8_t target,
                     std::string_view text) {
    NodeState& ns = session.nodes;
    if (!ns.node_data_ready || !session.nodes.multinode) return;
    text = text.substr(0, 255);
    const std::size_t size = text.size() + 4;
    if (ns.outgoing_fill + size > kNodeBufferSize) FlushNodeMessages(session);
    if (!ns.node_data_ready) return;
    std::uint8_t* at = ns.outgoing.data() + ns.outgoing_fill;
    at[0] = session.nodes.number;
    at[1] = kind;
    at[2] = target;
    at[3] = static_cast<std::uint8_t>(text.size());
    std::memcpy(at + 4, text.data(), text.size());
    ns.outgoing_fill += size;
}

void FlushNodeMessages(Session& session) {
    NodeState& ns = session.nodes;
    if (!session.nodes.multinode || !ns.joined || ns.outgoing_fill == 0) return;
    if (!WriteAll(ns.data_fd, ns.outgoing.data(), ns.outgoing_fill)) {
        Isolate(session, "Error writing " + DataFilePath(session, session.nodes.number));
        return;
    }
    ns.own.data_size = ns.own.data_size + static_cast<std::uint32_t>(ns.outgoing_fill);
    ns.read_positions[session.nodes.number - 1u] = ns.own.data_size;
    ns.outgoing_fill = 0;
    UpdateNodeInfo(session, ns.activity);
}

void ExchangeNodeData(Session& session) {
    if (!session.nodes.multinode || !session.nodes.joined) return;
    FlushNodeMessages(session);
    if (session.nodes.pending.size() < kMaxPendingLines) ReadOtherNodes(session);
}

std::string NodeLinePrefix(std::string_view name, int node, bool to_all) {
    return "|11" + KeepOnlyColourCodes(name) + " |03(" + std::to_string(node) +
           (to_all ? ", to all" : "") + ")|08: |07";
}

void AnnounceToAllNodes(Session& session, std::string_view text) {
    PostNodeMessage(session, kNodeMessageAnnounce, 0, text);
    FlushNodeMessages(session);
}

bool NotifyPlayerElsewhere(Session& session, std::uint16_t user_number, std::string_view text) {
    if (!session.nodes.multinode || !session.nodes.node_data_ready || user_number == 0)
        return false;
    for (const NodeInfoRecord& r : ReadLiveNodes(NodeInfoPath(session), session.clock.now())) {
        if (r.node == session.nodes.number || r.user_number != user_number || !Playing(r)) continue;
        PostNodeMessage(session, kNodeMessageNotice, r.node, text);
        FlushNodeMessages(session);
        return true;
    }
    return false;
}

void NodeRound(Session& session) {
    NodeState& ns = session.nodes;
    PollNodeControl(session);
    if (session.nodes.multinode && ns.joined) {
        const std::int64_t now = session.clock.monotonic_ms();
        if (ns.last_exchange_ms < 0 || now - ns.last_exchange_ms >= kExchangeMs) {
            ns.last_exchange_ms = now;
            ExchangeNodeData(session);
        }
        if (ns.joined && now - ns.last_write_ms >= kHeartbeatMs) {
            UpdateNodeInfo(session, ns.activity);
        }
    }
    if (!session.chat.running) ShowNodeLines(session);
}

std::string PlayersHereText(Session& session) {
    NodeState& ns = session.nodes;
    if (!ns.multinode || !ns.joined) return {};
    // At every move, after this node's own write: the table as it stands, in one read.
    if (!ns.info.is_open() && OpenNodeInfo(session) != 0) return {};
    ReadWholeTable(ns);
    const std::span<const NodeInfoRecord> table(ns.table.data(), ns.table_count);
    const DateTime now = session.clock.now();
    std::string list;
    for (std::size_t i = 0; i < table.size(); ++i) {
        const NodeInfoRecord& r = table[i];
        if (static_cast<int>(i) + 1 == session.nodes.number || r.node != static_cast<int>(i) + 1 ||
            !NodeRecordAlive(r, now) || !Playing(r) || r.room != session.users.current.room) {
            continue;
        }
        if (!list.empty()) list += ", ";
        list += r.sex_letter == 'F' ? "a Female " : "a Male ";
        list += r.subrace_name.str() + " " + r.race_name.str();
    }
    return list.empty() ? list : "You see " + list;
}

void ShowPlayersHere(Session& session) {
    const std::string text = PlayersHereText(session);
    if (text.empty()) return;
    session.writer.go_to(2, 12);
    // One row, all of it: a long list is cut rather than run into the city line below, and
    // nothing an event left on the row stays behind it.
    session.writer.print_coded(PadVisible(text, 78));
}

}  // namespace vorn

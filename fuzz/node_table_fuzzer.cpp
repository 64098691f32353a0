// The node table and another node's message stream as a crashed node, a damaged disk or a
// foreign program may leave them. The input holds nodeinfo.dat as node 1 finds it when it joins,
// nodedata.002 (node 2's messages), and the records from node 2 on as they stand at the next
// exchange (see fuzz_files.hpp). Node 1 joins, exchanges, shows the lines, the list of nodes and
// who is in its room, and leaves; the checker and maint's reader of live nodes read the table.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "check/game_check.hpp"
#include "common/node_records.hpp"
#include "fuzz_files.hpp"
#include "node/node_list.hpp"
#include "node/node_table.hpp"

namespace {

// The records after node 1's own, as the other nodes have written them meanwhile.
void WriteOtherRecords(std::string_view bytes) {
    const int fd = ::open(vorn::kNodeInfoFileName, O_WRONLY | O_CREAT, 0600);
    if (fd < 0) std::abort();
    constexpr off_t kSecond = sizeof(vorn::NodeInfoRecord);
    if (::pwrite(fd, bytes.data(), bytes.size(), kSecond) != static_cast<ssize_t>(bytes.size()) ||
        ::ftruncate(fd, kSecond + static_cast<off_t>(bytes.size())) != 0) {
        std::abort();
    }
    ::close(fd);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static vorn::fuzz::GameScratch game;
    game.terminal.presses_enter = true;
    game.terminal.answers_probe = false;
    game.remove_all_but_world();
    const auto parts = vorn::fuzz::SplitParts(data, size, 3);
    if (parts[0]) vorn::fuzz::WriteFile(vorn::kNodeInfoFileName, *parts[0]);
    if (parts[1]) vorn::fuzz::WriteFile("nodedata.002", *parts[1]);

    vorn::Session& s = game.session;
    s.time.ended = false;
    s.nodes.multinode = true;
    s.users.current.name = "Joe Fuzz";
    s.users.current.room = 1;
    try {
        vorn::JoinNodeTable(s);
        if (parts[2]) WriteOtherRecords(*parts[2]);
        game.clock.advance_ms(5000);
        vorn::NodeRound(s);
        vorn::ShowNodeList(s);
        (void)vorn::PlayersHereText(s);
        s.nodes.message_row = 12;
        game.clock.advance_ms(5000);
        vorn::NodeRound(s);
        s.nodes.message_row = 0;
        vorn::LeaveNodeTable(s);
    } catch (const vorn::fuzz::Exited&) {
        std::abort();  // the node goes on alone whatever it finds
    }
    s.nodes.pending.clear();
    s.writer.flush();

    const vorn::DateTime now = game.clock.now();
    for (const vorn::NodeInfoRecord& r : vorn::ReadLiveNodes(vorn::kNodeInfoFileName, now)) {
        (void)vorn::NodeTimeOnText(vorn::NodeSecondsOn(r, now));
    }
    const vorn::CheckReport report = vorn::CheckGameDirectory(".", now);
    (void)report.lines();
    return 0;
}

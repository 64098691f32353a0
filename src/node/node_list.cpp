// A node whose heartbeat has stopped is no longer online: the list and the choice of a node
// leave it out, as they leave out the empty slots.
#include "node/node_list.hpp"

#include <algorithm>
#include <string>
#include <vector>

#include "common/player_text.hpp"
#include "common/text_case.hpp"
#include "core/session.hpp"
#include "node/node_table.hpp"
#include "term/system_text.hpp"
#include "term/template_slots.hpp"
#include "term/text_codes.hpp"

namespace vorn {

namespace {

constexpr int kNodeListForm = 27;
constexpr int kShortestLine = 20;

bool Waiting(const NodeInfoRecord& r) {
    return r.user_name.view() == "---" && r.user_location.view() == "---";
}

std::vector<NodeInfoRecord> LiveRecords(Session& session) {
    std::vector<NodeInfoRecord> live;
    const DateTime now = session.clock.now();
    for (const NodeInfoRecord& r : ReadNodeTable(session)) {
        if (r.node != 0 && NodeRecordAlive(r, now)) live.push_back(r);
    }
    return live;
}

void Rule(Writer& w) {
    w.set_foreground(9);
    w.print_text(std::string(79, '\xC4'));
    w.new_lines(1);
    w.set_foreground(1);
}

// The node a caller names: a number, a player's name, or "*" for every node (0); -1 for none.
int ChosenNode(const std::vector<NodeInfoRecord>& others, const std::string& answer) {
    if (answer == "*") return 0;
    const bool number = answer.size() <= 3 && std::all_of(answer.begin(), answer.end(), IsDigit);
    for (const NodeInfoRecord& r : others) {
        if (number ? std::stoi(answer) == r.node
                   : UpperCase(r.user_name.str()) == UpperCase(answer)) {
            return r.node;
        }
    }
    return -1;
}

}  // namespace

void ShowNodeList(Session& session) {
    Writer& w = session.writer;
    if (!session.nodes.multinode) {
        w.print_coded(GetSystemString(session, SystemText::kNotMultiNode));
        w.new_lines(1);
        return;
    }
    const bool templated = ListScreensExist(session, "node") && BeginListScreens(session, "node");
    if (!templated) {
        w.new_lines(1);
        w.set_foreground(4);
        w.print_text(" " + PadVisible("Node", 4) + " " + PadVisible("Username", 16) + " " +
                     PadVisible("Activity", 39) + " " + PadVisible("Baud", 6) + " Time on");
        w.new_lines(1);
        Rule(w);
        w.page_counter = 1;
        w.page_lines(3);
    }
    const DateTime now = session.clock.now();
    for (const NodeInfoRecord& r : LiveRecords(session)) {
        if (session.time.ended) break;
        const bool waiting = Waiting(r);
        std::string values[10];
        values[1] = std::to_string(r.node);
        values[2] = waiting ? "---" : r.user_name.str();
        values[3] = waiting ? "---" : r.user_location.str();
        values[4] = waiting ? "--" : std::to_string(r.user_number);
        values[5] = waiting ? "---" : r.speed == 0 ? "Local" : std::to_string(r.speed);
        values[6] = waiting ? "--:--" : NodeTimeOnText(NodeSecondsOn(r, now));
        values[7] = waiting ? "Waiting for user" : r.activity.str();
        values[8] = waiting ? "-" : std::string(1, r.sex_letter);
        // The ninth value is free in the row form: it carries the player's race.
        values[9] = waiting ? "--" : r.subrace_name.str() + " " + r.race_name.str();
        // Names from the other nodes' records: their colours show, no other code acts here.
        for (std::string& value : values) value = KeepOnlyColourCodes(value);
        if (templated) {
            for (int v = 1; v <= 9; ++v) SetFormValue(session, v, values[v]);
            ShowForm(session, kNodeListForm);
            if (w.cursor_column() != 1) w.new_lines(1);
        } else {
            w.print_coded(" " + PadVisible(values[1], 4) + " " + PadVisible(values[2], 16) + " " +
                          PadVisible(values[7], 39) + " " + PadVisible(values[5], 6) + " " +
                          values[6]);
            w.new_lines(1);
        }
        w.page_lines(1);
    }
    if (templated) {
        EndListScreens(session, "node");
    } else {
        Rule(w);
        w.page_counter = 0;
    }
}

void SendNodeLine(Session& session) {
    Writer& w = session.writer;
    KeyReader& keys = session.keys;
    ShowNodeList(session);
    if (!session.nodes.multinode) {
        keys.pause_key();
        return;
    }
    std::vector<NodeInfoRecord> others = LiveRecords(session);
    std::erase_if(others, [&session](const NodeInfoRecord& r) {
        return r.node == session.nodes.number || Waiting(r);
    });
    if (others.empty()) {
        w.print_coded_line("|12Nobody else walks the realm right now.");
        keys.pause_key();
        return;
    }
    w.print_coded_line("|08A node number, a player's name, or |15*|08 for every node.");
    int target = -1;
    while (target < 0) {
        w.print_prompt_text(GetSystemString(session, SystemText::kSendToWhichNode));
        const std::string answer = keys.input_line("", 0, CharacterRange(32, 254), "", 36);
        if (answer.empty() || session.time.ended) return;
        if (answer == "?") {
            ShowNodeList(session);
            continue;
        }
        target = ChosenNode(others, answer);
        if (target < 0) w.print_coded_line("|12Nobody by that name or number is playing.");
    }
    // The line fits the other caller's message row together with our name in front of it.
    const std::string prefix =
        NodeLinePrefix(session.users.current.name.view(), session.nodes.number, true);
    const int longest =
        std::max(kShortestLine, kScreenColumns - 2 - static_cast<int>(VisibleLength(prefix)));
    w.print_prompt_text(GetSystemString(
        session, target == 0 ? SystemText::kMessageToBroadcast : SystemText::kMessageToSend));
    const std::string text = keys.input_line("", 0, CharacterRange(32, 254), "", longest);
    if (text.empty() || session.time.ended) return;
    PostNodeMessage(session, kNodeMessageText, static_cast<std::uint8_t>(target), text);
    FlushNodeMessages(session);
    if (!session.nodes.multinode) {
        w.print_coded_line("|12The line could not be sent: this node now plays alone.");
    } else if (target == 0) {
        w.print_prompt_text(GetSystemString(session, SystemText::kBroadcastSent));
        w.new_lines(1);
    } else {
        const auto chosen =
            std::find_if(others.begin(), others.end(),
                         [target](const NodeInfoRecord& r) { return r.node == target; });
        w.print_prompt_text(GetSystemString(session, SystemText::kMessageSentTo,
                                            {chosen->user_name.view(), std::to_string(target)}));
        w.new_lines(1);
    }
    keys.pause_key();
}

}  // namespace vorn

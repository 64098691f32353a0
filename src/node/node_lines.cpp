// Everything here works on the writer's image of the screen: the row the caller was typing on is
// copied cell by cell (characters and colours) before a line takes its place, and written back
// one row lower; a covered row comes back only when it still shows the line that covered it, so
// a screen the game has redrawn meanwhile is never overwritten with old cells.
#include "node/node_lines.hpp"

#include <algorithm>
#include <string>

#include "core/session.hpp"
#include "node/node_table.hpp"
#include "term/text_codes.hpp"

namespace vorn {

namespace {

// A line stays at least this long when another one waits behind it.
constexpr std::int64_t kNextLineMs = 2500;
// Then "Aldric arrives." makes way for the list of the players in the room...
constexpr std::int64_t kPresenceHoldMs = 4000;
// ...and a line covering a row of another screen gives the row back.
constexpr std::int64_t kCoverHoldMs = 6000;

using Row = std::array<ScreenCell, kScreenColumns>;

Row RowOf(const Writer& w, int row) {
    return w.screen_image()[static_cast<std::size_t>(row - 1)];
}

bool SameRow(const Row& a, const Row& b) {
    return std::equal(a.begin(), a.end(), b.begin(), [](const ScreenCell& x, const ScreenCell& y) {
        return x.character == y.character && x.attribute == y.attribute;
    });
}

bool BlankCell(const ScreenCell& c) {
    return (c.character == ' ' || c.character == 0) && (c.attribute & 0x70) == 0;
}

// True when nothing is drawn right of the cursor nor below it: the screen runs like a page of
// text and the cursor stands at its end (a full screen's frame around a menu does not).
bool AtTheEndOfText(const Writer& w) {
    const Row here = RowOf(w, w.cursor_row());
    if (!std::all_of(here.begin() + (w.cursor_column() - 1), here.end(), BlankCell)) return false;
    for (int r = w.cursor_row() + 1; r <= kScreenRows; ++r) {
        const Row cells = RowOf(w, r);
        if (!std::all_of(cells.begin(), cells.end(), BlankCell)) return false;
    }
    return true;
}

// Writes columns 1..`last` of `cells` back on `row`.
void PutCells(Writer& w, int row, const Row& cells, int last) {
    w.go_to(1, row);
    for (int column = 1; column <= last; ++column) {
        const ScreenCell& c = cells[static_cast<std::size_t>(column - 1)];
        w.set_colour(TextColour::FromAttribute(c.attribute));
        w.put_character(c.character);
    }
}

// The line from the cursor, exactly `width` cells: cut, or padded with blanks.
void PrintLine(Writer& w, const NodeLine& line, int width) {
    const auto room = static_cast<std::size_t>(width);
    const std::string coded = CutVisible(line.coded, room);
    w.print_coded(coded);
    std::size_t used = std::min(VisibleLength(coded), room);
    const std::string plain = line.plain.substr(0, room - used);
    w.print_text(plain);
    used += plain.size();
    w.set_attribute(7, 0, false);
    w.print_text(std::string(room - used, ' '));
}

// The line takes the cursor's row; that row (a prompt, what is being typed) moves one down.
void ShowInline(Writer& w, const NodeLine& line) {
    const int row = w.cursor_row();
    const int column = w.cursor_column();
    const TextColour colour = w.colour();
    const Row typed = RowOf(w, row);
    int last = kScreenColumns - 1;
    while (last > 0 && BlankCell(typed[static_cast<std::size_t>(last - 1)])) --last;
    w.go_to(1, row);
    PrintLine(w, line, kScreenColumns - 1);
    w.new_lines(1);
    const int below = w.cursor_row();
    PutCells(w, below, typed, last);
    w.go_to(column, below);
    w.set_colour(colour);
}

}  // namespace

void QueueNodeLine(Session& session, NodeLine line) {
    session.nodes.pending.push_back(std::move(line));
}

void ShowNodeLines(Session& session) {
    NodeState& ns = session.nodes;
    if (ns.lines_wait > 0) return;
    Writer& w = session.writer;
    const std::int64_t now = session.clock.monotonic_ms();
    if (ns.showing) {
        const std::int64_t held = now - ns.shown_ms;
        if (!SameRow(RowOf(w, ns.shown_row), ns.shown_cells)) {
            ns.showing = false;  // the game has drawn over it
        } else if (!ns.pending.empty()) {
            if (held < kNextLineMs) return;
        } else {
            const int column = w.cursor_column();
            const int row = w.cursor_row();
            const TextColour colour = w.colour();
            // A line on a row that was empty stays; one that covers the screen's own gives way.
            const bool covers = !std::all_of(ns.covered.begin(), ns.covered.end(), BlankCell);
            if (ns.toast && covers && held >= kCoverHoldMs) {
                PutCells(w, ns.shown_row, ns.covered, kScreenColumns);
                ns.showing = false;
            } else if (!ns.toast && ns.shown_presence && held >= kPresenceHoldMs &&
                       ns.message_row == ns.shown_row) {
                w.go_to(2, ns.shown_row);
                w.set_attribute(7, 0, false);
                w.print_text(std::string(kScreenColumns - 2, ' '));
                ShowPlayersHere(session);
                ns.showing = false;
            }
            w.go_to(column, row);
            w.set_colour(colour);
            return;
        }
    }
    if (ns.pending.empty()) return;
    const NodeLine line = std::move(ns.pending.front());
    ns.pending.pop_front();

    const int column = w.cursor_column();
    const int cursor_row = w.cursor_row();
    const TextColour colour = w.colour();
    int row = ns.message_row;
    bool toast = false;
    if (row != 0) {
        w.go_to(2, row);
        PrintLine(w, line, kScreenColumns - 2);
    } else if (AtTheEndOfText(w)) {
        ShowInline(w, line);
        ns.showing = false;
        return;
    } else {
        row = cursor_row == kScreenRows - 1 ? 1 : kScreenRows - 1;
        // A row already covered by the previous line keeps the cells it had before that one.
        if (!(ns.showing && ns.toast && ns.shown_row == row)) ns.covered = RowOf(w, row);
        w.go_to(1, row);
        PrintLine(w, line, kScreenColumns);
        toast = true;
    }
    ns.showing = true;
    ns.toast = toast;
    ns.shown_row = row;
    ns.shown_ms = now;
    ns.shown_presence = line.presence;
    ns.shown_cells = RowOf(w, row);
    w.go_to(column, cursor_row);
    w.set_colour(colour);
}

NodeMessageRow::NodeMessageRow(Session& session, int row)
    : session_(session), previous_(session.nodes.message_row) {
    session.nodes.message_row = row;
}

NodeMessageRow::~NodeMessageRow() {
    session_.nodes.message_row = previous_;
}

NodeLinesWait::NodeLinesWait(Session& session) : session_(session) {
    ++session.nodes.lines_wait;
}

NodeLinesWait::~NodeLinesWait() {
    --session_.nodes.lines_wait;
}

}  // namespace vorn

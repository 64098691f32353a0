// Lines from the other nodes on the caller's screen. At the exploration prompt they go to the
// message row; where the screen runs like a page of text a line takes the cursor's row and the
// row the caller was on (a prompt, the text being typed) is drawn again below it; on a full
// screen the line goes to row 24 (row 1 when the cursor is there) and what it covered comes back
// after a few seconds. Nothing the caller is typing is touched.
#pragma once

#include "node/node_state.hpp"

namespace vorn {

struct Session;

void QueueNodeLine(Session& session, NodeLine line);
// Shows what is waiting, one line at a time, each held long enough to be read.
void ShowNodeLines(Session& session);

// While it lives, lines go to `row` (the exploration screen's message row): the caller waits at
// a command prompt of a full screen.
class NodeMessageRow {
  public:
    NodeMessageRow(Session& session, int row);
    ~NodeMessageRow();
    NodeMessageRow(const NodeMessageRow&) = delete;
    NodeMessageRow& operator=(const NodeMessageRow&) = delete;

  private:
    Session& session_;
    int previous_;
};

// While it lives, lines wait: the caller writes on a full-screen editor, whose every row is his
// text, so a line would cover the row he types on next or push the screen under his cursor.
// They show once he has left it.
class NodeLinesWait {
  public:
    explicit NodeLinesWait(Session& session);
    ~NodeLinesWait();
    NodeLinesWait(const NodeLinesWait&) = delete;
    NodeLinesWait& operator=(const NodeLinesWait&) = delete;

  private:
    Session& session_;
};

}  // namespace vorn

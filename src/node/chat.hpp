// The sysop's chat with the caller: a line chat (text runs down the screen, "/" lines are the
// sysop's commands) and a split-screen chat with a window for each side, drawn from "chatmode".
// A chat runs inside the key reader; when it ends the caller is back where he was and the time
// spent is given back. Keys come from the caller's terminal and, while the sysop tool is attached,
// from the sysop; without the tool the terminal is the sysop's own (a local session).
#pragma once

#include <string_view>

namespace vorn {

struct Session;

void LineChat(Session& session);
// Falls back to LineChat when the "chatmode" screen is missing.
void SplitChat(Session& session);
// The chat-log line of a split-screen window: the owner's initials, "> " and the text.
void ChatLogLine(Session& session, int window, std::string_view text);
// The page sound: the sysop's terminal rings when he is attached; callers hear nothing.
void PageTone(Session& session);

}  // namespace vorn

// The sysop's way into a running node. A door on Linux has no local console, so the sysop tool
// (`nodes chat N`) knocks on a Unix-domain socket in the node's work directory, which only the
// game's user can open; the node answers in its key reader's round and opens the split-screen
// chat with the sysop's keys in window 1 and the caller's in window 2, while the sysop's terminal
// shows what the caller sees.
#pragma once

#include <string>
#include <string_view>

namespace vorn {

struct Session;

// What the tool sends after connecting: "CHAT " + the node it means + "\n". A node answers a
// request for another node with kControlOtherNode + its own number + "\n" and nothing more, so a
// socket that leads to the wrong node (a link, a copy) never opens a chat there.
std::string ControlChatRequest(int node);
inline constexpr std::string_view kControlOtherNode = "NODE ";
// What the node answers a request for itself.
inline constexpr std::string_view kControlAccepted = "OK\n";
// Accepted, and what follows is the caller's code page 437 (a tool on a UTF-8 terminal
// translates it); plain kControlAccepted means UTF-8.
inline constexpr std::string_view kControlAcceptedCp437 = "OK CP437\n";
inline constexpr std::string_view kControlBusy = "BUSY\n";
inline constexpr std::string_view kControlRefused = "NO\n";

// Opens the socket (taking over one a dead node left behind, never a live node's) and installs
// the sysop's chat key. Without the socket the game plays on as before.
void OpenNodeControl(Session& session);
void CloseNodeControl(Session& session);
// Serves a knocking tool; a chat request runs the chat before it returns.
void PollNodeControl(Session& session);

}  // namespace vorn

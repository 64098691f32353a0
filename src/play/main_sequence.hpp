// The main sequence of the game, from the command line to the closing banner: its steps, RunGame,
// and Terminate, which the layers below reach through the session's hooks.
#pragma once

#include <string>

namespace vorn {

struct Session;

// Gives the session its hooks into this layer: the node table's round in every wait of the key
// reader, and Terminate for the end of the call (Session::end_call). RunGame sets them first.
void InstallCallHooks(Session& session);

void LoadConfiguration(Session& session);
void InitializeSession(Session& session);
void OpenDataFiles(Session& session);
void CheckDoorType(Session& session);
// The caller's line: the board's port (--connect; exit code 1 when it cannot be reached), the
// door32 board's socket, or standard input and output, spoken as the node's line mode says.
void OpenCallerLine(Session& session);
// Logs what the caller's line is and keeps a socket caller's address for the sysop's view.
void NoteCallerAddress(Session& session);
void SetUpLocalSession(Session& session);

// The whole life of the game after the root check: start-up, title menu, Terminate.
[[noreturn]] void RunGame(Session& session);

// The orderly end: credits when asked, the log line, the closing banner, exit code 0.
[[noreturn]] void Terminate(Session& session, bool show_credits);

// The closing banner: every word's first letter in colour 12, the rest in colour 4, separated
// by character 255.
std::string TerminateBanner(int exit_level);

}  // namespace vorn

// The drop files the BBS writes before starting the game (door.sys, doorfile.sr, door32.sys),
// and the detection of what the caller's terminal can do.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vorn {

struct Session;

// What the game takes from a door32.sys.
struct Door32Info {
    int comm_type = 0;  // 0 local, 1 serial line, 2 telnet socket
    int handle = -1;    // the socket's descriptor (comm type 2)
    std::int32_t baud = 0;
    std::string real_name;  // at most 255 characters each, as every drop-file line
    std::string alias;
    double minutes_left = 0;
    int emulation = 0;  // 0 plain text; 1 and above some kind of ANSI
    int node = 0;
};

// The eleven lines of a door32.sys. A file that is short, or whose comm type, socket handle,
// time, emulation or node is no number in range, or that names no caller, gives nullopt and the
// reason in `problem` ("line 9: the time left is no number").
std::optional<Door32Info> ParseDoor32Sys(std::string_view text, std::string& problem);

// Door type 5, before the terminal is first spoken to: reads door32.sys from the node's
// drop-file directory (exit code 1 when it is missing or damaged) and moves the caller's line
// to the board's socket (a handle that is no open socket leaves it on standard input and
// output, with a log line). The drop file's node counts when the command line names none.
void OpenDoor32Line(Session& session);
// Door type 5 in CheckDoorType: the caller's name and time and the terminal from door32.sys.
void ReadDoor32Sys(Session& session);

void ReadDoorSys(Session& session);
void ReadDoorfileSr(Session& session);
bool DetectAnsi(Session& session);
bool DetectVornTerm(Session& session);

}  // namespace vorn

// The drop files the BBS writes before starting the game (door.sys, doorfile.sr, door32.sys),
// and the detection of what the caller's terminal can do.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

struct Session;

// What the game takes from a door32.sys.
struct Door32Info {
    int comm_type = 0;  // 0 local, 1 serial line, 2 socket; any other value counts as 2
    int handle = -1;    // the socket's descriptor (comm type 2); -1 for none
    std::int32_t baud = 0;
    std::string real_name;  // at most 255 characters each, as every drop-file line
    std::string alias;
    double minutes_left = 0;
    int emulation = 0;  // 0 plain text; 1 and above some kind of ANSI
    int node = 0;
    // Lines that were not what the format gives, and what the game took instead, for the log
    // ("line 9: the time left is no number, taken as 0").
    std::vector<std::string> notes;
};

// The caller's line and door: what the drop file and the terminal check found.
struct LineState {
    bool local = false;        // the sysop at the console, or a local drop-file call
    bool comm_active = false;  // the caller is on a line the game speaks to
    bool ansi = false;
    bool vornterm = false;
    bool remote = false;  // access conditions B and =, set from the drop file
    Door32Info door32;    // door type 5: read before the terminal is first spoken to
    std::string comm_device;
    std::int32_t baud = 0;
};

// The eleven lines of a door32.sys. Only a file that is short or names no caller gives nullopt,
// with the reason in `problem` ("only 3 of its 11 lines"); a line that is not what the format
// gives is read as the other drop files' lines are (a number that is none counts as 0, control
// characters leave a name) and noted.
std::optional<Door32Info> ParseDoor32Sys(std::string_view text, std::string& problem);

// `name` ("door.sys") in `folder` whatever the case of its letters: the name as given, else in
// capitals, else the first other spelling in name order. "\" in the folder counts as "/" and an
// empty folder is the working directory; when no spelling is there, the path of `name` itself.
std::string FindDropFile(std::string_view folder, std::string_view name);
// The drop file `name` of this call: the one -D names, or `name` in the -D folder or in the
// node's drop-file folder.
std::string DropFilePath(const Session& session, std::string_view name);
// The door type a drop file's name gives (door.sys 1, doorfile.sr 2, door32.sys 5, in any case);
// 0 for any other name.
int DoorTypeOfDropFile(std::string_view path);
// The door type of a call whose drop file -D names: the kind the file's name gives; for a folder,
// the node's own when it reads a drop file, else the kind of the first drop file there
// (door32.sys, door.sys, doorfile.sr); `door_type` when none of these tells.
int DoorTypeForDropArgument(const std::string& argument, int door_type);

// Door type 5, before the terminal is first spoken to: reads door32.sys (exit code 1 when it is
// missing, unreadable, short or names no caller). The drop file's node counts when the command
// line names none.
void ReadDoor32File(Session& session);
// Door type 5 in CheckDoorType: the caller's name and time and the terminal from door32.sys.
void ReadDoor32Sys(Session& session);

void ReadDoorSys(Session& session);
void ReadDoorfileSr(Session& session);
bool DetectAnsi(Session& session);
bool DetectVornTerm(Session& session);

}  // namespace vorn

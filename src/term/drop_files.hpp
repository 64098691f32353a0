// The drop files the BBS writes before starting the game (door.sys, doorfile.sr), and the
// detection of what the caller's terminal can do.
#pragma once

namespace vorn {

struct Session;

void ReadDoorSys(Session& session);
void ReadDoorfileSr(Session& session);
bool DetectAnsi(Session& session);
bool DetectVornTerm(Session& session);

}  // namespace vorn

#include "term/drop_files.hpp"

#include "core/session.hpp"
#include "core/startup.hpp"

namespace vorn {

// The drop-file readers arrive with door play; until then both drop-file door types end as a
// missing drop file does.
void ReadDoorSys(Session& session) {
    const std::string path = session.node.door_file_path.str() + "door.sys";
    session.writer.plain_line("Error reading DOOR.SYS (Not Found)");
    session.writer.plain_line(path + " is missing");
    session.log("** DOOR.SYS not found at " + path);
    session.exit(kExitNoDropFile);
}

void ReadDoorfileSr(Session& session) {
    const std::string path = session.node.door_file_path.str() + "doorfile.sr";
    session.writer.plain_line("Error reading DOORFILE.SR: Not Found at " + path);
    session.log("** DOORFILE.SR not found");
    session.exit(kExitNoDropFile);
}

bool DetectAnsi(Session& session) {
    session.ansi_terminal = true;
    session.vornterm_detected = false;
    return true;
}

bool DetectVornTerm(Session& session) {
    if (!session.local_session) session.ansi_terminal = true;
    return session.vornterm_detected;
}

}  // namespace vorn

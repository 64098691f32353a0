// The readers: the public-area reader of the current area, the e-mail reader with the new-mail
// notice, and the boards that list the public areas and open the reader on one of them.
#pragma once

#include <cstdint>

namespace vorn {

struct Session;

// Reads the current public area from message `start` (0 asks where to start). In scan mode the
// caller must read on to the end. `announce` tells of an empty area and missing post rights.
// True when at least one message was shown.
bool ReadMessages(Session& session, std::uint32_t start, bool scan_mode, bool announce);

// The e-mail reader: the caller's mail (all of it for `all`, the sysop's view), first asked
// about (`ask`), then listed and read (`list`). With neither `ask` nor `list` it only shows the
// new-mail notice at column 39, row 23.
void ReadEmail(Session& session, bool all, bool ask, bool list);

// The public areas the caller may read, with their new messages; the one chosen is read.
void MessageBoards(Session& session);

// The exploration loop's mail keys: reading the caller's mail (the e-mail area's sysop reads
// everybody's), with the notice again afterwards; and writing a new e-mail.
void ReadMailCommand(Session& session);
void SendMailCommand(Session& session);

}  // namespace vorn

// users.dat, user2.dat and users.idx: adding, saving, loading and finding players. The current
// player's two records live here for the whole call, with the shared read handles of start-up.
#pragma once

#include <cstdint>
#include <string>

#include "common/clock.hpp"
#include "common/record_file.hpp"
#include "common/user_records.hpp"
#include "common/world_records.hpp"

namespace vorn {

struct Session;

struct UserFiles {
    UserRecord current{};
    UserExtraRecord extra{};
    std::uint16_t user_count = 0;

    // Held open from start-up to the end of the call.
    RecordFile rooms;       // read and write
    RecordFile users_read;  // read only
    RecordFile extra_read;  // read only

    // What SaveUser last wrote for player `number`, file by file: a save writes only the records
    // whose bytes changed. users.dat is written through a handle kept from the first save.
    struct Saved {
        std::uint16_t number = 0;
        bool user_known = false;
        bool extra_known = false;
        bool entry_known = false;
        UserRecord user{};
        UserExtraRecord extra{};
        UserIndexEntry entry{};
        RecordFile users;  // read and write
    } saved;
};

// Fills the current record with the defaults and zero-fills the extra record.
void SetDefaultUser(Session& session);

// Start-up, first steps: makes sure users.dat holds a record and counts the users.
void PrepareUserFiles(Session& session);
// Start-up, last steps: opens the shared handles. Ends the program with exit code 254 when
// rooms.dat or user2.dat cannot be opened.
void OpenUserFileHandles(Session& session);

// Places a new user in the three files and sets its number. Processes adding users at the same
// moment are serialised by a lock on users.dat, so each gets its own number. False, with the
// number set to 0 and nothing written, when the files hold their last player already.
bool AddUser(Session& session, UserRecord& user);
// Whether AddUser would find a number for one more player.
bool RoomForNewUser();

// Writes the record, the current extra record and the index entry at the user's place; each only
// when its bytes differ from what this session last wrote there.
void SaveUser(Session& session, UserRecord& user);
bool LoadUser(Session& session, std::uint16_t number);
bool FindUser(Session& session, UserRecord& user, bool include_deleted, bool by_name);

}  // namespace vorn

// users.dat, user2.dat and users.idx: adding, saving, loading and finding players. The current
// player's two records live here for the whole call, with the shared read handles of start-up.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/clock.hpp"
#include "common/file_stamp.hpp"
#include "common/player_locks.hpp"
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
        RecordFile users;      // read and write
        int users_watch = -1;  // the file watch's slot for it, -1 when unwatched
    } saved;

    // users.idx as the start-up read it and the file's stamp then: the logon searches this copy
    // while the file has not changed since, instead of reading the index a second time, and
    // knows the player's entry there. Let go of once the caller is logged on.
    struct IndexCopy {
        IndexCopy() = default;
        IndexCopy(const IndexCopy&) = delete;
        IndexCopy& operator=(const IndexCopy&) = delete;
        ~IndexCopy() { release(); }
        // Room for `count` entries, on huge pages where the system gives them and put in place
        // at once: a page fault for every 4 KiB of a fresh buffer would cost a new process more
        // than the read itself. False when there is no room.
        bool allocate(std::size_t count);
        void release();
        UserIndexEntry* entries = nullptr;
        std::size_t count = 0;
        void* mapping = nullptr;
        std::size_t bytes = 0;
    } index_copy;
    FileStamp index_stamp;
    bool index_copy_good = false;

    // users.idx opened once more, holding the lock that marks `held_player` as playing here.
    RecordFile player_hold;
    std::uint16_t held_player = 0;
};

enum class AddResult {
    kAdded,
    kFull,       // the files hold their last player already
    kNameTaken,  // another player (deleted ones too) has the character name
    // A player of the caller's name (not deleted) was made meanwhile, on another node: the
    // caller has his character already.
    kCallerKnown,
};

// Fills the current record with the defaults and zero-fills the extra record.
void SetDefaultUser(Session& session);

// Start-up, first steps, under the lock AddUser takes: puts the three files in step (a record of
// users.dat cut short is cut off, records missing from user2.dat and users.idx are made, records
// past the last player are cut off, an index entry still marked deleted for a player who took
// that place is made again; each repair is logged), makes sure users.dat holds a record and
// counts the users.
void PrepareUserFiles(Session& session);
// Lets go of the start-up's copy of users.idx.
void ForgetIndexCopy(Session& session);
// Start-up, last steps: opens the shared handles. Ends the program with exit code 254 when
// rooms.dat or user2.dat cannot be opened.
void OpenUserFileHandles(Session& session);

// Places a new user in the three files and sets its number. Processes adding users at the same
// moment are serialised by a lock on users.dat, so each gets its own number. False, with the
// number set to 0 and nothing written, when the files hold their last player already.
//
// A player is added completely or not at all: user2.dat is written first, then users.dat (which
// makes the player), then users.idx. When a write fails, what was written is put back as it was
// (in the reverse order) before the run-time I/O stop. A process killed between the writes
// leaves either no player (a user2.dat record past the end, cut off by the next start) or a
// player whose index entry the next start makes again.
bool AddUser(Session& session, UserRecord& user);
// AddUser for a new character: the character name and the caller's name are checked again under
// the lock, so two callers taking the same name at the same moment cannot both have it, and one
// caller creating on two nodes at once gets one character.
AddResult AddNewCharacter(Session& session, UserRecord& user);
// Whether AddUser would find a number for one more player.
bool RoomForNewUser();

// Writes the record, the current extra record and the index entry at the user's place; each only
// when its bytes differ from what this session last wrote there. users.dat or user2.dat that
// cannot be opened or written is the run-time I/O stop.
void SaveUser(Session& session, UserRecord& user);
// SaveUser for a caller that puts things back before the stop: the run-time error code (0 when
// saved) and the file that failed.
struct SaveFailure {
    int code = 0;
    const char* path = "";
};
SaveFailure TrySaveUser(Session& session, UserRecord& user);
bool LoadUser(Session& session, std::uint16_t number);
// One pass over users.idx, names compared without regard to case in place.
bool FindUser(Session& session, UserRecord& user, bool include_deleted, bool by_name);

// Marks player `number` as playing on this session, and on its node, until it ends (a player
// held already stays held; another one held before is let go). False when a live session
// elsewhere holds him. When the system has no locks to give (a share without a lock service),
// the player is let in and the lack is logged.
bool HoldPlayer(Session& session, std::uint16_t number);

}  // namespace vorn

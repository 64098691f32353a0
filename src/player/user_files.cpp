#include "player/user_files.hpp"

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "common/file_calls.hpp"
#include "common/file_lock.hpp"
#include "common/io_check.hpp"
#include "common/news_files.hpp"
#include "common/night_file.hpp"
#include "common/player_text.hpp"
#include "common/world_records.hpp"
#include "core/session.hpp"

namespace vorn {

namespace {

std::uint16_t ClampCount(std::uint64_t n) {
    return static_cast<std::uint16_t>(n > 0xFFFF ? 0xFFFF : n);
}

std::string Count(std::uint64_t n, const char* what) {
    return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

// A name as the index compares names: the letters a to z as A to Z, every other byte as it is
// (UpperCase). Folded once, then matched against each entry in place.
class NameKey {
  public:
    explicit NameKey(std::string_view name) : size_(std::min(name.size(), kLongest)) {
        for (std::size_t i = 0; i < size_; ++i) folded_[i] = Fold(name[i]);
    }
    // From the last byte back: names that differ mostly differ at the end ("Player 17").
    bool matches(std::string_view name) const {
        if (name.size() != size_) return false;
        for (std::size_t i = size_; i-- > 0;) {
            if (Fold(name[i]) != folded_[i]) return false;
        }
        return true;
    }

  private:
    static unsigned char Fold(char c) {
        const auto b = static_cast<unsigned char>(c);
        return b >= 'a' && b <= 'z' ? static_cast<unsigned char>(b - ('a' - 'A')) : b;
    }
    static constexpr std::size_t kLongest = 255;
    std::size_t size_;
    std::array<unsigned char, kLongest> folded_{};
};

// Calls `visit(i, entry)` for the index entries from 0 below `limit` until it returns true. The
// index is read in large blocks into one buffer: a game may hold tens of thousands of players.
template <class Visit>
void ScanIndex(const RecordFile& index, std::uint64_t limit, Visit&& visit) {
    constexpr std::uint64_t kBlock = 4096;
    std::vector<UserIndexEntry> block(static_cast<std::size_t>(std::min(kBlock, limit)));
    for (std::uint64_t first = 0; first < limit; first += kBlock) {
        const std::uint64_t n = std::min(kBlock, limit - first);
        const long want = static_cast<long>(n * sizeof(UserIndexEntry));
        if (FullPread(index.fd(), block.data(), static_cast<std::size_t>(want),
                      static_cast<off_t>(first * sizeof(UserIndexEntry))) != want) {
            RuntimeIoError(kIoReadPastEnd, kUserIndexFile);
        }
        for (std::uint64_t i = 0; i < n; ++i) {
            if (visit(first + i, block[i])) return;
        }
    }
}

// Whether record `i` of users.dat is marked deleted: its deleted byte alone is read.
bool DeletedInUsers(const RecordFile& users, std::uint64_t i) {
    std::uint8_t deleted = 0;
    const off_t at = static_cast<off_t>(i * sizeof(UserRecord) + offsetof(UserRecord, deleted));
    if (FullPread(users.fd(), &deleted, 1, at) != 1) RuntimeIoError(kIoReadPastEnd, kUsersFile);
    return deleted != 0;
}

// The three player files, users.dat under its whole-file lock, which every change of the set of
// users takes. Closing users.dat ends the lock.
struct PlayerFiles {
    RecordFile users;
    RecordFile extra;
    RecordFile index;
};

// users.dat is created without truncating, since another node may be creating the file at the
// same moment; user2.dat and users.idx are created when missing and never emptied.
PlayerFiles OpenPlayerFilesLocked() {
    PlayerFiles f;
    if (!f.users.open_or_create(kUsersFile, sizeof(UserRecord))) {
        RuntimeIoError(kIoWriteError, kUsersFile);
    }
    LockWholeFile(f.users.fd(), LockKind::kExclusive);
    if (!f.extra.open_or_create(kUserExtraFile, sizeof(UserExtraRecord))) {
        RuntimeIoError(kIoWriteError, kUserExtraFile);
    }
    if (!f.index.open_or_create(kUserIndexFile, sizeof(UserIndexEntry))) {
        RuntimeIoError(kIoWriteError, kUserIndexFile);
    }
    return f;
}

// A record of users.dat cut short (an append that a crash or a full disk stopped) is cut off: the
// player it was to hold never had his other records.
void CutPartialUserRecord(Session& session, RecordFile& users) {
    const std::uint64_t rest = users.byte_size() % sizeof(UserRecord);
    if (rest == 0) return;
    if (!users.resize(users.record_count())) RuntimeIoError(kIoWriteError, kUsersFile);
    session.log("xusers.dat ended in a record cut short: its " + Count(rest, "byte") +
                " were cut off");
}

// Makes `file` hold exactly `want` records: missing ones are written by `make(i, bytes)` from
// the first missing one on (a process stopped on the way leaves whole records behind), records
// past `want` and a partial last record are cut off. What was repaired is logged.
void BringToCount(Session& session, RecordFile& file, std::uint64_t want,
                  const std::function<void(std::uint64_t, std::uint8_t*)>& make,
                  const char* missing_action) {
    const std::uint64_t bytes = file.byte_size();
    const std::size_t size = file.record_size();
    if (bytes == want * size) return;
    const std::uint64_t have = file.record_count();
    const std::string what = file.path() + " held " + Count(have, "record") +
                             (bytes % size != 0 ? " and a record cut short" : "") + " for " +
                             Count(want, "player") + ": ";
    if (have < want) {
        std::vector<std::uint8_t> record(size);
        for (std::uint64_t i = have; i < want; ++i) {
            std::fill(record.begin(), record.end(), 0);
            make(i, record.data());
            file.write_checked(i, record.data());
        }
        session.log("x" + what + Count(want - have, "record") + " " + missing_action);
    } else {
        if (!file.resize(want)) RuntimeIoError(kIoWriteError, file.path());
        session.log("x" + what +
                    (have > want
                         ? "the last " + Count(have - want, "record") + ", of nobody, cut off"
                         : "the part cut off"));
    }
}

// user2.dat and users.idx brought in step with users.dat, which counts the players.
void BringInStep(Session& session, PlayerFiles& f) {
    CutPartialUserRecord(session, f.users);
    const std::uint64_t count = f.users.record_count();
    BringToCount(
        session, f.extra, count,
        [](std::uint64_t i, std::uint8_t* bytes) {
            // As AddUser makes it: zeroed, with the player's number.
            const auto number = static_cast<std::uint16_t>(i < kMaxUsers ? i + 1 : 0);
            std::memcpy(bytes + offsetof(UserExtraRecord, number), &number, sizeof number);
        },
        "added, zeroed and numbered");
    BringToCount(
        session, f.index, count,
        [&f](std::uint64_t i, std::uint8_t* bytes) {
            UserRecord user;
            f.users.read_checked(i, &user);
            const UserIndexEntry entry = IndexEntryFor(user);
            std::memcpy(bytes, &entry, sizeof entry);
        },
        "made again from users.dat");
}

// A deleted player's place taken by a new one whose process stopped before his index entry was
// written: the entry still says deleted while users.dat holds the new player. The entry is made
// again from users.dat, so he can log on. Only the entries marked deleted are looked at. The
// pass over the index keeps what it read for the logon's search.
void MendReusedEntries(Session& session, PlayerFiles& f) {
    UserFiles& u = session.users;
    FileStamp stamp;
    const bool stamped = StampOf(f.index.fd(), stamp);
    const bool settled = stamped && SettledAtRead(stamp);
    const std::uint64_t count = std::min(f.index.record_count(), kMaxUsers);
    ForgetIndexCopy(session);
    bool mended = false;
    // Entry i, made again when it needs it.
    const auto mend = [&](std::uint64_t i, UserIndexEntry& e) {
        if (!e.deleted || DeletedInUsers(f.users, i)) return;
        UserRecord user;
        f.users.read_checked(i, &user);
        e = IndexEntryFor(user);
        f.index.write_checked(i, &e);
        session.log("xusers.idx entry " + std::to_string(i + 1) + " was marked deleted, but " +
                    user.name.str() + " plays there: the entry is made again from users.dat");
        mended = true;
    };
    UserFiles::IndexCopy& copy = u.index_copy;
    if (!copy.allocate(static_cast<std::size_t>(count))) {
        // No room for a copy: the logon reads the index again.
        ScanIndex(f.index, count, [&](std::uint64_t i, const UserIndexEntry& e) {
            UserIndexEntry entry = e;
            mend(i, entry);
            return false;
        });
        return;
    }
    const long want = static_cast<long>(count * sizeof(UserIndexEntry));
    if (FullPread(f.index.fd(), copy.entries, static_cast<std::size_t>(want), 0) != want) {
        RuntimeIoError(kIoReadPastEnd, kUserIndexFile);
    }
    for (std::size_t i = 0; i < copy.count; ++i) mend(i, copy.entries[i]);
    u.index_stamp = stamp;
    u.index_copy_good = settled && !mended;
    if (!u.index_copy_good) ForgetIndexCopy(session);
}

// Whether the start-up's copy of users.idx is the file as it stands: one stat.
bool IndexCopyCurrent(const UserFiles& u) {
    FileStamp now;
    return u.index_copy_good && StampOfPath(kUserIndexFile, now) && now == u.index_stamp;
}

// Where a new user goes in users.dat: the first deleted record that is not the last one, else
// the end of the file; nothing when that lies past the last user number. The index carries the
// deleted mark of every record (every write of a record writes its entry), so it is searched
// instead of users.dat, and a mark found there is confirmed in users.dat. With a `checked` user,
// the same pass looks for a player of his character name (deleted ones too), as character
// creation does, and for a player of his caller's name (not deleted), as the logon does.
struct Placement {
    std::optional<std::uint64_t> position;
    bool name_taken = false;
    bool caller_known = false;
};

Placement PlaceNewUser(const RecordFile& users, const RecordFile& index,
                       const UserRecord* checked) {
    Placement p;
    const std::uint64_t count = users.record_count();
    // Records past the last number are never reused: no user number reaches them. The last
    // record is never reused, even when it is marked deleted.
    const std::uint64_t reusable = std::min(count == 0 ? 0 : count - 1, kMaxUsers);
    const std::uint64_t searched = std::min(index.record_count(), kMaxUsers);
    std::optional<std::uint64_t> reused;
    const NameKey name(checked ? checked->name.view() : "");
    const NameKey caller(checked ? checked->real_name.view() : "");
    ScanIndex(index, checked ? searched : std::min(reusable, searched),
              [&](std::uint64_t i, const UserIndexEntry& e) {
                  if (checked) {
                      p.name_taken = name.matches(e.name.view());
                      p.caller_known = !e.deleted && caller.matches(e.real_name.view());
                      if (p.name_taken || p.caller_known) return true;
                  }
                  if (!reused && e.deleted && i < reusable && DeletedInUsers(users, i)) reused = i;
                  return reused && !checked;
              });
    if (reused) {
        p.position = reused;
    } else if (count < kMaxUsers) {
        p.position = count;
    }
    return p;
}

// A record of one of the three files as it was before an add, put back when the add cannot be
// completed.
class Undo {
  public:
    Undo(RecordFile& file, std::uint64_t index) : file_(file), index_(index) {
        size_ = file.byte_size();
        if ((index + 1) * file.record_size() <= size_) {
            old_.resize(file.record_size());
            file.read_checked(index, old_.data());
        }
    }
    void restore() {
        if (!old_.empty()) file_.write(index_, old_.data());
        if (file_.byte_size() != size_) {
            sys::Truncate(file_.fd(), static_cast<off_t>(size_));
        }
    }

  private:
    RecordFile& file_;
    std::uint64_t index_;
    std::uint64_t size_ = 0;
    std::vector<std::uint8_t> old_;
};

// AddUser with the files open and users.dat locked: the record and its two parallel records.
AddResult AddUserLocked(Session& session, PlayerFiles& f, UserRecord& user, bool check_name) {
    UserFiles& u = session.users;
    BringInStep(session, f);
    const Placement place = PlaceNewUser(f.users, f.index, check_name ? &user : nullptr);
    if (place.name_taken || place.caller_known) {
        user.number = 0;
        return place.name_taken ? AddResult::kNameTaken : AddResult::kCallerKnown;
    }
    if (!place.position) {
        user.number = 0;
        return AddResult::kFull;
    }
    const std::uint64_t at = *place.position;
    user.number = static_cast<std::uint16_t>(at + 1);
    // A new player is owed no night from before he came.
    user.night_paid = CurrentNight();
    std::memset(&u.extra, 0, sizeof u.extra);
    u.extra.number = user.number;
    const UserIndexEntry entry = IndexEntryFor(user);

    // user2.dat first: a process stopped after it leaves a record of nobody past the end (cut off
    // at the next start) or a zeroed record of a deleted player. users.dat makes the player;
    // his index entry is then made again by the next start when the process stops before it.
    Undo extra_undo(f.extra, at), users_undo(f.users, at), index_undo(f.index, at);
    const auto fail = [&](int written, const char* path) {
        if (written > 2) index_undo.restore();
        if (written > 1) users_undo.restore();
        extra_undo.restore();
        RuntimeIoError(kIoWriteError, path);
    };
    if (!f.extra.write(at, &u.extra)) fail(1, kUserExtraFile);
    if (!f.users.write(at, &user)) fail(2, kUsersFile);
    if (!f.index.write(at, &entry)) fail(3, kUserIndexFile);
    u.user_count = ClampCount(f.users.record_count());
    return AddResult::kAdded;
}

AddResult AddUserChecked(Session& session, UserRecord& user, bool check_name) {
    PlayerFiles files = OpenPlayerFilesLocked();
    const AddResult result = AddUserLocked(session, files, user, check_name);
    files.users.close();
    if (result != AddResult::kAdded) return result;

    if (user.name.view() != "Joe") {
        if (!AddNews(KeepOnlyColourCodes(user.name.str()) + " name has been heard lately!",
                     "global", session.clock)) {
            RuntimeIoError(kIoWriteError, NewsFileName("global"));
        }
    }
    return result;
}

}  // namespace

void SetDefaultUser(Session& session) {
    session.users.current = DefaultUserRecord();
    std::memset(&session.users.extra, 0, sizeof session.users.extra);
}

bool AddUser(Session& session, UserRecord& user) {
    return AddUserChecked(session, user, false) == AddResult::kAdded;
}

AddResult AddNewCharacter(Session& session, UserRecord& user) {
    return AddUserChecked(session, user, true);
}

bool RoomForNewUser() {
    RecordFile users;
    if (!users.open(kUsersFile, sizeof(UserRecord), RecordFile::Access::kRead)) return true;
    if (users.record_count() < kMaxUsers) return true;
    RecordFile index;
    if (!index.open(kUserIndexFile, sizeof(UserIndexEntry), RecordFile::Access::kRead)) {
        return false;
    }
    return PlaceNewUser(users, index, nullptr).position.has_value();
}

SaveFailure TrySaveUser(Session& session, UserRecord& user) {
    if (user.number == 0) return {};
    UserFiles::Saved& saved = session.users.saved;
    if (saved.number != user.number) {
        saved.user_known = saved.extra_known = saved.entry_known = false;
        saved.number = user.number;
    }
    const UserIndexEntry entry = IndexEntryFor(user);
    const std::uint64_t at = user.number - 1u;

    if (!saved.user_known || std::memcmp(&saved.user, &user, sizeof user) != 0) {
        // The handle of an earlier save, unless users.dat has been removed or replaced since;
        // where the file watch runs, it says when the file must be looked at.
        FileWatch& watch = session.watch;
        if (saved.users.is_open() &&
            !watch.unchanged(saved.users_watch, session.clock.monotonic_ms())) {
            struct stat st {};
            if (::fstat(saved.users.fd(), &st) != 0 || st.st_nlink == 0) {
                watch.drop(saved.users_watch);
                saved.users_watch = -1;
                saved.users.close();
            } else {
                watch.settle(saved.users_watch);
            }
        }
        if (!saved.users.is_open()) {
            if (!saved.users.open(kUsersFile, sizeof(UserRecord), RecordFile::Access::kReadWrite)) {
                // The player has his records already: a users.dat that cannot be opened is an
                // I/O error, never a reason to add him again.
                return {kIoFileNotOpen, kUsersFile};
            }
            saved.users_watch =
                watch.add(saved.users.fd(), IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF);
        }
        if (!WriteUserRecord(saved.users, at, user)) return {kIoWriteError, kUsersFile};
        saved.user = user;
        saved.user_known = true;
    }

    const UserExtraRecord& extra = session.users.extra;
    if (!saved.extra_known || std::memcmp(&saved.extra, &extra, sizeof extra) != 0) {
        RecordFile file;
        if (!file.open(kUserExtraFile, sizeof(UserExtraRecord), RecordFile::Access::kReadWrite)) {
            return {kIoFileNotOpen, kUserExtraFile};
        }
        if (!file.write(at, &extra)) return {kIoWriteError, kUserExtraFile};
        saved.extra = extra;
        saved.extra_known = true;
    }

    if (!saved.entry_known || std::memcmp(&saved.entry, &entry, sizeof entry) != 0) {
        RecordFile index;
        if (index.open(kUserIndexFile, sizeof(UserIndexEntry), RecordFile::Access::kReadWrite)) {
            if (!index.write(at, &entry)) return {kIoWriteError, kUserIndexFile};
            saved.entry = entry;
            saved.entry_known = true;
        }
    }
    return {};
}

void SaveUser(Session& session, UserRecord& user) {
    const SaveFailure failure = TrySaveUser(session, user);
    if (failure.code != 0) RuntimeIoError(failure.code, failure.path);
}

bool LoadUser(Session& session, std::uint16_t number) {
    if (number == 0) return false;
    UserFiles& u = session.users;
    u.users_read.read_checked(number - 1u, &u.current);
    // The player is the one at his place, whatever number a damaged record carries (a bad copy, a
    // hand edit): loaded again by that number he would be read past the end of the file, or be
    // somebody else, and saved over another place. His next save writes his place's number.
    if (u.current.number != number) {
        session.log("xusers.dat player " + std::to_string(number) + " (" + u.current.name.str() +
                    ") carried number " + std::to_string(u.current.number) +
                    ": given the number of his place");
        u.current.number = number;
    }
    // While users.idx is as the start-up read it, the player's entry there is known: the first
    // save writes it only when it changed, as every later one does.
    if (number <= u.index_copy.count && IndexCopyCurrent(u)) {
        if (u.saved.number != number) {
            u.saved.user_known = u.saved.extra_known = false;
            u.saved.number = number;
        }
        u.saved.entry = u.index_copy.entries[number - 1u];
        u.saved.entry_known = true;
    }
    return u.extra_read.read(number - 1u, &u.extra);
}

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

}  // namespace

bool UserFiles::IndexCopy::allocate(std::size_t wanted) {
    release();
    if (wanted == 0) return true;
    const std::size_t need = wanted * sizeof(UserIndexEntry);
    if (need < kHugePage) {
        // A small copy from the heap, whose pages a process has at hand.
        entries = static_cast<UserIndexEntry*>(std::malloc(need));
        count = entries == nullptr ? 0 : wanted;
        return entries != nullptr;
    }
    // A larger copy on huge pages where the system gives them, put in place at once.
    bytes = (need + kHugePage - 1) / kHugePage * kHugePage;
    void* at = ::mmap(nullptr, bytes + kHugePage, PROT_READ | PROT_WRITE,
                      MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (at == MAP_FAILED) return false;
    const auto start = reinterpret_cast<std::uintptr_t>(at);
    const std::uintptr_t aligned = (start + kHugePage - 1) / kHugePage * kHugePage;
    if (aligned > start) ::munmap(at, aligned - start);
    ::munmap(reinterpret_cast<void*>(aligned + bytes), start + kHugePage - aligned);
    mapping = reinterpret_cast<void*>(aligned);
    ::madvise(mapping, bytes, MADV_HUGEPAGE);
    ::madvise(mapping, bytes, MADV_POPULATE_WRITE);
    entries = static_cast<UserIndexEntry*>(mapping);
    count = wanted;
    return true;
}

void UserFiles::IndexCopy::release() {
    if (mapping != nullptr) {
        ::munmap(mapping, bytes);
    } else {
        std::free(entries);
    }
    mapping = nullptr;
    entries = nullptr;
    count = 0;
    bytes = 0;
}

void ForgetIndexCopy(Session& session) {
    UserFiles& u = session.users;
    u.index_copy_good = false;
    u.index_copy.release();
}

bool FindUser(Session& session, UserRecord& user, bool include_deleted, bool by_name) {
    const NameKey key(by_name ? user.name.view() : user.real_name.view());
    const auto visit = [&](std::uint64_t i, const UserIndexEntry& e) {
        if (!key.matches(by_name ? e.name.view() : e.real_name.view())) return false;
        if (e.deleted && !include_deleted) return false;
        user.number = static_cast<std::uint16_t>(i + 1);
        return true;
    };
    std::uint64_t count = 0;
    UserFiles& u = session.users;
    if (IndexCopyCurrent(u)) {
        // users.idx as the start-up read it: no second pass over the file.
        user.number = 0;
        count = u.index_copy.count;
        for (std::size_t i = 0; i < u.index_copy.count; ++i) {
            if (visit(i, u.index_copy.entries[i])) break;
        }
    } else {
        RecordFile index;
        if (!index.open(kUserIndexFile, sizeof(UserIndexEntry), RecordFile::Access::kRead)) {
            return false;
        }
        user.number = 0;
        count = index.record_count();
        // Entries past the last user number belong to nobody.
        ScanIndex(index, std::min(count, kMaxUsers), visit);
    }
    session.users.user_count = ClampCount(count);
    if (user.number == 0) return false;
    session.users.current.number = user.number;
    return true;
}

bool HoldPlayer(Session& session, std::uint16_t number) {
    UserFiles& u = session.users;
    if (u.held_player == number && u.player_hold.is_open()) return true;
    u.player_hold.close();
    u.held_player = 0;
    RecordFile hold;
    if (!hold.open(kUserIndexFile, sizeof(UserIndexEntry), RecordFile::Access::kReadWrite)) {
        RuntimeIoError(kIoFileNotOpen, kUserIndexFile);
    }
    if (!TryLockRange(hold.fd(), LockKind::kExclusive, static_cast<off_t>(kPlayerLockBase + number),
                      1)) {
        if (errno == EAGAIN || errno == EACCES) return false;
        session.log(std::string("xPlayers in play cannot be told apart: no lock on users.idx (") +
                    std::strerror(errno) + ")");
    } else {
        TryLockRange(hold.fd(), LockKind::kExclusive,
                     static_cast<off_t>(PlayerNodeLockByte(number, session.nodes.number)), 1);
    }
    u.player_hold = std::move(hold);
    u.held_player = number;
    return true;
}

// Under the lock AddUser takes: nodes starting at the same moment in a new game directory wait
// for the one that writes the placeholder, instead of finding the files half made (and cutting
// the placeholder off again, or missing user2.dat).
void PrepareUserFiles(Session& session) {
    UserFiles& u = session.users;
    const bool existed = ::access(kUsersFile, F_OK) == 0;
    PlayerFiles files = OpenPlayerFilesLocked();
    CutPartialUserRecord(session, files.users);
    if (files.users.record_count() == 0) {
        // No first record: a new game, or a first start cut short.
        if (existed) session.log("xusers.dat held no player: the placeholder is written again");
        SetDefaultUser(session);
        AddUserLocked(session, files, u.current, false);
    } else {
        files.users.read_checked(0, &u.current);
        BringInStep(session, files);
        MendReusedEntries(session, files);
    }
    u.user_count = ClampCount(files.users.record_count());
}

void OpenUserFileHandles(Session& session) {
    UserFiles& u = session.users;
    if (!session.world.rooms.open(kRoomsFile, sizeof(RoomRecord), RecordFile::Access::kReadWrite))
        session.exit(254);
    if (!u.users_read.open(kUsersFile, sizeof(UserRecord), RecordFile::Access::kRead)) {
        RuntimeIoError(kIoFileNotOpen, kUsersFile);
    }
    if (!u.extra_read.open(kUserExtraFile, sizeof(UserExtraRecord), RecordFile::Access::kRead)) {
        session.exit(254);
    }
}

}  // namespace vorn

#include "player/user_files.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <optional>
#include <vector>

#include "common/file_locks.hpp"
#include "common/io_check.hpp"
#include "common/news_files.hpp"
#include "common/night_file.hpp"
#include "common/player_text.hpp"
#include "common/text_case.hpp"
#include "common/world_records.hpp"
#include "core/session.hpp"

namespace vorn {

namespace {

std::uint16_t ClampCount(std::uint64_t n) {
    return static_cast<std::uint16_t>(n > 0xFFFF ? 0xFFFF : n);
}

// Writes a record of a parallel file at the user's position, creating the file when missing.
void WriteParallel(const char* path, std::size_t size, std::uint16_t number, const void* record) {
    RecordFile f;
    if (!f.open(path, size, RecordFile::Access::kReadWrite) && !f.create(path, size)) {
        RuntimeIoError(kIoWriteError, path);
    }
    f.write_checked(number - 1u, record);
}

// Where a new user goes in users.dat: the first deleted record that is not the last one, else
// the end of the file. Nothing when that lies past the last user number.
std::optional<std::uint64_t> NewUserPosition(RecordFile& users) {
    const std::uint64_t count = users.record_count();
    // Records past the last number are never reused: no user number reaches them.
    const std::uint64_t reusable = std::min(count, kMaxUsers);
    for (std::uint64_t i = 0; i < reusable; ++i) {
        UserRecord r;
        users.read_checked(i, &r);
        // The last record is never reused, even when it is marked deleted.
        if (r.deleted && i + 1 < count) return i;
    }
    if (count >= kMaxUsers) return std::nullopt;
    return count;
}

// users.dat opened for reading and writing under its whole-file lock, which every change of
// the set of users takes; created without truncating, since another node may be creating the
// file at the same moment. Closing the file ends the lock.
RecordFile OpenUsersLocked() {
    const int fd = ::open(kUsersFile, O_RDWR | O_CREAT | O_CLOEXEC, 0664);
    if (fd < 0) RuntimeIoError(kIoWriteError, kUsersFile);
    ::close(fd);
    RecordFile users;
    if (!users.open(kUsersFile, sizeof(UserRecord), RecordFile::Access::kReadWrite)) {
        RuntimeIoError(kIoWriteError, kUsersFile);
    }
    LockWholeFile(users.fd(), F_WRLCK);
    return users;
}

// AddUser with users.dat already open and locked: the record and its two parallel records.
bool AddUserLocked(Session& session, RecordFile& users, UserRecord& user) {
    UserFiles& u = session.users;
    const std::optional<std::uint64_t> position = NewUserPosition(users);
    if (!position) {
        user.number = 0;
        return false;
    }
    user.number = static_cast<std::uint16_t>(*position + 1);
    // A new player is owed no night from before he came.
    user.night_paid = CurrentNight();
    users.write_checked(*position, &user);
    u.user_count = ClampCount(users.record_count());

    std::memset(&u.extra, 0, sizeof u.extra);
    u.extra.number = user.number;
    WriteParallel(kUserExtraFile, sizeof(UserExtraRecord), user.number, &u.extra);
    const UserIndexEntry entry = IndexEntryFor(user);
    WriteParallel(kUserIndexFile, sizeof(UserIndexEntry), user.number, &entry);
    return true;
}

}  // namespace

void SetDefaultUser(Session& session) {
    session.users.current = DefaultUserRecord();
    std::memset(&session.users.extra, 0, sizeof session.users.extra);
}

bool AddUser(Session& session, UserRecord& user) {
    RecordFile users = OpenUsersLocked();
    const bool added = AddUserLocked(session, users, user);
    users.close();
    if (!added) return false;

    if (user.name.view() != "Joe") {
        if (!AddNews(KeepOnlyColourCodes(user.name.str()) + " name has been heard lately!",
                     "global", session.clock)) {
            RuntimeIoError(kIoWriteError, NewsFileName("global"));
        }
    }
    return true;
}

bool RoomForNewUser() {
    RecordFile users;
    if (!users.open(kUsersFile, sizeof(UserRecord), RecordFile::Access::kRead)) return true;
    return users.record_count() < kMaxUsers || NewUserPosition(users).has_value();
}

void SaveUser(Session& session, UserRecord& user) {
    if (user.number == 0) return;
    UserFiles::Saved& saved = session.users.saved;
    if (saved.number != user.number) {
        saved.user_known = saved.extra_known = saved.entry_known = false;
        saved.number = user.number;
    }
    const UserIndexEntry entry = IndexEntryFor(user);
    const std::uint64_t at = user.number - 1u;

    if (!saved.user_known || std::memcmp(&saved.user, &user, sizeof user) != 0) {
        // The handle of an earlier save, unless users.dat has been removed or replaced since.
        struct stat st {};
        if (saved.users.is_open() && (::fstat(saved.users.fd(), &st) != 0 || st.st_nlink == 0)) {
            saved.users.close();
        }
        if (!saved.users.is_open() &&
            !saved.users.open(kUsersFile, sizeof(UserRecord), RecordFile::Access::kReadWrite)) {
            saved.user_known = saved.extra_known = saved.entry_known = false;
            AddUser(session, user);
            return;
        }
        if (!WriteUserRecord(saved.users, at, user)) RuntimeIoError(kIoWriteError, kUsersFile);
        saved.user = user;
        saved.user_known = true;
    }

    const UserExtraRecord& extra = session.users.extra;
    if (!saved.extra_known || std::memcmp(&saved.extra, &extra, sizeof extra) != 0) {
        RecordFile file;
        if (!file.open(kUserExtraFile, sizeof(UserExtraRecord), RecordFile::Access::kReadWrite)) {
            RuntimeIoError(kIoFileNotOpen, kUserExtraFile);
        }
        file.write_checked(at, &extra);
        saved.extra = extra;
        saved.extra_known = true;
    }

    if (!saved.entry_known || std::memcmp(&saved.entry, &entry, sizeof entry) != 0) {
        RecordFile index;
        if (index.open(kUserIndexFile, sizeof(UserIndexEntry), RecordFile::Access::kReadWrite)) {
            index.write_checked(at, &entry);
            saved.entry = entry;
            saved.entry_known = true;
        }
    }
}

bool LoadUser(Session& session, std::uint16_t number) {
    if (number == 0) return false;
    UserFiles& u = session.users;
    u.users_read.read_checked(number - 1u, &u.current);
    return u.extra_read.read(number - 1u, &u.extra);
}

bool FindUser(Session& session, UserRecord& user, bool include_deleted, bool by_name) {
    RecordFile index;
    if (!index.open(kUserIndexFile, sizeof(UserIndexEntry), RecordFile::Access::kRead)) {
        return false;
    }
    const std::string key = UpperCase(by_name ? user.name.view() : user.real_name.view());
    user.number = 0;
    const std::uint64_t count = index.record_count();
    // Entries past the last user number belong to nobody.
    const std::uint64_t searched = std::min(count, kMaxUsers);
    // The index is scanned in large blocks: a game may hold tens of thousands of players.
    constexpr std::uint64_t kBlock = 1024;
    std::vector<UserIndexEntry> block(kBlock);
    for (std::uint64_t first = 0; first < searched && user.number == 0; first += kBlock) {
        const std::uint64_t n = std::min(kBlock, searched - first);
        const long got = ::pread(index.fd(), block.data(), n * sizeof(UserIndexEntry),
                                 static_cast<off_t>(first * sizeof(UserIndexEntry)));
        if (got != static_cast<long>(n * sizeof(UserIndexEntry))) {
            RuntimeIoError(kIoReadPastEnd, kUserIndexFile);
        }
        for (std::uint64_t i = 0; i < n; ++i) {
            const UserIndexEntry& e = block[i];
            if (UpperCase(by_name ? e.name.view() : e.real_name.view()) != key) continue;
            if (e.deleted && !include_deleted) continue;
            user.number = static_cast<std::uint16_t>(first + i + 1);
            break;
        }
    }
    session.users.user_count = ClampCount(count);
    if (user.number == 0) return false;
    session.users.current.number = user.number;
    return true;
}

// Under the lock AddUser takes: nodes starting at the same moment in a new game directory wait
// for the one that writes the placeholder, instead of finding the files half made (and cutting
// the placeholder off again, or missing user2.dat).
void PrepareUserFiles(Session& session) {
    UserFiles& u = session.users;
    RecordFile users = OpenUsersLocked();
    if (!users.read(0, &u.current)) {
        // No first record: a new game, or what is left of users.dat is started again.
        if (::ftruncate(users.fd(), 0) != 0) RuntimeIoError(kIoWriteError, kUsersFile);
        SetDefaultUser(session);
        AddUserLocked(session, users, u.current);
    }
    u.user_count = ClampCount(users.record_count());
}

void OpenUserFileHandles(Session& session) {
    UserFiles& u = session.users;
    if (!u.rooms.open(kRoomsFile, sizeof(RoomRecord), RecordFile::Access::kReadWrite))
        session.exit(254);
    if (!u.users_read.open(kUsersFile, sizeof(UserRecord), RecordFile::Access::kRead)) {
        AddUser(session, u.current);
        u.users_read.open(kUsersFile, sizeof(UserRecord), RecordFile::Access::kRead);
    }
    if (!u.extra_read.open(kUserExtraFile, sizeof(UserExtraRecord), RecordFile::Access::kRead)) {
        session.exit(254);
    }
}

}  // namespace vorn

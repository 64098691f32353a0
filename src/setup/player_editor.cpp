#include "setup/player_editor.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "common/city_records.hpp"
#include "common/directories.hpp"
#include "common/file_lock.hpp"
#include "common/player_locks.hpp"
#include "common/record_file.hpp"
#include "common/system_log.hpp"
#include "setup/field_table.hpp"

namespace vorn {

namespace {

using Outcome = PlayerEdit::Outcome;

constexpr const char* kLogDirectory = "./logs/";

std::string Who(const UserRecord& user, std::uint16_t number) {
    return user.name.str() + " (" + std::to_string(number) + ")";
}

// The first player but `self` whose index entry `match` takes; 0 when there is none.
template <class Match>
std::uint16_t FirstOther(const RecordFile& index, std::uint16_t self, Match&& match) {
    const std::uint64_t count = std::min(index.record_count(), kMaxUsers);
    UserIndexEntry entry;
    for (std::uint64_t i = 0; i < count && index.read_record(i, entry); ++i) {
        if (i + 1 != self && match(entry)) return static_cast<std::uint16_t>(i + 1);
    }
    return 0;
}

// Why the changed player would stand in another's way; empty when he would not. A character name
// belongs to one player, deleted or not, as character creation keeps it; a caller's name leads
// the logon to the first player of it not deleted, so two would hide one of them.
std::string Clash(const RecordFile& index, std::uint16_t self, const UserRecord& before,
                  const UserRecord& after) {
    const bool back = before.deleted && !after.deleted;
    const bool renamed = after.name.view() != before.name.view();
    if (renamed || back) {
        const std::uint16_t other = FirstOther(index, self, [&](const UserIndexEntry& e) {
            return (renamed || !e.deleted) && SameUserName(e.name.view(), after.name.view());
        });
        if (other != 0) {
            return "the name " + after.name.str() + " is player " + std::to_string(other) + "'s";
        }
    }
    if (!after.deleted && (back || after.real_name.view() != before.real_name.view())) {
        const std::uint16_t other = FirstOther(index, self, [&](const UserIndexEntry& e) {
            return !e.deleted && SameUserName(e.real_name.view(), after.real_name.view());
        });
        if (other != 0) {
            return "the caller " + after.real_name.str() + " has player " + std::to_string(other) +
                   " already";
        }
    }
    return {};
}

// The cities a renamed player founded carry his new name, or the city would no longer know
// him as its founder. Returns how many were renamed.
int RenameFounder(std::uint16_t number, std::string_view old_name, std::string_view new_name) {
    RecordFile cities;
    if (!cities.open(kCitiesFile, sizeof(CityRecord), RecordFile::Access::kReadWrite)) return 0;
    int renamed = 0;
    CityRecord city;
    for (std::uint64_t i = 0; cities.read_record(i, city); ++i) {
        if (city.founder_number != number || !SameUserName(city.founder.view(), old_name)) continue;
        city.founder = new_name;
        if (cities.write_record(i, city)) ++renamed;
    }
    return renamed;
}

PlayerEdit Failed(const std::string& what) {
    return {Outcome::kWriteFailed, what + " (" + std::strerror(errno) + "); nothing changed"};
}

}  // namespace

std::uint64_t PlayerCount() {
    RecordFile users;
    if (!users.open(kUsersFile, sizeof(UserRecord), RecordFile::Access::kRead)) return 0;
    return std::min(users.record_count(), kMaxUsers);
}

std::uint16_t FindPlayer(std::string_view number_or_name) {
    const std::uint64_t count = PlayerCount();
    if (!number_or_name.empty() &&
        number_or_name.find_first_not_of("0123456789") == std::string_view::npos) {
        const std::optional<long long> number = ParseWholeNumber(number_or_name);
        return number && *number >= 1 && static_cast<std::uint64_t>(*number) <= count
                   ? static_cast<std::uint16_t>(*number)
                   : 0;
    }
    RecordFile index;
    if (!index.open(kUserIndexFile, sizeof(UserIndexEntry), RecordFile::Access::kRead)) return 0;
    const auto named = [&](bool deleted) {
        return FirstOther(index, 0, [&](const UserIndexEntry& e) {
            return bool(e.deleted) == deleted && SameUserName(e.name.view(), number_or_name);
        });
    };
    const std::uint16_t found = named(false);
    return found != 0 ? found : named(true);
}

bool ReadPlayer(std::uint16_t number, UserRecord& user) {
    RecordFile users;
    return number != 0 && users.open(kUsersFile, sizeof(UserRecord), RecordFile::Access::kRead) &&
           users.read_record(number - 1u, user);
}

std::optional<int> PlayingNode(std::uint16_t number) {
    const PlayerLocks locks;
    if (!locks.held(number)) return std::nullopt;
    return locks.node_of(number);
}

std::string PlayingText(std::string_view name, int node) {
    return std::string(name) + " is playing" +
           (node >= 0 ? " on node " + std::to_string(node) : std::string());
}

PlayerEdit SetPlayerField(Clock& clock, std::uint16_t number, const PlayerField& field,
                          std::string_view typed) {
    if (number == 0 || number > PlayerCount()) return {Outcome::kRefused, "no such player"};
    RecordFile users;
    RecordFile index;
    if (!users.open(kUsersFile, sizeof(UserRecord), RecordFile::Access::kReadWrite)) {
        return Failed(std::string(kUsersFile) + " cannot be written");
    }
    if (!index.open(kUserIndexFile, sizeof(UserIndexEntry), RecordFile::Access::kReadWrite)) {
        return Failed(std::string(kUserIndexFile) + " cannot be written");
    }
    if (index.record_count() < number) {
        return {Outcome::kWriteFailed,
                "users.idx is out of step with users.dat (checkgame --repair mends it); nothing "
                "changed"};
    }
    // A new name or mark is judged against the index under the lock that adding a player takes,
    // so a character made at the same moment cannot take the same name or place. The locks go
    // with the files.
    const std::uint64_t at = (number - 1u) * sizeof(UserRecord);
    const bool names = field.kind == PlayerFieldKind::kName ||
                       field.kind == PlayerFieldKind::kCallerName ||
                       field.kind == PlayerFieldKind::kDeleted;
    if (names ? !LockWholeFile(users.fd(), LockKind::kExclusive)
              : !LockRange(users.fd(), LockKind::kExclusive, static_cast<off_t>(at),
                           sizeof(UserRecord))) {
        return Failed(std::string(kUsersFile) + " cannot be locked");
    }
    // Without locks on the system (a share without a lock service) nobody can be told apart in
    // play, and the game lets everybody in; so does the editor.
    const bool held_elsewhere = !TryLockRange(index.fd(), LockKind::kExclusive,
                                              static_cast<off_t>(kPlayerLockBase + number), 1) &&
                                (errno == EAGAIN || errno == EACCES);
    UserRecord user;
    UserIndexEntry old_entry;
    if (!users.read_record(number - 1u, user) || !index.read_record(number - 1u, old_entry)) {
        return {Outcome::kWriteFailed,
                "player " + std::to_string(number) + " cannot be read; nothing changed"};
    }
    if (held_elsewhere) {
        return {Outcome::kPlaying, PlayingText(user.name.view(), PlayingNode(number).value_or(-1))};
    }

    const UserRecord before = user;
    const std::string who = Who(before, number);
    std::string error;
    if (!SetPlayerFieldValue(field, user, typed, error)) {
        return {Outcome::kRefused, who + ": " + std::string(field.name) + ": " + error};
    }
    const std::string old_value = PlayerFieldText(field, before);
    const std::string new_value = PlayerFieldText(field, user);
    if (std::memcmp(&before, &user, sizeof user) == 0) {
        return {Outcome::kDone,
                who + ": " + std::string(field.name) + " is " + new_value + " already"};
    }
    const UserIndexEntry entry = IndexEntryFor(user);
    const bool entry_changes = !SameIndexEntry(entry, IndexEntryFor(before));
    if (entry_changes) {
        const std::string clash = Clash(index, number, before, user);
        if (!clash.empty()) return {Outcome::kRefused, who + ": " + clash};
    }

    // A deleted mark goes into the index first and the record after it; everything else the
    // other way round. A stop between the two leaves an index entry marked deleted for a player
    // who is not, and the next start of a game makes it again from users.dat: the player as he
    // was before a delete, as he is after an undelete.
    const std::uint64_t place = number - 1u;
    const bool index_first = user.deleted && !before.deleted;
    if (index_first && !index.write_record(place, entry)) {
        return Failed(std::string(kUserIndexFile) + " cannot be written");
    }
    if (!users.write_record(place, user)) {
        const PlayerEdit failed = Failed(std::string(kUsersFile) + " cannot be written");
        if (index_first) index.write_record(place, old_entry);
        return failed;
    }
    if (!index_first && entry_changes && !index.write_record(place, entry)) {
        const PlayerEdit failed = Failed(std::string(kUserIndexFile) + " cannot be written");
        users.write_record(place, before);
        return failed;
    }

    std::string done = who + ": " + std::string(field.name) + " " + old_value + " -> " + new_value;
    if (field.kind == PlayerFieldKind::kName) {
        const int cities = RenameFounder(number, before.name.view(), user.name.view());
        if (cities > 0) {
            done += ", founder of " + std::to_string(cities) + (cities == 1 ? " city" : " cities");
        }
    }
    if (!DirectoryExists("logs")) CreateDirectoryPath("logs");
    WriteSystemLog({kLogDirectory, false, 0}, clock, "*Player editor: " + done);
    return {Outcome::kDone, done};
}

PlayerEdit DeletePlayer(Clock& clock, std::uint16_t number) {
    return SetPlayerField(clock, number, *FindPlayerField("deleted"), "yes");
}

PlayerEdit UndeletePlayer(Clock& clock, std::uint16_t number) {
    return SetPlayerField(clock, number, *FindPlayerField("deleted"), "no");
}

}  // namespace vorn

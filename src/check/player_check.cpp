// The three player files: users.dat counts the players, user2.dat and users.idx follow it record
// for record; each player's number is his place; index entries repeat their player's names; a
// name is taken once; the numbers in a record name weapons, armour, items, rooms and cities that
// exist.
#include <algorithm>
#include <cstring>
#include <map>

#include "check/check_context.hpp"
#include "common/record_file.hpp"
#include "common/text_case.hpp"
#include "common/user_records.hpp"
#include "common/world_records.hpp"

namespace vorn::check {

namespace {

// user2.dat is read only as far as the game interprets it.
constexpr std::size_t kExtraHead = offsetof(UserExtraRecord, reserved_403);

std::string Player(std::uint64_t index, const UserRecord& u) {
    return "player " + std::to_string(index + 1) + " (" + u.name.str() + ")";
}

bool Damaged(const UserRecord& u) {
    return u.name.length > u.name.capacity || u.real_name.length > u.real_name.capacity;
}

// The index entry of player `index` as users.dat names him: how users.idx is mended.
std::function<void(std::uint64_t, std::vector<std::uint8_t>&)> EntryFromUsers(
    const std::string& users_path) {
    return [users_path](std::uint64_t index, std::vector<std::uint8_t>& bytes) {
        RecordFile users;
        UserRecord u;
        if (!users.open(users_path, sizeof u, RecordFile::Access::kRead) ||
            !users.read_record(index, u)) {
            return;
        }
        const UserIndexEntry e = IndexEntryFor(u);
        std::memcpy(bytes.data(), &e, sizeof e);
    };
}

void NumberExtraRecord(std::uint64_t index, std::vector<std::uint8_t>& bytes) {
    const auto number = static_cast<std::uint16_t>(index + 1);
    std::memcpy(bytes.data(), &number, sizeof number);
}

void CheckReferences(Context& c, std::uint64_t i, const UserRecord& u) {
    const auto beyond = [&](WorldKind kind, std::int64_t v) {
        return c.world_present[static_cast<int>(kind)] && v != 0 &&
               (v < 0 || static_cast<std::uint64_t>(v) > c.count_of(kind));
    };
    const auto refer = [&](const char* what, std::int64_t v, WorldKind kind) {
        if (!beyond(kind, v)) return;
        c.problem(kUsersFile, Player(i, u) + ": " + what + " " + std::to_string(v) +
                                  " does not exist in " + KindOf(kind).file);
    };
    refer("weapon", u.weapon, WorldKind::kWeapon);
    refer("armour", u.armor, WorldKind::kArmor);
    refer("room", u.room, WorldKind::kRoom);
    for (std::size_t item = 0; item < std::size(u.item_count); ++item) {
        if (u.item_count[item] != 0)
            refer("item", static_cast<std::int64_t>(item + 1), WorldKind::kItem);
    }
}

}  // namespace

void CheckPlayers(Context& c) {
    const auto users = CountRecords(c, kUsersFile, sizeof(UserRecord));
    const auto extras = CountRecords(c, kUserExtraFile, sizeof(UserExtraRecord));
    const auto entries = CountRecords(c, kUserIndexFile, sizeof(UserIndexEntry));
    const std::uint64_t count = users.value_or(0);
    if (count > kMaxUsers) {
        c.problem(kUsersFile, "holds " + Records(count) + "; player numbers end at " +
                                  std::to_string(kMaxUsers));
    }
    const std::string users_path = c.path(kUsersFile);
    ReportOutOfStep(c, kUserExtraFile, sizeof(UserExtraRecord), extras.value_or(0), count,
                    "users.dat", NumberExtraRecord);
    ReportOutOfStep(c, kUserIndexFile, sizeof(UserIndexEntry), entries.value_or(0), count,
                    "users.dat", EntryFromUsers(users_path));
    if (count == 0) return;

    RecordFile user_file, extra_file, index_file;
    user_file.open(users_path, sizeof(UserRecord), RecordFile::Access::kRead);
    extra_file.open(c.path(kUserExtraFile), sizeof(UserExtraRecord), RecordFile::Access::kRead);
    index_file.open(c.path(kUserIndexFile), sizeof(UserIndexEntry), RecordFile::Access::kRead);
    std::map<std::string, std::uint64_t> names;
    for (std::uint64_t i = 0; i < count; ++i) {
        UserRecord u;
        if (!user_file.read_record(i, u)) break;
        if (Damaged(u)) {
            c.problem(kUsersFile, "player " + std::to_string(i + 1) +
                                      " is damaged: a name is longer than its field");
            continue;
        }
        if (u.number != i + 1) {
            c.problem(kUsersFile,
                      Player(i, u) + " is numbered " + std::to_string(u.number) +
                          ": saving him would write over another place",
                      Mend<UserRecord>(users_path, i, [i](UserRecord& r) {
                          r.number = static_cast<std::uint16_t>(i + 1);
                      }));
        }
        if (!u.deleted && !u.name.empty()) {
            const auto [at, fresh] = names.emplace(UpperCase(u.name.view()), i);
            if (!fresh) {
                c.problem(kUsersFile, Player(i, u) + " has the name of player " +
                                          std::to_string(at->second + 1));
            }
        }
        CheckReferences(c, i, u);

        UserIndexEntry entry;
        if (i < entries.value_or(0) && index_file.read_record(i, entry) &&
            !SameIndexEntry(entry, IndexEntryFor(u))) {
            const auto fill = EntryFromUsers(users_path);
            c.problem(kUserIndexFile,
                      "entry " + std::to_string(i + 1) + " names \"" + entry.name.str() +
                          "\", users.dat " + Player(i, u),
                      [=, path = c.path(kUserIndexFile)] {
                          std::vector<std::uint8_t> bytes(sizeof(UserIndexEntry));
                          fill(i, bytes);
                          return RewriteRecord(path, bytes.size(), i, bytes.data());
                      });
        }

        UserExtraRecord extra;
        if (i >= extras.value_or(0) || FullPread(extra_file.fd(), &extra, kExtraHead,
                                                 static_cast<off_t>(i * sizeof(UserExtraRecord))) !=
                                           static_cast<long>(kExtraHead)) {
            continue;
        }
        const std::string extra_path = c.path(kUserExtraFile);
        if (extra.number != i + 1) {
            c.problem(
                kUserExtraFile,
                "record " + std::to_string(i + 1) + " is numbered " + std::to_string(extra.number),
                Mend<UserExtraRecord>(extra_path, i, [i](UserExtraRecord& r) {
                    r.number = static_cast<std::uint16_t>(i + 1);
                }));
        }
        for (std::size_t slot = 0; slot < std::size(extra.cities); ++slot) {
            const std::int32_t city = extra.cities[slot];
            if (city == 0 || (city > 0 && static_cast<std::uint64_t>(city) <= c.cities)) continue;
            c.problem(kUserExtraFile,
                      Player(i, u) + " owns city " + std::to_string(city) +
                          ", but cities.dat holds " + Records(c.cities),
                      Mend<UserExtraRecord>(extra_path, i,
                                            [slot](UserExtraRecord& r) { r.cities[slot] = 0; }));
        }
    }
}

}  // namespace vorn::check

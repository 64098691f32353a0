#include "common/user_records.hpp"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "common/file_lock.hpp"

namespace vorn {

bool WriteUserRecord(RecordFile& users, std::uint64_t index, const UserRecord& user) {
    const std::uint64_t at = index * sizeof(UserRecord);
    LockRange(users.fd(), LockKind::kExclusive, at, sizeof(UserRecord));
    const bool ok = users.write_record(index, user);
    UnlockRange(users.fd(), at, sizeof(UserRecord));
    return ok;
}

bool SameUserName(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::toupper(static_cast<unsigned char>(x)) ==
               std::toupper(static_cast<unsigned char>(y));
    });
}

UserRecord DefaultUserRecord() {
    UserRecord u;
    std::memset(&u, 0, sizeof u);
    u.number = 1;
    u.name = "Joe";
    u.real_name = "Joe Board";
    u.description = "a user";
    u.sex = true;
    u.location = "No Where";
    u.hp = 1;
    u.last_on = "01/01/89";
    u.level = 1;
    u.gold = 100;
    u.loan_rate = 15;
    u.interest_rate = 15;
    u.battle_delay = 200;
    u.display_choice = 1;
    u.battle_option = true;
    u.refresh_seconds = 5;
    u.msg_delay = 300;
    u.reserved_3306 = 50;
    u.reserved_3308 = 50;
    u.explore_option = true;
    return u;
}

UserIndexEntry IndexEntryFor(const UserRecord& user) {
    UserIndexEntry e;
    std::memset(&e, 0, sizeof e);
    e.name = user.name.view();
    e.real_name = user.real_name.view();
    e.deleted = static_cast<bool>(user.deleted);
    return e;
}

bool SameIndexEntry(const UserIndexEntry& a, const UserIndexEntry& b) {
    return a.name.view() == b.name.view() && a.real_name.view() == b.real_name.view() &&
           bool(a.deleted) == bool(b.deleted);
}

std::string TransformPassword(std::string_view text) {
    std::string out(text);
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = static_cast<char>(static_cast<unsigned char>(out[i]) ^ ((i + 1) & 0xFF));
    }
    return out;
}

}  // namespace vorn

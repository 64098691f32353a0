// The player's three parallel files: users.dat (UserRecord), user2.dat (UserExtraRecord) and
// users.idx (UserIndexEntry). User number n is record n-1 of each.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/record_file.hpp"
#include "common/record_types.hpp"

namespace vorn {

inline constexpr const char* kUsersFile = "users.dat";
inline constexpr const char* kUserExtraFile = "user2.dat";
inline constexpr const char* kUserIndexFile = "users.idx";

#pragma pack(push, 1)

struct UserRecord {
    U16 number;  // record number + 1; 0 = no user
    ShortString<36> name;
    ShortString<36> real_name;
    ShortString<40> description;
    Bool8 sex;  // true = male
    ShortString<255> location;
    Bool8 deleted;
    U16 msg_pointer;
    std::uint8_t sig_lines;
    ShortString<80> signature[15];
    U16 posts;
    U16 emails;
    std::uint8_t race;
    std::uint8_t subrace;
    I32 max_hp;
    I32 hp;
    I32 room;
    std::uint8_t str;
    std::uint8_t int_;
    std::uint8_t con;
    std::uint8_t dex;
    std::uint8_t cha;
    std::uint8_t wis;
    std::uint8_t com;
    ShortString<8> last_on;          // MM/DD/YY
    std::uint8_t racial_skills[29];  // skill k: bit (k mod 8) of byte (k div 8)
    U16 disadvantages;               // bit 0x400 also: cannot level up any more
    U16 kills;
    U16 reserved_1660;
    std::uint8_t reserved_1662[2];
    std::uint8_t racial_percent;
    I16 racial_modifier;
    U16 level;
    std::uint8_t skill_values[9];
    std::uint8_t law;     // 1 lawful, 2 neutral, 3 chaotic
    std::uint8_t morals;  // 1 good, 2 neutral, 3 evil
    std::uint8_t hit_bonus;
    std::uint8_t armor_class;
    U16 weapon;
    U16 armor;
    I32 gold;
    I32 bank;
    I32 loan;
    std::uint8_t loan_rate;
    std::uint8_t interest_rate;
    I32 experience;
    Bool8 event_done[255];  // event e at index e-1
    U16 item_count[255];    // item i at index i-1
    ShortString<16> race_name;
    ShortString<16> subrace_name;
    Bool8 item_known[256];  // item i at index i (0 unused)
    U16 item_charges[255];  // item i at index i-1
    Bool8 in_inn;
    U16 battle_delay;
    std::uint8_t display_choice;
    std::uint8_t build_points;
    U16 bonus_str;
    U16 bonus_int;
    U16 bonus_con;
    U16 bonus_dex;
    U16 bonus_cha;
    U16 bonus_wis;
    U16 bonus_com;
    Bool8 battle_option;
    Bool8 alt_screens;
    I32 max_mana;
    I32 mana;
    std::uint8_t sylvan_minutes;
    I32 refresh_seconds;
    U16 msg_delay;
    std::uint8_t hazard_guard;
    U16 reserved_3306;
    U16 reserved_3308;
    Bool8 spare_option;
    Bool8 explore_option;
    std::uint8_t deity;
    std::uint8_t real_deity;
    std::uint8_t religion_rank;
    ShortString<29> password;  // stored form: character i XOR i
    Bool8 line_editor;         // messages are written line by line instead of on the full screen
    // The last night (nights.dat) whose interest, rates and sleep this user has had: the night
    // run and the logon pay the nights after it, and a record written back from an older copy
    // takes its stamp along, so those nights are owed again rather than lost or paid twice.
    U32 night_paid;
    std::uint8_t reserved_3350[919];
};

struct UserExtraRecord {
    U16 number;
    Bool8 deleted;
    I32 cities[100];  // city c at index c-1; 0 = free slot
    std::uint8_t reserved_403[15981];
};

struct UserIndexEntry {
    ShortString<36> name;
    ShortString<36> real_name;
    Bool8 deleted;
};

#pragma pack(pop)

static_assert(sizeof(UserRecord) == 4269);
static_assert(offsetof(UserRecord, number) == 0);
static_assert(offsetof(UserRecord, name) == 2);
static_assert(offsetof(UserRecord, real_name) == 39);
static_assert(offsetof(UserRecord, description) == 76);
static_assert(offsetof(UserRecord, sex) == 117);
static_assert(offsetof(UserRecord, location) == 118);
static_assert(offsetof(UserRecord, deleted) == 374);
static_assert(offsetof(UserRecord, msg_pointer) == 375);
static_assert(offsetof(UserRecord, sig_lines) == 377);
static_assert(offsetof(UserRecord, signature) == 378);
static_assert(sizeof(UserRecord::signature) == 1215);
static_assert(offsetof(UserRecord, posts) == 1593);
static_assert(offsetof(UserRecord, emails) == 1595);
static_assert(offsetof(UserRecord, race) == 1597);
static_assert(offsetof(UserRecord, subrace) == 1598);
static_assert(offsetof(UserRecord, max_hp) == 1599);
static_assert(offsetof(UserRecord, hp) == 1603);
static_assert(offsetof(UserRecord, room) == 1607);
static_assert(offsetof(UserRecord, str) == 1611);
static_assert(offsetof(UserRecord, int_) == 1612);
static_assert(offsetof(UserRecord, con) == 1613);
static_assert(offsetof(UserRecord, dex) == 1614);
static_assert(offsetof(UserRecord, cha) == 1615);
static_assert(offsetof(UserRecord, wis) == 1616);
static_assert(offsetof(UserRecord, com) == 1617);
static_assert(offsetof(UserRecord, last_on) == 1618);
static_assert(offsetof(UserRecord, racial_skills) == 1627);
static_assert(offsetof(UserRecord, disadvantages) == 1656);
static_assert(offsetof(UserRecord, kills) == 1658);
static_assert(offsetof(UserRecord, reserved_1660) == 1660);
static_assert(offsetof(UserRecord, reserved_1662) == 1662);
static_assert(offsetof(UserRecord, racial_percent) == 1664);
static_assert(offsetof(UserRecord, racial_modifier) == 1665);
static_assert(offsetof(UserRecord, level) == 1667);
static_assert(offsetof(UserRecord, skill_values) == 1669);
static_assert(offsetof(UserRecord, law) == 1678);
static_assert(offsetof(UserRecord, morals) == 1679);
static_assert(offsetof(UserRecord, hit_bonus) == 1680);
static_assert(offsetof(UserRecord, armor_class) == 1681);
static_assert(offsetof(UserRecord, weapon) == 1682);
static_assert(offsetof(UserRecord, armor) == 1684);
static_assert(offsetof(UserRecord, gold) == 1686);
static_assert(offsetof(UserRecord, bank) == 1690);
static_assert(offsetof(UserRecord, loan) == 1694);
static_assert(offsetof(UserRecord, loan_rate) == 1698);
static_assert(offsetof(UserRecord, interest_rate) == 1699);
static_assert(offsetof(UserRecord, experience) == 1700);
static_assert(offsetof(UserRecord, event_done) == 1704);
static_assert(offsetof(UserRecord, item_count) == 1959);
static_assert(offsetof(UserRecord, race_name) == 2469);
static_assert(offsetof(UserRecord, subrace_name) == 2486);
static_assert(offsetof(UserRecord, item_known) == 2503);
static_assert(offsetof(UserRecord, item_charges) == 2759);
static_assert(offsetof(UserRecord, in_inn) == 3269);
static_assert(offsetof(UserRecord, battle_delay) == 3270);
static_assert(offsetof(UserRecord, display_choice) == 3272);
static_assert(offsetof(UserRecord, build_points) == 3273);
static_assert(offsetof(UserRecord, bonus_str) == 3274);
static_assert(offsetof(UserRecord, bonus_int) == 3276);
static_assert(offsetof(UserRecord, bonus_con) == 3278);
static_assert(offsetof(UserRecord, bonus_dex) == 3280);
static_assert(offsetof(UserRecord, bonus_cha) == 3282);
static_assert(offsetof(UserRecord, bonus_wis) == 3284);
static_assert(offsetof(UserRecord, bonus_com) == 3286);
static_assert(offsetof(UserRecord, battle_option) == 3288);
static_assert(offsetof(UserRecord, alt_screens) == 3289);
static_assert(offsetof(UserRecord, max_mana) == 3290);
static_assert(offsetof(UserRecord, mana) == 3294);
static_assert(offsetof(UserRecord, sylvan_minutes) == 3298);
static_assert(offsetof(UserRecord, refresh_seconds) == 3299);
static_assert(offsetof(UserRecord, msg_delay) == 3303);
static_assert(offsetof(UserRecord, hazard_guard) == 3305);
static_assert(offsetof(UserRecord, reserved_3306) == 3306);
static_assert(offsetof(UserRecord, reserved_3308) == 3308);
static_assert(offsetof(UserRecord, spare_option) == 3310);
static_assert(offsetof(UserRecord, explore_option) == 3311);
static_assert(offsetof(UserRecord, deity) == 3312);
static_assert(offsetof(UserRecord, real_deity) == 3313);
static_assert(offsetof(UserRecord, religion_rank) == 3314);
static_assert(offsetof(UserRecord, password) == 3315);
static_assert(offsetof(UserRecord, line_editor) == 3345);
static_assert(offsetof(UserRecord, night_paid) == 3346);
static_assert(offsetof(UserRecord, reserved_3350) == 3350);

static_assert(sizeof(UserExtraRecord) == 16384);
static_assert(offsetof(UserExtraRecord, number) == 0);
static_assert(offsetof(UserExtraRecord, deleted) == 2);
static_assert(offsetof(UserExtraRecord, cities) == 3);
static_assert(offsetof(UserExtraRecord, reserved_403) == 403);

static_assert(sizeof(UserIndexEntry) == 75);
static_assert(offsetof(UserIndexEntry, name) == 0);
static_assert(offsetof(UserIndexEntry, real_name) == 37);
static_assert(offsetof(UserIndexEntry, deleted) == 74);

// User numbers are 16 bits wherever they are stored, so the files hold at most this many
// players: a record past the last number has no number of its own.
inline constexpr std::uint64_t kMaxUsers = 65535;

// The defaults of a new user (every field without a listed default is zero).
UserRecord DefaultUserRecord();

// Whether the player appears in rankings: not deleted, and not the placeholder "Joe" that
// keeps the first record.
inline bool InRanking(const UserRecord& user) {
    return !user.deleted && user.name.view() != "Joe";
}

// An index entry: 75 zero bytes with the name, real name and deleted flag copied in.
UserIndexEntry IndexEntryFor(const UserRecord& user);

// Whether two index entries say the same: name, real name and deleted mark (the bytes past the
// names' lengths do not count).
bool SameIndexEntry(const UserIndexEntry& a, const UserIndexEntry& b);

// Writes user `index` (number - 1) of users.dat under a lock on its own bytes, so a node copying
// the file for a ranking (under a shared lock) never sees it half written. False when it failed.
bool WriteUserRecord(RecordFile& users, std::uint64_t index, const UserRecord& user);

// Player names are the same when they differ only in case.
bool SameUserName(std::string_view a, std::string_view b);

// The password transform: character i (from 1) XOR i. Applying it twice gives the text back.
std::string TransformPassword(std::string_view text);

}  // namespace vorn

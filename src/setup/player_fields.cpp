#include "setup/player_fields.hpp"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>

#include "common/player_text.hpp"
#include "common/world_records.hpp"
#include "setup/field_table.hpp"

namespace vorn {

namespace {

constexpr std::int64_t kMost = std::numeric_limits<std::int32_t>::max();

using Kind = PlayerFieldKind;

constexpr PlayerField Text(std::string_view name, Kind kind, std::size_t offset,
                           std::size_t capacity) {
    return {name, kind, offset, capacity};
}

constexpr PlayerField Number(std::string_view name, std::size_t offset, std::size_t bytes,
                             std::int64_t lowest, std::int64_t highest,
                             WorldLimit world = WorldLimit::kNone) {
    return {name, Kind::kNumber, offset, bytes, lowest, highest, world};
}

// A byte from 0 to 255, a 16-bit count, an amount of gold and the like.
constexpr PlayerField Byte(std::string_view name, std::size_t offset) {
    return Number(name, offset, 1, 0, 255);
}
constexpr PlayerField Word(std::string_view name, std::size_t offset) {
    return Number(name, offset, 2, 0, 65535);
}
constexpr PlayerField Amount(std::string_view name, std::size_t offset) {
    return Number(name, offset, 4, 0, kMost);
}

// In the order of the screen, which sets them side by side as they fit: the texts and marks
// first, then the numbers three to a line.
constexpr PlayerField kFields[] = {
    Text("name", Kind::kName, offsetof(UserRecord, name), 36),
    Text("last_on", Kind::kShown, offsetof(UserRecord, last_on), 8),
    Text("real_name", Kind::kCallerName, offsetof(UserRecord, real_name), 36),
    {"deleted", Kind::kDeleted, offsetof(UserRecord, deleted), 1},
    Text("description", Kind::kText, offsetof(UserRecord, description), 40),
    {"sex", Kind::kSex, offsetof(UserRecord, sex), 1},
    Text("race_name", Kind::kShown, offsetof(UserRecord, race_name), 16),
    Text("subrace_name", Kind::kShown, offsetof(UserRecord, subrace_name), 16),
    Text("password", Kind::kPassword, offsetof(UserRecord, password), 29),
    {"in_inn", Kind::kFlag, offsetof(UserRecord, in_inn), 1},
    Text("location", Kind::kText, offsetof(UserRecord, location), 255),
    Number("level", offsetof(UserRecord, level), 2, 1, 20),
    Amount("experience", offsetof(UserRecord, experience)),
    Amount("hp", offsetof(UserRecord, hp)),
    Amount("max_hp", offsetof(UserRecord, max_hp)),
    Amount("mana", offsetof(UserRecord, mana)),
    Amount("max_mana", offsetof(UserRecord, max_mana)),
    Number("room", offsetof(UserRecord, room), 4, 1, kMost, WorldLimit::kRooms),
    Number("weapon", offsetof(UserRecord, weapon), 2, 0, 65535, WorldLimit::kWeapons),
    Number("armor", offsetof(UserRecord, armor), 2, 0, 65535, WorldLimit::kArmors),
    Amount("gold", offsetof(UserRecord, gold)),
    Amount("bank", offsetof(UserRecord, bank)),
    Amount("loan", offsetof(UserRecord, loan)),
    Number("loan_rate", offsetof(UserRecord, loan_rate), 1, 0, 100),
    Number("interest_rate", offsetof(UserRecord, interest_rate), 1, 0, 100),
    Byte("str", offsetof(UserRecord, str)),
    Byte("int", offsetof(UserRecord, int_)),
    Byte("con", offsetof(UserRecord, con)),
    Byte("dex", offsetof(UserRecord, dex)),
    Byte("cha", offsetof(UserRecord, cha)),
    Byte("wis", offsetof(UserRecord, wis)),
    Byte("com", offsetof(UserRecord, com)),
    Word("bonus_str", offsetof(UserRecord, bonus_str)),
    Word("bonus_int", offsetof(UserRecord, bonus_int)),
    Word("bonus_con", offsetof(UserRecord, bonus_con)),
    Word("bonus_dex", offsetof(UserRecord, bonus_dex)),
    Word("bonus_cha", offsetof(UserRecord, bonus_cha)),
    Word("bonus_wis", offsetof(UserRecord, bonus_wis)),
    Word("bonus_com", offsetof(UserRecord, bonus_com)),
    Byte("build_points", offsetof(UserRecord, build_points)),
    Byte("hit_bonus", offsetof(UserRecord, hit_bonus)),
    Word("kills", offsetof(UserRecord, kills)),
    Word("posts", offsetof(UserRecord, posts)),
    Word("emails", offsetof(UserRecord, emails)),
    Number("law", offsetof(UserRecord, law), 1, 1, 3),
    Number("morals", offsetof(UserRecord, morals), 1, 1, 3),
    Number("deity", offsetof(UserRecord, deity), 1, 0, 13),
    Number("real_deity", offsetof(UserRecord, real_deity), 1, 0, 13),
    Number("religion_rank", offsetof(UserRecord, religion_rank), 1, 1, 10),
    Byte("sylvan_minutes", offsetof(UserRecord, sylvan_minutes)),
};

const unsigned char* Bytes(const PlayerField& field, const UserRecord& user) {
    return reinterpret_cast<const unsigned char*>(&user) + field.offset;
}
unsigned char* Bytes(const PlayerField& field, UserRecord& user) {
    return reinterpret_cast<unsigned char*>(&user) + field.offset;
}

// Text fields are string[size]; a length byte past the capacity (a damaged record) reads as full.
std::string GetText(const PlayerField& field, const UserRecord& user) {
    const unsigned char* bytes = Bytes(field, user);
    return std::string(reinterpret_cast<const char*>(bytes + 1),
                       std::min<std::size_t>(bytes[0], field.size));
}

void SetText(const PlayerField& field, UserRecord& user, std::string_view text) {
    unsigned char* bytes = Bytes(field, user);
    if (!text.empty()) std::memcpy(bytes + 1, text.data(), text.size());
    bytes[0] = static_cast<unsigned char>(text.size());
}

std::int64_t GetNumber(const PlayerField& field, const UserRecord& user) {
    const unsigned char* bytes = Bytes(field, user);
    if (field.size == 4) {
        std::int32_t value = 0;
        std::memcpy(&value, bytes, sizeof value);
        return value;
    }
    return field.size == 2 ? bytes[0] | bytes[1] << 8 : bytes[0];
}

// `value` lies in the field's range: it fits its bytes.
void SetNumber(const PlayerField& field, UserRecord& user, std::int64_t value) {
    unsigned char* bytes = Bytes(field, user);
    if (field.size == 4) {
        const auto narrow = static_cast<std::int32_t>(value);
        std::memcpy(bytes, &narrow, sizeof narrow);
        return;
    }
    bytes[0] = static_cast<unsigned char>(value);
    if (field.size == 2) bytes[1] = static_cast<unsigned char>(value >> 8);
}

std::int64_t WorldCount(WorldLimit world) {
    const auto count = [](const char* file, std::size_t record) -> std::int64_t {
        struct stat st {};
        if (::stat(file, &st) != 0) return std::numeric_limits<std::int64_t>::max();
        return static_cast<std::int64_t>(static_cast<std::uint64_t>(st.st_size) / record);
    };
    switch (world) {
        case WorldLimit::kRooms:
            return count(kRoomsFile, sizeof(RoomRecord));
        case WorldLimit::kWeapons:
            return count(kWeaponsFile, sizeof(WeaponRecord));
        case WorldLimit::kArmors:
            return count(kArmorsFile, sizeof(ArmorRecord));
        case WorldLimit::kNone:
            break;
    }
    return std::numeric_limits<std::int64_t>::max();
}

}  // namespace

std::span<const PlayerField> PlayerFields() {
    return kFields;
}

const PlayerField* FindPlayerField(std::string_view name) {
    for (const PlayerField& field : kFields) {
        if (SameUserName(field.name, name)) return &field;
    }
    return nullptr;
}

std::int64_t HighestValue(const PlayerField& field) {
    return std::min(field.highest, WorldCount(field.world));
}

std::string PlayerFieldRange(const PlayerField& field) {
    switch (field.kind) {
        case Kind::kNumber:
            return std::to_string(field.lowest) + " to " + std::to_string(HighestValue(field));
        case Kind::kFlag:
        case Kind::kDeleted:
            return "yes or no";
        case Kind::kSex:
            return "male or female";
        case Kind::kShown:
            return "kept by the game";
        case Kind::kText:
        case Kind::kName:
        case Kind::kCallerName:
        case Kind::kPassword:
            break;
    }
    return (field.kind == Kind::kText ? "0 to " : "1 to ") + std::to_string(field.size) +
           " characters";
}

std::string PlayerFieldText(const PlayerField& field, const UserRecord& user) {
    switch (field.kind) {
        case Kind::kNumber:
            return std::to_string(GetNumber(field, user));
        case Kind::kFlag:
        case Kind::kDeleted:
            return Bytes(field, user)[0] != 0 ? "yes" : "no";
        case Kind::kSex:
            return Bytes(field, user)[0] != 0 ? "male" : "female";
        case Kind::kPassword:
            return Bytes(field, user)[0] != 0 ? "(set)" : "(none)";
        case Kind::kText:
        case Kind::kName:
        case Kind::kCallerName:
        case Kind::kShown:
            break;
    }
    return GetText(field, user);
}

bool SetPlayerFieldValue(const PlayerField& field, UserRecord& user, std::string_view typed,
                         std::string& error) {
    switch (field.kind) {
        case Kind::kShown:
            error = "the game keeps it in step with the race; it is not changed here";
            return false;
        case Kind::kNumber: {
            const std::optional<long long> value = ParseWholeNumber(typed);
            if (!value || *value < field.lowest || *value > HighestValue(field)) {
                error = "give a whole number from " + PlayerFieldRange(field);
                return false;
            }
            SetNumber(field, user, *value);
            return true;
        }
        case Kind::kFlag:
        case Kind::kDeleted:
        case Kind::kSex: {
            const bool sex = field.kind == Kind::kSex;
            std::optional<bool> on = sex ? std::nullopt : FlagFromWord(typed);
            if (sex && (SameUserName(typed, "male") || SameUserName(typed, "female"))) {
                on = SameUserName(typed, "male");
            }
            if (!on) {
                error = "give " + PlayerFieldRange(field);
                return false;
            }
            Bytes(field, user)[0] = *on ? 1 : 0;
            return true;
        }
        case Kind::kText:
        case Kind::kName:
        case Kind::kCallerName:
        case Kind::kPassword:
            break;
    }
    if (!TextFits(typed, field.size, error)) return false;
    if (field.kind != Kind::kText && typed.empty()) {
        error = "it cannot be empty";
        return false;
    }
    if (field.kind == Kind::kName && !HoldsOnlyColourCodes(typed)) {
        error = "a name holds no codes but colour codes";
        return false;
    }
    SetText(field, user, field.kind == Kind::kPassword ? TransformPassword(typed) : typed);
    return true;
}

}  // namespace vorn

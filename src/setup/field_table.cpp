#include "setup/field_table.hpp"

#include <algorithm>
#include <cstring>
#include <limits>
#include <type_traits>

#include "common/cp437_text.hpp"
#include "common/text_case.hpp"

namespace vorn {

namespace {

// The words of the choices, in the order of their values (NodeLineMode, NodeEncoding).
constexpr std::string_view kLineModes[] = {"auto", "telnet", "raw"};
constexpr std::string_view kEncodings[] = {"auto", "cp437", "utf8"};

constexpr std::string_view kRecoveryRange = "from 0 to 255. 0 to disable recovery";

// A recovery time of the game screen: one byte of seconds.
constexpr SetupField Recovery(std::string_view name, char key, std::string_view label,
                              std::size_t offset, std::string_view help) {
    return {name,
            SettingsFile::kGame,
            SetupScreen::kGame,
            key,
            label,
            FieldKind::kNumber,
            offset,
            1,
            3,
            " s",
            {},
            {help, kRecoveryRange}};
}

constexpr SetupField kFields[] = {
    {"sysop_name", SettingsFile::kNode, SetupScreen::kNode, 'A', " Sysop Name               ",
     FieldKind::kText, offsetof(NodeConfig, sysop_name), 36, 33},
    {"bbs_name", SettingsFile::kNode, SetupScreen::kNode, 'B', " BBS Name                 ",
     FieldKind::kText, offsetof(NodeConfig, bbs_name), 40, 33},
    {"door_type", SettingsFile::kNode, SetupScreen::kNode, 'D', " Doortype                 ",
     FieldKind::kDoorType, offsetof(NodeConfig, door_type), 1, 0},
    {"door_file_path", SettingsFile::kNode, SetupScreen::kNode, 'E', " Door file path           ",
     FieldKind::kPath, offsetof(NodeConfig, door_file_path), 40, 33},
    {"multinode", SettingsFile::kNode, SetupScreen::kNode, 'F', " Multinode?               ",
     FieldKind::kFlag, offsetof(NodeConfig, multinode), 1, 0},
    {"daemon_mode", SettingsFile::kNode, SetupScreen::kNode, 'J', " Daemon mode ?            ",
     FieldKind::kFlag, offsetof(NodeConfig, daemon_mode), 1, 0},
    {"time_limit", SettingsFile::kNode, SetupScreen::kNode, 'K',
     " Time limit :             ", FieldKind::kNumber, offsetof(NodeConfig, time_limit), 2, 5},
    {"sysop_keys", SettingsFile::kNode, SetupScreen::kNode, 'M', " Enable sysop keys?       ",
     FieldKind::kFlag, offsetof(NodeConfig, sysop_keys), 1, 0},
    {"line_mode",
     SettingsFile::kNode,
     SetupScreen::kNode,
     'N',
     " Line mode                ",
     FieldKind::kChoice,
     offsetof(NodeConfig, line_mode),
     1,
     0,
     {},
     {},
     {"Telnet: auto speaks it only on a TCP standard input, telnet always, raw never"},
     kLineModes},
    {"encoding",
     SettingsFile::kNode,
     SetupScreen::kNode,
     'O',
     " Character set            ",
     FieldKind::kChoice,
     offsetof(NodeConfig, encoding),
     1,
     0,
     {},
     {},
     {"Character set: auto asks the caller's terminal; cp437 and utf8 fix it"},
     kEncodings},
    {"pause_delay_ms", SettingsFile::kNode, SetupScreen::kMainMenu, 'D',
     " Delay instead of pause? ", FieldKind::kNumber, offsetof(NodeConfig, pause_delay_ms), 2, 5,
     " ms", "Nope!"},

    {"build_points_formula",
     SettingsFile::kGame,
     SetupScreen::kGame,
     'A',
     " Build Points formula   ",
     FieldKind::kText,
     offsetof(GameSettings, build_points_formula),
     255,
     40,
     {},
     {},
     {"Form: First number : second number", "Variables: L = user level",
      "The first number is divided by the second one",
      "To multiply, write: 'cL' or 'Lc' where c is a constant"}},
    {"stat_bar", SettingsFile::kGame, SetupScreen::kGame, 'B', " Stat Bar               ",
     FieldKind::kFlag, offsetof(GameSettings, stat_bar), 1, 0},
    Recovery("mana_recovery_secs", 'C', " Normal Mana recovery   ",
             offsetof(GameSettings, mana_recovery_secs),
             "Normal Mana recovery. Number of seconds before a user gain one mp"),
    Recovery("mana_recovery_temple_secs", 'D', " mp recovery at temple  ",
             offsetof(GameSettings, mana_recovery_temple_secs),
             "Mana recovery in worshipped god place (circle,temple,...) in seconds"),
    Recovery("mana_recovery_same_align_secs", 'E', " Same alignement temple ",
             offsetof(GameSettings, mana_recovery_same_align_secs),
             "Mana recovery when in the place of a god of the same alignement"),
    Recovery("mana_recovery_opposite_align_secs", 'F', " Different aln temple   ",
             offsetof(GameSettings, mana_recovery_opposite_align_secs),
             "Mana recovery in a place for a god of opposite alignement"),
    Recovery("mana_recovery_real_god_secs", 'G', " MP rec at real temple  ",
             offsetof(GameSettings, mana_recovery_real_god_secs),
             "Mana recovery when user is in a place for his real god."),
    Recovery("hp_recovery_secs", 'H', " Hit Points recovery    ",
             offsetof(GameSettings, hp_recovery_secs),
             "Normal Hitpoints recovery. Number of seconds before a user gain one hp"),

    {"heal_everything", SettingsFile::kMaint, SetupScreen::kMaint, 'A', " Heal Everything?    ",
     FieldKind::kFlag, offsetof(MaintSettings, heal_everything), 1, 0},
};

// The bytes of the field in its record; const records give const bytes.
template <class Records>
auto* FieldBytes(const SetupField& field, Records& records) {
    using Byte = std::conditional_t<std::is_const_v<Records>, const unsigned char, unsigned char>;
    Byte* record = field.file == SettingsFile::kNode   ? reinterpret_cast<Byte*>(&records.node)
                   : field.file == SettingsFile::kGame ? reinterpret_cast<Byte*>(&records.game)
                                                       : reinterpret_cast<Byte*>(&records.maint);
    return record + field.offset;
}

// Text fields are string[size]: a length byte, then the characters.
std::string GetText(const SetupField& field, const SetupRecords& records) {
    const unsigned char* bytes = FieldBytes(field, records);
    const std::size_t length = std::min<std::size_t>(bytes[0], field.size);
    return std::string(reinterpret_cast<const char*>(bytes + 1), length);
}

void SetText(const SetupField& field, SetupRecords& records, std::string_view text) {
    unsigned char* bytes = FieldBytes(field, records);
    const std::size_t length = std::min(text.size(), field.size);
    if (length > 0) std::memcpy(bytes + 1, text.data(), length);
    bytes[0] = static_cast<unsigned char>(length);
}

std::uint32_t GetNumber(const SetupField& field, const SetupRecords& records) {
    const unsigned char* bytes = FieldBytes(field, records);
    return field.size == 1 ? bytes[0] : static_cast<std::uint32_t>(bytes[0] | bytes[1] << 8);
}

void SetNumber(const SetupField& field, SetupRecords& records, std::uint32_t value) {
    unsigned char* bytes = FieldBytes(field, records);
    bytes[0] = static_cast<unsigned char>(value);
    if (field.size == 2) bytes[1] = static_cast<unsigned char>(value >> 8);
}

std::uint32_t MaxNumber(const SetupField& field) {
    return field.size == 1 ? 0xFFu : 0xFFFFu;
}

// The value of a choice; a value without a word counts as the first.
std::size_t ChoiceIndex(const SetupField& field, const SetupRecords& records) {
    const std::size_t value = FieldBytes(field, records)[0];
    return value < field.choices.size() ? value : 0;
}

}  // namespace

std::span<const SetupField> SetupFields() {
    return kFields;
}

const SetupField* FindSetupField(std::string_view name) {
    for (const SetupField& f : kFields) {
        if (f.name == name) return &f;
    }
    return nullptr;
}

const SetupField* SetupFieldForKey(SetupScreen screen, char key) {
    for (const SetupField& f : kFields) {
        if (f.screen == screen && f.key == key) return &f;
    }
    return nullptr;
}

std::optional<long long> ParseWholeNumber(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    unsigned long long value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        const unsigned digit = static_cast<unsigned>(c - '0');
        if (value > (std::numeric_limits<unsigned long long>::max() - digit) / 10) {
            return std::nullopt;
        }
        value = value * 10 + digit;
    }
    constexpr auto kMax = static_cast<unsigned long long>(std::numeric_limits<long long>::max());
    if (value > kMax + (negative ? 1 : 0)) return std::nullopt;
    if (!negative) return static_cast<long long>(value);
    return value == kMax + 1 ? std::numeric_limits<long long>::min()
                             : -static_cast<long long>(value);
}

std::uint32_t TypedNumber(std::string_view typed, std::size_t bytes) {
    const std::optional<long long> value = ParseWholeNumber(typed);
    if (!value) return 0;
    const unsigned long long modulus = 1ull << (8 * bytes);
    // Two's complement wrapping: -1 becomes the largest value, as a 16-bit store would keep it.
    return static_cast<std::uint32_t>(static_cast<unsigned long long>(*value) & (modulus - 1));
}

std::string WithTrailingSlash(std::string_view path) {
    std::string out(path);
    if (out.empty() || out.back() != '/') out += '/';
    return out;
}

std::span<const DoorType> DoorTypes() {
    static constexpr DoorType kDoorTypes[kDoorTypeCount] = {
        {"Door.sys", " Door.sys", "door.sys"},
        {"Doorfile.sr", " Doorfile.sr", "doorfile.sr"},
        {"Local", " Local / Daemon", "local"},
        {"Internal login system", " Internal login system", "the game's own logon"},
        {"Door32.sys", " Door32.sys", "door32.sys"},
    };
    return kDoorTypes;
}

std::string_view DoorTypeName(int door_type) {
    if (door_type < 1 || door_type > kDoorTypeCount) return "Invalid";
    return DoorTypes()[static_cast<std::size_t>(door_type - 1)].name;
}

std::string DoorTypeList() {
    std::string list;
    for (std::size_t i = 0; i < DoorTypes().size(); ++i) {
        if (i != 0) list += ", ";
        list += std::to_string(i + 1) + " " + std::string(DoorTypes()[i].help);
    }
    return list;
}

void SetDoorType(NodeConfig& node, int door_type) {
    node.door_type = static_cast<std::uint8_t>(door_type);
    node.wfc_mode = door_type == 4;
}

void MakeLocalNode(NodeConfig& node) {
    SetDoorType(node, 3);
}

std::string FieldDisplay(const SetupField& field, const SetupRecords& records) {
    switch (field.kind) {
        case FieldKind::kText:
            return GetText(field, records);
        case FieldKind::kPath: {
            const int door_type = records.node.door_type;
            return door_type == 3 || door_type == 4 ? "Not needed" : GetText(field, records);
        }
        case FieldKind::kFlag: {
            const bool on = FieldBytes(field, records)[0] != 0;
            if (field.screen == SetupScreen::kMaint) return on ? "True" : "False";
            return on ? "Yup!" : "Nope!";
        }
        case FieldKind::kNumber: {
            const std::uint32_t value = GetNumber(field, records);
            if (value == 0 && !field.zero.empty()) return std::string(field.zero);
            return std::to_string(value) + std::string(field.unit);
        }
        case FieldKind::kChoice:
            return std::string(field.choices[ChoiceIndex(field, records)]);
        case FieldKind::kDoorType:
            break;
    }
    return std::string(DoorTypeName(records.node.door_type));
}

void StoreTyped(const SetupField& field, SetupRecords& records, std::string_view typed) {
    switch (field.kind) {
        case FieldKind::kText:
            SetText(field, records, typed);
            break;
        case FieldKind::kPath:
            SetText(field, records, WithTrailingSlash(typed));
            break;
        case FieldKind::kNumber:
            SetNumber(field, records, TypedNumber(typed, field.size));
            break;
        case FieldKind::kFlag:
        case FieldKind::kDoorType:
        case FieldKind::kChoice:
            break;
    }
}

void ToggleFlag(const SetupField& field, SetupRecords& records) {
    unsigned char* bytes = FieldBytes(field, records);
    bytes[0] = bytes[0] != 0 ? 0 : 1;
}

void CycleChoice(const SetupField& field, SetupRecords& records) {
    const std::size_t next = (ChoiceIndex(field, records) + 1) % field.choices.size();
    FieldBytes(field, records)[0] = static_cast<unsigned char>(next);
}

std::string ChoiceList(const SetupField& field) {
    std::string list;
    for (std::size_t i = 0; i < field.choices.size(); ++i) {
        if (i != 0) list += i + 1 == field.choices.size() ? " or " : ", ";
        list += field.choices[i];
    }
    return list;
}

bool TextFits(std::string_view cp437, std::size_t capacity, std::string& error) {
    if (std::any_of(cp437.begin(), cp437.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 32; })) {
        error = "control characters are not allowed";
        return false;
    }
    if (cp437.size() > capacity) {
        error = "at most " + std::to_string(capacity) + " characters fit";
        return false;
    }
    return true;
}

std::optional<std::string> Cp437FromUtf8(std::string_view text, std::string& error) {
    std::string bad;
    std::optional<std::string> bytes = Utf8ToCp437(text, &bad);
    if (!bytes) error = "the text holds " + bad + ", which the game cannot show";
    return bytes;
}

std::optional<bool> FlagFromWord(std::string_view word) {
    const std::string lower = LowerCase(word);
    if (lower == "yes" || lower == "true" || lower == "on" || lower == "1") return true;
    if (lower == "no" || lower == "false" || lower == "off" || lower == "0") return false;
    return std::nullopt;
}

std::string FieldValueText(const SetupField& field, const SetupRecords& records) {
    switch (field.kind) {
        case FieldKind::kText:
        case FieldKind::kPath:
            return Cp437ToUtf8(GetText(field, records));
        case FieldKind::kFlag:
            return FieldBytes(field, records)[0] != 0 ? "yes" : "no";
        case FieldKind::kNumber:
            return std::to_string(GetNumber(field, records));
        case FieldKind::kChoice:
            return std::string(field.choices[ChoiceIndex(field, records)]);
        case FieldKind::kDoorType:
            break;
    }
    return std::to_string(records.node.door_type);
}

bool SetFieldFromText(const SetupField& field, SetupRecords& records, std::string_view text,
                      std::string& error) {
    switch (field.kind) {
        case FieldKind::kText:
        case FieldKind::kPath: {
            const std::optional<std::string> bytes = Cp437FromUtf8(text, error);
            if (!bytes) return false;
            const std::string value =
                field.kind == FieldKind::kPath ? WithTrailingSlash(*bytes) : *bytes;
            if (!TextFits(value, field.size, error)) return false;
            SetText(field, records, value);
            return true;
        }
        case FieldKind::kFlag: {
            const std::optional<bool> on = FlagFromWord(text);
            if (!on) {
                error = "give yes or no";
                return false;
            }
            FieldBytes(field, records)[0] = *on ? 1 : 0;
            return true;
        }
        case FieldKind::kNumber: {
            const std::optional<long long> value = ParseWholeNumber(text);
            if (!value || *value < 0 || *value > static_cast<long long>(MaxNumber(field))) {
                error = "give a whole number from 0 to " + std::to_string(MaxNumber(field));
                return false;
            }
            SetNumber(field, records, static_cast<std::uint32_t>(*value));
            return true;
        }
        case FieldKind::kChoice: {
            const std::string word = LowerCase(text);
            const auto found = std::find(field.choices.begin(), field.choices.end(), word);
            if (found == field.choices.end()) {
                error = "give " + ChoiceList(field);
                return false;
            }
            FieldBytes(field, records)[0] =
                static_cast<unsigned char>(found - field.choices.begin());
            return true;
        }
        case FieldKind::kDoorType:
            break;
    }
    const std::optional<long long> value = ParseWholeNumber(text);
    if (!value || *value < 1 || *value > kDoorTypeCount) {
        error = "give a door type from 1 to " + std::to_string(kDoorTypeCount) + " (" +
                DoorTypeList() + ")";
        return false;
    }
    SetDoorType(records.node, static_cast<int>(*value));
    return true;
}

}  // namespace vorn

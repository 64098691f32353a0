// The settings setup edits, one row per field: the record and offset it lives at, the key and
// label of its screen, how it is typed and shown, and its name in the non-interactive form. The
// screens and the command line both work from this table, so the two cannot disagree.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "common/config_records.hpp"

namespace vorn {

// The three records setup holds: the node being edited, the game and the maintenance settings.
struct SetupRecords {
    NodeConfig node;
    GameSettings game;
    MaintSettings maint;
};

enum class SettingsFile { kNode, kGame, kMaint };
enum class SetupScreen { kMainMenu, kNode, kGame, kMaint };

enum class FieldKind {
    kText,      // a line typed into the input box, cut to the field's capacity
    kPath,      // as kText, with "/" appended; a missing directory is offered to be created
    kFlag,      // toggled by its key
    kNumber,    // a typed number, kept modulo 256 or 65536 as the field is one or two bytes
    kDoorType,  // chosen from the door types 1 to 5
    kChoice,    // one of the named values of `choices` (value i is choices[i]), cycled by its key
};

struct SetupField {
    std::string_view name;  // in the non-interactive form
    SettingsFile file;
    SetupScreen screen;
    char key;
    std::string_view label;
    FieldKind kind;
    std::size_t offset;                              // in its record
    std::size_t size;                                // text: capacity in characters; number: bytes
    int box;                                         // positions of the input box
    std::string_view unit = {};                      // shown after a number: " s", " ms"
    std::string_view zero = {};                      // shown instead of a zero number
    std::array<std::string_view, 4> help = {};       // lines shown at the bottom while typing
    std::span<const std::string_view> choices = {};  // the words of a choice
};

std::span<const SetupField> SetupFields();
const SetupField* FindSetupField(std::string_view name);
const SetupField* SetupFieldForKey(SetupScreen screen, char key);

// A whole number, with blanks around it and a sign allowed; nullopt for anything else and for
// numbers beyond 64 bits.
std::optional<long long> ParseWholeNumber(std::string_view text);
// The screens' rule for typed numbers: the value modulo 2^(8 * bytes); a non-number gives 0.
std::uint32_t TypedNumber(std::string_view typed, std::size_t bytes);
// A typed path as it is stored: with "/" appended when it does not end in "/".
std::string WithTrailingSlash(std::string_view path);

// The door types 1 to 5: the name the node screen shows, the label of the chooser and the
// words of the non-interactive form's help.
struct DoorType {
    std::string_view name;    // "Door.sys"
    std::string_view choice;  // " Door.sys"
    std::string_view help;    // "door.sys"
};
inline constexpr int kDoorTypeCount = 5;
std::span<const DoorType> DoorTypes();
// The name of a door type; "Invalid" for other values.
std::string_view DoorTypeName(int door_type);
// "1 door.sys, 2 doorfile.sr, ..." for messages and help.
std::string DoorTypeList();
// Sets the door type; a waiting-for-call node is exactly one with the internal login system.
void SetDoorType(NodeConfig& node, int door_type);
// The node becomes a local node (door type 3) and stops waiting for calls.
void MakeLocalNode(NodeConfig& node);

// The value as its screen shows it (code page 437).
std::string FieldDisplay(const SetupField& field, const SetupRecords& records);
// The screens' rules: the typed line (code page 437) becomes the value.
void StoreTyped(const SetupField& field, SetupRecords& records, std::string_view typed);
void ToggleFlag(const SetupField& field, SetupRecords& records);
// A choice moves on to its next value, from the last back to the first; a value outside the
// words counts as the first.
void CycleChoice(const SetupField& field, SetupRecords& records);
// "auto, telnet or raw": the words of a choice for messages and help.
std::string ChoiceList(const SetupField& field);

// The strict readings of typed values, shared with the player editor. A text of code page 437
// bytes that has no control character and fits `capacity` characters: false with the reason in
// `error` otherwise. UTF-8 text as code page 437 bytes: nullopt, with the reason in `error`, for
// a character the game cannot show. A flag's word: yes/no, true/false, on/off or 1/0, in any
// case.
bool TextFits(std::string_view cp437, std::size_t capacity, std::string& error);
std::optional<std::string> Cp437FromUtf8(std::string_view text, std::string& error);
std::optional<bool> FlagFromWord(std::string_view word);

// The non-interactive form: the value as plain UTF-8 text ("yes"/"no" for flags, numbers in
// decimal, the word of a choice), and the strict reading of one: a value that does not fit the
// field is refused with the reason in `error` instead of being cut or wrapped.
std::string FieldValueText(const SetupField& field, const SetupRecords& records);
bool SetFieldFromText(const SetupField& field, SetupRecords& records, std::string_view text,
                      std::string& error);

}  // namespace vorn

// What the world compiler knows of each world file: its name, record size and, field by field,
// where a source value goes in the record, what values it may take and what it refers to. The
// offsets come from the record structs themselves, so source and game cannot disagree.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vorn {

enum class WorldKind { kRoom, kEvent, kMonster, kWeapon, kArmor, kItem, kLevel, kUnit, kBuilding };
inline constexpr int kWorldKindCount = 9;

enum class FieldType {
    kInteger,  // `width` bytes, signed or not; `count` > 1 makes it an array
    kBool,     // one byte each; `count` > 1 makes it an array
    kText,     // string[capacity]; `count` > 1 makes it an array of lines
    kFlags,    // 32-bit set of command letters A..Z
};

struct FieldLayout {
    const char* name;
    FieldType type;
    std::size_t offset;
    std::size_t width;  // integer bytes, or text capacity
    std::size_t count;
    // The values the game gives a meaning; the field's bytes may hold more (StoredMin, StoredMax).
    std::int64_t min;
    std::int64_t max;
    // The kind this number names (0 = none), or -1 when it refers to nothing.
    int refers_to;
    // Values beyond min..max that the game also gives a meaning (none when also_min > also_max).
    std::int64_t also_min = 1;
    std::int64_t also_max = 0;
    // Whether the bytes hold a signed number.
    bool is_signed = false;
    // What the game makes of a value it gives no meaning, for the compiler's warning.
    const char* beyond = "the game may not read it as meant";
};

// Whether the game gives `value` a meaning in field `f`.
inline bool Admits(const FieldLayout& f, std::int64_t value) {
    return (value >= f.min && value <= f.max) || (value >= f.also_min && value <= f.also_max);
}

struct KindLayout {
    WorldKind kind;
    const char* table;   // [room.N]
    const char* source;  // rooms.toml or rooms/*.toml
    const char* file;    // rooms.dat
    std::size_t record_size;
    std::size_t number_width;  // bytes of the leading number field
    bool number_signed;
    std::int64_t max_records;
    std::span<const FieldLayout> fields;
};

const KindLayout& KindOf(WorldKind kind);
const KindLayout& KindAt(int index);

// A little-endian integer of `width` bytes at `offset` of a record.
std::int64_t ReadInteger(std::span<const std::uint8_t> bytes, std::size_t offset, std::size_t width,
                         bool is_signed);
void WriteInteger(std::span<std::uint8_t> bytes, std::size_t offset, std::size_t width,
                  std::int64_t value);
// Whether an integer field is signed, as its record declares it.
inline bool IsSigned(const FieldLayout& f) {
    return f.is_signed;
}
// The range of an integer field's bytes: every value a stored record can hold (fields of eight
// bytes or more are held to what a signed 64-bit number reaches).
inline std::int64_t StoredMin(const FieldLayout& f) {
    if (!f.is_signed) return 0;
    return f.width >= 8 ? INT64_MIN : -(std::int64_t{1} << (8 * f.width - 1));
}
inline std::int64_t StoredMax(const FieldLayout& f) {
    if (f.width >= 8) return INT64_MAX;
    return f.is_signed ? (std::int64_t{1} << (8 * f.width - 1)) - 1
                       : (std::int64_t{1} << (8 * f.width)) - 1;
}

// The bytes of a record the game reads, one flag per byte: the number, every numeric field and
// the length byte and characters of each text (a length beyond the field counts as full).
std::vector<bool> ReadMask(const KindLayout& layout, std::span<const std::uint8_t> bytes);

}  // namespace vorn

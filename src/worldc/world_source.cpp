// Reading world sources: one TOML file holds [kind.N] tables, one per record. Values are checked
// field by field as they are read; what needs the whole world is checked afterwards.
#include "worldc/world_source.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <functional>
#include <optional>

#include "common/cp437_text.hpp"
#include "common/text_case.hpp"
#include "common/toml_reader.hpp"
#include "common/world_records.hpp"
#include "worldc/toml_scan.hpp"

namespace vorn {

namespace {

int LineOf(const toml::node& node) {
    return static_cast<int>(node.source().begin.line);
}

struct RecordParser {
    WorldSource& world;
    const KindLayout& layout;
    const std::string& file;
    SourceRecord& record;
    std::string where;  // "room 12"

    void fail(int line, std::string_view field, std::string message) {
        world.errors.push_back({file, line, std::string(field), where + ": " + message});
    }

    std::span<std::uint8_t> bytes() { return record.bytes; }

    bool integer(const toml::node& node, std::string_view field, std::int64_t lo, std::int64_t hi,
                 std::int64_t& out) {
        const auto* value = node.as_integer();
        if (value == nullptr) {
            fail(LineOf(node), field, "a whole number is wanted here");
            return false;
        }
        out = value->get();
        if (out < lo || out > hi) {
            fail(LineOf(node), field,
                 std::to_string(out) + " is outside " + std::to_string(lo) + ".." +
                     std::to_string(hi));
            return false;
        }
        return true;
    }

    // A value of field `f`: any its bytes can hold. One the game gives no meaning is kept with a
    // warning; a reference is judged by the world checks instead, which name the missing record.
    bool integer(const toml::node& node, const FieldLayout& f, std::int64_t& out) {
        if (!integer(node, f.name, StoredMin(f), StoredMax(f), out)) return false;
        if (Admits(f, out) || f.refers_to >= 0) return true;
        std::string meant = std::to_string(f.min) + ".." + std::to_string(f.max);
        if (f.also_min <= f.also_max) {
            meant += " and " + std::to_string(f.also_min) + ".." + std::to_string(f.also_max);
        }
        world.warnings.push_back({file, LineOf(node), f.name,
                                  "warning: " + where + ": " + std::to_string(out) + " is beyond " +
                                      meant + ", the values the game gives a meaning; " +
                                      f.beyond});
        return true;
    }

    // One value, or each element of an array of at most `count` values.
    template <class Each>
    void elements(const toml::node& node, const FieldLayout& f, Each&& each) {
        if (f.count == 1) {
            each(node, 0);
            return;
        }
        const auto* array = node.as_array();
        if (array == nullptr) {
            fail(LineOf(node), f.name,
                 "a list of up to " + std::to_string(f.count) + " values is wanted here");
            return;
        }
        if (array->size() > f.count) {
            fail(LineOf(node), f.name,
                 "holds " + std::to_string(array->size()) + " values, at most " +
                     std::to_string(f.count) + " fit");
            return;
        }
        for (std::size_t i = 0; i < array->size(); ++i) each((*array)[i], i);
    }

    void text(const toml::node& node, const FieldLayout& f, std::size_t line) {
        const auto* value = node.as_string();
        if (value == nullptr) {
            fail(LineOf(node), f.name, "a text in quotes is wanted here");
            return;
        }
        std::string bad;
        const auto bytes437 = Utf8ToCp437(value->get(), &bad);
        if (!bytes437) {
            fail(LineOf(node), f.name, "holds " + bad + ", which code page 437 cannot show");
            return;
        }
        if (bytes437->size() > f.width) {
            fail(LineOf(node), f.name,
                 "text of " + std::to_string(bytes437->size()) + " characters; the field holds " +
                     std::to_string(f.width));
            return;
        }
        const std::size_t at = f.offset + line * (f.width + 1);
        record.bytes[at] = static_cast<std::uint8_t>(bytes437->size());
        std::copy(bytes437->begin(), bytes437->end(), record.bytes.begin() + at + 1);
    }

    void flags(const toml::node& node, const FieldLayout& f) {
        std::int64_t v = 0;
        if (const auto* letters = node.as_string()) {
            for (const char c : letters->get()) {
                const char up = Upper(c);
                if (up < 'A' || up > 'Z') {
                    fail(LineOf(node), f.name,
                         std::string("'") + c + "' is not a command letter A..Z");
                    return;
                }
                v |= std::int64_t{1} << (up - 64);
            }
        } else if (!integer(node, f, v)) {
            return;
        }
        WriteInteger(bytes(), f.offset, 4, v);
    }

    void field(const toml::node& node, const FieldLayout& f) {
        switch (f.type) {
            case FieldType::kInteger:
                elements(node, f, [&](const toml::node& n, std::size_t i) {
                    std::int64_t v = 0;
                    if (integer(n, f, v)) {
                        WriteInteger(bytes(), f.offset + i * f.width, f.width, v);
                    }
                });
                break;
            case FieldType::kBool:
                elements(node, f, [&](const toml::node& n, std::size_t i) {
                    std::int64_t v = 0;
                    if (const auto* b = n.as_boolean()) {
                        v = b->get() ? 1 : 0;
                    } else if (n.as_integer() == nullptr) {
                        fail(LineOf(n), f.name, "true or false is wanted here");
                        return;
                    } else if (!integer(n, f.name, 0, 255, v)) {
                        return;
                    }
                    record.bytes[f.offset + i] = static_cast<std::uint8_t>(v);
                });
                break;
            case FieldType::kText:
                elements(node, f, [&](const toml::node& n, std::size_t i) { text(n, f, i); });
                break;
            case FieldType::kFlags:
                flags(node, f);
                break;
        }
    }

    // "OFFSET:HEX" runs of bytes the game does not read, kept for an exact copy of a world.
    struct UnreadRun {
        std::size_t offset;
        std::string hex;
        int line;
    };

    void unread(const toml::node& node, std::vector<UnreadRun>& runs) {
        const auto* array = node.as_array();
        if (array == nullptr) {
            fail(LineOf(node), "unread", "a list of \"offset:hex\" texts is wanted here");
            return;
        }
        for (const toml::node& n : *array) {
            const auto* s = n.as_string();
            const std::string v = s != nullptr ? s->get() : std::string();
            const auto colon = v.find(':');
            std::size_t offset = 0;
            const char* end = v.data() + (colon == std::string::npos ? 0 : colon);
            const auto [p, ec] = std::from_chars(v.data(), end, offset);
            std::string hex = colon == std::string::npos ? "" : v.substr(colon + 1);
            const bool hex_ok = !hex.empty() && hex.size() % 2 == 0 &&
                                std::all_of(hex.begin(), hex.end(), [](char c) {
                                    return std::isxdigit(static_cast<unsigned char>(c));
                                });
            if (s == nullptr || colon == std::string::npos || ec != std::errc() || p != end ||
                !hex_ok) {
                fail(LineOf(n), "unread", "\"offset:hex\" is wanted here");
                continue;
            }
            if (offset + hex.size() / 2 > layout.record_size) {
                fail(LineOf(n), "unread",
                     "bytes " + std::to_string(offset) + ".." +
                         std::to_string(offset + hex.size() / 2 - 1) +
                         " run past the end of the record (" + std::to_string(layout.record_size) +
                         " bytes)");
                continue;
            }
            runs.push_back({offset, std::move(hex), LineOf(n)});
        }
    }

    void apply_unread(const std::vector<UnreadRun>& runs) {
        const std::vector<bool> mask = ReadMask(layout, record.bytes);
        for (const auto& [offset, hex, line] : runs) {
            bool clash = false;
            for (std::size_t i = 0; i < hex.size() / 2; ++i) clash = clash || mask[offset + i];
            if (clash) {
                fail(line, "unread",
                     "bytes from " + std::to_string(offset) +
                         " overlap a field the game reads; set the field instead");
                continue;
            }
            for (std::size_t i = 0; i < hex.size() / 2; ++i) {
                record.bytes[offset + i] =
                    static_cast<std::uint8_t>(std::stoi(hex.substr(2 * i, 2), nullptr, 16));
            }
        }
    }

    void parse(const toml::table& table, std::int64_t number) {
        std::int64_t stored = number;
        std::vector<UnreadRun> runs;
        for (auto&& [key, node] : table) {
            const std::string_view name = key.str();
            const int line = LineOf(node);
            record.field_lines.emplace(std::string(name), line);
            if (name == "number") {
                const std::int64_t hi = layout.number_signed
                                            ? (std::int64_t{1} << (8 * layout.number_width - 1)) - 1
                                            : (std::int64_t{1} << (8 * layout.number_width)) - 1;
                const std::int64_t lo = layout.number_signed ? -hi - 1 : 0;
                integer(node, name, lo, hi, stored);
                continue;
            }
            if (name == "unread") {
                unread(node, runs);
                continue;
            }
            const auto f = std::find_if(layout.fields.begin(), layout.fields.end(),
                                        [&](const FieldLayout& s) { return s.name == name; });
            if (f == layout.fields.end()) {
                fail(line, name, "unknown field");
                continue;
            }
            field(node, *f);
        }
        WriteInteger(bytes(), 0, layout.number_width, stored);
        apply_unread(runs);
    }
};

std::optional<std::int64_t> RecordNumber(std::string_view key, std::int64_t max) {
    if (key.empty() || key.size() > 10 || !std::all_of(key.begin(), key.end(), IsDigit)) {
        return std::nullopt;
    }
    std::int64_t n = 0;
    std::from_chars(key.data(), key.data() + key.size(), n);
    if (n < 1 || n > max) return std::nullopt;
    return n;
}

// TOML allows no control characters but tab and line ends, and nothing but ASCII outside texts
// and comments. The TOML reader takes some of this for granted: a NUL in a table header, or a
// non-ASCII character where it looks for white space, reaches code it holds unreachable. Such
// sources are therefore refused before it sees them, with a message of our own. The scan follows
// the reader's idea of where texts and comments begin and end up to the first fault.
// True when the one-line text opened by the quote at `open` has its closing quote on the same
// line (a basic text may escape a quote with a backslash).
bool EndsOnItsLine(std::string_view text, std::size_t open, bool basic) {
    const char quote = text[open];
    for (std::size_t i = open + 1; i < text.size(); ++i) {
        if (text[i] == '\n') return false;
        if (basic && text[i] == '\\') {
            ++i;
            continue;
        }
        if (text[i] == quote) return true;
    }
    return false;
}

bool SafeForReader(WorldSource& world, std::string_view text, const std::string& file) {
    using Kind = TomlPiece::Kind;
    TomlScan scan(text);
    TomlPiece piece;
    bool after_continuation = false;  // just after a line-ending backslash in a long text
    const auto fail = [&](std::string message) {
        world.errors.push_back({file, scan.line(), "", std::move(message)});
        return false;
    };
    const auto blank = [](unsigned char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r';
    };
    while (scan.next(piece)) {
        const auto b = static_cast<unsigned char>(text[piece.at]);
        if ((b < 0x20 && b != '\t' && b != '\n' && b != '\r') || b == 0x7F) {
            char code[8];
            std::snprintf(code, sizeof code, "0x%02X", b);
            return fail(std::string("control character ") + code +
                        "; write it in a text as \\u00XX");
        }
        if (piece.kind == Kind::kOpen) {
            // A one-line text must end on its line; the reader's recovery from one that does
            // not can run into the characters that follow.
            if ((piece.in == TomlIn::kBasic || piece.in == TomlIn::kLiteral) &&
                !EndsOnItsLine(text, piece.at, piece.in == TomlIn::kBasic)) {
                return fail("a text that does not end on its line");
            }
            continue;
        }
        if (piece.in == TomlIn::kCode && b >= 0x80) {
            return fail("a character outside quotes that is not ASCII");
        }
        if (piece.in != TomlIn::kBasic && piece.in != TomlIn::kLongBasic) continue;
        if (after_continuation && !blank(b)) {
            after_continuation = false;
            if (b >= 0x80) {
                return fail(
                    "a text line continued with \\ goes on with a character that is not ASCII; "
                    "put a space or a letter first");
            }
        }
        if (piece.kind == Kind::kEscape) {
            const auto escaped = static_cast<unsigned char>(text[piece.at + 1]);
            if (escaped >= 0x80) return fail("a backslash before a character that is not ASCII");
            if (piece.in == TomlIn::kLongBasic && blank(escaped)) after_continuation = true;
        }
    }
    return true;
}

// The TOML reader is given ASCII only: characters beyond ASCII inside "..." texts become \u
// escapes (the reader turns them back), in comments blanks. Its handling of other characters in
// the middle of malformed input is where its faults lie. False (with the fault recorded) for a
// character beyond ASCII in a '...' text or text that is not UTF-8.
bool AsciiForReader(WorldSource& world, std::string_view text, const std::string& file,
                    std::string& out) {
    using Kind = TomlPiece::Kind;
    TomlScan scan(text);
    TomlPiece piece;
    out.clear();
    out.reserve(text.size() + text.size() / 8);
    const auto fail = [&](std::string message) {
        world.errors.push_back({file, scan.line(), "", std::move(message)});
        return false;
    };
    while (scan.next(piece)) {
        const auto b = static_cast<unsigned char>(text[piece.at]);
        const bool literal = piece.in == TomlIn::kLiteral || piece.in == TomlIn::kLongLiteral;
        if (b >= 0x80) {
            if (piece.in == TomlIn::kComment) {
                out += ' ';
                continue;
            }
            // One UTF-8 sequence.
            const int length = (b & 0xE0) == 0xC0   ? 2
                               : (b & 0xF0) == 0xE0 ? 3
                               : (b & 0xF8) == 0xF0 ? 4
                                                    : 0;
            const std::size_t i = piece.at;
            if (length == 0 || i + static_cast<std::size_t>(length) > text.size()) {
                return fail("text that is not UTF-8");
            }
            std::uint32_t code = b & (0x7F >> length);
            for (int k = 1; k < length; ++k) {
                const auto c = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
                if ((c & 0xC0) != 0x80) return fail("text that is not UTF-8");
                code = (code << 6) | (c & 0x3F);
            }
            if (code < 0x80 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
                return fail("text that is not UTF-8");
            }
            char escape[16];
            if (code <= 0xFFFF) {
                std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(code));
            } else {
                std::snprintf(escape, sizeof escape, "\\U%08X", static_cast<unsigned>(code));
            }
            out += escape;
            scan.skip(static_cast<std::size_t>(length) - 1);
            continue;
        }
        const std::string_view bytes = text.substr(piece.at, piece.size);
        switch (piece.kind) {
            case Kind::kOpen:
                // A '...' text goes to the reader as a "..." text, so it can carry escapes.
                out += literal ? std::string(piece.size, '"') : std::string(bytes);
                break;
            case Kind::kClose:
                if (piece.in == TomlIn::kLiteral) {
                    out += b == '\'' ? '"' : '\n';
                } else if (piece.in == TomlIn::kLongLiteral) {
                    out += std::string(piece.size - 3, '\'') + "\"\"\"";
                } else {
                    out += bytes;
                }
                break;
            case Kind::kEscape:
                // The escaped character is ASCII (checked before); it goes as it is.
                out += bytes;
                break;
            case Kind::kByte:
                if (literal && (b == '\\' || b == '"')) out += '\\';
                out += static_cast<char>(b);
                break;
        }
    }
    return true;
}

std::string KindName(const KindLayout& layout) {
    return layout.table;
}

void Refuse(WorldSource& world, const SourceRecord& r, std::string_view field,
            std::string message) {
    const auto it = r.field_lines.find(field);
    world.errors.push_back(
        {r.file, it != r.field_lines.end() ? it->second : r.line, std::string(field), message});
}

void CheckNumbering(WorldSource& world, const KindLayout& layout) {
    const auto& records = world.of(layout.kind);
    std::int64_t expected = 1;
    for (const auto& [number, r] : records) {
        if (number != expected) {
            world.errors.push_back({r.file, r.line, "",
                                    layout.table + std::string(" ") + std::to_string(expected) +
                                        " is missing: " + layout.source +
                                        " are numbered from 1 without gaps"});
            return;
        }
        ++expected;
    }
}

void CheckReferences(WorldSource& world, const KindLayout& layout) {
    for (const auto& [number, r] : world.of(layout.kind)) {
        for (const FieldLayout& f : layout.fields) {
            if (f.refers_to < 0) continue;
            const auto target = static_cast<WorldKind>(f.refers_to);
            for (std::size_t i = 0; i < f.count; ++i) {
                const std::int64_t v =
                    ReadInteger(r.bytes, f.offset + i * f.width, f.width, IsSigned(f));
                if (v == 0 || world.of(target).contains(v)) continue;
                Refuse(world, r, f.name,
                       layout.table + std::string(" ") + std::to_string(number) + ": " +
                           KindName(KindOf(target)) + " " + std::to_string(v) + " does not exist");
            }
        }
    }
}

void CheckMonsters(WorldSource& world) {
    for (const auto& [number, r] : world.of(WorldKind::kMonster)) {
        const std::int64_t hp_max = ReadInteger(r.bytes, offsetof(MonsterRecord, hp_max), 4, true);
        const std::int64_t hp_min = ReadInteger(r.bytes, offsetof(MonsterRecord, hp_min), 4, true);
        if (hp_min > 0 && hp_min >= hp_max) {
            Refuse(world, r, "hp_min",
                   "monster " + std::to_string(number) +
                       ": hit points are drawn below hp_max until they reach hp_min, so hp_min "
                       "must be below hp_max");
        }
    }
}

void CheckItems(WorldSource& world) {
    for (const auto& [number, r] : world.of(WorldKind::kItem)) {
        const std::int64_t effect = r.bytes[offsetof(ItemRecord, effect)];
        const std::int64_t room = ReadInteger(r.bytes, offsetof(ItemRecord, effect_value), 4, true);
        if ((effect & 0x02) != 0 && !world.of(WorldKind::kRoom).contains(room)) {
            Refuse(world, r, "effect_value",
                   "item " + std::to_string(number) + ": it carries the player to room " +
                       std::to_string(room) + ", which does not exist");
        }
    }
}

// An event that has happened continues with its done_event; one that has not continues with
// next_event or fail_event, and it is marked done on the way only when done_at_start is set. A
// chain can therefore run for ever exactly along a cycle of done_event links and of the other
// two links of events with done_at_start 0.
void CheckEventChains(WorldSource& world) {
    const auto& events = world.of(WorldKind::kEvent);
    std::map<std::int64_t, std::vector<std::pair<std::int64_t, const char*>>> links;
    for (const auto& [number, r] : events) {
        auto& out = links[number];
        if (const std::int64_t done = r.bytes[offsetof(EventRecord, done_event)];
            events.contains(done)) {
            out.emplace_back(done, "done_event");
        }
        if (r.bytes[offsetof(EventRecord, done_at_start)] != 0) continue;
        for (const auto& [offset, name] :
             {std::pair<std::size_t, const char*>{offsetof(EventRecord, next_event), "next_event"},
              {offsetof(EventRecord, fail_event), "fail_event"}}) {
            const std::int64_t next = ReadInteger(r.bytes, offset, 4, true);
            if (events.contains(next)) out.emplace_back(next, name);
        }
    }
    std::map<std::int64_t, int> state;  // 1 on the path, 2 finished
    std::vector<std::int64_t> path;
    bool found = false;
    std::function<void(std::int64_t)> visit = [&](std::int64_t n) {
        state[n] = 1;
        path.push_back(n);
        for (const auto& [next, name] : links[n]) {
            if (found) return;
            if (state[next] == 1) {
                std::string chain;
                const auto from = std::find(path.begin(), path.end(), next);
                for (auto it = from; it != path.end(); ++it) chain += std::to_string(*it) + " -> ";
                chain += std::to_string(next);
                Refuse(world, events.at(n), name,
                       "event " + std::to_string(n) + ": the chain " + chain +
                           " can repeat for ever (mark an event done_at_start or end the chain)");
                found = true;
                return;
            }
            if (state[next] == 0) visit(next);
        }
        path.pop_back();
        state[n] = 2;
    };
    for (const auto& [number, r] : events) {
        if (found) break;
        if (state[number] == 0) visit(number);
    }
}

}  // namespace

std::string SourceError::text() const {
    std::string out = file;
    if (line > 0) out += ":" + std::to_string(line);
    out += ": ";
    if (!field.empty()) out += "field '" + field + "': ";
    return out + message;
}

void ParseWorldSource(WorldSource& world, WorldKind kind, std::string_view text,
                      const std::string& file_name) {
    const KindLayout& layout = KindOf(kind);
    world.present[static_cast<std::size_t>(kind)] = true;
    if (!SafeForReader(world, text, file_name)) return;
    std::string ascii;
    if (!AsciiForReader(world, text, file_name, ascii)) return;
    toml::parse_result parsed = toml::parse(ascii, std::string_view(file_name));
    if (!parsed) {
        const toml::parse_error& e = parsed.error();
        world.errors.push_back(
            {file_name, static_cast<int>(e.source().begin.line), "", std::string(e.description())});
        return;
    }
    for (auto&& [key, node] : parsed.table()) {
        if (key.str() != layout.table || !node.is_table()) {
            world.errors.push_back({file_name, LineOf(node), "",
                                    "unknown table '" + std::string(key.str()) +
                                        "'; this file holds [" + layout.table + ".N] tables"});
            continue;
        }
        for (auto&& [number_key, record_node] : *node.as_table()) {
            const int line = LineOf(record_node);
            const auto number = RecordNumber(number_key.str(), layout.max_records);
            if (!number || !record_node.is_table()) {
                world.errors.push_back({file_name, line, "",
                                        "'" + std::string(number_key.str()) + "' is not a " +
                                            layout.table + " table numbered 1.." +
                                            std::to_string(layout.max_records)});
                continue;
            }
            auto& records = world.of(kind);
            if (const auto old = records.find(*number); old != records.end()) {
                world.errors.push_back({file_name, line, "",
                                        layout.table + std::string(" ") + std::to_string(*number) +
                                            " is already defined at " + old->second.file + ":" +
                                            std::to_string(old->second.line)});
                continue;
            }
            SourceRecord& r = records[*number];
            r.bytes.assign(layout.record_size, 0);
            r.file = file_name;
            r.line = line;
            RecordParser parser{world, layout, file_name, r,
                                layout.table + std::string(" ") + std::to_string(*number)};
            parser.parse(*record_node.as_table(), *number);
        }
    }
}

void CheckWorld(WorldSource& world) {
    for (int k = 0; k < kWorldKindCount; ++k) CheckNumbering(world, KindAt(k));
    for (int k = 0; k < kWorldKindCount; ++k) CheckReferences(world, KindAt(k));
    CheckMonsters(world);
    CheckItems(world);
    CheckEventChains(world);
}

std::vector<std::uint8_t> BuildWorldFile(const WorldSource& world, WorldKind kind) {
    std::vector<std::uint8_t> out;
    const auto& records = world.of(kind);
    out.reserve(records.size() * KindOf(kind).record_size);
    for (const auto& [number, r] : records) out.insert(out.end(), r.bytes.begin(), r.bytes.end());
    return out;
}

}  // namespace vorn

// Writing world sources from .dat files. The source form is the one the compiler reads, every
// field spelled out; bytes the game does not read go into an `unread` list so that compiling the
// result gives the same file back byte for byte.
#include <algorithm>
#include <cstdio>

#include "common/cp437_text.hpp"
#include "worldc/world_source.hpp"

namespace vorn {

namespace {

constexpr std::uint32_t kLetterBits = 0x07FFFFFEu;  // bits 1..26: A..Z
constexpr std::size_t kUnreadChunk = 32;            // bytes per `unread` entry
constexpr std::size_t kUnreadJoin = 8;              // equal bytes bridged inside one entry

// A TOML basic string of CP437 bytes.
std::string Quoted(std::string_view bytes) {
    std::string out = "\"";
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (b < 0x20 || b == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04X", b);
            out += escape;
        } else {
            out += Cp437ToUtf8(std::string_view(&c, 1));
        }
    }
    return out + "\"";
}

std::string_view TextAt(std::span<const std::uint8_t> r, std::size_t at, std::size_t capacity) {
    const std::size_t length = std::min<std::size_t>(r[at], capacity);
    return {reinterpret_cast<const char*>(r.data()) + at + 1, length};
}

std::string Value(const FieldLayout& f, std::span<const std::uint8_t> r, std::size_t i) {
    switch (f.type) {
        case FieldType::kInteger:
            return std::to_string(ReadInteger(r, f.offset + i * f.width, f.width, IsSigned(f)));
        case FieldType::kBool: {
            const std::uint8_t b = r[f.offset + i];
            return b == 0 ? "false" : b == 1 ? "true" : std::to_string(b);
        }
        case FieldType::kText:
            return Quoted(TextAt(r, f.offset + i * (f.width + 1), f.width));
        case FieldType::kFlags: {
            const auto v = static_cast<std::uint32_t>(ReadInteger(r, f.offset, 4, false));
            if ((v & ~kLetterBits) != 0) return std::to_string(v);
            std::string letters;
            for (int bit = 1; bit <= 26; ++bit) {
                if ((v >> bit) & 1u) letters += static_cast<char>('@' + bit);
            }
            return "\"" + letters + "\"";
        }
    }
    return {};
}

void WriteField(std::string& out, const FieldLayout& f, std::span<const std::uint8_t> r) {
    out += f.name;
    out += " = ";
    if (f.count == 1) {
        out += Value(f, r, 0) + "\n";
        return;
    }
    if (f.type == FieldType::kText) {
        // Lines, without the empty ones at the end.
        std::size_t used = f.count;
        while (used > 0 && TextAt(r, f.offset + (used - 1) * (f.width + 1), f.width).empty()) {
            --used;
        }
        out += "[\n";
        for (std::size_t i = 0; i < used; ++i) out += "    " + Value(f, r, i) + ",\n";
        out += "]\n";
        return;
    }
    out += "[";
    for (std::size_t i = 0; i < f.count; ++i) out += (i > 0 ? ", " : "") + Value(f, r, i);
    out += "]\n";
}

// The `unread` entries: runs of bytes outside the read fields that are not zero.
std::vector<std::string> UnreadRuns(const std::vector<bool>& mask,
                                    std::span<const std::uint8_t> r) {
    std::vector<std::string> runs;
    std::size_t i = 0;
    while (i < r.size()) {
        if (mask[i] || r[i] == 0) {
            ++i;
            continue;
        }
        // Extend while unread and either non-zero or a short bridge to more non-zero bytes.
        std::size_t end = i + 1;
        while (end < r.size() && !mask[end] && end - i < kUnreadChunk) {
            if (r[end] != 0) {
                ++end;
                continue;
            }
            std::size_t next = end;
            while (next < r.size() && !mask[next] && r[next] == 0 && next - end < kUnreadJoin) {
                ++next;
            }
            if (next < r.size() && !mask[next] && r[next] != 0 && next - i < kUnreadChunk) {
                end = next;
            } else {
                break;
            }
        }
        std::string run = std::to_string(i) + ":";
        for (std::size_t k = i; k < end; ++k) {
            char hex[3];
            std::snprintf(hex, sizeof hex, "%02x", r[k]);
            run += hex;
        }
        runs.push_back(run);
        i = end;
    }
    return runs;
}

}  // namespace

std::string DecompileWorldFile(WorldKind kind, std::span<const std::uint8_t> bytes,
                               std::vector<std::string>& notes) {
    const KindLayout& layout = KindOf(kind);
    std::string out = "# " + std::string(layout.source) + " of " + layout.file + ", one [" +
                      layout.table + ".N] table per record.\n";
    const std::size_t count = bytes.size() / layout.record_size;
    if (bytes.size() % layout.record_size != 0) {
        notes.push_back(std::string(layout.file) + ": the last " +
                        std::to_string(bytes.size() % layout.record_size) +
                        " bytes are not a whole record and are left out");
    }
    for (std::size_t k = 0; k < count; ++k) {
        const auto r = bytes.subspan(k * layout.record_size, layout.record_size);
        const std::int64_t number = static_cast<std::int64_t>(k) + 1;
        out += "\n[" + std::string(layout.table) + "." + std::to_string(number) + "]\n";
        const std::int64_t stored = ReadInteger(r, 0, layout.number_width, layout.number_signed);
        if (stored != number) out += "number = " + std::to_string(stored) + "\n";
        for (const FieldLayout& f : layout.fields) {
            WriteField(out, f, r);
            if (f.type != FieldType::kText) continue;
            for (std::size_t line = 0; line < f.count; ++line) {
                if (r[f.offset + line * (f.width + 1)] > f.width) {
                    notes.push_back(std::string(layout.file) + ": " + layout.table + " " +
                                    std::to_string(number) + ", field '" + f.name +
                                    "': a length byte beyond the field is written as its size");
                }
            }
        }
        const std::vector<std::string> runs = UnreadRuns(ReadMask(layout, r), r);
        if (!runs.empty()) {
            out += "unread = [\n";
            for (const std::string& run : runs) out += "    \"" + run + "\",\n";
            out += "]\n";
        }
    }
    return out;
}

}  // namespace vorn

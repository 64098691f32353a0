// Screen save and restore: the screen image written as a small ANSI file in the node's own work
// directory, shown again later like any display file.
#include <fcntl.h>
#include <unistd.h>

#include <string>

#include "common/file_calls.hpp"
#include "common/record_file.hpp"
#include "core/node_paths.hpp"
#include "core/session.hpp"
#include "term/writer.hpp"

namespace vorn {

namespace {

constexpr char kAnsiDigit[] = "04261537";

std::string SaveFileName(int slot) {
    return "tempscr" + std::to_string(slot) + ".tmp";
}

// The colour sequence of the file format: a reset when brightness or blink changes (after which
// both colours are written), otherwise only the colours that differ.
void AppendColour(std::string& out, int last, std::uint8_t attribute) {
    const int f = attribute & 15;
    const int b = (attribute >> 4) & 7;
    const bool blink = (attribute & 128) != 0;
    const bool reset = last < 0 || ((last & 15) > 7) != (f > 7) || ((last & 128) != 0) != blink;
    out += "\x1b[";
    bool first = true;
    const auto part = [&](const std::string& p) {
        if (!first) out += ';';
        out += p;
        first = false;
    };
    if (reset) {
        std::string p = "0";
        if (f > 7) p += ";1";
        if (blink) p += ";5";
        part(p);
    }
    if (reset || b != ((last >> 4) & 7)) part(std::string("4") + kAnsiDigit[b]);
    if (reset || (f & 7) != (last & 7)) part(std::string("3") + kAnsiDigit[f & 7]);
    out += 'm';
}

}  // namespace

void Writer::save_screen(int slot) {
    const int rows = session_.settings.stat_bar ? kScreenRows - 1 : kScreenRows;
    std::string out = "\x1b[0m\x1b[2J";
    int last = -1;
    for (int y = 0; y < rows; ++y) {
        const auto& cells = image_[y];
        int end = kScreenColumns;
        while (end > 0 && cells[end - 1].character == ' ' &&
               (cells[end - 1].attribute & 0x70) == 0) {
            --end;
        }
        for (int x = 0; x < end; ++x) {
            const ScreenCell cell = cells[x];
            const bool differs = cell.character == ' '
                                     ? last < 0 || ((cell.attribute ^ last) & 0x70) != 0
                                     : cell.attribute != last;
            if (differs) {
                AppendColour(out, last, cell.attribute);
                last = cell.attribute;
            }
            out += static_cast<char>(cell.character);
        }
        if (end < kScreenColumns && y + 1 < rows) out += '\n';
    }

    const std::string path = NodeWorkDirectory(session_, '-') + SaveFileName(slot);
    const int fd = sys::Open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, kGameFileMode);
    if (fd >= 0) {
        WriteAll(fd, out.data(), out.size());
        sys::Close(fd);
    }

    SavedScreen* entry = nullptr;
    for (SavedScreen& s : saved_screens_) {
        if (s.slot == slot) entry = &s;
    }
    if (entry == nullptr) {
        entry = &saved_screens_[static_cast<std::size_t>(saved_screen_next_)];
        saved_screen_next_ = (saved_screen_next_ + 1) % static_cast<int>(saved_screens_.size());
    }
    *entry = SavedScreen{slot, cursor_, colour_};
}

void Writer::restore_screen(int slot) {
    TextColour colour = colour_;
    for (const SavedScreen& s : saved_screens_) {
        if (s.slot == slot) colour = s.colour;
    }
    if (session_.line.vornterm) {
        show_display_file(SaveFileName(slot), 25);
    } else {
        show_file_at(NodeWorkDirectory(session_, '-') + SaveFileName(slot), 25);
    }
    go_to(1, 1);
    colour_ = colour;
}

}  // namespace vorn

// Drawing the exploration screen: the room's header, text and bars, and blanking what a room
// left behind.
#include "play/explore_room.hpp"

#include <string>

#include "core/session.hpp"
#include "player/attribute_checks.hpp"
#include "player/player_screens.hpp"
#include "world/world_files.hpp"

namespace vorn {

std::uint32_t Bit(char letter) {
    return 1u << (letter - 64);
}
bool HasFlag(const RoomRecord& room, char letter) {
    return (room.flags & Bit(letter)) != 0;
}

void Blank(Writer& out, int column, int row, int width) {
    out.go_to(column, row);
    out.print_text(std::string(static_cast<std::size_t>(width), ' '));
    out.go_to(column, row);
}

void BlankRows(Writer& out, int first, int last) {
    for (int row = first; row <= last; ++row) Blank(out, 2, row, 78);
}

void DrawBars(Session& session) {
    Writer& out = session.writer;
    out.go_to(68, 16);
    ShowHpBar(session);
    out.go_to(68, 17);
    ShowManaBar(session);
}

void DrawRoomHeader(Session& session) {
    Writer& out = session.writer;
    Blank(out, 12, 2, 16);
    out.set_attribute(9, 0, false);
    out.print_coded(session.world.room.tag.view());
    Blank(out, 40, 2, 3);
    out.set_attribute(14, 0, false);
    out.print_text(std::to_string(session.keys.time_left("M")));
}

void PrintRoomText(Session& session) {
    Writer& out = session.writer;
    out.set_attribute(7, 0, false);
    for (int line = 0; line < kRoomTextLines; ++line) {
        out.go_to(2, 5 + line);
        out.print_coded(session.world.room.text[line].view());
    }
}

}  // namespace vorn

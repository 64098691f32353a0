// Drawing the exploration screen: the room's header, text and bars, and blanking what a room
// left behind. The pass, the command loop and the events all draw through these.
#pragma once

#include <cstdint>

namespace vorn {

struct RoomRecord;
struct Session;
class Writer;

// The room's flag for a letter (A to Z): the commands it offers and the monsters it holds.
std::uint32_t Bit(char letter);
bool HasFlag(const RoomRecord& room, char letter);

// Blanks `width` columns of `row` from `column` on and leaves the cursor there.
void Blank(Writer& out, int column, int row, int width);
void BlankRows(Writer& out, int first, int last);
void DrawBars(Session& session);
// The top row of the exploration screen: the room's name and the minutes left.
void DrawRoomHeader(Session& session);
void PrintRoomText(Session& session);

}  // namespace vorn

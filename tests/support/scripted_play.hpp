// Scripted play on a test session watched through a terminal emulator: rooms walked and battle
// turns fought with fixed dice, the caller's screen taken at every wait for a key. The writer's
// tests replay it with and without the screen model; its benchmark counts the bytes against the
// cells that changed.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "support/terminal_screen.hpp"

namespace vorn::test {

struct ScreenShot {
    std::vector<ScreenCell> cells;  // row by row
    int column = 1;
    int row = 1;
    std::size_t bytes_before = 0;  // bytes sent to the caller until this wait
    // Cells changed until this wait, counted at every write: everything the caller was shown.
    std::size_t changes_before = 0;
};

struct PlayRecording {
    std::vector<ScreenShot> shots;  // one per wait for a key, and one at the end
    // The shots where a room is entered or a battle turn begins: each step of the script.
    std::vector<std::size_t> steps;
    std::size_t bytes = 0;
    std::string sent;  // every byte, for a look at the screens in another viewer
};

enum class PlayScript {
    kRooms,   // walking back and forth along five rooms of different texts
    kBattle,  // moves and strikes against three monsters that never fall
};

// Plays `steps` steps of `script` on a fresh test session, the writer sending only what changed
// (or every byte as written), in UTF-8 or code page 437.
PlayRecording RecordPlay(PlayScript script, int steps, bool send_changes_only, bool utf8 = true);

// Cells that look different on two screens; a blank shows only its background.
int ChangedCells(const ScreenShot& before, const ScreenShot& after);

// The first difference between two screens ("" when they look the same, cursor included).
std::string ScreenDifference(const ScreenShot& a, const ScreenShot& b);

}  // namespace vorn::test

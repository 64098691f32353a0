// Reset Game: throws away the players and everything they made (e-mail, news, sleep files,
// cities and the cities' marks in the rooms, the nightly score bulletins), so a new game starts
// on the same world and settings. The world files, the node and settings files and the logs stay.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/clock.hpp"

namespace vorn {

// Where the reset tells what it does: one line per kind of file, a dot per file removed.
class ResetReport {
  public:
    virtual ~ResetReport() = default;
    // A new line: `heading` and "[", followed for a fixed list of files by one blank per file
    // and the closing "]", with the dots to come inside the brackets.
    virtual void begin(std::string_view heading, int blanks) = 0;
    virtual void dot() = 0;
    virtual void end(std::string_view ending) = 0;
};

// The nodes of the node table playing now, one line each ("Node 3: Ann"); a reset must wait
// until there are none, or the players still in the game would write into the new one.
std::vector<std::string> NodesInPlay(const DateTime& now);

void ResetGame(ResetReport& report);

}  // namespace vorn

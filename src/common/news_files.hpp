// News files: "global" (today), "yestday" (made by the nightly rotation) and one per player.
// Shared by game and maint. Entries are appended whole, one write each, so several nodes can add
// news to the same file at once.
#pragma once

#include <string>
#include <string_view>

#include "common/clock.hpp"

namespace vorn {

inline constexpr std::string_view kNewsSeparator =
    "|08-----=====----------=====----------=====----------=====----------=====--------";

// The news name padded or cut to 8 characters, trimmed, plus ".nws".
std::string NewsFileName(std::string_view news_name);

// Creates (or empties) the file with its header for today and the separator.
bool CreateNews(std::string_view news_name, Clock& clock);

// Appends one entry (and the separator unless `with_separator` is false), creating the file
// first when it is missing, and a "%PA" page pause when the file is due one.
bool AddNews(std::string_view text, std::string_view news_name, Clock& clock,
             bool with_separator = true);

// A player's personal news: the file is PlayerNewsFileName of the player's name, so no name
// can reach another file.
bool AddPlayerNews(std::string_view text, std::string_view player_name, Clock& clock,
                   bool with_separator = true);

// The nightly rotation: global.nws becomes yestday.nws.
void RotateNews();

}  // namespace vorn

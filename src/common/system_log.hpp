// The day's system log (one per node when multinode is on) and the node's chat log, both in the
// log path. Every line is one open-append-close, so a crash loses nothing and other processes can
// read along. Logging never fails the program: a line that cannot be written is lost quietly.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/clock.hpp"

namespace vorn {

// Where a log line goes: these session values name the file.
struct LogTarget {
    std::string log_path;  // "./logs/", or empty for the current directory
    bool multinode = false;
    std::uint8_t node_number = 0;
};

// The text without its colour codes: "|" with a digit, "B" or "U" and then a digit, and "@X" (or
// "@x") with two hexadecimal digits.
std::string StripColourCodes(std::string_view text);

// 12-07-2026.log, or 12-07-2026.003 for node 3 when multinode is on.
std::string SystemLogFileName(const LogTarget& target, const DateTime& now);

// "9:05am": the hour on a 12-hour clock without leading zero.
std::string LogTime(const DateTime& t);
// "December 7, 2026"; "Unknown" for a month outside 1..12.
std::string LongDate(const DateTime& t);

// The event line as written (without line end): time padded to 9, marker, message without colour
// codes; empty for an empty message. `message` has already lost its trailing ".".
std::string FormatSystemLogLine(std::string_view message, const DateTime& now);

void WriteSystemLog(const LogTarget& target, Clock& clock, std::string_view message);
void WriteChatLog(const LogTarget& target, Clock& clock, std::string_view line);

}  // namespace vorn

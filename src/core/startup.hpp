// What the game's start-up needs below the terminal: its version texts, exit codes and command
// line. The main sequence itself (RunGame, Terminate) is play/main_sequence.hpp.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vorn {

inline constexpr const char* kLongVersion = "1.00 alpha 20 [Linux]";
inline constexpr const char* kContactLine =
    "Report it to the Vornhold team at support@vornhold.example";

// Exit codes of the game.
inline constexpr int kExitNormal = 0;
inline constexpr int kExitNoDropFile = 1;
inline constexpr int kExitRoot = 43;
inline constexpr int kExitStrings = 250;
inline constexpr int kExitDataFiles = 254;
inline constexpr int kExitConfig = 255;

// The door type of boards that write door32.sys and may hand over a socket.
inline constexpr int kDoorTypeDoor32 = 5;

// The command line: the node argument (the first word that is no option) and the options before
// or after it: -D PATH (the drop file, or the folder to find it in) and --connect HOST:PORT (the
// board's port to play on). `error` says what is wrong when an option lacks its value. With them,
// the words themselves and the folder the game was started in.
struct CommandLine {
    std::vector<std::string> args;
    std::string start_directory;  // ends in "/"
    std::optional<std::string> node;
    std::string drop_file;
    std::string connect;
    std::string error;
};
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// The node argument: the text that names vorn<text>.dat, and the node number (modulo 256).
std::string NodeTextOf(const std::string* argument);
std::uint8_t NodeNumberOf(const std::string* argument);

}  // namespace vorn

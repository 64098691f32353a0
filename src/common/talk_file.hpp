// talk.txt, the tavern conversation: every node appends remarks to it and the night trims it to
// its head and latest lines. Both hold the same lock on the file, so no remark is torn or lost.
#pragma once

#include <string>
#include <string_view>

namespace vorn {

inline constexpr const char* kTalkFile = "talk.txt";

// Appends `line` and a line end to `path` as one whole line, also when several nodes add to
// the file at the same moment. False when the file could not be written.
bool AppendTalkLine(const std::string& path, std::string_view line);

// The nightly cleanup: a file of 26 lines or more keeps its first two lines (its head) and its
// last 22, rewritten in place. Returns the number of lines deleted (0 when the file is shorter or
// missing), or -1 when it could not be read or rewritten (it is then left as it was).
long TrimTalkFile(const std::string& path);

}  // namespace vorn

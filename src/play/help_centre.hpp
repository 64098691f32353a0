// The help centre: the topics of the help directory, listed and shown. A topic is a pair of
// files, NAME.dsc (its first line is the menu entry) and NAME.hlp (the text); both lists are
// taken in name order, so topic n of one is topic n of the other.
#pragma once

#include <string>
#include <vector>

namespace vorn {

struct Session;

inline constexpr const char* kHelpDirectory = "./help/";

// The names (without directory) of the files in `directory` ending in `extension`, sorted.
std::vector<std::string> HelpFiles(const std::string& directory, const std::string& extension);

// The topic number (1..22) of a key of the help centre, 0 when the key chooses none.
int HelpTopicOfKey(char key);

void HelpCentre(Session& session);

}  // namespace vorn

// The gods of the realm and the ranks of their religions.
#pragma once

#include <string_view>

namespace vorn {

// "None" for 0, "Honor" .. "Atheist" for 1..13, "Error" for any other code.
std::string_view DeityName(int deity);
// "Follower" .. "Majore" for ranks 1..10, "Error" for any other.
std::string_view ReligionRankName(int rank);
// The deity code picked by a key of the deity screen (A..M, either case); 0 for any other key.
int DeityForKey(char key);

}  // namespace vorn

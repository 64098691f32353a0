// The build points formula of the game settings: "left:right", each side decimal digits and the
// letter L (the character's level); the result is left / right, truncated.
#pragma once

#include <cstdint>
#include <string>

namespace vorn {

// Upper-cases `formula` in place (the game keeps the upper-cased text) and evaluates it.
// A right side worth 0 gives 0 build points instead of dividing by zero.
std::int32_t EvaluateBuildPointsFormula(std::string& formula, std::int32_t level);

}  // namespace vorn

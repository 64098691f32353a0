// The founder's hall of a player's own city: the menu with its three gauges and the readiness
// line, leading to the army, the buildings, the research and the status screen.
#pragma once

#include <cstdint>

namespace vorn {

struct Session;

inline constexpr int kGaugeWidth = 24;

// The cells of a gauge: current / full of the width, rounded, and never beyond the gauge's row
// (a value past its full value fills it, a negative one leaves it empty).
int GaugeLength(std::int64_t current, std::int64_t full);

// The menu of the city in the session's buffers; loops until Q.
void CityManagement(Session& session);

// The status screen of that city, then a key pause.
void ShowCityStatus(Session& session);

}  // namespace vorn

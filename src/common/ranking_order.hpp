// The order of the player ranking. Ranking sorts a copy of users.dat by experience, highest
// first, and the order it leaves equal players in is part of what players see, so the order here
// is exactly that of the long-standing in-place Shell sort on the file (gap halved each pass,
// equal records exchanged too) — computed on the experience values alone, in memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vorn {

// Position p of the result holds the index (into `experience`) of the record that ends up at
// position p.
std::vector<std::uint32_t> RankingOrder(const std::vector<std::int32_t>& experience);

// Writes `scratch_path` as users.dat sorted by RankingOrder, reading only the experience field
// first and then each record once. users.dat is read under a shared lock, so a player saved by
// another node at the same moment is copied either before or after that save, never torn.
// False when users.dat cannot be read or the copy cannot be written.
bool WriteRankedCopy(const std::string& users_path, const std::string& scratch_path);

}  // namespace vorn

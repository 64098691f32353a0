// Vornville's healer: every missing hit point for the player's level in gold.
#pragma once

#include <cstdint>

namespace vorn {

struct Session;
struct UserRecord;

// What the healer asks for a full cure: level times the missing hit points (0 when none miss).
std::int64_t HealingPrice(const UserRecord& user);

void Healer(Session& session);

}  // namespace vorn

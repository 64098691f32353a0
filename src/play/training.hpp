// The trainer, who lets a player with enough experience fight for the next level, and the
// gymnasium, where build points buy training of the seven attributes at rising prices.
#pragma once

#include <cstdint>

namespace vorn {

struct Session;
struct UserRecord;

void Trainer(Session& session);
void Gymnasium(Session& session);

// The gymnasium's keys in screen order: strength, dexterity, constitution, charisma, wisdom,
// intelligence, comeliness.
inline constexpr const char kGymnasiumKeys[] = "SDCHWIO";

// Buys one step of the attribute of `key`: the step costs the trained addition + 1 build points.
// False (record unchanged) when the points do not reach.
bool BuyTrainingStep(UserRecord& user, char key);

// The mana a player's wisdom and intelligence give, trained additions included.
std::int32_t ManaFromAttributes(const UserRecord& user);

}  // namespace vorn

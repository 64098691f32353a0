// What a night does to one user: the sleep file counted down, healing, bank and loan interest
// with their personal news, new rates, and the thieves who call on sleepers. maint runs it for
// every user; the game's logon pays a user the nights maint had to pass over while he played.
#pragma once

#include <cstdint>

#include "common/clock.hpp"
#include "common/random.hpp"
#include "common/user_records.hpp"

namespace vorn {

struct NightTerms {
    bool heal_everything = false;  // from maint.dat
};

// `amount` grown by `rate` percent, the fraction cut; capped at the largest 32-bit amount.
std::int32_t WithInterest(std::int32_t amount, int rate);

// One night's own changes, in order: sleep, healing, bank interest, loan interest, new rates.
// False when a news file or the sleep file could not be written.
bool PassUserNight(UserRecord& user, const NightTerms& terms, Random& rng, Clock& clock);

// Thieves call on a user who sleeps away from the game. False when the news could not be written.
bool VisitThieves(UserRecord& user, Random& rng, Clock& clock);

// Passes every night owed to the user through night `night` and stamps him with it. Returns how
// many nights were passed; `ok` turns false when a file could not be written.
std::uint32_t PayOwedNights(UserRecord& user, std::uint32_t night, const NightTerms& terms,
                            Random& rng, Clock& clock, bool& ok);

}  // namespace vorn

// The timed effects of exploration: the status line that cycles through its slots, recovery of
// hit points and mana, and the Sylvan countdown. They run while the caller is at a prompt.
#pragma once

#include <cstdint>
#include <string>

namespace vorn {

struct Session;

// Seconds on the monotonic clock.
std::int64_t NowSeconds(Session& session);
void SetStatus(Session& session, int slot, std::string text);
// The status text of the Sylvan effect; empty once it has worn off.
std::string SylvanText(int minutes);

}  // namespace vorn

// The small exchanges the town's shops, bank, inn and training halls share: a message at its
// place followed by the player's message wait, a menu key, and an amount typed as digits. Money
// is worked out in 64 bits and only stored when it fits the record's 32-bit fields.
#pragma once

#include <cstdint>
#include <limits>
#include <string_view>

namespace vorn {

struct Session;

inline constexpr std::int64_t kMostMoney = std::numeric_limits<std::int32_t>::max();
inline constexpr std::int64_t kLeastMoney = std::numeric_limits<std::int32_t>::min();
// Item counts and charges are 16-bit fields.
inline constexpr std::int64_t kMostItems = 65535;

inline bool FitsMoney(std::int64_t amount) {
    return amount >= kLeastMoney && amount <= kMostMoney;
}

// A sum that passes the 32-bit range stops at its edge instead of turning round.
inline std::int32_t CappedMoney(std::int64_t amount) {
    if (amount > kMostMoney) return static_cast<std::int32_t>(kMostMoney);
    if (amount < kLeastMoney) return static_cast<std::int32_t>(kLeastMoney);
    return static_cast<std::int32_t>(amount);
}

// The value of a line of digits; anything else stops it. Never wraps: up to 18 digits are exact.
std::int64_t ParseAmount(std::string_view text);

// Waits the player's message delay; a key cuts it short and stays for the next read.
void MessageWait(Session& session);
// Prints `text` (pipe codes) at (column, row) in `colour`, kept to `width` cells so that a long
// name stays in its place on the screen (0: as far as column 79).
void TextAt(Session& session, int column, int row, int colour, std::string_view text,
            int width = 0);
// Prints `text` (pipe codes) at (column, row) in `colour`, then waits.
void MessageAt(Session& session, int column, int row, int colour, std::string_view text);
// Prints `text` (pipe codes) as a line where the cursor stands, then waits.
void MessageLine(Session& session, std::string_view text);

// Reads keys until one of `keys` (compared upper-cased) arrives. 0 when the caller has gone, so
// every menu treats 0 as leaving.
char ReadMenuKey(Session& session, std::string_view keys);

// Reads up to `digits` digits at the cursor, starting from `default_text`.
std::int64_t ReadAmount(Session& session, std::string_view default_text, int digits);

}  // namespace vorn

// Access expressions: small conditions on the caller, the hour, the node and the day, as message
// areas and the sysop's chat command use them ("N1|N2", "!B&T10", "(H22|H23)P5").
#pragma once

#include <string>
#include <string_view>

namespace vorn {

struct Session;

// The expression with every condition replaced by "^" (true) or "%" (false), "&" dropped and
// "!(" kept for a negated group.
std::string AccessConditions(Session& session, std::string_view expression);

// Folds a condition string as CheckAccess does: groups innermost first, "|" inside a group
// before the "and" of neighbours. True when no "%" is left.
bool FoldAccessConditions(std::string conditions);

// True when the current caller meets the expression; an empty expression is always met.
bool CheckAccess(Session& session, std::string_view expression);

}  // namespace vorn

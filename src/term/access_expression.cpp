// Access expressions are evaluated by rewriting: conditions become "^" or "%", then each
// innermost group is folded to one result until none is left.
#include "term/access_expression.hpp"

#include <algorithm>
#include <cctype>

#include "core/session.hpp"

namespace vorn {

namespace {

constexpr char kTrue = '^';
constexpr char kFalse = '%';

bool IsResult(char c) {
    return c == kTrue || c == kFalse;
}

// Condition letters that take exactly one character as their argument.
bool TakesOneCharacter(char c) {
    switch (c) {
        case '*':
        case '=':
        case 'C':
        case 'F':
        case 'G':
        case 'N':
        case 'R':
        case 'V':
        case 'X':
            return true;
        default:
            return false;
    }
}

bool Evaluate(Session& s, char letter, long n, bool has_number) {
    switch (letter) {
        case 'H':
            return has_number && s.clock.now().hour == n;
        case 'N':
            return has_number && s.nodes.number == n;
        case 'P':
            return s.users.current.posts >= n;
        case 'T':
            return s.keys.seconds_left() / 60 >= static_cast<double>(n);
        case 'U':
            return has_number && s.users.current.number == n;
        case 'W':
            return has_number && s.clock.now().weekday + 1 == n;
        case 'Y': {
            const DateTime t = s.clock.now();
            return t.hour * 60 + t.minute >= n;
        }
        case 'B':
        case '=':
            return s.line.remote;
        // "*" reads a flag that is never set. Letters without a meaning here deny rather than
        // grant: an area guarded by a condition the game cannot check stays closed.
        default:
            return false;
    }
}

// Folds the inside of one group (no parentheses) to "^", "%" or nothing.
std::string FoldGroup(std::string_view group) {
    std::string g;
    for (char c : group) {
        if (IsResult(c) || c == '|') g += c;
    }
    for (std::size_t i = 1; i + 1 < g.size();) {
        if (g[i] == '|' && IsResult(g[i - 1]) && IsResult(g[i + 1])) {
            const char r = g[i - 1] == kTrue || g[i + 1] == kTrue ? kTrue : kFalse;
            g.replace(i - 1, 3, 1, r);
            i = std::max<std::size_t>(i - 1, 1);
        } else {
            ++i;
        }
    }
    bool any = false;
    bool all = true;
    for (char c : g) {
        if (!IsResult(c)) continue;
        any = true;
        all = all && c == kTrue;
    }
    if (!any) return {};
    return std::string(1, all ? kTrue : kFalse);
}

}  // namespace

std::string AccessConditions(Session& session, std::string_view expression) {
    std::string out;
    bool negate = false;
    for (std::size_t i = 0; i < expression.size();) {
        const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(expression[i])));
        ++i;
        if (c == '!') {
            negate = !negate;
            continue;
        }
        if (c == '|' || c == ')') {
            out += c;
            negate = false;
            continue;
        }
        if (c == '(') {
            if (negate) out += '!';
            out += '(';
            negate = false;
            continue;
        }
        const bool letter = (c >= 'A' && c <= 'Z') || c == '*' || c == '=';
        if (!letter) continue;  // "&", spaces and stray digits
        long n = 0;
        bool has_number = false;
        if (TakesOneCharacter(c)) {
            if (i < expression.size()) {
                const char arg = expression[i++];
                has_number = arg >= '0' && arg <= '9';
                n = has_number ? arg - '0' : -1;
            }
        } else {
            while (i < expression.size() && expression[i] >= '0' && expression[i] <= '9') {
                n = std::min(n * 10 + (expression[i] - '0'), 1000000000L);
                has_number = true;
                ++i;
            }
        }
        const bool result = Evaluate(session, c, n, has_number) != negate;
        out += result ? kTrue : kFalse;
        negate = false;
    }
    return out;
}

bool FoldAccessConditions(std::string s) {
    s = "(" + s + ")";
    for (;;) {
        const std::size_t close = s.find(')');
        if (close == std::string::npos) break;
        const std::size_t open = s.rfind('(', close);
        if (open == std::string::npos) {
            s.erase(close, 1);  // a ")" without its "(" closes nothing
            continue;
        }
        std::string result = FoldGroup(std::string_view(s).substr(open + 1, close - open - 1));
        std::size_t from = open;
        if (open > 0 && s[open - 1] == '!') {
            --from;
            if (!result.empty()) result[0] = result[0] == kTrue ? kFalse : kTrue;
        }
        s.replace(from, close + 1 - from, result);
    }
    return s.find(kFalse) == std::string::npos;
}

bool CheckAccess(Session& session, std::string_view expression) {
    if (expression.empty()) return true;
    return FoldAccessConditions(AccessConditions(session, expression));
}

}  // namespace vorn

#include "common/build_points.hpp"

#include <cctype>

namespace vorn {

namespace {

struct Side {
    std::string digits;
    bool level_scaled = false;

    std::int64_t value(std::int32_t level) const {
        std::int64_t v = 0;
        // Digits beyond what fits saturate instead of overflowing.
        for (char c : digits) {
            v = v * 10 + (c - '0');
            if (v > INT32_MAX) v = INT32_MAX;
        }
        if (digits.empty()) v = level_scaled ? 1 : 0;
        if (level_scaled) v *= level;
        return v;
    }
};

}  // namespace

std::int32_t EvaluateBuildPointsFormula(std::string& formula, std::int32_t level) {
    for (char& c : formula) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));

    Side left, right;
    Side* side = &left;
    bool divided = false;
    for (char c : formula) {
        if (c == ':') {
            if (divided) break;
            divided = true;
            side = &right;
        } else if (c >= '0' && c <= '9') {
            side->digits += c;
        } else if (c == 'L') {
            side->level_scaled = true;
        }
    }

    std::int64_t result = left.value(level);
    if (divided) {
        const std::int64_t divisor = right.value(level);
        result = divisor == 0 ? 0 : result / divisor;
    }
    if (result > INT32_MAX) result = INT32_MAX;
    if (result < INT32_MIN) result = INT32_MIN;
    return static_cast<std::int32_t>(result);
}

}  // namespace vorn

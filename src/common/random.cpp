#include "common/random.hpp"

namespace vorn {

std::uint32_t SeededRandom::random(std::uint32_t n) {
    if (n == 0) return 0;
    return std::uniform_int_distribution<std::uint32_t>(0, n - 1)(engine_);
}

std::uint32_t ScriptedRandom::random(std::uint32_t n) {
    if (n == 0) return 0;
    std::uint32_t draw = 0;
    if (!draws_.empty()) {
        draw = draws_[next_ < draws_.size() ? next_ : draws_.size() - 1];
        if (next_ < draws_.size()) ++next_;
    }
    return draw % n;
}

}  // namespace vorn

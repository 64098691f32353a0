#include "maint/live_players.hpp"

#include "common/user_records.hpp"

namespace vorn {

namespace {

constexpr std::int64_t kRereadMs = 1000;

}  // namespace

InPlay LivePlayers::find(std::uint16_t number, std::string_view name) {
    const std::int64_t now_ms = clock_.monotonic_ms();
    if (!read_ || now_ms - read_at_ms_ >= kRereadMs) {
        live_ = ReadLiveNodes(path_, clock_.now());
        read_ = true;
        read_at_ms_ = now_ms;
    }
    for (const NodeInfoRecord& node : live_) {
        const bool match = node.user_number != 0
                               ? node.user_number == number
                               : !name.empty() && SameUserName(node.user_name.view(), name);
        if (match) return {true, node.node};
    }
    return {locks_.held(number), 0};
}

}  // namespace vorn

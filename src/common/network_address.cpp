#include "common/network_address.hpp"

#include <charconv>

namespace vorn {

std::string AddressText(const NetworkAddress& a) {
    std::string text =
        std::to_string(a.zone) + ":" + std::to_string(a.net) + "/" + std::to_string(a.node);
    if (a.point != 0) text += "." + std::to_string(a.point);
    return text;
}

namespace {

// One part of an address: digits up to `end` (or the end of the text), 0..65535.
bool TakePart(std::string_view& text, char end, std::uint16_t& part) {
    const std::size_t stop = end == 0 ? text.size() : text.find(end);
    if (stop == std::string_view::npos || stop == 0) return false;
    unsigned value = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + stop, value);
    if (ec != std::errc() || ptr != text.data() + stop || value > 65535) return false;
    part = static_cast<std::uint16_t>(value);
    text.remove_prefix(stop == text.size() ? stop : stop + 1);
    return true;
}

}  // namespace

bool ParseAddress(std::string_view text, NetworkAddress& address) {
    NetworkAddress a;
    if (!TakePart(text, ':', a.zone) || !TakePart(text, '/', a.net)) return false;
    const bool has_point = text.find('.') != std::string_view::npos;
    if (!TakePart(text, has_point ? '.' : 0, a.node)) return false;
    if (has_point && !TakePart(text, 0, a.point)) return false;
    if (!text.empty()) return false;
    address = a;
    return true;
}

}  // namespace vorn

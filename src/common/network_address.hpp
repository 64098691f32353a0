// A board's address on the store-and-forward network boards share: zone:net/node.point.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vorn {

struct NetworkAddress {
    std::uint16_t zone = 0;
    std::uint16_t net = 0;
    std::uint16_t node = 0;
    std::uint16_t point = 0;

    friend bool operator==(const NetworkAddress&, const NetworkAddress&) = default;
    friend auto operator<=>(const NetworkAddress&, const NetworkAddress&) = default;
};

// "2:250/1", with ".point" added when the point is not 0.
std::string AddressText(const NetworkAddress& address);
// Reads "zone:net/node" or "zone:net/node.point", each part a number 0..65535. False for anything
// else, with `address` unchanged.
bool ParseAddress(std::string_view text, NetworkAddress& address);

}  // namespace vorn

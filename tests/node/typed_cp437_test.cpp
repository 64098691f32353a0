// The sysop's typed UTF-8 for a code page 437 caller, piece by piece as a terminal sends it.
#include "node/typed_cp437.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vorn {
namespace {

TEST(TypedCp437, TypedUtf8BecomesTheCallersCodePage) {
    const struct {
        std::vector<std::string> pieces;  // as the reads bring them
        std::string sent;
    } cases[] = {
        {{"Hi\r\033[A\033c"}, "Hi\r\033[A\033c"},    // ASCII and escape sequences pass
        {{"caf\xc3\xa9"}, "caf\x82"},                // é
        {{"\xe2\x94\x80\xe2\x94\x82"}, "\xc4\xb3"},  // ─ │
        {{"\xc3", "\xa9"}, "\x82"},                  // split after the lead byte
        {{"\xe2\x96", "\x91x"}, "\xb0x"},            // ░ split inside
        {{"\xe4\xb8\xad!"}, "!"},                    // 中: not in code page 437
        {{"\xf0\x9f\x98\x80ok"}, "ok"},              // four bytes, not in it either
        {{"\303a"}, "a"},                            // a lead byte without its end
        {{"\xa9z\xff"}, "z"},                        // stray bytes
        {{"\xc0\x9b"}, ""},                          // an overlong ESC is no ESC
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.pieces));
        TypedCp437 typed;
        std::string sent;
        for (const std::string& piece : c.pieces) sent += typed.feed(piece);
        EXPECT_EQ(sent, c.sent);
    }
}

}  // namespace
}  // namespace vorn

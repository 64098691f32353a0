// The sysop's typing for a node whose caller has code page 437: the UTF-8 a sysop's terminal
// sends, read a piece at a time as it arrives, becomes the code page 437 bytes of the same
// characters, so what he types shows on the caller's screen as he typed it.
#pragma once

#include <string>
#include <string_view>

#include "common/cp437_text.hpp"

namespace vorn {

class TypedCp437 {
  public:
    // The code page 437 bytes of the characters `bytes` completes. ASCII (escape sequences
    // included) passes as it is; a character split across two pieces comes out with the second;
    // characters code page 437 lacks and bytes that are no UTF-8 are dropped.
    std::string feed(std::string_view bytes);

  private:
    Utf8Decoder utf8_;  // holds the start of a character still waiting for its last bytes
};

}  // namespace vorn

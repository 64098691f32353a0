// The one key reader: every wait for the caller's keyboard goes through it. While it waits it
// runs the session's periodic work and enforces the inactivity and time limits.
#pragma once

#include <cstdint>
#include <string>

namespace vorn {

struct Session;

class KeyReader {
  public:
    explicit KeyReader(Session& session) : session_(session) {}

    // Waits for one key; returns at once (with the last key) when the session is ending.
    std::uint8_t read_key();
    // The standard key pause: the prompt, one key (or the node's fixed delay), prompt erased.
    void pause_key();
    // The caller's time left in seconds (3600 before the caller has logged on).
    double seconds_left();
    // Ends the session when the caller's time is used up.
    void check_time_limit();

    std::uint8_t extended_key() const { return extended_key_; }

  private:
    Session& session_;
    std::uint8_t last_key_ = 0;
    std::uint8_t extended_key_ = 0;
};

}  // namespace vorn

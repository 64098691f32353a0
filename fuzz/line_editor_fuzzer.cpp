// Random keys into the line editor with random switches, lengths and field positions: no crash,
// the text never longer than allowed, the cursor always on the 80 x 25 screen.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "common/clock.hpp"
#include "common/random.hpp"
#include "core/session.hpp"

namespace {

// Plays the input back at once, then hangs up; waiting only moves the clock.
class BurstTerminal final : public vorn::TerminalIo {
  public:
    BurstTerminal(vorn::ManualClock& clock, std::string_view keys) : clock_(clock), keys_(keys) {}
    bool write_all(std::string_view) override { return true; }
    bool wait_readable(int timeout_ms) override {
        if (keys_.empty() && ++idle_waits_ > 10'000) std::abort();  // a spinning wait
        if (!keys_.empty() || ended_) return true;
        clock_.advance_ms(timeout_ms);
        ended_ = true;
        return true;
    }
    long read_some(char* buffer, std::size_t size) override {
        if (keys_.empty()) {
            hung_up_ = true;
            return 0;
        }
        // A few bytes at a time, so sequences are split across reads too.
        const std::size_t n = std::min<std::size_t>({size, keys_.size(), 3});
        keys_.copy(buffer, n);
        keys_.remove_prefix(n);
        return static_cast<long>(n);
    }
    bool hung_up() const override { return hung_up_; }

  private:
    vorn::ManualClock& clock_;
    std::string_view keys_;
    bool ended_ = false;
    bool hung_up_ = false;
    int idle_waits_ = 0;
};

class NoExit final : public vorn::ProcessExit {
  public:
    void exit_process(int) override { throw 0; }
};

constexpr const char* kSwitches[] = {"/AA", "/NI", "/PW", "/NR", "/NE",
                                     "/MN", "/SP", "/RQ", "/NC", "/BG"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 8) return 0;
    const int max_length = data[0];
    const int width = data[1] % 100;
    const int case_mode = data[2] % 10;
    const int column = 1 + data[3] % 80;
    const int row = 1 + data[4] % 25;
    const unsigned switches = data[5] | (data[6] << 8);
    const std::size_t default_length = data[7] % 40;
    std::string options;
    for (unsigned b = 0; b < 10; ++b) {
        if (switches & (1u << b)) options += kSwitches[b];
    }
    const std::string_view rest(reinterpret_cast<const char*>(data + 8), size - 8);
    const std::string default_text(rest.substr(0, std::min(default_length, rest.size())));
    const std::string_view keys = rest.substr(default_text.size());

    vorn::ManualClock clock;
    vorn::ScriptedRandom random({0});
    BurstTerminal terminal(clock, keys);
    NoExit exit;
    vorn::Platform platform{clock, random, terminal, exit};
    vorn::Session session(platform);
    vorn::CharacterSet allowed = vorn::CharacterRange(32, 254);
    if (switches & 0x8000) allowed = vorn::CharacterRange('0', '9');
    session.writer.go_to(column, row);
    std::string text;
    try {
        text = (switches & 0x4000) ? session.keys.input_date(default_text)
                                   : session.keys.input_line(default_text, case_mode, allowed,
                                                             options, max_length, width);
    } catch (int) {
        return 0;
    }
    const int limit = (switches & 0x4000) ? 8 : max_length;
    if (static_cast<int>(text.size()) > limit) std::abort();
    const int x = session.writer.cursor_column();
    const int y = session.writer.cursor_row();
    if (x < 1 || x > 80 || y < 1 || y > 25) std::abort();
    return 0;
}

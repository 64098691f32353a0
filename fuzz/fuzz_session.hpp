// A session for the fuzz targets: fake terminal that answers every key wait with Enter, a
// manual clock (pauses take no time), fixed dice, and a private game directory.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <string_view>

#include "common/clock.hpp"
#include "common/random.hpp"
#include "core/session.hpp"
#include "term/terminal_io.hpp"

namespace vorn::fuzz {

// Output is counted, not kept. The caller presses Enter without end, so every key wait ends at
// once and the session never ends under the target (a hang-up ends the process, which a fuzz
// target must not do).
class NullTerminal final : public TerminalIo {
  public:
    bool write_all(std::string_view bytes) override {
        written += bytes.size();
        return true;
    }
    bool wait_readable(int) override { return true; }
    long read_some(char* buffer, std::size_t size) override {
        if (size == 0) return -1;
        buffer[0] = '\r';
        return 1;
    }
    bool hung_up() const override { return false; }
    std::size_t written = 0;
};

class AbortExit final : public ProcessExit {
  public:
    void exit_process(int) override { std::abort(); }
};

struct FuzzSession {
    FuzzSession() {
        char pattern[] = "/tmp/vorn-fuzz-XXXXXX";
        if (::mkdtemp(pattern) == nullptr || ::chdir(pattern) != 0) std::abort();
        session.system.temp_path = "./temp/";
        session.system.log_path = "./logs/";
        if (session.strings.open(
                "", [] {}, 0) != SystemStrings::OpenResult::kOpened)
            std::abort();
        session.users.current.name = "Joe Fuzz";
        session.users.current.sig_lines = 2;
        session.writer.initialize();
    }

    // A fresh start for each input: key waits end at once, the screen starts clean.
    void reset() {
        session.time.ended = false;
        session.writer.clear_screen();
        session.writer.set_attribute(7, 0, false);
        session.writer.flush();
    }

    // The one property every target checks: the cursor never leaves the screen.
    void check_cursor() const {
        const Writer& w = session.writer;
        if (w.cursor_column() < 1 || w.cursor_column() > 80 || w.cursor_row() < 1 ||
            w.cursor_row() > 25) {
            std::abort();
        }
    }

    ManualClock clock;
    SeededRandom dice{1};
    NullTerminal terminal;
    AbortExit exit;
    Platform platform{clock, dice, terminal, exit};
    Session session{platform};
};

}  // namespace vorn::fuzz

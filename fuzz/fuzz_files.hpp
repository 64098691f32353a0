// For the targets that read files of the game directory: an input holds the bytes of several
// files, one after the other, each ending with the mark kFileMark (the last one may also end
// with the input). A file that has no part in the input is not there at all, so a target meets
// missing files as well as short, long and damaged ones.
//
// The targets work in a scratch game directory holding the compiled default world and the
// default settings, and get a session whose process exit unwinds to the target instead of ending
// the run, and whose caller answers the terminal probe (or stays silent) while the clock runs on
// through every wait.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/clock.hpp"
#include "common/config_files.hpp"
#include "common/config_records.hpp"
#include "common/random.hpp"
#include "core/session.hpp"
#include "term/terminal_io.hpp"

namespace vorn::fuzz {

inline constexpr std::string_view kFileMark = "\n--8<--\n";

// The first `n` parts of an input; a part the input does not have is nullopt.
inline std::vector<std::optional<std::string_view>> SplitParts(const std::uint8_t* data,
                                                               std::size_t size, std::size_t n) {
    std::vector<std::optional<std::string_view>> parts(n);
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    bool more = true;
    for (std::size_t i = 0; i < n && more; ++i) {
        const std::size_t end = rest.find(kFileMark);
        parts[i] = rest.substr(0, end);
        more = end != std::string_view::npos;
        rest.remove_prefix(more ? end + kFileMark.size() : rest.size());
    }
    return parts;
}

// libFuzzer's timer interrupts the targets every second: every call here goes on after EINTR.
inline void WriteFile(const char* name, std::string_view bytes) {
    int fd;
    while ((fd = ::open(name, O_WRONLY | O_CREAT | O_TRUNC, 0600)) < 0 && errno == EINTR) {
    }
    if (fd < 0) std::abort();
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) std::abort();
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    ::close(fd);
}

inline std::string ReadFile(const std::filesystem::path& path) {
    std::string bytes;
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) std::abort();
    char block[65536];
    for (;;) {
        const ssize_t n = ::read(fd, block, sizeof block);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) std::abort();
        if (n == 0) break;
        bytes.append(block, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return bytes;
}

// The parts of an input, one per name; a name without its part is removed from the directory.
inline void WriteFileParts(const std::uint8_t* data, std::size_t size,
                           std::initializer_list<const char*> names) {
    const auto parts = SplitParts(data, size, names.size());
    std::size_t i = 0;
    for (const char* name : names) {
        if (parts[i]) {
            WriteFile(name, *parts[i]);
        } else {
            ::unlink(name);
        }
        ++i;
    }
}

// The process exit of the programs, unwinding to the target.
struct Exited {
    int code;
};
class ThrowingExit final : public ProcessExit {
  public:
    void exit_process(int code) override { throw Exited{code}; }
};

// A caller who answers the cursor-position probe when `answers_probe`, and otherwise presses
// Enter at every key wait (`presses_enter`) or types nothing. Every wait with nothing to read
// lets the clock run on by its length, so timeouts come as they would, in no time.
class ProbeTerminal final : public TerminalIo {
  public:
    explicit ProbeTerminal(ManualClock& clock) : clock_(clock) {}
    bool write_all(std::string_view bytes) override {
        if (answers_probe && bytes.find("\x1b[6n") != std::string_view::npos) {
            for (const char c : std::string_view("\x1b[12;1R")) typed_.push_back(c);
        }
        return true;
    }
    bool wait_readable(int timeout_ms) override {
        if (typed_.empty() && presses_enter) typed_.push_back('\r');
        if (!typed_.empty()) return true;
        clock_.advance_ms(timeout_ms < 0 ? 1000 : timeout_ms + 1);
        return false;
    }
    long read_some(char* buffer, std::size_t size) override {
        std::size_t n = 0;
        while (n < size && !typed_.empty()) {
            buffer[n++] = typed_.front();
            typed_.pop_front();
        }
        if (n == 0) {
            clock_.advance_ms(1000);
            return -1;
        }
        return static_cast<long>(n);
    }
    bool hung_up() const override { return false; }
    void clear() { typed_.clear(); }
    bool answers_probe = true;
    bool presses_enter = false;

  private:
    ManualClock& clock_;
    std::deque<char> typed_;
};

// A scratch game directory (the working directory from now on) with the default world in it,
// and a session on it: node 1, plain settings, no player yet.
struct GameScratch {
    GameScratch() {
        char pattern[] = "/tmp/vorn-fuzz-XXXXXX";
        if (::mkdtemp(pattern) == nullptr) std::abort();
        directory = pattern;
        for (const auto& entry : std::filesystem::directory_iterator(VORN_FUZZ_WORLD_DIR)) {
            world[entry.path().filename().string()] = ReadFile(entry.path());
        }
        if (::chdir(pattern) != 0) std::abort();
        for (const auto& [name, bytes] : world) WriteFile(name.c_str(), bytes);
        write_settings();
        std::filesystem::create_directories("temp");
        std::filesystem::create_directories("logs");
        session.system.data_path = "./";
        session.system.temp_path = "./temp/";
        session.system.log_path = "./logs/";
        session.nodes.number = 1;
        if (session.strings.open(
                "", [] {}, 0) != SystemStrings::OpenResult::kOpened)
            std::abort();
        session.writer.initialize();
    }

    // Puts back the world files a target changed.
    void restore(std::initializer_list<const char*> names) const {
        for (const char* name : names) WriteFile(name, world.at(name));
    }
    ~GameScratch() {
        if (::chdir("/") == 0) {
            std::error_code ignored;
            std::filesystem::remove_all(directory, ignored);
        }
    }

    // The default settings, as a new game directory has them.
    static void write_settings() {
        if (!WriteGameSettings(kGameSettingsFile, DefaultGameSettings()) ||
            !WriteMaintSettings(kMaintSettingsFile, DefaultMaintSettings())) {
            std::abort();
        }
    }

    // Back to the default world and settings alone: what a run wrote (players, news, bulletins)
    // goes.
    void remove_all_but_world() const {
        std::error_code ignored;
        for (const auto& entry : std::filesystem::directory_iterator(".", ignored)) {
            if (entry.is_directory(ignored)) continue;
            if (world.count(entry.path().filename().string()) == 0) {
                std::filesystem::remove(entry.path(), ignored);
            }
        }
        write_settings();
    }

    std::filesystem::path directory;
    std::map<std::string, std::string> world;  // the default world's files, name to bytes
    ManualClock clock{DateTime{2026, 12, 8, 2, 12, 0, 0, 0}};
    SeededRandom dice{1};
    ProbeTerminal terminal{clock};
    ThrowingExit exit;
    Platform platform{clock, dice, terminal, exit};
    Session session{platform};
};

}  // namespace vorn::fuzz

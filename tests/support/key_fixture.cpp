#include "support/key_fixture.hpp"
#include "play/main_sequence.hpp"

#include <stdlib.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace vorn::test {

std::int64_t TimedTerminal::last_event_ms() {
    return input_.empty() ? clock_.monotonic_ms()
                          : std::max(input_.back().at_ms, clock_.monotonic_ms());
}

void TimedTerminal::type(std::string_view bytes, std::int64_t delay_ms) {
    input_.push_back(Chunk{last_event_ms() + delay_ms, std::string(bytes)});
}

void TimedTerminal::hang_up(std::int64_t delay_ms) {
    end_at_ms_ = last_event_ms() + delay_ms;
}

bool TimedTerminal::write_all(std::string_view bytes) {
    ++writes;
    if (fail_writes_ || hung_up_) {
        hung_up_ = true;
        return false;
    }
    output.append(bytes);
    writes_at.emplace_back(clock_.monotonic_ms(), std::string(bytes));
    if (on_write) on_write(bytes);
    return true;
}

bool TimedTerminal::wait_readable(int timeout_ms) {
    ++waits;
    if (hung_up_) return false;
    std::int64_t next = -1;
    if (!input_.empty())
        next = input_.front().at_ms;
    else if (end_at_ms_ >= 0)
        next = end_at_ms_;
    const std::int64_t now = clock_.monotonic_ms();
    if (next >= 0 && next <= now + timeout_ms) {
        clock_.advance_ms(next - now);
        return true;
    }
    clock_.advance_ms(timeout_ms);
    return false;
}

long TimedTerminal::read_some(char* buffer, std::size_t size) {
    if (hung_up_) return 0;
    const std::int64_t now = clock_.monotonic_ms();
    if (!input_.empty() && input_.front().at_ms <= now) {
        Chunk& chunk = input_.front();
        const std::size_t n = std::min(size, chunk.bytes.size());
        std::memcpy(buffer, chunk.bytes.data(), n);
        chunk.bytes.erase(0, n);
        if (chunk.bytes.empty()) input_.pop_front();
        return static_cast<long>(n);
    }
    if (input_.empty() && end_at_ms_ >= 0 && end_at_ms_ <= now) {
        hung_up_ = true;
        return 0;
    }
    return -1;
}

namespace {

std::string MakeScratchDirectory() {
    char pattern[] = "/tmp/vorn-keys-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    return made != nullptr ? std::string(made) + "/" : std::string("/tmp/");
}

}  // namespace

KeyFixture::KeyFixture(std::vector<std::uint32_t> dice)
    : random(std::move(dice)),
      directory(MakeScratchDirectory()),
      session_holder(std::make_unique<Session>(platform)),
      session(*session_holder),
      keys(session.keys) {
    InstallCallHooks(session);
    std::filesystem::create_directories(directory + "logs");
    session.system.log_path = directory + "logs/";
    session.system.temp_path = directory + "temp/";
    session.command.start_directory = std::filesystem::current_path().string() + "/";
    session.strings.open(
        directory, [] {}, 0);
    session.nodes.number = 1;
    session.line.local = true;
    session.time.minutes_allowed = 60;
    session.time.running = true;
    session.logged_on = true;
    session.time.start = clock.now();
    session.time.start_ms = clock.monotonic_ms();
}

KeyFixture::~KeyFixture() {
    session_holder.reset();
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
}

std::string KeyFixture::system_log() const {
    std::string all;
    for (const auto& entry : std::filesystem::directory_iterator(directory + "logs")) {
        std::ifstream in(entry.path());
        std::stringstream text;
        text << in.rdbuf();
        all += text.str();
    }
    return all;
}

}  // namespace vorn::test

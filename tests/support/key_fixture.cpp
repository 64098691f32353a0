#include "support/key_fixture.hpp"
#include "play/main_sequence.hpp"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace vorn::test {

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

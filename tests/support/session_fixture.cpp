// Test doubles for a whole session: the fake terminal, the temporary game directory and the
// fixture that puts a session on them.
#include "support/session_fixture.hpp"
#include "play/main_sequence.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace vorn::test {

TempGameDirectory::TempGameDirectory() {
    char cwd[4096];
    previous_ = ::getcwd(cwd, sizeof cwd) != nullptr ? cwd : "/";
    std::string pattern = (std::filesystem::temp_directory_path() / "vorn-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern;
    if (::chdir(path_.c_str()) != 0) std::abort();
}

TempGameDirectory::~TempGameDirectory() {
    if (::chdir(previous_.c_str()) != 0) return;
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

void TempGameDirectory::write(const std::string& name, std::string_view bytes) const {
    const std::filesystem::path p = std::filesystem::path(path_) / name;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream f(p, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string TempGameDirectory::read(const std::string& name) const {
    std::ifstream f(std::filesystem::path(path_) / name, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

SessionFixture::SessionFixture()
    : session_ptr(std::make_unique<Session>(platform)), session(*session_ptr), out(session.writer) {
    InstallCallHooks(session);
    session.system.temp_path = "./temp/";
    session.system.log_path = "./logs/";
    // As in TestSession: the tests read what the game writes, byte for byte.
    out.send_changes_only = false;
    initialize_with_reply("\x1b[1;2R");
}

std::string SessionFixture::sent() {
    out.flush();
    return terminal.take();
}

void SessionFixture::initialize_with_reply(std::string_view reply) {
    terminal.type(reply);
    out.utf8_output = true;
    out.initialize();
    sent();
}

}  // namespace vorn::test

namespace vorn::test {

std::string RowText(const Writer& writer, int row) {
    std::string text;
    for (const ScreenCell& cell : writer.screen_image()[row - 1]) {
        text += static_cast<char>(cell.character);
    }
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

std::uint8_t CellAttribute(const Writer& writer, int column, int row) {
    return writer.screen_image()[row - 1][column - 1].attribute;
}

std::string CellsOutside(const Writer& writer, char c, int c1, int c2, int r1, int r2) {
    std::string outside;
    for (int row = 1; row <= kScreenRows; ++row) {
        for (int column = 1; column <= kScreenColumns; ++column) {
            const bool inside = column >= c1 && column <= c2 && row >= r1 && row <= r2;
            if (!inside && writer.screen_image()[row - 1][column - 1].character ==
                               static_cast<std::uint8_t>(c)) {
                outside += "(" + std::to_string(column) + "," + std::to_string(row) + ") ";
            }
        }
    }
    return outside;
}

}  // namespace vorn::test

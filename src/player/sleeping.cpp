#include "player/sleeping.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <optional>
#include <string>

#include "common/file_calls.hpp"
#include "common/player_file_names.hpp"
#include "common/record_file.hpp"
#include "core/session.hpp"

namespace vorn {

bool StartSleeping(Session& session, int days) {
    const std::string path = SleepFileName(session.users.current.name.view());
    const std::string text = std::to_string(days) + "\n";
    const int fd = sys::Open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, kGameFileMode);
    if (fd < 0) return false;
    const bool ok = WriteAll(fd, text.data(), text.size());
    // A sleep file without its days would keep the player out with nothing to count down.
    if (sys::Close(fd) != 0 || !ok) {
        sys::Unlink(path.c_str());
        return false;
    }
    return true;
}

void CheckSleeping(Session& session) {
    const std::string path = SleepFileName(session.users.current.name.view());
    constexpr std::size_t kMostRead = 256;
    const std::optional<std::string> text = ReadTextFile(path, kMostRead);
    if (!text) return;
    const std::string days = LineOfText(*text, 1);
    Writer& out = session.writer;
    out.clear_screen();
    out.print_coded("|15You are sleeping!");
    out.new_lines(1);
    out.print_text("You must sleep another " + days + " days before being able to wake up");
    out.new_lines(1);
    session.keys.pause_key();
    session.end_call(true);
}

}  // namespace vorn

#include "player/sleeping.hpp"

#include <unistd.h>

#include <fstream>

#include "common/player_file_names.hpp"
#include "core/session.hpp"
#include "core/startup.hpp"

namespace vorn {

bool StartSleeping(Session& session, int days) {
    std::ofstream out(SleepFileName(session.users.current.name.view()), std::ios::trunc);
    out << days << "\n";
    return static_cast<bool>(out.flush());
}

void CheckSleeping(Session& session) {
    const std::string path = SleepFileName(session.users.current.name.view());
    std::ifstream in(path);
    if (!in) return;
    std::string days;
    std::getline(in, days);
    if (!days.empty() && days.back() == '\r') days.pop_back();
    Writer& out = session.writer;
    out.clear_screen();
    out.print_coded("|15You are sleeping!");
    out.new_lines(1);
    out.print_text("You must sleep another " + days + " days before being able to wake up");
    out.new_lines(1);
    session.keys.pause_key();
    Terminate(session, true);
}

}  // namespace vorn

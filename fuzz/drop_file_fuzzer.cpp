// door.sys and doorfile.sr as a board might write them, or worse: the readers take whatever
// lines are there (numbers out of range, lines far too long, missing lines, NULs) and end the
// program only the ways they may. The first byte chooses the file, whether the caller's terminal
// answers the ANSI probe, and a node time limit; the rest is the file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "core/startup.hpp"
#include "fuzz_files.hpp"
#include "term/drop_files.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static vorn::fuzz::GameScratch game;
    if (size < 1) return 0;
    vorn::Session& s = game.session;
    const bool door_sys = (data[0] & 1) == 0;
    game.terminal.clear();
    game.terminal.answers_probe = (data[0] & 2) == 0;
    s.node.door_file_path = "./";
    s.node.time_limit = (data[0] & 4) != 0 ? 30 : 0;
    s.time.ended = false;
    s.line.ansi = false;
    s.line.local = false;
    s.line.comm_active = false;
    s.time.minutes_allowed = 0;
    vorn::fuzz::WriteFileParts(data + 1, size - 1, {door_sys ? "door.sys" : "doorfile.sr"});
    try {
        if (door_sys) {
            vorn::ReadDoorSys(s);
        } else {
            vorn::ReadDoorfileSr(s);
        }
    } catch (const vorn::fuzz::Exited& e) {
        // Only a doorfile.sr caller without ANSI is sent away.
        if (door_sys || game.terminal.answers_probe) std::abort();
        (void)e;
        return 0;
    }
    // doorfile.sr lets in only an ANSI caller; door.sys leaves it to the start-up after it.
    if (!door_sys && !s.line.ansi) std::abort();
    if (!(s.time.minutes_allowed == s.time.minutes_allowed)) std::abort();
    if (s.node.time_limit != 0 && s.time.minutes_allowed > s.node.time_limit) std::abort();
    if (s.users.current.real_name.view().size() > 255) std::abort();
    s.writer.flush();
    return 0;
}

// game: one caller on one node. The BBS (or inetd, systemd or socat for a stand-alone telnet
// game) starts it in the game directory with the node number.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>

#include "common/clock.hpp"
#include "common/game_directory_calls.hpp"
#include "common/random.hpp"
#include "core/session.hpp"
#include "core/startup.hpp"
#include "play/main_sequence.hpp"
#include "term/caller_line.hpp"

int main(int argc, char** argv) {
    if (::getuid() == 0 || ::geteuid() == 0) {
        std::fputs("RUNNING THIS PROGRAM AS ROOT IS STUPID\r\n", stdout);
        std::fflush(stdout);
        ::usleep(1000 * 1000);
        return vorn::kExitRoot;
    }
    // What the game makes gets the game's modes and the directory's group, whatever the umask
    // the board starts it with.
    vorn::GameDirectoryCalls files;
    vorn::SetFileCalls(&files);
    // A caller who hangs up must not kill us in the middle of a write: the write fails instead.
    ::signal(SIGPIPE, SIG_IGN);
    // Nor must a file-size limit set by the board: the write fails and the run-time I/O check
    // reports it, with the caller's terminal mode given back on the way out.
    ::signal(SIGXFSZ, SIG_IGN);

    vorn::SystemClock clock;
    vorn::SeededRandom random(static_cast<std::uint64_t>(std::time(nullptr)));
    // Standard input and output, spoken as telnet when they are a TCP connection.
    vorn::CallerLine terminal(STDIN_FILENO, STDOUT_FILENO, clock);
    vorn::RealProcessExit exit;
    vorn::Platform platform{clock, random, terminal, exit};
    vorn::Session session(platform);
    for (int i = 1; i < argc; ++i) session.command.args.emplace_back(argv[i]);
    // Without it every move looks at the files it reads again.
    session.watch.start();
    vorn::RunGame(session);
}

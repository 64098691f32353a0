// A small program over the real terminal layer for the end-to-end tests and the echo benchmark:
// it shows a display file, edits a line, takes a password, asks a yes/no question, and ends in
// order when the caller hangs up. Started in a game directory like the game itself.
#include <signal.h>
#include <unistd.h>

#include <string>

#include "common/clock.hpp"
#include "common/random.hpp"
#include "core/session.hpp"
#include "play/main_sequence.hpp"
#include "term/line_editor.hpp"
#include "term/terminal_io.hpp"

namespace {

void EndIfGone(vorn::Session& session) {
    if (session.time.ended) session.exit(0);
}

void RunSession(vorn::Session& session) {
    vorn::Writer& out = session.writer;
    const vorn::CharacterSet printable = vorn::CharacterRange(32, 254);
    out.show_display_file("demo", 28);
    out.new_lines(1);
    out.print_text("Name: ");
    const std::string name = session.keys.input_line("", 0, printable, "", 20);
    EndIfGone(session);
    out.print_line("You typed [" + name + "]");
    out.print_text("Password: ");
    const std::string password = session.keys.input_line("", 0, printable, "/PW", 12);
    EndIfGone(session);
    out.print_line("Password length " + std::to_string(password.size()));
    out.print_text("Continue? ");
    const bool yes = session.keys.ask_yes_no(true);
    EndIfGone(session);
    out.print_line(yes ? "Answer yes" : "Answer no");
    out.print_line("Done");
    session.exit(0);
}

// Line after line at the same prompt, until the caller hangs up: the echo benchmark types here.
void RunEcho(vorn::Session& session) {
    const vorn::CharacterSet printable = vorn::CharacterRange(32, 254);
    for (;;) {
        session.writer.print_text("> ");
        session.keys.input_line("", 0, printable, "", 60);
        EndIfGone(session);
    }
}

}  // namespace

int main(int argc, char** argv) {
    ::signal(SIGPIPE, SIG_IGN);
    vorn::SystemClock clock;
    vorn::SeededRandom random(1);
    vorn::FdTerminalIo terminal(STDIN_FILENO, STDOUT_FILENO);
    vorn::RealProcessExit exit;
    vorn::Platform platform{clock, random, terminal, exit};
    vorn::Session session(platform);
    vorn::InstallCallHooks(session);
    session.system.temp_path = "./temp/";
    session.system.log_path = "./logs/";
    session.writer.initialize();
    if (argc > 1 && std::string(argv[1]) == "echo") RunEcho(session);
    RunSession(session);
}

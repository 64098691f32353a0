// The drop files a BBS writes before starting the game, and the two questions asked of the
// caller's terminal at start-up. Both detections talk over the caller's own connection and take
// an answer the moment it is complete; an answer that never comes costs only the fixed waits.
#include "term/drop_files.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <string>

#include "common/directories.hpp"
#include "core/session.hpp"
#include "core/startup.hpp"

namespace vorn {

namespace {

constexpr int kAnswerWaitMs = 600;

// Lines of a drop file: at most 255 characters each; lines past the end read as empty.
class DropFile {
  public:
    explicit DropFile(const std::string& path) : in_(path, std::ios::binary) {}
    bool is_open() const { return in_.is_open(); }

    std::string line() {
        std::string text;
        if (in_ && std::getline(in_, text)) {
            if (!text.empty() && text.back() == '\r') text.pop_back();
            if (text.size() > 255) text.resize(255);
        } else {
            text.clear();
        }
        return text;
    }
    void skip(int n) {
        for (int i = 0; i < n; ++i) line();
    }

  private:
    std::ifstream in_;
};

std::string Trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// The usual decimal conversion: a text that is not wholly a number counts as 0.
double Number(const std::string& text) {
    const std::string t = Trimmed(text);
    if (t.empty()) return 0;
    char* end = nullptr;
    const double v = std::strtod(t.c_str(), &end);
    if (end == nullptr || *end != '\0' || !std::isfinite(v)) return 0;
    return v;
}

// A number out of range, or with a fraction, is no integer: 0. The range is checked before the
// conversion, which is undefined for a value that does not fit.
std::int32_t Integer32(const std::string& text) {
    const double v = Number(text);
    if (v > INT32_MAX || v < INT32_MIN || v != std::trunc(v)) return 0;
    return static_cast<std::int32_t>(v);
}

std::int16_t Integer16(const std::string& text) {
    const std::int32_t v = Integer32(text);
    return v > INT16_MAX || v < INT16_MIN ? 0 : static_cast<std::int16_t>(v);
}

void ApplyTimeLimit(Session& session) {
    const int limit = session.node.time_limit;
    if (limit != 0 && limit < session.minutes_allowed) session.minutes_allowed = limit;
}

void DiscardWaitingInput(Session& session) {
    TerminalIo& io = session.platform.terminal;
    char buffer[256];
    while (io.wait_readable(0) && io.read_some(buffer, sizeof buffer) > 0) {
    }
}

// Reads what the terminal sends for up to `wait_ms`, upper-cased; returns as soon as `done`
// says the answer is complete.
template <class Done>
std::string ReadAnswer(Session& session, int wait_ms, Done&& done) {
    TerminalIo& io = session.platform.terminal;
    std::string answer;
    const std::int64_t deadline = session.clock.monotonic_ms() + wait_ms;
    for (;;) {
        const std::int64_t left = deadline - session.clock.monotonic_ms();
        if (left <= 0 || !io.wait_readable(static_cast<int>(left))) break;
        char buffer[64];
        const long n = io.read_some(buffer, sizeof buffer);
        if (n <= 0) break;
        for (long i = 0; i < n && answer.size() < 255; ++i) {
            answer += static_cast<char>(std::toupper(static_cast<unsigned char>(buffer[i])));
        }
        if (done(answer)) break;
    }
    return answer;
}

void MustBeAnsi(Session& session) {
    session.writer.plain_line("You MUST be in ANSI, exiting...");
    session.keys.pause_key();
    Terminate(session, true);
}

}  // namespace

void ReadDoorSys(Session& session) {
    const std::string path = session.node.door_file_path.str() + "door.sys";
    DropFile file(NativePath(path));
    if (!file.is_open()) {
        session.writer.plain_line("Error reading DOOR.SYS (Not Found)");
        session.writer.plain_line(path + " is missing");
        session.log("** DOOR.SYS not found at " + path);
        session.exit(kExitNoDropFile);
    }
    session.writer.plain_line(file.line());
    session.comm.baud = Integer32(file.line());
    if (session.comm.baud == 0) {
        session.local_session = true;
    } else {
        session.local_session = false;
        session.comm_active = true;
    }
    session.remote_connection = !session.local_session;
    session.log("Modem Baud: " + std::to_string(session.comm.baud));
    file.skip(7);
    session.users.current.real_name = file.line();
    session.writer.print_line(session.users.current.real_name.view());
    file.skip(8);
    session.minutes_allowed = Number(file.line());
    ApplyTimeLimit(session);
    session.writer.plain_line(file.line());
    DetectAnsi(session);
}

void ReadDoorfileSr(Session& session) {
    const std::string path = session.node.door_file_path.str() + "doorfile.sr";
    DropFile file(NativePath(path));
    if (!file.is_open()) {
        session.writer.plain_line("Error reading DOORFILE.SR: Not Found at " + path);
        session.log("** DOORFILE.SR not found");
        session.exit(kExitNoDropFile);
    }
    // The board sent this caller over its line; the format has no mark for a local caller.
    session.remote_connection = true;
    session.users.current.real_name = file.line();
    const std::int16_t ansi = Integer16(file.line());
    if (ansi == 1) {
        session.ansi_terminal = true;
    } else if (ansi == 0) {
        if (DetectAnsi(session)) {
            session.writer.plain_line("ANSI detected");
        } else {
            MustBeAnsi(session);
        }
    } else {
        session.writer.plain("Detecting ANSI...");
        if (DetectAnsi(session)) {
            session.writer.plain_line("Succeded");
        } else {
            session.writer.plain_line("Failed");
            MustBeAnsi(session);
        }
    }
    file.skip(2);
    session.minutes_allowed = Integer16(file.line()) * 60.0;
    ApplyTimeLimit(session);
}

bool DetectAnsi(Session& session) {
    session.ansi_terminal = true;
    session.vornterm_detected = false;
    if (session.local_session) return true;
    if (session.comm_active) DiscardWaitingInput(session);
    for (int attempt = 0; attempt < 4; ++attempt) {
        session.writer.plain("\x1b[6n");
        session.writer.flush();
        // A cursor-position report ends with "R"; the maker's terminal program adds "///".
        const std::string answer = ReadAnswer(session, kAnswerWaitMs, [](const std::string& a) {
            return a.find('R') != std::string::npos;
        });
        session.ansi_terminal = answer.find_first_of("\x1b[;") != std::string::npos;
        session.vornterm_detected = answer.find("///") != std::string::npos;
        if (session.ansi_terminal) break;
    }
    if (session.comm_active) DiscardWaitingInput(session);
    return session.ansi_terminal;
}

bool DetectVornTerm(Session& session) {
    if (session.local_session) return session.vornterm_detected;
    if (session.comm_active) DiscardWaitingInput(session);
    session.writer.plain("Checking for VornTerm...///\\\\\\");
    session.writer.flush();
    const std::string answer = ReadAnswer(session, kAnswerWaitMs, [](const std::string& a) {
        return a.find("///") != std::string::npos;
    });
    if (answer.find("///") != std::string::npos) session.vornterm_detected = true;
    session.ansi_terminal = true;
    if (session.comm_active) DiscardWaitingInput(session);
    return session.vornterm_detected;
}

}  // namespace vorn

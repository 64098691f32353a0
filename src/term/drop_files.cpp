// The drop files a BBS writes before starting the game, and the two questions asked of the
// caller's terminal at start-up. Both detections talk over the caller's own connection and take
// an answer the moment it is complete; an answer that never comes costs only the fixed waits.
#include "term/drop_files.hpp"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "common/directories.hpp"
#include "common/record_file.hpp"
#include "common/text_case.hpp"
#include "core/session.hpp"
#include "core/startup.hpp"
#include "term/key_sequences.hpp"

namespace vorn {

namespace {

constexpr int kAnswerWaitMs = 600;
constexpr std::size_t kMaxLine = 255;
// A door32.sys is a few hundred bytes; reading stops here, and eleven lines must fit before it.
constexpr std::size_t kMaxDoor32Bytes = 64 * 1024;
constexpr int kDoor32Lines = 11;
constexpr std::size_t kMaxDropFileBytes = 1 << 20;

// Lines of a drop file: at most 255 characters each; lines past the end read as empty. A drop
// file is a few hundred bytes; reading stops at kMaxDropFileBytes.
class DropFile {
  public:
    explicit DropFile(const std::string& path)
        : text_(ReadTextFile(path, kMaxDropFileBytes)), error_(text_ ? 0 : errno) {}
    bool is_open() const { return text_.has_value(); }
    // Why the file could not be read (an errno value).
    int error() const { return error_; }

    std::string line() {
        if (!text_ || at_ >= text_->size()) return {};
        const std::size_t end = text_->find('\n', at_);
        std::string text =
            text_->substr(at_, end == std::string::npos ? std::string::npos : end - at_);
        at_ = end == std::string::npos ? text_->size() : end + 1;
        if (!text.empty() && text.back() == '\r') text.pop_back();
        if (text.size() > kMaxLine) text.resize(kMaxLine);
        return text;
    }
    void skip(int n) {
        for (int i = 0; i < n; ++i) line();
    }

  private:
    std::optional<std::string> text_;
    int error_ = 0;
    std::size_t at_ = 0;
};

// What keeps a drop file from being read, for the caller's screen: "Not Found" for a file that
// is not there, the system's words otherwise.
std::string Unreadable(int error) {
    return error == ENOENT ? "Not Found" : std::strerror(error);
}

std::string Trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// The usual decimal conversion; nullopt for a text that is not wholly a number.
std::optional<double> ParsedNumber(const std::string& text) {
    const std::string t = Trimmed(text);
    if (t.empty()) return std::nullopt;
    char* end = nullptr;
    const double v = std::strtod(t.c_str(), &end);
    // The whole text: a NUL inside it ends the C string early, not the number.
    if (end != t.c_str() + t.size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

// A text that is not wholly a number counts as 0.
double Number(const std::string& text) {
    return ParsedNumber(text).value_or(0);
}

// A number out of range, or with a fraction, is no integer: 0. The range is checked before the
// conversion, which is undefined for a value that does not fit.
std::int32_t Integer32(const std::string& text) {
    const double v = Number(text);
    if (v > INT32_MAX || v < INT32_MIN || v != std::trunc(v)) return 0;
    return static_cast<std::int32_t>(v);
}

// A whole number from `low` to `high`, or nullopt; the range is checked before the conversion.
std::optional<int> WholeNumber(const std::string& text, int low, int high) {
    const std::optional<double> v = ParsedNumber(text);
    if (!v || *v < low || *v > high || *v != std::trunc(*v)) return std::nullopt;
    return static_cast<int>(*v);
}

std::int16_t Integer16(const std::string& text) {
    const std::int32_t v = Integer32(text);
    return v > INT16_MAX || v < INT16_MIN ? 0 : static_cast<std::int16_t>(v);
}

void ApplyTimeLimit(Session& session) {
    const int limit = session.node.time_limit;
    if (limit != 0 && limit < session.time.minutes_allowed) session.time.minutes_allowed = limit;
}

// Hands the cursor-position reports in answer[from..] to the writer (one of them may be the
// start-up probe's late answer); returns where the next look starts: at a report not yet whole.
std::size_t TakePositionReports(Session& session, std::string_view answer, std::size_t from) {
    for (std::size_t i = answer.find('\x1b', from); i != std::string_view::npos;
         i = answer.find('\x1b', i + 1)) {
        int row = 0;
        int column = 0;
        const int length = PositionReportAt(answer.substr(i), row, column);
        if (length < 0) return i;
        if (length > 0) {
            session.writer.position_report(row, column);
            i += static_cast<std::size_t>(length) - 1;
        }
    }
    return answer.size();
}

void DiscardWaitingInput(Session& session) {
    TerminalIo& io = session.platform.terminal;
    std::string waiting;
    char buffer[256];
    for (long n = 0; io.wait_readable(0) && (n = io.read_some(buffer, sizeof buffer)) > 0;) {
        waiting.append(buffer, static_cast<std::size_t>(n));
        waiting.erase(0, TakePositionReports(session, waiting, 0));
    }
}

// Reads what the terminal sends for up to `wait_ms`, upper-cased; returns as soon as `done`
// says the answer is complete.
template <class Done>
std::string ReadAnswer(Session& session, int wait_ms, Done&& done) {
    TerminalIo& io = session.platform.terminal;
    std::string answer;
    std::size_t reports_from = 0;
    const std::int64_t deadline = session.clock.monotonic_ms() + wait_ms;
    for (;;) {
        const std::int64_t left = deadline - session.clock.monotonic_ms();
        if (left <= 0 || !io.wait_readable(static_cast<int>(left))) break;
        char buffer[64];
        const long n = io.read_some(buffer, sizeof buffer);
        if (n == 0) break;
        if (n < 0) continue;
        for (long i = 0; i < n && answer.size() < 255; ++i) {
            answer += Upper(buffer[i]);
        }
        reports_from = TakePositionReports(session, answer, reports_from);
        if (done(answer)) break;
    }
    return answer;
}

// The name as it was found, whatever its case: the folder is the node's or the command line's.
void LogDropFile(Session& session, const std::string& path) {
    session.log(">Drop file " + path.substr(path.rfind('/') + 1));
}

void MustBeAnsi(Session& session) {
    session.writer.plain_line("You MUST be in ANSI, exiting...");
    session.keys.pause_key();
    session.end_call(true);
}

}  // namespace

void ReadDoorSys(Session& session) {
    const std::string path = DropFilePath(session, "door.sys");
    DropFile file(path);
    if (!file.is_open()) {
        session.writer.plain_line("Error reading DOOR.SYS (" + Unreadable(file.error()) + ")");
        if (file.error() == ENOENT) {
            session.writer.plain_line(path + " is missing");
            session.log("** DOOR.SYS not found at " + path);
        } else {
            session.writer.plain_line(path + " cannot be read");
            session.log("** DOOR.SYS unreadable at " + path + ": " + Unreadable(file.error()));
        }
        session.exit(kExitNoDropFile);
    }
    LogDropFile(session, path);
    session.writer.plain_line(file.line());
    session.line.baud = Integer32(file.line());
    if (session.line.baud == 0) {
        session.line.local = true;
    } else {
        session.line.local = false;
        session.line.comm_active = true;
    }
    session.line.remote = !session.line.local;
    session.log("Modem Baud: " + std::to_string(session.line.baud));
    file.skip(7);
    session.users.current.real_name = file.line();
    session.writer.print_line(session.users.current.real_name.view());
    file.skip(8);
    session.time.minutes_allowed = Number(file.line());
    ApplyTimeLimit(session);
    session.writer.plain_line(file.line());
    DetectAnsi(session);
}

void ReadDoorfileSr(Session& session) {
    const std::string path = DropFilePath(session, "doorfile.sr");
    DropFile file(path);
    if (!file.is_open()) {
        session.writer.plain_line("Error reading DOORFILE.SR: " + Unreadable(file.error()) +
                                  " at " + path);
        session.log(file.error() == ENOENT
                        ? "** DOORFILE.SR not found"
                        : "** DOORFILE.SR unreadable: " + Unreadable(file.error()));
        session.exit(kExitNoDropFile);
    }
    LogDropFile(session, path);
    // The board sent this caller over its line; the format has no mark for a local caller.
    session.line.remote = true;
    session.users.current.real_name = file.line();
    const std::int16_t ansi = Integer16(file.line());
    if (ansi == 1) {
        session.line.ansi = true;
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
    session.time.minutes_allowed = Integer16(file.line()) * 60.0;
    ApplyTimeLimit(session);
}

std::optional<Door32Info> ParseDoor32Sys(std::string_view text, std::string& problem) {
    std::vector<std::string> lines;
    while (!text.empty() && lines.size() < kDoor32Lines) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.emplace_back(line.substr(0, kMaxLine));
    }
    if (lines.size() < kDoor32Lines) {
        problem = "only " + std::to_string(lines.size()) + " of its 11 lines";
        return std::nullopt;
    }
    Door32Info info;
    const auto note = [&info](int line, const std::string& what) {
        info.notes.push_back("line " + std::to_string(line) + ": " + what);
    };
    // A whole number from `low` to `high`; anything else is noted and counts as `fallback`.
    const auto number = [&](int line, const char* what, int low, int high, int fallback) {
        const std::optional<int> v = WholeNumber(lines[line - 1], low, high);
        if (v) return *v;
        note(line, std::string(what) + " \"" + Trimmed(lines[line - 1]) +
                       "\" is no number in range, taken as " + std::to_string(fallback));
        return fallback;
    };
    // Any comm type but 0 is a caller on the board's line: never a local one by mistake.
    info.comm_type = number(1, "the comm type", 0, 2, 2);
    if (info.comm_type == 2) {
        // -1 (no socket: the door runs on standard input and output) is no fault.
        const std::optional<int> handle = WholeNumber(lines[1], INT32_MIN, INT32_MAX);
        if (!handle) note(2, "the socket handle is no number, taken as -1");
        info.handle = handle && *handle >= 0 ? *handle : -1;
    }
    info.baud = info.comm_type == 0 ? 0 : WholeNumber(lines[2], 0, INT32_MAX).value_or(0);
    for (const int line : {6, 7}) {
        std::string name;
        for (const char c : lines[line - 1]) {
            if (static_cast<unsigned char>(c) >= 32 && c != 127) name += c;
        }
        if (name.size() != lines[line - 1].size()) note(line, "control characters left out");
        (line == 6 ? info.real_name : info.alias) = Trimmed(name);
    }
    if (info.real_name.empty() && info.alias.empty()) {
        // Callers without a name would all share one character.
        problem = "line 6: no caller name";
        return std::nullopt;
    }
    const std::optional<double> minutes = ParsedNumber(lines[8]);
    if (!minutes || *minutes < 0) note(9, "the time left is no number, taken as 0");
    info.minutes_left = minutes && *minutes > 0 ? *minutes : 0;
    info.emulation = number(10, "the emulation", 0, 255, 0);
    info.node = number(11, "the node", 0, INT32_MAX, 0);
    return info;
}

std::string FindDropFile(std::string_view folder, std::string_view name) {
    std::string dir = NativePath(folder);
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    const auto in_dir = [&dir](std::string_view file) {
        if (dir.empty()) return std::string(file);
        return dir == "/" ? "/" + std::string(file) : dir + "/" + std::string(file);
    };
    const auto is_file = [](const std::string& path) {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
    };
    if (is_file(in_dir(name))) return in_dir(name);
    const std::string upper = UpperCase(name);
    if (is_file(in_dir(upper))) return in_dir(upper);
    std::vector<std::string> spellings;
    if (DIR* d = ::opendir(dir.empty() ? "." : dir.c_str())) {
        const std::string wanted = LowerCase(name);
        while (const struct dirent* entry = ::readdir(d)) {
            if (LowerCase(entry->d_name) == wanted && is_file(in_dir(entry->d_name))) {
                spellings.emplace_back(entry->d_name);
            }
        }
        ::closedir(d);
    }
    if (spellings.empty()) return in_dir(name);
    return in_dir(*std::min_element(spellings.begin(), spellings.end()));
}

std::string DropFilePath(const Session& session, std::string_view name) {
    const std::string& given = session.command.drop_file;
    if (!given.empty() && !DirectoryExists(given)) return NativePath(given);
    if (!given.empty()) return FindDropFile(given, name);
    // The "\\" loading appended: an empty folder stays the working directory, not "/".
    std::string_view folder = session.node.door_file_path.view();
    if (!folder.empty() && folder.back() == '\\') folder.remove_suffix(1);
    return FindDropFile(folder, name);
}

int DoorTypeOfDropFile(std::string_view path) {
    const std::string native = NativePath(path);
    const std::string name = LowerCase(native.substr(native.rfind('/') + 1));
    if (name == "door.sys") return 1;
    if (name == "doorfile.sr") return 2;
    if (name == "door32.sys") return kDoorTypeDoor32;
    return 0;
}

int DoorTypeForDropArgument(const std::string& argument, int door_type) {
    if (!DirectoryExists(argument)) {
        const int named = DoorTypeOfDropFile(argument);
        return named != 0 ? named : door_type;
    }
    if (door_type == 1 || door_type == 2 || door_type == kDoorTypeDoor32) return door_type;
    for (const char* name : {"door32.sys", "door.sys", "doorfile.sr"}) {
        struct stat st {};
        if (::stat(FindDropFile(argument, name).c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) {
            return DoorTypeOfDropFile(name);
        }
    }
    return door_type;
}

void ReadDoor32File(Session& session) {
    const std::string path = DropFilePath(session, "door32.sys");
    const std::optional<std::string> text = ReadTextFile(path, kMaxDoor32Bytes);
    if (!text) {
        const int error = errno;
        session.writer.plain_line("Error reading DOOR32.SYS (" + Unreadable(error) + ")");
        if (error == ENOENT) {
            session.writer.plain_line(path + " is missing");
            session.log("** DOOR32.SYS not found at " + path);
        } else {
            session.writer.plain_line(path + " cannot be read");
            session.log("** DOOR32.SYS unreadable at " + path + ": " + Unreadable(error));
        }
        session.exit(kExitNoDropFile);
    }
    std::string problem;
    const std::optional<Door32Info> info = ParseDoor32Sys(*text, problem);
    if (!info) {
        session.writer.plain_line("Error reading DOOR32.SYS (" + problem + ")");
        session.writer.plain_line(path + " is damaged");
        session.log("** DOOR32.SYS damaged at " + path + ": " + problem);
        session.exit(kExitNoDropFile);
    }
    LogDropFile(session, path);
    for (const std::string& n : info->notes) session.log("*DOOR32.SYS " + n);
    session.line.door32 = *info;
    if (!session.system.dynamic_node && session.nodes.number == 0 && info->node >= 1 &&
        info->node <= 255) {
        session.nodes.number = static_cast<std::uint8_t>(info->node);
    }
}

void ReadDoor32Sys(Session& session) {
    const Door32Info& info = session.line.door32;
    session.line.local = info.comm_type == 0;
    session.line.comm_active = !session.line.local;
    session.line.remote = !session.line.local;
    session.line.baud = info.baud;
    session.log("Modem Baud: " + std::to_string(session.line.baud));
    session.users.current.real_name = info.real_name.empty() ? info.alias : info.real_name;
    session.writer.print_line(session.users.current.real_name.view());
    session.time.minutes_allowed = info.minutes_left;
    ApplyTimeLimit(session);
    if (info.emulation != 0) {
        session.line.ansi = true;
    } else if (!DetectAnsi(session)) {
        MustBeAnsi(session);
    }
}

bool DetectAnsi(Session& session) {
    session.line.ansi = true;
    session.line.vornterm = false;
    if (session.line.local) return true;
    if (session.line.comm_active) DiscardWaitingInput(session);
    for (int attempt = 0; attempt < 4; ++attempt) {
        session.writer.ask_position();
        session.writer.flush_unseen();
        // A cursor-position report ends with "R"; the maker's terminal program adds "///".
        const std::string answer = ReadAnswer(session, kAnswerWaitMs, [](const std::string& a) {
            return a.find('R') != std::string::npos;
        });
        session.line.ansi = answer.find_first_of("\x1b[;") != std::string::npos;
        session.line.vornterm = answer.find("///") != std::string::npos;
        if (session.line.ansi) break;
    }
    if (session.line.comm_active) DiscardWaitingInput(session);
    return session.line.ansi;
}

// The check is followed by a position question: a terminal answers in order, so once every
// question is answered no answer to the check is coming, and the check ends on one round trip.
// A terminal that answers nothing still costs the whole wait.
bool DetectVornTerm(Session& session) {
    if (session.line.local) return session.line.vornterm;
    if (session.line.comm_active) DiscardWaitingInput(session);
    session.writer.plain("Checking for VornTerm...///\\\\\\");
    session.writer.ask_position();
    session.writer.flush_unseen();
    const std::string answer = ReadAnswer(session, kAnswerWaitMs, [&session](const std::string& a) {
        return a.find("///") != std::string::npos || session.writer.unanswered_positions() == 0;
    });
    if (answer.find("///") != std::string::npos) session.line.vornterm = true;
    session.line.ansi = true;
    if (session.line.comm_active) DiscardWaitingInput(session);
    return session.line.vornterm;
}

}  // namespace vorn

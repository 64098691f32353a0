#include "common/system_log.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "common/file_calls.hpp"
#include "common/record_file.hpp"

namespace vorn {

namespace {

std::string Padded(int value, int width) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*d", width, value);
    return buf;
}

// Appends `line`; when the file is new, `header` goes in front of it in the same write.
void AppendLine(const std::string& path, const std::string& header, const std::string& line) {
    bool created = false;
    int fd = sys::Open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) {
        fd = sys::Open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC,
                       kGameFileMode);
        created = fd >= 0;
        // Another process made it between our two opens: append to theirs.
        if (fd < 0 && errno == EEXIST)
            fd = sys::Open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    }
    if (fd < 0) return;
    const std::string text = (created ? header : std::string()) + line + "\n";
    WriteAll(fd, text);
    sys::Close(fd);
}

}  // namespace

std::string StripColourCodes(std::string_view text) {
    const auto hex = [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
    };
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '|' && i + 2 < text.size()) {
            const char a = text[i + 1], b = text[i + 2];
            if (((a >= '0' && a <= '9') || a == 'B' || a == 'U') && b >= '0' && b <= '9') {
                i += 2;
                continue;
            }
        }
        if (text[i] == '@' && i + 3 < text.size() && (text[i + 1] == 'X' || text[i + 1] == 'x') &&
            hex(text[i + 2]) && hex(text[i + 3])) {
            i += 3;
            continue;
        }
        out += text[i];
    }
    return out;
}

std::string SystemLogFileName(const LogTarget& target, const DateTime& now) {
    std::string name = target.log_path + Padded(now.month, 2) + "-" + Padded(now.day, 2) + "-" +
                       Padded(now.year, 4);
    return name + (target.multinode ? "." + Padded(target.node_number, 3) : ".log");
}

std::string LogTime(const DateTime& t) {
    int hour = t.hour % 12;
    if (hour == 0) hour = 12;
    return std::to_string(hour) + ":" + Padded(t.minute, 2) + (t.hour < 12 ? "am" : "pm");
}

std::string LongDate(const DateTime& t) {
    static constexpr const char* kMonths[] = {"January",   "February", "March",    "April",
                                              "May",       "June",     "July",     "August",
                                              "September", "October",  "November", "December"};
    const std::string month = t.month >= 1 && t.month <= 12 ? kMonths[t.month - 1] : "Unknown";
    return month + " " + std::to_string(t.day) + ", " + Padded(t.year, 4);
}

std::string FormatSystemLogLine(std::string_view message, const DateTime& now) {
    std::string marker = "    ";
    if (!message.empty()) {
        switch (message.front()) {
            case '>':
                marker = "";
                break;
            case 'x':
                marker = "  x ";
                break;
            case '*':
                marker = "  * ";
                break;
            case '-':
                marker = "  - ";
                break;
            default:
                break;
        }
        if (marker != "    ") message.remove_prefix(1);
    }
    if (message.empty()) return {};
    std::string time = LogTime(now);
    time.resize(9, ' ');
    return time + marker + StripColourCodes(message);
}

void WriteSystemLog(const LogTarget& target, Clock& clock, std::string_view message) {
    if (!message.empty() && message.back() == '.') message.remove_suffix(1);
    const DateTime now = clock.now();
    const std::string header = "%% Vornhold version a20; System log file - Node " +
                               std::to_string(target.node_number) + "\n%% Created " +
                               LongDate(now) + " at " + LogTime(now) + "\n" + std::string(79, '=') +
                               "\n";
    AppendLine(SystemLogFileName(target, now), header, FormatSystemLogLine(message, now));
}

void WriteChatLog(const LogTarget& target, Clock& clock, std::string_view line) {
    const DateTime now = clock.now();
    const std::string header = " %% Vornhold Version a20 Chat Logfile\n %% Created " +
                               LongDate(now) + " at " + LogTime(now) + "\n" +
                               std::string(79, '\xC4') + "\n";
    AppendLine(target.log_path + "chatlog." + Padded(target.node_number, 3), header,
               std::string(line));
}

}  // namespace vorn

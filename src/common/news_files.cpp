#include "common/news_files.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/file_calls.hpp"
#include "common/file_lock.hpp"
#include "common/player_file_names.hpp"
#include "common/record_file.hpp"

namespace vorn {

namespace {

std::string TwoDigits(int v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", v);
    return buf;
}

}  // namespace

std::string NewsFileName(std::string_view news_name) {
    std::string name(news_name.substr(0, 8));
    name.resize(8, ' ');
    const auto first = name.find_first_not_of(' ');
    if (first == std::string::npos) return ".nws";
    const auto last = name.find_last_not_of(' ');
    return name.substr(first, last - first + 1) + ".nws";
}

namespace {

struct LineCount {
    long lines = 0;
    long pauses = 0;  // lines that are exactly "%PA"
};

// The lines of a news file, read in large blocks: the night adds news for every player.
LineCount CountLines(int fd) {
    LineCount count;
    char buffer[65536];
    std::string line;  // the start of the current line, enough to tell "%PA" from the rest
    bool open_line = false;
    const auto end_line = [&] {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        ++count.lines;
        if (line == "%PA") ++count.pauses;
        line.clear();
        open_line = false;
    };
    for (off_t offset = 0;;) {
        const ssize_t n = sys::Pread(fd, buffer, sizeof buffer, offset);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        offset += n;
        for (const char* at = buffer; at < buffer + n;) {
            const char* newline = static_cast<const char*>(
                std::memchr(at, '\n', static_cast<std::size_t>(buffer + n - at)));
            const char* stop = newline != nullptr ? newline : buffer + n;
            if (line.size() < 5) line.append(at, std::min<std::size_t>(stop - at, 5 - line.size()));
            open_line = true;
            if (newline == nullptr) break;
            end_line();
            at = newline + 1;
        }
    }
    if (open_line) end_line();
    return count;
}

std::string Header(bool global, Clock& clock) {
    const DateTime t = clock.now();
    std::string header = global ? std::string(25, ' ') + "Vornhold Global News for the "
                                : std::string(24, ' ') + "Vornhold Personnal News for the ";
    header += TwoDigits(t.month) + "/" + TwoDigits(t.day) + "/" + std::to_string(t.year);
    return header + "\n" + std::string(kNewsSeparator) + "\n";
}

// The whole entry is added through one descriptor under a lock on the file: writers never
// interleave, a new file gets its header once, and the nightly rotation, which renames the file,
// cannot make an entry miss it (the entry lands in the file the rotation made yesterday's).
bool AddNewsToFile(const std::string& path, bool global, std::string_view text, Clock& clock,
                   bool with_separator) {
    const int fd = sys::Open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, kGameFileMode);
    if (fd < 0) return false;
    LockWholeFile(fd, LockKind::kExclusive);
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && (st.st_size > 0 || WriteAll(fd, Header(global, clock)));
    if (ok) {
        const LineCount count = CountLines(fd);
        std::string entry;
        if (count.pauses < count.lines / 24) entry += "%PA\n";
        entry += std::string(text) + "\n";
        if (with_separator) entry += std::string(kNewsSeparator) + "\n";
        ok = WriteAll(fd, entry);
    }
    sys::Close(fd);  // lets the lock go
    return ok;
}

}  // namespace

bool CreateNews(std::string_view news_name, Clock& clock) {
    const int fd = sys::Open(NewsFileName(news_name).c_str(),
                             O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, kGameFileMode);
    if (fd < 0) return false;
    const bool ok = WriteAll(fd, Header(news_name == "global", clock));
    sys::Close(fd);
    return ok;
}

bool AddNews(std::string_view text, std::string_view news_name, Clock& clock, bool with_separator) {
    return AddNewsToFile(NewsFileName(news_name), news_name == "global", text, clock,
                         with_separator);
}

bool AddPlayerNews(std::string_view text, std::string_view player_name, Clock& clock,
                   bool with_separator) {
    return AddNewsToFile(PlayerNewsFileName(player_name), false, text, clock, with_separator);
}

void RotateNews() {
    sys::Unlink("yestday.nws");
    sys::Rename("global.nws", "yestday.nws");
}

}  // namespace vorn

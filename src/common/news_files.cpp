#include "common/news_files.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>

#include "common/player_file_names.hpp"

namespace vorn {

namespace {

std::string TwoDigits(int v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", v);
    return buf;
}

enum class Open { kAppend, kTruncate, kCreateNew };

// One write of the whole text. kCreateNew fails (with errno EEXIST) when another process has
// made the file meanwhile, so nobody's first entries are truncated away.
bool AppendWhole(const std::string& path, const std::string& text, Open how) {
    int flags = O_WRONLY | O_APPEND | O_CLOEXEC;
    if (how == Open::kTruncate) flags |= O_CREAT | O_TRUNC;
    if (how == Open::kCreateNew) flags |= O_CREAT | O_EXCL;
    const int fd = ::open(path.c_str(), flags, 0664);
    if (fd < 0) return false;
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return done == text.size();
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

bool CreateNewsFile(const std::string& path, bool global, Clock& clock, Open how) {
    const DateTime t = clock.now();
    std::string header = global ? std::string(25, ' ') + "Vornhold Global News for the "
                                : std::string(24, ' ') + "Vornhold Personnal News for the ";
    header += TwoDigits(t.month) + "/" + TwoDigits(t.day) + "/" + std::to_string(t.year);
    return AppendWhole(path, header + "\n" + std::string(kNewsSeparator) + "\n", how);
}

bool AddNewsToFile(const std::string& path, bool global, std::string_view text, Clock& clock,
                   bool with_separator) {
    // The nightly rotation may move the file away between the look and the append: the entry then
    // starts a new file rather than being lost.
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (::access(path.c_str(), F_OK) != 0 &&
            !CreateNewsFile(path, global, clock, Open::kCreateNew) && errno != EEXIST) {
            return false;
        }

        long lines = 0, pauses = 0;
        {
            std::ifstream in(path, std::ios::binary);
            std::string line;
            while (std::getline(in, line)) {
                if (!line.empty() && line.back() == '\r') line.pop_back();
                ++lines;
                if (line == "%PA") ++pauses;
            }
        }
        std::string entry;
        if (pauses < lines / 24) entry += "%PA\n";
        entry += std::string(text) + "\n";
        if (with_separator) entry += std::string(kNewsSeparator) + "\n";
        if (AppendWhole(path, entry, Open::kAppend)) return true;
        if (errno != ENOENT) return false;
    }
    return false;
}

}  // namespace

bool CreateNews(std::string_view news_name, Clock& clock) {
    return CreateNewsFile(NewsFileName(news_name), news_name == "global", clock, Open::kTruncate);
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
    ::unlink("yestday.nws");
    ::rename("global.nws", "yestday.nws");
}

}  // namespace vorn

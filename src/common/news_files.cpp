#include "common/news_files.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>

namespace vorn {

namespace {

std::string TwoDigits(int v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", v);
    return buf;
}

bool AppendWhole(const std::string& path, const std::string& text, bool create_new) {
    const int flags = O_WRONLY | O_APPEND | O_CLOEXEC | (create_new ? O_CREAT | O_TRUNC : 0);
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

bool CreateNews(std::string_view news_name, Clock& clock) {
    const DateTime t = clock.now();
    std::string header = news_name == "global"
                             ? std::string(25, ' ') + "Vornhold Global News for the "
                             : std::string(24, ' ') + "Vornhold Personnal News for the ";
    header += TwoDigits(t.month) + "/" + TwoDigits(t.day) + "/" + std::to_string(t.year);
    return AppendWhole(NewsFileName(news_name), header + "\n" + std::string(kNewsSeparator) + "\n",
                       true);
}

bool AddNews(std::string_view text, std::string_view news_name, Clock& clock, bool with_separator) {
    const std::string path = NewsFileName(news_name);
    if (::access(path.c_str(), F_OK) != 0 && !CreateNews(news_name, clock)) return false;

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
    return AppendWhole(path, entry, false);
}

void RotateNews() {
    ::unlink("yestday.nws");
    ::rename("global.nws", "yestday.nws");
}

}  // namespace vorn

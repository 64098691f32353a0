#include "play/help_centre.hpp"

#include <dirent.h>

#include <algorithm>
#include <string>

#include "common/record_file.hpp"
#include "core/session.hpp"
#include "play/town_prompts.hpp"

namespace vorn {

namespace {

constexpr int kTopicsShown = 20;
constexpr std::size_t kEntryWidth = 35;

bool EndsWith(const std::string& name, const std::string& tail) {
    return name.size() > tail.size() &&
           name.compare(name.size() - tail.size(), tail.size(), tail) == 0;
}

std::string FirstLine(const std::string& path) {
    constexpr std::size_t kMostRead = 4096;
    std::string line = LineOfText(ReadTextFile(path, kMostRead).value_or(""), 1);
    if (line.size() > 255) line.resize(255);
    return line;
}

}  // namespace

std::vector<std::string> HelpFiles(const std::string& directory, const std::string& extension) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(directory.c_str());
    if (dir == nullptr) return names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (EndsWith(name, extension)) names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

int HelpTopicOfKey(char key) {
    if (key >= 'B' && key <= 'P') return key - 'B' + 1;
    if (key >= 'R' && key <= 'V') return key - 'R' + 18;
    return 0;
}

void HelpCentre(Session& session) {
    Writer& out = session.writer;
    for (;;) {
        out.clear_screen();
        out.show_display_file("dcenter.ans", 28);
        const std::vector<std::string> texts = HelpFiles(kHelpDirectory, ".hlp");
        if (texts.empty()) {
            out.set_colours(0, 0);
            for (int row = 1; row <= 23; ++row) {
                out.go_to(1, row);
                out.print_text(std::string(40, ' '));
            }
            out.go_to(1, 12);
            out.print_coded("|04No Help Available!");
            out.new_lines(1);
            session.keys.pause_key();
            return;
        }
        const std::vector<std::string> topics = HelpFiles(kHelpDirectory, ".dsc");
        out.set_foreground(15);
        const int listed = std::min<int>(static_cast<int>(topics.size()), kTopicsShown);
        for (int n = 1; n <= listed; ++n) {
            std::string entry = FirstLine(kHelpDirectory + topics[static_cast<std::size_t>(n - 1)]);
            entry.resize(kEntryWidth, ' ');
            out.go_to(5, 3 + n);
            out.print_coded(entry);
        }
        if (listed == kTopicsShown) {
            out.go_to(5, 24);
            out.print_coded("|15Next");
        }
        int topic = 0;
        for (;;) {
            const char key = ReadMenuKey(session, "ABCDEFGHIJKLMNOPQRSTUVW");
            if (key == 'Q' || key == 0) return;
            topic = HelpTopicOfKey(key);
            if (topic >= 1 && topic <= static_cast<int>(texts.size())) break;
        }
        out.clear_screen();
        out.show_display_file(kHelpDirectory + texts[static_cast<std::size_t>(topic - 1)], 28);
        session.keys.pause_key();
    }
}

}  // namespace vorn

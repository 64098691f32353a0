// Every screen and text the game shows comes with the installation: the names are collected from
// the game's own sources, so a screen added to the code without its file fails here, not in front
// of a caller.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/game_directory.hpp"

namespace vorn {
namespace {

namespace fs = std::filesystem;

const fs::path kSource = test::SourceDir();
const fs::path kData = kSource / "data";

std::string Slurp(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The nightly run's sources are left out: the bulletins it names are files it writes.
std::vector<fs::path> GameSources() {
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(kSource / "src")) {
        const auto ext = entry.path().extension();
        if (entry.path().parent_path().filename() == "maint") continue;
        if (entry.is_regular_file() && (ext == ".cpp" || ext == ".hpp")) {
            files.push_back(entry.path());
        }
    }
    return files;
}

// The display names in the sources: literals that name a screen or text file, bare names given
// to the display calls, and list names whose top, mid and bottom pieces are shown.
std::set<std::string> DisplayNamesInCode() {
    static const std::regex file_literal(R"re("([a-z0-9_]+\.(ans|an[1-9]|asc|txt|new))")re");
    static const std::regex bare_name(R"re((show|find|load)_display_file\(\s*"([a-z0-9_]+)")re");
    static const std::regex list_name(R"re(ListScreens\w*\(\s*\w+\s*,\s*"([a-z0-9_]+)")re");
    std::set<std::string> names;
    for (const fs::path& file : GameSources()) {
        const std::string text = Slurp(file);
        for (std::sregex_iterator i(text.begin(), text.end(), file_literal), end; i != end; ++i) {
            names.insert((*i)[1]);
        }
        for (std::sregex_iterator i(text.begin(), text.end(), bare_name), end; i != end; ++i) {
            names.insert((*i)[2]);
        }
        for (std::sregex_iterator i(text.begin(), text.end(), list_name), end; i != end; ++i) {
            for (const char* piece : {"top", "mid", "bot"}) names.insert((*i)[1].str() + piece);
        }
    }
    return names;
}

// Where the installation keeps a name: screens in ansi/, texts in text/ (copied into the game
// directory), a bare name as the .ans or .asc screen the writer looks for.
bool Installed(const std::string& name) {
    const fs::path ansi = kData / "ansi";
    if (name.find('.') == std::string::npos) {
        return fs::is_regular_file(ansi / (name + ".ans")) ||
               fs::is_regular_file(ansi / (name + ".asc"));
    }
    return fs::is_regular_file(ansi / name) || fs::is_regular_file(kData / "text" / name);
}

TEST(InstallationFiles, EveryScreenAndTextTheCodeShowsIsInstalled) {
    const std::set<std::string> names = DisplayNamesInCode();
    // The scan itself must work: a wrong pattern or path would make this test pass on nothing.
    for (const char* known : {"weapon.ans", "racehelp.txt", "whats.new", "userlmid", "talk.txt",
                              "expalt.ans", "undehelp.txt"}) {
        EXPECT_TRUE(names.count(known)) << known << " not found in the sources";
    }
    EXPECT_GE(names.size(), 50u);
    for (const std::string& name : names) {
        EXPECT_TRUE(Installed(name)) << name << " is shown by the game but not installed";
    }
}

// Names the scan cannot see: the help hall lists help/ itself and pairs the n-th .dsc with the
// n-th .hlp in sorted order, and the title is drawn at random among title.ans and its variants.
TEST(InstallationFiles, HelpTopicsPairUpAndTitleVariantsStartAtOne) {
    std::vector<std::string> topics;
    std::vector<std::string> texts;
    for (const auto& entry : fs::directory_iterator(kData / "help")) {
        const std::string stem = entry.path().stem().string();
        if (entry.path().extension() == ".dsc") topics.push_back(stem);
        if (entry.path().extension() == ".hlp") texts.push_back(stem);
    }
    std::sort(topics.begin(), topics.end());
    std::sort(texts.begin(), texts.end());
    EXPECT_GE(topics.size(), 11u);
    EXPECT_EQ(topics, texts);
    for (const std::string& topic : topics) {
        std::ifstream in(kData / "help" / (topic + ".dsc"));
        std::string first;
        std::getline(in, first);
        EXPECT_FALSE(first.empty()) << topic << ".dsc has no topic line";
    }

    ASSERT_TRUE(fs::is_regular_file(kData / "ansi" / "title.ans"));
    // The writer draws among the variants only when a .an1 exists, so a lone .an2 is never shown.
    int last = 0;
    for (int n = 1; n <= 9; ++n) {
        if (fs::is_regular_file(kData / "ansi" / ("title.an" + std::to_string(n)))) last = n;
    }
    EXPECT_TRUE(last == 0 || fs::is_regular_file(kData / "ansi" / "title.an1"));
}

// Texts may include other display files with a "%%name" line; items may name a text shown on
// use. Both must resolve like names in the code.
TEST(InstallationFiles, FilesNamedByTextsAndItemsAreInstalled) {
    std::vector<std::string> missing;
    for (const char* folder : {"ansi", "text", "help"}) {
        for (const auto& entry : fs::directory_iterator(kData / folder)) {
            std::istringstream lines(Slurp(entry.path()));
            for (std::string line; std::getline(lines, line);) {
                if (line.rfind("%%", 0) != 0) continue;
                std::string name = line.substr(2);
                name.erase(name.find_last_not_of(" \r") + 1);
                if (!Installed(name))
                    missing.push_back(entry.path().filename().string() + ": " + name);
            }
        }
    }
    static const std::regex use_text(R"re(use_text\s*=\s*"([^"]+)")re");
    const std::string items = Slurp(kData / "world" / "items.toml");
    for (std::sregex_iterator i(items.begin(), items.end(), use_text), end; i != end; ++i) {
        if (!Installed((*i)[1])) missing.push_back("items.toml: " + (*i)[1].str());
    }
    EXPECT_TRUE(missing.empty()) << ::testing::PrintToString(missing);
}

}  // namespace
}  // namespace vorn

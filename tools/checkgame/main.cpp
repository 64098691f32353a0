// checkgame: the sysop's check of a game directory. Plain lines, one per finding, and an exit
// code for scripts: 0 nothing wrong, 1 problems found (or left after --repair), 2 no check made.
// With --repair it copies the files it will change into a backup directory first, then mends
// what can be mended, and only while no game runs.
#include <getopt.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "check/game_check.hpp"
#include "common/clock.hpp"
#include "common/directories.hpp"
#include "common/game_directory_calls.hpp"
#include "common/whole_option.hpp"

namespace {

void Usage() {
    std::fputs(
        "usage: checkgame [-d GAME_DIR] [--repair [--backup DIR]]\n"
        "  Checks the record files of the game directory (the working directory unless -d\n"
        "  names one) and prints one line per finding. Exit code 0: no problems; 1: problems\n"
        "  found; 2: no check made.\n"
        "  --repair mends what can be mended, while no game runs, after copying every file\n"
        "  it changes into DIR (default GAME_DIR/checkgame-YYYYMMDD-HHMMSS, made anew).\n",
        stderr);
}

std::string Stamp(const vorn::DateTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d-%02d%02d%02d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    return text;
}

void Print(const std::vector<std::string>& lines, const char* prefix = "") {
    for (const std::string& line : lines) std::printf("%s%s\n", prefix, line.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    static const option kLongOptions[] = {{"repair", no_argument, nullptr, 'r'},
                                          {"backup", required_argument, nullptr, 'b'},
                                          {nullptr, 0, nullptr, 0}};
    std::string directory = ".";
    std::string backup;
    bool repair = false;
    // Options in the order given, and no operand: anything else, "--" too, earns the usage.
    opterr = 0;
    optind = 0;
    int next = 1;  // the argument getopt_long looks at
    int index = -1;
    for (int c; (c = getopt_long(argc, argv, "-:d:", kLongOptions, &index)) != -1;
         next = optind, index = -1) {
        if (!vorn::IsWholeOption(argv[next], c, kLongOptions, index)) {
            Usage();
            return 2;
        }
        if (c == 'd') {
            directory = optarg;
        } else if (c == 'r') {
            repair = true;
        } else if (c == 'b') {
            backup = optarg;
        } else {
            Usage();
            return 2;
        }
    }
    if (optind != next) {
        Usage();
        return 2;
    }
    if ((!backup.empty() && !repair) || !vorn::DirectoryExists(directory)) {
        if (!vorn::DirectoryExists(directory)) {
            std::fprintf(stderr, "checkgame: %s is not a directory\n", directory.c_str());
        } else {
            Usage();
        }
        return 2;
    }

    vorn::SystemClock clock;
    const vorn::DateTime now = clock.now();
    // A backup folder the sysop names is where he means it from where he is; the default one
    // lies in the game directory.
    std::string shown_backup = directory + "/checkgame-" + Stamp(now);
    if (!backup.empty()) {
        std::error_code ignored;
        backup = shown_backup = std::filesystem::absolute(backup, ignored).string();
    } else {
        backup = "checkgame-" + Stamp(now);
    }
    // The checks run inside the game directory, so that a run as root reaches every file in it
    // without following a link and leaves what it makes to the directory's owner.
    if (::chdir(directory.c_str()) != 0) {
        std::fprintf(stderr, "checkgame: cannot enter %s\n", directory.c_str());
        return 2;
    }
    vorn::GameDirectoryCalls files;
    vorn::SetFileCalls(&files);
    if (!repair) {
        const vorn::CheckReport report = vorn::CheckGameDirectory(".", now);
        Print(report.lines());
        return report.clean() ? 0 : 1;
    }

    const vorn::RepairResult result = vorn::RepairGameDirectory(".", backup, now);
    if (!result.done) {
        Print(result.after.lines());
        std::printf("Nothing repaired: %s.\n", result.refusal.c_str());
        return 2;
    }
    if (!result.backup.empty()) {
        std::printf("The files repaired are copied as they were into %s.\n", shown_backup.c_str());
    }
    Print(result.repaired, "repaired: ");
    Print(result.failed, "NOT repaired: ");
    Print(result.after.lines());
    return result.after.clean() ? 0 : 1;
}

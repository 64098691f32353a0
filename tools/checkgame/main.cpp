// checkgame: the sysop's check of a game directory. Plain lines, one per finding, and an exit
// code for scripts: 0 nothing wrong, 1 problems found (or left after --repair), 2 no check made.
// With --repair it copies the files it will change into a backup directory first, then mends
// what can be mended, and only while no game runs.
#include <cstdio>
#include <string>

#include "check/game_check.hpp"
#include "common/clock.hpp"
#include "common/directories.hpp"

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
    std::string directory = ".";
    std::string backup;
    bool repair = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-d" && i + 1 < argc) {
            directory = argv[++i];
        } else if (arg == "--repair") {
            repair = true;
        } else if (arg == "--backup" && i + 1 < argc) {
            backup = argv[++i];
        } else {
            Usage();
            return 2;
        }
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
    if (!repair) {
        const vorn::CheckReport report = vorn::CheckGameDirectory(directory, now);
        Print(report.lines());
        return report.clean() ? 0 : 1;
    }

    if (backup.empty()) backup = directory + "/checkgame-" + Stamp(now);
    const vorn::RepairResult result = vorn::RepairGameDirectory(directory, backup, now);
    if (!result.done) {
        Print(result.after.lines());
        std::printf("Nothing repaired: %s.\n", result.refusal.c_str());
        return 2;
    }
    if (!result.backup.empty()) {
        std::printf("The files repaired are copied as they were into %s.\n", result.backup.c_str());
    }
    Print(result.repaired, "repaired: ");
    Print(result.failed, "NOT repaired: ");
    Print(result.after.lines());
    return result.after.clean() ? 0 : 1;
}

// worldc: the sysop's world compiler. `compile` turns TOML sources into the game's world files,
// `decompile` turns world files back into sources. See README.md beside this file.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "worldc/world_source.hpp"

namespace {

int Usage() {
    std::fputs(
        "usage: worldc compile SOURCE_DIR OUT_DIR\n"
        "       worldc decompile GAME_DIR OUT_DIR\n",
        stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) return Usage();
    const std::string_view command = argv[1];
    if (command == "compile") {
        std::vector<vorn::SourceError> errors;
        std::vector<vorn::SourceError> warnings;
        const bool compiled = vorn::CompileWorldDirectory(argv[2], argv[3], errors, &warnings);
        for (const auto& w : warnings) std::fprintf(stderr, "%s\n", w.text().c_str());
        if (compiled) return 0;
        for (const auto& e : errors) std::fprintf(stderr, "%s\n", e.text().c_str());
        std::fprintf(stderr, "worldc: %zu fault(s); nothing written\n", errors.size());
        return 1;
    }
    if (command == "decompile") {
        std::vector<std::string> notes;
        const bool ok = vorn::DecompileWorldDirectory(argv[2], argv[3], notes);
        for (const auto& n : notes) std::fprintf(stderr, "%s\n", n.c_str());
        return ok ? 0 : 1;
    }
    return Usage();
}

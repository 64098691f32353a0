// mkareas LIST OUT: writes msgarea.dat, the public message areas, from their list (see
// common/message_area_list.hpp). Nothing is written when a line is wrong; the file appears
// whole, renamed over any older one.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "common/message_area_list.hpp"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: mkareas LIST OUT\n", stderr);
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "mkareas: cannot read %s\n", argv[1]);
        return 1;
    }
    std::ostringstream text;
    text << in.rdbuf();
    std::vector<vorn::AreaListError> errors;
    const auto areas = vorn::ParseMessageAreaList(text.str(), errors);
    for (const auto& e : errors)
        std::fprintf(stderr, "%s:%d: %s\n", argv[1], e.line, e.message.c_str());
    if (!errors.empty()) return 1;
    if (areas.empty()) {
        std::fprintf(stderr, "%s: no message area listed\n", argv[1]);
        return 1;
    }
    const std::string out = argv[2];
    const std::string part = out + ".part";
    {
        std::ofstream file(part, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(areas.data()),
                   static_cast<std::streamsize>(areas.size() * sizeof(areas[0])));
        if (!file.flush()) {
            std::fprintf(stderr, "mkareas: cannot write %s\n", part.c_str());
            return 1;
        }
    }
    if (std::rename(part.c_str(), out.c_str()) != 0) {
        std::fprintf(stderr, "mkareas: cannot rename %s\n", part.c_str());
        return 1;
    }
    return 0;
}

// What maint's console shows of players' names: no colour codes, on a terminal and on plain
// lines, and notes that stay inside 80 columns however long the name.
#include "maint/console.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace vorn {
namespace {

TEST(MaintConsole, NamesLoseTheirColourCodesAndNotesFitTheConsole) {
    const std::string name = "|12@X1EThe Most Honourable Lady Gwendolyn of Ashford";
    for (const bool terminal : {false, true}) {
        SCOPED_TRACE(terminal ? "terminal" : "plain lines");
        char* buffer = nullptr;
        std::size_t size = 0;
        std::FILE* out = ::open_memstream(&buffer, &size);
        MaintConsole console(out, terminal);
        console.begin_cities();
        console.city("|12Ashford <&>@x0f");
        console.note(name + " is in play on node 12: passed over, the night is paid at the next " +
                     "logon");
        console.end_cities(1);
        console.show_notes();
        std::fclose(out);
        const std::string text(buffer, size);
        std::free(buffer);
        EXPECT_NE(text.find("Ashford <&>"), std::string::npos) << text;
        EXPECT_EQ(text.find('|'), std::string::npos) << text;
        EXPECT_EQ(text.find('@'), std::string::npos) << text;
        std::istringstream lines(text);
        std::string line, notes;
        while (std::getline(lines, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.find("Ashford <&>") != std::string::npos) continue;
            EXPECT_LE(line.size(), 79u) << line;
            notes += line + "\n";
        }
        EXPECT_EQ(notes,
                  "The Most Honourable Lady Gwendolyn of Ashford is in play on node 12: passed\n"
                  "  over, the night is paid at the next logon\n");
    }
}

}  // namespace
}  // namespace vorn

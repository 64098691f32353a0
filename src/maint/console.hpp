// What maint shows while it works. On a terminal it draws its screen: the heading, the users'
// percentage at column 18 of row 5 with "Done!" over it at the end, each city's name in place.
// To a pipe or a log (a scheduler's mail, a log file) it writes the same steps as plain lines
// without control sequences. Names lose their colour codes either way, and notes are wrapped to
// the 80 columns of a console.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

class MaintConsole {
  public:
    MaintConsole(std::FILE* out, bool terminal) : out_(out), terminal_(terminal) {}

    bool terminal() const { return terminal_; }

    void text(std::string_view text);
    void line(std::string_view text = "");

    // Clears the screen, "Vornhold Maintenance" in dark grey and a rule of 80 "-" in red.
    void heading();
    // Back to light grey (nothing on plain lines).
    void normal_colour();
    // "User maintenance " and its progress, shown when the whole percentage changes.
    void begin_users();
    void users_percent(int percent);
    void end_users();
    // "Working on city " and each city's name (without colour codes) in its place.
    void begin_cities();
    void city(std::string_view name);
    void end_cities(int cities);

    // A note about a user or city passed over, without colour codes and in lines of at most 79
    // characters: on plain lines at once, on a terminal once the screen of the run is complete
    // (it would be written over).
    void note(std::string_view text);
    void show_notes();

  private:
    void escape(std::string_view sequence);

    std::FILE* out_;
    bool terminal_;
    int percent_ = -1;
    std::vector<std::string> notes_;
};

}  // namespace vorn

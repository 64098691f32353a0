#include "play/death.hpp"

#include <algorithm>
#include <string>

#include "common/news_files.hpp"
#include "common/player_text.hpp"
#include "core/session.hpp"
#include "node/node_table.hpp"
#include "player/user_files.hpp"
#include "term/writer.hpp"

namespace vorn {

namespace {

constexpr std::size_t kShortestName = 14;

}  // namespace

void KillPlayer(Session& session, std::string_view killer) {
    Writer& out = session.writer;
    UserRecord& user = session.users.current;
    session.play.exploring = false;
    session.play.in_battle = false;
    out.clear_screen();
    out.show_display_file("death.ans", 28);
    // Centred about column 64 by the length of `shown` in the screen's places for them, columns
    // 44 to 79: a text too long to be centred there moves to the left and is cut at the end.
    const auto at_place = [&](int row, std::string_view shown, std::string_view text) {
        const int length = static_cast<int>(std::min<std::size_t>(shown.size(), kScreenColumns));
        const int centred = length < 14 ? 61 : 64 - length / 2;
        const int column = std::max(44, std::min(centred, kScreenColumns - length));
        out.go_to(column, row);
        out.print_coded_within(text, kScreenColumns - column);
    };
    at_place(11, killer, killer);
    const std::string name(user.name.view());
    // Blanks to 14 columns clear what stood in the place before.
    std::string padded = name;
    if (padded.size() < kShortestName) padded.resize(kShortestName, ' ');
    at_place(8, name, padded);
    out.go_to(1, 23);
    AddNews(KeepOnlyColourCodes(name) + " has been killed by " + std::string(killer), "global",
            session.clock);
    AnnounceToAllNodes(session,
                       "|12" + name + "|04 has been killed by |12" + std::string(killer) + "|04!");
    session.keys.pause_key();
    user.room = user.sylvan_minutes != 0 ? 2 : 1;
    user.hp = 1;
    SaveUser(session, user);
}

}  // namespace vorn

#include "play/league_screen.hpp"

#include <algorithm>
#include <cstdio>

#include "common/directories.hpp"
#include "common/player_text.hpp"
#include "core/session.hpp"
#include "league/league_letters.hpp"
#include "player/player_screens.hpp"
#include "player/racial_skills.hpp"
#include "term/text_codes.hpp"

namespace vorn {

namespace {

// The news shown: the last this many items to arrive.
constexpr std::size_t kNewsShown = 15;

// A title line and the rule under it.
void Heading(Session& session, const std::string& league, const std::string& what) {
    Writer& out = session.writer;
    out.clear_screen();
    out.print_coded_line("|15" + KeepOnlyColourCodes(league) + " |08- |11" + what);
    out.set_foreground(9);
    out.print_line(std::string(79, '\xC4'));
    out.page_counter = 1;
    out.page_lines(2);
}

void Footer(Session& session) {
    Writer& out = session.writer;
    out.set_foreground(9);
    out.print_line(std::string(79, '\xC4'));
    out.page_counter = 0;
    session.keys.pause_key();
}

void ShowRankingPage(Session& session, const LeagueSettings& settings, const LeagueView& view) {
    Heading(session, settings.name, "the league's ranking");
    Writer& out = session.writer;
    out.print_coded_line(
        "|03 Num  Name                     Board                    Race       Level  Experience");
    out.page_lines(1);
    int place = 0;
    for (const LeagueRankRow& r : LeagueRanking(settings, view)) {
        if (session.time.ended) return;
        char numbers[32];
        std::snprintf(numbers, sizeof numbers, "%5u %11d", static_cast<unsigned>(r.row.level),
                      r.row.experience);
        out.print_coded_line("|07" + PadVisible(std::to_string(++place), 4) + " |15" +
                             PadVisible(KeepOnlyColourCodes(r.row.name), 24) + " |11" +
                             PadVisible(r.board, 24) + " |07" +
                             PadVisible(std::string(RaceName(r.row.race)), 9) + numbers);
        if (!NextListRow(session)) break;
    }
    if (place == 0) out.print_line("No standing has arrived yet.");
    Footer(session);
}

void ShowNewsPage(Session& session, const LeagueSettings& settings, const LeagueView& view) {
    Heading(session, settings.name, "the league's news");
    Writer& out = session.writer;
    const std::size_t first = view.news.size() > kNewsShown ? view.news.size() - kNewsShown : 0;
    for (std::size_t i = first; i < view.news.size(); ++i) {
        const LeagueNews& n = view.news[i];
        out.print_coded_line("|11" + BoardName(settings, n.board) + "|08, night " +
                             std::to_string(n.night) + ": |07" + KeepOnlyColourCodes(n.text));
        out.page_lines(1);
    }
    if (view.news.empty()) out.print_line("No news from the league yet.");
    Footer(session);
}

void ShowBoardsPage(Session& session, const LeagueSettings& settings, const LeagueView& view) {
    Heading(session, settings.name, "the boards");
    Writer& out = session.writer;
    out.print_coded_line("|03Address          Board                    Last contact     Players");
    out.page_lines(1);
    for (const LeagueBoard& b : settings.boards) {
        const BoardSummary summary = SummaryOf(view, b.address);
        out.print_coded_line("|07" + PadVisible(AddressText(b.address), 16) + " |11" +
                             PadVisible(b.name, 24) + " |07" +
                             PadVisible(ContactText(summary.last_contact), 16) + " " +
                             std::to_string(summary.players));
        out.page_lines(1);
    }
    Footer(session);
}

}  // namespace

void InstallLeagueMail(Session& session) {
    session.mail.league.find = [](std::string_view name, std::string_view board,
                                  std::string& player, std::string& board_name,
                                  NetworkAddress& address) {
        LeagueSettings settings;
        std::vector<std::string> errors;
        if (!ReadLeagueSettings(kLeagueFile, NetworkAddress{}, settings, errors) ||
            !FindLeaguePlayer(settings, name, board, player, address)) {
            return false;
        }
        board_name = BoardName(settings, address);
        return true;
    };
    session.mail.league.send = [&session](const MessageHeader& h,
                                          const std::vector<std::string>& lines) {
        LeagueSettings settings;
        std::vector<std::string> errors;
        const NetworkAddress to{h.receiver.zone, h.receiver.net, h.receiver.node, h.receiver.point};
        if (!ReadLeagueSettings(kLeagueFile, NetworkAddress{}, settings, errors) ||
            settings.board(to) == nullptr) {
            return false;
        }
        LetterBody body;
        body.from_name = h.sender.name.str();
        body.to_name = h.receiver.name.str();
        body.subject = h.subject.str();
        body.date = SecondsSince1970(session.clock.now());
        for (const std::string& line : lines) body.text += line + "\r";
        return QueueLeagueLetter(settings, to, body, body.date);
    };
}

bool InLeague() {
    return IsFile(kLeagueFile);
}

void ShowLeague(Session& session) {
    LeagueSettings settings;
    std::vector<std::string> errors;
    Writer& out = session.writer;
    if (!ReadLeagueSettings(kLeagueFile, NetworkAddress{}, settings, errors)) {
        out.clear_screen();
        out.print_line("This board plays in no league now.");
        for (const std::string& e : errors) session.log("x" + e);
        session.keys.pause_key();
        return;
    }
    session.log("Looked at the league");
    for (;;) {
        LeagueView view;
        ReadLeagueView(view);
        out.clear_screen();
        out.print_coded_line("|15The league |14" + KeepOnlyColourCodes(settings.name) +
                             "|07: this board is |11" + settings.short_name);
        out.new_lines(1);
        out.print_coded_line("|07[|14R|07]anking of all boards' players");
        out.print_coded_line("|07[|14N|07]ews of the league");
        out.print_coded_line("|07[|14B|07]oards and their last contact");
        out.print_coded_line("|07[|14Q|07]uit to the game");
        out.new_lines(1);
        out.print_coded("|15Your choice: ");
        const char choice = session.keys.read_choice("RNBQ");
        if (choice == 'R') ShowRankingPage(session, settings, view);
        if (choice == 'N') ShowNewsPage(session, settings, view);
        if (choice == 'B') ShowBoardsPage(session, settings, view);
        if (choice == 'Q' || choice == 0 || session.time.ended) return;
    }
}

}  // namespace vorn

#include "maint/bulletins.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "common/city_records.hpp"
#include "common/cp437_text.hpp"
#include "common/file_calls.hpp"
#include "common/ranking_order.hpp"
#include "common/record_file.hpp"
#include "common/system_log.hpp"

namespace vorn {

namespace {

// A screen holds this many rows under its heading; the text and the web page list more.
constexpr std::size_t kScreenRows = 18;
constexpr std::size_t kListRows = 100;

constexpr const char* kReset = "\x1b[0m";
constexpr const char* kRuleColour = "\x1b[0;34m";
constexpr const char* kTitleColour = "\x1b[1;33m";
constexpr const char* kDateColour = "\x1b[0;36m";
constexpr const char* kHeaderColour = "\x1b[1;37m";

// A name as the bulletins show it: no colour codes, no control bytes, at most `width` bytes.
std::string Plain(const std::string& text, std::size_t width) {
    std::string out = StripColourCodes(text);
    for (char& c : out) {
        if (static_cast<unsigned char>(c) < 32 || c == 127) c = '?';
    }
    return out.substr(0, width);
}

std::string Padded(const std::string& text, std::size_t width) {
    std::string out = Plain(text, width);
    out.resize(width, ' ');
    return out;
}

std::string Dated(const BulletinBoard& board) {
    char date[16];
    std::snprintf(date, sizeof date, "%02d/%02d/%04d", board.date.month % 100, board.date.day % 100,
                  board.date.year % 10000);
    return "After night " + std::to_string(board.night) + ", " + date;
}

// One table: its title, its column headings and widths, and each row's cells (numbers are
// right-aligned, texts cut and padded).
struct Column {
    const char* heading;
    int width;
    bool number;
};

struct Table {
    std::string title;
    std::vector<Column> columns;
    std::vector<std::vector<std::string>> rows;
    std::string empty;  // the line shown when there are no rows
};

std::string Cell(const Column& column, const std::string& value) {
    const auto width = static_cast<std::size_t>(column.width);
    if (!column.number) return Padded(value, width);
    return std::string(width > value.size() ? width - value.size() : 0, ' ') + value;
}

std::string HeadingCell(const Column& column) {
    const std::string h = column.heading;
    if (!column.number) return Padded(h, static_cast<std::size_t>(column.width));
    return std::string(static_cast<std::size_t>(column.width) - h.size(), ' ') + h;
}

Table PlayerTable(const BulletinBoard& board, std::size_t rows) {
    Table t{"Heroes of Vornhold",
            {{"Rank", 5, true},
             {"Name", 30, false},
             {"Race", 16, false},
             {"Level", 5, true},
             {"Experience", 11, true}},
            {},
            "No player has made a name yet."};
    for (std::size_t i = 0; i < board.players.size() && i < rows; ++i) {
        const PlayerStanding& p = board.players[i];
        t.rows.push_back({std::to_string(i + 1), p.name, p.race, std::to_string(p.level),
                          std::to_string(p.experience)});
    }
    return t;
}

Table CityTable(const BulletinBoard& board, std::size_t rows) {
    Table t{"Cities of Vornhold by size",
            {{"Rank", 4, true},
             {"City", 20, false},
             {"Founder", 16, false},
             {"Size", 17, false},
             {"Folk", 10, true}},
            {},
            "No city has been founded yet."};
    for (std::size_t i = 0; i < board.cities.size() && i < rows; ++i) {
        const CityStanding& c = board.cities[i];
        t.rows.push_back({std::to_string(i + 1), c.name, c.founder,
                          std::string(SizeClassName(c.size_class)), std::to_string(c.folk)});
    }
    return t;
}

Table LeaguePlayerTable(const LeagueBulletin& league, std::size_t rows) {
    Table t{"Heroes of the " + league.league,
            {{"Rank", 5, true},
             {"Name", 26, false},
             {"Board", 20, false},
             {"Level", 5, true},
             {"Experience", 11, true}},
            {},
            "No standing has arrived from the league yet."};
    for (std::size_t i = 0; i < league.players.size() && i < rows; ++i) {
        const LeagueBulletin::Player& p = league.players[i];
        t.rows.push_back({std::to_string(i + 1), p.name, p.board, std::to_string(p.level),
                          std::to_string(p.experience)});
    }
    return t;
}

Table LeagueNewsTable(const LeagueBulletin& league, std::size_t rows) {
    Table t{"News of the " + league.league,
            {{"Board", 16, false}, {"Night", 5, true}, {"What happened", 52, false}},
            {},
            "No news from the league yet."};
    const std::size_t first = league.news.size() > rows ? league.news.size() - rows : 0;
    for (std::size_t i = first; i < league.news.size(); ++i) {
        const LeagueBulletin::News& n = league.news[i];
        t.rows.push_back({n.board, std::to_string(n.night), n.text});
    }
    return t;
}

std::string Trimmed(std::string line) {
    line.erase(line.find_last_not_of(' ') + 1);
    return line;
}

std::string TextTable(const Table& t, const BulletinBoard& board) {
    std::string out = t.title + "\n" + Dated(board) + "\n\n";
    std::string heading, rule;
    for (const Column& c : t.columns) {
        heading += " " + HeadingCell(c) + " ";
        rule += " " + std::string(static_cast<std::size_t>(c.width), '-') + " ";
    }
    out += Trimmed(heading) + "\n" + Trimmed(rule) + "\n";
    for (const auto& row : t.rows) {
        std::string line;
        for (std::size_t i = 0; i < row.size(); ++i) line += " " + Cell(t.columns[i], row[i]) + " ";
        out += Trimmed(line) + "\n";
    }
    if (t.rows.empty()) out += " " + t.empty + "\n";
    return out;
}

std::string AnsiTable(const Table& t, const BulletinBoard& board) {
    // Rules of code-page-437 line characters: double under the title, single round the list.
    const std::string title = " " + t.title + " ";
    std::string out = std::string(kReset) + "\x1b[2J\x1b[H" + kRuleColour + std::string(3, '\xCD') +
                      kTitleColour + title + kRuleColour +
                      std::string(79 - 3 - title.size(), '\xCD') + "\r\n";
    out += std::string(kDateColour) + "   " + Dated(board) + "\r\n\r\n";
    out += kHeaderColour;
    for (const Column& c : t.columns) out += " " + HeadingCell(c) + " ";
    out += "\r\n" + std::string(kRuleColour) + std::string(79, '\xC4') + "\r\n";
    // Rank, then the name that stands out, then the rest.
    static constexpr const char* kCellColours[] = {"\x1b[0;33m", "\x1b[1;36m", "\x1b[0;32m",
                                                   "\x1b[0;37m", "\x1b[1;37m"};
    for (std::size_t r = 0; r < t.rows.size(); ++r) {
        for (std::size_t i = 0; i < t.rows[r].size(); ++i) {
            out += i == 0 && r < 3 ? kTitleColour : kCellColours[i % 5];
            out += " " + Cell(t.columns[i], t.rows[r][i]) + " ";
        }
        out += "\r\n";
    }
    if (t.rows.empty()) out += std::string("\x1b[0;37m ") + t.empty + "\r\n";
    return out + kRuleColour + std::string(79, '\xC4') + kReset + "\r\n";
}

std::string Html(const std::string& text) {
    std::string out;
    for (char c : Cp437ToUtf8(Plain(text, text.size()))) {
        switch (c) {
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '&':
                out += "&amp;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string HtmlTable(const Table& t) {
    std::string out = "<h2>" + Html(t.title) + "</h2>\n<table>\n<tr>";
    for (const Column& c : t.columns) {
        out += std::string(c.number ? "<th class=\"n\">" : "<th>") + c.heading + "</th>";
    }
    out += "</tr>\n";
    for (const auto& row : t.rows) {
        out += "<tr>";
        for (std::size_t i = 0; i < row.size(); ++i) {
            out += t.columns[i].number ? "<td class=\"n\">" : "<td>";
            out += Html(row[i]) + "</td>";
        }
        out += "</tr>\n";
    }
    if (t.rows.empty()) {
        out += "<tr><td colspan=\"" + std::to_string(t.columns.size()) + "\">" + Html(t.empty) +
               "</td></tr>\n";
    }
    return out + "</table>\n";
}

}  // namespace

std::vector<PlayerStanding> RankPlayers(const std::vector<PlayerStanding>& in_file_order) {
    std::vector<std::int32_t> experience;
    experience.reserve(in_file_order.size());
    for (const PlayerStanding& p : in_file_order) experience.push_back(p.experience);
    std::vector<PlayerStanding> ranked;
    for (std::uint32_t index : RankingOrder(experience)) {
        if (in_file_order[index].listed) ranked.push_back(in_file_order[index]);
    }
    return ranked;
}

void SortCitiesBySize(std::vector<CityStanding>& cities) {
    std::sort(cities.begin(), cities.end(), [](const CityStanding& a, const CityStanding& b) {
        if (a.size_class != b.size_class) return a.size_class > b.size_class;
        if (a.folk != b.folk) return a.folk > b.folk;
        return a.number < b.number;
    });
}

std::string RankingAnsi(const BulletinBoard& board) {
    return AnsiTable(PlayerTable(board, kScreenRows), board);
}

std::string RankingText(const BulletinBoard& board) {
    return TextTable(PlayerTable(board, kListRows), board);
}

std::string CitiesAnsi(const BulletinBoard& board) {
    return AnsiTable(CityTable(board, kScreenRows), board);
}

std::string CitiesText(const BulletinBoard& board) {
    return TextTable(CityTable(board, kListRows), board);
}

// A web page of the tables under a heading.
std::string HtmlPage(const std::string& title, const std::string& heading,
                     const BulletinBoard& board, const std::vector<Table>& tables) {
    std::string out =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<title>" +
        Html(title) +
        "</title>\n<style>\n"
        "body{background:#000;color:#aaa;font-family:monospace;margin:2em}\n"
        "h1,h2{color:#ff5}table{border-collapse:collapse;margin-bottom:2em}\n"
        "th{color:#fff;text-align:left;border-bottom:1px solid #55f}\n"
        "th,td{padding:2px 12px}th.n,td.n{text-align:right}\n"
        "</style>\n</head>\n<body>\n<h1>" +
        Html(heading) + "</h1>\n<p>" + Html(Dated(board)) + "</p>\n";
    for (const Table& t : tables) out += HtmlTable(t);
    return out + "</body>\n</html>\n";
}

std::string RankingHtml(const BulletinBoard& board) {
    return HtmlPage("Vornhold - Ranking", "Vornhold", board,
                    {PlayerTable(board, kListRows), CityTable(board, kListRows)});
}

bool WriteLeagueBulletins(const LeagueBulletin& league, const BulletinBoard& board,
                          const std::string& directory) {
    const std::string texts[] = {
        AnsiTable(LeaguePlayerTable(league, kScreenRows), board),
        TextTable(LeaguePlayerTable(league, kListRows), board) + "\n" +
            TextTable(LeagueNewsTable(league, kListRows), board),
        HtmlPage("Vornhold - " + league.league, league.league, board,
                 {LeaguePlayerTable(league, kListRows), LeagueNewsTable(league, kListRows)})};
    static_assert(std::size(texts) == std::size(kLeagueBulletinFiles));
    bool ok = true;
    for (std::size_t i = 0; i < std::size(texts); ++i) {
        ok =
            ReplaceWholeFile(directory + kLeagueBulletinFiles[i], texts[i], kBulletinScratch) && ok;
    }
    return ok;
}

bool WriteBulletins(const BulletinBoard& board, const std::string& directory) {
    const std::string texts[] = {RankingAnsi(board), RankingText(board), RankingHtml(board),
                                 CitiesAnsi(board), CitiesText(board)};
    static_assert(std::size(texts) == std::size(kBulletinFiles));
    bool ok = true;
    for (std::size_t i = 0; i < std::size(texts); ++i) {
        ok = ReplaceWholeFile(directory + kBulletinFiles[i], texts[i], kBulletinScratch) && ok;
    }
    return ok;
}

}  // namespace vorn

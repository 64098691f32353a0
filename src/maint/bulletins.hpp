// Score bulletins for the board's bulletin menu, written into the game directory after every
// night: the player ranking as an ANSI screen (ranking.ans), as plain text (ranking.txt) and as a
// small web page (ranking.html, which also lists the cities), and the cities by size (cities.ans,
// cities.txt). Each file is written beside its name and renamed over it, so a caller reading a
// bulletin never sees half of one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/clock.hpp"

namespace vorn {

// One users.dat record as the ranking needs it, in file order.
struct PlayerStanding {
    std::string name;
    std::string race;
    int level = 0;
    std::int32_t experience = 0;
    bool listed = true;  // false for deleted records and the placeholder "Joe"
};

struct CityStanding {
    std::string name;
    std::string founder;
    int size_class = 0;
    std::int32_t folk = 0;
    std::int32_t number = 0;
};

struct BulletinBoard {
    std::vector<PlayerStanding> players;  // highest first, listed players only
    std::vector<CityStanding> cities;     // largest first
    std::uint32_t night = 0;
    DateTime date;
};

// The players in the order of the game's own ranking (experience, highest first, ties as the
// ranking leaves them), without deleted records and the placeholder.
std::vector<PlayerStanding> RankPlayers(const std::vector<PlayerStanding>& in_file_order);
// The cities by size class, then by folk, largest first; equal cities by number.
void SortCitiesBySize(std::vector<CityStanding>& cities);

std::string RankingAnsi(const BulletinBoard& board);
std::string RankingText(const BulletinBoard& board);
std::string RankingHtml(const BulletinBoard& board);
std::string CitiesAnsi(const BulletinBoard& board);
std::string CitiesText(const BulletinBoard& board);

// The five files, in the order they are written. Each is written as its name + kBulletinScratch
// first and renamed over it.
inline constexpr const char* kBulletinFiles[] = {"ranking.ans", "ranking.txt", "ranking.html",
                                                 "cities.ans", "cities.txt"};
inline constexpr const char* kBulletinScratch = ".tmp";

// Writes the five files into `directory` ("" = the working directory). False when one failed.
bool WriteBulletins(const BulletinBoard& board, const std::string& directory = "");

// The league's bulletin, on a board in a league: the ranking of every board's players and the
// league's latest news, as league.ans, league.txt and league.html, written as the others are.
struct LeagueBulletin {
    std::string league;
    struct Player {
        std::string name;
        std::string board;
        int level = 0;
        std::int32_t experience = 0;
    };
    std::vector<Player> players;  // highest first
    struct News {
        std::string board;
        std::uint32_t night = 0;
        std::string text;
    };
    std::vector<News> news;  // the latest last
};
inline constexpr const char* kLeagueBulletinFiles[] = {"league.ans", "league.txt", "league.html"};
bool WriteLeagueBulletins(const LeagueBulletin& league, const BulletinBoard& board,
                          const std::string& directory = "");

}  // namespace vorn

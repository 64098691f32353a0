// Four boards of a league with a hub, carried by a folder transport that loses, doubles, holds
// back and reorders packets at random over thirty nights: at the end every board holds every
// board's latest standing and every news item, and every letter reached its player, each once.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "common/league_state_records.hpp"
#include "common/message_base.hpp"
#include "common/random.hpp"
#include "common/record_file.hpp"
#include "common/user_records.hpp"
#include "league/league_exchange.hpp"
#include "league/league_files.hpp"
#include "league/league_letters.hpp"
#include "support/session_fixture.hpp"

namespace vorn {
namespace {

namespace fs = std::filesystem;

constexpr std::int64_t kFirstNight = 1'800'000'000;
constexpr int kNights = 30;
const char* const kBoards[] = {"hub", "ann", "bob", "cat"};

struct Board {
    std::string folder;
    LeagueSettings settings;
};

// Every board in its own folder with two players, and a league whose hub is the first.
std::vector<Board> MakeLeague(const std::string& root) {
    std::vector<Board> boards;
    for (int i = 0; i < 4; ++i) {
        Board b;
        b.folder = root + "/" + kBoards[i];
        fs::create_directories(b.folder + "/in");
        fs::create_directories(b.folder + "/out");
        std::ofstream(b.folder + "/" + kLeagueFile) << "# the soak sets the league up itself\n";
        b.settings.name = "Soak League";
        b.settings.address = {21, 1, static_cast<std::uint16_t>(i + 1), 0};
        b.settings.short_name = kBoards[i];
        b.settings.hub = NetworkAddress{21, 1, 1, 0};
        b.settings.transport = LeagueTransport::kFolder;
        b.settings.outbound = b.folder + "/out";
        b.settings.inbound = b.folder + "/in";
        RecordFile users, index;
        EXPECT_TRUE(users.create(b.folder + "/" + kUsersFile, sizeof(UserRecord)));
        EXPECT_TRUE(index.create(b.folder + "/" + kUserIndexFile, sizeof(UserIndexEntry)));
        for (int p = 0; p < 2; ++p) {
            UserRecord u = DefaultUserRecord();
            u.number = static_cast<std::uint16_t>(p + 1);
            u.name = std::string(kBoards[i]) + " player " + std::to_string(p + 1);
            EXPECT_TRUE(WriteUserRecord(users, static_cast<std::uint64_t>(p), u));
            const UserIndexEntry entry = IndexEntryFor(u);
            EXPECT_TRUE(index.write(static_cast<std::uint64_t>(p), &entry));
        }
        boards.push_back(b);
    }
    for (Board& b : boards) {
        for (int i = 0; i < 4; ++i) {
            if (b.settings.address.node == i + 1) continue;
            b.settings.boards.push_back(
                {{21, 1, static_cast<std::uint16_t>(i + 1), 0},
                 kBoards[i],
                 "secret of " + std::string(kBoards[std::max(i, b.settings.address.node - 1)])});
        }
    }
    return boards;
}

// Carries what the boards put out to the inbound folders they are for, and plays a bad network
// while `faults` is set: a tenth of the packets lost, a tenth doubled (the copy a round late), a
// fifth held back a round, and every round's packets in a new order.
class Carrier {
  public:
    Carrier(std::vector<Board>& boards, std::uint64_t seed) : boards_(boards), dice_(seed) {}

    void round(bool faults) {
        std::vector<std::pair<std::string, std::string>> now;  // (path in an inbound, bytes)
        std::swap(now, held_);
        for (Board& from : boards_) {
            for (const auto& e : fs::directory_iterator(from.settings.outbound)) {
                const std::string name = e.path().filename().string();
                int node = 0;
                if (!name.ends_with(kPacketSuffix) ||
                    std::sscanf(name.c_str(), "%*u-%*u-%*u-%*u_%*u-%*u-%d-", &node) != 1) {
                    continue;
                }
                const std::string inbound =
                    boards_.at(static_cast<std::size_t>(node - 1)).settings.inbound + "/";
                std::string bytes;
                ASSERT_TRUE(ReadSmallFile(e.path().string(), bytes));
                fs::remove(e.path());
                const std::uint32_t roll = faults ? dice_.random(10) : 9;
                if (roll == 0) continue;
                if (roll == 1) held_.emplace_back(inbound + "copy-" + name, bytes);
                (roll == 2 || roll == 3 ? held_ : now).emplace_back(inbound + name, bytes);
            }
        }
        for (std::size_t i = now.size(); i > 1; --i) {
            std::swap(now[i - 1], now[dice_.random(static_cast<std::uint32_t>(i))]);
        }
        for (const auto& [path, bytes] : now) std::ofstream(path, std::ios::binary) << bytes;
    }

  private:
    std::vector<Board>& boards_;
    SeededRandom dice_;
    std::vector<std::pair<std::string, std::string>> held_;
};

// One night on one board: import, a player gains experience, the game notes it as a deed for
// the league and he writes to a player of the next board, export.
void Night(Board& b, int night, std::int64_t now, bool tell) {
    ASSERT_EQ(::chdir(b.folder.c_str()), 0);
    ExchangeReport report;
    ASSERT_TRUE(ImportPackets(b.settings, now, report));
    RecordFile users;
    ASSERT_TRUE(users.open(kUsersFile, sizeof(UserRecord), RecordFile::Access::kReadWrite));
    UserRecord u;
    ASSERT_TRUE(users.read(0, &u));
    u.experience = night * 100;
    ASSERT_TRUE(WriteUserRecord(users, 0, u));
    const Standing own = BoardStanding(b.settings.address, static_cast<std::uint32_t>(night));
    if (tell) {
        TellTheLeague(LeagueNewsKind::kPlayerOfTheDay, u.name.view(),
                      b.settings.short_name + " night " + std::to_string(night));
        const NetworkAddress to{21, 1, static_cast<std::uint16_t>(b.settings.address.node % 4 + 1),
                                0};
        const std::string to_name = kBoards[to.node - 1] + std::string(" player 2");
        ASSERT_TRUE(QueueLeagueLetter(b.settings, to,
                                      {u.name.str(), to_name, "Night " + std::to_string(night), now,
                                       "Greetings from " + b.settings.short_name + "\r"},
                                      now));
    }
    ASSERT_TRUE(
        ExportPackets(b.settings, now, &own, TakeDeeds(static_cast<std::uint32_t>(night)), report));
}

TEST(LeagueSoak, ThirtyNightsOfABadNetworkLoseAndDoubleNothing) {
    test::TempGameDirectory root;
    std::vector<Board> boards = MakeLeague(root.path());
    Carrier carrier(boards, 20261208);
    SeededRandom order(7);
    // A forger's packet, signed with a secret he guessed, and one from a later version: both are
    // kept aside at the hub and nothing of them is taken.
    LeaguePacket forged{"Soak League",
                        {21, 1, 2, 0},
                        {21, 1, 1, 0},
                        1,
                        kFirstNight,
                        {},
                        {},
                        {{{21, 1, 2, 0}, 999, 1, LeagueNewsKind::kDragonSlain, "X", "forged"}},
                        {},
                        {}};
    std::ofstream(boards[0].settings.inbound + "/forged.lpk", std::ios::binary)
        << WritePacket(forged, "a guess");
    std::string later = WritePacket(forged, "secret of ann");
    later[4] = 2;  // the version
    std::ofstream(boards[0].settings.inbound + "/later.lpk", std::ios::binary) << later;
    // Thirty nights of faults, then quiet nights for what is still on its way to be sent again.
    for (int night = 1; night <= kNights + 6; ++night) {
        std::vector<int> turn{0, 1, 2, 3};
        for (std::size_t i = 3; i > 0; --i)
            std::swap(turn[i], turn[order.random(static_cast<std::uint32_t>(i + 1))]);
        for (const int i : turn) {
            Night(boards[static_cast<std::size_t>(i)], std::min(night, kNights),
                  kFirstNight + night * 86400, night <= kNights);
            carrier.round(night <= kNights);
        }
    }
    for (Board& b : boards) {
        SCOPED_TRACE(b.settings.short_name);
        ASSERT_EQ(::chdir(b.folder.c_str()), 0);
        LeagueView view;
        ASSERT_TRUE(ReadLeagueView(view));
        std::map<NetworkAddress, int> standings;
        for (const Standing& s : view.standings) {
            ++standings[s.board];
            EXPECT_EQ(s.night, static_cast<std::uint32_t>(kNights));
            ASSERT_FALSE(s.rows.empty());
            EXPECT_EQ(s.rows[0].experience, kNights * 100);
        }
        EXPECT_EQ(standings.size(), 4u);
        for (const auto& [board, count] : standings) EXPECT_EQ(count, 1) << AddressText(board);
        std::set<std::pair<NetworkAddress, std::uint32_t>> news;
        for (const LeagueNews& n : view.news) EXPECT_TRUE(news.insert({n.board, n.number}).second);
        EXPECT_EQ(news.size(), 4u * kNights);
        EXPECT_EQ(news.count({{21, 1, 2, 0}, 999}), 0u);
        // Every night's letter from the board before, in player 2's e-mail once.
        MessageBase mail;
        ASSERT_TRUE(mail.open("", kEmailFileBase));
        std::set<std::string> letters;
        for (std::uint32_t m = 1; m <= mail.count(); ++m) {
            MessageHeader h;
            ASSERT_TRUE(mail.read_header(m, h));
            EXPECT_EQ(h.receiver.user_number, 2);
            EXPECT_TRUE(letters.insert(h.subject.str()).second) << h.subject.str();
        }
        EXPECT_EQ(letters.size(), static_cast<std::size_t>(kNights));
    }
    EXPECT_TRUE(fs::exists(boards[0].folder + "/league/bad/forged.lpk"));
    EXPECT_TRUE(fs::exists(boards[0].folder + "/league/bad/later.lpk"));
    ASSERT_EQ(::chdir(root.path().c_str()), 0);
}

}  // namespace
}  // namespace vorn

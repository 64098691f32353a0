// The many-node soak: 16 scripted callers play at once on 16 nodes of one game directory, for a
// set number of seconds, while the nightly run comes round every few seconds and callers hang up
// or have their game killed at random moments. Afterwards the checker must find the directory
// sound, and every player's books must balance.
//
//     vorn_soak SECONDS [--nodes N] [--seed S] [--log FILE]
//
// Exit code 0 when nothing was found, 1 when something was (each finding is printed), 2 for a
// wrong command line or a game directory that could not be laid out.
//
// The world: Vornville and a road of sixteen glades east of it (the forest is the first), with a
// Grass Beetle in every glade that is worth 7 gold and cannot hurt anyone. Each node has its own
// door.sys; a caller plays one character for a few calls, then a new one under a new BBS name.
// A call logs on (creating the character when he is new), then does a handful of things: walks
// the road and fights the beetle of every glade he enters, buys a healing draught, moves money in
// and out of the bank and takes or repays a loan, writes a letter to another soak player, reads
// his own letters and has them deleted (the mail area is packed while other nodes write), founds
// a city (after the sysop, that is the soak, has put 12,000 gold in his purse), and leaves. About
// one call in seven is hung up (the pty closed) and one in seven killed (SIGKILL) instead, from
// another thread up to 1.5 s into a random step, while the script goes on typing.
//
// The books. Gold enters a player's hands by beetles (7 each), by the sysop's grants, and by bank
// interest at night; it leaves by purchases (the draught's price), cities (10,000 each), loan
// interest and thieves at night. Loans and the bank only move it. So, for the record of a player,
//     Q = gold + bank - loan + price * draughts + 10000 * cities founded - 7 * kills
// stays the same from one look at the record to the next, plus the grants, as long as no night
// was paid to him in between (his record's night stamp did not move). Where nights were paid, Q
// may not grow by more than the interest allows: 30 % a night at most on what he could have held.
// The soak reads every player's record (under the record's lock) before each call and after it,
// however it ended, and checks:
//   - a player once seen stays findable by name under the same number (no record lost);
//   - Q is exact across every call without a night, and within the interest bound across nights
//     (no gold created, none vanished, and a kill never leaves a half-saved record);
//   - kills, draughts and cities never go back, gold, bank and loan never fall below zero, and
//     every fight and city the caller saw confirmed on screen is in the record, even when the call
//     was then killed;
//   - every screen the script waits for comes within two minutes (no game stops answering);
//   - every game ended by the rules: exit 0 after leaving, an exit without a crash after a hang-up
//     (within the wait), no sanitizer report, no run-time error line; the nightly run ends with
//     0 (done) or 1 (another run was going on).
// At the end, with every game gone, the checker (CheckGameDirectory and the checkgame tool) must
// report no problem.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "check/game_check.hpp"
#include "common/city_records.hpp"
#include "common/file_lock.hpp"
#include "common/record_file.hpp"
#include "common/user_records.hpp"
#include "common/world_records.hpp"
#include "support/game_directory.hpp"
#include "support/game_process.hpp"

namespace vorn::soak {
namespace {

using test::GameDirectory;
using test::GameProcess;
using Clock = std::chrono::steady_clock;

constexpr int kBeetleGold = 7;
constexpr std::int64_t kCityPrice = 10000;
constexpr std::int32_t kGrant = 12000;
constexpr int kFirstGlade = 2;
constexpr int kLastGlade = 17;
// A screen the script waits for comes within this, or the script has lost its way. Generous: 16
// games under the sanitizers on two shared cores.
constexpr int kStepMs = 120000;

struct Options {
    int seconds = 60;
    int nodes = 16;
    std::uint64_t seed = 0;
    std::string log;
};

// What is counted for the summary.
struct Figures {
    std::atomic<long> sessions{0}, clean{0}, hang_ups{0}, kills{0}, lost{0};
    std::atomic<long> saves{0}, wins{0}, draughts{0}, bank_moves{0}, letters{0}, cities{0};
    std::atomic<long> readings{0}, deletions{0};
    std::atomic<long> grants{0}, nights{0}, nights_refused{0}, created{0}, exact_checks{0};
    std::atomic<long> bound_checks{0};
};

class Journal {
  public:
    explicit Journal(const std::string& path) {
        if (!path.empty()) file_.open(path);
    }
    void line(const std::string& text) {
        const std::lock_guard lock(mutex_);
        if (file_.is_open()) file_ << text << '\n' << std::flush;
    }
    void finding(const std::string& text) {
        const std::lock_guard lock(mutex_);
        findings_.push_back(text);
        std::fprintf(stderr, "FINDING: %s\n", text.c_str());
        if (file_.is_open()) file_ << "FINDING: " << text << '\n' << std::flush;
    }
    std::vector<std::string> findings() {
        const std::lock_guard lock(mutex_);
        return findings_;
    }

  private:
    std::mutex mutex_;
    std::ofstream file_;
    std::vector<std::string> findings_;
};

// A player's record as the soak last read it.
struct Look {
    bool found = false;
    std::uint16_t number = 0;
    std::int32_t gold = 0, bank = 0, loan = 0;
    int kills = 0, draughts = 0, cities = 0, room = 0;
    std::uint32_t night_paid = 0;

    std::int64_t books(std::int64_t price) const {
        return std::int64_t{gold} + bank - loan + price * draughts + kCityPrice * cities -
               std::int64_t{kBeetleGold} * kills;
    }
    std::string text() const {
        char line[200];
        std::snprintf(line, sizeof line,
                      "#%d gold %d bank %d loan %d draughts %d cities %d kills %d night %u room %d",
                      number, gold, bank, loan, draughts, cities, kills, night_paid, room);
        return found ? line : "(no record)";
    }
};

class Game {
  public:
    Game(const Options& options, Journal& journal, Figures& figures)
        : options_(options), journal_(journal), figures_(figures) {}

    bool lay_out();
    const GameDirectory& directory() const { return dir_; }
    std::int64_t draught_price() const { return draught_price_; }

    Look look(const std::string& name) const;
    // The sysop puts gold in an absent player's purse; returns the record as written.
    Look grant(const std::string& name, std::int32_t gold);

    // Characters seen in the files, for letters and the last roll call.
    void saw(const std::string& name) {
        const std::lock_guard lock(mutex_);
        if (std::find(seen_.begin(), seen_.end(), name) == seen_.end()) seen_.push_back(name);
    }
    std::vector<std::string> seen() const {
        const std::lock_guard lock(mutex_);
        return seen_;
    }

    Journal& journal() { return journal_; }
    Figures& figures() { return figures_; }
    const Options& options() const { return options_; }

  private:
    void write_world() const;

    const Options& options_;
    Journal& journal_;
    Figures& figures_;
    GameDirectory dir_;
    std::int64_t draught_price_ = 0;
    mutable std::mutex mutex_;
    std::vector<std::string> seen_;
};

// "Glade A" is the forest, room 2; no name is the start of another.
std::string GladeName(int room) {
    return std::string("Glade ") + static_cast<char>('A' + room - kFirstGlade);
}

template <class Record>
Record Zeroed() {
    Record r;
    std::memset(&r, 0, sizeof r);
    return r;
}

std::uint32_t Letters(std::string_view letters) {
    std::uint32_t flags = 0;
    for (char c : letters) flags |= 1u << (c - 64);
    return flags;
}

void Game::write_world() const {
    std::string rooms;
    RoomRecord city = Zeroed<RoomRecord>();
    city.number = 1;
    city.tag = "Vornville";
    city.terrain = 255;
    rooms.append(reinterpret_cast<const char*>(&city), sizeof city);
    for (int n = kFirstGlade; n <= kLastGlade; ++n) {
        RoomRecord glade = Zeroed<RoomRecord>();
        glade.number = n;
        glade.tag = GladeName(n);
        glade.flags = Letters("NEIHQ");
        glade.north = n == kFirstGlade ? 1 : 0;
        glade.west = n > kFirstGlade ? n - 1 : 0;
        glade.east = n < kLastGlade ? n + 1 : 0;
        glade.monster_chance = 100;
        glade.monster_draw1 = 1;
        glade.monster_draw2 = 1;
        glade.text[0] = "A quiet glade. A beetle clicks in the grass.";
        rooms.append(reinterpret_cast<const char*>(&glade), sizeof glade);
    }
    dir_.write_file("rooms.dat", rooms);
    dir_.write_file("events.dat", "");
    MonsterRecord beetle = Zeroed<MonsterRecord>();
    beetle.number = 1;
    beetle.name = "Grass Beetle";
    beetle.hp_min = 1;
    beetle.hp_max = 1;
    beetle.reward = kBeetleGold;
    beetle.level = 1;
    beetle.random_encounter = true;
    beetle.reach = 1;
    dir_.write_file("monsters.dat",
                    std::string(reinterpret_cast<const char*>(&beetle), sizeof beetle));
}

bool Game::lay_out() {
    if (!dir_.make_game()) return false;
    write_world();
    std::vector<std::vector<std::string>> settings = {{"game", "mana_recovery_secs", "1"}};
    for (int node = 1; node <= options_.nodes; ++node) {
        const std::string n = std::to_string(node);
        dir_.make_directory("node" + n);
        settings.push_back({"node", n, "door_type", "1"});
        settings.push_back({"node", n, "door_file_path", dir_.file("node" + n)});
        settings.push_back({"node", n, "multinode", "yes"});
    }
    for (const auto& words : settings) {
        std::vector<std::string> args = {"--set"};
        args.insert(args.end(), words.begin(), words.end());
        const test::ProgramResult r = test::RunProgram("setup", dir_.path(), {.args = args});
        if (r.exit_code != 0) {
            std::fprintf(stderr, "setup %s: %d %s%s\n", words[1].c_str(), r.exit_code,
                         r.output.c_str(), r.error_output.c_str());
            return false;
        }
    }
    RecordFile items;
    ItemRecord draught{};
    if (!items.open(dir_.file("items.dat"), sizeof draught, RecordFile::Access::kRead) ||
        !items.read_record(0, draught) || draught.price <= 0) {
        std::fprintf(stderr, "items.dat has no first item with a price\n");
        return false;
    }
    draught_price_ = draught.price;
    return true;
}

int CitiesOf(const GameDirectory& dir, const std::string& name) {
    RecordFile cities;
    if (!cities.open(dir.file(kCitiesFile), sizeof(CityRecord), RecordFile::Access::kRead)) {
        return 0;
    }
    int count = 0;
    auto city = std::make_unique<CityRecord>();
    for (std::uint64_t i = 0; cities.read_record(i, *city); ++i) {
        if (city->founder.view() == name) ++count;
    }
    return count;
}

Look Game::look(const std::string& name) const {
    Look look;
    RecordFile users;
    if (!users.open(dir_.file(kUsersFile), sizeof(UserRecord), RecordFile::Access::kRead)) {
        return look;
    }
    auto u = std::make_unique<UserRecord>();
    const std::uint64_t count = users.record_count();
    for (std::uint64_t i = 0; i < count; ++i) {
        // A node writes a record with one pwrite under the lock of its bytes.
        LockRange(users.fd(), LockKind::kShared, i * sizeof(UserRecord), sizeof(UserRecord));
        const bool read = users.read_record(i, *u);
        UnlockRange(users.fd(), i * sizeof(UserRecord), sizeof(UserRecord));
        if (!read || u->name.view() != name) continue;
        look.found = true;
        look.number = u->number;
        look.gold = u->gold;
        look.bank = u->bank;
        look.loan = u->loan;
        look.kills = u->kills;
        look.draughts = u->item_count[0];
        look.night_paid = u->night_paid;
        look.room = u->room;
        break;
    }
    if (look.found) look.cities = CitiesOf(dir_, name);
    return look;
}

Look Game::grant(const std::string& name, std::int32_t gold) {
    const Look before = look(name);
    if (!before.found || before.number == 0) return before;
    RecordFile users;
    if (!users.open(dir_.file(kUsersFile), sizeof(UserRecord), RecordFile::Access::kReadWrite)) {
        return before;
    }
    const std::uint64_t i = before.number - 1u;
    auto u = std::make_unique<UserRecord>();
    LockRange(users.fd(), LockKind::kExclusive, i * sizeof(UserRecord), sizeof(UserRecord));
    if (users.read_record(i, *u) && u->name.view() == name) {
        u->gold = u->gold + gold;
        users.write_record(i, *u);
    }
    UnlockRange(users.fd(), i * sizeof(UserRecord), sizeof(UserRecord));
    return look(name);
}

std::string DoorSys(const std::string& caller) {
    std::string door = "COM0:\r\n0\r\n";
    for (int line = 3; line <= 9; ++line) door += "x\r\n";
    door += caller + "\r\n";
    for (int line = 11; line <= 18; ++line) door += "y\r\n";
    return door + "60\r\nGR\r\n";
}

// Letters only: "SoakCb" is node 3's second character.
std::string CharacterName(int node, int generation) {
    std::string name = "Soak";
    name += static_cast<char>('A' + node - 1);
    std::string tail;
    do {
        tail.insert(tail.begin(), static_cast<char>('a' + generation % 26));
        generation /= 26;
    } while (generation > 0);
    return name + tail;
}

enum class Ending { kQuit, kHangUp, kKill };

// One caller on one node, call after call.
class Caller {
  public:
    Caller(Game& game, int node, std::uint64_t seed)
        : game_(game), node_(node), rng_(seed), figures_(game.figures()) {}

    void run(Clock::time_point until);

  private:
    struct Call;
    void call(const std::string& name);
    bool play(GameProcess& g, Call& c);
    bool log_on(GameProcess& g, Call& c);
    bool create(GameProcess& g, const std::string& name);
    bool act(GameProcess& g, Call& c);
    bool buy_draught(GameProcess& g);
    bool bank(GameProcess& g);
    bool to_forest(GameProcess& g, Call& c);
    bool walk(GameProcess& g, Call& c);
    bool fight(GameProcess& g, Call& c);
    bool write_letter(GameProcess& g, Call& c);
    bool read_letters(GameProcess& g);
    bool found_city(GameProcess& g, Call& c);
    bool leave(GameProcess& g, Call& c);
    void check(const std::string& name, const Look& before, const Look& now, const Call& c,
               const char* when);

    int chance(int n) { return static_cast<int>(rng_() % static_cast<std::uint64_t>(n)); }
    bool wait(GameProcess& g, const std::string& text, int* from = nullptr);
    void note(const std::string& text) {
        game_.journal().line("node " + std::to_string(node_) + ": " + text);
    }

    Game& game_;
    int node_;
    std::mt19937_64 rng_;
    Figures& figures_;
    std::map<std::string, Look> last_;  // per character: the last look, grants included
};

struct Caller::Call {
    std::string name;
    bool in_town = false;
    int room = 0;
    int wins = 0;    // fights won and seen saved (the map came back)
    int cities = 0;  // cities seen founded
    Ending ending = Ending::kQuit;
    int fault_at = -1;  // the step during which the call is hung up or killed
    int step = 0;
    std::string lost;  // what the script waited for in vain
};

bool Caller::wait(GameProcess& g, const std::string& text, int* from) {
    const int found = g.wait_for_any(
        {text}, kStepMs, from != nullptr ? static_cast<std::size_t>(*from) : std::string::npos);
    return found == 0;
}

bool Answer(GameProcess& g, const std::string& text, const std::string& keys) {
    if (g.wait_for_any({text}, kStepMs) != 0) return false;
    g.type(keys);
    return true;
}

// Types `keys` and waits for one of `texts` in what the game writes after them.
int TypeAndWait(GameProcess& g, const std::string& keys, const std::vector<std::string>& texts) {
    const std::size_t mark = g.output_size();
    g.type(keys);
    return g.wait_for_any(texts, kStepMs, mark);
}

bool Caller::create(GameProcess& g, const std::string& name) {
    static const std::vector<std::pair<std::string, std::string>> kSteps = {
        {"The race of your character?", "1\r"},
        {"Choose a Sub-Race:", "1\r"},
        {"Note that some of them must be activated", "\r"},
        {"Err...No skills", "\r"},
        {"Now for the disadvantages...", "\r"},
        {"Err...No Disadvantages, for now!", "\r"},
        {"The sex of your character? [M/F]", "m"},
        {"Are they ok?", "y"},
        {"Choose your alignement", "1aq"},
        {"Before whom do you kneel?", "a"},
    };
    if (!Answer(g, "What is your character name?", name + "\r")) return false;
    for (const auto& [text, keys] : kSteps) {
        if (!Answer(g, text, keys)) return false;
    }
    figures_.created++;
    return true;
}

bool Caller::log_on(GameProcess& g, Call& c) {
    if (!Answer(g, "Whack The Damn Key!", "\r") || !Answer(g, "Step into the snows", "s")) {
        return false;
    }
    const int first = g.wait_for_any(
        {"A Newcomer's Guide to Vornhold", "Do you want to read the news?"}, kStepMs);
    if (first < 0) return false;
    if (first == 0) {
        g.type("\r");
        if (!create(g, c.name)) return false;
    }
    if (!Answer(g, "Do you want to read the news?", "n")) return false;
    const int where = g.wait_for_any({"Go in the forest", "Your command?"}, kStepMs);
    if (where < 0) return false;
    c.in_town = where == 0;
    if (!c.in_town) {
        const Look now = game_.look(c.name);
        c.room = now.room;
        // Back in a glade: its beetle is waiting.
        if (g.screen_text().find("Grass Beetle") != std::string::npos) return fight(g, c);
    }
    return true;
}

bool Caller::buy_draught(GameProcess& g) {
    // The store's list pauses once before the question.
    if (TypeAndWait(g, "sb", {"Whack The Damn Key!"}) != 0) return false;
    g.type("\r");
    if (!Answer(g, "Which one want to buy?",
                "\x19"
                "1\r"))
        return false;
    const int asked = g.wait_for_any({"Buy how many", "Not enough gold!"}, kStepMs);
    if (asked < 0) return false;
    if (asked == 0)
        g.type(
            "\x19"
            "1\r");
    if (TypeAndWait(g, "q", {"Go in the forest"}) != 0) return false;
    figures_.saves++;
    return true;
}

bool Caller::bank(GameProcess& g) {
    if (TypeAndWait(g, "b", {"uit"}) != 0) return false;
    static const char* const kMoves[] = {"d", "w", "lt", "lr"};
    const int moves = 1 + chance(3);
    for (int m = 0; m < moves; ++m) {
        const std::string move = kMoves[chance(4)];
        const std::string amount = std::to_string(1 + chance(60));
        // Every move ends with a message on the bank's screen: done, refused or cancelled.
        if (TypeAndWait(g, move + "\x19" + amount + "\r",
                        {"Thanks!", "Not enough", "Canceled", "can't do that", "Nonsense"}) < 0) {
            return false;
        }
        figures_.bank_moves++;
    }
    if (TypeAndWait(g, "q", {"Go in the forest"}) != 0) return false;
    figures_.saves++;
    return true;
}

bool Caller::to_forest(GameProcess& g, Call& c) {
    const int r = TypeAndWait(g, "f", {"Do you take the", "Grass Beetle"});
    if (r < 0) return false;
    // The woodcutter's free draughts are declined: the books count bought ones.
    if (r == 0 && TypeAndWait(g, "n", {"Grass Beetle"}) != 0) return false;
    c.in_town = false;
    c.room = kFirstGlade;
    return fight(g, c);
}

bool Caller::fight(GameProcess& g, Call& c) {
    if (!wait(g, "Your command?")) return false;
    if (TypeAndWait(g, "a", {"Enter your command"}) != 0) return false;
    for (int turn = 0; turn < 60; ++turn) {
        const int r = TypeAndWait(g, "c", {"You gained", "Choose a Target", "Not enough mana"});
        if (r < 0) return false;
        int outcome = r == 0 ? 0 : -1;
        if (r == 1) {
            outcome = TypeAndWait(g, "\r", {"You gained", "Enter your command"});
        } else if (r == 2) {
            // No mana left: run, or try again next turn when the way is blocked.
            outcome = TypeAndWait(g, "r", {"You gained", "Your command?", "Enter your command"});
            if (outcome == 1) return true;
        }
        if (outcome < 0) return false;
        if (outcome == 0) {
            // One more key ends the fight; the reward is saved with it.
            if (TypeAndWait(g, "d", {"Your command?"}) != 0) return false;
            ++c.wins;
            figures_.wins++;
            figures_.saves++;
            return true;
        }
    }
    c.lost = "a fight that never ended";
    return false;
}

bool Caller::walk(GameProcess& g, Call& c) {
    if (c.room == kFirstGlade && chance(3) == 0) {
        if (TypeAndWait(g, "8", {"Go in the forest"}) != 0) return false;
        c.in_town = true;
        return true;
    }
    const bool east = c.room < kLastGlade && (c.room == kFirstGlade || chance(2) == 0);
    const int to = east ? c.room + 1 : c.room - 1;
    if (TypeAndWait(g, east ? "6" : "4", {GladeName(to)}) != 0) return false;
    c.room = to;
    return wait(g, "Grass Beetle") && fight(g, c);
}

bool Caller::write_letter(GameProcess& g, Call& c) {
    std::vector<std::string> others = game_.seen();
    others.erase(std::remove(others.begin(), others.end(), c.name), others.end());
    if (others.empty()) return walk(g, c);
    const std::string& to =
        others[static_cast<std::size_t>(chance(static_cast<int>(others.size())))];
    if (TypeAndWait(g, "@s", {"Destination"}) != 0) return false;
    if (!Answer(g, "Destination", to + "\r")) return false;
    if (!Answer(g, "Enter message title:", "From " + c.name + "\r")) return false;
    if (!Answer(g, "Scribe's Desk", "Greetings from node " + std::to_string(node_) + ".\x18")) {
        return false;
    }
    if (!Answer(g, "Email sent to " + to, "\r")) return false;
    figures_.letters++;
    figures_.saves++;
    return wait(g, "Your command?");
}

// Reads the letters from the first, and has those left standing deleted: the mail area is then
// packed while the other nodes write to it.
bool Caller::read_letters(GameProcess& g) {
    static const std::vector<std::string> kScreens = {"Begin reading at which message",
                                                      "Reading Email", "Delete all read mail?",
                                                      "Whack The Damn Key!", "Your command?"};
    static const char* const kKeys[] = {"\r", "q", "y", "\r"};
    if (TypeAndWait(g, "!", {"Read it?", "No mail waiting"}) < 0) return false;
    std::string keys = "y";
    for (int screen = 0; screen < 12; ++screen) {
        const int r = TypeAndWait(g, keys, kScreens);
        if (r < 0) return false;
        if (r == 4) {
            figures_.readings++;
            return true;
        }
        if (r == 2) figures_.deletions++;
        keys = kKeys[r];
    }
    return false;
}

bool Caller::found_city(GameProcess& g, Call& c) {
    const int r = TypeAndWait(
        g, "y",
        {"do you accept?", "You can't do that yet!", "too much cities", "Choose your move"});
    if (r < 0) return false;
    if (r == 3) return TypeAndWait(g, "q", {"Your command?"}) == 0;
    if (r != 0) return TypeAndWait(g, "\r", {"Your command?"}) == 0;
    const int named = TypeAndWait(g, "y", {"Enter city name:", "Not enough money"});
    if (named < 0) return false;
    if (named == 1) return TypeAndWait(g, "\r", {"Your command?"}) == 0;
    const std::string city = c.name + "hold";
    const int done = TypeAndWait(g, city + "\r",
                                 {"The city of " + city + " is present here",
                                  "Another city was founded here", "Whack The Damn Key!"});
    if (done < 0) return false;
    if (done == 0) {
        ++c.cities;
        figures_.cities++;
        figures_.saves++;
        return wait(g, "Your command?");
    }
    return TypeAndWait(g, "\r", {"Your command?"}) == 0;
}

bool Caller::act(GameProcess& g, Call& c) {
    if (c.in_town) {
        switch (chance(4)) {
            case 0:
                return buy_draught(g);
            case 1:
                return bank(g);
            default:
                return to_forest(g, c);
        }
    }
    const Look now = game_.look(c.name);
    if (now.gold >= kCityPrice && chance(2) == 0) return found_city(g, c);
    if (chance(6) == 0) return write_letter(g, c);
    if (chance(8) == 0) return read_letters(g);
    return walk(g, c);
}

bool Caller::leave(GameProcess& g, Call& c) {
    if (TypeAndWait(g, "q", {"Step into the snows"}) != 0) return false;
    (void)c;
    return Answer(g, "Step into the snows", "q") && Answer(g, "Whack The Damn Key!", "\r");
}

bool Caller::play(GameProcess& g, Call& c) {
    // The hang-up or kill comes from another thread, a random moment into the step, while the
    // script goes on typing: it lands inside a save as readily as between two.
    std::thread strike;
    const auto arm = [&] {
        const int after_ms = chance(1500);
        const Ending ending = c.ending;
        strike = std::thread([&g, after_ms, ending] {
            std::this_thread::sleep_for(std::chrono::milliseconds(after_ms));
            if (ending == Ending::kHangUp) {
                g.hang_up();
            } else {
                ::kill(g.pid(), SIGKILL);
            }
        });
    };
    const auto struck = [&] {
        strike.join();
        return true;
    };
    if (c.fault_at == 0) arm();
    if (!log_on(g, c)) return strike.joinable() && struck();
    if (strike.joinable()) return struck();
    const int steps = 2 + chance(6);
    for (c.step = 1; c.step <= steps; ++c.step) {
        if (c.step == c.fault_at) arm();
        const bool done = act(g, c);
        if (strike.joinable()) return struck();
        if (!done) return false;
    }
    c.ending = Ending::kQuit;  // the call had fewer steps than the fault was meant for
    return leave(g, c);
}

void Caller::check(const std::string& name, const Look& before, const Look& now, const Call& c,
                   const char* when) {
    const auto finding = [&](const std::string& what) {
        game_.journal().finding(name + " (node " + std::to_string(node_) + ", " + when +
                                "): " + what + "\n    before: " + before.text() +
                                "\n    now:    " + now.text());
    };
    if (!before.found) return;
    if (!now.found) return finding("the player's record is gone");
    if (now.number != before.number) finding("the player's number changed");
    if (now.gold < 0 || now.bank < 0 || now.loan < 0) finding("a negative amount");
    if (now.kills < before.kills + c.wins) finding("a fight seen won is not in the record");
    if (now.cities < before.cities + c.cities) finding("a city seen founded is missing");
    if (now.draughts < before.draughts) finding("draughts went back");
    if (now.night_paid < before.night_paid) finding("the night stamp went back");
    const std::int64_t price = game_.draught_price();
    const std::int64_t was = before.books(price);
    const std::int64_t is = now.books(price);
    if (now.night_paid == before.night_paid) {
        figures_.exact_checks++;
        if (is != was) {
            finding("the books do not balance: " + std::to_string(was) + " then " +
                    std::to_string(is));
        }
        return;
    }
    figures_.bound_checks++;
    const std::uint32_t nights = now.night_paid - before.night_paid;
    const double held =
        static_cast<double>(std::max<std::int64_t>(0, was + std::int64_t{kBeetleGold} * now.kills));
    const double most = static_cast<double>(was) +
                        (std::pow(1.3, std::min<std::uint32_t>(nights, 60)) - 1.0) * held + 1.0;
    if (static_cast<double>(is) > most) {
        finding("more gold than the interest of " + std::to_string(nights) +
                " nights allows: " + std::to_string(was) + " then " + std::to_string(is));
    }
}

bool RanByTheRules(GameProcess& g, Ending ending, int code, std::string& why) {
    const std::string out = g.output();
    if (out.find("Sanitizer") != std::string::npos ||
        out.find("runtime error:") != std::string::npos) {
        why = "a sanitizer report";
        return false;
    }
    if (out.find("Runtime error") != std::string::npos) {
        why = "a run-time error line";
        return false;
    }
    switch (ending) {
        case Ending::kQuit:
            why = "exit " + std::to_string(code) + " after leaving";
            return code == 0;
        case Ending::kHangUp:
            why = "exit " + std::to_string(code) + " after a hang-up";
            // Before its first word the game has not yet taken the hang-up signal over: it ends
            // by it, having touched nothing.
            if (code == test::kKilledBySignal + SIGHUP) return out.empty();
            return code >= 0 && code < test::kKilledBySignal;
        case Ending::kKill:
            why = "exit " + std::to_string(code) + " after SIGKILL";
            return code == test::kKilledBySignal + SIGKILL || (code >= 0 && code < 256);
    }
    return false;
}

void Caller::call(const std::string& name) {
    Call c;
    c.name = name;
    Look before = game_.look(name);
    auto known = last_.find(name);
    if (known != last_.end()) check(name, known->second, before, Call{}, "between calls");
    if (before.found) {
        game_.saw(name);
        // The sysop's gift, for a city.
        if (before.gold < kCityPrice && chance(5) == 0) {
            const Look given = game_.grant(name, kGrant);
            Look granted = before;
            granted.gold += kGrant;
            // A night may come between the look and the grant: then it is checked like a night.
            check(name, granted, given, Call{}, "across a grant");
            figures_.grants++;
            note("granted " + std::to_string(kGrant) + " gold to " + name + ": " + given.text());
            before = given;
        }
    }
    game_.directory().write_file("node" + std::to_string(node_) + "/door.sys",
                                 DoorSys("Caller " + name));
    const int roll = chance(7);
    c.ending = roll == 0 ? Ending::kHangUp : roll == 1 ? Ending::kKill : Ending::kQuit;
    if (c.ending != Ending::kQuit) c.fault_at = chance(6);

    figures_.sessions++;
    auto g = std::make_unique<GameProcess>("game", game_.directory(),
                                           test::LaunchOptions{.args = {std::to_string(node_)}});
    const bool played = play(*g, c);
    if (!played) {
        // Two minutes without the screen the script waits for: a game that stopped answering
        // (a lock never let go, a loop) or a screen no caller should meet here.
        figures_.lost++;
        game_.journal().finding(name + " (node " + std::to_string(node_) +
                                "): the script waited in vain at step " + std::to_string(c.step) +
                                (c.lost.empty() ? "" : ": ") + c.lost + "; screen:\n" +
                                g->screen_text());
        c.ending = Ending::kKill;
        ::kill(g->pid(), SIGKILL);
    }
    const int code = g->wait_exit(kStepMs);
    if (c.ending == Ending::kHangUp) {
        figures_.hang_ups++;
        if (code == test::kStillRunning) {
            game_.journal().finding(name + " (node " + std::to_string(node_) +
                                    "): the game did not end after a hang-up");
        }
    } else if (c.ending == Ending::kKill) {
        figures_.kills++;
    } else if (code == 0) {
        figures_.clean++;
    }
    std::string why;
    if (code != test::kStillRunning && !RanByTheRules(*g, c.ending, code, why)) {
        std::string tail = g->output();
        tail = tail.substr(tail.size() > 400 ? tail.size() - 400 : 0);
        game_.journal().finding(name + " (node " + std::to_string(node_) + "): " + why +
                                "; last output: " + tail);
    }
    g.reset();
    const Look after = game_.look(name);
    check(name, before, after, c,
          c.ending == Ending::kQuit     ? "after leaving"
          : c.ending == Ending::kHangUp ? "after a hang-up"
                                        : "after a kill");
    if (after.found) {
        game_.saw(name);
        last_[name] = after;
    } else if (before.found) {
        last_[name] = before;
    }
    note(name +
         (c.ending == Ending::kQuit     ? " left"
          : c.ending == Ending::kHangUp ? " hung up"
                                        : " killed") +
         " at step " + std::to_string(c.step) + " (exit " + std::to_string(code) +
         "): " + after.text());
}

void Caller::run(Clock::time_point until) {
    int generation = 0;
    int calls_left = 3 + chance(6);
    while (Clock::now() < until) {
        call(CharacterName(node_, generation));
        if (--calls_left == 0) {
            ++generation;
            calls_left = 3 + chance(6);
        }
    }
}

// The nightly run, every `every` until `until`.
void Nights(Game& game, Clock::time_point until, std::chrono::seconds every) {
    auto next = Clock::now() + every;
    while (next < until) {
        std::this_thread::sleep_until(next);
        next += every;
        // Nights every few seconds on one date: each asked for again.
        const test::ProgramResult r = test::RunProgram(
            "maint", game.directory().path(), {.args = {"--again"}, .timeout_ms = kStepMs});
        if (r.exit_code == 0) {
            game.figures().nights++;
        } else if (r.exit_code == 1) {
            game.figures().nights_refused++;
        } else {
            game.journal().finding("maint ended with " + std::to_string(r.exit_code) + ": " +
                                   r.output + r.error_output);
        }
        game.journal().line("night: exit " + std::to_string(r.exit_code));
    }
}

bool ParseOptions(int argc, char** argv, Options& o) {
    if (argc < 2) return false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool has_value = i + 1 < argc;
        if (a == "--nodes" && has_value) {
            o.nodes = std::atoi(argv[++i]);
        } else if (a == "--seed" && has_value) {
            o.seed = std::strtoull(argv[++i], nullptr, 10);
        } else if (a == "--log" && has_value) {
            o.log = argv[++i];
        } else if (i == 1 && !a.empty() && a[0] != '-') {
            o.seconds = std::atoi(a.c_str());
        } else {
            return false;
        }
    }
    return o.seconds > 0 && o.nodes >= 1 && o.nodes <= 16;
}

int Run(const Options& options) {
    Journal journal(options.log);
    Figures figures;
    Game game(options, journal, figures);
    if (!game.lay_out()) return 2;
    const auto start = Clock::now();
    const auto until = start + std::chrono::seconds(options.seconds);
    std::vector<std::unique_ptr<Caller>> callers;
    for (int node = 1; node <= options.nodes; ++node) {
        callers.push_back(std::make_unique<Caller>(game, node, options.seed * 7919 + node));
    }
    std::vector<std::thread> threads;
    for (auto& caller : callers) {
        threads.emplace_back([&caller, until] { caller->run(until); });
    }
    const auto every = std::chrono::seconds(std::clamp(options.seconds / 8, 8, 40));
    threads.emplace_back([&game, until, every] { Nights(game, until, every); });
    for (std::thread& t : threads) t.join();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();

    // Every player seen is still there.
    long lost_records = 0;
    const std::vector<std::string> players = game.seen();
    for (const std::string& name : players) {
        if (!game.look(name).found) {
            ++lost_records;
            journal.finding(name + ": not found at the end");
        }
    }
    // The judge: the checker, in code and as the sysop runs it.
    const CheckReport report = CheckGameDirectory(game.directory().path(), SystemClock().now());
    for (const std::string& line : report.lines()) journal.line("check: " + line);
    if (!report.clean()) {
        for (const std::string& line : report.lines()) journal.finding("checker: " + line);
    }
    const test::ProgramResult tool =
        test::RunProgram("checkgame", game.directory().path(), {.timeout_ms = kStepMs});
    if (tool.exit_code != 0) {
        journal.finding("checkgame ended with " + std::to_string(tool.exit_code) + ": " +
                        tool.output + tool.error_output);
    }

    const std::vector<std::string> findings = journal.findings();
    std::printf(
        "Many-node soak: %d nodes, %.0f s, seed %llu\n"
        "  sessions %ld: %ld left cleanly, %ld hung up, %ld killed; %ld scripts waited in vain\n"
        "  saves confirmed on screen %ld: %ld fights won, %ld letters, %ld cities\n"
        "  letters read %ld (their mail area packed %ld times), bank moves %ld\n"
        "  nights %ld (%ld refused beside another run), grants %ld\n"
        "  players %zu (%ld created), books checked %ld exactly and %ld across nights\n"
        "  checker problems %d, records lost %ld, findings %zu\n",
        options.nodes, seconds, static_cast<unsigned long long>(options.seed),
        figures.sessions.load(), figures.clean.load(), figures.hang_ups.load(),
        figures.kills.load(), figures.lost.load(), figures.saves.load(), figures.wins.load(),
        figures.letters.load(), figures.cities.load(), figures.readings.load(),
        figures.deletions.load(), figures.bank_moves.load(), figures.nights.load(),
        figures.nights_refused.load(), figures.grants.load(), players.size(),
        figures.created.load(), figures.exact_checks.load(), figures.bound_checks.load(),
        report.problems(), lost_records, findings.size());
    if (findings.empty()) return 0;
    // The evidence outlives the run: the game directory as the soak left it.
    const std::string kept = game.directory().path() + "-kept";
    std::error_code error;
    std::filesystem::copy(game.directory().path(), kept, std::filesystem::copy_options::recursive,
                          error);
    if (!error) std::printf("  the game directory is kept in %s\n", kept.c_str());
    return 1;
}

}  // namespace
}  // namespace vorn::soak

int main(int argc, char** argv) {
    vorn::soak::Options options;
    if (!vorn::soak::ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: vorn_soak SECONDS [--nodes N] [--seed S] [--log FILE]\n");
        return 2;
    }
    if (options.seed == 0) options.seed = static_cast<std::uint64_t>(::time(nullptr));
    return vorn::soak::Run(options);
}

// A user's night: interest and its news, the loan at the bank's rate, new rates, the sleep file
// counted down, the thieves and who they spare; the stamps that pay a night once and only once.
#include "common/user_night.hpp"

#include <gtest/gtest.h>

#include <cerrno>

#include "common/news_files.hpp"
#include "common/night_file.hpp"
#include "support/file_faults.hpp"
#include "support/test_session.hpp"

namespace vorn {
namespace {

struct Night {
    test::TempDir dir;
    ManualClock clock{test::SampleTime()};
};

UserRecord Joe() {
    UserRecord u = DefaultUserRecord();
    u.name = "Joe";
    return u;
}

// The entries of Joe.nws, without its header and separators.
std::vector<std::string> News() {
    std::vector<std::string> entries;
    const std::string text = test::ReadFile("Joe.nws");
    std::size_t at = text.find('\n', text.find('\n') + 1) + 1;  // past header and separator
    while (at < text.size()) {
        const std::size_t end = text.find('\n', at);
        const std::string line = text.substr(at, end - at);
        if (line != kNewsSeparator) entries.push_back(line);
        at = end + 1;
    }
    return entries;
}

TEST(UserNight, InterestOnBankAndLoan) {
    struct Case {
        std::int32_t bank, loan;
        int rate;
        std::int32_t bank_after, loan_after;
        std::vector<std::string> news;
    };
    const Case cases[] = {
        {1000, 0, 15, 1150, 0, {"You now have 1150 gold in bank, an increase of 150 gold!"}},
        {7, 0, 10, 7, 0, {"You now have 7 gold in bank, an increase of 0 gold!"}},
        // The loan grows by the interest rate, not by the loan rate (30 here).
        {0, 200, 10, 0, 220, {"Your loan is now of 220 gold, an increase of 20 gold!"}},
        {-5, -5, 30, -5, -5, {}},
        {2'000'000'000,
         0,
         30,
         2'147'483'647,
         0,
         {"You now have 2147483647 gold in bank, an increase of 147483647 gold!"}},
    };
    for (const Case& c : cases) {
        Night night;
        ScriptedRandom rng({4, 9});
        UserRecord u = Joe();
        u.bank = c.bank;
        u.loan = c.loan;
        u.interest_rate = static_cast<std::uint8_t>(c.rate);
        u.loan_rate = 30;
        ASSERT_TRUE(PassUserNight(u, {}, rng, night.clock));
        EXPECT_EQ(u.bank, c.bank_after) << c.bank;
        EXPECT_EQ(u.loan, c.loan_after) << c.loan;
        if (c.news.empty()) {
            EXPECT_FALSE(test::FileExists("Joe.nws"));
        } else {
            EXPECT_EQ(News(), c.news);
        }
        // New rates 1..30: the interest rate first, then the loan rate.
        EXPECT_EQ(u.interest_rate, 5);
        EXPECT_EQ(u.loan_rate, 10);
    }
}

TEST(UserNight, SleepFileHealingAndTheThieves) {
    struct SleepCase {
        const char* before;
        const char* after;        // nullptr: the file is gone
        bool read_fails = false;  // a file that cannot be read keeps its days: the night fails
    };
    for (const SleepCase& c :
         {SleepCase{"1\n", nullptr}, SleepCase{"3\n", "2\n"}, SleepCase{"no number\n", nullptr},
          SleepCase{"12", "11\n"}, SleepCase{"1\n", "1\n", true}}) {
        Night night;
        ScriptedRandom rng({0});
        UserRecord u = Joe();
        u.max_hp = 40;
        u.max_mana = 9;
        test::WriteFile("Joe.npl", c.before);
        {
            test::FaultyFileCalls faults({.call = c.read_fails ? 1 : 0,
                                          .error = EIO,
                                          .on_call = "pread",
                                          .on_file = "Joe.npl"});
            EXPECT_EQ(PassUserNight(u, {.heal_everything = true}, rng, night.clock), !c.read_fails);
        }
        EXPECT_EQ(test::FileExists("Joe.npl"), c.after != nullptr) << c.before;
        if (c.after != nullptr) {
            EXPECT_EQ(test::ReadFile("Joe.npl"), c.after);
        }
        EXPECT_EQ(u.hp, 40);
        EXPECT_EQ(u.mana, 9);
    }

    struct ThiefCase {
        int wis, bonus_int;
        bool in_inn;
        std::int32_t gold;
        std::vector<std::uint32_t> draws;
        std::int32_t gold_after;
        const char* news;  // nullptr: no visit
    };
    const ThiefCase thieves[] = {
        // Wisdom and intelligence of 50 or more keep every thief away.
        {30, 20, true, 100, {49}, 100, nullptr},
        {30,
         19,
         true,
         100,
         {49, 30},
         70,
         "Waking up you notice that 30 pieces of gold are missing!"},
        // Out of the inn, two draws in three find nothing worth taking.
        {0,
         0,
         false,
         100,
         {0, 1},
         100,
         "It seems someone was interested in your stuff, but didn't take a thing!"},
        {0,
         0,
         false,
         100,
         {0, 2, 7},
         93,
         "Waking up you notice that 7 pieces of gold are missing!"},
        // One gold piece: the draw from an empty range takes nothing.
        {0, 0, true, 1, {0, 5}, 1, "Waking up you notice that 0 pieces of gold are missing!"},
        {0, 0, true, -8, {0, 5}, -8, "Waking up you notice that 0 pieces of gold are missing!"},
    };
    for (const ThiefCase& c : thieves) {
        Night night;
        ScriptedRandom rng(c.draws);
        UserRecord u = Joe();
        u.wis = static_cast<std::uint8_t>(c.wis);
        u.bonus_int = static_cast<std::uint16_t>(c.bonus_int);
        u.in_inn = c.in_inn;
        u.gold = c.gold;
        ASSERT_TRUE(VisitThieves(u, rng, night.clock));
        EXPECT_EQ(u.gold, c.gold_after) << c.wis + c.bonus_int;
        if (c.news == nullptr) {
            EXPECT_FALSE(test::FileExists("Joe.nws"));
        } else {
            EXPECT_EQ(News(), std::vector<std::string>{c.news});
        }
    }
}

TEST(UserNight, EachNightIsPaidOnce) {
    struct Case {
        std::uint32_t paid, night, owed;
    };
    const Case cases[] = {
        {0, 0, 0}, {0, 5, 1}, {4, 5, 1}, {3, 5, 2}, {5, 5, 0}, {9, 5, 0}, {1, 100, kMaxOwedNights}};
    for (const Case& c : cases) EXPECT_EQ(OwedNights(c.paid, c.night), c.owed) << c.paid;

    // A player passed over on nights 4 and 5 has both at his logon, and nothing at the next.
    Night night;
    ScriptedRandom rng({9});
    UserRecord u = Joe();
    u.bank = 1000;
    u.interest_rate = 10;
    u.night_paid = 3;
    bool ok = true;
    EXPECT_EQ(PayOwedNights(u, 5, {}, rng, night.clock, ok), 2u);
    EXPECT_TRUE(ok);
    EXPECT_EQ(u.bank, 1210);  // 10 %, then the new rate of 10 %
    EXPECT_EQ(u.night_paid, 5u);
    EXPECT_EQ(PayOwedNights(u, 5, {}, rng, night.clock, ok), 0u);
    EXPECT_EQ(u.bank, 1210);
    EXPECT_EQ(News().size(), 2u);
}

}  // namespace
}  // namespace vorn

#include "common/user_night.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <limits>
#include <string>

#include "common/file_calls.hpp"
#include "common/news_files.hpp"
#include "common/night_file.hpp"
#include "common/player_file_names.hpp"
#include "common/record_file.hpp"

namespace vorn {

namespace {

constexpr std::int64_t kMostGold = std::numeric_limits<std::int32_t>::max();

// The first line of a sleep file as a number of days; no number reads as 0.
std::int64_t DaysToSleep(const std::string& text) {
    std::size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
    const bool negative = at < text.size() && text[at] == '-';
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) ++at;
    std::int64_t days = 0;
    for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at) {
        days = std::min<std::int64_t>(days * 10 + (text[at] - '0'), kMostGold);
    }
    return negative ? -days : days;
}

// The sleep file, if any, loses a day; the last day removes it.
bool CountDownSleep(const UserRecord& user) {
    const std::string path = SleepFileName(user.name.view());
    const int fd = sys::Open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT;
    char buffer[64];
    const ssize_t n = sys::Pread(fd, buffer, sizeof buffer, 0);
    if (n < 0) {
        // Unread, the file keeps its days: a failed read is no last day.
        sys::Close(fd);
        return false;
    }
    std::string text(buffer, static_cast<std::size_t>(n));
    text = text.substr(0, text.find('\n'));
    const std::int64_t left = DaysToSleep(text) - 1;
    bool ok = true;
    if (left > 0) {
        const std::string line = std::to_string(left) + "\n";
        ok = FullPwrite(fd, line.data(), line.size(), 0) == static_cast<long>(line.size()) &&
             sys::Truncate(fd, static_cast<off_t>(line.size())) == 0;
    } else {
        ok = sys::Unlink(path.c_str()) == 0 || errno == ENOENT;
    }
    sys::Close(fd);
    return ok;
}

// Interest on a positive amount, with the news line that reports it.
bool GrowField(I32& field, int rate, const UserRecord& user, Clock& clock, const char* before,
               const char* between) {
    if (field <= 0) return true;
    const std::int32_t grown = WithInterest(field, rate);
    const std::int64_t increase = static_cast<std::int64_t>(grown) - field;
    field = grown;
    return AddPlayerNews(
        before + std::to_string(grown) + between + std::to_string(increase) + " gold!",
        user.name.view(), clock);
}

std::uint8_t NewRate(Random& rng) {
    return static_cast<std::uint8_t>(1 + rng.random(30));
}

}  // namespace

std::int32_t WithInterest(std::int32_t amount, int rate) {
    const std::int64_t grown = static_cast<std::int64_t>(amount) * (100 + rate) / 100;
    return static_cast<std::int32_t>(std::min(grown, kMostGold));
}

bool PassUserNight(UserRecord& user, const NightTerms& terms, Random& rng, Clock& clock) {
    bool ok = CountDownSleep(user);
    if (terms.heal_everything) {
        user.mana = user.max_mana;
        user.hp = user.max_hp;
    }
    const int rate = user.interest_rate;
    // The loan grows by the same rate as the bank: `loan_rate` is only what the loan screen shows.
    ok = GrowField(user.bank, rate, user, clock, "You now have ",
                   " gold in bank, an increase of ") &&
         ok;
    ok =
        GrowField(user.loan, rate, user, clock, "Your loan is now of ", " gold, an increase of ") &&
        ok;
    user.interest_rate = NewRate(rng);
    user.loan_rate = NewRate(rng);
    return ok;
}

bool VisitThieves(UserRecord& user, Random& rng, Clock& clock) {
    const int guard = user.wis + user.bonus_wis + user.int_ + user.bonus_int;
    if (static_cast<int>(rng.random(50)) < guard) return true;
    if (!user.in_inn && rng.random(3) != 2) {
        return AddPlayerNews(
            "It seems someone was interested in your stuff, but didn't take a thing!",
            user.name.view(), clock);
    }
    // Half the purse is at stake; an empty range (1 gold or none) gives 0.
    const std::int32_t half = user.gold / 2;
    const std::int32_t taken = half > 0 ? static_cast<std::int32_t>(rng.random(half)) : 0;
    user.gold = user.gold - taken;
    return AddPlayerNews(
        "Waking up you notice that " + std::to_string(taken) + " pieces of gold are missing!",
        user.name.view(), clock);
}

std::uint32_t PayOwedNights(UserRecord& user, std::uint32_t night, const NightTerms& terms,
                            Random& rng, Clock& clock, bool& ok) {
    const std::uint32_t owed = OwedNights(user.night_paid, night);
    for (std::uint32_t i = 0; i < owed; ++i) ok = PassUserNight(user, terms, rng, clock) && ok;
    if (owed > 0) user.night_paid = night;
    return owed;
}

}  // namespace vorn

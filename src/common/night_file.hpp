// nights.dat: how many nights the game has had, the date of the last one and how far it got.
// maint counts a night when it starts on it, and holds a lock on the file for its whole run, so a
// second run at the same time finds the file taken and leaves everything alone. Users and cities
// carry the last night they were paid (`night_paid`), so a night passed over (a player in play)
// or written back from an older copy is paid later, once. The count never goes back: a night
// counts on from the highest stamp a user or city carries, so a nights.dat lost or put back from
// an older copy does not leave everybody "already paid".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/clock.hpp"
#include "common/record_types.hpp"

namespace vorn {

inline constexpr const char* kNightsFile = "nights.dat";

// How far the last night got. A file from before the states reads as a night done.
enum class NightState : std::uint8_t {
    kDone = 0,
    kBegun = 1,      // counted; yesterday's news not yet moved
    kNewsMoved = 2,  // the users, the talk and the cities under way
};

#pragma pack(push, 1)

struct NightRecord {
    U32 night;             // nights counted so far; 0 before the first
    ShortString<10> date;  // MM/DD/YYYY of the last night
    std::uint8_t state;    // NightState of the last night
};

#pragma pack(pop)

static_assert(sizeof(NightRecord) == 16);
static_assert(offsetof(NightRecord, night) == 0);
static_assert(offsetof(NightRecord, date) == 4);
static_assert(offsetof(NightRecord, state) == 15);

// A record unpaid for longer than this is paid this many nights: no session lasts nights on end,
// so more means a damaged stamp.
inline constexpr std::uint32_t kMaxOwedNights = 30;
// Stamps above this are damaged (a night a day for millions of years) and count for nothing.
inline constexpr std::uint32_t kMostNights = 0x7FFFFFFF;

// The nights counted in `path`: 0 when it is missing or short.
std::uint32_t CurrentNight(const std::string& path = kNightsFile);

// Nights owed to a record last paid on night `paid` when the game has had `night` nights. A stamp
// of 0 (a record from before the stamps) owes the current night only; a stamp ahead of the count
// owes nothing (the night run counts on from it).
std::uint32_t OwedNights(std::uint32_t paid, std::uint32_t night);

// The date of a night as nights.dat keeps it: MM/DD/YYYY.
std::string NightDate(const DateTime& t);

// The highest night stamp of the users of users.dat and the cities of cities.dat in `directory`
// ("" for the working directory, else ending in "/"), with the record that carries it.
struct HighestStamp {
    std::uint32_t night = 0;
    std::string file;         // users.dat or cities.dat; empty when no record carries a stamp
    std::uint64_t index = 0;  // the record's place (from 0)
};
HighestStamp HighestNightPaid(const std::string& directory = "");

// maint's hold on nights.dat for its whole run.
class NightFile {
  public:
    enum class Hold { kHeld, kBusy, kFailed };

    NightFile() = default;
    ~NightFile();
    NightFile(const NightFile&) = delete;
    NightFile& operator=(const NightFile&) = delete;

    // Opens (creating) the file and takes its lock without waiting: kBusy when another run holds
    // it, kFailed when the file cannot be opened.
    Hold take(const std::string& path = kNightsFile);
    // Counts one more night after the file's count and `highest_paid`, whichever is higher, dated
    // `now` and begun; writes it. False when the write failed.
    bool begin_night(const DateTime& now, std::uint32_t highest_paid);
    // Records how far the night got. False when the write failed.
    bool set_state(NightState state);
    // Brings the count up to `night` when it is below (a repair). False when the write failed.
    bool raise_count(std::uint32_t night);

    std::uint32_t night() const { return record_.night; }
    NightState state() const { return static_cast<NightState>(record_.state); }
    std::string date() const { return record_.date.str(); }

  private:
    bool write();

    int fd_ = -1;
    NightRecord record_{};
};

}  // namespace vorn

// Loading, saving and founding the players' cities in the three city files of the game directory
// (the working directory). Shared by the game, which founds cities and spends their stocks, and
// maint, which advances each of them by a day.
#pragma once

#include <cstdint>
#include <string>

#include "common/city_records.hpp"

namespace vorn {

// The three records of one city, as a program holds them while it works on the city.
struct CityBuffers {
    CityRecord city;
    CityArmyRecord army;
    CityBuildingsRecord buildings;
};

// Reads record `number` of the three files. True when all three were read whole; otherwise (a
// number below 1, a missing file, a short record) the buffers are left as they were. The
// records loaded carry `number`, whatever number a damaged record held, and the count of the
// building the city's last day finished (CityRecord::last_built), whether or not the night got
// to write it into cities3.dat.
bool LoadCity(CityBuffers& buffers, std::int32_t number);

// Whole records in cities.dat: how many cities have been founded.
std::int32_t CountCities();

// An exclusive lock on cities.dat across processes (an open-file-description lock, so it also
// holds between two opens in one process, and a crashed holder lets go). Founding holds it from
// the count to the last record written, so two founders never take the same number. The file is
// created when missing.
class CityFilesLock {
  public:
    CityFilesLock();
    ~CityFilesLock();
    CityFilesLock(const CityFilesLock&) = delete;
    CityFilesLock& operator=(const CityFilesLock&) = delete;

    // False when cities.dat could not be opened or created.
    bool held() const { return fd_ >= 0; }
    int fd() const { return fd_; }

  private:
    int fd_ = -1;
};

// Founds the city in `buffers` under the caller's lock: its number is the count of cities + 1,
// stored in all three records, which are written at that place of the three files (missing files
// are created); then the city is loaded back. Returns the number, 0 when a file failed.
std::int32_t AppendCity(CityBuffers& buffers, const CityFilesLock& lock);

// Under the founding lock: removes city `number` (its three records) when it is the last city,
// as a founding that cannot be completed does. False when it is not the last or a cut failed.
bool RemoveLastCity(const CityFilesLock& lock, std::int32_t number);

// Writes the three records at the city's number. A city whose cities.dat cannot be opened (or
// that has no number) is appended instead, numbered anew. False when a write failed.
bool SaveCity(CityBuffers& buffers);

// A city that no room names was left by a founding cut short after the city was written. When
// its founder's list holds it (he has paid) it goes back to its room; when it does not, it is
// removed, as long as it is the last city (no number was taken after it). A city further up the
// file goes back to its room when that room is free. Any other is left to the sysop.
enum class UnnamedCity { kGiveBack, kRemove, kLeave };
UnnamedCity JudgeUnnamedCity(std::int32_t number, std::int32_t cities, bool founder_holds,
                             bool room_free);

// Whether the user2.dat at `path` lists city `number` among the cities of user `founder`.
bool FounderHolds(const std::string& path, std::uint16_t founder, std::int32_t number);

// Under the founding lock, before a city is founded or the night's cities, what a founding cut
// short left is mended: army and buildings records past the last city are cut off, and the last
// city, when its room does not name it, is given back or removed as JudgeUnnamedCity says (a
// city founded before the cities recorded their room is left alone). A cities.dat that ends in a
// record cut short is left to checkgame.
enum class CutFounding { kNone, kTailCut, kGivenBack, kRemoved };
CutFounding MendCutFounding(const CityFilesLock& lock);
// What MendCutFounding did, for a log; empty when it did nothing.
std::string CutFoundingText(CutFounding mended);

// The night's writes of a loaded city, in an order a night cut short and run again recognises:
// the buildings record alone (the count of the building the last day finished, before the day
// changes it), and the day itself, cities.dat first, then the buildings record when the day
// finished a building. False when a write failed.
bool SaveCityBuildings(const CityBuffers& buffers);
bool SaveCityDay(const CityBuffers& buffers);

}  // namespace vorn

// nights.dat against the night stamps of the users and cities: the count never lies below the
// highest night a record has been paid. A count that went back (nights.dat lost, or put back
// from an older copy) would have new players and cities stamped with an older night, and owed
// nights they never had.
#include "check/check_context.hpp"
#include "common/city_records.hpp"
#include "common/night_file.hpp"

namespace vorn::check {

void CheckNights(Context& c) {
    const HighestStamp highest = HighestNightPaid(c.directory);
    const std::string path = c.path(kNightsFile);
    const std::uint32_t counted = CurrentNight(path);
    if (highest.night <= counted) return;
    const std::string record = highest.file == kCitiesFile
                                   ? "city " + std::to_string(highest.index + 1)
                                   : "player " + std::to_string(highest.index + 1);
    const std::string count =
        SizeOf(path) ? "counts " + std::to_string(counted) + " nights" : std::string("missing");
    c.problem(kNightsFile,
              count + ", but " + highest.file + " " + record + " was paid for night " +
                  std::to_string(highest.night) + ": the count went back",
              [path, night = highest.night] {
                  NightFile nights;
                  return nights.take(path) == NightFile::Hold::kHeld && nights.raise_count(night);
              });
}

}  // namespace vorn::check

// The world files and the players' cities: whole records numbered by their place, numbers that
// name records which exist, and the three city files in step.
#include <cstring>
#include <span>

#include "check/check_context.hpp"
#include "common/city_files.hpp"
#include "common/city_records.hpp"
#include "common/record_file.hpp"
#include "common/user_records.hpp"
#include "common/world_records.hpp"

namespace vorn::check {

namespace {

std::vector<std::uint8_t> ReadWhole(const std::string& path, std::uint64_t size) {
    std::vector<std::uint8_t> bytes(size);
    const long got = ReadFilePrefix(path, bytes.data(), bytes.size());
    bytes.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return bytes;
}

std::string Named(const KindLayout& k, std::uint64_t index) {
    return std::string(k.table) + " " + std::to_string(index + 1);
}

// A city file's record numbered `index + 1` in its first four bytes: the repair for a record
// numbered otherwise, and the record added when the file is short.
void NumberCityRecord(std::uint64_t index, std::vector<std::uint8_t>& bytes) {
    const auto number = static_cast<std::int32_t>(index + 1);
    std::memcpy(bytes.data(), &number, sizeof number);
}

// Whether the first `have` bytes of a city file's record `number` are a city, not garbage: its
// number, and in cities.dat its name and founder, whole and of a sane length.
bool HoldsCity(const std::vector<std::uint8_t>& record, std::size_t have, std::int32_t number,
               bool city_record) {
    std::int32_t stored = 0;
    if (have < sizeof stored) return false;
    std::memcpy(&stored, record.data(), sizeof stored);
    if (stored != number || !city_record) return stored == number;
    CityRecord city;
    if (have < offsetof(CityRecord, size_class)) return false;
    std::memcpy(&city, record.data(), sizeof city);
    return !city.name.empty() && city.name.length <= city.name.capacity &&
           city.founder.length <= city.founder.capacity;
}

// The whole records of a city file, its last record cut short included when what is there is a
// city: its missing bytes are completed with those of `defaults` (a new city's values), rather
// than the city thrown away with its army, buildings, founder's entry and room. Bytes that hold
// no city are cut off.
std::optional<std::uint64_t> CountCityRecords(Context& c, const char* name,
                                              const std::vector<std::uint8_t>& defaults) {
    const std::string path = c.path(name);
    const std::size_t size = defaults.size();
    const auto bytes = SizeOf(path);
    if (!bytes) return std::nullopt;
    const std::uint64_t whole = *bytes / size;
    const std::size_t have = static_cast<std::size_t>(*bytes % size);
    if (have == 0) return whole;
    std::vector<std::uint8_t> record = defaults;
    RecordFile file;
    const auto number = static_cast<std::int32_t>(whole + 1);
    if (whole < 0x7FFFFFFE && file.open(path, size, RecordFile::Access::kRead) &&
        FullPread(file.fd(), record.data(), have, static_cast<off_t>(whole * size)) ==
            static_cast<long>(have) &&
        HoldsCity(record, have, number, name == std::string_view(kCitiesFile))) {
        std::string city = "city " + std::to_string(number);
        if (name == std::string_view(kCitiesFile)) {
            CityRecord r;
            std::memcpy(&r, record.data(), sizeof r);
            city += " (" + r.name.str() + ")";
        }
        c.problem(name,
                  city + " is cut short by " + std::to_string(size - have) +
                      " bytes: the repair completes it with a new city's values",
                  [=] { return RewriteRecord(path, size, whole, record.data()); });
        return whole + 1;
    }
    c.problem(name,
              std::to_string(have) +
                  " bytes past its last whole record hold no city: the repair cuts them off",
              [=] { return CutToRecords(path, size, whole); });
    return whole;
}

// Cities no room names: a founding cut short after the city was written. Each goes back to the
// room it was founded in, or goes, as JudgeUnnamedCity says; the rest are left to the sysop.
void CheckUnnamedCities(Context& c, const std::vector<bool>& named) {
    RecordFile file;
    if (!file.open(c.path(kCitiesFile), sizeof(CityRecord), RecordFile::Access::kRead)) return;
    const std::uint64_t rooms = c.count_of(WorldKind::kRoom);
    const auto& room_bytes = c.world_bytes[static_cast<int>(WorldKind::kRoom)];
    const auto count = static_cast<std::int32_t>(std::min<std::uint64_t>(c.cities, 0x7FFFFFFE));
    for (std::int32_t n = 1; n <= count; ++n) {
        CityRecord city;
        if (named[static_cast<std::size_t>(n)] ||
            !file.read_record(static_cast<std::uint64_t>(n - 1), city)) {
            continue;
        }
        const std::int32_t at = city.room;
        RoomRecord room{};
        const bool known = at >= 1 && static_cast<std::uint64_t>(at) <= rooms;
        if (known) {
            std::memcpy(&room, room_bytes.data() + (at - 1) * sizeof room, sizeof room);
        }
        const std::string what = "city " + std::to_string(n) + " (" + city.name.str() +
                                 ") stands in no room (a founding cut short)";
        const bool holds = FounderHolds(c.path(kUserExtraFile), city.founder_number, n);
        switch (JudgeUnnamedCity(n, count, holds, known && room.city == 0)) {
            case UnnamedCity::kGiveBack:
                c.problem(kCitiesFile,
                          what + ": the repair gives it back to room " + std::to_string(at) +
                              ", where it was founded",
                          Mend<RoomRecord>(c.path(kRoomsFile), static_cast<std::uint64_t>(at - 1),
                                           [n](RoomRecord& r) { r.city = n; }));
                c.report.findings.back().also_changes = {kRoomsFile};
                break;
            case UnnamedCity::kRemove:
                c.problem(kCitiesFile,
                          what + ", and its founder never paid for it: the repair removes it",
                          [=, directory = c.directory] {
                              bool ok = true;
                              for (const CityFileLayout& f : kCityFileLayouts) {
                                  ok = CutToRecords(directory + f.name, f.record_size,
                                                    static_cast<std::uint64_t>(n - 1)) &&
                                       ok;
                              }
                              return ok;
                          });
                c.report.findings.back().also_changes = {kCityArmiesFile, kCityBuildingsFile};
                break;
            case UnnamedCity::kLeave:
                c.problem(kCitiesFile, what + ": left to the sysop");
                break;
        }
    }
}

template <class Record>
std::vector<std::uint8_t> BytesOf(const Record& record) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&record);
    return {bytes, bytes + sizeof record};
}

}  // namespace

void CheckWorld(Context& c) {
    for (int k = 0; k < kWorldKindCount; ++k) {
        const KindLayout& kind = KindAt(k);
        const auto count = CountRecords(c, kind.file, kind.record_size);
        c.world_present[k] = count.has_value();
        if (!count) {
            if (kind.kind == WorldKind::kRoom) {
                c.problem(kind.file, "missing: the game cannot start without its rooms");
            }
            continue;
        }
        c.world[k] = *count;
        c.world_bytes[k] = ReadWhole(c.path(kind.file), *count * kind.record_size);
        c.world[k] = c.world_bytes[k].size() / kind.record_size;
        const std::span<const std::uint8_t> all(c.world_bytes[k]);
        for (std::uint64_t i = 0; i < c.world[k]; ++i) {
            const auto record = all.subspan(i * kind.record_size, kind.record_size);
            const std::int64_t number =
                ReadInteger(record, 0, kind.number_width, kind.number_signed);
            if (number != static_cast<std::int64_t>(i + 1)) {
                c.problem(kind.file, Named(kind, i) + " is numbered " + std::to_string(number) +
                                         " (the world compiler numbers them in order)");
            }
        }
        if (static_cast<std::int64_t>(c.world[k]) > kind.max_records) {
            c.problem(kind.file, "holds " + Records(c.world[k]) + ", the game uses " +
                                     std::to_string(kind.max_records) + " at most");
        }
    }
}

void CheckWorldReferences(Context& c) {
    for (int k = 0; k < kWorldKindCount; ++k) {
        const KindLayout& kind = KindAt(k);
        const std::span<const std::uint8_t> all(c.world_bytes[k]);
        for (std::uint64_t i = 0; i < c.world[k]; ++i) {
            const auto record = all.subspan(i * kind.record_size, kind.record_size);
            for (const FieldLayout& f : kind.fields) {
                if (f.refers_to < 0 || !c.world_present[f.refers_to]) continue;
                const KindLayout& target = KindAt(f.refers_to);
                for (std::size_t n = 0; n < f.count; ++n) {
                    const std::int64_t v =
                        ReadInteger(record, f.offset + n * f.width, f.width, IsSigned(f));
                    if (v == 0 || (v > 0 && static_cast<std::uint64_t>(v) <= c.world[f.refers_to]))
                        continue;
                    c.problem(kind.file, Named(kind, i) + ": " + f.name + " names " + target.table +
                                             " " + std::to_string(v) + ", but " + target.file +
                                             " holds " + Records(c.world[f.refers_to]));
                }
            }
        }
    }

    // Rooms name the cities founded in them; a number past cities.dat names nothing, and
    // clearing it frees the room for a founding.
    const std::span<const std::uint8_t> rooms(c.world_bytes[static_cast<int>(WorldKind::kRoom)]);
    const std::string rooms_path = c.path(kRoomsFile);
    const auto room_at = [&](std::uint64_t i) {
        RoomRecord room;
        std::memcpy(&room, rooms.data() + i * sizeof room, sizeof room);
        return room;
    };
    std::vector<bool> named(c.cities + 1);
    for (std::uint64_t i = 0; i < c.count_of(WorldKind::kRoom); ++i) {
        const std::int32_t city = room_at(i).city;
        if (city > 0 && static_cast<std::uint64_t>(city) <= c.cities) named[city] = true;
        if (city == 0 || (city > 0 && static_cast<std::uint64_t>(city) <= c.cities)) continue;
        c.problem(kRoomsFile,
                  "room " + std::to_string(i + 1) + " names city " + std::to_string(city) +
                      ", but cities.dat holds " + Records(c.cities),
                  Mend<RoomRecord>(rooms_path, i, [](RoomRecord& r) { r.city = 0; }));
    }
    if (c.world_present[static_cast<int>(WorldKind::kRoom)]) CheckUnnamedCities(c, named);
}

void CheckCities(Context& c) {
    const auto cities = CountCityRecords(c, kCitiesFile, BytesOf(NewCityRecord()));
    const auto armies =
        CountCityRecords(c, kCityArmiesFile, std::vector<std::uint8_t>(sizeof(CityArmyRecord)));
    const auto buildings = CountCityRecords(c, kCityBuildingsFile,
                                            std::vector<std::uint8_t>(sizeof(CityBuildingsRecord)));
    const std::uint64_t count = cities.value_or(0);
    c.cities = count;
    // cities.dat counts the cities; the other two follow it.
    ReportOutOfStep(c, kCityArmiesFile, sizeof(CityArmyRecord), armies.value_or(0), count,
                    "cities.dat", NumberCityRecord);
    ReportOutOfStep(c, kCityBuildingsFile, sizeof(CityBuildingsRecord), buildings.value_or(0),
                    count, "cities.dat", NumberCityRecord);

    const struct {
        const char* name;
        std::size_t size;
        std::uint64_t have;
    } files[] = {{kCitiesFile, sizeof(CityRecord), count},
                 {kCityArmiesFile, sizeof(CityArmyRecord), armies.value_or(0)},
                 {kCityBuildingsFile, sizeof(CityBuildingsRecord), buildings.value_or(0)}};
    for (const auto& f : files) {
        RecordFile file;
        if (!file.open(c.path(f.name), f.size, RecordFile::Access::kRead)) continue;
        for (std::uint64_t i = 0; i < std::min(f.have, count); ++i) {
            std::int32_t number = 0;
            if (FullPread(file.fd(), &number, sizeof number, static_cast<off_t>(i * f.size)) !=
                    sizeof number ||
                number == static_cast<std::int32_t>(i + 1)) {
                continue;
            }
            const std::string path = c.path(f.name);
            const std::size_t size = f.size;
            c.problem(f.name,
                      "city " + std::to_string(i + 1) + " is numbered " + std::to_string(number),
                      [=] {
                          std::vector<std::uint8_t> bytes(size);
                          RecordFile out;
                          if (!out.open(path, size, RecordFile::Access::kReadWrite) ||
                              !out.read(i, bytes.data())) {
                              return false;
                          }
                          NumberCityRecord(i, bytes);
                          return out.write(i, bytes.data());
                      });
        }
    }

    RecordFile file;
    if (!file.open(c.path(kCitiesFile), sizeof(CityRecord), RecordFile::Access::kRead)) return;
    for (std::uint64_t i = 0; i < count; ++i) {
        CityRecord city;
        if (!file.read_record(i, city)) break;
        if (city.name.length > city.name.capacity || city.founder.length > city.founder.capacity) {
            c.problem(kCitiesFile, "city " + std::to_string(i + 1) +
                                       " is damaged: a name is longer than its field");
        }
        if (city.founder_number > c.users) {
            c.problem(kCitiesFile, "city " + std::to_string(i + 1) + " names founder " +
                                       std::to_string(city.founder_number) +
                                       ", but users.dat holds " + Records(c.users));
        }
    }
}

}  // namespace vorn::check

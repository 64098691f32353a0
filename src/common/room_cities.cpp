#include "common/room_cities.hpp"

#include "common/record_file.hpp"
#include "common/world_records.hpp"

namespace vorn {

RoomCitiesCleared ClearRoomCities(const std::string& path) {
    RoomCitiesCleared result;
    RecordFile rooms;
    if (!rooms.open(path, sizeof(RoomRecord), RecordFile::Access::kReadWrite)) return result;
    result.opened = true;
    const std::uint64_t count = rooms.record_count();
    for (std::uint64_t i = 0; i < count; ++i) {
        RoomRecord room;
        if (!rooms.read_record(i, room)) {
            result.complete = false;
            break;
        }
        if (room.city == 0) continue;
        room.city = 0;
        if (!rooms.write_record(i, room)) {
            result.complete = false;
            break;
        }
        ++result.rooms;
    }
    return result;
}

}  // namespace vorn

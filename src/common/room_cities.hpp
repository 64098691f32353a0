// The cities standing in rooms: rooms.dat notes in each room the number of the city founded
// there. When the city files are thrown away, those numbers must go too, or the next city
// founded under an old number would appear in the old rooms.
#pragma once

#include <string>

namespace vorn {

struct RoomCitiesCleared {
    bool opened = false;   // false: the file is missing or cannot be opened for writing
    int rooms = 0;         // rooms whose city number was cleared
    bool complete = true;  // false when a read or write failed part way
};

// Sets the city of every room of the rooms file at `path` to 0, rewriting only the rooms that
// had one, each as a whole record with every other byte kept.
RoomCitiesCleared ClearRoomCities(const std::string& path);

}  // namespace vorn

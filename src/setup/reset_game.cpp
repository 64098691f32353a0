#include "setup/reset_game.hpp"

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include "common/city_records.hpp"
#include "common/file_calls.hpp"
#include "common/message_area_record.hpp"
#include "common/node_records.hpp"
#include "common/record_file.hpp"
#include "common/room_cities.hpp"
#include "common/user_records.hpp"
#include "common/world_records.hpp"
#include "maint/bulletins.hpp"

namespace vorn {

namespace {

bool Exists(const std::string& name) {
    return ::access(name.c_str(), F_OK) == 0;
}

// The regular files of the game directory matching `pattern`, sorted.
std::vector<std::string> FilesMatching(const char* pattern) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(".");
    if (dir == nullptr) return names;
    while (const dirent* entry = ::readdir(dir)) {
        struct stat st {};
        if (::fnmatch(pattern, entry->d_name, 0) == 0 && ::lstat(entry->d_name, &st) == 0 &&
            S_ISREG(st.st_mode)) {
            names.emplace_back(entry->d_name);
        }
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

// A fixed list: a dot after each file, there or not.
void RemoveEach(ResetReport& report, std::string_view heading,
                const std::vector<std::string>& files, std::string_view ending) {
    report.begin(heading, static_cast<int>(files.size()));
    for (const std::string& file : files) {
        sys::Unlink(file.c_str());
        report.dot();
    }
    report.end(ending);
}

// Files found: a dot after each file removed.
void RemoveFound(ResetReport& report, std::string_view heading,
                 const std::vector<std::string>& files) {
    report.begin(heading, 0);
    for (const std::string& file : files) {
        if (sys::Unlink(file.c_str()) == 0) report.dot();
    }
    report.end("] Done!");
}

// The e-mail area keeps its description, but no longer counts the messages just removed.
void ZeroEmailCount() {
    RecordFile area;
    if (!area.open(kEmailAreaFile, sizeof(MessageAreaRecord), RecordFile::Access::kReadWrite)) {
        return;
    }
    MessageAreaRecord record;
    if (area.read_record(0, record) && record.message_count != 0) {
        record.message_count = 0;
        area.write_record(0, record);
    }
}

}  // namespace

std::vector<std::string> NodesInPlay(const DateTime& now) {
    std::vector<std::string> lines;
    for (const NodeInfoRecord& node : ReadLiveNodes(kNodeInfoFileName, now)) {
        std::string line = "Node " + std::to_string(node.node);
        if (!node.user_name.empty()) line += ": " + node.user_name.str();
        lines.push_back(line);
    }
    return lines;
}

void ResetGame(ResetReport& report) {
    RemoveEach(report, "Removing User files ", {kUsersFile, kUserIndexFile, kUserExtraFile},
               "] Done");

    const std::string base = kEmailFileBase;
    RemoveEach(
        report, "Removing E-Mails ",
        {base + kMessageTextExtension, base + kMessageHeaderExtension, base + kLastReadExtension},
        "] Done!");
    ZeroEmailCount();

    RemoveFound(report, "Removing News Files ", FilesMatching("*.nws"));
    RemoveFound(report, "Removing No Play Files ", FilesMatching("*.npl"));

    // The army and building type files beside the city files are world data and stay.
    std::vector<std::string> cities;
    for (const char* name : kCityFiles) {
        if (Exists(name)) cities.emplace_back(name);
    }
    RemoveFound(report, "Removing Cities files ", cities);

    // maint's score bulletins name the players of the game gone, and so does what is left of
    // one cut short.
    std::vector<std::string> bulletins;
    for (const char* name : kBulletinFiles) {
        for (const std::string& file : {std::string(name), name + std::string(kBulletinScratch)}) {
            if (Exists(file)) bulletins.push_back(file);
        }
    }
    RemoveFound(report, "Removing Score Bulletins ", bulletins);

    report.begin("Clearing Cities from rooms ", 0);
    const RoomCitiesCleared cleared = ClearRoomCities(kRoomsFile);
    const bool ok = cleared.opened ? cleared.complete : !Exists(kRoomsFile);
    report.end(std::to_string(cleared.rooms) + (ok ? "] Done!" : "] Failed!"));
}

}  // namespace vorn

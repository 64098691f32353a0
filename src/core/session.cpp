#include "core/session.hpp"

#include <sys/inotify.h>

#include <cstdio>
#include <cstdlib>

namespace vorn {

void RealProcessExit::exit_process(int code) {
    std::fflush(stdout);
    std::exit(code);
}

Session::Session(Platform& p)
    : platform(p), clock(p.clock), rng(p.random), writer(*this, p.terminal), keys(*this) {
    writer.pause = [this] { keys.pause_key(); };
}

LogTarget Session::log_target() const {
    return LogTarget{system.log_path, nodes.multinode, nodes.number};
}

void Session::log(std::string_view message) {
    WriteSystemLog(log_target(), clock, message);
}

void Session::exit(int code) {
    if (code != 0 && time.running)
        log("xEnd of call: error (exit code " + std::to_string(code) + ")");
    writer.flush();
    nodes.hold.release();
    platform.exit.exit_process(code);
    std::abort();  // an exit seam that returns is a bug
}

void Session::end_call(bool show_credits) {
    if (hooks.closing) hooks.closing(show_credits);
    exit(kExitNormal);
}

bool LoadRoom(Session& session, std::int32_t number) {
    WorldBuffers& w = session.world;
    FileWatch& watch = session.watch;
    if (watch.unchanged(w.rooms_watch, session.clock.monotonic_ms())) {
        const auto kept = w.kept_rooms.find(number);
        if (kept != w.kept_rooms.end()) {
            w.room = kept->second;
            return true;
        }
    } else {
        w.kept_rooms.clear();
        if (!w.rooms_watch_tried && w.rooms.is_open() && watch.descriptor() >= 0) {
            w.rooms_watch_tried = true;
            w.rooms_watch = watch.add(w.rooms.fd(), IN_MODIFY);
        }
        watch.settle(w.rooms_watch);
    }
    if (!LoadRoom(w, w.rooms, number)) return false;
    if (w.rooms_watch >= 0 && w.kept_rooms.size() < WorldBuffers::kKeptRooms) {
        w.kept_rooms.emplace(number, w.room);
    }
    return true;
}
bool SaveRoom(Session& session, std::int32_t number) {
    return SaveRoom(session, number, session.world.room);
}
bool SaveRoom(Session& session, std::int32_t number, const RoomRecord& room) {
    session.world.kept_rooms.clear();
    return SaveRoom(session.world.rooms, number, room);
}
bool LoadEvent(Session& session, std::int32_t number) {
    return LoadEvent(session.world, number);
}
bool LoadMonster(Session& session, std::int32_t number) {
    return LoadMonster(session.world, number);
}
bool LoadWeapon(Session& session, std::int32_t number) {
    return LoadWeapon(session.world, number);
}
bool LoadArmor(Session& session, std::int32_t number) {
    return LoadArmor(session.world, number);
}
bool LoadItem(Session& session, std::int32_t number) {
    return LoadItem(session.world, number);
}
bool LoadLevel(Session& session, std::int32_t number) {
    return LoadLevel(session.world, number);
}
bool LoadUnitType(Session& session, std::int32_t number) {
    return LoadUnitType(session.world, number);
}
bool LoadBuildingType(Session& session, std::int32_t number) {
    return LoadBuildingType(session.world, number);
}

}  // namespace vorn

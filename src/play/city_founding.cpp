#include "play/city_founding.hpp"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

#include "common/city_files.hpp"
#include "common/io_check.hpp"
#include "common/news_files.hpp"
#include "common/night_file.hpp"
#include "common/player_text.hpp"
#include "core/session.hpp"
#include "league/league_exchange.hpp"
#include "node/node_table.hpp"
#include "play/city_management.hpp"
#include "play/city_prompts.hpp"
#include "player/user_files.hpp"
#include "term/line_editor.hpp"
#include "world/world_files.hpp"

namespace vorn {

namespace {

constexpr std::uint32_t kCityLetter = 1u << ('Y' - 64);

void Refuse(Session& session, std::string_view message) {
    session.writer.print_coded_line(message);
    session.keys.pause_key();
}

// Founds the city under the lock of the city files, so two players founding at once get two
// numbers, and two founding in the same room cannot both have it. The writes go in an order a
// kill at any moment leaves mendable: the city (which carries its room), the founder's list, his
// gold, and last the room's mark. A city no room names is what a founding cut short left: the
// next founding (here), the night or checkgame gives it back to its room or removes it, by
// whether the founder's list holds it. 0 when a city was founded in the room meanwhile.
std::int32_t FoundUnderLock(Session& session, CityBuffers& buffers, int slot) {
    UserRecord& user = session.users.current;
    const std::int32_t room_number = user.room;
    const CityFilesLock lock;
    if (!lock.held()) RuntimeIoError(kIoWriteError, kCitiesFile);
    if (const std::string mended = CutFoundingText(MendCutFounding(lock)); !mended.empty()) {
        session.log("x" + mended);
        session.world.kept_rooms.clear();  // a room may have had its city given back
    }
    // The room as the file holds it: the letters the exploration loop added are not saved.
    RoomRecord room;
    if (room_number < 1 ||
        !session.world.rooms.read_record(static_cast<std::uint64_t>(room_number - 1), room)) {
        return 0;
    }
    if (room.city != 0) return 0;
    buffers.city.room = room_number;
    const std::int32_t number = AppendCity(buffers, lock);
    if (number == 0) RuntimeIoError(kIoWriteError, kCitiesFile);
    // A write that fails from here on takes the founding back before the stop: only a kill
    // leaves a city no room names.
    I32& entry = session.users.extra.cities[slot];
    bool paid = false;
    const auto take_back = [&](SaveFailure failure) {
        if (paid) user.gold = user.gold + kCityPrice;
        entry = 0;
        TrySaveUser(session, user);
        RemoveLastCity(lock, number);
        RuntimeIoError(failure.code, failure.path);
    };
    entry = number;
    if (const SaveFailure f = TrySaveUser(session, user); f.code != 0) take_back(f);
    user.gold = user.gold - kCityPrice;
    paid = true;
    if (const SaveFailure f = TrySaveUser(session, user); f.code != 0) take_back(f);
    room.city = number;
    if (!SaveRoom(session, room_number, room)) take_back({kIoWriteError, kRoomsFile});
    session.world.room.city = number;
    return number;
}

}  // namespace

int FreeCitySlot(const UserExtraRecord& extra) {
    for (int i = 0; i < static_cast<int>(std::size(extra.cities)); ++i) {
        if (extra.cities[i] == 0) return i;
    }
    return -1;
}

void ShowCityHere(Session& session) {
    RoomRecord& room = session.world.room;
    if (room.city == 0 || !LoadCity(CurrentCity(session), room.city)) return;
    session.writer.set_attribute(11, 0, false);
    PrintCodedAt(session, 2, 13,
                 "The city of " + CurrentCity(session).city.name.str() + " is present here", 78);
    room.flags = room.flags | kCityLetter;
}

void EnterCity(Session& session) {
    const std::int32_t number = session.world.room.city;
    if (number == 0) {
        FoundCity(session);
        return;
    }
    if (LoadCity(CurrentCity(session), number) &&
        SameUserName(CurrentCity(session).city.founder.view(), session.users.current.name.view())) {
        CityManagement(session);
        return;
    }
    session.writer.clear_screen();
    Refuse(session, "|12You can't do that yet!");
}

void FoundCity(Session& session) {
    Writer& out = session.writer;
    UserRecord& user = session.users.current;
    out.clear_screen();
    const int slot = FreeCitySlot(session.users.extra);
    if (slot < 0) {
        Refuse(session, "|12 You already got too much cities");
        return;
    }
    out.show_display_file("city1.ans", 28);
    out.new_lines(1);
    out.print_coded("|02Building the city will cost you |1210000 |02gold, do you accept? ");
    out.new_lines(1);
    const bool accepted = session.keys.ask_yes_no(user.gold >= kCityPriceAtEase);
    if (!accepted || session.time.ended) return;
    if (user.gold < kCityPrice) {
        Refuse(session, "|12Not enough money");
        return;
    }
    out.print_coded_line("|04Good Choice");
    std::string name;
    for (;;) {
        out.print_coded("|09Enter city name: ");
        name = session.keys.input_line("", 0, CharacterRange(32, 254), "", 40);
        // A name left empty, or a caller gone, founds nothing and costs nothing.
        if (name.empty() || session.time.ended) return;
        // The name goes into the news and onto every passer-by's screen.
        if (HoldsOnlyColourCodes(name)) break;
        const std::string_view code = FirstRefusedCode(name);
        if (!code.empty() && static_cast<unsigned char>(code[0]) > 32 && code[0] != 127) {
            // The code itself as plain text: printed with codes it would act.
            out.print_coded("|12The \"");
            out.print_text(code.substr(0, 1));
            out.print_text("\" of \"");
            out.print_text(code);
            out.print_text("\" begins a code. ");
        }
        out.print_coded_line("|12Only colour codes may be used in a city name.");
    }

    CityBuffers& buffers = CurrentCity(session);
    buffers.city = NewCityRecord();
    std::memset(&buffers.army, 0, sizeof buffers.army);
    std::memset(&buffers.buildings, 0, sizeof buffers.buildings);
    buffers.city.name = name;
    buffers.city.founder = user.name.view();
    buffers.city.founder_number = user.number;
    // Its first day comes with the next night, not with the one before its founding (nor with
    // one before its founder's last, when nights.dat has gone back).
    buffers.city.night_paid = std::max<std::uint32_t>(CurrentNight(), user.night_paid);
    if (FoundUnderLock(session, buffers, slot) == 0) {
        Refuse(session, "|12Another city was founded here a moment ago.");
        return;
    }
    if (!AddNews("City of " + name + " founded by " + KeepOnlyColourCodes(user.name.view()),
                 "global", session.clock)) {
        RuntimeIoError(kIoWriteError, NewsFileName("global"));
    }
    TellTheLeague(LeagueNewsKind::kCityFounded, user.name.view(),
                  "City of " + name + " founded by " + KeepOnlyColourCodes(user.name.view()));
    AnnounceToAllNodes(session,
                       "|14" + user.name.str() + "|06 has founded the city of |14" + name + "|06!");
}

}  // namespace vorn

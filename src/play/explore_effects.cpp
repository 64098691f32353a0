// The timed effects of exploration: the status line that cycles through its slots, recovery of
// hit points and mana, and the Sylvan countdown.
#include "play/explore_effects.hpp"

#include "core/session.hpp"
#include "node/node_table.hpp"
#include "play/explore.hpp"
#include "play/explore_room.hpp"
#include "player/attribute_checks.hpp"
#include "player/player_screens.hpp"
#include "player/user_files.hpp"

namespace vorn {

std::int64_t NowSeconds(Session& session) {
    return session.clock.monotonic_ms() / 1000;
}

void SetStatus(Session& session, int slot, std::string text) {
    session.play.status[static_cast<std::size_t>(slot)] = std::move(text);
}

std::string SylvanText(int minutes) {
    return minutes > 0 ? "|04Sylvan Effect for |12" + std::to_string(minutes) + " |04mins" : "";
}

void StatusTickerNext(Session& session) {
    PlayState& play = session.play;
    for (int step = 1; step <= kStatusSlots; ++step) {
        const int slot = (play.status_index + step) % kStatusSlots;
        if (!play.status[static_cast<std::size_t>(slot)].empty()) {
            play.status_index = slot;
            return;
        }
    }
}

void StatusTickerShow(Session& session) {
    PlayState& play = session.play;
    if (!play.exploring && !play.in_battle) return;
    Writer& out = session.writer;
    const int column = out.cursor_column();
    const int row = out.cursor_row();
    const TextColour colour = out.colour();
    const int line = play.in_battle ? 4 : 2;
    Blank(out, 53, line, 26);
    out.set_attribute(14, 0, false);
    out.print_coded_within(play.status[static_cast<std::size_t>(play.status_index)], 26);
    out.go_to(column, row);
    out.set_colour(colour);
}

void TimedEffects(Session& session) {
    PlayState& play = session.play;
    UserRecord& user = session.users.current;
    const std::int64_t now = NowSeconds(session);
    Writer& out = session.writer;
    const auto redraw_bar = [&](int row, bool hp) {
        const int column = out.cursor_column();
        const int r = out.cursor_row();
        const TextColour colour = out.colour();
        out.go_to(68, row);
        if (hp) {
            ShowHpBar(session);
        } else {
            ShowManaBar(session);
        }
        out.go_to(column, r);
        out.set_colour(colour);
    };
    if (play.mana_interval != 0 && now - play.last_mana_tick >= play.mana_interval &&
        user.mana < user.max_mana) {
        if (!play.in_battle) {
            ++user.mana;
            SaveUser(session, user);
            if (play.exploring) redraw_bar(17, false);
            play.last_mana_tick = now;
        }
    } else if (play.hp_interval != 0 && now - play.last_hp_tick >= play.hp_interval &&
               (user.hp < user.max_hp || play.hp_tick < 0)) {
        if (!play.in_battle) {
            user.hp += play.hp_tick;
            SaveUser(session, user);
            if (play.exploring) redraw_bar(16, true);
            play.last_hp_tick = now;
        }
    } else if ((play.exploring || play.in_battle) &&
               now - play.last_status_change >= user.refresh_seconds) {
        play.last_status_change = now;
        StatusTickerNext(session);
        StatusTickerShow(session);
        UpdateNodeInfo(session, session.world.room.tag.view());
    }
    if ((play.exploring || play.in_battle) && user.sylvan_minutes > 0 &&
        now - play.last_sylvan_tick >= 60) {
        play.last_sylvan_tick = now;
        --user.sylvan_minutes;
        SaveUser(session, user);
        SetStatus(session, kStatusSylvan, SylvanText(user.sylvan_minutes));
    }
}

}  // namespace vorn

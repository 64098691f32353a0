#include "play/training.hpp"

#include <algorithm>
#include <string>
#include <string_view>

#include "common/user_records.hpp"
#include "core/session.hpp"
#include "play/level_up.hpp"
#include "play/town_prompts.hpp"
#include "player/user_files.hpp"
#include "world/world_files.hpp"

namespace vorn {

namespace {

// The trained additions in the order of the gymnasium's keys.
constexpr U16 UserRecord::*kAdditions[] = {
    &UserRecord::bonus_str, &UserRecord::bonus_dex, &UserRecord::bonus_con, &UserRecord::bonus_cha,
    &UserRecord::bonus_wis, &UserRecord::bonus_int, &UserRecord::bonus_com};

// The index of `key` among the gymnasium's keys, or -1.
int AdditionIndex(char key) {
    const std::string_view keys = kGymnasiumKeys;
    const std::size_t at = keys.find(key);
    return key == 0 || at == std::string_view::npos ? -1 : static_cast<int>(at);
}

}  // namespace

bool BuyTrainingStep(UserRecord& user, char key) {
    const int index = AdditionIndex(key);
    if (index < 0) return false;
    U16& addition = user.*kAdditions[index];
    const int step = addition + 1;
    if (step > user.build_points) return false;
    addition = static_cast<std::uint16_t>(step);
    user.build_points = static_cast<std::uint8_t>(user.build_points - step);
    if (key == 'C') user.max_hp = CappedMoney(static_cast<std::int64_t>(user.max_hp) + 3);
    return true;
}

std::int32_t ManaFromAttributes(const UserRecord& user) {
    return (user.wis + user.bonus_wis) / 4 + ((user.bonus_int + user.int_) * 3) / 4 + 4;
}

void Trainer(Session& session) {
    Writer& out = session.writer;
    const UserRecord& user = session.users.current;
    out.clear_screen();
    // Without a record for the next level there is no level to fight for.
    const bool known = LoadLevel(session, user.level + 1);
    const std::int64_t needed = session.world.level.experience;
    if (!known || user.experience < needed) {
        out.show_display_file("dclose.ans", 28);
        out.new_lines(1);
        if (known) {
            out.print_line("You need: " + std::to_string(needed - user.experience) +
                           " more experience");
        }
        session.keys.pause_key();
        return;
    }
    out.show_display_file("training.ans", 28);
    out.set_foreground(9);
    out.print_text(" Do you want to try to level up? ");
    if (session.keys.ask_yes_no(true) && !session.time.ended) TryLevelUp(session);
}

void Gymnasium(Session& session) {
    Writer& out = session.writer;
    UserRecord& user = session.users.current;
    out.clear_screen();
    out.show_display_file("skstore.ans", 28);
    const std::string_view keys = kGymnasiumKeys;
    for (;;) {
        out.set_foreground(14);
        out.go_to(49, 18);
        out.print_text(std::to_string(user.build_points) + "  ");
        for (std::size_t i = 0; i < keys.size(); ++i) {
            out.go_to(61, 8 + static_cast<int>(i));
            out.print_text(std::to_string(user.*kAdditions[i] + 1) + "  ");
        }
        out.go_to(52, 5);
        const char key = ReadMenuKey(session, "SDCHWIOQ");
        if (key == 'Q' || key == 0) break;
        if (BuyTrainingStep(user, key)) SaveUser(session, user);
    }
    user.max_mana = ManaFromAttributes(user);
    SaveUser(session, user);
}

}  // namespace vorn

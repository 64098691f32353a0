#include "play/healer.hpp"

#include <string>

#include "common/user_records.hpp"
#include "core/session.hpp"
#include "play/town_prompts.hpp"
#include "player/user_files.hpp"

namespace vorn {

namespace {

std::int64_t Missing(const UserRecord& user) {
    return static_cast<std::int64_t>(user.max_hp) - user.hp;
}

}  // namespace

std::int64_t HealingPrice(const UserRecord& user) {
    const std::int64_t missing = Missing(user);
    return missing > 0 ? missing * user.level : 0;
}

void Healer(Session& session) {
    Writer& out = session.writer;
    UserRecord& user = session.users.current;
    for (;;) {
        out.clear_screen();
        out.show_display_file("heal1.ans", 28);
        const std::int64_t missing = Missing(user);
        const std::int64_t price = HealingPrice(user);
        out.go_to(66, 14);
        out.set_colours(14, 0);
        if (missing < 1) {
            out.go_to(55, 15);
            out.set_foreground(12);
            out.print_text("Nothing to heal, unless...");
        } else {
            out.print_text(std::to_string(price));
        }
        const char key = ReadMenuKey(session, "HQW");
        if (key == 'W') {
            out.clear_screen();
            out.show_display_file("heal2.ans", 28);
            session.keys.pause_key();
            continue;
        }
        if (key == 'H') {
            if (missing < 1) {
                MessageAt(session, 55, 16, 9, "Just get out!");
            } else if (price > user.gold) {
                MessageAt(session, 55, 15, 9, "Not Enough money");
            } else {
                out.go_to(55, 15);
                out.set_colours(9, 0);
                out.print_text("Watch Out!");
                user.gold = static_cast<std::int32_t>(user.gold - price);
                user.hp = user.max_hp;
                MessageWait(session);
            }
        }
        SaveUser(session, user);
        return;
    }
}

}  // namespace vorn

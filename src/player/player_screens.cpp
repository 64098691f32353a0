#include "player/player_screens.hpp"

#include <algorithm>
#include <cctype>
#include <string>

#include "common/news_files.hpp"
#include "common/player_text.hpp"
#include "common/ranking_order.hpp"
#include "common/record_file.hpp"
#include "common/text_case.hpp"
#include "core/session.hpp"
#include "core/system_strings.hpp"
#include "player/racial_skills.hpp"
#include "player/religion.hpp"
#include "player/user_files.hpp"
#include "term/line_editor.hpp"
#include "term/template_slots.hpp"
#include "term/text_codes.hpp"
#include "world/world_files.hpp"

namespace vorn {

namespace {

std::string Fit(std::string_view text, std::size_t width) {
    std::string out(text.substr(0, width));
    out.resize(width, ' ');
    return out;
}

const char* YesNope(bool value) {
    return value ? "Yeah!" : "Nope!";
}

constexpr const char* kDisplayChoices[] = {"Generic", "Communication", "Documentation/Misc"};

const char* DisplayChoiceName(int choice) {
    const int clamped = std::clamp(choice, 1, 3);
    return kDisplayChoices[clamped - 1];
}

// Reads a number of up to `digits` digits into a field: blanks the old value, prints the unit.
long ReadField(Session& session, int row, int blank, std::string_view unit, int digits) {
    Writer& out = session.writer;
    out.go_to(39, row);
    out.print_text(std::string(static_cast<std::size_t>(blank), ' '));
    out.print_text(unit);
    out.go_to(40, row);
    const std::string text =
        session.keys.input_line("", 0, CharacterRange('0', '9'), "", digits, 0);
    if (text.empty()) return 0;
    // Ten digits can pass the largest field; saturate instead of overflowing.
    long long value = 0;
    for (char c : text) value = std::min<long long>(value * 10 + (c - '0'), 9'999'999'999LL);
    return static_cast<long>(std::min<long long>(value, 2'147'483'646LL));
}

void ChooseDisplay(Session& session) {
    Writer& out = session.writer;
    UserRecord& user = session.users.current;
    int choice = std::clamp<int>(user.display_choice, 1, 3);
    for (;;) {
        out.go_to(38, 9);
        out.set_attribute(3, 0, false);
        out.print_text(Fit(DisplayChoiceName(choice), 80 - 38));
        const std::uint8_t key = session.keys.read_key();
        if (session.time.ended) return;
        const std::uint8_t ext = session.keys.extended_key();
        if (ext == 0x48 || ext == 0x4D || (ext == 0 && key == ' ')) {
            choice = choice % 3 + 1;
        } else if (ext == 0x50 || ext == 0x4B) {
            choice = (choice + 1) % 3 + 1;
        } else if (ext == 0 && key == '\r') {
            user.display_choice = static_cast<std::uint8_t>(choice);
            return;
        } else if (ext == 0 && key == 27) {
            return;
        }
    }
}

}  // namespace

// Counts a row of a long list as the paged display does, but its pause asks whether to go on:
// any key goes on, N, Q or Escape leaves the list (false).
bool NextListRow(Session& session) {
    Writer& out = session.writer;
    if (out.page_counter == 0) return true;
    out.page_counter = static_cast<std::uint16_t>(out.page_counter + 1);
    if (out.page_counter < 24) return true;
    out.page_counter = 1;
    static constexpr std::string_view kMore = "|08M|07ore |07[|12Y|01/|04n|07]|08?";
    out.set_attribute(8, 0, false);
    out.print_coded(kMore);
    bool stop = false;
    if (session.node.pause_delay_ms == 0 ||
        session.keys.wait_for_key(session.node.pause_delay_ms)) {
        const int key = std::toupper(session.keys.read_key());
        stop = session.keys.extended_key() == 0 && (key == 'N' || key == 'Q' || key == 27);
    }
    out.erase_back(11);
    out.set_foreground(7);
    return !stop && !session.time.ended;
}

void ShowRanking(Session& session) {
    Writer& out = session.writer;
    out.clear_screen();
    out.print_line("Sorting please wait...");
    out.new_lines(1);
    out.flush();

    RankedUsers ranked;
    if (!ranked.open(kUsersFile)) return;
    session.log("Displayed user ranking");

    const bool templates = !out.find_display_file("userltop").empty() &&
                           !out.find_display_file("userlmid").empty() &&
                           !out.find_display_file("userlbot").empty();
    if (templates) {
        BeginListScreens(session, "userl");
    } else {
        out.set_foreground(4);
        out.print_coded_line(
            "|U4 Num   Username                 Location              Calls  Baud    Access");
        out.set_foreground(9);
        out.print_line(std::string(79, '\xC4'));
        out.page_counter = 1;
        out.page_lines(3);
    }
    const std::uint64_t count = ranked.count();
    for (std::uint64_t p = 1; p <= count && !session.time.ended; ++p) {
        UserRecord r;
        if (!ranked.read(p - 1, r)) break;
        if (!InRanking(r)) continue;
        if (templates) {
            SetFormValue(session, 1, std::to_string(r.number));
            SetFormValue(session, 2, r.name.view());
            SetFormValue(session, 3, r.location.view());
            SetFormValue(session, 4, r.sex ? "Male" : "Female");
            SetFormValue(session, 5, std::to_string(r.experience));
            ShowForm(session, 35);
            if (out.cursor_column() != 1) out.new_lines(1);
        } else {
            out.print_coded_line("|U1 " + Fit(std::to_string(p), 5) + " " +
                                 PadVisible(KeepOnlyColourCodes(r.name.view()), 24) + " " +
                                 PadVisible(KeepOnlyColourCodes(r.location.view()), 21));
        }
        if (!NextListRow(session)) break;
    }
    if (templates) {
        EndListScreens(session, "userl");
    } else {
        out.set_foreground(9);
        out.print_line(std::string(79, '\xC4'));
        out.page_lines(1);
        out.page_counter = 0;
    }
}

bool SearchUser(Session& session, UserRecord& user, bool include_deleted) {
    RecordFile index;
    if (!index.open(kUserIndexFile, sizeof(UserIndexEntry), RecordFile::Access::kRead)) {
        return false;
    }
    const std::string key = UpperCase(user.name.view());
    user.number = 0;
    const std::uint64_t count = index.record_count();
    const auto ask = [&](std::string_view candidate) {
        std::string question = session.strings.cached(54);
        const std::size_t at = question.find("%S1");
        if (at != std::string::npos) question.replace(at, 3, KeepOnlyColourCodes(candidate));
        session.writer.print_coded(question);
        return session.keys.ask_yes_no(true);
    };
    // Entries past the last user number belong to nobody.
    const std::uint64_t searched = std::min(count, kMaxUsers);
    for (std::uint64_t p = 1; p <= searched && user.number == 0 && !session.time.ended; ++p) {
        UserIndexEntry e;
        if (!index.read_record(p - 1, e)) break;
        if (e.deleted && !include_deleted) continue;
        // Character names only: a caller's real name is his own business, not a suggestion.
        if (UpperCase(e.name.view()).find(key) != std::string::npos && ask(e.name.view())) {
            user.number = static_cast<std::uint16_t>(p);
        }
    }
    session.users.user_count = static_cast<std::uint16_t>(std::min<std::uint64_t>(count, 65535));
    return user.number != 0;
}

void EditUserOptions(Session& session) {
    Writer& out = session.writer;
    UserRecord& user = session.users.current;
    for (;;) {
        out.show_display_file("uconf.ans", 28);
        out.set_attribute(15, 0, false);
        const auto value = [&](int row, const std::string& text) {
            out.go_to(39, row);
            out.print_text(text);
        };
        value(7, YesNope(user.explore_option));
        value(8, std::to_string(user.battle_delay) + " ms");
        value(9, DisplayChoiceName(user.display_choice));
        value(10, YesNope(user.battle_option));
        value(11, YesNope(user.alt_screens));
        value(12, std::to_string(user.refresh_seconds) + " s");
        value(13, std::to_string(user.msg_delay) + " ms");
        value(14, YesNope(user.spare_option));
        value(15, user.line_editor ? "Line by line" : "Full screen");
        out.go_to(9, 19);

        const char key = session.keys.read_choice("ACDEFHKPSTQ\x1b");
        if (key == 0) return;
        switch (key) {
            case 'A':
                user.alt_screens = !user.alt_screens;
                break;
            case 'C':
                user.battle_delay = static_cast<std::uint16_t>(
                    std::min(ReadField(session, 8, 5, " ms", 5), 65530L));
                break;
            case 'D':
                ChooseDisplay(session);
                break;
            case 'E':
                user.line_editor = !user.line_editor;
                break;
            case 'F':
                user.explore_option = !user.explore_option;
                break;
            case 'H':
                out.show_display_file("confhelp.ans", 28);
                continue;
            case 'K':
                user.battle_option = !user.battle_option;
                break;
            case 'P':
                user.msg_delay = static_cast<std::uint16_t>(
                    std::min(ReadField(session, 13, 5, " ms", 5), 65530L));
                break;
            case 'S':
                user.spare_option = !user.spare_option;
                break;
            case 'T':
                user.refresh_seconds =
                    static_cast<std::int32_t>(ReadField(session, 12, 10, " s", 10));
                break;
            default:
                return;  // Q and Escape
        }
        SaveUser(session, user);
    }
}

void ShowStatus(Session& session, const std::function<void()>& item_menu) {
    Writer& out = session.writer;
    for (;;) {
        const UserRecord& u = session.users.current;
        out.show_display_file("stats.ans", 28);
        out.set_foreground(9);
        // The values fill the screen's two columns: 20 to 44 and 64 to 79.
        const auto at = [&](int column, int row, const std::string& text) {
            out.go_to(column, row);
            out.print_coded_within(text, column < 64 ? 45 - column : kScreenColumns - column);
        };
        static constexpr const char* kLaw[] = {"lawful ", "neutral ", "chaotic "};
        static constexpr const char* kMorals[] = {"good", "neutral", "evil"};
        at(20, 5, u.name.str());
        at(20, 6, std::to_string(u.experience));
        at(20, 7, std::to_string(u.level));
        at(20, 8, std::to_string(u.hp) + " / " + std::to_string(u.max_hp));
        at(20, 9, std::to_string(u.str + u.bonus_str));
        at(20, 10, std::to_string(u.dex + u.bonus_dex));
        at(20, 11, std::to_string(u.con + u.bonus_con));
        at(20, 12, std::to_string(u.int_ + u.bonus_int));
        at(20, 13, std::to_string(u.wis + u.bonus_wis));
        at(20, 14, std::to_string(u.cha + u.bonus_cha));
        at(20, 15, std::to_string(u.com + u.bonus_com));
        at(20, 16, std::to_string(session.keys.time_left("M")));
        std::string alignment;
        if (u.law >= 1 && u.law <= 3) alignment += kLaw[u.law - 1];
        if (u.morals >= 1 && u.morals <= 3) alignment += kMorals[u.morals - 1];
        at(64, 16, alignment);
        at(64, 5, std::to_string(u.gold));
        at(64, 6, std::to_string(u.bank));
        at(64, 7, std::to_string(u.loan));
        at(64, 8, std::to_string(u.loan_rate));
        at(64, 9, std::to_string(u.interest_rate));
        at(64, 10, std::to_string(u.kills));
        at(64, 11, u.race_name.str());
        at(64, 12, u.subrace_name.str());
        at(64, 13, u.sex ? "Male" : "Female");
        at(64, 14, session.world.weapon.name.str());
        at(64, 15, session.world.armor.name.str());
        at(20, 17, std::to_string(u.mana) + " / " + std::to_string(u.max_mana));
        at(64, 18, std::string(ReligionRankName(u.religion_rank)));
        at(64, 17, std::string(DeityName(u.deity)));
        at(20, 18, std::to_string(u.armor_class));
        out.go_to(42, 23);

        const char key = session.keys.read_choice("\r\x1bIQS");
        if (key == 0) return;
        if (key == 'I') {
            if (item_menu) item_menu();
        } else if (key == 'S') {
            out.clear_screen();
            ShowAdvantages(session);
        } else {
            return;
        }
    }
}

}  // namespace vorn

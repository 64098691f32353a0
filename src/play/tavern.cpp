#include "play/tavern.hpp"

#include <optional>
#include <string>

#include "common/player_text.hpp"
#include "common/record_file.hpp"
#include "core/session.hpp"
#include "play/main_sequence.hpp"
#include "play/town_prompts.hpp"
#include "player/user_files.hpp"
#include "term/line_editor.hpp"

namespace vorn {

namespace {

// Lines the drunkards' file offers to the tavern.
constexpr int kDrunkLines = 14;

}  // namespace

std::string TextFileLine(const std::string& path, int n) {
    constexpr std::size_t kMostRead = 1 << 20;
    const std::optional<std::string> text = ReadTextFile(path, kMostRead);
    return text ? LineOfText(*text, n) : std::string();
}

void Tavern(Session& session) {
    Writer& out = session.writer;
    for (;;) {
        out.clear_screen();
        out.show_display_file("tavern.ans", 28);
        out.go_to(38, 19);
        out.print_coded("|14" + std::to_string(session.users.current.gold));
        out.go_to(23, 21);
        switch (ReadMenuKey(session, "AGLOQTW")) {
            case 'A':
                DrunkTalk(session);
                break;
            case 'G':
                RentRoom(session);
                break;
            case 'O':
                out.go_to(23, 22);
                out.print_text("You are not hungry / thirsty");
                MessageWait(session);
                break;
            case 'T':
                TavernTalk(session);
                break;
            case 'W':
                Overhear(session);
                break;
            default:
                return;
        }
    }
}

void DrunkTalk(Session& session) {
    // Every draw names a real line: a draw of line 0 would show nothing the file holds.
    const int n = static_cast<int>(session.rng.random(kDrunkLines)) + 1;
    session.writer.new_lines(1);
    session.writer.print_coded(TextFileLine(session.system.data_path + kDrunkTalkFile, n));
    MessageWait(session);
}

void RentRoom(Session& session) {
    Writer& out = session.writer;
    UserRecord& user = session.users.current;
    const std::int64_t price = static_cast<std::int64_t>(user.level) * 40;
    out.go_to(15, 22);
    out.set_foreground(4);
    out.print_text("Buying a room will make the game quit!");
    out.go_to(15, 23);
    out.set_foreground(9);
    out.print_text("It will cost " + std::to_string(price) + " for a room, pay? ");
    if (!session.keys.ask_yes_no(true) || session.time.ended) {
        MessageLine(session, "Alright, do as you wish!");
        return;
    }
    if (user.gold < price) {
        MessageLine(session, "|12Get some money for God's sake!");
        return;
    }
    user.gold = static_cast<std::int32_t>(user.gold - price);
    user.in_inn = true;
    SaveUser(session, user);
    Terminate(session, true);
}

void TavernTalk(Session& session) {
    Writer& out = session.writer;
    out.clear_screen();
    out.show_display_file(kTalkFile, 28);
    out.new_lines(1);
    out.print_text("Want to add to the conversation? ");
    if (!session.keys.ask_yes_no(false)) return;
    const std::string line = session.keys.input_line(session.users.current.name.str() + " says ", 0,
                                                     CharacterRange(' ', 254), "", 80, 0);
    // Everyone who comes in reads the talk as a screen with all its codes: the remark keeps
    // only its colours.
    AppendTalkLine(session.system.data_path + kTalkFile, KeepOnlyColourCodes(line));
    out.new_lines(1);
    MessageLine(session, "|10done!");
}

void Overhear(Session& session) {
    Writer& out = session.writer;
    const std::string name = session.users.current.name.str();
    out.go_to(7, 22);
    out.print_text("As you wander in the tavern, you hear... ");
    const std::uint32_t r = session.rng.random(20);
    if (r >= 1 && r <= 17) {
        out.print_text("Nothing of interest");
    } else if (r == 18) {
        out.print_coded_within(name, kScreenColumns - out.cursor_column());
    } else if (r == 19) {
        out.print_coded_within(name + " ....power", kScreenColumns - out.cursor_column());
    }
    out.new_lines(1);
    session.keys.pause_key();
}

}  // namespace vorn

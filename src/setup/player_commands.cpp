#include "setup/player_commands.hpp"

#include <optional>

#include "common/cp437_text.hpp"
#include "setup/command_line.hpp"
#include "setup/field_table.hpp"
#include "setup/player_editor.hpp"
#include "setup/player_fields.hpp"

namespace vorn {

namespace {

int ShowPlayer(std::uint16_t number, std::FILE* out) {
    UserRecord user;
    if (!ReadPlayer(number, user)) {
        std::fprintf(out, "# player %u cannot be read\n", unsigned{number});
        return kExitWriteFailed;
    }
    const std::optional<int> node = PlayingNode(number);
    std::fprintf(out, "# player %u of %s%s%s\n", unsigned{number}, kUsersFile,
                 user.deleted ? ", deleted" : "",
                 node ? (": " + Cp437ToUtf8(PlayingText(user.name.view(), *node))).c_str() : "");
    for (const PlayerField& field : PlayerFields()) {
        std::fprintf(out, "%.*s=%s\n", static_cast<int>(field.name.size()), field.name.data(),
                     Cp437ToUtf8(PlayerFieldText(field, user)).c_str());
    }
    return kExitDone;
}

}  // namespace

bool IsPlayerCommand(const std::vector<std::string>& args) {
    if (args.empty()) return false;
    const std::string& command = args[0];
    if (command == "--delete" || command == "--undelete") return true;
    return (command == "--show" || command == "--set") && args.size() > 1 && args[1] == "player";
}

int RunPlayerCommand(const std::vector<std::string>& args, Clock& clock, std::FILE* out,
                     std::FILE* err) {
    const std::string& command = args[0];
    const bool set = command == "--set";
    if (args.size() != (set ? 5u : 3u) || args[1] != "player") {
        return WrongCommand(err, set ? "--set player needs a player, a NAME and a VALUE"
                                     : command + " needs \"player\" and one player");
    }
    std::string error;
    const std::optional<std::string> who = Cp437FromUtf8(args[2], error);
    const std::uint16_t number = who ? FindPlayer(*who) : 0;
    if (number == 0)
        return WrongCommand(err, "no player is called or numbered \"" + args[2] + "\"");
    if (command == "--show") return ShowPlayer(number, out);

    const PlayerField* field = FindPlayerField(set ? args[3] : "deleted");
    if (field == nullptr) return WrongCommand(err, "no player field is called \"" + args[3] + "\"");
    const std::optional<std::string> value =
        set ? Cp437FromUtf8(args[4], error)
            : std::optional<std::string>(command == "--delete" ? "yes" : "no");
    if (!value) return WrongCommand(err, std::string(field->name) + ": " + error);
    const PlayerEdit edit = SetPlayerField(clock, number, *field, *value);
    const std::string message = Cp437ToUtf8(edit.message);
    switch (edit.outcome) {
        case PlayerEdit::Outcome::kDone:
            std::fprintf(out, "%s\n", message.c_str());
            return kExitDone;
        case PlayerEdit::Outcome::kRefused:
            return WrongCommand(err, message);
        case PlayerEdit::Outcome::kPlaying:
            std::fprintf(err, "setup: %s; nothing changed\n", message.c_str());
            return kExitPlayerInPlay;
        case PlayerEdit::Outcome::kWriteFailed:
            break;
    }
    std::fprintf(err, "setup: %s\n", message.c_str());
    return kExitWriteFailed;
}

}  // namespace vorn

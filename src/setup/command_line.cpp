#include "setup/command_line.hpp"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>

#include "common/config_files.hpp"
#include "common/directories.hpp"
#include "common/record_file.hpp"
#include "setup/field_table.hpp"
#include "setup/lock_rebuild.hpp"
#include "setup/player_commands.hpp"
#include "setup/player_fields.hpp"
#include "setup/setup_state.hpp"

namespace vorn {

namespace {

constexpr const char* kUsage =
    "usage: setup [node]                     the full-screen editor, from node 1..9999\n"
    "       setup --show node N | game | maint\n"
    "                                        print the settings, one name=value a line\n"
    "       setup --set node N NAME VALUE    set one setting of node N\n"
    "       setup --set game NAME VALUE      set one game setting\n"
    "       setup --set maint NAME VALUE     set one maintenance setting\n"
    "       setup --redo-lockfile            mark in lockfile.lck the nodes that have a file\n"
    "       setup --show player P            print a player's record, one name=value a line\n"
    "       setup --set player P NAME VALUE  change one field of a player's record\n"
    "       setup --delete player P          mark a player deleted; --undelete takes it back\n"
    "P is a player's number or his name. A player in play is not changed (exit code 3).\n"
    "N may be a range, such as 1-32: every node from the first to the last.\n"
    "Node 0 is the node of `game` without a node number or with DAEMON.\n"
    "Flags take yes or no, numbers a whole number in their range. door_type:\n";

struct Target {
    SettingsFile file = SettingsFile::kNode;
    NodeRange nodes;       // of the node settings; a range of one for game and maint
    std::size_t next = 0;  // the argument after the target
};

std::string_view SectionName(SettingsFile file) {
    switch (file) {
        case SettingsFile::kNode:
            return "node";
        case SettingsFile::kGame:
            return "game";
        case SettingsFile::kMaint:
            break;
    }
    return "maint";
}

void PrintUsage(std::FILE* to) {
    std::fputs(kUsage, to);
    std::fprintf(to, "  %s.\n", DoorTypeList().c_str());
    for (const SetupField& field : SetupFields()) {
        if (field.kind != FieldKind::kChoice) continue;
        std::fprintf(to, "%.*s: %s.\n", static_cast<int>(field.name.size()), field.name.data(),
                     ChoiceList(field).c_str());
    }
    std::fputs("The names:\n", to);
    const auto print_names = [to](std::string_view section, const auto& fields, auto&& take) {
        std::string line = "  " + std::string(section) + ":";
        for (const auto& field : fields) {
            if (!take(field)) continue;
            if (line.size() + field.name.size() + 1 > 78) {
                std::fprintf(to, "%s\n", line.c_str());
                line = "   ";
            }
            line += " " + std::string(field.name);
        }
        std::fprintf(to, "%s\n", line.c_str());
    };
    for (const SettingsFile file :
         {SettingsFile::kNode, SettingsFile::kGame, SettingsFile::kMaint}) {
        print_names(SectionName(file), SetupFields(),
                    [file](const SetupField& field) { return field.file == file; });
    }
    print_names("player", PlayerFields(),
                [](const PlayerField& field) { return field.kind != PlayerFieldKind::kShown; });
}

// "node N", "game" or "maint" from args[index] on.
std::optional<Target> ParseTarget(const std::vector<std::string>& args, std::size_t index,
                                  std::string& error) {
    if (index >= args.size()) {
        error = "say which settings: node N, game or maint";
        return std::nullopt;
    }
    const std::string& section = args[index];
    if (section == "game") return Target{SettingsFile::kGame, {}, index + 1};
    if (section == "maint") return Target{SettingsFile::kMaint, {}, index + 1};
    if (section != "node") {
        error = "unknown settings \"" + section + "\": say node N, game or maint";
        return std::nullopt;
    }
    // Node 0, which the screens do not page to, is the daemon node of stand-alone telnet games.
    const std::optional<NodeRange> nodes =
        index + 1 < args.size() ? ParseNodeRange(args[index + 1], 0, kLastNode) : std::nullopt;
    if (!nodes) {
        error =
            "a node number from 0 to 9999 (or a range of them, such as 1-32) must follow "
            "\"node\"";
        return std::nullopt;
    }
    return Target{SettingsFile::kNode, *nodes, index + 2};
}

std::string FileOf(SettingsFile file, int node) {
    switch (file) {
        case SettingsFile::kNode:
            return NodeFileName(node);
        case SettingsFile::kGame:
            return kGameSettingsFile;
        case SettingsFile::kMaint:
            break;
    }
    return kMaintSettingsFile;
}

// The record as setup would load it, without writing anything: the defaults when the file is
// missing or short. False in that case.
template <class Record>
bool ReadOrDefaults(const std::string& path, Record& record, Record (*defaults)()) {
    if (ReadFilePrefix(path, &record, sizeof record) == static_cast<long>(sizeof record)) {
        return true;
    }
    record = defaults();
    return false;
}

// The record of one file into `records`, read or with its defaults; false for the defaults.
bool ReadSettings(SettingsFile settings, int node, SetupRecords& records) {
    const std::string file = FileOf(settings, node);
    switch (settings) {
        case SettingsFile::kNode:
            return ReadOrDefaults(file, records.node, DefaultNodeConfig);
        case SettingsFile::kGame:
            return ReadOrDefaults(file, records.game, DefaultGameSettings);
        case SettingsFile::kMaint:
            break;
    }
    return ReadOrDefaults(file, records.maint, DefaultMaintSettings);
}

// Whether `file` can be written, or made in the working directory when it is missing.
bool Writable(const std::string& file) {
    if (::access(file.c_str(), F_OK) == 0) return ::access(file.c_str(), W_OK) == 0;
    return errno == ENOENT && ::access(".", W_OK) == 0;
}

void ShowOne(SettingsFile settings, int node, std::FILE* out) {
    SetupRecords records{};
    const std::string file = FileOf(settings, node);
    const bool present = ReadSettings(settings, node, records);
    std::fprintf(out, "# %s%s\n", file.c_str(),
                 present ? "" : " (missing or short: the defaults setup writes)");
    for (const SetupField& field : SetupFields()) {
        if (field.file != settings) continue;
        std::fprintf(out, "%.*s=%s\n", static_cast<int>(field.name.size()), field.name.data(),
                     FieldValueText(field, records).c_str());
    }
}

int Show(const Target& target, std::FILE* out) {
    for (int node = target.nodes.first; node <= target.nodes.last; ++node) {
        ShowOne(target.file, node, out);
    }
    return kExitDone;
}

int Set(const Target& target, const std::string& name, const std::string& value, std::FILE* out,
        std::FILE* err) {
    const SetupField* field = FindSetupField(name);
    if (field == nullptr || field->file != target.file) {
        return WrongCommand(err, "no " + std::string(SectionName(target.file)) +
                                     " setting is called \"" + name + "\"");
    }
    // The value is judged before any file is read or created, so a refused one changes nothing.
    SetupRecords trial{DefaultNodeConfig(), DefaultGameSettings(), DefaultMaintSettings()};
    std::string error;
    if (!SetFieldFromText(*field, trial, value, error)) {
        return WrongCommand(err, name + ": " + error);
    }
    // Every file is judged before one is written, and the drop-file folder is made before any:
    // a --set that cannot be carried out whole leaves every file as it was.
    for (int node = target.nodes.first; node <= target.nodes.last; ++node) {
        const std::string file = FileOf(target.file, node);
        if (!Writable(file)) {
            std::fprintf(err, "setup: %s cannot be written (%s); nothing changed\n", file.c_str(),
                         std::strerror(errno));
            return kExitWriteFailed;
        }
    }
    const std::string path = trial.node.door_file_path.str();
    bool created = false;
    if (field->kind == FieldKind::kPath && !DirectoryExists(path)) {
        CreateDirectoryPath(path, true);
        if (!DirectoryExists(path)) {
            std::fprintf(err, "setup: the directory %s could not be created; nothing changed\n",
                         path.c_str());
            return kExitWriteFailed;
        }
        created = true;
    }
    SetupState state;
    for (int node = target.nodes.first; node <= target.nodes.last; ++node) {
        state.node_number = node;
        ReadSettings(target.file, node, state.records);
        SetFieldFromText(*field, state.records, value, error);
        if (!SaveSettings(state, target.file)) {
            std::fprintf(err, "setup: %s\n", state.problem.c_str());
            return kExitWriteFailed;
        }
    }
    std::fprintf(out, "%s=%s", name.c_str(), FieldValueText(*field, state.records).c_str());
    if (target.nodes.first != target.nodes.last) {
        std::fprintf(out, " on nodes %d to %d", target.nodes.first, target.nodes.last);
    }
    std::fputs("\n", out);
    if (created) std::fprintf(out, "Created the directory %s\n", path.c_str());
    return kExitDone;
}

int RedoLockfile(std::FILE* out, std::FILE* err) {
    NodeLockTable table{};
    if (!RebuildNodeLockTable(table, [](int) {})) {
        std::fprintf(err, "setup: %s could not be written\n", kNodeLockFile);
        return kExitWriteFailed;
    }
    std::string nodes;
    for (std::size_t n = 0; n < table.size(); ++n) {
        if (table[n] != 0) nodes += " " + std::to_string(n);
    }
    std::fprintf(out, "%s: %s\n", kNodeLockFile,
                 nodes.empty() ? "no node files" : ("nodes" + nodes).c_str());
    return kExitDone;
}

}  // namespace

int WrongCommand(std::FILE* err, const std::string& message) {
    std::fprintf(err, "setup: %s\n", message.c_str());
    std::fputs("Try setup --help.\n", err);
    return kExitWrongCommand;
}

bool UsageRequested(std::string_view argument) {
    return argument == "?" || argument == "help";
}

int NodeFromArgument(std::string_view argument) {
    const std::optional<long long> node = ParseWholeNumber(argument);
    if (!node || *node < kFirstNode) return kFirstNode;
    return *node > kLastNode ? kLastNode : static_cast<int>(*node);
}

bool IsCommandLineForm(const std::vector<std::string>& args) {
    return !args.empty() && args[0].starts_with("--");
}

int RunCommandLine(const std::vector<std::string>& args, Clock& clock, std::FILE* out,
                   std::FILE* err) {
    const std::string command = args.empty() ? "" : args[0];
    if (command == "--help") {
        PrintUsage(out);
        return kExitDone;
    }
    if (command == "--redo-lockfile" && args.size() == 1) return RedoLockfile(out, err);
    if (IsPlayerCommand(args)) return RunPlayerCommand(args, clock, out, err);
    if (command != "--show" && command != "--set") {
        return WrongCommand(err, "unknown command \"" + command + "\"");
    }
    std::string error;
    const std::optional<Target> target = ParseTarget(args, 1, error);
    if (!target) return WrongCommand(err, error);
    const std::size_t rest = args.size() - target->next;
    if (command == "--show") {
        if (rest != 0) return WrongCommand(err, "--show takes nothing after the settings");
        return Show(*target, out);
    }
    if (rest != 2) return WrongCommand(err, "--set needs a NAME and a VALUE");
    return Set(*target, args[target->next], args[target->next + 1], out, err);
}

}  // namespace vorn

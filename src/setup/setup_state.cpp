#include "setup/setup_state.hpp"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>

#include "common/config_files.hpp"

namespace vorn {

namespace {

bool Check(SetupState& state, bool ok, const std::string& file) {
    if (!ok) state.problem = file + " could not be written: " + std::strerror(errno);
    return ok;
}

}  // namespace

std::string NodeFileName(int node) {
    return NodeConfigFileName(std::to_string(node));
}

std::optional<NodeRange> ParseNodeRange(std::string_view text, int lowest, int highest) {
    const auto node = [&](std::string_view digits) -> std::optional<int> {
        int value = 0;
        if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) {
            return std::nullopt;
        }
        if (std::from_chars(digits.data(), digits.data() + digits.size(), value).ec !=
                std::errc() ||
            value < lowest || value > highest) {
            return std::nullopt;
        }
        return value;
    };
    const std::size_t dash = text.find('-');
    const std::optional<int> first = node(text.substr(0, dash));
    const std::optional<int> last =
        dash == std::string_view::npos ? first : node(text.substr(dash + 1));
    if (!first || !last || *first > *last) return std::nullopt;
    return NodeRange{*first, *last};
}

bool LoadSettings(SetupState& state, SettingsFile file) {
    switch (file) {
        case SettingsFile::kNode: {
            const std::string name = NodeFileName(state.node_number);
            return Check(state, LoadNodeConfigWithDefaults(name, state.records.node), name);
        }
        case SettingsFile::kGame:
            return Check(state, LoadGameSettingsWithDefaults(kGameSettingsFile, state.records.game),
                         kGameSettingsFile);
        case SettingsFile::kMaint:
            break;
    }
    return Check(state, LoadMaintSettingsWithDefaults(kMaintSettingsFile, state.records.maint),
                 kMaintSettingsFile);
}

bool LoadNode(SetupState& state, int node) {
    state.node_number = std::clamp(node, kFirstNode, kLastNode);
    return LoadSettings(state, SettingsFile::kNode);
}

bool LoadStartFiles(SetupState& state, int node) {
    bool ok = LoadNode(state, node);
    ok = LoadSettings(state, SettingsFile::kMaint) && ok;
    ok = LoadSettings(state, SettingsFile::kGame) && ok;
    const bool locks = UpdateNodeLockTable([&state](NodeLockTable& table) {
        state.locks = table;
        return false;
    });
    return Check(state, locks, kNodeLockFile) && ok;
}

bool StepNode(SetupState& state, int delta) {
    const bool saved = SaveSettings(state, SettingsFile::kNode);
    return LoadNode(state, state.node_number + delta) && saved;
}

bool SaveSettings(SetupState& state, SettingsFile file) {
    switch (file) {
        case SettingsFile::kNode: {
            const std::string name = NodeFileName(state.node_number);
            return Check(state, WriteNodeConfig(name, state.records.node), name);
        }
        case SettingsFile::kGame:
            return Check(state, WriteGameSettings(kGameSettingsFile, state.records.game),
                         kGameSettingsFile);
        case SettingsFile::kMaint:
            break;
    }
    return Check(state, WriteMaintSettings(kMaintSettingsFile, state.records.maint),
                 kMaintSettingsFile);
}

}  // namespace vorn

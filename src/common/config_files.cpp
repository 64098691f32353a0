#include "common/config_files.hpp"

#include <cstring>

#include "common/record_file.hpp"

namespace vorn {

NodeConfig DefaultNodeConfig() {
    NodeConfig c;
    std::memset(&c, 0, sizeof c);
    c.comm_device = "/dev/ttyS1";
    c.door_type = 1;
    c.bbs_name = "Your BBS";
    c.sysop_name = "You";
    c.door_file_path = "/home/bbs/doors/";
    c.multinode = true;
    c.modem_answer = "ATA";
    c.modem_init = "ATZ";
    return c;
}

GameSettings DefaultGameSettings() {
    GameSettings s;
    std::memset(&s, 0, sizeof s);
    s.build_points_formula = "L:7";
    s.mana_recovery_secs = 10;
    s.mana_recovery_temple_secs = 5;
    s.mana_recovery_same_align_secs = 7;
    s.mana_recovery_opposite_align_secs = 15;
    s.mana_recovery_real_god_secs = 2;
    s.hp_recovery_secs = 9;
    return s;
}

MaintSettings DefaultMaintSettings() {
    MaintSettings m;
    std::memset(&m, 0, sizeof m);
    m.heal_everything = true;
    return m;
}

std::string NodeConfigFileName(const std::string& node_text) {
    return "vorn" + node_text + ".dat";
}

bool ReadNodeConfig(const std::string& path, NodeConfig& config) {
    std::memset(&config, 0, sizeof config);
    return ReadFilePrefix(path, &config, sizeof config) >= 0;
}

bool ReadGameSettings(const std::string& path, GameSettings& settings) {
    std::memset(&settings, 0, sizeof settings);
    return ReadFilePrefix(path, &settings, sizeof settings) == static_cast<long>(sizeof settings);
}

bool ReadMaintSettings(const std::string& path, MaintSettings& settings) {
    std::memset(&settings, 0, sizeof settings);
    return ReadFilePrefix(path, &settings, sizeof settings) == static_cast<long>(sizeof settings);
}

namespace {

template <class Record>
bool LoadWithDefaults(const std::string& path, Record& record, Record (*defaults)()) {
    if (ReadFilePrefix(path, &record, sizeof record) == static_cast<long>(sizeof record)) {
        return true;
    }
    record = defaults();
    return WriteFilePrefix(path, &record, sizeof record);
}

}  // namespace

bool LoadNodeConfigWithDefaults(const std::string& path, NodeConfig& config) {
    return LoadWithDefaults(path, config, DefaultNodeConfig);
}
bool LoadGameSettingsWithDefaults(const std::string& path, GameSettings& settings) {
    return LoadWithDefaults(path, settings, DefaultGameSettings);
}
bool LoadMaintSettingsWithDefaults(const std::string& path, MaintSettings& settings) {
    return LoadWithDefaults(path, settings, DefaultMaintSettings);
}

bool WriteNodeConfig(const std::string& path, const NodeConfig& config) {
    return WriteFilePrefix(path, &config, sizeof config);
}
bool WriteGameSettings(const std::string& path, const GameSettings& settings) {
    return WriteFilePrefix(path, &settings, sizeof settings);
}
bool WriteMaintSettings(const std::string& path, const MaintSettings& settings) {
    return WriteFilePrefix(path, &settings, sizeof settings);
}

}  // namespace vorn

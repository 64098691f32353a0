// Reading and writing the configuration files. game and maint only read; setup loads with
// defaults (a missing or short file is rewritten with the defaults at once) and writes the whole
// record back after every change.
#pragma once

#include <string>

#include "common/config_records.hpp"

namespace vorn {

inline constexpr const char* kGameSettingsFile = "setup.dat";
inline constexpr const char* kMaintSettingsFile = "maint.dat";

// "vorn" + node text + ".dat".
std::string NodeConfigFileName(const std::string& node_text);

// game's rule: the node file must open; a short file leaves the missing fields zero.
// `config` is zero-filled first. False when the file cannot be opened.
bool ReadNodeConfig(const std::string& path, NodeConfig& config);

// game's rule: all 356 bytes must arrive. False otherwise (missing file included).
bool ReadGameSettings(const std::string& path, GameSettings& settings);

// maint's rule: one 512-byte record; false when it is missing or short.
bool ReadMaintSettings(const std::string& path, MaintSettings& settings);

// setup's rules: load the whole record, or fill it with the defaults and write it at once.
// Return false only when a needed write failed.
bool LoadNodeConfigWithDefaults(const std::string& path, NodeConfig& config);
bool LoadGameSettingsWithDefaults(const std::string& path, GameSettings& settings);
bool LoadMaintSettingsWithDefaults(const std::string& path, MaintSettings& settings);

// Whole record at offset 0 without truncating; the file is created rw-rw-r-- when missing.
bool WriteNodeConfig(const std::string& path, const NodeConfig& config);
bool WriteGameSettings(const std::string& path, const GameSettings& settings);
bool WriteMaintSettings(const std::string& path, const MaintSettings& settings);

}  // namespace vorn

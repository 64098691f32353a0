// The node table and the settings: records of nodeinfo.dat that belong to their node, the node
// lock table, and configuration files of the length the programs read.
#include <dirent.h>

#include <cctype>
#include <cstring>

#include "check/check_context.hpp"
#include "common/config_records.hpp"
#include "common/node_lock_table.hpp"
#include "common/node_records.hpp"
#include "common/record_file.hpp"

namespace vorn::check {

namespace {

constexpr std::uint64_t kNodeSlots = 255;
constexpr std::size_t kStringRecords = 55;
constexpr std::size_t kStringRecordSize = 256;

// vorn<digits>.dat: a node's configuration.
bool IsNodeFile(std::string_view name) {
    if (name.size() <= 8 || name.substr(0, 4) != "vorn" || name.substr(name.size() - 4) != ".dat") {
        return false;
    }
    for (const char ch : name.substr(4, name.size() - 8)) {
        if (!std::isdigit(static_cast<unsigned char>(ch))) return false;
    }
    return true;
}

void CheckSettingsFile(Context& c, const std::string& name, std::size_t size, bool needed) {
    const auto have = SizeOf(c.path(name));
    if (!have) {
        if (needed) c.problem(name, "missing: the game will not start; setup writes it");
        return;
    }
    if (*have != size) {
        c.problem(name, std::to_string(*have) + " bytes where the record has " +
                            std::to_string(size) + "; setup writes it anew");
    }
}

}  // namespace

void CheckNodes(Context& c) {
    const auto count = CountRecords(c, kNodeInfoFileName, sizeof(NodeInfoRecord));
    const std::string path = c.path(kNodeInfoFileName);
    if (count && *count > kNodeSlots) {
        c.problem(kNodeInfoFileName,
                  "holds " + Records(*count) + " for " + std::to_string(kNodeSlots) + " nodes",
                  [=] { return CutToRecords(path, sizeof(NodeInfoRecord), kNodeSlots); });
    }
    RecordFile file;
    if (count && file.open(path, sizeof(NodeInfoRecord), RecordFile::Access::kRead)) {
        for (std::uint64_t i = 0; i < std::min(*count, kNodeSlots); ++i) {
            NodeInfoRecord r;
            if (!file.read_record(i, r)) break;
            if (r.node == 0) continue;
            if (r.node != i + 1) {
                c.problem(kNodeInfoFileName,
                          "slot " + std::to_string(i + 1) + " is marked as node " +
                              std::to_string(r.node),
                          [=] {
                              const NodeInfoRecord empty{};
                              return RewriteRecord(path, sizeof empty, i, &empty);
                          });
            } else if (NodeRecordAlive(r, c.now)) {
                c.note(kNodeInfoFileName, "node " + std::to_string(r.node) + " is in play (" +
                                              r.user_name.str() + ")");
            }
        }
    }

    const auto locks = SizeOf(c.path(kNodeLockFile));
    if (locks && *locks != kNodeLockTableSize) {
        const std::string lock_path = c.path(kNodeLockFile);
        c.problem(kNodeLockFile,
                  std::to_string(*locks) + " bytes where the table has " +
                      std::to_string(kNodeLockTableSize),
                  [=] {
                      NodeLockTable table{};
                      if (ReadFilePrefix(lock_path, table.data(), table.size()) < 0) return false;
                      return WriteFilePrefix(lock_path, table.data(), table.size()) &&
                             CutToRecords(lock_path, table.size(), 1);
                  });
    }
}

void CheckSettings(Context& c) {
    CheckSettingsFile(c, "setup.dat", sizeof(GameSettings), true);
    CheckSettingsFile(c, "maint.dat", sizeof(MaintSettings), false);
    if (DIR* dir = ::opendir(c.directory.empty() ? "." : c.directory.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            if (IsNodeFile(entry->d_name)) {
                CheckSettingsFile(c, entry->d_name, sizeof(NodeConfig), false);
            }
        }
        ::closedir(dir);
    }
    const auto strings = SizeOf(c.path("strings.dat"));
    if (strings && *strings < kStringRecords * kStringRecordSize) {
        c.note("strings.dat", "short of its " + std::to_string(kStringRecords) +
                                  " texts; the game puts the defaults in at its next start");
    }
}

}  // namespace vorn::check

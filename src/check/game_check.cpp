// The checker's frame: the report, the file operations the repairs are made of, the order of the
// parts, and the repair run with its backup copies.
#include "check/game_check.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <set>

#include "check/check_context.hpp"
#include "common/city_records.hpp"
#include "common/file_calls.hpp"
#include "common/node_lock_table.hpp"
#include "common/node_records.hpp"
#include "common/player_locks.hpp"
#include "common/record_file.hpp"
#include "common/user_records.hpp"

namespace vorn {

int CheckReport::problems() const {
    return static_cast<int>(std::count_if(findings.begin(), findings.end(), [](const auto& f) {
        return f.kind == CheckFinding::Kind::kProblem;
    }));
}

int CheckReport::repairable() const {
    return static_cast<int>(std::count_if(findings.begin(), findings.end(),
                                          [](const auto& f) { return bool(f.repair); }));
}

std::vector<std::string> CheckReport::lines() const {
    std::vector<std::string> out;
    for (const CheckFinding& f : findings) {
        std::string line = f.file + ": " + f.text;
        if (f.kind == CheckFinding::Kind::kNote) line = "note: " + line;
        if (f.repair && f.kind == CheckFinding::Kind::kProblem) line += " [repairable]";
        out.push_back(line);
    }
    const int n = problems();
    if (n == 0) {
        out.emplace_back("No problems found.");
    } else {
        out.push_back(std::to_string(n) + (n == 1 ? " problem" : " problems") + " found, " +
                      std::to_string(repairable()) + " of the findings repairable with --repair.");
    }
    return out;
}

namespace check {

void Context::problem(std::string file, std::string text, std::function<bool()> repair) {
    report.findings.push_back(
        {CheckFinding::Kind::kProblem, std::move(file), std::move(text), std::move(repair), {}});
}

void Context::note(std::string file, std::string text, std::function<bool()> repair) {
    report.findings.push_back(
        {CheckFinding::Kind::kNote, std::move(file), std::move(text), std::move(repair), {}});
}

std::string Records(std::uint64_t n) {
    return std::to_string(n) + (n == 1 ? " record" : " records");
}

std::optional<std::uint64_t> SizeOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || st.st_size < 0) return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
}

std::optional<std::uint64_t> CountRecords(Context& c, const std::string& name,
                                          std::size_t record_size) {
    const std::string path = c.path(name);
    const auto size = SizeOf(path);
    if (!size) return std::nullopt;
    const std::uint64_t whole = *size / record_size;
    if (const std::uint64_t rest = *size % record_size; rest != 0) {
        c.problem(name,
                  std::to_string(rest) + " bytes past its last whole record (a record cut short)",
                  [=] { return CutToRecords(path, record_size, whole); });
    }
    return whole;
}

bool CutToRecords(const std::string& path, std::size_t record_size, std::uint64_t records) {
    const int fd = sys::Open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = sys::Truncate(fd, static_cast<off_t>(records * record_size)) == 0;
    return sys::Close(fd) == 0 && ok;
}

bool ExtendToRecords(const std::string& path, std::size_t record_size, std::uint64_t records,
                     const std::function<void(std::uint64_t, std::vector<std::uint8_t>&)>& make) {
    RecordFile file;
    if (!file.open(path, record_size, RecordFile::Access::kReadWrite) &&
        !(SizeOf(path) == std::nullopt && file.create(path, record_size))) {
        return false;
    }
    std::vector<std::uint8_t> bytes(record_size);
    for (std::uint64_t i = file.record_count(); i < records; ++i) {
        std::fill(bytes.begin(), bytes.end(), 0);
        make(i, bytes);
        if (!file.write(i, bytes.data())) return false;
    }
    return true;
}

bool RewriteRecord(const std::string& path, std::size_t record_size, std::uint64_t index,
                   const void* record) {
    RecordFile file;
    return file.open(path, record_size, RecordFile::Access::kReadWrite) &&
           file.write(index, record);
}

void ReportOutOfStep(Context& c, const std::string& name, std::size_t record_size,
                     std::uint64_t have, std::uint64_t want, const std::string& against,
                     const std::function<void(std::uint64_t, std::vector<std::uint8_t>&)>& make) {
    if (have == want) return;
    const std::string path = c.path(name);
    std::string text = "holds " + Records(have) + ", " + against + " " + std::to_string(want);
    if (have > want) {
        c.problem(name, text + ": the last ones belong to nobody",
                  [=] { return CutToRecords(path, record_size, want); });
    } else if (make) {
        c.problem(name, text + ": the last ones are missing",
                  [=] { return ExtendToRecords(path, record_size, want, make); });
    } else {
        c.problem(name, text + ": the last ones are missing");
    }
}

}  // namespace check

namespace {

CheckReport Check(const std::string& directory, const DateTime& now) {
    CheckReport report;
    check::Context c(directory.empty() || directory.back() == '/' ? directory : directory + "/",
                     now, report);
    // Counted first, without a word about them: the parts check references in both directions.
    c.users = check::SizeOf(c.path(kUsersFile)).value_or(0) / sizeof(UserRecord);
    c.cities = check::SizeOf(c.path(kCitiesFile)).value_or(0) / sizeof(CityRecord);
    // First, so that its repairs come before those that move a file to where it belongs.
    check::CheckModes(c);
    check::CheckWorld(c);
    check::CheckCities(c);
    check::CheckPlayers(c);
    check::CheckWorldReferences(c);
    check::CheckNights(c);
    check::CheckNodes(c);
    check::CheckSettings(c);
    check::CheckMessageAreas(c);
    check::CheckLeague(c);
    return report;
}

// Who keeps the repairs waiting: a live node of the node table, a game holding a node of
// lockfile.lck (from its start, at the title pause and in character creation too), or a game
// holding a player's session lock. Empty when nobody.
std::string WhoIsInPlay(const std::string& base, const DateTime& now) {
    const auto live = ReadLiveNodes(base + kNodeInfoFileName, now);
    if (!live.empty()) return "node " + std::to_string(live.front().node) + " is in play";
    if (const int node = FirstHeldNode(base + kNodeLockFile); node >= 0) {
        return "node " + std::to_string(node) + " is in use (a game holds it in " + kNodeLockFile +
               ")";
    }
    if (const std::uint16_t player = PlayerLocks(base + kUserIndexFile).first_held()) {
        return "player " + std::to_string(player) + " is in play (a game holds his session)";
    }
    return "";
}

}  // namespace

CheckReport CheckGameDirectory(const std::string& directory, const DateTime& now) {
    return Check(directory, now);
}

RepairResult RepairGameDirectory(const std::string& directory, const std::string& backup,
                                 const DateTime& now) {
    RepairResult result;
    CheckReport before = Check(directory, now);
    const std::string base =
        directory.empty() || directory.back() == '/' ? directory : directory + "/";
    const std::string in_play = WhoIsInPlay(base, now);
    if (!in_play.empty()) {
        result.refusal = in_play + ": repairs are made only while no game runs";
        result.after = std::move(before);
        return result;
    }

    std::set<std::string> changed;
    for (const CheckFinding& f : before.findings) {
        if (!f.repair || f.mode_only) continue;
        changed.insert(f.file);
        changed.insert(f.also_changes.begin(), f.also_changes.end());
    }
    if (!changed.empty()) {
        if (sys::MakeDirectory(backup.c_str(), kGameDirectoryMode) != 0) {
            result.refusal = "cannot make the backup directory " + backup;
            result.after = std::move(before);
            return result;
        }
        for (const std::string& name : changed) {
            if (!check::SizeOf(base + name)) continue;  // a repair that creates it
            if (!CopyWholeFile(base + name, backup + "/" + name, O_EXCL)) {
                result.refusal = "cannot copy " + name + " into " + backup;
                result.after = std::move(before);
                return result;
            }
        }
        result.backup = backup;
    }

    for (const CheckFinding& f : before.findings) {
        if (!f.repair) continue;
        (f.repair() ? result.repaired : result.failed).push_back(f.file + ": " + f.text);
    }
    result.done = true;
    result.after = Check(directory, now);
    return result;
}

}  // namespace vorn

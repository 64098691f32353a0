// The three player files as a crash, a full disk or a bad copy may leave them: users.dat,
// user2.dat and users.idx (in that order in the input, see fuzz_files.hpp). The checker must
// read them without fault, and its repair must leave them so that it finds nothing more. Files
// it calls clean must carry the game's start-up and every player's logon (found by name, then
// loaded) without a run-time error.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "check/game_check.hpp"
#include "common/record_file.hpp"
#include "common/user_records.hpp"
#include "fuzz_files.hpp"
#include "player/user_files.hpp"

namespace {

void StartAndLogOnEveryone(vorn::Session& s) {
    vorn::UserFiles& u = s.users;
    vorn::PrepareUserFiles(s);
    vorn::OpenUserFileHandles(s);
    vorn::RecordFile index;
    if (!index.open("users.idx", sizeof(vorn::UserIndexEntry), vorn::RecordFile::Access::kRead))
        return;
    const std::uint64_t count = index.record_count();
    for (std::uint64_t i = 0; i < count && i < 64; ++i) {
        vorn::UserIndexEntry entry{};
        if (!index.read_record(i, entry)) std::abort();
        vorn::UserRecord wanted{};
        wanted.name = entry.name.view();
        if (!vorn::FindUser(s, wanted, true, true)) std::abort();
        if (!vorn::LoadUser(s, wanted.number)) std::abort();
    }
    (void)u;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static vorn::fuzz::GameScratch game;
    vorn::fuzz::WriteFileParts(data, size, {"users.dat", "user2.dat", "users.idx"});
    const vorn::DateTime now = game.clock.now();

    const vorn::CheckReport before = vorn::CheckGameDirectory(".", now);
    (void)before.lines();
    std::filesystem::remove_all("backup");
    const vorn::RepairResult repair = vorn::RepairGameDirectory(".", "backup", now);
    std::filesystem::remove_all("backup");
    if (before.repairable() == before.problems() && repair.done && repair.failed.empty() &&
        !repair.after.clean()) {
        // When every problem had its repair and each was made, nothing is left to find.
        std::abort();
    }
    if (!vorn::CheckGameDirectory(".", now).clean()) return 0;

    vorn::Session& s = game.session;
    s.world.rooms.close();
    s.users.users_read.close();
    s.users.extra_read.close();
    s.users.current = vorn::UserRecord{};
    try {
        StartAndLogOnEveryone(s);
    } catch (const vorn::fuzz::Exited&) {
        std::abort();  // a clean directory has its rooms and player files
    }
    s.world.rooms.close();
    s.users.users_read.close();
    s.users.extra_read.close();
    return 0;
}

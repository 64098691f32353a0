// mkgame DIR: lays out a new game directory with a local node 1 and the default settings.
// Existing files are never overwritten, so it is safe to run on a game in play.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <string>

#include "common/config_files.hpp"
#include "common/directories.hpp"
#include "common/record_file.hpp"

namespace {

bool Exists(const std::string& path) {
    return ::access(path.c_str(), F_OK) == 0;
}

bool CreateIfMissing(const std::string& path, const void* data, std::size_t size) {
    if (Exists(path)) return true;
    return vorn::WriteFilePrefix(path, data, size);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: mkgame DIR\n", stderr);
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/";
    vorn::CreateDirectoryPath(dir);
    if (!vorn::DirectoryExists(dir)) {
        std::fprintf(stderr, "mkgame: cannot create %s\n", dir.c_str());
        return 1;
    }

    vorn::NodeConfig node = vorn::DefaultNodeConfig();
    node.door_type = 3;
    const vorn::GameSettings settings = vorn::DefaultGameSettings();
    const vorn::MaintSettings maint = vorn::DefaultMaintSettings();
    std::array<std::uint8_t, 256> locks{};
    locks[1] = 1;

    bool ok = CreateIfMissing(dir + "vorn1.dat", &node, sizeof node);
    ok = CreateIfMissing(dir + "setup.dat", &settings, sizeof settings) && ok;
    ok = CreateIfMissing(dir + "maint.dat", &maint, sizeof maint) && ok;
    ok = CreateIfMissing(dir + "lockfile.lck", locks.data(), locks.size()) && ok;
    if (!Exists(dir + "rooms.dat")) {
        const int fd = ::open((dir + "rooms.dat").c_str(), O_WRONLY | O_CREAT, 0664);
        ok = fd >= 0 && ok;
        if (fd >= 0) ::close(fd);
    }
    if (!ok) {
        std::fprintf(stderr, "mkgame: could not write the files of %s\n", dir.c_str());
        return 1;
    }
    std::printf("Game directory %s is ready.\n", dir.c_str());
    return 0;
}

// Temporary game directories, the unprivileged user and the executable copies of the binaries.
#include "support/game_directory.hpp"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>

#include "support/game_process.hpp"

#ifndef VORN_BIN_DIR
#error "VORN_BIN_DIR must name the build's bin directory"
#endif

namespace vorn::test {

std::string SourceDir() {
    return VORN_SOURCE_DIR;
}
std::string BinDir() {
    return VORN_BIN_DIR;
}

namespace fs = std::filesystem;

namespace {

std::string MakeTemporaryDirectory(const char* prefix) {
    std::string pattern = std::string("/tmp/") + prefix + "XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        std::abort();
    }
    // The path must be open to the unprivileged user.
    ::chmod(pattern.c_str(), 0755);
    return pattern;
}

// The copies live as long as the test process. A child forked by a test that ends through
// std::exit (the run-time I/O check does) runs this destructor too, and must leave them alone.
class BinaryCopies {
  public:
    BinaryCopies() : directory_(MakeTemporaryDirectory("vorn-bin-")), owner_(::getpid()) {}
    ~BinaryCopies() {
        if (::getpid() != owner_) return;
        std::error_code ignored;
        fs::remove_all(directory_, ignored);
    }

    std::string path_of(std::string_view name) {
        const std::lock_guard lock(mutex_);
        const std::string target = directory_ + "/" + std::string(name);
        if (!fs::exists(target)) {
            const std::string source = std::string(VORN_BIN_DIR) + "/" + std::string(name);
            std::error_code error;
            fs::copy_file(source, target, error);
            if (error) {
                std::fprintf(stderr, "cannot copy %s: %s\n", source.c_str(),
                             error.message().c_str());
                std::abort();
            }
            ::chmod(target.c_str(), 0755);
        }
        return target;
    }

  private:
    std::string directory_;
    pid_t owner_;
    std::mutex mutex_;
};

}  // namespace

bool RunningAsRoot() {
    return ::geteuid() == 0;
}

const RunAsUser& UnprivilegedUser() {
    static const RunAsUser user = [] {
        RunAsUser u;
        if (!RunningAsRoot()) {
            u.uid = ::getuid();
            u.gid = ::getgid();
            return u;
        }
        u.drop = true;
        const passwd* pw = ::getpwnam("nobody");
        u.uid = pw != nullptr ? pw->pw_uid : 65534;
        const group* gr = ::getgrnam("nogroup");
        u.gid = gr != nullptr ? gr->gr_gid : 65534;
        return u;
    }();
    return user;
}

std::string BinaryPath(std::string_view name) {
    static BinaryCopies copies;
    return copies.path_of(name);
}

void GiveToUnprivilegedUser(const std::string& path) {
    const RunAsUser& user = UnprivilegedUser();
    if (!user.drop) return;
    if (::lchown(path.c_str(), user.uid, user.gid) != 0) std::perror(path.c_str());
}

GameDirectory::GameDirectory() : path_(MakeTemporaryDirectory("vorn-game-")) {
    // As a game directory is laid out: the game's user and group only.
    ::chmod(path_.c_str(), 0770);
    GiveToUnprivilegedUser(path_);
}

GameDirectory::~GameDirectory() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::string GameDirectory::file(std::string_view name) const {
    return path_ + "/" + std::string(name);
}

void GameDirectory::write_file(std::string_view name, std::string_view bytes) const {
    const std::string target = file(name);
    const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0660);
    if (fd < 0) {
        std::perror(target.c_str());
        return;
    }
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n <= 0) {
            std::perror(target.c_str());
            break;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    ::close(fd);
    ::chmod(target.c_str(), 0660);
    GiveToUnprivilegedUser(target);
}

void GameDirectory::make_directory(std::string_view name) const {
    const std::string target = file(name);
    ::mkdir(target.c_str(), 0770);
    GiveToUnprivilegedUser(target);
}

std::string GameDirectory::read_file(std::string_view name) const {
    std::string content;
    const int fd = ::open(file(name).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return content;
    char buffer[8192];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0) {
        content.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return content;
}

bool GameDirectory::exists(std::string_view name) const {
    struct stat st {};
    return ::lstat(file(name).c_str(), &st) == 0;
}

long long GameDirectory::file_size(std::string_view name) const {
    struct stat st {};
    if (::stat(file(name).c_str(), &st) != 0) return -1;
    return static_cast<long long>(st.st_size);
}

std::vector<std::string> GameDirectory::list(std::string_view sub_directory) const {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(file(sub_directory), error)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool GameDirectory::make_game() const {
    RunOptions options;
    options.args = {path_};
    const ProgramResult result = RunProgram("mkgame", path_, options);
    if (result.exit_code != 0) {
        std::fprintf(stderr, "mkgame failed (%d): %s%s\n", result.exit_code, result.output.c_str(),
                     result.error_output.c_str());
    }
    return result.exit_code == 0;
}

}  // namespace vorn::test

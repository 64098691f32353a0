// Installing and upgrading the files of a game directory: see install_files.hpp.
#include "install_files.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "common/city_records.hpp"
#include "common/file_calls.hpp"
#include "common/file_lock.hpp"
#include "common/record_file.hpp"
#include "common/world_records.hpp"

namespace vorn::mkgame {
namespace {

// Far more than any screen or world file of the installation.
constexpr std::size_t kMostBytes = std::size_t{64} << 20;

void Fail(Installer& in, const std::string& path) {
    std::fprintf(stderr, "mkgame: %s: %s\n", path.c_str(), std::strerror(errno));
    in.ok = false;
}

struct GameFile {
    enum class Kind { kMissing, kPlain, kOther };
    Kind kind = Kind::kOther;
    std::string bytes;
};

// The game's file as it is, never through a link: a link, a folder or a device is kOther.
GameFile ReadGameFile(Installer& in, const std::string& path) {
    GameFile file;
    const int fd = sys::Open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) file.kind = GameFile::Kind::kMissing;
        if (errno != ENOENT && errno != ELOOP) Fail(in, path);
        return file;
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        char block[8192];
        ssize_t n = 0;
        while (file.bytes.size() < kMostBytes && (n = sys::Read(fd, block, sizeof block)) > 0) {
            file.bytes.append(block, static_cast<std::size_t>(n));
        }
        if (n < 0) Fail(in, path);
        if (n >= 0) file.kind = GameFile::Kind::kPlain;
    }
    sys::Close(fd);
    return file;
}

// Makes what a run creates the game's, whoever runs it.
bool GiveToGame(const Installer& in, int fd, mode_t mode) {
    return ::fchmod(fd, mode) == 0 &&
           (!in.owner || ::fchown(fd, in.owner->uid, in.owner->gid) == 0);
}

// `bytes` as the game's file `path`: written beside it and renamed over it, so a node showing
// the file meanwhile reads the old or the new one whole, and a link there is replaced, not
// followed.
bool ReplaceGameFile(Installer& in, const std::string& path, std::string_view bytes) {
    std::string scratch = path + ".XXXXXX";
    const int fd = sys::MakeTemporary(scratch.data());
    if (fd < 0) {
        Fail(in, path);
        return false;
    }
    bool ok = GiveToGame(in, fd, kGameFileMode) && WriteAll(fd, bytes) && sys::Sync(fd) == 0;
    ok = sys::Close(fd) == 0 && ok;
    if (!ok || sys::Rename(scratch.c_str(), path.c_str()) != 0) {
        Fail(in, path);
        sys::Unlink(scratch.c_str());
        return false;
    }
    return true;
}

// The bytes of a world record the game writes in play: a room's city.
struct PlayBytes {
    std::size_t offset = 0;
    std::size_t width = 0;
};
PlayBytes PlayBytesOf(const KindLayout& kind) {
    if (kind.kind == WorldKind::kRoom) return {offsetof(RoomRecord, city), sizeof(I32)};
    return {};
}

// A record without the bytes the game writes in play, for comparing.
std::string Installed(const KindLayout& kind, std::string_view record) {
    std::string bytes(record);
    const PlayBytes play = PlayBytesOf(kind);
    std::memset(bytes.data() + play.offset, 0, play.width);
    return bytes;
}

std::string Numbers(const std::vector<std::uint64_t>& numbers) {
    std::string out;
    for (std::size_t i = 0; i < numbers.size() && i < 20; ++i) {
        out += (i == 0 ? "" : ", ") + std::to_string(numbers[i]);
    }
    if (numbers.size() > 20) out += " and " + std::to_string(numbers.size() - 20) + " more";
    return out;
}

// The lock a founding holds while it writes a room's city, when there are cities at all.
class FoundingLock {
  public:
    FoundingLock() : fd_(sys::Open(kCitiesFile, O_RDWR | O_NOFOLLOW | O_CLOEXEC)) {
        if (fd_ >= 0) LockWholeFile(fd_, LockKind::kExclusive);
    }
    ~FoundingLock() {
        if (fd_ >= 0) sys::Close(fd_);
    }
    FoundingLock(const FoundingLock&) = delete;
    FoundingLock& operator=(const FoundingLock&) = delete;

  private:
    int fd_;
};

// Brings the records of the game's world file up to the installation's `wanted`: a record as
// installed (its city aside) is replaced, one changed here is kept, and the new world's further
// records are added when the game has no records of its own past the installed ones. Every
// record goes with one pwrite, in place.
void MergeWorldFile(Installer& in, const KindLayout& kind, std::string_view wanted) {
    const std::string file = kind.file;
    const std::size_t size = kind.record_size;
    const int fd = sys::Open(file.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        Fail(in, file);
        return;
    }
    const FoundingLock lock;
    struct stat st {};
    const bool sized = ::fstat(fd, &st) == 0;
    const std::uint64_t have = sized ? static_cast<std::uint64_t>(st.st_size) / size : 0;
    const std::uint64_t count = wanted.size() / size;
    std::uint64_t replaced = 0;
    std::vector<std::uint64_t> kept;
    std::string record(size, '\0');
    for (std::uint64_t i = 0; sized && i < have && i < count; ++i) {
        const auto at = static_cast<off_t>(i * size);
        if (FullPread(fd, record.data(), size, at) != static_cast<long>(size)) {
            Fail(in, file);
            break;
        }
        const std::string key = RecordKey(file, i + 1);
        std::string fresh(wanted.substr(i * size, size));
        const std::string fresh_installed = Installed(kind, fresh);
        const std::string here = Installed(kind, record);
        if (here == fresh_installed) {
            in.installed.set(key, Digest(fresh_installed));
            continue;
        }
        if (in.installed.find(key) != Digest(here)) {
            kept.push_back(i + 1);
            continue;
        }
        const PlayBytes play = PlayBytesOf(kind);
        std::memcpy(fresh.data() + play.offset, record.data() + play.offset, play.width);
        if (FullPwrite(fd, fresh.data(), size, at) != static_cast<long>(size)) {
            Fail(in, file);
            break;
        }
        in.installed.set(key, Digest(fresh_installed));
        ++replaced;
    }
    std::uint64_t added = 0;
    std::string refused;
    if (sized && count > have) {
        if (static_cast<std::uint64_t>(st.st_size) % size != 0) {
            refused = "it ends in a record cut short (checkgame --repair mends it)";
        } else if (have != in.installed.last_record(file)) {
            refused = "the game has records of its own past the installed ones";
        }
    }
    for (std::uint64_t i = have; refused.empty() && i < count; ++i) {
        const std::string_view fresh = wanted.substr(i * size, size);
        if (FullPwrite(fd, fresh.data(), size, static_cast<off_t>(i * size)) !=
            static_cast<long>(size)) {
            Fail(in, file);
            break;
        }
        in.installed.set(RecordKey(file, i + 1), Digest(Installed(kind, fresh)));
        ++added;
    }
    sys::Close(fd);
    if (replaced + added > 0) {
        in.report.push_back("replaced " + file + ": " + std::to_string(replaced) +
                            " records replaced, " + std::to_string(added) + " added");
    }
    if (!kept.empty()) {
        in.report.push_back("kept     " + file + ": records changed here: " + Numbers(kept));
    }
    if (!refused.empty()) {
        in.report.push_back("kept     " + file + ": records " + std::to_string(have + 1) + "-" +
                            std::to_string(count) + " of the new world not added: " + refused);
    }
}

}  // namespace

void InstallFile(Installer& in, const std::string& from, const std::string& key,
                 OnUpgrade on_upgrade) {
    const auto wanted = ReadTextFile(from, kMostBytes);
    if (!wanted) {
        Fail(in, from);
        return;
    }
    const std::uint64_t digest = Digest(*wanted);
    const GameFile here = ReadGameFile(in, key);
    if (here.kind == GameFile::Kind::kMissing) {
        if (!ReplaceGameFile(in, key, *wanted)) return;
        if (on_upgrade == OnUpgrade::kReplace) in.installed.set(key, digest);
        if (in.upgrade) in.report.push_back("added    " + key);
        return;
    }
    if (on_upgrade == OnUpgrade::kKeep) return;
    if (here.kind == GameFile::Kind::kOther) {
        if (in.upgrade) in.report.push_back("kept     " + key + ": not a plain file");
        return;
    }
    if (here.bytes == *wanted) {
        in.installed.set(key, digest);
        return;
    }
    if (!in.upgrade) return;
    const std::optional<std::uint64_t> installed = in.installed.find(key);
    if (installed == Digest(here.bytes)) {
        if (ReplaceGameFile(in, key, *wanted)) {
            in.installed.set(key, digest);
            in.report.push_back("replaced " + key);
        }
        return;
    }
    in.report.push_back("kept     " + key +
                        (installed ? ": changed here"
                                   : ": differs from the new one, and no record tells what was "
                                     "installed"));
}

void InstallWorldFile(Installer& in, const std::string& from, const KindLayout& kind) {
    const auto wanted = ReadTextFile(from, kMostBytes);
    if (!wanted) {
        Fail(in, from);
        return;
    }
    const std::string file = kind.file;
    const std::size_t size = kind.record_size;
    const std::uint64_t count = wanted->size() / size;
    const GameFile here = ReadGameFile(in, file);
    if (here.kind == GameFile::Kind::kMissing) {
        if (!ReplaceGameFile(in, file, *wanted)) return;
        for (std::uint64_t i = 0; i < count; ++i) {
            in.installed.set(
                RecordKey(file, i + 1),
                Digest(Installed(kind, std::string_view(*wanted).substr(i * size, size))));
        }
        if (in.upgrade) in.report.push_back("added    " + file);
        return;
    }
    if (here.kind == GameFile::Kind::kOther) {
        if (in.upgrade) in.report.push_back("kept     " + file + ": not a plain file");
        return;
    }
    if (in.upgrade) {
        MergeWorldFile(in, kind, *wanted);
        return;
    }
    // A game in play keeps its world; what still matches the installation is noted as installed.
    const std::uint64_t have = here.bytes.size() / size;
    for (std::uint64_t i = 0; i < have && i < count; ++i) {
        const std::string mine =
            Installed(kind, std::string_view(here.bytes).substr(i * size, size));
        if (mine == Installed(kind, std::string_view(*wanted).substr(i * size, size))) {
            in.installed.set(RecordKey(file, i + 1), Digest(mine));
        }
    }
}

bool MakeGameFolder(Installer& in, const std::string& name) {
    struct stat st {};
    if (::lstat(name.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return true;
        std::fprintf(stderr, "mkgame: %s is not a folder: left alone\n", name.c_str());
        in.ok = false;
        return false;
    }
    if (::mkdir(name.c_str(), kGameDirectoryMode) != 0) {
        Fail(in, name);
        return false;
    }
    const int fd = sys::Open(name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    const bool ok = fd >= 0 && GiveToGame(in, fd, kGameDirectoryMode);
    if (fd >= 0) sys::Close(fd);
    if (!ok) Fail(in, name);
    return ok;
}

void LoadInstalledList(Installer& in) {
    const GameFile list = ReadGameFile(in, kInstalledListFile);
    if (list.kind == GameFile::Kind::kPlain) in.installed.parse(list.bytes);
}

bool SaveInstalledList(Installer& in) {
    return ReplaceGameFile(in, kInstalledListFile, in.installed.text());
}

}  // namespace vorn::mkgame

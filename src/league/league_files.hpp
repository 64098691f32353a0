// What the league's exchange and its readers share: the league's files under the league's lock,
// the runs of packet serials each side has, and the names of the league's files and folders.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/directories.hpp"
#include "common/file_lock.hpp"
#include "common/league_state_records.hpp"
#include "common/network_address.hpp"
#include "common/record_file.hpp"
#include "league/packet.hpp"

namespace vorn {

// The byte of links.dat, far past its records, that the exchange holds exclusively and readers
// share.
inline constexpr off_t kLeagueLockByte = off_t{1} << 40;
// A packet larger than this is no packet of ours.
inline constexpr std::size_t kLargestPacket = std::size_t{16} << 20;
inline constexpr std::int64_t kDay = 86400;
// What is not acknowledged is sent again a day after it was last sent; a nightly run comes a
// little less than a day later and counts.
inline constexpr std::int64_t kResendAfter = kDay - 3600;

// "21-1-100-0": an address as part of a file name.
std::string AddressName(const NetworkAddress& a);
// Eight digits with leading zeros.
std::string Padded(std::uint32_t n);
// The names of the files in `folder` that end in `suffix`, sorted.
std::vector<std::string> FilesEndingIn(const std::string& folder, std::string_view suffix);
// A file of at most kLargestPacket + 1 bytes, whole. False when it cannot be read.
bool ReadSmallFile(const std::string& path, std::string& bytes);

// The serials of one direction of a link: every one up to `through`, and those noted above it.
struct SerialRun {
    std::uint32_t through = 0;
    std::uint64_t above = 0;  // bit i: serial through + 2 + i

    bool has(std::uint32_t serial) const {
        if (serial <= through) return true;
        const std::uint64_t i = serial - through - 2;
        return serial > through + 1 && i < kLeagueMostAbove && ((above >> i) & 1) != 0;
    }
    // False when the serial lies beyond the window and cannot be noted yet.
    bool add(std::uint32_t serial) {
        if (has(serial)) return true;
        if (serial == through + 1) {
            ++through;
            while ((above & 1) != 0) {
                above >>= 1;
                ++through;
            }
            above >>= 1;
            return true;
        }
        const std::uint64_t i = serial - through - 2;
        if (i >= kLeagueMostAbove) return false;
        above |= std::uint64_t{1} << i;
        return true;
    }
    PacketAck ack() const {
        PacketAck a{through, {}};
        for (std::uint32_t i = 0; i < kLeagueMostAbove; ++i) {
            if (((above >> i) & 1) != 0) a.above.push_back(through + 2 + i);
        }
        return a;
    }
};

// The league's files, opened for one exchange or one reading under the league's lock.
class LeagueFiles {
  public:
    // Opens (and for an exchange makes) the league's folder and files and takes the lock.
    bool open(bool exchange, std::vector<std::string>& notes) {
        if (exchange) {
            CreateDirectoryPath(kLeagueSentFolder);
            CreateDirectoryPath(kLeagueBadFolder);
            CreateDirectoryPath(kLeagueLetterFolder);
        }
        const auto open_file = [&](RecordFile& f, const char* path, std::size_t size) {
            const bool ok = exchange ? f.open_or_create(path, size)
                                     : f.open(path, size, RecordFile::Access::kRead);
            if (!ok && exchange)
                notes.push_back(std::string("league: ") + path + " cannot be opened");
            return ok;
        };
        if (!open_file(links_, kLeagueLinksFile, sizeof(LeagueLinkRecord))) return false;
        if (!LockRange(links_.fd(), exchange ? LockKind::kExclusive : LockKind::kShared,
                       kLeagueLockByte, 1)) {
            notes.push_back("league: the league's lock cannot be taken");
            return false;
        }
        if (!open_file(standings_, kLeagueStandingsFile, sizeof(HeldStanding)) ||
            !open_file(news_, kLeagueNewsFile, sizeof(HeldNews)) ||
            !open_file(letters_, kLeagueLettersFile, sizeof(HeldLetter)) ||
            !open_file(receipts_, kLeagueReceiptsFile, sizeof(HeldReceipt))) {
            return false;
        }
        return load();
    }

    bool load() {
        links.assign(links_.record_count(), LeagueLinkRecord{});
        for (std::uint64_t i = 0; i < links.size(); ++i) {
            if (!links_.read(i, &links[i])) return false;
        }
        if (links.empty()) links.push_back(LeagueLinkRecord{});
        changed.assign(links.size(), links_.record_count() == 0);
        return true;
    }

    // The link record of `board`, made when there is none.
    std::size_t link(const NetworkAddress& board) {
        for (std::size_t i = 1; i < links.size(); ++i) {
            if (FromRecord(links[i].address) == board) return i;
        }
        LeagueLinkRecord r{};
        r.address = ToRecord(board);
        links.push_back(r);
        changed.push_back(true);
        return links.size() - 1;
    }

    bool save_links() {
        bool ok = true;
        for (std::size_t i = 0; i < links.size(); ++i) {
            if (changed[i]) ok = links_.write(i, &links[i]) && ok;
        }
        return ok;
    }

    std::uint32_t next_arrival() {
        changed[0] = true;
        return ++links[0].relayed_through;
    }

    RecordFile& standings() { return standings_; }
    RecordFile& news() { return news_; }
    RecordFile& letters() { return letters_; }
    RecordFile& receipts() { return receipts_; }

    std::vector<LeagueLinkRecord> links;
    std::vector<bool> changed;

  private:
    RecordFile links_;
    RecordFile standings_;
    RecordFile news_;
    RecordFile letters_;
    RecordFile receipts_;
};

}  // namespace vorn
